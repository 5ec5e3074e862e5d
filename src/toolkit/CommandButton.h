// A command button of the main window: a click for the left button, and the release of any
// mouse button reported with its screen position (the help buttons pop their menu there).
#pragma once

#include <QPoint>
#include <QPushButton>

namespace tb {

class CommandButton : public QPushButton {
    Q_OBJECT
public:
    CommandButton(const QString &name, const QString &hint, QWidget *parent);

signals:
    void released(Qt::MouseButton button, QPoint globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
};

} // namespace tb
