// A command button of the main window: a click for the left button, and the release of any
// mouse button reported with its screen position (the help buttons pop their menu there).
// It plays its hover sound when the mouse comes over it and its click sound before a click.
#pragma once

#include "ButtonSound.h"

#include <QPoint>
#include <QPointer>
#include <QPushButton>

namespace tb {

class CommandButton : public QPushButton {
    Q_OBJECT
public:
    CommandButton(const QString &name, const QString &hint, QWidget *parent);

    // The sounds; none when null. A sound that is destroyed is cleared here as well.
    ButtonSound *ActiveSound() const { return activeSound_; }
    void setActiveSound(ButtonSound *sound) { activeSound_ = sound; }
    ButtonSound *ClickSound() const { return clickSound_; }
    void setClickSound(ButtonSound *sound) { clickSound_ = sound; }

signals:
    void released(Qt::MouseButton button, QPoint globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;

private:
    QPointer<ButtonSound> activeSound_;
    QPointer<ButtonSound> clickSound_;
};

} // namespace tb
