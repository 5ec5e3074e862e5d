// A slider that draws a thumb picture over a transparent track. Presses on the track step the
// value towards the pointer (and repeat while held); the thumb is dragged; Home, End and the
// arrow keys move it when focused. Presses on the track and on the thumb are reported apart.
#pragma once

#include "SkinTimer.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

namespace tb {

enum TSliderOrientation { soHorizontal, soVertical };
enum TSliderOption : unsigned { soShowFocus = 0x1, soShowPoints = 0x2, soSmooth = 0x4 };
using TSliderOptions = unsigned;

class TepBMPSlider;

// The thumb: a child control showing the thumb picture; its mouse events are the slider's
// thumb events.
class TepSliderThumb : public QWidget {
    Q_OBJECT
public:
    explicit TepSliderThumb(TepBMPSlider &slider);
    void setPicture(const QImage &picture);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TepBMPSlider &slider_;
    QImage picture_;
};

class TepBMPSlider : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TepBMPSlider *Sender)>;
    using TMouseEvent = std::function<void(TepBMPSlider *Sender, Qt::MouseButton Button, QPoint pos)>;
    using TMouseMoveEvent = std::function<void(TepBMPSlider *Sender, QPoint pos)>;

    static constexpr int RepeatInterval = 400; // milliseconds between two steps of a held press
    static constexpr int Margin = 6;           // from each end of the slider to the thumb's travel

    explicit TepBMPSlider(QWidget *parent = nullptr);

    TSliderOrientation Orientation() const { return orientation_; }
    void setOrientation(TSliderOrientation orientation);
    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    void setRange(int minValue, int maxValue);
    int Value() const { return value_; }
    // Clamped to the range; moves the thumb and raises OnChange when the value changed.
    void setValue(int value);
    int Increment() const { return increment_; }
    void setIncrement(int increment) { increment_ = increment > 0 ? increment : 1; }
    TSliderOptions Options() const { return options_; }
    void setOptions(TSliderOptions options);
    void setImageHThumb(const QImage &image);
    void setImageVThumb(const QImage &image);
    void setImageHRuler(const QImage &image);
    void setImageVRuler(const QImage &image);
    int EdgeSize() const { return edgeSize_; }
    void setEdgeSize(int size);
    bool Transparent() const { return transparent_; }
    void setTransparent(bool on);

    TNotifyEvent OnChange;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseEvent OnThumbMouseDown;
    TMouseMoveEvent OnThumbMouseMove;
    TMouseEvent OnThumbMouseUp;

    // The thumb's travel L, its leading edge along the slider, and the thumb control.
    int TrackLength() const;
    int ThumbPosition() const;
    QWidget *thumb() const { return thumb_; }
    bool repeating() const { return repeat_->isActive(); }
    // Tests drive the repeat with a timer of their own.
    void setTimer(std::unique_ptr<SkinTimer> timer);

    // One step up or down by Increment from the current value, to a multiple of Increment.
    void StepUp();
    void StepDown();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class TepSliderThumb;
    void thumbPressed(QMouseEvent *event);
    void thumbMoved(QMouseEvent *event);
    void thumbReleased(QMouseEvent *event);

    bool horizontal() const { return orientation_ == soHorizontal; }
    int length() const { return horizontal() ? width() : height(); }
    int thumbLength() const;
    QSize thumbSize() const;
    int positionOf(int value) const;
    int valueAt(int position) const;
    void changeValue(int value, int thumbAt);
    void placeThumb(int position);
    void updateThumbPicture();
    // Which way a press at this point steps: +1 up, -1 down, 0 on the thumb.
    int sideOf(QPoint at) const;
    void repeatStep();

    TSliderOrientation orientation_ = soHorizontal;
    int min_ = 0, max_ = 100, value_ = 0, increment_ = 10;
    TSliderOptions options_ = soShowFocus | soShowPoints | soSmooth;
    QImage hThumb_, vThumb_, hRuler_, vRuler_;
    int edgeSize_ = 2;
    bool transparent_ = false;
    TepSliderThumb *thumb_;
    std::unique_ptr<SkinTimer> repeat_;
    int repeatSide_ = 0;
    QPoint pointer_;       // where the held press on the track is now
    bool dragging_ = false;
    int grabOffset_ = 0;   // from the thumb's leading edge to where it was grabbed
};

} // namespace tb
