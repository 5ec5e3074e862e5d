// The player: plays the checked files of the active list one after the other through one of three
// engines (the playback decoder, the wave player or the system media player), with pause, stop,
// next, previous, the cycle option, the clocks and the position slider. It works on the shared
// state (ActivityState, DoWhat, FileQueue) and on narrow ports, never on widgets.
// Everything here runs on the user-interface thread.
#pragma once

#include "PlayerPorts.h"
#include "core/AppState.h"
#include "core/ProgramOptions.h"
#include "audioinfo/InfoView.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <exception>
#include <functional>

namespace tb {

class TAudioInfo;
class TMMWave;

class PlaybackController {
public:
    enum class Engine { Decoder, Wave, System };

    struct Engines {
        DecoderEngine &decoder; // mp3Player
        WaveEngine &wave;       // wavPlayer
        SystemPlayer &system;   // sysPlayer
        PollTimer &sysTimer;
        PollTimer &wavTimer;
    };

    // musicInfo probes MPEG files; wavInfo is the wave object that probes WAV files.
    // The activity goes through `activity`, which owns every change of ActivityState.
    PlaybackController(AppState &state, ActivityControl &activity, const ProgramOptions &options, Dialogs &dialogs, FileSystem &fileSystem,
                       PlayerWindowPort &window, InfoView &info, TAudioInfo &musicInfo, TMMWave &wavInfo,
                       Engines engines);

    // The five buttons.
    void btnPlayClick();
    void btnPauseClick();
    void btnStopClick();
    void btnNextClick();
    void btnPreviousClick();

    // The playback decoder's notifications.
    void mp3PlayerNotifyPlayerState(int32_t State);
    void mp3PlayerNotifyInputPosition(uint32_t Offset, uint32_t Range);
    void mp3PlayerNotifyStreamDuration(uint32_t Duration);
    void mp3PlayerNotifyInputTimecode(uint8_t Hours, uint8_t Minutes, uint8_t Seconds, uint8_t Fractions);
    // The decoder could not open, decode or play the input; nothing more comes from that file.
    void mp3PlayerNotifyError();
    void mp3PlayerNotifyPong(uint32_t Tag);

    // The polling timers.
    void sysTimerTimer();
    void wavTimerTimer();

    // The position slider: a press on the track or the thumb, and its release (which seeks).
    void prgPlayMouseDown();
    void prgPlayMouseUp();

    // The player's values.
    int32_t PlayIndex() const { return playIndex_; }
    bool IsPaused() const { return isPaused_; }
    bool UseOwnPlayer() const { return useOwnPlayer_; }
    bool IsSliderDragging() const { return isSliderDragging_; }
    Engine CurrentEngine() const { return engine_; }

    static constexpr int32_t StateEndOfInput = 3;

private:
    enum class Reporting { Ignore, Raise };

    bool Playing() const { return state_.ActivityState == asPlaying; }
    // True while nothing started another file or stopped playback since the step began.
    bool StillCurrent(uint64_t generation) const { return Playing() && generation_ == generation; }
    ConversionListPort &ActiveList() { return window_.List(state_.DoWhat); }
    PollTimer *EngineTimer();

    void StartFromIdle();
    // Next and Previous: the file at index replaces the one playing; IsPaused keeps its value.
    void SwitchTo(int32_t index);
    // Select, describe and start path; describeWave is the wave object a WAV file is described with.
    void StartStep(const QString &path, TMMWave &describeWave, Reporting decoderFailures);
    void SelectRow(const QString &path);
    void Describe(const QString &path, TMMWave &wave);
    void StartEngine(const QString &path, uint64_t generation, Reporting decoderFailures);
    void SwitchEngine(const QString &path, uint64_t generation);
    void StopEngineForGood(std::exception_ptr &firstDecoderFailure);
    void FenceDecoderNews();

    void EnterPlayingLook();
    void LeavePlayingLook();

    void DecoderFileEnded();
    // The common part of the end of a file: keep or drop it, then go on or end playback.
    void FileEnded(bool kept, TMMWave &describeWave);
    void EndOfPlayback();
    // Stops the engine and its timer, drops late news and leaves the playing look; returns the
    // decoder's first failure for the caller to raise once the state is idle.
    std::exception_ptr ShutDownEngine();
    void ShowPosition(int64_t position, int64_t length);

    AppState &state_;
    ActivityControl &activity_;
    const ProgramOptions &options_;
    Dialogs &dialogs_;
    FileSystem &fileSystem_;
    PlayerWindowPort &window_;
    InfoView &info_;
    TAudioInfo &musicInfo_;
    TMMWave &wavInfo_;
    Engines engines_;

    Engine engine_ = Engine::Decoder;
    int32_t playIndex_ = 0;
    bool isPaused_ = false;
    bool useOwnPlayer_ = true;
    bool isSliderDragging_ = false;

    // Every file start and every end of playback counts up, so a step that let events through can
    // tell whether a command took over meanwhile.
    uint64_t generation_ = 0;
    // Ticks that arrive while a step is under way (an engine call letting events through) wait for
    // the next one.
    int busy_ = 0;
    // Decoder news older than this Pong belong to an earlier file.
    uint32_t pingTag_ = 0;
    uint32_t fenceTag_ = 0;
    bool decoderNewsStale_ = false;
    // After a decoder error, the Pong that tells whether the file's end followed it.
    uint32_t errorCheckTag_ = 0;
    // Whether the current file was heard at all, and how many kept files in a row were not: a
    // cycle of files none of which plays ends instead of going round for ever.
    bool heard_ = false;
    int silentInARow_ = 0;
};

} // namespace tb
