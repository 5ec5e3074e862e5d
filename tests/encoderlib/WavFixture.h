// Test fixtures for the encoder: RIFF WAVE images of a sine tone in any PCM layout, written at
// test time.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tb::test {

struct ToneWave {
    int bits = 16;
    int channels = 2;
    int rate = 44100;
    double seconds = 1.5;
    double frequency = 1000.0;
    double level = 0.5; // peak, full scale = 1
    uint16_t formatTag = 1;

    int64_t frames() const { return std::llround(seconds * rate); }
    int blockAlign() const { return channels * bits / 8; }
};

inline void putLe(std::vector<uint8_t> &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Interleaved little-endian samples of the tone, the same in every channel.
inline std::vector<uint8_t> toneSamples(const ToneWave &w)
{
    std::vector<uint8_t> data;
    data.reserve(static_cast<size_t>(w.frames() * w.blockAlign()));
    const double pi = 3.14159265358979323846;
    for (int64_t i = 0; i < w.frames(); ++i) {
        const double x = w.level * std::sin(2 * pi * w.frequency * double(i) / w.rate);
        for (int c = 0; c < w.channels; ++c) {
            switch (w.bits) {
            case 8: data.push_back(static_cast<uint8_t>(std::lround(x * 127.0) + 128)); break;
            case 16: putLe(data, static_cast<uint32_t>(std::lround(x * 32767.0)), 2); break;
            case 24: putLe(data, static_cast<uint32_t>(std::lround(x * 8388607.0)), 3); break;
            default: putLe(data, static_cast<uint32_t>(std::llround(x * 2147483647.0)), 4); break;
            }
        }
    }
    return data;
}

// A whole RIFF WAVE image with a "fmt " and a "data" chunk.
inline std::vector<uint8_t> waveImage(const ToneWave &w, const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    putLe(out, static_cast<uint32_t>(36 + data.size()), 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(out, 16, 4);
    putLe(out, w.formatTag, 2);
    putLe(out, static_cast<uint32_t>(w.channels), 2);
    putLe(out, static_cast<uint32_t>(w.rate), 4);
    putLe(out, static_cast<uint32_t>(w.rate * w.blockAlign()), 4);
    putLe(out, static_cast<uint32_t>(w.blockAlign()), 2);
    putLe(out, static_cast<uint32_t>(w.bits), 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    putLe(out, static_cast<uint32_t>(data.size()), 4);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

inline std::vector<uint8_t> toneWaveImage(const ToneWave &w) { return waveImage(w, toneSamples(w)); }

inline bool writeBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<uint8_t> readBytes(const std::string &path)
{
    std::vector<uint8_t> bytes;
    if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
        uint8_t buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return bytes;
}

} // namespace tb::test
