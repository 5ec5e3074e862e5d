#include "Downmix.h"

#include <algorithm>
#include <cmath>

namespace tb::encoder {

namespace {

// -3 dB, the ITU weight of the centre and of the surround channels in a stereo downmix.
const double Minus3dB = std::sqrt(0.5);

struct Weights {
    double left, right;
};

// By speaker position (the bit number of the channel mask). The LFE channel is left out, as in
// the ITU downmix; a centre behind or above the listener goes to both sides at -6 dB.
Weights weightsOf(int position)
{
    switch (position) {
    case 0: return {1, 0};                  // front left
    case 1: return {0, 1};                  // front right
    case 2: return {Minus3dB, Minus3dB};    // front centre
    case 3: return {0, 0};                  // low-frequency effects
    case 4: return {Minus3dB, 0};           // back left
    case 5: return {0, Minus3dB};           // back right
    case 6: return {1, 0};                  // front left of centre
    case 7: return {0, 1};                  // front right of centre
    case 8: return {0.5, 0.5};              // back centre
    case 9: return {Minus3dB, 0};           // side left
    case 10: return {0, Minus3dB};          // side right
    case 11: return {0.5, 0.5};             // top centre
    case 12: return {Minus3dB, 0};          // top front left
    case 13: return {0.5, 0.5};             // top front centre
    case 14: return {0, Minus3dB};          // top front right
    case 15: return {Minus3dB, 0};          // top back left
    case 16: return {0.5, 0.5};             // top back centre
    case 17: return {0, Minus3dB};          // top back right
    default: return {0.5, 0.5};             // a channel without a position
    }
}

} // namespace

Downmix::Downmix(int channels, uint32_t channelMask)
{
    if (channelMask == 0)
        channelMask = channels >= 32 ? 0xFFFFFFFFu : (1u << channels) - 1;
    int position = 0;
    for (int c = 0; c < channels; ++c) {
        // The channels take the mask's positions in ascending order; channels beyond the
        // mask's bits have none.
        while (position < 32 && (channelMask & (1u << position)) == 0)
            ++position;
        const Weights w = weightsOf(position < 32 ? position : -1);
        left_.push_back(w.left);
        right_.push_back(w.right);
        if (position < 32)
            ++position;
    }
    // Scaled so that full scale in every channel cannot clip either side.
    double sumLeft = 0, sumRight = 0;
    for (int c = 0; c < channels; ++c) {
        sumLeft += left_[static_cast<size_t>(c)];
        sumRight += right_[static_cast<size_t>(c)];
    }
    const double scale = std::max({sumLeft, sumRight, 1.0});
    for (int c = 0; c < channels; ++c) {
        left_[static_cast<size_t>(c)] /= scale;
        right_[static_cast<size_t>(c)] /= scale;
    }
}

void Downmix::mix(const int32_t *frame, int32_t &left, int32_t &right) const
{
    double l = 0, r = 0;
    for (size_t c = 0; c < left_.size(); ++c) {
        l += left_[c] * frame[c];
        r += right_[c] * frame[c];
    }
    auto toSample = [](double v) {
        return static_cast<int32_t>(std::clamp(std::lrint(v), long(INT32_MIN), long(INT32_MAX)));
    };
    left = toSample(l);
    right = toSample(r);
}

} // namespace tb::encoder
