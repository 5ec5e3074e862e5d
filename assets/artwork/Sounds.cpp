#include "Sounds.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace art {

namespace {

constexpr double Rate = 44100;
constexpr double Pi = std::numbers::pi;

void put16(QByteArray &out, uint16_t v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}
void put32(QByteArray &out, uint32_t v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// A plain 44-byte PCM header followed by the samples, interleaved by channel.
QByteArray waveImage(const std::vector<std::vector<double>> &channels)
{
    const uint16_t count = static_cast<uint16_t>(channels.size());
    const uint32_t frames = static_cast<uint32_t>(channels[0].size());
    const uint32_t dataBytes = frames * count * 2;
    QByteArray out;
    out.append("RIFF");
    put32(out, 36 + dataBytes);
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, count);
    put32(out, static_cast<uint32_t>(Rate));
    put32(out, static_cast<uint32_t>(Rate) * count * 2);
    put16(out, static_cast<uint16_t>(count * 2));
    put16(out, 16);
    out.append("data");
    put32(out, dataBytes);
    for (uint32_t i = 0; i < frames; ++i)
        for (const auto &channel : channels) {
            const double s = std::clamp(channel[i], -1.0, 1.0);
            put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(s * 32767.0))));
        }
    return out;
}

// A raised-cosine fade in over the first samples and out over the last ones, so neither end
// of the sound starts or stops with a jump.
void fadeEnds(std::vector<double> &s, size_t in, size_t out)
{
    for (size_t i = 0; i < in && i < s.size(); ++i)
        s[i] *= 0.5 - 0.5 * std::cos(Pi * static_cast<double>(i) / static_cast<double>(in));
    for (size_t i = 0; i < out && i < s.size(); ++i)
        s[s.size() - 1 - i] *= 0.5 - 0.5 * std::cos(Pi * static_cast<double>(i) / static_cast<double>(out));
}

void normalise(std::vector<std::vector<double>> &channels, double peak)
{
    double most = 0;
    for (const auto &c : channels)
        for (double v : c)
            most = std::max(most, std::abs(v));
    if (most > 0)
        for (auto &c : channels)
            for (double &v : c)
                v *= peak / most;
}

} // namespace

QByteArray switchSound()
{
    // (35084 - 44) / 4 bytes per stereo frame = 8760 frames, just under 0.2 s.
    const size_t frames = 8760;
    std::vector<std::vector<double>> channels(2, std::vector<double>(frames));
    // G6 and D7 with a faint octave, decaying quickly; the right channel a little later and
    // softer so the chime sits slightly to the left, where the light comes from.
    const double partials[][3] = {{1567.98, 1.0, 0.050}, {2349.32, 0.55, 0.035}, {3135.96, 0.18, 0.020}};
    for (size_t ch = 0; ch < 2; ++ch) {
        const double delay = ch == 0 ? 0.0 : 0.00035;
        const double gain = ch == 0 ? 1.0 : 0.86;
        for (size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / Rate - delay;
            if (t < 0)
                continue;
            double v = 0;
            for (const auto &p : partials)
                v += p[1] * std::sin(2 * Pi * p[0] * t) * std::exp(-t / p[2]);
            channels[ch][i] = gain * v;
        }
        fadeEnds(channels[ch], 132, 880);
    }
    normalise(channels, 0.28);
    return waveImage(channels);
}

QByteArray clickSound()
{
    // (15590 - 44) / 2 bytes per mono sample = 7773 samples, about 0.18 s.
    const size_t frames = 7773;
    std::vector<std::vector<double>> channels(1, std::vector<double>(frames));
    uint32_t seed = 0x2545F491u;
    double noiseLow = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / Rate;
        seed = seed * 1664525u + 1013904223u;
        const double white = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
        noiseLow += 0.35 * (white - noiseLow); // a gentle low-pass takes the hiss off the tick
        const double body = 0.9 * std::sin(2 * Pi * 1180 * t) * std::exp(-t / 0.012);
        const double knock = 0.5 * std::sin(2 * Pi * 2650 * t) * std::exp(-t / 0.004);
        const double grain = 0.35 * noiseLow * std::exp(-t / 0.0025);
        const double tail = 0.18 * std::sin(2 * Pi * 587.33 * t) * std::exp(-t / 0.030);
        channels[0][i] = body + knock + grain + tail;
    }
    fadeEnds(channels[0], 44, 2200);
    normalise(channels, 0.32);
    return waveImage(channels);
}

} // namespace art
