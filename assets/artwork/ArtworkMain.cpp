// tb_artwork <folder>: draws the skin, the button pictures, the slider thumbs and the two
// interface sounds into <folder>, with the resource list that embeds them in the program.
// scripts/artwork runs it on assets/skin/.
#include "SkinPainter.h"
#include "Sounds.h"
#include "skin/SkinLayout.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <cstdio>
#include <cstdlib>

namespace {

QStringList written;

bool save(const QString &folder, const QString &name, const QByteArray &bytes)
{
    QSaveFile file(folder + '/' + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "tb_artwork: cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    written << name;
    return true;
}

bool savePng(const QString &folder, const QString &name, const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG", 9) && save(folder, name, bytes);
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tb_artwork <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    bool ok = true;
    for (int scale : {1, 2}) {
        const art::SkinPainter painter(scale);
        const QString suffix = scale == 1 ? QString() : QStringLiteral("@2x");
        ok &= savePng(folder, "back" + suffix + ".png", painter.skin());
        const auto &places = tb::mainButtonPlaces();
        for (size_t i = 0; i < places.size(); ++i) {
            const QString name = QString::fromLatin1(places[i].name);
            ok &= savePng(folder, name + "-up" + suffix + ".png", painter.button(int(i), art::Look::Up));
            ok &= savePng(folder, name + "-active" + suffix + ".png", painter.button(int(i), art::Look::Active));
            ok &= savePng(folder, name + "-down" + suffix + ".png", painter.button(int(i), art::Look::Down));
        }
        ok &= savePng(folder, "thumb-h" + suffix + ".png", painter.thumb(true));
        ok &= savePng(folder, "thumb-v" + suffix + ".png", painter.thumb(false));
    }
    ok &= save(folder, "wavSwitch.wav", art::switchSound());
    ok &= save(folder, "wavClick.wav", art::clickSound());

    QByteArray qrc = "<!-- Written by tb_artwork (scripts/artwork); do not edit. -->\n<RCC>\n  <qresource prefix=\"/skin\">\n";
    for (const QString &name : written)
        qrc += "    <file>" + name.toUtf8() + "</file>\n";
    qrc += "  </qresource>\n</RCC>\n";
    ok &= save(folder, "skin.qrc", qrc);
    return ok ? 0 : 1;
}
