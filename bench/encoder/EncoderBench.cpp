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
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

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

double encodeWithGogoTea(tb::TGogoTea &encoder, const QString &source, const QString &destination)
{
    QEventLoop loop;
    bool aborted = true;
    encoder.OnFinish = [&](tb::TGogoTea *, bool isAborted) {
        aborted = isAborted;
        loop.quit();
    };
    const auto start = std::chrono::steady_clock::now();
    encoder.SetSourceFile(source);
    encoder.SetDestinationFile(destination);
    encoder.StartEncode();
    loop.exec();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return aborted ? -1 : seconds;
}

double encodeWithLame(const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
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

    double gogoTotal = 0, lameTotal = 0;
    int runs = 0;
    for (auto _ : state) {
        const double gogo = encodeWithGogoTea(encoder, f.source, ours);
        const double reference = encodeWithLame(lame);
        if (gogo < 0 || reference < 0) {
            state.SkipWithError("an encoding failed");
            return;
        }
        state.SetIterationTime(gogo + reference);
        gogoTotal += gogo;
        lameTotal += reference;
        ++runs;
    }
    state.counters["TGogoTea_s"] = gogoTotal / runs;
    state.counters["lame_s"] = lameTotal / runs;
    state.counters["ratio"] = gogoTotal / lameTotal;
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
