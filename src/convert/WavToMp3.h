// PCM WAV to MP3: the encoder encodes each plain PCM file at the chosen bitrate and channel mode;
// its progress moves the position clock and its finish moves the batch on.
#pragma once

#include "BatchDriver.h"
#include "Conversion.h"
#include "ConvertPorts.h"

namespace tb {

class TMMWave;

class WavToMp3Conversion : public Conversion {
public:
    WavToMp3Conversion(AppState &state, ProgramOptions &options, EncoderPort &encoder, InfoView &info,
                       TMMWave &wavInfo, FileSystem &fileSystem, BatchDriver &driver);

    // The bitrate in kbit/s for an Mp3Bitrate index, and the channel mode for Mp3Stereo.
    static int BitRateFor(int32_t mp3Bitrate);
    static EncodeChannelMode EncodeTypeFor(int32_t mp3Stereo);
    // Elapsed milliseconds for a progress report, halves rounded to even; 0 without frames.
    static int64_t ElapsedMs(int nowFrames, int allFrames, int64_t lengthMs);

    QString DestinationFolder() const override { return options_.Mp3Dir; }
    QString DestinationExtension() const override { return QStringLiteral(".mp3"); }
    QString StatusPrefix() const override;
    bool IsEligible(const QString &path) override;
    QString IneligibleReason() const override { return ineligibleReason_; }
    QString StartFailureReason() const override { return failureReason_; }
    void Display(const QString &path) override;
    bool StartFile(const QString &source, const QString &destination, bool firstOfBatch) override;
    void EndBatch() override;
    void HoldForQuestion() override;
    void ContinueAfterQuestion() override;
    QString EndMessage() const override { return {}; }

    // The encoder's reports.
    void EncoderProgress(int nowFrames, int allFrames);
    void EncoderError(int errorCode);
    void EncoderFinish(bool isAborted);

    int64_t WavLengthMs() const { return wavLengthMs_; }

private:
    bool Converting() const;

    AppState &state_;
    ProgramOptions &options_;
    EncoderPort &encoder_;
    InfoView &info_;
    TMMWave &wavInfo_;
    FileSystem &fileSystem_;
    BatchDriver &driver_;
    int64_t wavLengthMs_ = 0;
    bool currentFailed_ = false;
    QString ineligibleReason_; // empty: readable, but not PCM
    QString failureReason_;    // of the current file's start or encoding
};

} // namespace tb
