// A complete wave player: a wave file, a PCM converter and a wave output linked as
// file -> converter -> output -> player, with play, stop, pause, restart, seeking, a position in
// the wave's time format and the output's state set. Main thread only.
#pragma once

#include "wavepipe/MMACMConverter.h"
#include "wavepipe/MMWaveFile.h"
#include "wavepipe/MMWaveOut.h"

#include <functional>

namespace tb {

class TMMWavePlayer : public TMMDSPComponent {
public:
    using TNotifyEvent = std::function<void(TMMDSPComponent *Sender)>;

    TMMWavePlayer();
    ~TMMWavePlayer() override;

    TMMWave *Wave() { return waveFile_.Wave(); }
    // Copies the other wave in; none unloads the own one.
    void SetWave(const TMMWave *value) { waveFile_.SetWave(value); }

    int32_t BufferSize() const override { return waveOut_.BufferSize(); }
    void SetBufferSize(int32_t value) override { waveOut_.SetBufferSize(value); }
    int32_t NumBuffers() const { return waveOut_.NumBuffers(); }
    void SetNumBuffers(int32_t value) { waveOut_.SetNumBuffers(value); }
    TMMDeviceId DeviceID() const { return waveOut_.DeviceID(); }
    void SetDeviceID(TMMDeviceId value) { waveOut_.SetDeviceID(value); }
    TMMCBMode CallBackMode() const { return waveOut_.CallBackMode(); }
    void SetCallBackMode(TMMCBMode value) { waveOut_.SetCallBackMode(value); }
    bool Looping() const { return waveOut_.Looping(); }
    void SetLooping(bool value) { waveOut_.SetLooping(value); }
    uint16_t LoopCount() const { return waveOut_.LoopCount(); }
    void SetLoopCount(uint16_t value) { waveOut_.SetLoopCount(value); }
    const QString &ProductName() const { return waveOut_.ProductName(); }
    TMMTimeFormats TimeFormat() const { return waveOut_.TimeFormat(); }
    void SetTimeFormat(TMMTimeFormats value);
    bool ResetPosition = true;

    // The wave output's state set: wosClosed alone, or wosOpen with wosPlay and wosPause.
    uint32_t State() const { return waveOut_.State(); }
    void Play();
    // The commands of the player. A walk of the chain that reaches the player hands it the
    // chain's own operation instead, which only keeps the player's component state.
    void Stop() override;
    void Pause() override;
    void Restart() override;
    void SetPosition(int64_t value);
    int64_t Position() const;

    TNotifyEvent OnStart, OnStop, OnPause, OnRestart, OnChange;

    TMMWaveFile &WaveFile() { return waveFile_; }
    TMMPCMConverter &Converter() { return converter_; }
    TMMWaveOut &WaveOut() { return waveOut_; }

protected:
    bool OffersInputLink() const override { return false; }

private:
    void OutputStopped();

    TMMWaveFile waveFile_;
    TMMPCMConverter converter_;
    TMMWaveOut waveOut_;
    int64_t basePosition_ = 0;
    int64_t stopPosition_ = -1;
    bool seeking_ = false;
};

} // namespace tb
