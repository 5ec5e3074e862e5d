// A hover image button: hidden over its picture in the skin until the window shows it, it
// fades from its up image to its active image while the mouse is over it, shows its down image
// while pressed, and plays a hover sound and a click sound.
#pragma once

#include "SkinTimer.h"
#include "WavePlayer.h"

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

namespace tb {

class TepMorphButton : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TepMorphButton *Sender)>;
    using TMouseEvent = std::function<void(TepMorphButton *Sender, Qt::MouseButton Button, QPoint pos, QPoint globalPos)>;
    using TMouseMoveEvent = std::function<void(TepMorphButton *Sender, QPoint pos)>;

    static constexpr unsigned DefaultInterval = 100;
    static constexpr double FadeStep = 0.1;

    explicit TepMorphButton(const QString &name, QWidget *parent = nullptr);

    // The three pictures; a picture with a device pixel ratio of 2 is drawn at half its size.
    void setUpGlyph(const QImage &image);
    void setDownGlyph(const QImage &image);
    void setActiveGlyph(const QImage &image);
    const QImage &UpGlyph() const { return up_; }
    const QImage &DownGlyph() const { return down_; }
    const QImage &ActiveGlyph() const { return active_; }
    // Leaves out the pixels of the colour of the drawn picture's bottom-left pixel.
    bool GlyphsTransparent() const { return glyphsTransparent_; }
    void setGlyphsTransparent(bool on);
    // Milliseconds between two fade steps.
    unsigned Interval() const { return interval_; }
    void setInterval(unsigned milliseconds) { interval_ = milliseconds; }
    // Shows what lies behind around the pictures; without it the button fills with its colour.
    bool Transparent() const { return transparent_; }
    void setTransparent(bool on);
    // The sounds; none when null, and cleared when the sound is destroyed.
    TepWavePlayer *ClickSound() const { return clickSound_; }
    void setClickSound(TepWavePlayer *sound) { clickSound_ = sound; }
    TepWavePlayer *ActiveSound() const { return activeSound_; }
    void setActiveSound(TepWavePlayer *sound) { activeSound_ = sound; }
    void setHint(const QString &hint) { setToolTip(hint); }

    // As if the left button were pressed and released over the button.
    void click();

    TNotifyEvent OnClick;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    // The fade factor from 0 (up image) to 1 (active image), and the button's state.
    double fade() const { return fade_; }
    bool pressed() const { return pressed_; }
    bool mouseInside() const { return inside_; }
    bool fading() const { return timer_->isActive(); }
    // Tests drive the fade with a timer of their own.
    void setTimer(std::unique_ptr<SkinTimer> timer);
    // The picture the button draws now, at the pictures' own resolution.
    QImage currentPicture() const;

    // Each channel becomes round((1 - f) * up + f * active); a larger active picture is cut to
    // the size of the up picture.
    static QImage Blend(const QImage &up, const QImage &active, double f);
    // The picture with the pixels of its bottom-left colour made transparent.
    static QImage KeyedOut(const QImage &picture);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    enum class Fade { None, In, Out };
    void pointerEntered();
    void pointerLeft();
    void startFade(Fade direction);
    void tick();

    QImage up_, down_, active_;
    bool glyphsTransparent_ = false;
    unsigned interval_ = DefaultInterval;
    bool transparent_ = false;
    QPointer<TepWavePlayer> clickSound_, activeSound_;
    double fade_ = 0;
    bool pressed_ = false;
    bool inside_ = false;
    Fade direction_ = Fade::None;
    std::unique_ptr<SkinTimer> timer_;
};

} // namespace tb
