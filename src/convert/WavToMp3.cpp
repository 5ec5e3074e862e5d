#include "WavToMp3.h"

#include "audioinfo/Describe.h"
#include "platform/Exception.h"
#include "wavepipe/MMWave.h"

#include <cmath>

namespace tb {

namespace {
constexpr int BitRates[14] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr uint16_t WaveFormatPcm = 1;
constexpr uint16_t WaveFormatIeeeFloat = 3;

// Calls a step whose failure must not stop what follows.
template <typename Step> void ignoringFailure(Step step)
{
    try {
        step();
    } catch (const std::exception &) {
    }
}
} // namespace

WavToMp3Conversion::WavToMp3Conversion(AppState &state, ProgramOptions &options, EncoderPort &encoder,
                                       InfoView &info, TMMWave &wavInfo, FileSystem &fileSystem,
                                       BatchDriver &driver)
    : state_(state), options_(options), encoder_(encoder), info_(info), wavInfo_(wavInfo), fileSystem_(fileSystem),
      driver_(driver)
{
}

int WavToMp3Conversion::BitRateFor(int32_t mp3Bitrate)
{
    return mp3Bitrate >= 0 && mp3Bitrate < 14 ? BitRates[mp3Bitrate] : 128;
}

EncodeChannelMode WavToMp3Conversion::EncodeTypeFor(int32_t mp3Stereo)
{
    switch (mp3Stereo) {
    case 0: return ecMono;
    case 2: return ecJoint;
    case 3: return ecDualChannel;
    default: return ecStereo;
    }
}

int64_t WavToMp3Conversion::ElapsedMs(int nowFrames, int allFrames, int64_t lengthMs)
{
    if (allFrames == 0)
        return 0;
    // nearbyint rounds halves to even in the default rounding mode.
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(nowFrames) / allFrames * static_cast<double>(lengthMs)));
}

QString WavToMp3Conversion::StatusPrefix() const { return PrefixConvertingToMp3; }

bool WavToMp3Conversion::Converting() const
{
    return state_.DoWhat == dwWavToMp3 && state_.ActivityState == asConverting;
}

bool WavToMp3Conversion::IsEligible(const QString &path)
{
    // A file that vanished, cannot be read or is damaged is a failure with its reason; a
    // readable file that is not PCM is passed over.
    ineligibleReason_ = unreadableFileReason(path);
    if (!ineligibleReason_.isEmpty())
        return false;
    try {
        wavInfo_.SetFileName(path);
        // Uncompressed samples, integer or floating point, also inside the extensible format;
        // the encoder reads them directly. Compressed formats are passed over.
        const uint16_t samples = wavInfo_.SampleFormatTag();
        return samples == WaveFormatPcm || samples == WaveFormatIeeeFloat;
    } catch (const Exception &error) {
        ineligibleReason_ = error.message();
    } catch (const std::exception &error) {
        ineligibleReason_ = QString::fromLocal8Bit(error.what());
    }
    return false;
}

void WavToMp3Conversion::Display(const QString &path)
{
    // The eligibility probe has just loaded this file into wavInfo.
    DescribeLoadedWave(info_, path, wavInfo_);
    wavLengthMs_ = 0;
    // A failed load keeps the previous file in wavInfo; then the length is unknown.
    if (!wavInfo_.Loaded() || wavInfo_.FileName() != path) {
        info_.setDurationTime(QStringLiteral("00:00:00"));
        return;
    }
    TMMTimeFormats format = wavInfo_.TimeFormat();
    wavInfo_.SetTimeFormat(tfMillisecond);
    wavLengthMs_ = wavInfo_.Duration();
    wavInfo_.SetTimeFormat(format);
    info_.setDurationTime(MillisecondsClockText(wavLengthMs_));
}

bool WavToMp3Conversion::StartFile(const QString &source, const QString &destination, bool firstOfBatch)
{
    currentFailed_ = false;
    failureReason_.clear();
    try {
        if (firstOfBatch) {
            encoder_.SetBitRate(BitRateFor(options_.Mp3Bitrate));
            encoder_.SetEncodeType(EncodeTypeFor(options_.Mp3Stereo));
        } else {
            fileSystem_.createFolders(options_.Mp3Dir);
        }
        encoder_.SetSourceFile(source);
        encoder_.SetDestinationFile(destination);
        encoder_.StartEncode();
        return true;
    } catch (const std::exception &error) {
        // The library's reason is more telling than the binding's "settings contain an error".
        failureReason_ = encoder_.LastErrorText();
        if (failureReason_.isEmpty())
            failureReason_ = QString::fromUtf8(error.what());
        return false;
    }
}

void WavToMp3Conversion::EndBatch()
{
    ignoringFailure([this] { encoder_.ResumeEncode(); });
    ignoringFailure([this] { encoder_.AbortEncode(); });
}

void WavToMp3Conversion::HoldForQuestion()
{
    ignoringFailure([this] { encoder_.SuspendEncode(); });
}

void WavToMp3Conversion::ContinueAfterQuestion()
{
    ignoringFailure([this] { encoder_.ResumeEncode(); });
}

void WavToMp3Conversion::EncoderProgress(int nowFrames, int allFrames)
{
    if (!Converting())
        return;
    info_.setCurrentTime(MillisecondsClockText(ElapsedMs(nowFrames, allFrames, wavLengthMs_)));
}

void WavToMp3Conversion::EncoderError(int errorCode)
{
    if (!Converting())
        return;
    currentFailed_ = true;
    failureReason_ = encoder_.LastErrorText();
    if (failureReason_.isEmpty())
        failureReason_ = QStringLiteral("encoder error %1").arg(errorCode);
}

void WavToMp3Conversion::EncoderFinish(bool)
{
    if (!Converting())
        return;
    if (currentFailed_)
        driver_.FileFailed(failureReason_);
    else
        driver_.FileFinished();
}

} // namespace tb
