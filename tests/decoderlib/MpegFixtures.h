// MPEG audio fixtures made at test time with sox, lame and twolame, the reference decode of
// libmpg123, and a small WAV reader to check what the decoder wrote.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tb::test {

// One kind of MPEG file: how to make its source tone and how to encode it.
struct MpegKind {
    const char *name;
    unsigned rate;
    unsigned channels;
    const char *encoder; // shell command with {in} and {out}
};
const std::vector<MpegKind> &mpegKinds();
const MpegKind &mpegKind(const std::string &name);

// Makes <folder>/<name>.<ext> of the given kind and length; empty on failure.
QString makeMpeg(const QString &folder, const MpegKind &kind, double seconds, const QString &name = {});

// Runs a shell command; true when it exited with 0.
bool runCommand(const std::string &command);

struct Pcm {
    unsigned rate = 0;
    unsigned channels = 0;
    std::vector<int16_t> samples;
};
// What libmpg123 decodes from the file, as 16-bit samples.
Pcm referenceDecode(const QString &path);

struct WavFile {
    bool valid = false;
    uint16_t formatTag = 0;
    unsigned rate = 0;
    unsigned channels = 0;
    unsigned bits = 0;
    uint32_t riffSize = 0;
    uint32_t dataSize = 0;
    uint64_t fileSize = 0;
    std::vector<int16_t> samples;
    // Every chunk after "WAVE" in file order, with its body (without the pad byte).
    std::vector<std::pair<QByteArray, QByteArray>> chunks;
    QByteArray chunk(const char *id) const;
    std::vector<QByteArray> chunkIds() const;
};
// Reads a WAV file of 16-bit PCM as written by the decoder, walking its chunks.
WavFile readWav(const QString &path);

// Root mean square of the samples.
double rms(const std::vector<int16_t> &samples);

} // namespace tb::test
