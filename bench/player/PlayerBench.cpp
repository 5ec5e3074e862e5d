// What playing costs, through the real main window (offscreen) and the real decoder library:
// - processor time of the whole program over 30 s of playback through the null device, in percent
//   of one core, for an MP3 at 128 kbit/s, a PCM WAV and an IMA ADPCM WAV;
// - from the Play click to the first buffer the device is handed, and from the end of one file to
//   the first buffer of the next (through the capture device, watched for its size).
#include "audioinfo/AudioInfo.h"
#include "codecs/XaudioPlayer.h"
#include "decoderlib/MpegFixtures.h"
#include "lists/ConversionLists.h"
#include "player/PlaybackController.h"
#include "support/AppFixture.h"
#include "support/EventWait.h"
#include "support/WavWriter.h"
#include "skin/MorphButton.h"
#include "wavepipe/MMWavePlayer.h"

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

using namespace tb;
using namespace tb::test;
using Clock = std::chrono::steady_clock;

namespace {

struct Fixtures {
    TempDir dir;
    QString mp3Long, mp3A, mp3B, pcmLong, adpcmLong, pcmA, pcmB;
    Fixtures()
    {
        mp3Long = makeMpeg(dir.path(), mpegKind("stereo"), 31.0, "long"); // lame -b 128
        mp3A = makeMpeg(dir.path(), mpegKind("stereo"), 1.0, "a");
        mp3B = makeMpeg(dir.path(), mpegKind("stereo"), 1.0, "b");
        Tone tone;
        tone.frames = 44100 * 31;
        pcmLong = dir.write("long.wav", sineWav(tone));
        tone.frames = 44100;
        pcmA = dir.write("a.wav", sineWav(tone));
        pcmB = dir.write("b.wav", sineWav(tone));
        adpcmLong = dir.file("adpcm.wav");
        runCommand(("sox " + pcmLong + " -e ima-adpcm " + adpcmLong).toStdString());
    }
};

Fixtures &fixtures()
{
    static Fixtures *f = new Fixtures;
    return *f;
}

double processorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int64_t fileSize(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int64_t(st.st_size) : 0;
}

// A main window with the files checked in the list they belong to.
struct Window : AppFixture {
    TMainFrm *frm = nullptr;
    explicit Window(const QStringList &files)
    {
        // The button sounds off: only the player reaches the device.
        folder.write(QFileInfo(settingsFile()).fileName(), "[Options]\r\nIsNormalizing=0\r\nIsActiveSnd=0\r\nIsClickSnd=0\r\n");
        frm = &create();
        frm->show();
        int32_t doWhat = files.front().endsWith(".wav") ? dwWavToMp3 : dwMp3ToWav;
        for (const QString &f : files)
            frm->lists().AppendFile(doWhat, f, true);
        if (doWhat == dwWavToMp3)
            frm->btnWavMp3Click();
    }
};

void PlayingCostsLittle(benchmark::State &state, int kind)
{
    qputenv("TONEBRIDGE_AUDIO", "null");
    const QString file = kind == 0 ? fixtures().mp3Long : kind == 1 ? fixtures().pcmLong : fixtures().adpcmLong;
    for (auto _ : state) {
        Window w({file});
        w.frm->button("btnPlay")->click();
        const double cpu0 = processorSeconds();
        const auto t0 = Clock::now();
        // The event loop sleeps until the program has something to do: nothing of the harness polls.
        QEventLoop loop;
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        const double cpu = processorSeconds() - cpu0;
        const bool played = w.frm->state().ActivityState == asPlaying;
        w.frm->button("btnStop")->click();
        if (!played || wall < 29.0) {
            state.SkipWithError("playback ended early: this engine plays nothing here");
            break;
        }
        state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
        state.counters["wall_s"] = wall;
    }
}

// Watches a growing file from a thread of its own, so the moment it first grows past a size is
// seen within a fraction of a millisecond whatever the user-interface thread is doing.
class GrowthWatch {
public:
    GrowthWatch(QString path, int64_t beyond) : path_(std::move(path)), beyond_(beyond)
    {
        thread_ = std::thread([this] {
            while (!stop_) {
                if (fileSize(path_) > beyond_) {
                    at_ = Clock::now();
                    seen_ = true;
                    return;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
    }
    ~GrowthWatch()
    {
        stop_ = true;
        thread_.join();
    }
    bool seen() const { return seen_; }
    Clock::time_point at() const { return at_; }

private:
    QString path_;
    int64_t beyond_;
    std::thread thread_;
    std::atomic<bool> stop_{false}, seen_{false};
    Clock::time_point at_;
};

// What the device is handed for the whole of one file: played alone, to its end.
int64_t heardBytesOf(const QString &file)
{
    TempDir out;
    const QString heard = out.file("heard.raw");
    qputenv("TONEBRIDGE_AUDIO", ("capture:" + heard).toUtf8());
    Window w({file});
    w.frm->button("btnPlay")->click();
    waitUntil([&] { return w.frm->state().ActivityState != asPlaying; }, 20000);
    return fileSize(heard);
}

void PlayClickToFirstBuffer(benchmark::State &state, bool wav)
{
    for (auto _ : state) {
        TempDir out;
        const QString heard = out.file("heard.raw");
        qputenv("TONEBRIDGE_AUDIO", ("capture:" + heard).toUtf8());
        Window w({wav ? fixtures().pcmA : fixtures().mp3A});
        // The first Play of a window loads nothing more: the library is loaded when it is shown.
        GrowthWatch watch(heard, 0);
        const auto t0 = Clock::now();
        w.frm->button("btnPlay")->click();
        waitUntil([&] { return watch.seen() || Clock::now() - t0 > std::chrono::seconds(3); }, 5000);
        if (!watch.seen()) {
            state.SkipWithError("nothing reached the device: this engine plays nothing here");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(watch.at() - t0).count());
        w.frm->button("btnStop")->click();
    }
}

// From the end of one file to the first buffer of the next. The end is the engine's own report
// of it: the wave player's stop (it stops once the device has played everything), or, for the
// decoder, the window moving on to the next file. The capture device takes buffers ahead of
// time, so the watch waits for the bytes beyond all of the first file.
void EndOfFileToNextFirstBuffer(benchmark::State &state, bool wav)
{
    const QString first = wav ? fixtures().pcmA : fixtures().mp3A, second = wav ? fixtures().pcmB : fixtures().mp3B;
    static std::map<QString, int64_t> firstBytes;
    if (!firstBytes.count(first))
        firstBytes[first] = heardBytesOf(first);
    const int64_t bytes = firstBytes[first];
    for (auto _ : state) {
        TempDir out;
        const QString heard = out.file("heard.raw");
        qputenv("TONEBRIDGE_AUDIO", ("capture:" + heard).toUtf8());
        Window w({first, second});
        Clock::time_point ended{};
        if (wav) {
            TMMWavePlayer &player = w.frm->wavPlayer();
            player.OnStop = [&ended, forward = player.OnStop](TMMDSPComponent *sender) {
                if (ended == Clock::time_point{})
                    ended = Clock::now();
                if (forward)
                    forward(sender);
            };
        }
        GrowthWatch watch(heard, bytes);
        w.frm->button("btnPlay")->click();
        waitUntil([&] {
            if (!wav && ended == Clock::time_point{} && w.frm->player().PlayIndex() == 1)
                ended = Clock::now();
            return watch.seen() || w.frm->state().ActivityState != asPlaying;
        }, 10000);
        if (bytes <= 0 || !watch.seen() || ended == Clock::time_point{}) {
            state.SkipWithError("the next file was not heard: this engine plays nothing here");
            break;
        }
        // The decoder's next buffer can be on its way before the window has looked.
        state.SetIterationTime(std::max(0.0, std::chrono::duration<double>(watch.at() - ended).count()));
        w.frm->button("btnStop")->click();
    }
}

} // namespace

BENCHMARK_CAPTURE(PlayingCostsLittle, mp3_128k, 0)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(PlayingCostsLittle, pcm_wav, 1)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(PlayingCostsLittle, ima_adpcm_wav, 2)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(PlayClickToFirstBuffer, decoder, false)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PlayClickToFirstBuffer, wave, true)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EndOfFileToNextFirstBuffer, decoder, false)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EndOfFileToNextFirstBuffer, wave, true)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TONEBRIDGE_AUDIO", "null");
    application();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
