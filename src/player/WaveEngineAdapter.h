// The wave engine on the program's wave player (wave file -> PCM converter -> wave output), whose
// wave and player count in milliseconds.
#pragma once

#include "PlayerPorts.h"

#include <QObject>

namespace tb {

class TMMWavePlayer;

class WavePlayerEngine : public WaveEngine {
public:
    explicit WavePlayerEngine(TMMWavePlayer &player) : player_(player) {}
    ~WavePlayerEngine() override;
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
    void SetStoppedHandler(std::function<void()> handler) override;

private:
    TMMWavePlayer &player_;
    // Posted stop reports die with the adapter.
    QObject postedTo_;
};

} // namespace tb
