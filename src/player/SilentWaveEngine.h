// A wave engine without an output: it holds the wave object, so WAV files are loaded, described
// and probed as usual, but it plays nothing and each file ends at the next tick. It stands in
// where no wave player is built into the program.
#pragma once

#include "PlayerPorts.h"
#include "wavepipe/MMWave.h"

namespace tb {

class SilentWaveEngine : public WaveEngine {
public:
    SilentWaveEngine() { wave_.SetTimeFormat(tfMillisecond); }
    TMMWave &Wave() override { return wave_; }
    void Play() override {}
    void Pause() override {}
    void Restart() override {}
    void Stop() override {}
    void Unload() override { wave_.SetFileName(QString()); }
    bool Playing() override { return false; }
    bool Paused() override { return false; }
    int64_t DurationMs() override { return wave_.Duration(); }
    int64_t PositionMs() override { return 0; }
    void SetPositionMs(int64_t) override {}

private:
    TMMWave wave_;
};

} // namespace tb
