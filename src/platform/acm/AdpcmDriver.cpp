// IMA ADPCM (0x0011) and Microsoft ADPCM (0x0002) to 16-bit PCM, block by block.
//
// Written here rather than taken from libavcodec: its decoders of these two formats compute the
// step with an exact multiplication (IMA) and divide the prediction (MS), where the reference
// codecs of the formats, and sox, use the shift-and-add step and an arithmetic shift. The results
// drift apart by up to tens of steps within a block, so files would not sound as they were encoded.
#include "Acm.h"
#include "AcmDriver.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace tb::acm {

namespace {

int16_t read16(const uint8_t *p)
{
    return int16_t(uint16_t(p[0] | p[1] << 8));
}

void write16(uint8_t *p, int v)
{
    p[0] = uint8_t(v & 0xFF);
    p[1] = uint8_t((v >> 8) & 0xFF);
}

int clamp16(int v)
{
    return std::clamp(v, -32768, 32767);
}

// One block format: how many samples a block holds and how to decode it.
class BlockCodec {
public:
    virtual ~BlockCodec() = default;
    virtual unsigned samplesPerBlock() const = 0; // per channel
    // Decodes one block of blockAlign bytes into samplesPerBlock() x channels samples; false on a
    // damaged block.
    virtual bool decode(const uint8_t *block, uint8_t *out) const = 0;
};

constexpr std::array<int, 89> ImaSteps = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int, 8> ImaIndexStep = {-1, -1, -1, -1, 2, 4, 6, 8};

class ImaCodec : public BlockCodec {
public:
    ImaCodec(unsigned channels, unsigned blockAlign, unsigned samples)
        : channels_(channels), blockAlign_(blockAlign), samples_(samples)
    {
    }
    // Each channel: a 4-byte header (first sample, step index), then groups of 4 bytes per
    // channel in turn, 8 samples each, low nibble first.
    static unsigned capacity(unsigned channels, unsigned blockAlign)
    {
        return 1 + (blockAlign - 4 * channels) * 2 / channels;
    }
    static bool validLayout(unsigned channels, unsigned blockAlign)
    {
        return blockAlign > 4 * channels && (blockAlign - 4 * channels) % (4 * channels) == 0;
    }
    unsigned samplesPerBlock() const override { return samples_; }

    bool decode(const uint8_t *block, uint8_t *out) const override
    {
        const unsigned stride = channels_ * 2;
        for (unsigned c = 0; c < channels_; ++c) {
            int sample = read16(block + 4 * c);
            int index = block[4 * c + 2];
            if (index > 88)
                return false;
            uint8_t *to = out + c * 2;
            write16(to, sample);
            to += stride;
            unsigned written = 1;
            for (unsigned group = 4 * channels_ + 4 * c; group < blockAlign_ && written < samples_;
                 group += 4 * channels_) {
                for (unsigned i = 0; i < 8 && written < samples_; ++i, ++written, to += stride) {
                    const uint8_t byte = block[group + i / 2];
                    const int nibble = i % 2 == 0 ? byte & 0x0F : byte >> 4;
                    const int step = ImaSteps[size_t(index)];
                    int diff = step >> 3;
                    if (nibble & 4)
                        diff += step;
                    if (nibble & 2)
                        diff += step >> 1;
                    if (nibble & 1)
                        diff += step >> 2;
                    sample = clamp16(nibble & 8 ? sample - diff : sample + diff);
                    index = std::clamp(index + ImaIndexStep[size_t(nibble & 7)], 0, 88);
                    write16(to, sample);
                }
            }
        }
        return true;
    }

private:
    unsigned channels_;
    unsigned blockAlign_;
    unsigned samples_;
};

constexpr std::array<int, 16> MsAdaptation = {230, 230, 230, 230, 307, 409, 512, 614,
                                              768, 614, 512, 409, 307, 230, 230, 230};

class MsCodec : public BlockCodec {
public:
    MsCodec(unsigned channels, unsigned samples, std::vector<std::array<int, 2>> coefficients)
        : channels_(channels), samples_(samples), coefficients_(std::move(coefficients))
    {
    }
    // Each block: a predictor byte per channel, then the delta, the newer and the older sample
    // per channel, then nibbles high first, channels in turn.
    static unsigned capacity(unsigned channels, unsigned blockAlign)
    {
        return 2 + (blockAlign - 7 * channels) * 2 / channels;
    }
    static bool validLayout(unsigned channels, unsigned blockAlign)
    {
        return blockAlign >= 7 * channels && ((blockAlign - 7 * channels) * 2) % channels == 0;
    }
    unsigned samplesPerBlock() const override { return samples_; }

    bool decode(const uint8_t *block, uint8_t *out) const override
    {
        struct State {
            int c1, c2, delta, s1, s2;
        };
        std::array<State, MaxChannels> state{};
        for (unsigned c = 0; c < channels_; ++c) {
            const unsigned predictor = block[c];
            if (predictor >= coefficients_.size())
                return false;
            state[c] = {coefficients_[predictor][0], coefficients_[predictor][1], read16(block + channels_ + 2 * c),
                        read16(block + 3 * channels_ + 2 * c), read16(block + 5 * channels_ + 2 * c)};
        }
        uint8_t *to = out;
        for (unsigned c = 0; c < channels_; ++c, to += 2)
            write16(to, state[c].s2);
        for (unsigned c = 0; c < channels_ && samples_ > 1; ++c, to += 2)
            write16(to, state[c].s1);
        const size_t nibbles = size_t(samples_ > 2 ? samples_ - 2 : 0) * channels_;
        const uint8_t *data = block + 7 * channels_;
        unsigned channel = 0;
        for (size_t n = 0; n < nibbles; ++n, to += 2) {
            State &s = state[channel];
            if (++channel == channels_)
                channel = 0;
            const int nibble = n & 1 ? data[n >> 1] & 0x0F : data[n >> 1] >> 4;
            const int signedNibble = nibble & 8 ? nibble - 16 : nibble;
            // an arithmetic shift, as the reference codec predicts
            const int64_t predicted = (int64_t(s.s1) * s.c1 + int64_t(s.s2) * s.c2) >> 8;
            const int64_t wide = predicted + int64_t(signedNibble) * s.delta;
            const int sample = wide < -32768 ? -32768 : wide > 32767 ? 32767 : int(wide);
            s.s2 = s.s1;
            s.s1 = sample;
            // Real streams keep the step far below the bound, which only stops hostile ones
            // from overflowing.
            const int64_t delta = (int64_t(MsAdaptation[size_t(nibble)]) * s.delta) >> 8;
            s.delta = delta < 16 ? 16 : delta > (1 << 24) ? (1 << 24) : int(delta);
            write16(to, sample);
        }
        return true;
    }

private:
    unsigned channels_;
    unsigned samples_;
    std::vector<std::array<int, 2>> coefficients_;
};

class AdpcmConversion : public AcmConversion {
public:
    AdpcmConversion(const WAVEFORMATEX &src, std::unique_ptr<BlockCodec> codec)
        : blockAlign_(src.nBlockAlign), outBlock_(codec->samplesPerBlock() * src.nChannels * 2),
          codec_(std::move(codec))
    {
    }

    uint32_t destinationSize(uint32_t sourceBytes) const override
    {
        return uint32_t(std::min<uint64_t>(uint64_t(sourceBytes / blockAlign_) * outBlock_,
                                           std::numeric_limits<uint32_t>::max()));
    }
    uint32_t sourceSize(uint32_t destinationBytes) const override
    {
        return destinationBytes / outBlock_ * blockAlign_;
    }

    uint32_t convert(const uint8_t *src, uint32_t srcLength, uint32_t &used, uint8_t *dst, uint32_t dstLength,
                     uint32_t &produced, uint32_t flags) override
    {
        used = 0;
        produced = 0;
        const uint32_t blocks = std::min(srcLength / blockAlign_, dstLength / outBlock_);
        for (uint32_t b = 0; b < blocks; ++b) {
            // The blocks before a damaged one are delivered; the damaged one fails the next call.
            if (!codec_->decode(src + used, dst + produced))
                return b > 0 ? MMSYSERR_NOERROR : ACMERR_NOTPOSSIBLE;
            used += blockAlign_;
            produced += outBlock_;
        }
        // At the end a partial block holds too little to decode; it is given up.
        if ((flags & ACM_STREAMCONVERTF_END) && srcLength - used < blockAlign_)
            used = srcLength;
        return MMSYSERR_NOERROR;
    }

private:
    uint32_t blockAlign_;
    uint32_t outBlock_;
    std::unique_ptr<BlockCodec> codec_;
};

// The samples per block a header declares, when it fits the block; else what the block holds.
unsigned declaredSamples(const WAVEFORMATEX &src, unsigned capacity)
{
    if (src.cbSize < 2)
        return capacity;
    const unsigned declared = uint16_t(read16(formatExtra(src)));
    return declared >= 1 && declared <= capacity ? declared : capacity;
}

std::unique_ptr<BlockCodec> codecFor(const WAVEFORMATEX &src)
{
    const unsigned channels = src.nChannels;
    const unsigned blockAlign = src.nBlockAlign;
    if (channels < 1 || channels > MaxChannels || src.nSamplesPerSec < MinRate || src.nSamplesPerSec > MaxRate ||
        src.wBitsPerSample != 4)
        return nullptr;
    if (src.wFormatTag == WAVE_FORMAT_IMA_ADPCM) {
        if (!ImaCodec::validLayout(channels, blockAlign))
            return nullptr;
        return std::make_unique<ImaCodec>(channels, blockAlign,
                                          declaredSamples(src, ImaCodec::capacity(channels, blockAlign)));
    }
    if (src.wFormatTag == WAVE_FORMAT_ADPCM) {
        // wSamplesPerBlock, wNumCoef, then the coefficient pairs; a count the record does not
        // hold is a damaged header.
        if (!MsCodec::validLayout(channels, blockAlign) || src.cbSize < 4)
            return nullptr;
        const uint8_t *extra = formatExtra(src);
        const unsigned count = uint16_t(read16(extra + 2));
        if (count < 1 || count > 256 || src.cbSize < 4 + 4 * count)
            return nullptr;
        std::vector<std::array<int, 2>> coefficients(count);
        for (unsigned i = 0; i < count; ++i)
            coefficients[i] = {read16(extra + 4 + 4 * i), read16(extra + 6 + 4 * i)};
        return std::make_unique<MsCodec>(channels, declaredSamples(src, MsCodec::capacity(channels, blockAlign)),
                                         std::move(coefficients));
    }
    return nullptr;
}

class AdpcmDriver : public AcmDriver {
public:
    bool accepts(const WAVEFORMATEX &src, const WAVEFORMATEX &dst) const override
    {
        return codecFor(src) && isPcmTarget(dst, src.nChannels, src.nSamplesPerSec, 16);
    }
    std::optional<WAVEFORMATEX> natural(const WAVEFORMATEX &src) const override
    {
        if (!codecFor(src))
            return std::nullopt;
        return pcmFormat(src.nChannels, src.nSamplesPerSec, 16);
    }
    std::unique_ptr<AcmConversion> open(const WAVEFORMATEX &src, const WAVEFORMATEX &) const override
    {
        auto codec = codecFor(src);
        return codec ? std::make_unique<AdpcmConversion>(src, std::move(codec)) : nullptr;
    }
};

} // namespace

std::unique_ptr<AcmDriver> makeAdpcmDriver()
{
    return std::make_unique<AdpcmDriver>();
}

} // namespace tb::acm
