// The conversion ports on the real codec bindings.
#pragma once

#include "ConvertPorts.h"
#include "core/EventLink.h"

namespace tb {

class TXaudioPlayer;
class TGogoTea;

class XaudioDecoderPort : public DecoderPort {
public:
    explicit XaudioDecoderPort(TXaudioPlayer &decoder) : decoder_(decoder) {}
    void SetOutputModule(int module) override;
    void OutputOpen(const QString &name) override;
    void InputOpen(const QString &path) override;
    void Play() override;
    void Ping(int tag) override;
    void Pause() override;
    void Stop() override;
    void OutputClose() override;
    void InputClose() override;

private:
    TXaudioPlayer &decoder_;
};

class GogoEncoderPort : public EncoderPort {
public:
    explicit GogoEncoderPort(TGogoTea &encoder) : encoder_(encoder) {}
    void SetBitRate(int kbps) override;
    void SetEncodeType(EncodeChannelMode mode) override;
    void SetSourceFile(const QString &path) override;
    void SetDestinationFile(const QString &path) override;
    void StartEncode() override;
    void SuspendEncode() override;
    void ResumeEncode() override;
    void AbortEncode() override;
    QString LastErrorText() override;

private:
    TGogoTea &encoder_;
};

} // namespace tb

namespace tb {

class Mp3ToWavConversion;
class WavToMp3Conversion;

// Routes the conversion decoder's notifications to the MPEG-to-WAV conversion, for as long as
// the link lives.
void ConnectDecoderEvents(EventLink &link, TXaudioPlayer &decoder, Mp3ToWavConversion &conversion);
// Routes the encoder's reports to the WAV-to-MP3 conversion, for as long as the link lives.
void ConnectEncoderEvents(EventLink &link, TGogoTea &encoder, WavToMp3Conversion &conversion);

} // namespace tb
