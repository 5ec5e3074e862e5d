#include "SkinTestSupport.h"
#include "skin/MorphButton.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace tb;
using tb::test::ManualTimer;

namespace {

QImage solid(QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A 20 x 10 button that fades from black to white; the down picture is blue.
struct ButtonRig {
    // The application comes before any widget.
    QApplication &app = test::skinApplication();
    QWidget window;
    TepMorphButton button{"btnPlay", &window};
    ManualTimer *timer = new ManualTimer;
    TepWavePlayer wavSwitch{"wavSwitch"}, wavClick{"wavClick"};
    QStringList log;

    ButtonRig()
    {
        test::skinApplication();
        window.resize(100, 100);
        button.setGeometry(10, 10, 20, 10);
        button.setTimer(std::unique_ptr<SkinTimer>(timer));
        button.setInterval(1);
        button.setUpGlyph(solid({20, 10}, qRgb(0, 0, 0)));
        button.setActiveGlyph(solid({20, 10}, qRgb(255, 255, 255)));
        button.setDownGlyph(solid({20, 10}, qRgb(0, 0, 255)));
        // Sounds without a wave image: they only report that they were played.
        wavSwitch.BeforePlay = [this](TepWavePlayer *) { log << "hover sound"; };
        wavClick.BeforePlay = [this](TepWavePlayer *) { log << "click sound"; };
        button.setActiveSound(&wavSwitch);
        button.setClickSound(&wavClick);
        button.OnClick = [this](TepMorphButton *) { log << "click"; };
        button.OnMouseEnter = [this](TepMorphButton *) { log << "enter"; };
        button.OnMouseLeave = [this](TepMorphButton *) { log << "leave"; };
        button.OnMouseUp = [this](TepMorphButton *, Qt::MouseButton b, QPoint, QPoint) {
            log << QString("up %1").arg(int(b));
        };
        window.show();
        button.show();
    }
    void enter()
    {
        QEnterEvent e(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
        QCoreApplication::sendEvent(&button, &e);
    }
    void leave()
    {
        QEvent e(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &e);
    }
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton b = Qt::LeftButton)
    {
        QMouseEvent e(type, QPointF(at), button.mapToGlobal(QPointF(at)), b,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b), Qt::NoModifier);
        QCoreApplication::sendEvent(&button, &e);
    }
    QRgb shown() const { return button.currentPicture().pixel(3, 3); }
};

TEST(MorphButton, EnteringFadesInStepByStepAndLeavingFadesOut)
{
    ButtonRig rig;
    EXPECT_EQ(rig.shown(), qRgb(0, 0, 0));
    rig.enter();
    EXPECT_EQ(rig.log, (QStringList{"hover sound", "enter"}));
    EXPECT_TRUE(rig.timer->active);
    EXPECT_EQ(rig.timer->interval, 1);
    rig.timer->fire();
    EXPECT_DOUBLE_EQ(rig.button.fade(), 0.1);
    EXPECT_EQ(rig.shown(), qRgb(26, 26, 26)); // round(0.1 x 255) = round(25.5)
    for (int i = 0; i < 4; ++i)
        rig.timer->fire();
    EXPECT_EQ(rig.shown(), qRgb(128, 128, 128)); // 127.5 rounds to even
    for (int i = 0; i < 10; ++i)
        rig.timer->fire();
    EXPECT_FALSE(rig.timer->active) << "the fade stops once it reaches the active picture";
    EXPECT_EQ(rig.button.fade(), 1.0);
    EXPECT_EQ(rig.shown(), qRgb(255, 255, 255));

    rig.leave();
    EXPECT_EQ(rig.log.last(), "leave");
    EXPECT_TRUE(rig.timer->active);
    for (int i = 0; i < 12; ++i)
        rig.timer->fire();
    EXPECT_FALSE(rig.timer->active);
    EXPECT_EQ(rig.button.fade(), 0.0);
    EXPECT_EQ(rig.shown(), qRgb(0, 0, 0));
}

TEST(MorphButton, AClickInsidePlaysTheClickSoundThenClicksThenReportsTheRelease)
{
    ButtonRig rig;
    rig.enter();
    rig.log.clear();
    rig.mouse(QEvent::MouseButtonPress, {5, 5});
    EXPECT_TRUE(rig.button.pressed());
    EXPECT_FALSE(rig.timer->active) << "the down picture stops the fade";
    EXPECT_EQ(rig.shown(), qRgb(0, 0, 255));
    rig.mouse(QEvent::MouseButtonRelease, {5, 5});
    EXPECT_EQ(rig.log, (QStringList{"click sound", "click", "up 1"}));
    EXPECT_EQ(rig.shown(), qRgb(255, 255, 255)) << "back to the active picture";
}

TEST(MorphButton, PressLeaveAndReleaseOutsideNeitherClicksNorSounds)
{
    ButtonRig rig;
    rig.enter();
    rig.mouse(QEvent::MouseButtonPress, {5, 5});
    rig.log.clear();
    rig.mouse(QEvent::MouseMove, {40, 5});
    EXPECT_FALSE(rig.button.mouseInside());
    EXPECT_EQ(rig.log, QStringList{"leave"});
    EXPECT_EQ(rig.button.fade(), 1.0);
    rig.mouse(QEvent::MouseButtonRelease, {40, 5});
    EXPECT_EQ(rig.log, (QStringList{"leave", "up 1"}));
    EXPECT_FALSE(rig.button.pressed());
    EXPECT_NE(rig.shown(), qRgb(0, 0, 255)) << "the faded picture replaces the down picture";
}

TEST(MorphButton, HiddenWhilePressedTheButtonForgetsThePress)
{
    ButtonRig rig;
    rig.enter();
    rig.mouse(QEvent::MouseButtonPress, {5, 5});
    rig.button.hide();
    EXPECT_FALSE(rig.button.pressed());
    rig.button.show();
    rig.enter();
    rig.log.clear();
    rig.mouse(QEvent::MouseButtonPress, {5, 5});
    rig.mouse(QEvent::MouseButtonRelease, {5, 5});
    EXPECT_EQ(rig.log, (QStringList{"click sound", "click", "up 1"}));
}

TEST(MorphButton, WithoutSoundsItStillFades)
{
    ButtonRig rig;
    rig.button.setActiveSound(nullptr);
    rig.button.setClickSound(nullptr);
    rig.enter();
    for (int i = 0; i < 3; ++i)
        rig.timer->fire();
    EXPECT_NEAR(rig.button.fade(), 0.3, 1e-12);
    rig.mouse(QEvent::MouseButtonPress, {5, 5});
    rig.mouse(QEvent::MouseButtonRelease, {5, 5});
    EXPECT_EQ(rig.log, (QStringList{"enter", "click", "up 1"}));
}

TEST(MorphButton, OtherButtonsOnlyReportTheirRelease)
{
    ButtonRig rig;
    rig.enter();
    rig.log.clear();
    rig.mouse(QEvent::MouseButtonPress, {5, 5}, Qt::RightButton);
    EXPECT_FALSE(rig.button.pressed());
    rig.mouse(QEvent::MouseButtonRelease, {5, 5}, Qt::RightButton);
    EXPECT_EQ(rig.log, QStringList{"up 2"});
}

TEST(MorphButton, ADestroyedSoundIsClearedAndAMissingPictureShowsOnlyTheBackground)
{
    ButtonRig rig;
    auto sound = std::make_unique<TepWavePlayer>("wavClick");
    rig.button.setClickSound(sound.get());
    sound.reset();
    EXPECT_EQ(rig.button.ClickSound(), nullptr);
    rig.button.click();
    EXPECT_EQ(rig.log, QStringList{"click"});
    rig.button.setActiveGlyph(QImage());
    EXPECT_TRUE(rig.button.currentPicture().isNull());
}

TEST(MorphButton, BlendRoundsEachChannelAndCutsALargerActivePicture)
{
    struct Case {
        QRgb up, active;
        double f;
        QRgb expected;
    };
    for (const Case &c : {Case{qRgb(0, 0, 0), qRgb(255, 255, 255), 0.5, qRgb(128, 128, 128)},
                          Case{qRgb(10, 200, 31), qRgb(20, 100, 30), 0.25, qRgb(12, 175, 31)},
                          Case{qRgb(10, 20, 30), qRgb(250, 240, 230), 1.7, qRgb(250, 240, 230)},
                          Case{qRgb(10, 20, 30), qRgb(250, 240, 230), -0.3, qRgb(10, 20, 30)}}) {
        const QImage out = TepMorphButton::Blend(solid({3, 2}, c.up), solid({5, 4}, c.active), c.f);
        EXPECT_EQ(out.size(), QSize(3, 2));
        EXPECT_EQ(out.pixel(2, 1), c.expected) << c.f;
    }
}

TEST(MorphButton, TransparentGlyphsLeaveOutTheirBottomLeftColour)
{
    ButtonRig rig;
    QImage up = solid({20, 10}, qRgb(255, 0, 255)), active = up;
    up.setPixel(5, 5, qRgb(1, 2, 3));
    active.setPixel(5, 5, qRgb(201, 202, 203));
    rig.button.setUpGlyph(up);
    rig.button.setActiveGlyph(active);
    rig.button.setGlyphsTransparent(true);
    const QImage shown = rig.button.currentPicture();
    EXPECT_EQ(qAlpha(shown.pixel(0, 9)), 0);
    EXPECT_EQ(qAlpha(shown.pixel(12, 2)), 0);
    EXPECT_EQ(shown.pixel(5, 5), qRgb(1, 2, 3));
}

} // namespace
