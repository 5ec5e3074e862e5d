// What the codec manager asks of a driver: which conversions it does, the PCM format it turns a
// source into by nature, and conversion streams. Drivers are listed in one table (AcmManager.cpp).
#pragma once

#include "tonebridge/wave.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tb::acm {

constexpr uint16_t WAVE_FORMAT_ADPCM = 0x0002;
constexpr uint16_t WAVE_FORMAT_IEEE_FLOAT = 0x0003;
constexpr uint16_t WAVE_FORMAT_ALAW = 0x0006;
constexpr uint16_t WAVE_FORMAT_MULAW = 0x0007;
constexpr uint16_t WAVE_FORMAT_IMA_ADPCM = 0x0011;
constexpr uint16_t WAVE_FORMAT_GSM610 = 0x0031;
constexpr uint16_t WAVE_FORMAT_MPEG = 0x0050;
constexpr uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// Limits every driver keeps to, so that hostile headers cannot ask for absurd buffers.
constexpr unsigned MaxChannels = 8;
constexpr uint32_t MinRate = 1000;
constexpr uint32_t MaxRate = 384000;

// The format as a driver sees it: an EXTENSIBLE record whose subformat is PCM or float reads as
// that tag; anything unusable (short extension, unknown subformat) keeps tag 0xFFFE.
WAVEFORMATEX effectiveFormat(const WAVEFORMATEX &format);
// The bytes of format-specific data behind the 18-byte record.
inline const uint8_t *formatExtra(const WAVEFORMATEX &format)
{
    return reinterpret_cast<const uint8_t *>(&format) + sizeof(WAVEFORMATEX);
}
// A plain PCM record.
WAVEFORMATEX pcmFormat(unsigned channels, uint32_t rate, unsigned bits);
// Integer PCM with a consistent block and a size every driver handles.
bool isUsablePcm(const WAVEFORMATEX &format);
bool sameRateAndChannels(const WAVEFORMATEX &a, const WAVEFORMATEX &b);
// dst is plain PCM of exactly these channels, rate and bits.
bool isPcmTarget(const WAVEFORMATEX &dst, unsigned channels, uint32_t rate, unsigned bits);

// One open conversion. convert() takes what it can of the source and writes into the
// destination; it never writes beyond dstLength and never reads beyond srcLength.
class AcmConversion {
public:
    virtual ~AcmConversion() = default;
    // Destination bytes that hold the conversion of sourceBytes.
    virtual uint32_t destinationSize(uint32_t sourceBytes) const = 0;
    // Source bytes whose conversion fits destinationBytes.
    virtual uint32_t sourceSize(uint32_t destinationBytes) const = 0;
    // flags: ACM_STREAMCONVERTF_*. Returns MMSYSERR_NOERROR or an error code.
    virtual uint32_t convert(const uint8_t *src, uint32_t srcLength, uint32_t &used, uint8_t *dst, uint32_t dstLength,
                             uint32_t &produced, uint32_t flags) = 0;
};

class AcmDriver {
public:
    virtual ~AcmDriver() = default;
    // Whether this driver converts src to exactly dst.
    virtual bool accepts(const WAVEFORMATEX &src, const WAVEFORMATEX &dst) const = 0;
    // The PCM format src becomes without other wishes; none when the driver does not take src.
    virtual std::optional<WAVEFORMATEX> natural(const WAVEFORMATEX &src) const = 0;
    // Opens a conversion that accepts() allowed; null when it cannot start.
    virtual std::unique_ptr<AcmConversion> open(const WAVEFORMATEX &src, const WAVEFORMATEX &dst) const = 0;
};

// The driver table, in the order the manager asks.
const std::vector<std::unique_ptr<AcmDriver>> &acmDrivers();

std::unique_ptr<AcmDriver> makePcmDriver();
std::unique_ptr<AcmDriver> makeAdpcmDriver();
std::unique_ptr<AcmDriver> makeAvCodecDriver();
std::unique_ptr<AcmDriver> makeMpegDriver();

} // namespace tb::acm
