// The player's parts as the core owns them: the three engines, the two polling timers, the
// playback controller and the volume, put together once the window hands over its player view
// and its volume slider.
#pragma once

#include "core/EventLink.h"
#include "player/DecoderEngineAdapter.h"
#include "player/PlaybackController.h"
#include "player/QtPollTimer.h"
#include "player/SystemMediaPlayer.h"
#include "player/VolumeControl.h"
#include "player/WaveEngineAdapter.h"

#include <QObject>

namespace tb {

class TAudio;
class TMMWavePlayer;
class TXaudioPlayer;
struct AppContext;

class PlayerAssembly {
public:
    struct Parts {
        TXaudioPlayer &mp3Player;
        TMMWavePlayer &wavPlayer;
        TAudioInfo &musicInfo;
        TMMWave &wavInfo;
        TAudio &mixer;
    };
    // Looks up the loudspeaker line at once (which may tell the user that there is no mixer).
    PlayerAssembly(AppState &state, ActivityControl &activity, const ProgramOptions &options, AppContext &context,
                   InfoView &info, Parts parts, PlayerWindowPort &window, SliderPort &volumeSlider);

    PlaybackController &player() { return player_; }
    VolumeController &volume() { return volume_; }
    QtSystemPlayer &sysPlayer() { return sysPlayer_; }

private:
    XaudioDecoderEngine mp3PlayerEngine_;
    WavePlayerEngine wavPlayerEngine_;
    QtSystemPlayer sysPlayer_;
    QtPollTimer sysTimer_, wavTimer_;
    PlaybackController player_;
    VolumeController volume_;
    // Where the wave player's stop reports are posted; one still on its way goes with it.
    QObject stopReports_;
    // Last, so it goes first: the decoder's and the mixer's event slots are emptied first.
    EventLink events_;
};

} // namespace tb
