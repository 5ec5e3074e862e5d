// The wave engine on the program's wave player (wave file -> PCM converter -> wave output), whose
// wave and player count in milliseconds.
#pragma once

#include "PlayerPorts.h"

class QObject;

namespace tb {

class EventLink;
class PlaybackController;
class TMMWavePlayer;

class WavePlayerEngine : public WaveEngine {
public:
    explicit WavePlayerEngine(TMMWavePlayer &player) : player_(player) {}
    TMMWave &Wave() override;
    void Play() override;
    void Pause() override;
    void Restart() override;
    void Stop() override;
    void Unload() override;
    bool Playing() override;
    bool Paused() override;
    int64_t DurationMs() override;
    int64_t PositionMs() override;
    void SetPositionMs(int64_t position) override;

private:
    TMMWavePlayer &player_;
};

// Routes the wave player's own stop to the controller, which looks at it as its 100 ms poll
// would, so the end of a file is taken in at once rather than at the next tick. The report is
// posted to `context` (the player makes it from inside its stop, where it must not be started
// again); one still on its way when `context` goes is dropped.
void ConnectWavePlayerEvents(EventLink &link, TMMWavePlayer &player, PlaybackController &controller, QObject &context);

} // namespace tb
