// Builds WAV files for tests: sine tones of any rate, channel count and sample width, and RIFF
// images assembled chunk by chunk (also malformed ones).
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tb::test {

// A sine tone. bits: 8 (unsigned), 16, 24, 32 (signed integers), or 32 with floatSamples.
struct Tone {
    int sampleRate = 44100;
    int channels = 2;
    int bits = 16;
    int64_t frames = 4410; // sample frames (one sample per channel each)
    double frequency = 440.0;
    double amplitude = 0.5; // of full scale
    bool floatSamples = false;
    double channelPhase = 0.5; // radians between one channel and the next

    int blockAlign() const { return channels * ((bits + 7) / 8); }
    int64_t dataBytes() const { return frames * blockAlign(); }
};

inline void appendLE(QByteArray &out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

inline QByteArray le16(uint16_t v) { QByteArray b; appendLE(b, v, 2); return b; }
inline QByteArray le32(uint32_t v) { QByteArray b; appendLE(b, v, 4); return b; }

// Interleaved little-endian samples; channel c is shifted in phase by c * channelPhase.
inline QByteArray sinePcm(const Tone &tone)
{
    QByteArray out;
    out.reserve(int(tone.dataBytes()));
    const double pi = 3.14159265358979323846;
    for (int64_t f = 0; f < tone.frames; ++f) {
        for (int c = 0; c < tone.channels; ++c) {
            const double x = tone.amplitude * std::sin(2 * pi * tone.frequency * double(f) / tone.sampleRate + c * tone.channelPhase);
            if (tone.floatSamples) {
                const float v = float(x);
                uint32_t bits;
                static_assert(sizeof bits == sizeof v);
                std::memcpy(&bits, &v, sizeof v);
                appendLE(out, bits, 4);
            } else if (tone.bits == 8) {
                out.append(char(uint8_t(std::lround(128 + x * 127))));
            } else {
                const double full = double((int64_t(1) << (tone.bits - 1)) - 1);
                appendLE(out, uint64_t(int64_t(std::llround(x * full))), tone.bits / 8);
            }
        }
    }
    return out;
}

// The fmt chunk payload: the 16-byte PCM record (18 with cbSize when withCbSize), tag 1 or 3.
inline QByteArray formatChunk(const Tone &tone, bool withCbSize = false)
{
    QByteArray fmt;
    appendLE(fmt, tone.floatSamples ? 3 : 1, 2);
    appendLE(fmt, uint16_t(tone.channels), 2);
    appendLE(fmt, uint32_t(tone.sampleRate), 4);
    appendLE(fmt, uint32_t(tone.sampleRate * tone.blockAlign()), 4);
    appendLE(fmt, uint16_t(tone.blockAlign()), 2);
    appendLE(fmt, uint16_t(tone.bits), 2);
    if (withCbSize)
        appendLE(fmt, 0, 2);
    return fmt;
}

// Any fmt payload: the 18-byte record with cbSize, followed by extra bytes.
inline QByteArray formatChunk(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avgBytes, uint16_t blockAlign,
                              uint16_t bits, uint16_t cbSize, const QByteArray &extra = {})
{
    QByteArray fmt;
    appendLE(fmt, tag, 2);
    appendLE(fmt, channels, 2);
    appendLE(fmt, rate, 4);
    appendLE(fmt, avgBytes, 4);
    appendLE(fmt, blockAlign, 2);
    appendLE(fmt, bits, 2);
    appendLE(fmt, cbSize, 2);
    return fmt + extra;
}

// A RIFF WAVE image built chunk by chunk.
class RiffBuilder {
public:
    // A chunk whose declared size is its data size, padded to an even length.
    RiffBuilder &chunk(const char *id, const QByteArray &data)
    {
        return chunkDeclaring(id, uint32_t(data.size()), data, data.size() % 2 == 1);
    }
    // A chunk that declares any size, followed by exactly the given bytes (and a pad byte if asked).
    RiffBuilder &chunkDeclaring(const char *id, uint32_t declaredSize, const QByteArray &data, bool pad = false)
    {
        body_.append(id, 4);
        appendLE(body_, declaredSize, 4);
        body_.append(data);
        if (pad)
            body_.append('\0');
        return *this;
    }
    // Bytes appended as they are.
    RiffBuilder &raw(const QByteArray &bytes)
    {
        body_.append(bytes);
        return *this;
    }
    // "RIFF", the RIFF size (by default the true one), "WAVE", then the chunks.
    QByteArray build(std::optional<uint32_t> riffSize = std::nullopt) const
    {
        QByteArray out("RIFF");
        appendLE(out, riffSize ? *riffSize : uint32_t(4 + body_.size()), 4);
        out.append("WAVE");
        out.append(body_);
        return out;
    }

private:
    QByteArray body_;
};

// A complete WAV file of the tone: fmt (16-byte PCM record, or 18 bytes for float) and data.
inline QByteArray sineWav(const Tone &tone)
{
    return RiffBuilder().chunk("fmt ", formatChunk(tone, tone.floatSamples)).chunk("data", sinePcm(tone)).build();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline bool writeSineWav(const QString &path, const Tone &tone)
{
    return writeFile(path, sineWav(tone));
}

// The encoder tests' view of the same writer: a tone of some seconds, the same in every channel,
// with any format tag, as a byte vector.
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
    Tone tone() const
    {
        Tone t;
        t.sampleRate = rate;
        t.channels = channels;
        t.bits = bits;
        t.frames = frames();
        t.frequency = frequency;
        t.amplitude = level;
        t.channelPhase = 0;
        return t;
    }
};

inline std::vector<uint8_t> bytesOf(const QByteArray &bytes) { return {bytes.begin(), bytes.end()}; }

// Appends a little-endian value of the given number of bytes.
inline void putLe(std::vector<uint8_t> &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline std::vector<uint8_t> toneSamples(const ToneWave &w) { return bytesOf(sinePcm(w.tone())); }

// A whole RIFF WAVE image with a 16-byte "fmt " chunk and a "data" chunk of the given samples.
inline std::vector<uint8_t> waveImage(const ToneWave &w, const std::vector<uint8_t> &data)
{
    QByteArray fmt = formatChunk(w.tone());
    fmt[0] = char(w.formatTag & 0xFF);
    fmt[1] = char(w.formatTag >> 8);
    const QByteArray samples(reinterpret_cast<const char *>(data.data()), qsizetype(data.size()));
    return bytesOf(RiffBuilder().chunk("fmt ", fmt).chunk("data", samples).build());
}

inline std::vector<uint8_t> toneWaveImage(const ToneWave &w) { return waveImage(w, toneSamples(w)); }

inline bool writeBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    return writeFile(QString::fromStdString(path),
                     QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
}

inline std::vector<uint8_t> readBytes(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? bytesOf(file.readAll()) : std::vector<uint8_t>{};
}

} // namespace tb::test
