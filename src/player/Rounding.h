// Rounding of ratios to the nearest integer, halves to the even neighbour, done exactly in
// integers so that slider and device values convert without floating-point drift.
#pragma once

#include <cstdint>

namespace tb {

// round(numerator / denominator); 0 when the denominator is not positive.
constexpr int64_t RoundRatio(int64_t numerator, int64_t denominator)
{
    if (denominator <= 0)
        return 0;
    bool negative = numerator < 0;
    uint64_t n = negative ? static_cast<uint64_t>(-numerator) : static_cast<uint64_t>(numerator);
    uint64_t d = static_cast<uint64_t>(denominator);
    uint64_t q = n / d;
    uint64_t twiceRest = (n % d) * 2;
    if (twiceRest > d || (twiceRest == d && (q & 1) != 0))
        ++q;
    return negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q);
}

// Mixer volume (0..65535) shown on a slider of 0..100, and back.
constexpr int SliderFromMixer(int64_t volume) { return static_cast<int>(RoundRatio(volume * 100, 65535)); }
constexpr uint32_t MixerFromSlider(int64_t slider) { return static_cast<uint32_t>(RoundRatio(slider * 65535, 100)); }

static_assert(SliderFromMixer(65535) == 100 && SliderFromMixer(32768) == 50 && SliderFromMixer(0) == 0);
static_assert(MixerFromSlider(100) == 65535 && MixerFromSlider(10) == 6554 && MixerFromSlider(0) == 0);
static_assert(RoundRatio(5, 2) == 2 && RoundRatio(7, 2) == 4 && RoundRatio(-5, 2) == -2);

} // namespace tb
