#include "SkinTestSupport.h"
#include "skin/BMPSlider.h"
#include "skin/SkinLayout.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace tb;
using tb::test::ManualTimer;

namespace {

QImage thumbPicture(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    return image;
}

// The window's two sliders, with every event they raise written down.
struct SliderRig {
    // The application comes before any widget.
    QApplication &app = test::skinApplication();
    QWidget window;
    TepBMPSlider slider{&window};
    ManualTimer *timer = new ManualTimer;
    QStringList log;

    explicit SliderRig(bool horizontal = true)
    {
        test::skinApplication();
        window.resize(MainClientWidth, MainClientHeight);
        slider.setTimer(std::unique_ptr<SkinTimer>(timer));
        slider.setOrientation(horizontal ? soHorizontal : soVertical);
        slider.setImageHThumb(thumbPicture(PlayThumbSize));
        slider.setImageVThumb(thumbPicture(VolumeThumbSize));
        slider.setGeometry(horizontal ? PlaySliderRect : VolumeSliderRect);
        slider.setOptions(soSmooth);
        slider.setTransparent(true);
        slider.OnChange = [this](TepBMPSlider *s) { log << QString("change %1").arg(s->Value()); };
        slider.OnMouseDown = [this](TepBMPSlider *, Qt::MouseButton, QPoint) { log << "down"; };
        slider.OnMouseUp = [this](TepBMPSlider *, Qt::MouseButton, QPoint) { log << "up"; };
        slider.OnThumbMouseDown = [this](TepBMPSlider *, Qt::MouseButton, QPoint) { log << "thumb down"; };
        slider.OnThumbMouseUp = [this](TepBMPSlider *, Qt::MouseButton, QPoint) { log << "thumb up"; };
        window.show();
    }
    void send(QWidget *to, QEvent::Type type, QPoint at)
    {
        QMouseEvent e(type, QPointF(at), to->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(to, &e);
    }
    void key(int k)
    {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(&slider, &e);
    }
};

TEST(BMPSlider, TheWindowsSlidersHaveTheirTrackLengths)
{
    SliderRig play(true), volume(false);
    EXPECT_EQ(play.slider.TrackLength(), 232);
    EXPECT_EQ(volume.slider.TrackLength(), 140);
    volume.slider.setValue(100);
    EXPECT_EQ(volume.slider.ThumbPosition(), 6) << "the largest value at the top";
    volume.slider.setValue(0);
    EXPECT_EQ(volume.slider.ThumbPosition(), 175 - 23 - 6);
    volume.slider.setValue(50);
    EXPECT_EQ(volume.slider.ThumbPosition(), 175 - 70 - 23 - 6);
    EXPECT_EQ(volume.slider.thumb()->x(), (23 - 13) / 2) << "centred across";
}

TEST(BMPSlider, PressesDragsAndKeys)
{
    enum Kind { TrackPress, Drag, SetValue, Key };
    struct Case {
        const char *what;
        bool horizontal;
        int start;
        Kind kind;
        int at;       // pixel along the slider (press), thumb edge (drag), value or key
        int expected; // value afterwards
        QStringList events;
    };
    const Case cases[] = {
        {"right of the thumb steps up", true, 37, TrackPress, 200, 40, {"down", "change 40", "up"}},
        {"left of the thumb steps down", true, 37, TrackPress, 40, 20, {"down", "change 20", "up"}},
        {"above a vertical thumb steps up", false, 37, TrackPress, 10, 40, {"down", "change 40", "up"}},
        {"below a vertical thumb steps down", false, 37, TrackPress, 170, 20, {"down", "change 20", "up"}},
        {"thumb edge at 122", true, 0, Drag, 122, 50, {"thumb down", "change 50", "thumb up"}},
        {"thumb dragged past the end", true, 0, Drag, 400, 100, {"thumb down", "change 100", "thumb up"}},
        {"vertical thumb dragged to the top", false, 0, Drag, 6, 100, {"thumb down", "change 100", "thumb up"}},
        {"150 is clamped", true, 0, SetValue, 150, 100, {"change 100"}},
        {"-5 is clamped", true, 30, SetValue, -5, 0, {"change 0"}},
        {"the same value raises nothing", true, 30, SetValue, 30, 30, {}},
        {"Home", true, 37, Key, Qt::Key_Home, 0, {"change 0"}},
        {"End", true, 37, Key, Qt::Key_End, 100, {"change 100"}},
        {"Right steps up", true, 37, Key, Qt::Key_Right, 40, {"change 40"}},
        {"Left steps down", true, 37, Key, Qt::Key_Left, 20, {"change 20"}},
        {"Up on a vertical slider", false, 37, Key, Qt::Key_Up, 40, {"change 40"}},
        {"Down on a vertical slider", false, 37, Key, Qt::Key_Down, 20, {"change 20"}},
        {"Up does nothing across a horizontal slider", true, 37, Key, Qt::Key_Up, 37, {}},
    };
    for (const Case &c : cases) {
        SliderRig rig(c.horizontal);
        rig.slider.setValue(c.start);
        rig.log.clear();
        const auto along = [&](int v) { return c.horizontal ? QPoint(v, 9) : QPoint(11, v); };
        switch (c.kind) {
        case TrackPress:
            rig.send(&rig.slider, QEvent::MouseButtonPress, along(c.at));
            rig.send(&rig.slider, QEvent::MouseButtonRelease, along(c.at));
            break;
        case Drag: {
            QWidget *thumb = rig.slider.thumb();
            rig.send(thumb, QEvent::MouseButtonPress, QPoint(2, 2));
            const QPoint edge = along(c.at) - thumb->pos();
            const QPoint grab = c.horizontal ? QPoint(edge.x() + 2, 2) : QPoint(2, edge.y() + 2);
            rig.send(thumb, QEvent::MouseMove, grab);
            rig.send(thumb, QEvent::MouseButtonRelease, grab);
            break;
        }
        case SetValue:
            rig.slider.setValue(c.at);
            break;
        case Key:
            rig.key(c.at);
            break;
        }
        EXPECT_EQ(rig.slider.Value(), c.expected) << c.what;
        EXPECT_EQ(rig.log, c.events) << c.what;
    }
}

TEST(BMPSlider, AHeldPressRepeatsEvery400msUntilTheThumbReachesThePointer)
{
    SliderRig rig;
    rig.slider.setValue(37);
    rig.log.clear();
    // Value 70 puts the thumb's leading edge at 6 + 162 = 168; the pointer waits at 180.
    rig.send(&rig.slider, QEvent::MouseButtonPress, QPoint(180, 9));
    EXPECT_EQ(rig.slider.Value(), 40);
    EXPECT_TRUE(rig.timer->active);
    EXPECT_EQ(rig.timer->interval, 400);
    for (int i = 0; i < 6; ++i)
        rig.timer->fire();
    EXPECT_EQ(rig.slider.Value(), 70) << "the thumb now covers the pointer";
    EXPECT_FALSE(rig.timer->active);
    rig.send(&rig.slider, QEvent::MouseButtonRelease, QPoint(180, 9));
    EXPECT_EQ(rig.log, (QStringList{"down", "change 40", "change 50", "change 60", "change 70", "up"}));
}

TEST(BMPSlider, DraggingWithoutSmoothSnapsToTheIncrement)
{
    SliderRig rig;
    rig.slider.setOptions(0);
    QWidget *thumb = rig.slider.thumb();
    rig.send(thumb, QEvent::MouseButtonPress, QPoint(0, 2));
    rig.send(thumb, QEvent::MouseMove, QPoint(6 + 81 - thumb->x(), 2)); // 81 px is 34.9 %
    EXPECT_EQ(rig.slider.Value(), 30);
    EXPECT_EQ(rig.slider.ThumbPosition(), 6 + 70);
}

TEST(BMPSlider, ADisabledSliderTakesNoInputButFollowsTheProgram)
{
    SliderRig rig;
    rig.slider.setEnabled(false);
    rig.slider.setValue(37);
    EXPECT_EQ(rig.slider.ThumbPosition(), 6 + 86);
    rig.log.clear();
    {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(200, 9), QPointF(200, 9), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(&rig.slider, &e); // Qt holds input back from a disabled widget
    }
    EXPECT_EQ(rig.slider.Value(), 37);
    EXPECT_TRUE(rig.log.isEmpty());
}

TEST(BMPSlider, ACreatedSliderHasItsDefaults)
{
    test::skinApplication();
    TepBMPSlider s;
    EXPECT_EQ(s.size(), QSize(140, 40));
    EXPECT_EQ(s.Orientation(), soHorizontal);
    EXPECT_EQ(s.MinValue(), 0);
    EXPECT_EQ(s.MaxValue(), 100);
    EXPECT_EQ(s.Increment(), 10);
    EXPECT_EQ(s.EdgeSize(), 2);
    EXPECT_EQ(s.Options(), unsigned(soShowFocus | soShowPoints | soSmooth));
    EXPECT_EQ(s.focusPolicy(), Qt::StrongFocus);
}

} // namespace
