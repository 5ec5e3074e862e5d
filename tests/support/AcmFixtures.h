// Wave files for the codec manager's tests: tones written by our RIFF writer and encoded by sox,
// ffmpeg or lame, the data and format pulled out again, and the reference tools' own decodes.
#pragma once

#include "platform/acm/Acm.h"
#include "platform/acm/AcmDriver.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <QProcess>
#include <QStringList>
#include <cstring>
#include <vector>

namespace tb::test {

inline bool run(const QString &program, const QStringList &args, QByteArray *output = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return false;
    p.closeWriteChannel();
    QByteArray out;
    while (!p.waitForFinished(100))
        out += p.readAllStandardOutput();
    out += p.readAllStandardOutput();
    if (output)
        *output = out;
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The fmt record (with its extension) and the data chunk of a RIFF WAVE image.
struct WaveImage {
    QByteArray format;
    QByteArray data;
    const WAVEFORMATEX *wfx() const { return reinterpret_cast<const WAVEFORMATEX *>(format.constData()); }
};

inline WaveImage parseWave(const QByteArray &file)
{
    WaveImage image;
    int pos = 12;
    while (pos + 8 <= file.size()) {
        const QByteArray id = file.mid(pos, 4);
        uint32_t size;
        std::memcpy(&size, file.constData() + pos + 4, 4);
        const QByteArray body = file.mid(pos + 8, int(size));
        if (id == "fmt ") {
            image.format = body;
            if (image.format.size() < 18)
                image.format.append(QByteArray(18 - image.format.size(), '\0'));
        } else if (id == "data") {
            image.data = body;
        }
        pos += 8 + int(size) + int(size % 2);
    }
    return image;
}

inline std::vector<int16_t> samples16(const QByteArray &raw)
{
    std::vector<int16_t> out(size_t(raw.size()) / 2);
    std::memcpy(out.data(), raw.constData(), out.size() * 2);
    return out;
}

// sox's own decode to 16-bit signed samples, without dither.
inline QByteArray soxDecode(const QString &file)
{
    QByteArray raw;
    run("sox", {file, "-e", "signed", "-b", "16", "-D", "-t", "raw", "-"}, &raw);
    return raw;
}

} // namespace tb::test
