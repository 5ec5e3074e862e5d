// Decoding a 6-minute 44.1 kHz stereo MP3 into a WAV file: through TXaudioPlayer and decoder.so,
// against the reference `mpg123 -w`, in the same run. Prints the ratio of the mean wall times.
#include "codecs/XaudioPlayer.h"
#include "common/Interleaved.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <memory>
#include <vector>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString mp3;
    bool ok = false;
};

Fixture &fixture()
{
    static Fixture f = [] {
        Fixture made;
        QString source = made.dir.filePath("source.wav");
        made.mp3 = made.dir.filePath("six-minutes.mp3");
        std::string make = "sox -n -r 44100 -c 2 -b 16 " + source.toStdString() +
                           " synth 360 sine 220-880 sine 1250 gain -3 >/dev/null 2>&1 && lame --quiet -b 192 " +
                           source.toStdString() + " " + made.mp3.toStdString() + " && rm " + source.toStdString();
        made.ok = std::system(make.c_str()) == 0;
        return made;
    }();
    return f;
}

// Processor time (user and system) of this process or of its finished children, in seconds.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double totalOurs = 0, totalReference = 0;
double cpuOurs = 0, cpuReference = 0;
int runsOurs = 0, runsReference = 0;

void BM_TXaudioPlayerToWav(benchmark::State &state)
{
    if (!fixture().ok) {
        state.SkipWithError("cannot make the MP3 fixture (sox, lame)");
        return;
    }
    tb::TXaudioPlayer decoder;
    QEventLoop loop;
    decoder.OnNotifyPlayerState = [&](tb::TXaudioPlayer *, int s) {
        if (s == 3)
            loop.quit();
    };
    decoder.SetPriority(2);
    decoder.SetCodecEqualizer(nullptr);
    decoder.SetOutputModule(0);
    QString out = fixture().dir.filePath("ours.wav");
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        double cpuBefore = cpuSeconds(RUSAGE_SELF);
        decoder.OutputOpen("wav:" + out);
        decoder.InputOpen(fixture().mp3);
        decoder.Play();
        loop.exec(); // the program's event loop, until the end of the input
        decoder.OutputClose(); // completes the file, as the next file's OutputOpen would
        cpuOurs += cpuSeconds(RUSAGE_SELF) - cpuBefore;
        double seconds = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        totalOurs += seconds;
        ++runsOurs;
    }
}

void BM_Mpg123CommandToWav(benchmark::State &state)
{
    if (!fixture().ok) {
        state.SkipWithError("cannot make the MP3 fixture (sox, lame)");
        return;
    }
    std::string command = "mpg123 -q -w " + fixture().dir.filePath("reference.wav").toStdString() + " " +
                          fixture().mp3.toStdString();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("mpg123 failed");
            return;
        }
        cpuReference += cpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
        double seconds = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        totalReference += seconds;
        ++runsReference;
    }
}

BENCHMARK(BM_Mpg123CommandToWav)->UseManualTime()->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TXaudioPlayerToWav)->UseManualTime()->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    tb::bench::runInterleaved(argc, argv);
    if (runsOurs > 0 && runsReference > 0) {
        double ours = totalOurs / runsOurs;
        double reference = totalReference / runsReference;
        std::printf("6-minute MP3 to WAV, mean wall time: TXaudioPlayer %.1f ms, mpg123 -w %.1f ms, ratio %.3f\n",
                    ours * 1000, reference * 1000, ours / reference);
        std::printf("mean processor time: TXaudioPlayer %.1f ms, mpg123 -w %.1f ms, ratio %.3f\n",
                    cpuOurs / runsOurs * 1000, cpuReference / runsReference * 1000,
                    (cpuOurs / runsOurs) / (cpuReference / runsReference));
    }
    return 0;
}
