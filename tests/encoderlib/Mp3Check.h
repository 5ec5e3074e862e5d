// Decodes an MP3 file with libmpg123 for the encoder tests: what its frame headers say, and
// the decoded samples with simple measurements of a test tone.
#pragma once

#include <mpg123.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace tb::test {

struct DecodedMp3 {
    bool ok = false;
    std::string error;
    long rate = 0;
    int channels = 0;
    std::set<int> bitrates;  // kbit/s of every audio frame
    std::set<int> modes;     // MPG123_M_STEREO, _JOINT, _DUAL, _MONO
    std::set<int> emphases;
    std::set<int> vbrKinds;  // MPG123_CBR, _VBR, _ABR
    std::vector<float> left; // first channel
    std::vector<float> right; // second channel (empty for mono)

    long samples() const { return static_cast<long>(left.size()); }
};

inline DecodedMp3 decodeMp3(const std::string &path)
{
    DecodedMp3 d;
    static const bool initialised = mpg123_init() == MPG123_OK;
    (void)initialised;
    int err = 0;
    mpg123_handle *mh = mpg123_new(nullptr, &err);
    if (!mh) {
        d.error = "mpg123_new failed";
        return d;
    }
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT | MPG123_QUIET | MPG123_GAPLESS, 0);
    if (mpg123_open(mh, path.c_str()) != MPG123_OK) {
        d.error = mpg123_strerror(mh);
        mpg123_delete(mh);
        return d;
    }
    for (;;) {
        off_t frameNumber = 0;
        unsigned char *audio = nullptr;
        size_t bytes = 0;
        err = mpg123_decode_frame(mh, &frameNumber, &audio, &bytes);
        if (err == MPG123_DONE)
            break;
        if (err == MPG123_NEW_FORMAT) {
            int encoding = 0;
            mpg123_getformat(mh, &d.rate, &d.channels, &encoding);
            continue;
        }
        if (err != MPG123_OK) {
            d.error = mpg123_strerror(mh);
            mpg123_delete(mh);
            return d;
        }
        mpg123_frameinfo info{};
        mpg123_info(mh, &info);
        d.bitrates.insert(info.bitrate);
        d.modes.insert(info.mode);
        d.emphases.insert(info.emphasis);
        d.vbrKinds.insert(info.vbr);
        const auto *samples = reinterpret_cast<const float *>(audio);
        const size_t count = bytes / sizeof(float);
        for (size_t i = 0; i + d.channels <= count; i += d.channels) {
            d.left.push_back(samples[i]);
            if (d.channels == 2)
                d.right.push_back(samples[i + 1]);
        }
    }
    mpg123_delete(mh);
    d.ok = d.channels > 0;
    if (!d.ok)
        d.error = "no audio";
    return d;
}

// The middle 60 % of a signal, away from the encoder's fade-in and the end.
inline std::vector<float> middle(const std::vector<float> &x)
{
    const size_t from = x.size() / 5, to = x.size() - x.size() / 5;
    return std::vector<float>(x.begin() + static_cast<long>(from), x.begin() + static_cast<long>(to));
}

// The frequency of a tone from its upward zero crossings, interpolated between samples.
inline double toneFrequency(const std::vector<float> &signal, long rate)
{
    const std::vector<float> x = middle(signal);
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = 1; i < x.size(); ++i) {
        if (x[i - 1] < 0 && x[i] >= 0) {
            const double t = double(i - 1) + x[i - 1] / (x[i - 1] - x[i]);
            if (first < 0)
                first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * double(rate) / (last - first) : 0.0;
}

// The root-mean-square level of the middle of a signal in dB full scale.
inline double rmsDb(const std::vector<float> &signal)
{
    const std::vector<float> x = middle(signal);
    double sum = 0;
    for (float v : x)
        sum += double(v) * v;
    return x.empty() ? -200.0 : 10 * std::log10(sum / double(x.size()) + 1e-20);
}

// The level of a sine of the given peak in dB full scale.
inline double sineDb(double peak) { return 20 * std::log10(peak / std::sqrt(2.0)); }

} // namespace tb::test
