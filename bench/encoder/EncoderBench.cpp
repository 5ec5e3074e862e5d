// Encodes a six-minute 44.1 kHz stereo WAV at 128 kbit/s through TGogoTea and with the `lame`
// command at the same settings, alternating within one run, and reports the ratio of the times.
#include "codecs/GogoTea.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

// Wall-clock and processor seconds of one encoding; negative wall time when it failed.
struct Timing {
    double wall = -1;
    double cpu = 0;
};

double seconds(const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

double ownCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

constexpr int Rate = 44100;
constexpr int Seconds = 6 * 60;

void putLe(std::FILE *f, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), f);
}

// Music-like material: a few tones that swell and fade, with a little noise, so the encoder
// has real work in every band.
bool writeSource(const std::string &path)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const uint32_t frames = Rate * Seconds, bytes = frames * 4;
    std::fwrite("RIFF", 1, 4, f);
    putLe(f, 36 + bytes, 4);
    std::fwrite("WAVEfmt ", 1, 8, f);
    putLe(f, 16, 4);
    putLe(f, 1, 2);
    putLe(f, 2, 2);
    putLe(f, Rate, 4);
    putLe(f, Rate * 4, 4);
    putLe(f, 4, 2);
    putLe(f, 16, 2);
    std::fwrite("data", 1, 4, f);
    putLe(f, bytes, 4);
    const double tones[] = {110, 220, 330, 440, 660, 1320, 2640, 5280};
    uint32_t seed = 12345;
    std::vector<int16_t> block;
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / Rate;
        double l = 0, r = 0;
        for (int k = 0; k < 8; ++k) {
            const double swell = 0.5 + 0.5 * std::sin(2 * M_PI * (0.05 + 0.03 * k) * t + k);
            const double s = std::sin(2 * M_PI * tones[k] * t) * swell * 0.08;
            l += s * (k % 2 ? 0.6 : 1.0);
            r += s * (k % 2 ? 1.0 : 0.6);
        }
        seed = seed * 1664525u + 1013904223u;
        const double noise = (double(seed >> 8) / double(1u << 24) - 0.5) * 0.03;
        block.push_back(static_cast<int16_t>(std::lround((l + noise) * 32767)));
        block.push_back(static_cast<int16_t>(std::lround((r - noise) * 32767)));
        if (block.size() >= 65536 || i + 1 == frames) {
            std::fwrite(block.data(), sizeof(int16_t), block.size(), f);
            block.clear();
        }
    }
    return std::fclose(f) == 0;
}

Timing encodeWithGogoTea(tb::TGogoTea &encoder, const QString &source, const QString &destination)
{
    QEventLoop loop;
    bool aborted = true;
    encoder.OnFinish = [&](tb::TGogoTea *, bool isAborted) {
        aborted = isAborted;
        loop.quit();
    };
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ownCpuSeconds();
    encoder.SetSourceFile(source);
    encoder.SetDestinationFile(destination);
    encoder.StartEncode();
    loop.exec();
    Timing t;
    t.cpu = ownCpuSeconds() - cpuStart;
    if (!aborted)
        t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return t;
}

Timing encodeWithLame(const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return {};
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Timing t;
    t.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return t;
}

struct Fixture {
    QTemporaryDir dir;
    QString source;
    bool ok = false;
    Fixture() : source(dir.path() + "/six-minutes.wav") { ok = dir.isValid() && writeSource(source.toStdString()); }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// Each iteration encodes the file once with each encoder, one after the other, so both see
// the same state of the machine. lameArgument adds one option to the lame command line.
void EncodeSixMinutesAt128(benchmark::State &state, const char *lameOption)
{
    Fixture &f = fixture();
    if (!f.ok) {
        state.SkipWithError("cannot write the source file");
        return;
    }
    tb::TGogoTea encoder;
    encoder.SetBitRate(128);
    encoder.SetEncodeType(tb::_JOINT);
    encoder.SetPriority(tb::tpNormal); // the lame command runs at normal priority too
    const QString ours = f.dir.path() + "/gogotea.mp3";
    std::vector<std::string> lame{"lame", "--quiet", "-b", "128", "-m", "j"};
    if (*lameOption)
        lame.push_back(lameOption);
    lame.push_back(f.source.toStdString());
    lame.push_back((f.dir.path() + "/lame.mp3").toStdString());

    Timing gogoTotal{0, 0}, lameTotal{0, 0};
    int runs = 0;
    for (auto _ : state) {
        const Timing gogo = encodeWithGogoTea(encoder, f.source, ours);
        const Timing reference = encodeWithLame(lame);
        if (gogo.wall < 0 || reference.wall < 0) {
            state.SkipWithError("an encoding failed");
            return;
        }
        state.SetIterationTime(gogo.wall + reference.wall);
        gogoTotal.wall += gogo.wall;
        gogoTotal.cpu += gogo.cpu;
        lameTotal.wall += reference.wall;
        lameTotal.cpu += reference.cpu;
        ++runs;
    }
    // Wall-clock time on a shared machine follows its load; processor time is the steadier measure.
    state.counters["TGogoTea_s"] = gogoTotal.wall / runs;
    state.counters["lame_s"] = lameTotal.wall / runs;
    state.counters["ratio"] = gogoTotal.wall / lameTotal.wall;
    state.counters["TGogoTea_cpu_s"] = gogoTotal.cpu / runs;
    state.counters["lame_cpu_s"] = lameTotal.cpu / runs;
    state.counters["cpu_ratio"] = gogoTotal.cpu / lameTotal.cpu;
}

BENCHMARK_CAPTURE(EncodeSixMinutesAt128, lameDefaults, "")->Iterations(5)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(EncodeSixMinutesAt128, lameNoReplayGain, "--noreplaygain")
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
