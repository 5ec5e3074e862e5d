// The wave file as a chain component: without an Input it is the source that delivers the
// file's sample data to the chain's driver.
#pragma once

#include "wavepipe/MMDSPComponent.h"
#include "wavepipe/MMWave.h"

#include <functional>

namespace tb {

class TMMCustomWaveFile : public TMMDSPComponent {
public:
    using TNotifyEvent = std::function<void(TMMDSPComponent *Sender)>;

    TMMCustomWaveFile();
    ~TMMCustomWaveFile() override;

    TMMWave *Wave() { return &wave_; }
    const TMMWave *Wave() const { return &wave_; }
    // Copies the other wave into the own one; none unloads it.
    void SetWave(const TMMWave *value) { wave_.Assign(value); }

    bool Enabled = true;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    TNotifyEvent OnChange;  // the wave changed; fired before the new format travels down
    TNotifyEvent OnChanged; // fired after it, also when passing it on failed

    // 128 for 8-bit PCM, else 0: the value of silent samples.
    uint16_t SilenceValue() const { return silence_; }
    bool IsFileOpen() const { return opened_; }
    bool IsReading() const { return reading_; }

    void SetPWaveFormat(const WAVEFORMATEX *format) override;
    void Open() override;
    void Close() override;
    void Start() override;
    void Stop() override;
    void BufferLoad(PWaveHdr lpWaveHdr, bool &MoreBuffers) override;

private:
    static void WaveChanged(void *data, TMMWave *wave);
    bool IsSource() const { return Input() == nullptr; }

    TMMWave wave_;
    int64_t startPosition_ = 0;
    uint16_t silence_ = 0;
    bool opened_ = false;
    bool reading_ = false;
};

class TMMWaveFile : public TMMCustomWaveFile {};

} // namespace tb
