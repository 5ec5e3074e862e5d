#include "MpegFixtures.h"

#include <QFile>
#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mpg123.h>
#include <stdexcept>

namespace tb::test {

const std::vector<MpegKind> &mpegKinds()
{
    static const std::vector<MpegKind> kinds{
        {"stereo", 44100, 2, "lame --quiet -b 128 {in} {out}"},
        {"mono", 44100, 1, "lame --quiet -m m -b 64 {in} {out}"},
        {"mpeg2", 22050, 2, "lame --quiet -b 64 {in} {out}"},
        {"mpeg25", 8000, 1, "lame --quiet -m m -b 16 {in} {out}"},
        {"vbr", 44100, 2, "lame --quiet -V 4 {in} {out}"},
        {"freeformat", 44100, 2, "lame --quiet --freeformat -b 200 {in} {out}"},
        {"layer2", 44100, 2, "twolame --quiet -b 192 {in} {out}"},
    };
    return kinds;
}

const MpegKind &mpegKind(const std::string &name)
{
    for (const MpegKind &kind : mpegKinds())
        if (name == kind.name)
            return kind;
    throw std::invalid_argument("no MPEG fixture kind " + name);
}

bool runCommand(const std::string &command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

namespace {
std::string replaced(std::string text, const std::string &key, const std::string &value)
{
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
    return text;
}

mpg123_handle *newDecoder()
{
    mpg123_init();
    mpg123_handle *handle = mpg123_new(nullptr, nullptr);
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_format_none(handle);
    const long *rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return handle;
}

uint32_t le32(const QByteArray &b, int at)
{
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 | static_cast<uint8_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t le16(const QByteArray &b, int at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
} // namespace

QString makeMpeg(const QString &folder, const MpegKind &kind, double seconds, const QString &name)
{
    QString base = folder + (name.isEmpty() ? QString(kind.name) : name);
    QString source = base + "-source.wav";
    QString target = base + (QString(kind.name) == "layer2" ? ".mp2" : ".mp3");
    // Two tones, different in each channel, so channel mix-ups show.
    std::string tone = "sox -n -r " + std::to_string(kind.rate) + " -c " + std::to_string(kind.channels) +
                       " -b 16 " + source.toStdString() + " synth " + std::to_string(seconds) +
                       " sine 440 sine 1250 gain -3";
    if (!runCommand(tone))
        return {};
    std::string encode = replaced(replaced(kind.encoder, "{in}", source.toStdString()), "{out}", target.toStdString());
    if (!runCommand(encode))
        return {};
    QFile::remove(source);
    return target;
}

Pcm referenceDecode(const QString &path)
{
    Pcm pcm;
    mpg123_handle *handle = newDecoder();
    if (mpg123_open(handle, QFile::encodeName(path).constData()) == MPG123_OK) {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        if (mpg123_getformat(handle, &rate, &channels, &encoding) == MPG123_OK) {
            pcm.rate = static_cast<unsigned>(rate);
            pcm.channels = static_cast<unsigned>(channels);
            for (;;) {
                off_t frame = 0;
                unsigned char *audio = nullptr;
                size_t bytes = 0;
                int result = mpg123_decode_frame(handle, &frame, &audio, &bytes);
                if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
                    break;
                const auto *samples = reinterpret_cast<const int16_t *>(audio);
                pcm.samples.insert(pcm.samples.end(), samples, samples + bytes / 2);
            }
        }
        mpg123_close(handle);
    }
    mpg123_delete(handle);
    return pcm;
}

WavFile readWav(const QString &path)
{
    WavFile wav;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return wav;
    QByteArray bytes = file.readAll();
    wav.fileSize = static_cast<uint64_t>(bytes.size());
    if (bytes.size() < 44 || !bytes.startsWith("RIFF") || bytes.mid(8, 8) != "WAVEfmt ")
        return wav;
    wav.riffSize = le32(bytes, 4);
    wav.formatTag = le16(bytes, 20);
    wav.channels = le16(bytes, 22);
    wav.rate = le32(bytes, 24);
    wav.bits = le16(bytes, 34);
    qsizetype pos = 12;
    while (bytes.size() - pos >= 8) {
        const QByteArray id = bytes.mid(pos, 4);
        const uint32_t size = le32(bytes, static_cast<int>(pos + 4));
        const qsizetype body = pos + 8;
        const qsizetype available = std::min<qsizetype>(bytes.size() - body, size);
        wav.chunks.emplace_back(id, bytes.mid(body, available));
        if (id == "data") {
            wav.dataSize = size;
            wav.samples.resize(static_cast<size_t>(available / 2));
            std::memcpy(wav.samples.data(), bytes.constData() + body, wav.samples.size() * 2);
            wav.valid = true;
        }
        pos = body + size + (size & 1);
    }
    return wav;
}

QByteArray WavFile::chunk(const char *id) const
{
    for (const auto &[chunkId, body] : chunks)
        if (chunkId == id)
            return body;
    return {};
}

std::vector<QByteArray> WavFile::chunkIds() const
{
    std::vector<QByteArray> ids;
    for (const auto &chunk : chunks)
        ids.push_back(chunk.first);
    return ids;
}

double rms(const std::vector<int16_t> &samples)
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (int16_t s : samples)
        sum += double(s) * s;
    return std::sqrt(sum / double(samples.size()));
}

} // namespace tb::test
