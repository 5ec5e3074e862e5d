#include "PlaybackController.h"

#include "Rounding.h"
#include "audioinfo/AudioInfo.h"
#include "audioinfo/Describe.h"
#include "wavepipe/MMWave.h"

namespace tb {

namespace {

// Engine calls whose failure the player passes over.
template <typename Call> void Ignoring(Call call)
{
    try {
        call();
    } catch (const std::exception &) {
    }
}

// Engine calls whose failure must reach the error report, but only once the step is complete:
// the first failure is kept and the rest of the calls still run.
template <typename Call> void Keeping(std::exception_ptr &first, Call call)
{
    try {
        call();
    } catch (const std::exception &) {
        if (!first)
            first = std::current_exception();
    }
}

struct BusyScope {
    explicit BusyScope(int &count) : count_(count) { ++count_; }
    ~BusyScope() { --count_; }
    int &count_;
};

} // namespace

PlaybackController::PlaybackController(AppState &state, ActivityControl &activity, const ProgramOptions &options, Dialogs &dialogs,
                                       FileSystem &fileSystem, PlayerWindowPort &window, InfoView &info,
                                       TAudioInfo &musicInfo, TMMWave &wavInfo, Engines engines)
    : state_(state), activity_(activity), options_(options), dialogs_(dialogs), fileSystem_(fileSystem), window_(window), info_(info),
      musicInfo_(musicInfo), wavInfo_(wavInfo), engines_(engines)
{
}

PollTimer *PlaybackController::EngineTimer()
{
    switch (engine_) {
    case Engine::System: return &engines_.sysTimer;
    case Engine::Wave: return &engines_.wavTimer;
    default: return nullptr;
    }
}

// ---- Commands ----

void PlaybackController::btnPlayClick()
{
    switch (state_.ActivityState) {
    case asConverting:
        dialogs_.message(QStringLiteral("Please stop converting at first!"));
        return;
    case asPlaying:
        if (!isPaused_)
            return;
        switch (engine_) {
        case Engine::Decoder: Ignoring([&] { engines_.decoder.Play(); }); break;
        case Engine::Wave:
            Ignoring([&] {
                if (engines_.wave.Paused())
                    engines_.wave.Restart();
            });
            break;
        case Engine::System:
            try {
                engines_.system.Resume();
            } catch (const std::exception &) {
                // A player that refuses to resume plays on from where it is.
                Ignoring([&] { engines_.system.Play(); });
            }
            break;
        }
        isPaused_ = false;
        SetStatus(info_, PrefixPlaying);
        return;
    default:
        StartFromIdle();
        return;
    }
}

void PlaybackController::StartFromIdle()
{
    ConversionListPort &list = ActiveList();
    if (list.RowCount() == 0)
        return;
    state_.FileQueue.clear();
    useOwnPlayer_ = options_.IsOurMp3Player;
    engine_ = !useOwnPlayer_ ? Engine::System : state_.DoWhat == dwWavToMp3 ? Engine::Wave : Engine::Decoder;
    for (int row = 0; row < list.RowCount(); ++row) {
        list.SetRowCheckBoxEnabled(row, false);
        const QString path = list.RowPath(row);
        if (list.RowChecked(row) && fileSystem_.fileExists(path))
            state_.FileQueue << path;
    }
    if (state_.FileQueue.isEmpty()) {
        dialogs_.message(state_.DoWhat == dwWavToMp3 ? QStringLiteral("At least check one item !")
                                                     : QStringLiteral("At least check one item!"));
        for (int row = 0; row < list.RowCount(); ++row)
            list.SetRowCheckBoxEnabled(row, true);
        return;
    }
    playIndex_ = 0;
    isPaused_ = false;
    silentInARow_ = 0;
    // Playing is entered before the engine starts: an engine that lets events through while it
    // opens then meets a window that already refuses the list commands, and a Stop clicked
    // meanwhile stops this playback.
    EnterPlayingLook();
    activity_.SetActivityState(asPlaying);
    BusyScope busy(busy_);
    StartStep(state_.FileQueue[0], engines_.wave.Wave(), Reporting::Ignore);
    if (!Playing())
        return;
    if (PollTimer *timer = EngineTimer())
        timer->Start();
    SetStatus(info_, PrefixPlaying);
}

void PlaybackController::btnPauseClick()
{
    if (!Playing())
        return;
    switch (engine_) {
    case Engine::Decoder: Ignoring([&] { engines_.decoder.Pause(); }); break;
    case Engine::Wave:
        Ignoring([&] {
            if (engines_.wave.Playing() && !engines_.wave.Paused())
                engines_.wave.Pause();
        });
        break;
    case Engine::System:
        Ignoring([&] {
            if (engines_.system.GetMode() == SystemPlayer::Mode::Playing)
                engines_.system.Pause();
        });
        break;
    }
    isPaused_ = true;
    SetStatus(info_, PrefixPaused);
}

void PlaybackController::btnStopClick()
{
    if (!Playing())
        return;
    activity_.SetActivityState(asIdle);
    isPaused_ = false;
    const std::exception_ptr decoderFailure = ShutDownEngine();
    // The window is idle again before the failure is shown.
    if (decoderFailure)
        std::rethrow_exception(decoderFailure);
}

void PlaybackController::btnNextClick()
{
    if (!Playing() || state_.FileQueue.isEmpty())
        return;
    // Next and Previous wrap whatever the cycle option says.
    SwitchTo(playIndex_ + 1 >= state_.FileQueue.size() ? 0 : playIndex_ + 1);
}

void PlaybackController::btnPreviousClick()
{
    if (!Playing() || state_.FileQueue.isEmpty())
        return;
    SwitchTo(playIndex_ - 1 < 0 ? static_cast<int32_t>(state_.FileQueue.size()) - 1 : playIndex_ - 1);
}

void PlaybackController::SwitchTo(int32_t index)
{
    playIndex_ = index;
    const uint64_t generation = ++generation_;
    BusyScope busy(busy_);
    // The wave player's wave is never given a new file while it plays.
    if (engine_ == Engine::Wave)
        Ignoring([&] { engines_.wave.Stop(); });
    if (!StillCurrent(generation))
        return;
    const QString path = state_.FileQueue[playIndex_];
    SelectRow(path);
    Describe(path, engines_.wave.Wave());
    SwitchEngine(path, generation);
    if (StillCurrent(generation))
        SetStatus(info_, PrefixPlaying);
}

// ---- Steps ----

void PlaybackController::StartStep(const QString &path, TMMWave &describeWave, Reporting decoderFailures)
{
    const uint64_t generation = ++generation_;
    heard_ = false;
    SelectRow(path);
    Describe(path, describeWave);
    StartEngine(path, generation, decoderFailures);
    if (StillCurrent(generation))
        SetStatus(info_, PrefixPlaying);
}

void PlaybackController::SelectRow(const QString &path)
{
    ConversionListPort &list = ActiveList();
    list.ClearSelection();
    for (int row = 0; row < list.RowCount(); ++row) {
        if (list.RowPath(row).compare(path, Qt::CaseInsensitive) == 0) {
            list.SetCurrentRow(row);
            return;
        }
    }
}

void PlaybackController::Describe(const QString &path, TMMWave &wave)
{
    if (state_.DoWhat == dwWavToMp3)
        DescribeWaveFile(info_, path, wave);
    else
        DescribeMpegFile(info_, musicInfo_, path);
}

void PlaybackController::FenceDecoderNews()
{
    errorCheckTag_ = 0;
    const uint32_t tag = ++pingTag_;
    try {
        engines_.decoder.Ping(tag);
        fenceTag_ = tag;
        decoderNewsStale_ = true;
    } catch (const std::exception &) {
        // Without a decoder there is no news to fence off.
    }
}

void PlaybackController::StartEngine(const QString &path, uint64_t generation, Reporting decoderFailures)
{
    switch (engine_) {
    case Engine::Decoder:
        FenceDecoderNews();
        if (decoderFailures == Reporting::Raise) {
            engines_.decoder.InputOpen(path);
            engines_.decoder.Play();
        } else {
            Ignoring([&] { engines_.decoder.InputOpen(path); });
            Ignoring([&] { engines_.decoder.Play(); });
        }
        break;
    case Engine::Wave: {
        // A file that did not load leaves the previous one in the wave; it is not played, and the
        // next tick drops it.
        TMMWave &wave = engines_.wave.Wave();
        if (wave.Loaded() && wave.FileName() == path)
            Ignoring([&] { engines_.wave.Play(); });
        break;
    }
    case Engine::System:
        Ignoring([&] {
            engines_.system.SetFileName(path);
            engines_.system.SetNotify(true);
        });
        Ignoring([&] { engines_.system.Open(); });
        if (StillCurrent(generation))
            Ignoring([&] { engines_.system.Play(); });
        break;
    }
    // Stopped while the engine let events through: whatever it began must not be heard.
    if (!Playing() && engine_ != Engine::Decoder) {
        std::exception_ptr ignored;
        StopEngineForGood(ignored);
    }
}

void PlaybackController::SwitchEngine(const QString &path, uint64_t generation)
{
    heard_ = false;
    switch (engine_) {
    case Engine::Decoder:
        Ignoring([&] { engines_.decoder.Stop(); });
        Ignoring([&] { engines_.decoder.OutputClose(); });
        Ignoring([&] { engines_.decoder.InputClose(); });
        break;
    case Engine::Wave: break;
    case Engine::System:
        Ignoring([&] { engines_.system.Stop(); });
        Ignoring([&] { engines_.system.Close(); });
        Ignoring([&] { engines_.system.SetFileName(QString()); });
        break;
    }
    StartEngine(path, generation, Reporting::Ignore);
}

void PlaybackController::StopEngineForGood(std::exception_ptr &firstDecoderFailure)
{
    switch (engine_) {
    case Engine::Decoder:
        Keeping(firstDecoderFailure, [&] { engines_.decoder.Stop(); });
        Keeping(firstDecoderFailure, [&] { engines_.decoder.OutputClose(); });
        Keeping(firstDecoderFailure, [&] { engines_.decoder.InputClose(); });
        // What the decoder reported before it stopped is not shown on the idle window.
        FenceDecoderNews();
        break;
    case Engine::Wave:
        Ignoring([&] { engines_.wave.Stop(); });
        Ignoring([&] { engines_.wave.Unload(); });
        break;
    case Engine::System:
        Ignoring([&] { engines_.system.Stop(); });
        Ignoring([&] { engines_.system.Close(); });
        Ignoring([&] { engines_.system.SetFileName(QString()); });
        break;
    }
}

void PlaybackController::EnterPlayingLook()
{
    ActiveList().SetAutoPopup(false);
    window_.PositionSlider().SetEnabled(true);
    window_.GreyTabs();
}

void PlaybackController::LeavePlayingLook()
{
    ConversionListPort &list = ActiveList();
    for (int row = 0; row < list.RowCount(); ++row)
        list.SetRowCheckBoxEnabled(row, true);
    list.SetAutoPopup(true);
    SliderPort &slider = window_.PositionSlider();
    slider.SetValue(0);
    slider.SetEnabled(false);
    window_.RestoreTabs();
}

// ---- The end of a file ----

void PlaybackController::mp3PlayerNotifyPlayerState(int32_t State)
{
    if (State != StateEndOfInput || !Playing() || engine_ != Engine::Decoder || decoderNewsStale_)
        return;
    DecoderFileEnded();
}

void PlaybackController::mp3PlayerNotifyError()
{
    if (!Playing() || engine_ != Engine::Decoder || decoderNewsStale_ || errorCheckTag_ != 0)
        return;
    // A failure in the middle of a file is followed by its end; one at the start is not. The Pong
    // tells which: when it comes without the end, the file is over.
    const uint32_t tag = ++pingTag_;
    try {
        engines_.decoder.Ping(tag);
        errorCheckTag_ = tag;
    } catch (const std::exception &) {
    }
}

void PlaybackController::mp3PlayerNotifyPong(uint32_t Tag)
{
    if (decoderNewsStale_ && Tag == fenceTag_) {
        decoderNewsStale_ = false;
        return;
    }
    if (errorCheckTag_ != 0 && Tag == errorCheckTag_) {
        errorCheckTag_ = 0;
        if (Playing() && engine_ == Engine::Decoder && !decoderNewsStale_)
            DecoderFileEnded();
    }
}

void PlaybackController::DecoderFileEnded()
{
    errorCheckTag_ = 0;
    bool kept = false;
    try {
        musicInfo_.LoadFromFile(state_.FileQueue[playIndex_]);
        const TMpegFrameHdr &hdr = musicInfo_.FrameHdr;
        kept = hdr.Valid && hdr.BitrateBps() > 0 && hdr.FrameLength > 0;
    } catch (const std::exception &) {
    }
    FileEnded(kept, engines_.wave.Wave());
}

void PlaybackController::sysTimerTimer()
{
    if (!Playing() || engine_ != Engine::System || busy_ > 0)
        return;
    SystemPlayer &player = engines_.system;
    SystemPlayer::Mode mode;
    try {
        mode = player.GetMode();
    } catch (const std::exception &) {
        return;
    }
    if (mode == SystemPlayer::Mode::Paused)
        return;
    if (mode == SystemPlayer::Mode::Playing) {
        Ignoring([&] {
            player.SetTimeFormatMilliseconds();
            const int64_t length = player.Length();
            const int64_t position = player.Position();
            ShowPosition(position, length);
        });
        return;
    }
    const uint64_t generation = generation_;
    BusyScope busy(busy_);
    const QString path = state_.FileQueue[playIndex_];
    Ignoring([&] { player.Stop(); });
    Ignoring([&] { player.Close(); });
    bool kept = false;
    try {
        player.SetFileName(path);
        player.Open();
        kept = true;
    } catch (const std::exception &) {
    }
    Ignoring([&] { player.Close(); });
    // Opening let events through: a Stop or a Next clicked meanwhile has the last word.
    if (!StillCurrent(generation))
        return;
    FileEnded(kept, wavInfo_);
}

void PlaybackController::wavTimerTimer()
{
    if (!Playing() || engine_ != Engine::Wave || busy_ > 0)
        return;
    WaveEngine &player = engines_.wave;
    bool playing = false, paused = false;
    try {
        playing = player.Playing();
        paused = player.Paused();
    } catch (const std::exception &) {
        return;
    }
    if (paused)
        return;
    if (playing) {
        Ignoring([&] { ShowPosition(player.PositionMs(), player.DurationMs()); });
        return;
    }
    BusyScope busy(busy_);
    bool kept = false;
    try {
        wavInfo_.SetFileName(state_.FileQueue[playIndex_]);
        kept = true;
    } catch (const std::exception &) {
    }
    FileEnded(kept, player.Wave());
}

void PlaybackController::FileEnded(bool kept, TMMWave &describeWave)
{
    if (kept) {
        silentInARow_ = heard_ ? 0 : silentInARow_ + 1;
        ++playIndex_;
    } else {
        state_.FileQueue.removeAt(playIndex_);
    }
    if (playIndex_ >= state_.FileQueue.size()) {
        // A cycle goes round only while some file in it still plays.
        const bool goRound = options_.IsPlayCycle && !state_.FileQueue.isEmpty() &&
                             silentInARow_ < state_.FileQueue.size();
        if (!goRound) {
            EndOfPlayback();
            return;
        }
        playIndex_ = 0;
    }
    BusyScope busy(busy_);
    StartStep(state_.FileQueue[playIndex_], describeWave,
              engine_ == Engine::Decoder ? Reporting::Raise : Reporting::Ignore);
}

std::exception_ptr PlaybackController::ShutDownEngine()
{
    ++generation_;
    if (PollTimer *timer = EngineTimer())
        timer->Stop();
    std::exception_ptr decoderFailure;
    StopEngineForGood(decoderFailure);
    LeavePlayingLook();
    ShowIdle(info_);
    return decoderFailure;
}

void PlaybackController::EndOfPlayback()
{
    const std::exception_ptr decoderFailure = ShutDownEngine();
    activity_.SetActivityState(asIdle);
    isPaused_ = false;
    if (decoderFailure)
        std::rethrow_exception(decoderFailure);
}

// ---- Clocks and slider ----

void PlaybackController::ShowPosition(int64_t position, int64_t length)
{
    info_.setDurationTime(MillisecondsClockText(length));
    info_.setCurrentTime(MillisecondsClockText(position));
    if (position > 0)
        heard_ = true;
    if (!isSliderDragging_)
        window_.PositionSlider().SetValue(static_cast<int>(RoundRatio(position * 100, length)));
}

void PlaybackController::mp3PlayerNotifyStreamDuration(uint32_t Duration)
{
    if (!Playing() || decoderNewsStale_)
        return;
    info_.setDurationTime(SecondsClockText(Duration));
}

void PlaybackController::mp3PlayerNotifyInputTimecode(uint8_t Hours, uint8_t Minutes, uint8_t Seconds,
                                                      uint8_t Fractions)
{
    if (decoderNewsStale_)
        return;
    if (Playing() && (Hours | Minutes | Seconds | Fractions) != 0)
        heard_ = true;
    info_.setCurrentTime(ClockText(Hours, Minutes, Seconds));
}

void PlaybackController::mp3PlayerNotifyInputPosition(uint32_t Offset, uint32_t Range)
{
    if (!Playing() || decoderNewsStale_)
        return;
    if (Offset > 0)
        heard_ = true;
    if (!isSliderDragging_)
        window_.PositionSlider().SetValue(static_cast<int>(RoundRatio(int64_t(Offset) * 100, Range)));
}

void PlaybackController::prgPlayMouseDown() { isSliderDragging_ = true; }

void PlaybackController::prgPlayMouseUp()
{
    if (!Playing())
        return;
    // The slider is the user's again even when the seek fails.
    struct Release {
        bool &dragging;
        ~Release() { dragging = false; }
    } release{isSliderDragging_};
    SliderPort &slider = window_.PositionSlider();
    const int v = slider.Value();
    switch (engine_) {
    case Engine::Decoder: engines_.decoder.InputSeek(v, slider.MaxValue()); break;
    case Engine::System: {
        SystemPlayer &player = engines_.system;
        Ignoring([&] { player.Stop(); });
        player.SetStartPosition(RoundRatio(player.Length() * v, 100));
        Ignoring([&] { player.Play(); });
        break;
    }
    case Engine::Wave: engines_.wave.SetPositionMs(RoundRatio(engines_.wave.DurationMs() * v, 100)); break;
    }
}

} // namespace tb
