// Mixes a source of more than two channels down to stereo with the ITU-R BS.775 coefficients.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tb::encoder {

class Downmix {
public:
    // channelMask: the speaker positions of WAVE_FORMAT_EXTENSIBLE (bit 0 front left, 1 front
    // right, 2 front centre, 3 LFE, 4 back left, ...); 0 when the file names none, and then the
    // channels take the positions in bit order, as the WAVE format defines for that case.
    Downmix(int channels, uint32_t channelMask);

    // Left and right of one sample frame of full-scale 32-bit samples.
    void mix(const int32_t *frame, int32_t &left, int32_t &right) const;

    // The weights of channel c in the left and right output (for tests).
    double leftWeight(int c) const { return left_[static_cast<std::size_t>(c)]; }
    double rightWeight(int c) const { return right_[static_cast<std::size_t>(c)]; }

private:
    std::vector<double> left_, right_;
};

} // namespace tb::encoder
