#include "wavepipe/MMWavePlayer.h"

namespace tb {

TMMWavePlayer::TMMWavePlayer()
{
    waveFile_.OnChange = [this](TMMDSPComponent *) {
        Stop();
        if (OnChange)
            OnChange(this);
    };
    converter_.SetInput(&waveFile_);
    waveOut_.SetInput(&converter_);
    waveOut_.OnStart = [this](TMMDSPComponent *) {
        if (OnStart)
            OnStart(this);
    };
    waveOut_.OnPause = [this](TMMDSPComponent *) {
        if (!seeking_ && OnPause)
            OnPause(this);
    };
    waveOut_.OnRestart = [this](TMMDSPComponent *) {
        if (!seeking_ && OnRestart)
            OnRestart(this);
    };
    waveOut_.OnStop = [this](TMMDSPComponent *) { OutputStopped(); };
    SetAcceptsInput(true);
    waveOut_.SetOutput(this);
    SetAcceptsInput(false);
}

TMMWavePlayer::~TMMWavePlayer()
{
    Stop();
    waveFile_.OnChange = nullptr;
    waveOut_.OnStart = waveOut_.OnStop = waveOut_.OnPause = waveOut_.OnRestart = nullptr;
}

void TMMWavePlayer::SetTimeFormat(TMMTimeFormats value)
{
    waveOut_.SetTimeFormat(value);
    Wave()->SetTimeFormat(value);
}

void TMMWavePlayer::Play()
{
    if ((State() & wosPlay) || Wave()->Empty())
        return;
    if (Position() >= Wave()->DataSize())
        SetPosition(0);
    basePosition_ = Position();
    stopPosition_ = -1;
    waveOut_.DeviceStart();
}

void TMMWavePlayer::Stop()
{
    if (waveOut_.Walking()) {
        TMMDSPComponent::Stop();
        return;
    }
    stopPosition_ = Position();
    waveOut_.DeviceStop();
    waveOut_.DeviceClose();
}

void TMMWavePlayer::Pause()
{
    if (waveOut_.Walking()) {
        TMMDSPComponent::Pause();
        return;
    }
    if ((State() & wosPause) || Wave()->Empty())
        return;
    waveOut_.DevicePause();
}

void TMMWavePlayer::Restart()
{
    if (waveOut_.Walking()) {
        TMMDSPComponent::Restart();
        return;
    }
    waveOut_.DeviceRestart();
}

void TMMWavePlayer::SetPosition(int64_t value)
{
    if (!(State() & wosOpen)) {
        Wave()->SetPosition(value);
        return;
    }
    seeking_ = true;
    const bool wasPaused = State() & wosPause;
    try {
        waveOut_.DevicePause();
        Wave()->SetPosition(value);
        basePosition_ = value;
        waveOut_.DeviceReset();
        if (!wasPaused)
            waveOut_.DeviceRestart();
    } catch (...) {
        seeking_ = false;
        throw;
    }
    seeking_ = false;
}

int64_t TMMWavePlayer::Position() const
{
    if (!(State() & wosPlay))
        return waveFile_.Wave()->Position();
    return waveOut_.Position() + basePosition_;
}

void TMMWavePlayer::OutputStopped()
{
    if (stopPosition_ == -1)
        stopPosition_ = Position();
    waveOut_.DeviceClose();
    if (!ResetPosition)
        SetPosition(stopPosition_);
    if (OnStop)
        OnStop(this);
}

} // namespace tb
