// The skinned main window on a real X display: its outline, hover, click and drag, driven with
// real pointer events through xdotool.
#include "app/OptionsFrm.h"
#include "skin/DIBFormShaper.h"
#include "skin/MorphButton.h"
#include "skin/SkinLayout.h"
#include "support/AppFixture.h"
#include "support/XServer.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/shape.h>

#include <cstdlib>

using namespace tb;

namespace {

using test::XServer;

XServer *server = nullptr;

// The bounding shape the X server keeps for the window, from the SHAPE extension itself.
QRegion xShapeOf(WId window)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return {};
    xcb_connection_t *connection = x11->connection();
    xcb_shape_get_rectangles_reply_t *reply = xcb_shape_get_rectangles_reply(
        connection, xcb_shape_get_rectangles(connection, xcb_window_t(window), XCB_SHAPE_SK_BOUNDING), nullptr);
    QRegion shape;
    if (!reply)
        return shape;
    const xcb_rectangle_t *rects = xcb_shape_get_rectangles_rectangles(reply);
    for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply); ++i)
        shape += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    std::free(reply);
    return shape;
}

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Waits, with the event loop running, until the condition holds or five seconds have passed.
template <typename Condition>
bool waitFor(Condition condition)
{
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return condition();
}

void xdotool(const QStringList &args)
{
    QProcess p;
    p.start("xdotool", args);
    p.waitForFinished(5000);
}

QImage screenPixels(QRect r) { return QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage(); }

class MainWindowOnX : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new XServer;
        qputenv("DISPLAY", server->display().toLatin1());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        ASSERT_FALSE(server->display().isEmpty()) << "Xvfb did not start";
        fixture = std::make_unique<test::AppFixture>();
        frm = &fixture->create();
        frm->show();
        ASSERT_TRUE(waitFor([this] { return frm->isVisible() && frm->windowHandle()->isExposed(); }));
        settle(100);
        origin = frm->geometry().topLeft();
    }
    void TearDown() override { fixture.reset(); }
    void pointerTo(QPoint client)
    {
        const QPoint at = frm->mapToGlobal(client);
        xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
    }

    std::unique_ptr<test::AppFixture> fixture;
    TMainFrm *frm = nullptr;
    QPoint origin;
};

TEST_F(MainWindowOnX, TheWindowIsCutToTheSkinsOutline)
{
    EXPECT_TRUE(frm->windowFlags() & Qt::FramelessWindowHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE(std::abs(frm->geometry().center().x() - screen.center().x()), 1) << "centred";
    const QRegion outline = frm->sknShaper->Region();
    EXPECT_EQ(frm->mask(), outline);
    EXPECT_NE(outline, QRegion(frm->rect()));

    // The X server's own idea of the shape: its extents are the outline's, not the window's.
    QProcess info;
    info.start("xwininfo", {"-id", QString::number(frm->winId()), "-shape"});
    info.waitForFinished(5000);
    const QString text = QString::fromLocal8Bit(info.readAllStandardOutput());
    const QRect box = outline.boundingRect();
    EXPECT_TRUE(text.contains(QString("Window shape extents:  %1x%2+%3+%4")
                                  .arg(box.width()).arg(box.height()).arg(box.x()).arg(box.y())))
        << text.toStdString();

    // Every rectangle of it, not only the extents.
    const QRegion xShape = xShapeOf(frm->winId());
    EXPECT_FALSE(xShape.isEmpty());
    EXPECT_TRUE(xShape.xored(outline).isEmpty()) << "rectangles that differ: " << xShape.xored(outline).rectCount();

    // Where the skin is red, the screen shows what lies behind the window.
    const QImage corner = screenPixels(QRect(origin + QPoint(0, MainClientHeight - 6), QSize(6, 6)));
    EXPECT_NE(corner.pixelColor(0, 5).rgb(), qRgb(255, 0, 0));
    EXPECT_EQ(corner.pixelColor(0, 5).rgb(), screenPixels(QRect(QPoint(0, 0), QSize(1, 1))).pixelColor(0, 0).rgb());
}

TEST_F(MainWindowOnX, APointerOverAButtonShowsItAndItFadesToItsActivePicture)
{
    TepMorphButton *play = frm->button("btnPlay");
    const QRect r = play->geometry();
    const QImage before = screenPixels(QRect(origin + r.topLeft(), r.size()));
    pointerTo(r.center() + QPoint(0, 8));
    ASSERT_TRUE(waitFor([&] { return play->isVisible(); }));
    ASSERT_TRUE(waitFor([&] { return play->fade() == 1.0; }));
    settle(100);
    const QImage after = screenPixels(QRect(origin + r.topLeft(), r.size())).convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(before.convertToFormat(QImage::Format_RGB32), after);
    const QImage active = play->ActiveGlyph().convertToFormat(QImage::Format_RGB32);
    int same = 0;
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x)
            same += after.pixel(x, y) == active.pixel(x, y);
    EXPECT_GT(same, r.width() * r.height() * 9 / 10) << "the screen shows the active picture";

    pointerTo(QPoint(200, 200)); // over the list
    EXPECT_TRUE(waitFor([&] { return !play->isVisible(); })) << "hidden again once the pointer has left";
}

TEST_F(MainWindowOnX, AClickOnTheOptionsButtonOpensTheOptionsDialog)
{
    TOptionsFrm options(frm->options(), frm->context(), frm->core());
    frm->setDialogs(&options, nullptr);
    bool shown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (options.isVisible()) {
            shown = true;
            options.reject();
        }
    });
    watch.start(20);
    const QRect r = frm->button("btnOptions")->geometry();
    pointerTo(r.center());
    ASSERT_TRUE(waitFor([&] { return frm->button("btnOptions")->isVisible(); }));
    xdotool({"click", "1"});
    EXPECT_TRUE(waitFor([&] { return shown; }));
}

TEST_F(MainWindowOnX, ADragOnTheSkinMovesTheWindow)
{
    pointerTo(QPoint(200, 10)); // the title strip
    settle(50);
    xdotool({"mousedown", "1"});
    settle(50);
    for (int step = 1; step <= 5; ++step) {
        const QPoint target = origin + QPoint(200 + 12 * step, 10 + 8 * step);
        xdotool({"mousemove", QString::number(target.x()), QString::number(target.y())});
        settle(30);
    }
    xdotool({"mouseup", "1"});
    EXPECT_TRUE(waitFor([&] { return frm->geometry().topLeft() == origin + QPoint(60, 40); }))
        << frm->geometry().topLeft().x() << "," << frm->geometry().topLeft().y();
}

} // namespace
