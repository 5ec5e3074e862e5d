#include "CommandButton.h"

#include <QMouseEvent>

namespace tb {

CommandButton::CommandButton(const QString &name, const QString &hint, QWidget *parent) : QPushButton(parent)
{
    setObjectName(name);
    setToolTip(hint);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
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
