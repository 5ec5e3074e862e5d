#include "PlayerAssembly.h"

#include "core/AppContext.h"
#include "platform/ErrorReport.h"
#include "player/Audio.h"

namespace tb {

PlayerAssembly::PlayerAssembly(AppState &state, ActivityControl &activity, const ProgramOptions &options,
                               AppContext &context, InfoView &info, Parts parts, PlayerWindowPort &window,
                               SliderPort &volumeSlider)
    : mp3PlayerEngine_(parts.mp3Player), wavPlayerEngine_(parts.wavPlayer),
      sysTimer_([this] { ErrorReport::run([this] { player_.sysTimerTimer(); }); }),
      wavTimer_([this] { ErrorReport::run([this] { player_.wavTimerTimer(); }); }),
      player_(state, activity, options, context.dialogs, context.fileSystem, window, info, parts.musicInfo,
              parts.wavInfo,
              PlaybackController::Engines{mp3PlayerEngine_, wavPlayerEngine_, sysPlayer_, sysTimer_, wavTimer_}),
      volume_(parts.mixer, volumeSlider, context.dialogs)
{
    ConnectPlayerEvents(events_, parts.mp3Player, player_);
    ConnectWavePlayerEvents(events_, parts.wavPlayer, player_, stopReports_);
    events_.bind(parts.mixer.OnMixerChange,
                 [this](TAudio *, int, int) { ErrorReport::run([this] { volume_.MixerMixerChange(); }); });
    // The enumerator lives only while the loudspeaker line is looked up.
    tMsMixerSystem enumerator;
    volume_.FindLoudspeakerLine(enumerator);
}

} // namespace tb
