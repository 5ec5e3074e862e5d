#include "SkinImage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace tb {

TSkinImage::TSkinImage(const QString &name, QWidget *parent) : QWidget(parent)
{
    setObjectName(name);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TSkinImage::setPicture(const QImage &picture)
{
    picture_ = picture;
    update();
}

void TSkinImage::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    if (picture_.isNull())
        p.fillRect(event->rect(), palette().window());
    else
        p.drawImage(QPointF(0, 0), picture_);
}

void TSkinImage::mouseMoveEvent(QMouseEvent *event)
{
    if (OnMouseMove)
        OnMouseMove(this, event->buttons(), event->position().toPoint(), event->globalPosition().toPoint());
}

void TSkinImage::mousePressEvent(QMouseEvent *event)
{
    if (OnMouseDown)
        OnMouseDown(this, event->button(), event->position().toPoint(), event->globalPosition().toPoint());
}

void TSkinImage::mouseReleaseEvent(QMouseEvent *event)
{
    if (OnMouseUp)
        OnMouseUp(this, event->button(), event->position().toPoint(), event->globalPosition().toPoint());
}

void WindowDrag::begin(QPoint globalPos)
{
    QWidget *window = window_.window();
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    QWindow *handle = window->windowHandle();
    if (handle && handle->startSystemMove()) {
        following_ = false;
        return;
    }
    following_ = true;
    grab_ = globalPos - window->frameGeometry().topLeft();
}

void WindowDrag::follow(QPoint globalPos)
{
    if (following_)
        window_.window()->move(globalPos - grab_);
}

} // namespace tb
