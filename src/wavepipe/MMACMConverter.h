// The converter of the wave chain: passes PCM on untouched and turns any other wave format into
// PCM through the audio compression manager, over intermediate PCM formats when no direct
// conversion exists. Runs on the main thread, inside the wave output's refills.
#pragma once

#include "platform/acm/Acm.h"
#include "wavepipe/MMDSPComponent.h"

#include <memory>
#include <vector>

namespace tb {

enum TMMConvertQuality { cqHigh = 0, cqLow = 1 };
enum TMMBits { b8Bit = 0, b16Bit = 1 };

class TMMACMConverter : public TMMDSPComponent {
public:
    TMMACMConverter();
    ~TMMACMConverter() override;

    // The manager to convert with; none (or one older than 2.0) means no conversion at all.
    // Converters start with the built-in manager.
    void SetAcm(const acm::AcmFunctions *manager);
    bool AcmAvailable() const;

    void InputFormatChanged(const WAVEFORMATEX *format) override;
    void Open() override;
    void Close() override;
    void Start() override;
    void Stop() override;
    void Reset() override;
    void BufferLoad(PWaveHdr lpWaveHdr, bool &MoreBuffers) override;

    TMMConvertQuality Quality = cqLow;

    const WAVEFORMATEX *SourceFormat() const { return source_.get(); }
    const WAVEFORMATEX *TargetFormat() const { return target_.get(); }
    bool NeedsConversion() const { return needsConversion_; }
    bool CanConvertFormats() const { return canConvert_; }
    bool IsConverterOpen() const { return opened_; }
    // The conversion streams of the open engine (0 without one).
    size_t StreamCount() const;
    // The source and destination buffers of stream i, to see how the steps are linked.
    const uint8_t *StreamSource(size_t i) const;
    const uint8_t *StreamDestination(size_t i) const;

protected:
    // Sets the target format from the source format.
    virtual void ComputeTarget();
    void SetTargetFormat(const WAVEFORMATEX *format) { target_ = WaveFormatCopy(format); }
    // The PCM format the manager suggests for S, S itself when it is PCM or nothing suits.
    WaveFormatCopy SuggestPCM(const WAVEFORMATEX &S) const;
    bool CanConvert(const WAVEFORMATEX &S, const WAVEFORMATEX &D, int depth = 0) const;

private:
    struct Step;
    struct Engine;

    void Update();
    // Finds the PCM format between S and D for a conversion that cannot go directly.
    bool Intermediate(const WAVEFORMATEX &S, const WAVEFORMATEX &D, std::vector<uint8_t> &I) const;
    bool QueryOpen(const WAVEFORMATEX &S, const WAVEFORMATEX &D) const;
    bool BuildChain(const WAVEFORMATEX &S, const WAVEFORMATEX &D, int depth = 0);
    bool AddStep(const WAVEFORMATEX &A, const WAVEFORMATEX &B);
    // The engine from the source to the target format; false when it cannot be built.
    bool BuildEngine();
    void FreeEngine();
    // Converts n new bytes in the first source buffer (end: flush); the bytes produced or -1.
    int64_t Convert(uint32_t n, bool end);
    [[noreturn]] void RaiseUnableToConvert();

    const acm::AcmFunctions *acm_;
    bool opened_ = false;
    bool running_ = false;
    WaveFormatCopy source_;
    WaveFormatCopy target_;
    bool needsConversion_ = false;
    bool canConvert_ = false;
    std::unique_ptr<Engine> engine_;
    bool more_ = false;
    bool sourceEnded_ = false;
    TMMWaveHdr internalHeader_{};
};

// The converter as the wave player uses it: with AutoConvert it produces the PCM format the
// manager suggests; without, the PCM format of SampleRate, BitLength and Mode.
class TMMPCMConverter : public TMMACMConverter {
public:
    bool AutoConvert = true;
    uint32_t SampleRate = 11025;
    TMMBits BitLength = b8Bit;
    TMMMode Mode = mMono;

protected:
    void ComputeTarget() override;
};

} // namespace tb
