#include "platform/TestDoubles.h"
#include "Screenshots.h"

#include "app/AboutFrm.h"
#include "app/MainFrm.h"
#include "app/OptionsFrm.h"
#include "lists/ConversionLists.h"
#include "platform/ErrorReport.h"
#include "toolkit/CheckListBox.h"
#include "toolkit/Themes.h"

#include <QFile>
#include <QTemporaryDir>

#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include "skin/DIBFormShaper.h"
#include "skin/MorphButton.h"
#include <QMenu>
#include <QPainter>
#include <stdexcept>

namespace tb::docs {

namespace {

// The dialog only previews; the pictures need no decoders, menus or sounds.
class NoEffects : public OptionsEffects {
public:
    void ApplyEqualizer(bool, const VolLevels &) override {}
    void ApplyMenuSkin(int32_t) override {}
    void ApplyButtonSounds(bool, bool) override {}
};

void save(const QImage &image, const QString &path, QStringList &written)
{
    if (image.isNull() || !image.save(path, "PNG"))
        throw std::runtime_error("cannot write " + path.toStdString());
    written << path;
}

QImage grabDialog(QDialog &dialog)
{
    dialog.show();
    QApplication::processEvents();
    QImage image = dialog.grab().toImage();
    dialog.hide();
    return image;
}

} // namespace

QStringList renderScreenshots(const QString &folder)
{
    const QString base = folder.endsWith('/') ? folder : folder + '/';
    const QString programFolder = QStringLiteral("/home/user/Tonebridge/");
    ScriptedDialogs dialogs;
    RecordingShell shell;
    LocalFileSystem fileSystem;
    CountingCursor cursor;
    AppContext context{dialogs, shell, fileSystem, cursor, programFolder, programFolder};
    NoEffects effects;
    ProgramOptions options = ProgramOptions::Defaults(programFolder);
    // A gentle curve on the equalizer, so the sliders show what they are for.
    options.VolLevel = {20, 30, 45, 55, 60, 50, 40, 35};
    options.IsActiveSnd = true;

    QStringList written;
    TOptionsFrm optionsFrm(options, context, effects);
    for (size_t skin = 0; skin < themes().size(); ++skin) {
        options.Skin = static_cast<int32_t>(skin);
        const QString name = QString::fromLatin1(themes()[skin].name).toLower();
        save(grabDialog(optionsFrm), base + "options-" + name + ".png", written);
    }

    options.Skin = 0;
    TAboutFrm about(options);
    save(grabDialog(about), base + "about.png", written);

    // The help menu in every theme, side by side.
    std::vector<QImage> menus;
    for (size_t skin = 0; skin < themes().size(); ++skin) {
        QMenu menu;
        menu.addAction(QStringLiteral("&Help"));
        menu.addSeparator();
        menu.addAction(QStringLiteral("&Home Page"));
        menu.addSeparator();
        QAction *about = menu.addAction(QStringLiteral("&About..."));
        menu.setActiveAction(about);
        ApplyMenuSkin(static_cast<int32_t>(skin), {&menu});
        menu.ensurePolished();
        menu.adjustSize();
        menus.push_back(menu.grab().toImage());
    }
    const int gap = 12;
    int width = gap, height = 0;
    for (const QImage &m : menus) {
        width += m.width() + gap;
        height = std::max(height, m.height());
    }
    QImage strip(width, height + 2 * gap, QImage::Format_ARGB32);
    strip.fill(QColor("#808890"));
    QPainter painter(&strip);
    int x = gap;
    for (const QImage &m : menus) {
        painter.drawImage(x, gap, m);
        x += m.width() + gap;
    }
    painter.end();
    save(strip, base + "menus.png", written);

    // The main window with a few files in its list, on a program folder of its own.
    QTemporaryDir program;
    AppContext mainContext{dialogs, shell, fileSystem, cursor, program.path() + "/", executableFolder()};
    ApplicationCore core(mainContext);
    TMainFrm mainFrm(core);
    mainFrm.show();
    const std::pair<const char *, int> songs[] = {{"Morning Light.mp3", 5321000}, {"Harbour Lights.mp3", 4180000},
                                                  {"Long Road Home.mp2", 7950000}, {"Interlude.mp3", 912000},
                                                  {"Night Train.mp3", 6240000}};
    for (const auto &[name, size] : songs) {
        QFile file(program.path() + "/" + name);
        file.open(QIODevice::WriteOnly);
        file.resize(size);
        file.close();
        mainFrm.lists().AppendFile(0, file.fileName(), true);
    }
    mainFrm.lstMp3Wav->setChecked(3, false);
    mainFrm.lstMp3Wav->setSelected(1, true);
    // Outside the window's outline the picture is transparent, as on a desktop.
    auto shaped = [&mainFrm] {
        QImage image = mainFrm.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QRegion outline = mainFrm.sknShaper->Region();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!outline.contains(QPoint(x, y)))
                    image.setPixel(x, y, 0);
        return image;
    };
    save(shaped(), base + "main.png", written);

    // The play key lit by the mouse: the hover test shows it, the fade runs to its end.
    const QRect play = mainFrm.button("btnPlay")->geometry();
    mainFrm.sknBackMouseMove(play.center().x(), play.center().y());
    QEnterEvent enter(QPointF(5, 5), QPointF(play.center()), QPointF(play.center()));
    QCoreApplication::sendEvent(mainFrm.button("btnPlay"), &enter);
    QElapsedTimer fading;
    fading.start();
    while (mainFrm.button("btnPlay")->fading() && fading.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    save(shaped().copy(QRect(50, 300, 387, 163)), base + "main-hover.png", written);
    return written;
}

} // namespace tb::docs
