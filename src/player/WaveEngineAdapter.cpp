#include "WaveEngineAdapter.h"

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

WavePlayerEngine::~WavePlayerEngine() { player_.OnStop = nullptr; }

void WavePlayerEngine::SetStoppedHandler(std::function<void()> handler)
{
    if (!handler) {
        player_.OnStop = nullptr;
        return;
    }
    // Posted: the player reports its stop from inside it, where it must not be started again.
    player_.OnStop = [this, handler = std::move(handler)](TMMDSPComponent *) {
        QTimer::singleShot(0, &postedTo_, handler);
    };
}

} // namespace tb
