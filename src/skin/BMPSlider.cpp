#include "BMPSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cmath>

namespace tb {

namespace {
// Halves round to even, as everywhere values meet pixels.
int roundEven(double v) { return static_cast<int>(std::nearbyint(v)); }
} // namespace

TepSliderThumb::TepSliderThumb(TepBMPSlider &slider) : QWidget(&slider), slider_(slider) {}

void TepSliderThumb::setPicture(const QImage &picture)
{
    picture_ = picture;
    update();
}

void TepSliderThumb::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (!picture_.isNull())
        p.drawImage(QPointF(0, 0), picture_);
}

void TepSliderThumb::mousePressEvent(QMouseEvent *event) { slider_.thumbPressed(event); }
void TepSliderThumb::mouseMoveEvent(QMouseEvent *event) { slider_.thumbMoved(event); }
void TepSliderThumb::mouseReleaseEvent(QMouseEvent *event) { slider_.thumbReleased(event); }

TepBMPSlider::TepBMPSlider(QWidget *parent) : QWidget(parent), thumb_(new TepSliderThumb(*this))
{
    resize(140, 40);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    setTimer(std::make_unique<QtSkinTimer>());
    updateThumbPicture();
}

void TepBMPSlider::setTimer(std::unique_ptr<SkinTimer> timer)
{
    repeat_ = std::move(timer);
    repeat_->onTimeout = [this] { repeatStep(); };
}

void TepBMPSlider::setOrientation(TSliderOrientation orientation)
{
    orientation_ = orientation;
    updateThumbPicture();
}

void TepBMPSlider::setRange(int minValue, int maxValue)
{
    min_ = minValue;
    max_ = std::max(minValue, maxValue);
    setValue(value_);
    placeThumb(positionOf(value_));
}

void TepBMPSlider::setOptions(TSliderOptions options)
{
    options_ = options;
    update();
}

void TepBMPSlider::setImageHThumb(const QImage &image)
{
    hThumb_ = image;
    updateThumbPicture();
}
void TepBMPSlider::setImageVThumb(const QImage &image)
{
    vThumb_ = image;
    updateThumbPicture();
}
void TepBMPSlider::setImageHRuler(const QImage &image)
{
    hRuler_ = image;
    update();
}
void TepBMPSlider::setImageVRuler(const QImage &image)
{
    vRuler_ = image;
    update();
}
void TepBMPSlider::setEdgeSize(int size)
{
    edgeSize_ = size;
    update();
}

void TepBMPSlider::setTransparent(bool on)
{
    transparent_ = on;
    setAutoFillBackground(!on);
    update();
}

QSize TepBMPSlider::thumbSize() const
{
    const QImage &picture = horizontal() ? hThumb_ : vThumb_;
    if (!picture.isNull())
        return picture.deviceIndependentSize().toSize();
    return horizontal() ? QSize(11, 21) : QSize(21, 11);
}

int TepBMPSlider::thumbLength() const { return horizontal() ? thumbSize().width() : thumbSize().height(); }

int TepBMPSlider::TrackLength() const { return std::max(0, length() - 2 * Margin - thumbLength()); }

int TepBMPSlider::positionOf(int value) const
{
    const int range = max_ - min_;
    const int along = range == 0 ? 0 : roundEven(double(TrackLength()) * (value - min_) / range);
    return horizontal() ? Margin + along : height() - along - thumbLength() - Margin;
}

int TepBMPSlider::valueAt(int position) const
{
    const int l = TrackLength();
    if (l == 0)
        return min_;
    const int along = horizontal() ? position - Margin : height() - thumbLength() - Margin - position;
    return min_ + roundEven(double(along) * (max_ - min_) / l);
}

int TepBMPSlider::ThumbPosition() const { return horizontal() ? thumb_->x() : thumb_->y(); }

void TepBMPSlider::placeThumb(int position)
{
    const QSize size = thumbSize();
    if (horizontal())
        thumb_->setGeometry(position, (height() - size.height()) / 2, size.width(), size.height());
    else
        thumb_->setGeometry((width() - size.width()) / 2, position, size.width(), size.height());
}

void TepBMPSlider::updateThumbPicture()
{
    thumb_->setPicture(horizontal() ? hThumb_ : vThumb_);
    placeThumb(positionOf(value_));
}

void TepBMPSlider::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeThumb(positionOf(value_));
}

void TepBMPSlider::changeValue(int value, int thumbAt)
{
    value = std::clamp(value, min_, max_);
    placeThumb(thumbAt >= 0 ? thumbAt : positionOf(value));
    if (value == value_)
        return;
    value_ = value;
    if (OnChange)
        OnChange(this);
}

void TepBMPSlider::setValue(int value) { changeValue(value, -1); }

void TepBMPSlider::StepUp() { setValue(increment_ * (value_ / increment_ + 1)); }
void TepBMPSlider::StepDown() { setValue(increment_ * (value_ / increment_ - 1)); }

int TepBMPSlider::sideOf(QPoint at) const
{
    const int p = horizontal() ? at.x() : at.y();
    const int lead = ThumbPosition();
    if (p >= lead && p < lead + thumbLength())
        return 0;
    const bool beyond = p >= lead + thumbLength();
    // Right of the thumb steps up on a horizontal slider; above it on a vertical one.
    return horizontal() ? (beyond ? 1 : -1) : (beyond ? -1 : 1);
}

void TepBMPSlider::repeatStep()
{
    const int side = sideOf(pointer_);
    if (side != repeatSide_ || side == 0) {
        repeat_->stop();
        return;
    }
    if (side > 0)
        StepUp();
    else
        StepDown();
}

void TepBMPSlider::mousePressEvent(QMouseEvent *event)
{
    if (OnMouseDown)
        OnMouseDown(this, event->button(), event->position().toPoint());
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    pointer_ = event->position().toPoint();
    repeatSide_ = sideOf(pointer_);
    if (repeatSide_ == 0)
        return;
    if (repeatSide_ > 0)
        StepUp();
    else
        StepDown();
    repeat_->start(RepeatInterval);
}

void TepBMPSlider::mouseMoveEvent(QMouseEvent *event) { pointer_ = event->position().toPoint(); }

void TepBMPSlider::mouseReleaseEvent(QMouseEvent *event)
{
    repeat_->stop();
    repeatSide_ = 0;
    if (OnMouseUp)
        OnMouseUp(this, event->button(), event->position().toPoint());
}

void TepBMPSlider::thumbPressed(QMouseEvent *event)
{
    if (OnThumbMouseDown)
        OnThumbMouseDown(this, event->button(), thumb_->mapToParent(event->position().toPoint()));
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    dragging_ = true;
    grabOffset_ = horizontal() ? event->position().toPoint().x() : event->position().toPoint().y();
}

void TepBMPSlider::thumbMoved(QMouseEvent *event)
{
    const QPoint at = thumb_->mapToParent(event->position().toPoint());
    if (dragging_) {
        const int wanted = (horizontal() ? at.x() : at.y()) - grabOffset_;
        const int low = horizontal() ? Margin : height() - thumbLength() - Margin - TrackLength();
        const int position = std::clamp(wanted, low, low + TrackLength());
        if (options_ & soSmooth) {
            changeValue(valueAt(position), position);
        } else {
            const int along = horizontal() ? position - Margin : height() - thumbLength() - Margin - position;
            const double exact = TrackLength() == 0 ? 0 : double(along) * (max_ - min_) / TrackLength();
            const int snapped = min_ + increment_ * roundEven(exact / increment_);
            changeValue(snapped, -1);
        }
    }
    if (OnThumbMouseMove)
        OnThumbMouseMove(this, at);
}

void TepBMPSlider::thumbReleased(QMouseEvent *event)
{
    dragging_ = false;
    if (OnThumbMouseUp)
        OnThumbMouseUp(this, event->button(), thumb_->mapToParent(event->position().toPoint()));
}

void TepBMPSlider::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Home:
        setValue(min_);
        break;
    case Qt::Key_End:
        setValue(max_);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Left:
    case Qt::Key_Down: {
        const bool up = horizontal() ? event->key() == Qt::Key_Right : event->key() == Qt::Key_Up;
        const bool along = horizontal() ? (event->key() == Qt::Key_Right || event->key() == Qt::Key_Left)
                                        : (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down);
        if (!along) {
            QWidget::keyPressEvent(event);
            return;
        }
        if (up)
            StepUp();
        else
            StepDown();
        break;
    }
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TepBMPSlider::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QImage &ruler = horizontal() ? hRuler_ : vRuler_;
    if (!ruler.isNull()) {
        const QSizeF size = ruler.deviceIndependentSize();
        p.drawImage(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), ruler);
    }
    if ((options_ & soShowPoints) && increment_ > 0 && max_ > min_) {
        p.setPen(palette().color(QPalette::WindowText));
        for (int v = min_; v <= max_; v += increment_) {
            const int at = positionOf(v) + thumbLength() / 2;
            if (horizontal())
                p.drawPoint(at, height() - edgeSize_);
            else
                p.drawPoint(width() - edgeSize_, at);
        }
    }
    if ((options_ & soShowFocus) && hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(edgeSize_ / 2, edgeSize_ / 2, -edgeSize_ / 2, -edgeSize_ / 2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

} // namespace tb
