// Draws the main window's skin, the three looks of every hover button and the two slider
// thumbs, at one or two device pixels per client pixel. Everything is drawn from the layout in
// skin/SkinLayout.h, so the pictures always sit where the window expects them.
#pragma once

#include <QImage>
#include <QString>

namespace art {

enum class Look { Up, Active, Down };

class SkinPainter {
public:
    // scale 1 draws the 437 x 463 skin; scale 2 the same picture for high-density screens.
    explicit SkinPainter(int scale);

    // Every button in its resting look; pure red wherever the window is not.
    QImage skin() const;
    // A button's picture of its rectangle in the given look, with the skin around it.
    QImage button(int index, Look look) const;
    // The thumbs of the position slider (horizontal) and of the volume slider (vertical).
    QImage thumb(bool horizontal) const;

private:
    QImage compose(int index, Look look) const;

    int scale_;
    QImage body_; // the shaded body with its panels, before any button is drawn
};

} // namespace art
