#include "CommandButton.h"

#include <QMouseEvent>

namespace tb {

CommandButton::CommandButton(const QString &name, const QString &hint, QWidget *parent) : QPushButton(parent)
{
    setObjectName(name);
    setToolTip(hint);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    // Connected first, so the click sound starts before any handler of the click runs.
    connect(this, &QPushButton::clicked, this, [this] {
        if (clickSound_)
            clickSound_->play();
    });
}

void CommandButton::enterEvent(QEnterEvent *event)
{
    QPushButton::enterEvent(event);
    if (activeSound_)
        activeSound_->play();
}

void CommandButton::mousePressEvent(QMouseEvent *event)
{
    QPushButton::mousePressEvent(event);
    event->accept(); // keep the release for this button, whichever mouse button it is
}

void CommandButton::mouseReleaseEvent(QMouseEvent *event)
{
    QPushButton::mouseReleaseEvent(event);
    emit released(event->button(), event->globalPosition().toPoint());
}

} // namespace tb
