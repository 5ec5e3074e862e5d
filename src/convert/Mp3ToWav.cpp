#include "Mp3ToWav.h"

#include "audioinfo/AudioInfo.h"
#include "audioinfo/Describe.h"
#include "platform/Exception.h"

#include <tonebridge/xaudio.h>

namespace tb {

Mp3ToWavConversion::Mp3ToWavConversion(AppState &state, ProgramOptions &options, DecoderPort &decoder,
                                       InfoView &info, TAudioInfo &musicInfo, BatchDriver &driver)
    : state_(state), options_(options), decoder_(decoder), info_(info), musicInfo_(musicInfo), driver_(driver)
{
}

QString Mp3ToWavConversion::StatusPrefix() const { return PrefixConvertingToWav; }

QString Mp3ToWavConversion::EndMessage() const
{
    return QStringLiteral("All checked MP3 files have been converted to WAV files!");
}

bool Mp3ToWavConversion::Converting() const
{
    return state_.DoWhat == dwMp3ToWav && state_.ActivityState == asConverting && !staleUntilPong_;
}

void Mp3ToWavConversion::Display(const QString &path) { DescribeMpegFile(info_, musicInfo_, path); }

bool Mp3ToWavConversion::StartFile(const QString &source, const QString &destination, bool firstOfBatch)
{
    source_ = source;
    destination_ = destination;
    startFailure_.clear();
    try {
        if (firstOfBatch)
            decoder_.SetOutputModule(0);
        decoder_.OutputOpen(QStringLiteral("wav:") + destination);
        decoder_.InputOpen(source);
        decoder_.Play();
        return true;
    } catch (const Exception &error) {
        startFailure_ = error.message();
    } catch (const std::exception &error) {
        startFailure_ = QString::fromUtf8(error.what());
    }
    return false;
}

QString Mp3ToWavConversion::ReasonOf(const QString &message) const
{
    QString reason = message;
    for (const QString &path : {source_, destination_})
        if (!path.isEmpty())
            reason.replace(QStringLiteral(" \"") + path + QStringLiteral("\""), QString());
    return reason;
}

void Mp3ToWavConversion::EndBatch()
{
    // The batch ends whatever the decoder says now; the window must return to idle.
    try {
        decoder_.Stop();
        decoder_.OutputClose();
        decoder_.InputClose();
    } catch (const std::exception &) {
    }
}

void Mp3ToWavConversion::HoldForQuestion() { decoder_.Pause(); }

void Mp3ToWavConversion::ContinueAfterQuestion() { decoder_.Play(); }

void Mp3ToWavConversion::StopAfterQuestion()
{
    decoder_.Stop();
    decoder_.OutputClose();
    decoder_.InputClose();
}

void Mp3ToWavConversion::DecoderNotifyPlayerState(int32_t playerState)
{
    if (!Converting() || playerState != XA_PLAYER_STATE_EOF)
        return;
    driver_.FileFinished();
}

void Mp3ToWavConversion::DecoderNotifyInputTimecode(uint8_t hours, uint8_t minutes, uint8_t seconds, uint8_t)
{
    if (state_.ActivityState == asConverting && !staleUntilPong_)
        info_.setCurrentTime(ClockText(hours, minutes, seconds));
}

void Mp3ToWavConversion::DecoderNotifyStreamDuration(uint32_t duration)
{
    if (state_.ActivityState == asConverting && !staleUntilPong_)
        info_.setDurationTime(SecondsClockText(duration));
}

void Mp3ToWavConversion::DecoderNotifyError(const QString &message)
{
    if (!Converting())
        return;
    // The decoder may still report on the failed file (an end of input after a damaged frame,
    // refusals of the commands that followed); a Pong marks where that news ends, and the next
    // file's commands go after the Ping.
    staleUntilPong_ = ++pingTag_;
    try {
        decoder_.Ping(static_cast<int>(pingTag_));
    } catch (const std::exception &) {
        staleUntilPong_.reset();
    }
    driver_.FileFailed(ReasonOf(message));
}

void Mp3ToWavConversion::DecoderNotifyPong(uint32_t tag)
{
    if (staleUntilPong_ && *staleUntilPong_ == tag)
        staleUntilPong_.reset();
}

} // namespace tb
