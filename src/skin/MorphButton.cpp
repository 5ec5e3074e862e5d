#include "MorphButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tb {

TepMorphButton::TepMorphButton(const QString &name, QWidget *parent) : QWidget(parent)
{
    setObjectName(name);
    setVisible(false);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    setTimer(std::make_unique<QtSkinTimer>());
}

void TepMorphButton::setTimer(std::unique_ptr<SkinTimer> timer)
{
    timer_ = std::move(timer);
    timer_->onTimeout = [this] { tick(); };
}

void TepMorphButton::setUpGlyph(const QImage &image)
{
    up_ = image.convertToFormat(QImage::Format_RGB32);
    update();
}
void TepMorphButton::setDownGlyph(const QImage &image)
{
    down_ = image.convertToFormat(QImage::Format_RGB32);
    update();
}
void TepMorphButton::setActiveGlyph(const QImage &image)
{
    active_ = image.convertToFormat(QImage::Format_RGB32);
    update();
}
void TepMorphButton::setGlyphsTransparent(bool on)
{
    glyphsTransparent_ = on;
    update();
}

void TepMorphButton::setTransparent(bool on)
{
    transparent_ = on;
    // Without transparency the button paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent, !on);
    update();
}

QImage TepMorphButton::Blend(const QImage &up, const QImage &active, double f)
{
    f = std::clamp(f, 0.0, 1.0);
    const QImage a = up.convertToFormat(QImage::Format_RGB32);
    QImage b = active.convertToFormat(QImage::Format_RGB32);
    if (b.size() != a.size()) {
        QImage cut(a.size(), QImage::Format_RGB32);
        cut.fill(Qt::black);
        QPainter p(&cut);
        p.drawImage(0, 0, b);
        p.end();
        b = cut;
    }
    QImage out(a.size(), QImage::Format_RGB32);
    out.setDevicePixelRatio(up.devicePixelRatio());
    const double g = 1.0 - f;
    auto channel = [f, g](int x, int y) { return std::clamp(static_cast<int>(std::nearbyint(g * x + f * y)), 0, 255); };
    for (int y = 0; y < a.height(); ++y) {
        const auto *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        auto *po = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < a.width(); ++x)
            po[x] = qRgb(channel(qRed(pa[x]), qRed(pb[x])), channel(qGreen(pa[x]), qGreen(pb[x])),
                         channel(qBlue(pa[x]), qBlue(pb[x])));
    }
    return out;
}

QImage TepMorphButton::KeyedOut(const QImage &picture)
{
    QImage out = picture.convertToFormat(QImage::Format_ARGB32);
    if (out.isNull())
        return out;
    const QRgb key = out.pixel(0, out.height() - 1) & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((row[x] & 0xFFFFFF) == key)
                row[x] = 0;
    }
    return out;
}

QImage TepMorphButton::currentPicture() const
{
    if (up_.isNull() || active_.isNull())
        return {};
    QImage picture = pressed_ && inside_ && !down_.isNull() ? down_ : Blend(up_, active_, fade_);
    if (glyphsTransparent_)
        picture = KeyedOut(picture);
    picture.setDevicePixelRatio(up_.devicePixelRatio());
    return picture;
}

void TepMorphButton::paintEvent(QPaintEvent *)
{
    // Qt's backing store is the off-screen image: the window's background and the skin under
    // the button are already in it when the button is transparent, and it reaches the screen in
    // one piece, so the fade does not flicker.
    QPainter p(this);
    if (!transparent_)
        p.fillRect(rect(), palette().button());
    const QImage picture = currentPicture();
    if (!picture.isNull())
        p.drawImage(QPointF(0, 0), picture);
}

void TepMorphButton::startFade(Fade direction)
{
    direction_ = direction;
    timer_->start(static_cast<int>(interval_));
}

void TepMorphButton::tick()
{
    if (direction_ == Fade::In) {
        if (fade_ >= 1) {
            timer_->stop();
            fade_ = 1;
            return;
        }
        fade_ += FadeStep;
    } else if (direction_ == Fade::Out) {
        if (fade_ <= 0) {
            timer_->stop();
            fade_ = 0;
            return;
        }
        fade_ -= FadeStep;
    } else {
        timer_->stop();
        return;
    }
    repaint();
}

void TepMorphButton::pointerEntered()
{
    if (inside_)
        return;
    inside_ = true;
    if (!pressed_ || down_.isNull()) {
        startFade(Fade::In);
    } else {
        fade_ = 1;
        repaint();
    }
    if (activeSound_)
        activeSound_->Play();
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TepMorphButton::pointerLeft()
{
    if (!inside_)
        return;
    inside_ = false;
    if (pressed_ && !down_.isNull()) {
        fade_ = 1;
        repaint();
    }
    startFade(Fade::Out);
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TepMorphButton::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    pointerEntered();
}

void TepMorphButton::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    pointerLeft();
}

void TepMorphButton::mousePressEvent(QMouseEvent *event)
{
    event->accept(); // every button's release comes back here
    if (event->button() == Qt::LeftButton && !pressed_) {
        pressed_ = true;
        inside_ = true;
        if (!down_.isNull()) {
            timer_->stop();
            repaint();
        }
    }
    if (OnMouseDown)
        OnMouseDown(this, event->button(), event->position().toPoint(), event->globalPosition().toPoint());
}

void TepMorphButton::mouseMoveEvent(QMouseEvent *event)
{
    // While the button is held, Qt keeps the mouse here and reports leaving only after the
    // release; the button follows the pointer itself.
    if (pressed_) {
        if (rect().contains(event->position().toPoint()))
            pointerEntered();
        else
            pointerLeft();
    }
    if (OnMouseMove && isVisible())
        OnMouseMove(this, event->position().toPoint());
}

void TepMorphButton::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        const bool over = inside_ && rect().contains(at);
        if (!down_.isNull() && !timer_->isActive()) {
            fade_ = over ? 1 : 0;
            repaint();
        }
        if (over) {
            if (clickSound_)
                clickSound_->Play();
            if (OnClick)
                OnClick(this);
        }
    }
    if (OnMouseUp)
        OnMouseUp(this, event->button(), at, event->globalPosition().toPoint());
}

void TepMorphButton::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // A hidden button loses the mouse: a press it was holding can only end outside, unclicked.
    pressed_ = false;
    inside_ = false;
}

void TepMorphButton::click()
{
    if (!isEnabled())
        return;
    if (clickSound_)
        clickSound_->Play();
    if (OnClick)
        OnClick(this);
}

} // namespace tb
