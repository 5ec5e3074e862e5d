// The skin's pictures and sounds, embedded in the program from assets/skin/. A picture is
// taken at twice its size on screens of a device pixel ratio above 1.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tb::skin {

// ":/skin/<name>.png", or its "@2x" twin when the ratio asks for it; null when missing.
QImage picture(const QString &name, qreal devicePixelRatio = 1);
// The skin at one pixel per client pixel: the outline is always cut from this one.
QImage backBitmap();
// A wave file image: "wavSwitch" or "wavClick"; empty when missing.
QByteArray sound(const QString &name);

} // namespace tb::skin
