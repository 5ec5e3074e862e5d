#include "DIBFormShaper.h"

#include <vector>

namespace tb {

TDIBFormShaper::TDIBFormShaper(QWidget *owner) : QObject(owner), owner_(owner) {}

QWidget *TDIBFormShaper::target() const { return control_ ? control_.data() : owner_; }

void TDIBFormShaper::setActive(bool active)
{
    active_ = active;
    if (active_)
        Apply();
    else if (QWidget *w = target()) {
        w->clearMask();
        region_ = QRegion();
    }
}

void TDIBFormShaper::setBitmap(const QImage &bitmap)
{
    bitmap_ = bitmap;
    reapply();
}

void TDIBFormShaper::setClientAreaOnly(bool on)
{
    clientAreaOnly_ = on;
    reapply();
}

void TDIBFormShaper::setControlToShape(QWidget *control) { control_ = control; }

void TDIBFormShaper::setOffset(int x, int y)
{
    offsetX_ = x;
    offsetY_ = y;
    reapply();
}

void TDIBFormShaper::setTransparentMode(TTransparentMode mode)
{
    mode_ = mode;
    reapply();
}

void TDIBFormShaper::setTransparentColor(QRgb colour)
{
    colour_ = colour;
    reapply();
}

void TDIBFormShaper::reapply()
{
    if (active_)
        Apply();
}

QRgb TDIBFormShaper::TransparentColourOf(const QImage &bitmap, TTransparentMode mode, QRgb fixed)
{
    if (mode == tmFixed || bitmap.isNull())
        return fixed & 0xFFFFFF;
    return bitmap.pixel(0, bitmap.height() - 1) & 0xFFFFFF;
}

QRegion TDIBFormShaper::BuildRegion(const QImage &bitmap, QRgb transparent)
{
    if (bitmap.isNull())
        return {};
    // Our own copy in one known layout; only the colour bits are compared.
    const QImage image = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb key = transparent & 0xFFFFFF;
    const int width = image.width();

    QRegion region;
    std::vector<QRect> block;
    size_t room = BlockGrowth;
    block.reserve(room);
    auto unite = [&] {
        if (block.empty())
            return;
        QRegion part;
        // One rectangle per run, rows top to bottom and runs left to right: the bands Qt wants.
        part.setRects(block.data(), static_cast<int>(block.size()));
        region = region.united(part);
        block.clear();
    };
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        int x = 0;
        while (x < width) {
            while (x < width && (row[x] & 0xFFFFFF) == key)
                ++x;
            if (x >= width)
                break;
            int end = x;
            while (end + 1 < width && (row[end + 1] & 0xFFFFFF) != key)
                ++end;
            if (end > x) {
                if (block.size() == room) {
                    room += BlockGrowth;
                    if (room >= static_cast<size_t>(BlockLimit)) {
                        unite();
                        room = BlockGrowth;
                    }
                    block.reserve(room);
                }
                block.emplace_back(QPoint(x, y), QPoint(end, y));
            }
            x = end + 1;
        }
    }
    unite();
    return region;
}

void TDIBFormShaper::Apply()
{
    QWidget *w = target();
    if (!w)
        return;
    if (!active_ || bitmap_.isNull()) {
        w->clearMask();
        region_ = QRegion();
        return;
    }
    QRegion region = BuildRegion(bitmap_, TransparentColourOf(bitmap_, mode_, colour_));
    region.translate(offsetX_, offsetY_);
    // A window's mask is always relative to its client area here: Qt draws no frame of its own
    // inside the widget, so ClientAreaOnly moves nothing.
    region_ = region;
    w->setMask(region_);
    w->repaint();
}

} // namespace tb
