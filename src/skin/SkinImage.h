// The skin picture under every other control of the window. It reports the mouse moving over
// it (the window's hover test) and presses on it (the window drag).
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

namespace tb {

class TSkinImage : public QWidget {
    Q_OBJECT
public:
    using TMouseEvent = std::function<void(TSkinImage *Sender, Qt::MouseButton Button, QPoint pos, QPoint globalPos)>;
    using TMouseMoveEvent = std::function<void(TSkinImage *Sender, Qt::MouseButtons Buttons, QPoint pos, QPoint globalPos)>;

    explicit TSkinImage(const QString &name, QWidget *parent = nullptr);
    void setPicture(const QImage &picture);
    const QImage &Picture() const { return picture_; }

    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage picture_;
};

// Moves a window with the mouse: the platform's own move when it offers one, else the window
// follows the pointer until the button is released.
class WindowDrag {
public:
    explicit WindowDrag(QWidget &window) : window_(window) {}
    void begin(QPoint globalPos);
    void follow(QPoint globalPos);
    void end() { following_ = false; }
    bool following() const { return following_; }

private:
    QWidget &window_;
    bool following_ = false;
    QPoint grab_; // from the window's top-left corner to the pointer
};

} // namespace tb
