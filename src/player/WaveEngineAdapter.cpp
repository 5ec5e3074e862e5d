#include "WaveEngineAdapter.h"

#include "PlaybackController.h"
#include "core/EventLink.h"
#include "platform/ErrorReport.h"
#include "wavepipe/MMWavePlayer.h"

#include <QTimer>

namespace tb {

TMMWave &WavePlayerEngine::Wave() { return *player_.Wave(); }
void WavePlayerEngine::Play() { player_.Play(); }
void WavePlayerEngine::Pause() { player_.Pause(); }
void WavePlayerEngine::Restart() { player_.Restart(); }
void WavePlayerEngine::Stop() { player_.Stop(); }
void WavePlayerEngine::Unload() { player_.SetWave(nullptr); }
bool WavePlayerEngine::Playing() { return (player_.State() & wosPlay) != 0; }
bool WavePlayerEngine::Paused() { return (player_.State() & wosPause) != 0; }
int64_t WavePlayerEngine::DurationMs() { return player_.Wave()->Duration(); }
int64_t WavePlayerEngine::PositionMs() { return player_.Position(); }
void WavePlayerEngine::SetPositionMs(int64_t position) { player_.SetPosition(position); }

void ConnectWavePlayerEvents(EventLink &link, TMMWavePlayer &player, PlaybackController &controller, QObject &context)
{
    link.bind(player.OnStop, [&controller, &context](TMMDSPComponent *) {
        QTimer::singleShot(0, &context, [&controller] { ErrorReport::run([&] { controller.wavTimerTimer(); }); });
    });
}

} // namespace tb
