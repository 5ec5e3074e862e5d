// Decoding 6-minute wave files of every compressed format to 16-bit PCM: the codec manager
// (read from disk, converted in the converter's 8192-byte pieces) against the reference tool
// reading the same file and writing raw PCM to /dev/null, interleaved in one run. Then the
// processor time of the wave player over 30 s of playback per format through the null device.
#include "common/Interleaved.h"
#include "platform/acm/Acm.h"
#include "wavepipe/MainWavPlayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace tb::acm;

namespace {

struct Format {
    const char *name;
    const char *soxOptions; // how sox encodes the source; empty for Layer-3
    const char *sourceRate;
    const char *sourceChannels;
};

const Format formats[] = {
    {"ima-adpcm", "-e ima-adpcm", "44100", "2"}, {"ms-adpcm", "-e ms-adpcm", "44100", "2"},
    {"gsm", "-e gsm-full-rate", "8000", "1"},    {"a-law", "-e a-law", "44100", "2"},
    {"mu-law", "-e u-law", "44100", "2"},        {"float", "-e floating-point -b 32", "44100", "2"},
    {"pcm24", "-e signed -b 24", "44100", "2"},  {"layer3", "", "44100", "2"},
};

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

std::string path(const std::string &name)
{
    return folder().filePath(QString::fromStdString(name)).toStdString();
}

void appendLE(std::string &out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

// Makes <name>.wav (6 minutes) once; false when a tool is missing.
bool makeFixture(const Format &f, int seconds = 360)
{
    static std::map<std::string, bool> made;
    const std::string key = std::string(f.name) + std::to_string(seconds);
    if (made.count(key))
        return made[key];
    const std::string source = path(key + "-source.wav");
    const std::string wav = path(key + ".wav");
    std::string make = std::string("sox -n -r ") + f.sourceRate + " -c " + f.sourceChannels + " -b 16 " + source +
                       " synth " + std::to_string(seconds) + " sine 220-880 sine 1250 gain -3 >/dev/null 2>&1";
    bool ok = std::system(make.c_str()) == 0;
    if (ok && *f.soxOptions) {
        ok = std::system(("sox " + source + " " + f.soxOptions + " " + wav + " >/dev/null 2>&1").c_str()) == 0;
    } else if (ok) {
        // Layer-3 frames from lame in a wave file of our own making
        const std::string mp3 = path(key + ".mp3");
        ok = std::system(("lame --quiet -t -b 128 " + source + " " + mp3).c_str()) == 0;
        QFile in(QString::fromStdString(mp3));
        ok = ok && in.open(QIODevice::ReadOnly);
        const QByteArray frames = in.readAll();
        std::string fmt;
        appendLE(fmt, 0x55, 2), appendLE(fmt, 2, 2), appendLE(fmt, 44100, 4), appendLE(fmt, 16000, 4);
        appendLE(fmt, 1, 2), appendLE(fmt, 0, 2), appendLE(fmt, 12, 2);
        appendLE(fmt, 1, 2), appendLE(fmt, 2, 4), appendLE(fmt, 418, 2), appendLE(fmt, 1, 2), appendLE(fmt, 0, 2);
        std::string riff = "WAVEfmt ";
        appendLE(riff, uint32_t(fmt.size()), 4);
        riff += fmt + "data";
        appendLE(riff, uint32_t(frames.size()), 4);
        riff.append(frames.constData(), size_t(frames.size()));
        if (frames.size() % 2)
            riff += '\0';
        std::string file = "RIFF";
        appendLE(file, uint32_t(riff.size()), 4);
        file += riff;
        QFile out(QString::fromStdString(wav));
        ok = ok && out.open(QIODevice::WriteOnly) && out.write(file.data(), qint64(file.size())) == qint64(file.size());
    }
    std::remove(source.c_str());
    return made[key] = ok;
}

// The fmt record of a wave file and where its data lies, found by walking its chunks.
bool readHeader(QFile &in, std::vector<uint8_t> &format, qint64 &dataOffset, qint64 &dataSize)
{
    dataOffset = -1;
    for (qint64 pos = 12; pos + 8 <= in.size();) {
        char head[8];
        if (!in.seek(pos) || in.read(head, 8) != 8)
            return false;
        uint32_t size;
        std::memcpy(&size, head + 4, 4);
        if (std::memcmp(head, "fmt ", 4) == 0) {
            const QByteArray body = in.read(size);
            format.assign(body.begin(), body.end());
        } else if (std::memcmp(head, "data", 4) == 0) {
            dataOffset = pos + 8;
            dataSize = std::min<qint64>(size, in.size() - dataOffset);
        }
        pos += 8 + qint64(size) + (size % 2);
    }
    format.resize(std::max<size_t>(format.size(), 18));
    return dataOffset >= 0 && in.seek(dataOffset);
}

// The whole file to PCM, read and converted in the converter's pieces; the bytes produced.
uint64_t decodeWithManager(const std::string &file)
{
    QFile in(QString::fromStdString(file));
    std::vector<uint8_t> record;
    qint64 dataOffset = 0, dataSize = 0;
    if (!in.open(QIODevice::ReadOnly) || !readHeader(in, record, dataOffset, dataSize))
        return 0;
    const auto *src = reinterpret_cast<const WAVEFORMATEX *>(record.data());
    WAVEFORMATEX dst{};
    dst.wFormatTag = WAVE_FORMAT_PCM;
    if (acmFormatSuggest(nullptr, src, &dst, sizeof dst, ACM_FORMATSUGGESTF_WFORMATTAG) || dst.wBitsPerSample != 16)
        dst = WAVEFORMATEX{1, src->nChannels, src->nSamplesPerSec, src->nSamplesPerSec * 2u * src->nChannels,
                           uint16_t(2 * src->nChannels), 16, 0};
    HACMSTREAM stream = nullptr;
    if (acmStreamOpen(&stream, nullptr, src, &dst, nullptr, 0, 0, 0))
        return 0;
    const uint32_t align = std::max<uint32_t>(src->nBlockAlign, 1);
    const uint32_t piece = std::max(align * (8192 / align), align);
    uint32_t dstSize = 0;
    acmStreamSize(stream, 4 * piece, &dstSize, ACM_STREAMSIZEF_SOURCE);
    std::vector<uint8_t> source(4 * piece), destination(dstSize);
    ACMSTREAMHEADER h{};
    h.cbStruct = sizeof h;
    h.pbSrc = source.data();
    h.pbDst = destination.data();
    h.cbDstLength = dstSize;
    acmStreamPrepareHeader(stream, &h, 0);
    uint64_t produced = 0;
    uint32_t carried = 0;
    qint64 left = dataSize;
    for (;;) {
        const qint64 want = std::min<qint64>(piece, left);
        const qint64 got = want > 0 ? in.read(reinterpret_cast<char *>(source.data()) + carried, want) : 0;
        const uint32_t fresh = uint32_t(std::max<qint64>(got, 0));
        left -= fresh;
        h.cbSrcLength = carried + fresh;
        if (acmStreamConvert(stream, &h, fresh ? ACM_STREAMCONVERTF_BLOCKALIGN : ACM_STREAMCONVERTF_END))
            break;
        produced += h.cbDstLengthUsed;
        benchmark::DoNotOptimize(destination.data());
        carried = h.cbSrcLength - h.cbSrcLengthUsed;
        std::memmove(source.data(), source.data() + h.cbSrcLengthUsed, carried);
        if (!fresh && h.cbDstLengthUsed == 0)
            break;
    }
    acmStreamUnprepareHeader(stream, &h, 0);
    acmStreamClose(stream, 0);
    return produced;
}

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Totals {
    double ours = 0, reference = 0;
    double cpuOurs = 0, cpuReference = 0;
    int runsOurs = 0, runsReference = 0;
};
std::map<std::string, Totals> totals;

void BM_Manager(benchmark::State &state, const Format &f)
{
    if (!makeFixture(f)) {
        state.SkipWithError("cannot make the fixture (sox, lame)");
        return;
    }
    const std::string file = path(std::string(f.name) + "360.wav");
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = cpuSeconds(RUSAGE_SELF);
        if (decodeWithManager(file) == 0) {
            state.SkipWithError("decoding failed");
            return;
        }
        totals[f.name].cpuOurs += cpuSeconds(RUSAGE_SELF) - cpuBefore;
        const double seconds = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        totals[f.name].ours += seconds;
        ++totals[f.name].runsOurs;
    }
}

void BM_Reference(benchmark::State &state, const Format &f)
{
    if (!makeFixture(f)) {
        state.SkipWithError("cannot make the fixture (sox, lame)");
        return;
    }
    const std::string file = path(std::string(f.name) + "360.wav");
    const std::string command = *f.soxOptions
                                    ? "sox " + file + " -e signed -b 16 -D -t raw /dev/null"
                                    : "mpg123 -q -s " + path(std::string(f.name) + "360.mp3") + " >/dev/null";
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("the reference tool failed");
            return;
        }
        totals[f.name].cpuReference += cpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
        const double seconds = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        totals[f.name].reference += seconds;
        ++totals[f.name].runsReference;
    }
}

// Processor time of the whole player (main thread and device thread) over 30 s of playback.
void BM_PlayerCpu(benchmark::State &state, const Format &f)
{
    if (!makeFixture(f, 31)) {
        state.SkipWithError("cannot make the fixture (sox, lame)");
        return;
    }
    const std::string file = path(std::string(f.name) + "31.wav");
    for (auto _ : state) {
        auto player = tb::makeMainWavPlayer();
        player->Wave()->SetFileName(QString::fromStdString(file));
        const double before = cpuSeconds(RUSAGE_SELF);
        QElapsedTimer clock;
        clock.start();
        player->Play();
        QEventLoop loop;
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = cpuSeconds(RUSAGE_SELF) - before;
        const double wall = clock.nsecsElapsed() / 1e9;
        player->Stop();
        state.SetIterationTime(wall);
        state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
    }
}

void registerAll()
{
    for (const Format &f : formats) {
        benchmark::RegisterBenchmark((std::string("Decode/") + f.name + "/manager").c_str(), BM_Manager, f)
            ->UseManualTime()->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("Decode/") + f.name + (*f.soxOptions ? "/sox" : "/mpg123")).c_str(),
                                     BM_Reference, f)
            ->UseManualTime()->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
    }
    for (const char *name : {"pcm16", "ima-adpcm", "ms-adpcm", "gsm", "layer3"}) {
        static const Format pcm16{"pcm16", "-e signed -b 16", "44100", "2"};
        const Format *f = &pcm16;
        for (const Format &g : formats)
            if (std::string(g.name) == name)
                f = &g;
        benchmark::RegisterBenchmark((std::string("PlayerCpu30s/") + name).c_str(), BM_PlayerCpu, *f)
            ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char **argv)
{
    setenv("TONEBRIDGE_AUDIO", "null", 1);
    QCoreApplication app(argc, argv);
    registerAll();
    tb::bench::runInterleaved(argc, argv);
    for (const auto &[name, t] : totals) {
        if (t.runsOurs == 0 || t.runsReference == 0)
            continue;
        const double ours = t.ours / t.runsOurs, reference = t.reference / t.runsReference;
        const double cpuOurs = t.cpuOurs / t.runsOurs, cpuReference = t.cpuReference / t.runsReference;
        std::printf("6-minute %-10s mean wall time: manager %7.1f ms, reference %7.1f ms, ratio %.3f;"
                    " processor time: %7.1f ms, %7.1f ms, ratio %.3f\n",
                    name.c_str(), ours * 1000, reference * 1000, ours / reference, cpuOurs * 1000,
                    cpuReference * 1000, cpuOurs / cpuReference);
    }
    return 0;
}
