// Probing a small and a 1 GiB file (sparse, so the disk is not filled): the MPEG probe and the
// RIFF reader read only a few kilobytes of either, so both take the same time.
#include "audioinfo/AudioInfo.h"
#include "support/WavWriter.h"
#include "wavepipe/MMWave.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr qint64 Large = qint64(1) << 30;

QByteArray mpegStart()
{
    QByteArray frames;
    for (int i = 0; i < 4; ++i)
        frames += QByteArray::fromHex("FFFB9064") + QByteArray(413, '\x11');
    return QByteArray(5000, '\0') + frames;
}

QByteArray id3()
{
    return QByteArray("TAGBench title").leftJustified(128, '\0');
}

struct Files {
    Files()
    {
        write("small.mp3", mpegStart() + id3(), 0);
        write("large.mp3", mpegStart(), Large);
        QFile tail(dir.filePath("large.mp3"));
        tail.open(QIODevice::ReadWrite);
        tail.seek(Large - 128);
        tail.write(id3());
        const tb::test::Tone tone{44100, 2, 16, 44100};
        write("small.wav", tb::test::sineWav(tone), 0);
        // a data chunk that declares 1 GiB, and the file grown to hold it
        QByteArray head = tb::test::RiffBuilder().chunk("fmt ", tb::test::formatChunk(tone))
                              .chunkDeclaring("data", uint32_t(Large - 44), QByteArray()).build(uint32_t(Large - 8));
        write("large.wav", head, Large);
    }
    void write(const char *name, const QByteArray &bytes, qint64 size)
    {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        if (size)
            f.resize(size);
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

Files &files()
{
    static Files f;
    return f;
}

void MpegProbe(benchmark::State &state, const char *name)
{
    const QString path = files().path(name);
    tb::TAudioInfo info;
    for (auto _ : state) {
        info.LoadFromFile(path);
        benchmark::DoNotOptimize(info.FrameHdr.Valid);
    }
    if (!info.FrameHdr.Valid || !info.Tag.Found)
        state.SkipWithError("probe found no frame or no tag");
}

void RiffLoad(benchmark::State &state, const char *name)
{
    const QString path = files().path(name);
    for (auto _ : state) {
        tb::TMMWave wave;
        wave.SetFileName(path);
        benchmark::DoNotOptimize(wave.DataSize());
    }
}

BENCHMARK_CAPTURE(MpegProbe, small_file, "small.mp3");
BENCHMARK_CAPTURE(MpegProbe, one_gibibyte_file, "large.mp3");
BENCHMARK_CAPTURE(RiffLoad, small_file, "small.wav");
BENCHMARK_CAPTURE(RiffLoad, one_gibibyte_file, "large.wav");

} // namespace
