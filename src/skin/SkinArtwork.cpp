#include "SkinArtwork.h"

#include <QFile>

// The resources live in a static library: they are registered on first use.
static void registerSkinResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(skin);
        return true;
    }();
    (void)done;
}

namespace tb::skin {

QImage picture(const QString &name, qreal devicePixelRatio)
{
    registerSkinResources();
    if (devicePixelRatio > 1) {
        QImage dense(":/skin/" + name + "@2x.png");
        if (!dense.isNull()) {
            dense.setDevicePixelRatio(2);
            return dense;
        }
    }
    return QImage(":/skin/" + name + ".png");
}

QImage backBitmap() { return picture(QStringLiteral("back")); }

QByteArray sound(const QString &name)
{
    registerSkinResources();
    QFile file(":/skin/" + name + ".wav");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace tb::skin
