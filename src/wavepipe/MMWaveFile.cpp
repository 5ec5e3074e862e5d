#include "wavepipe/MMWaveFile.h"

#include <algorithm>
#include <cstring>

namespace tb {

TMMCustomWaveFile::TMMCustomWaveFile()
{
    wave_.AddChangeListener(&TMMCustomWaveFile::WaveChanged, this);
}

TMMCustomWaveFile::~TMMCustomWaveFile()
{
    Close();
    wave_.RemoveChangeListener(&TMMCustomWaveFile::WaveChanged, this);
}

void TMMCustomWaveFile::WaveChanged(void *data, TMMWave *wave)
{
    auto *self = static_cast<TMMCustomWaveFile *>(data);
    if (self->OnChange)
        self->OnChange(self);
    try {
        self->SetPWaveFormat(wave->PWaveFormat());
    } catch (...) {
        if (self->OnChanged)
            self->OnChanged(self);
        throw;
    }
    if (self->OnChanged)
        self->OnChanged(self);
}

void TMMCustomWaveFile::SetPWaveFormat(const WAVEFORMATEX *format)
{
    TMMDSPComponent::SetPWaveFormat(format);
    const WAVEFORMATEX *own = PWaveFormat();
    silence_ = own && own->wFormatTag == WAVE_FORMAT_PCM && own->wBitsPerSample == 8 ? 128 : 0;
}

void TMMCustomWaveFile::Open()
{
    TMMDSPComponent::Open();
    if (!IsSource())
        return;
    if (!opened_ && !wave_.Empty()) {
        wave_.OpenWave();
        startPosition_ = wave_.Position();
        opened_ = true;
    }
    if (opened_ && OnOpen)
        OnOpen(this);
}

void TMMCustomWaveFile::Start()
{
    TMMDSPComponent::Start();
    if (IsSource() && opened_ && !reading_) {
        reading_ = true;
        wave_.SetPosition(startPosition_);
    }
}

void TMMCustomWaveFile::Stop()
{
    if (opened_ && reading_)
        reading_ = false;
    TMMDSPComponent::Stop();
}

void TMMCustomWaveFile::Close()
{
    if (opened_) {
        Stop();
        wave_.CloseWave();
        opened_ = false;
        if (OnClose)
            OnClose(this);
    }
    TMMDSPComponent::Close();
}

void TMMCustomWaveFile::BufferLoad(PWaveHdr lpWaveHdr, bool &MoreBuffers)
{
    if (!IsSource()) {
        TMMDSPComponent::BufferLoad(lpWaveHdr, MoreBuffers);
        return;
    }
    if (!wave_.Empty() && reading_ && Enabled) {
        const int64_t n = wave_.ReadData(lpWaveHdr->lpData, lpWaveHdr->dwBufferLength);
        lpWaveHdr->dwBytesRecorded = uint32_t(std::max<int64_t>(n, 0));
        if (n > 0 && wave_.BytesLeft() > 0)
            MoreBuffers = true;
    } else if (!wave_.Empty()) {
        // open but not started, or disabled: a full buffer of silence keeps the output running
        std::memset(lpWaveHdr->lpData, silence_ & 0xFF, lpWaveHdr->dwBufferLength);
        lpWaveHdr->dwBytesRecorded = lpWaveHdr->dwBufferLength;
        MoreBuffers = true;
    } else {
        lpWaveHdr->dwBytesRecorded = 0;
    }
}

} // namespace tb
