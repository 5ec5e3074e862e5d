// The skin's costs: cutting the outline from the 437 x 463 skin, one fade step of the largest
// hover button (blend and repaint), and a pointer sweeping across all 19 buttons with the fade
// timer at 1 ms, reported as the share of one core it keeps busy.
#include "skin/DIBFormShaper.h"
#include "skin/MorphButton.h"
#include "skin/SkinArtwork.h"
#include "skin/SkinLayout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>

using namespace tb;

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void BM_OutlineFromSkin(benchmark::State &state)
{
    const QImage skin = skin::backBitmap();
    const QRgb key = TDIBFormShaper::TransparentColourOf(skin, tmAuto, 0);
    int rects = 0;
    for (auto _ : state) {
        QRegion region = TDIBFormShaper::BuildRegion(skin, key);
        rects = region.rectCount();
        benchmark::DoNotOptimize(region);
    }
    state.counters["rects"] = rects;
}
BENCHMARK(BM_OutlineFromSkin)->Unit(benchmark::kMicrosecond);

// The largest button (btnConvert, 56 x 47) at the given device pixel ratio, on a shown window.
void BM_FadeStep(benchmark::State &state)
{
    const qreal ratio = qreal(state.range(0));
    QWidget window;
    window.resize(MainClientWidth, MainClientHeight);
    TepMorphButton button("btnConvert", &window);
    button.setGeometry(351, 384, 56, 47);
    button.setTransparent(true);
    button.setUpGlyph(skin::picture("btnConvert-up", ratio));
    button.setActiveGlyph(skin::picture("btnConvert-active", ratio));
    button.setDownGlyph(skin::picture("btnConvert-down", ratio));
    window.show();
    button.show();
    QApplication::processEvents();
    for (auto _ : state) {
        // One tick: the next fade factor, blended and painted into the window's backing store.
        button.repaint();
    }
}
BENCHMARK(BM_FadeStep)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The pointer crosses every button in turn: each one is shown, fades in and out with the real
// 1 ms timer. Reported: processor time over wall-clock time, the share of one core.
void BM_HoverSweep(benchmark::State &state)
{
    QWidget window;
    window.resize(MainClientWidth, MainClientHeight);
    std::vector<std::unique_ptr<TepMorphButton>> buttons;
    for (const ButtonPlace &place : mainButtonPlaces()) {
        auto b = std::make_unique<TepMorphButton>(place.name, &window);
        b->setGeometry(place.rect);
        b->setTransparent(true);
        b->setInterval(1);
        b->setUpGlyph(skin::picture(QString(place.name) + "-up"));
        b->setActiveGlyph(skin::picture(QString(place.name) + "-active"));
        b->setDownGlyph(skin::picture(QString(place.name) + "-down"));
        buttons.push_back(std::move(b));
    }
    window.show();
    QApplication::processEvents();
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        // A sweep of about one second: 19 buttons, about 50 ms each, like a slow hand.
        for (auto &b : buttons) {
            b->show();
            QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
            QCoreApplication::sendEvent(b.get(), &enter);
            QEventLoop over;
            QTimer::singleShot(50, &over, &QEventLoop::quit);
            over.exec();
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(b.get(), &leave);
            b->hide();
        }
        wall += clock.nsecsElapsed() / 1e9;
        cpu += cpuSeconds() - c0;
    }
    state.counters["core_percent"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_HoverSweep)->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
