// MPEG audio to WAV: the conversion decoder writes each file as "wav:" + destination, and its
// notifications move the batch on.
#pragma once

#include "BatchDriver.h"
#include "Conversion.h"
#include "ConvertPorts.h"

#include <optional>

namespace tb {

class TAudioInfo;

class Mp3ToWavConversion : public Conversion {
public:
    Mp3ToWavConversion(AppState &state, ProgramOptions &options, DecoderPort &decoder, InfoView &info,
                       TAudioInfo &musicInfo, BatchDriver &driver);

    QString DestinationFolder() const override { return options_.WavDir; }
    QString DestinationExtension() const override { return QStringLiteral(".wav"); }
    QString StatusPrefix() const override;
    bool IsEligible(const QString &) override { return true; }
    void Display(const QString &path) override;
    bool StartFile(const QString &source, const QString &destination, bool firstOfBatch) override;
    QString StartFailureReason() const override { return startFailure_; }
    void EndBatch() override;
    void HoldForQuestion() override;
    void ContinueAfterQuestion() override;
    // Unguarded: a decoder failure here reaches the top-level error report.
    void StopAfterQuestion() override;
    QString EndMessage() const override;

    // The decoder's notifications.
    void DecoderNotifyPlayerState(int32_t state);
    void DecoderNotifyInputTimecode(uint8_t hours, uint8_t minutes, uint8_t seconds, uint8_t fractions);
    void DecoderNotifyStreamDuration(uint32_t duration);
    void DecoderNotifyError(const QString &message);
    void DecoderNotifyPong(uint32_t tag);

private:
    bool Converting() const;

    AppState &state_;
    ProgramOptions &options_;
    DecoderPort &decoder_;
    InfoView &info_;
    TAudioInfo &musicInfo_;
    BatchDriver &driver_;
    // The decoder's message as a reason: the file names it quotes are shown beside it anyway.
    QString ReasonOf(const QString &message) const;

    QString source_, destination_; // of the file being decoded
    QString startFailure_;
    // After a failed file, everything the decoder reports until this Pong is about that file.
    std::optional<uint32_t> staleUntilPong_;
    uint32_t pingTag_ = 0;
};

} // namespace tb
