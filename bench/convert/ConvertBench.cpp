// Conversion batches through the main window, offscreen, against the reference command-line
// tools on the same files, in one run with the rounds interleaved:
//   - one 6-minute MP3 to WAV against `mpg123 -w`;
//   - one 6-minute WAV to MP3 at 128 kbit/s (joint stereo, as lame's default) against `lame -b 128`;
//   - a batch of 50 three-second MP3 files against the same files decoded one after the other by
//     the decoder binding alone, which gives the batch's overhead per file.
#include "app/MainFrm.h"
#include "common/Interleaved.h"
#include "codecs/XaudioPlayer.h"
#include "lists/ConversionLists.h"
#include "support/AppFixture.h"
#include "skin/MorphButton.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <map>

using namespace tb;

namespace {

bool run(const std::string &command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

struct Files {
    test::TempDir dir;
    QString longMp3, longWav;
    QStringList shortMp3s;
    bool ok = false;

    Files()
    {
        longWav = dir.file("long.wav");
        longMp3 = dir.file("long.mp3");
        ok = run("sox -n -r 44100 -c 2 -b 16 " + longWav.toStdString() + " synth 360 sine 220-880 sine 1250 gain -3") &&
             run("lame --quiet -b 192 " + longWav.toStdString() + " " + longMp3.toStdString());
        QString shortWav = dir.file("short.wav");
        ok = ok && run("sox -n -r 44100 -c 2 -b 16 " + shortWav.toStdString() + " synth 3 sine 440 gain -3");
        for (int i = 0; ok && i < 50; ++i) {
            QString mp3 = dir.file(QString("short%1.mp3").arg(i, 2, 10, QChar('0')));
            ok = run("lame --quiet -b 128 " + shortWav.toStdString() + " " + mp3.toStdString());
            shortMp3s << mp3;
        }
    }
};

Files &files()
{
    static Files f;
    return f;
}

// A main window on its own program folder, converting with the options given.
struct Window {
    test::AppFixture fixture;
    TMainFrm *frm = nullptr;

    explicit Window(const QByteArray &options)
    {
        fixture.folder.write(QFileInfo(fixture.settingsFile()).fileName(),
                             "[Options]\r\nOutputMode=1\r\nIsDoneOpenDir=0\r\n" + options);
        frm = &fixture.create();
        frm->show();
    }
    // Converts the files in the list of doWhat and returns the wall time in seconds.
    double convert(int32_t doWhat, const QStringList &paths)
    {
        if (frm->lists().list(doWhat).count() == 0)
            for (const QString &p : paths)
                frm->lists().AppendFile(doWhat, p, true);
        if (doWhat == dwWavToMp3)
            frm->btnWavMp3->click();
        fixture.dialogs.confirmAnswers.push_back(true);
        QElapsedTimer clock;
        clock.start();
        frm->button("btnConvert")->click();
        while (frm->state().ActivityState == asConverting)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return clock.nsecsElapsed() / 1e9;
    }
};

std::map<std::string, std::pair<double, int>> totals;

void record(benchmark::State &state, const std::string &name, double seconds)
{
    state.SetIterationTime(seconds);
    totals[name].first += seconds;
    totals[name].second += 1;
}

double mean(const std::string &name)
{
    auto found = totals.find(name);
    return found == totals.end() || found->second.second == 0 ? 0 : found->second.first / found->second.second;
}

template <typename Body> void timed(benchmark::State &state, const std::string &name, Body body)
{
    if (!files().ok) {
        state.SkipWithError("cannot make the fixtures (sox, lame)");
        return;
    }
    for (auto _ : state)
        record(state, name, body());
}

void BM_WindowMp3ToWav(benchmark::State &state)
{
    Window window("IsNormalizing=0\r\n");
    timed(state, "window mp3->wav", [&] { return window.convert(dwMp3ToWav, {files().longMp3}); });
}

void BM_WindowMp3ToWavNormalizing(benchmark::State &state)
{
    Window window("IsNormalizing=1\r\n");
    timed(state, "window mp3->wav, equalizer on", [&] { return window.convert(dwMp3ToWav, {files().longMp3}); });
}

// Wall time of one run of a command, in seconds.
double timeCommand(const std::string &command)
{
    QElapsedTimer clock;
    clock.start();
    run(command);
    return clock.nsecsElapsed() / 1e9;
}

void BM_Mpg123(benchmark::State &state)
{
    std::string command = "mpg123 -q -w " + files().dir.file("ref.wav").toStdString() + " " + files().longMp3.toStdString();
    timed(state, "mpg123 -w", [&] { return timeCommand(command); });
}

void BM_WindowWavToMp3(benchmark::State &state)
{
    Window window("Mp3Bitrate=8\r\nMp3Stereo=2\r\n");
    timed(state, "window wav->mp3", [&] { return window.convert(dwWavToMp3, {files().longWav}); });
}

void BM_Lame(benchmark::State &state)
{
    std::string command = "lame --quiet -b 128 " + files().longWav.toStdString() + " " + files().dir.file("ref.mp3").toStdString();
    timed(state, "lame -b 128", [&] { return timeCommand(command); });
}

void BM_Window50ShortFiles(benchmark::State &state)
{
    Window window("IsNormalizing=0\r\n");
    timed(state, "window 50 short files", [&] { return window.convert(dwMp3ToWav, files().shortMp3s); });
}

// The codec's own time for the same 50 files: the decoder binding alone, file after file.
void BM_Decoder50ShortFiles(benchmark::State &state)
{
    TXaudioPlayer decoder;
    QEventLoop loop;
    decoder.OnNotifyPlayerState = [&](TXaudioPlayer *, int s) {
        if (s == 3)
            loop.quit();
    };
    decoder.SetCodecEqualizer(nullptr);
    decoder.SetOutputModule(0);
    QString out = files().dir.file("decoder-out.wav");
    timed(state, "decoder alone 50 short files", [&] {
        QElapsedTimer clock;
        clock.start();
        for (const QString &mp3 : files().shortMp3s) {
            decoder.OutputOpen("wav:" + out);
            decoder.InputOpen(mp3);
            decoder.Play();
            loop.exec();
        }
        decoder.OutputClose();
        return clock.nsecsElapsed() / 1e9;
    });
}

#define ROUNDS ->UseManualTime()->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Mpg123) ROUNDS;
BENCHMARK(BM_WindowMp3ToWav) ROUNDS;
BENCHMARK(BM_WindowMp3ToWavNormalizing) ROUNDS;
BENCHMARK(BM_Lame) ROUNDS;
BENCHMARK(BM_WindowWavToMp3) ROUNDS;
BENCHMARK(BM_Decoder50ShortFiles) ROUNDS;
BENCHMARK(BM_Window50ShortFiles) ROUNDS;

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TONEBRIDGE_AUDIO", "null");
    test::application();
    bench::runInterleaved(argc, argv);

    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("\n6-minute MP3 to WAV: window %.0f ms, mpg123 -w %.0f ms, ratio %.3f (equalizer on: %.0f ms, ratio %.3f)\n",
                mean("window mp3->wav") * 1000, mean("mpg123 -w") * 1000,
                ratio(mean("window mp3->wav"), mean("mpg123 -w")), mean("window mp3->wav, equalizer on") * 1000,
                ratio(mean("window mp3->wav, equalizer on"), mean("mpg123 -w")));
    std::printf("6-minute WAV to MP3 at 128 kbit/s: window %.0f ms, lame -b 128 %.0f ms, ratio %.3f\n",
                mean("window wav->mp3") * 1000, mean("lame -b 128") * 1000,
                ratio(mean("window wav->mp3"), mean("lame -b 128")));
    std::printf("50 three-second files: window %.0f ms, decoder alone %.0f ms, overhead %.2f ms per file\n",
                mean("window 50 short files") * 1000, mean("decoder alone 50 short files") * 1000,
                (mean("window 50 short files") - mean("decoder alone 50 short files")) * 1000 / 50);
    return 0;
}
