// Cuts a window's outline out of a bitmap: every pixel of the transparent colour lies outside.
// The region is built from one rectangle per horizontal run of other pixels, handed over in
// blocks, so no single rectangle list grows without bound.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRegion>
#include <QWidget>

namespace tb {

enum TTransparentMode { tmAuto, tmFixed };

class TDIBFormShaper : public QObject {
    Q_OBJECT
public:
    // The owner is shaped unless another window is named in ControlToShape.
    explicit TDIBFormShaper(QWidget *owner);

    bool Active() const { return active_; }
    void setActive(bool active);
    const QImage &Bitmap() const { return bitmap_; }
    void setBitmap(const QImage &bitmap);
    bool ClientAreaOnly() const { return clientAreaOnly_; }
    void setClientAreaOnly(bool on);
    QWidget *ControlToShape() const { return control_; }
    void setControlToShape(QWidget *control);
    int OffsetX() const { return offsetX_; }
    int OffsetY() const { return offsetY_; }
    void setOffset(int x, int y);
    TTransparentMode TransparentMode() const { return mode_; }
    void setTransparentMode(TTransparentMode mode);
    QRgb TransparentColor() const { return colour_; }
    void setTransparentColor(QRgb colour);

    // Shapes the window now (the window calls it once it has been loaded). Without a bitmap, or
    // while not active, the window keeps its rectangle.
    void Apply();
    // The outline last given to the window; empty while it is rectangular.
    const QRegion &Region() const { return region_; }

    // The colour that lies outside: the bottom-left pixel in tmAuto, else the fixed colour.
    // Only the 24 colour bits count.
    static QRgb TransparentColourOf(const QImage &bitmap, TTransparentMode mode, QRgb fixed);
    // Every run of two or more pixels of another colour, united into one region.
    static QRegion BuildRegion(const QImage &bitmap, QRgb transparent);

    // Rectangles gathered before they are united into the region, and the size at which a
    // block is handed over.
    static constexpr int BlockGrowth = 400;
    static constexpr int BlockLimit = 2000;

private:
    void reapply();
    QWidget *target() const;

    QWidget *owner_;
    QPointer<QWidget> control_;
    QImage bitmap_;
    bool active_ = true;
    bool clientAreaOnly_ = false;
    int offsetX_ = 0, offsetY_ = 0;
    TTransparentMode mode_ = tmAuto;
    QRgb colour_ = qRgb(0, 0, 0);
    QRegion region_;
};

} // namespace tb
