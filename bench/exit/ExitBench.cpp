// How long the program takes to end, through the real main window (offscreen) and the real codec
// libraries: from the Close click (which saves the lists and plays the click sound) to the window
// and then the core with its codecs destroyed, as the program's own exit does. Measured while
//   - a 3-minute MP3 to WAV batch runs;
//   - a 3-minute WAV to MP3 batch runs;
//   - a 3-minute MP3 plays, and a 3-minute WAV plays, on the null device;
//   - the same MP3 and WAV play on a sound device that never answers (it writes into a named pipe
//     that nobody reads): the player's thread, and then the click sound's, are held in the system.
// Each case is one round per repetition; the summary gives the median and the maximum in ms.
#include "app/MainFrm.h"
#include "common/Interleaved.h"
#include "decoderlib/MpegFixtures.h"
#include "lists/ConversionLists.h"
#include "skin/MorphButton.h"
#include "support/AppFixture.h"
#include "support/EventWait.h"
#include "support/HeldThreads.h"
#include "support/WavWriter.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <sys/stat.h>
#include <vector>

using namespace tb;
using namespace tb::test;

namespace {

struct Fixtures {
    TempDir dir;
    QString mp3, wav;
    bool ok = false;
    Fixtures()
    {
        mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 180.0, "long");
        Tone tone;
        tone.frames = 44100 * 180;
        wav = dir.write("long.wav", sineWav(tone));
        ok = !mp3.isEmpty() && QFileInfo(wav).size() > 0;
    }
};

Fixtures &fixtures()
{
    static Fixtures *f = new Fixtures;
    return *f;
}

enum class Activity { Mp3ToWav, WavToMp3, PlayMp3, PlayWav };

std::map<std::string, std::vector<double>> rounds;

// One round: a window on its own program folder starts the activity; once it runs, the Close
// click and the destruction are timed. With a device pipe the sound goes there and the round
// waits until the player's thread is held opening it. Milliseconds; negative when it did not start.
double exitDuring(Activity activity, bool heldDevice)
{
    TempDir devices;
    const QString pipe = devices.file("device.pipe");
    if (heldDevice) {
        if (::mkfifo(QFile::encodeName(pipe).constData(), 0600) != 0)
            return -1;
        qputenv("TONEBRIDGE_AUDIO", ("capture:" + pipe).toUtf8());
    } else {
        qputenv("TONEBRIDGE_AUDIO", "null");
    }
    AppFixture fixture;
    // The options as they come, but no folder is opened when a batch ends.
    fixture.folder.write(QFileInfo(fixture.settingsFile()).fileName(), "[Options]\r\nIsDoneOpenDir=0\r\n");
    TMainFrm &frm = fixture.create();
    frm.show();
    const bool wav = activity == Activity::WavToMp3 || activity == Activity::PlayWav;
    frm.lists().AppendFile(wav ? dwWavToMp3 : dwMp3ToWav, wav ? fixtures().wav : fixtures().mp3, true);
    if (wav)
        frm.btnWavMp3->click();
    if (activity == Activity::Mp3ToWav || activity == Activity::WavToMp3) {
        fixture.dialogs.confirmAnswers.push_back(true);
        frm.button("btnConvert")->click();
    } else {
        frm.button("btnPlay")->click();
    }
    const std::string pipeName = QFile::encodeName(pipe).toStdString();
    const bool running = heldDevice ? waitUntil([&] { return threadsOpening(pipeName) >= 1; }, 60000)
                                    : waitUntil([&] { return frm.labCurrentTime->text() != "00:00:00"; }, 60000);
    if (!running || frm.state().ActivityState == asIdle)
        return -1;
    QElapsedTimer clock;
    clock.start();
    frm.button("btnExit")->click();
    fixture.close();
    return clock.nsecsElapsed() / 1e6;
}

void timed(benchmark::State &state, const std::string &name, Activity activity, bool heldDevice)
{
    if (!fixtures().ok) {
        state.SkipWithError("cannot make the fixtures (lame)");
        return;
    }
    for (auto _ : state) {
        const double ms = exitDuring(activity, heldDevice);
        if (ms < 0) {
            state.SkipWithError("the activity did not start");
            return;
        }
        state.SetIterationTime(ms / 1000);
        rounds[name].push_back(ms);
    }
}

void BM_ExitDuringMp3ToWav(benchmark::State &s) { timed(s, "MP3 to WAV batch", Activity::Mp3ToWav, false); }
void BM_ExitDuringWavToMp3(benchmark::State &s) { timed(s, "WAV to MP3 batch", Activity::WavToMp3, false); }
void BM_ExitPlayingMp3(benchmark::State &s) { timed(s, "playing an MP3", Activity::PlayMp3, false); }
void BM_ExitPlayingWav(benchmark::State &s) { timed(s, "playing a WAV", Activity::PlayWav, false); }
void BM_ExitPlayingMp3HeldDevice(benchmark::State &s)
{
    timed(s, "playing an MP3, device held", Activity::PlayMp3, true);
}
void BM_ExitPlayingWavHeldDevice(benchmark::State &s)
{
    timed(s, "playing a WAV, device held", Activity::PlayWav, true);
}

double maximum(const std::vector<double> &v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }
double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

#define ROUNDS                                                                                                    \
    ->UseManualTime()->Iterations(1)->Repetitions(10)->Unit(benchmark::kMillisecond)->ComputeStatistics(          \
        "max", [](const std::vector<double> &v) { return maximum(v); })
BENCHMARK(BM_ExitDuringMp3ToWav) ROUNDS;
BENCHMARK(BM_ExitDuringWavToMp3) ROUNDS;
BENCHMARK(BM_ExitPlayingMp3) ROUNDS;
BENCHMARK(BM_ExitPlayingWav) ROUNDS;
BENCHMARK(BM_ExitPlayingMp3HeldDevice) ROUNDS;
BENCHMARK(BM_ExitPlayingWavHeldDevice) ROUNDS;

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TONEBRIDGE_AUDIO", "null");
    application();
    bench::runInterleaved(argc, argv);
    std::printf("\nExit, from the Close click to the core destroyed (ms):\n");
    for (const auto &[name, ms] : rounds)
        std::printf("  %-32s median %7.1f  max %7.1f  (%zu rounds)\n", name.c_str(), median(ms), maximum(ms),
                    ms.size());
    return 0;
}
