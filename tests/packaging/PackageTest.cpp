// The program as users get it: `cmake --install` and `cpack -G DEB` of this build tree.
#include "support/TempDir.h"
#include "support/XServer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace tb::test;

namespace {

struct CommandResult {
    int code = -1;
    QString output; // standard output and standard error together
};

CommandResult run(const QString &program, const QStringList &arguments, const QString &folder = {})
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.start(program, arguments);
    if (!p.waitForFinished(600000))
        return {-1, "did not finish: " + program};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAll())};
}

QString readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

const QStringList IconSizes{"16", "22", "24", "32", "48", "64", "128", "256"};

// What the installed tree under `prefix` (an install, or an unpacked package's usr/) must hold.
void expectInstalledLayout(const QString &prefix)
{
    const QString program = prefix + "/lib/tonebridge/";
    for (const char *file : {"kestrel", "decoder.so", "encoder.so", "kestrel.html"})
        EXPECT_TRUE(QFileInfo(program + file).isFile()) << file;
    EXPECT_TRUE(QFileInfo(program + "kestrel").isExecutable());
    const QFileInfo link(prefix + "/bin/kestrel");
    EXPECT_TRUE(link.isSymLink());
    EXPECT_EQ(QFile::symLinkTarget(link.filePath()), QFileInfo(program + "kestrel").canonicalFilePath());
    // A relative link, so the tree works wherever it is unpacked.
    char target[256] = {};
    ASSERT_GT(readlink(QFile::encodeName(link.filePath()).constData(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "../lib/tonebridge/kestrel");

    const QString desktop = prefix + "/share/applications/org.tonebridge.Tonebridge.desktop";
    const CommandResult validDesktop = run("desktop-file-validate", {desktop});
    EXPECT_EQ(validDesktop.code, 0) << validDesktop.output.toStdString();
    EXPECT_EQ(validDesktop.output, "") << "no warnings either";
    const QString entry = readText(desktop);
    for (const char *line : {"Exec=kestrel %F", "Icon=tonebridge", "Name=Tonebridge", "Type=Application"})
        EXPECT_TRUE(entry.contains(QString("\n") + line + "\n")) << line;
    EXPECT_TRUE(entry.contains(QRegularExpression("\nComment=.+\n")));
    const QRegularExpression list("\n(Categories|MimeType)=([^\n]*)\n");
    QStringList categories, types;
    for (auto it = list.globalMatch(entry); it.hasNext();) {
        const auto m = it.next();
        (m.captured(1) == "Categories" ? categories : types) = m.captured(2).split(';', Qt::SkipEmptyParts);
    }
    for (const char *c : {"Audio", "AudioVideo"})
        EXPECT_TRUE(categories.contains(c)) << c;
    for (const char *t : {"audio/mpeg", "audio/mp2", "audio/x-wav"})
        EXPECT_TRUE(types.contains(t)) << t;

    const QString metainfo = prefix + "/share/metainfo/org.tonebridge.Tonebridge.metainfo.xml";
    const CommandResult validMetainfo = run("appstreamcli", {"validate", "--no-net", metainfo});
    EXPECT_EQ(validMetainfo.code, 0) << validMetainfo.output.toStdString();
    EXPECT_TRUE(readText(metainfo).contains("<screenshot type=\"default\">"));

    const QString icons = prefix + "/share/icons/hicolor/";
    EXPECT_TRUE(readText(icons + "scalable/apps/tonebridge.svg").contains("<svg"));
    for (const QString &size : IconSizes) {
        const QImage png(icons + size + "x" + size + "/apps/tonebridge.png");
        EXPECT_EQ(png.size(), QSize(size.toInt(), size.toInt())) << size.toStdString();
        EXPECT_TRUE(png.hasAlphaChannel());
    }
}

TEST(Install, PutsTheProgramItsLibrariesAndItsDesktopFilesInPlace)
{
    TempDir prefix;
    const CommandResult install = run(TB_CMAKE, {"--install", TB_BINARY_DIR, "--prefix", prefix.path()});
    ASSERT_EQ(install.code, 0) << install.output.toStdString();
    expectInstalledLayout(prefix.path());
}

// The package that the test run made beforehand (package_make) in TB_PACKAGE_FOLDER.
class DebianPackage : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QStringList debs = QDir(TB_PACKAGE_FOLDER).entryList({"tonebridge_*.deb"}, QDir::Files);
        ASSERT_EQ(debs.size(), 1) << "one package in " TB_PACKAGE_FOLDER;
        deb = QString(TB_PACKAGE_FOLDER "/") + debs.front();
    }
    QString deb;
};

TEST_F(DebianPackage, HoldsTheProgramBothLibrariesTheMenuEntryAndTheIcon)
{
    const CommandResult contents = run("dpkg-deb", {"-c", deb});
    ASSERT_EQ(contents.code, 0) << contents.output.toStdString();
    QStringList paths;
    for (const QString &line : contents.output.split('\n', Qt::SkipEmptyParts)) {
        // Mode, owner, size, date, time, then the path (and " -> target" for a link).
        const QStringList fields = line.simplified().split(' ');
        if (fields.size() >= 6)
            paths << fields[5];
    }
    QStringList expected{"./usr/bin/kestrel", "./usr/lib/tonebridge/kestrel", "./usr/lib/tonebridge/decoder.so",
                         "./usr/lib/tonebridge/encoder.so", "./usr/lib/tonebridge/kestrel.html",
                         "./usr/share/applications/org.tonebridge.Tonebridge.desktop",
                         "./usr/share/metainfo/org.tonebridge.Tonebridge.metainfo.xml",
                         "./usr/share/icons/hicolor/scalable/apps/tonebridge.svg"};
    for (const QString &size : IconSizes)
        expected << "./usr/share/icons/hicolor/" + size + "x" + size + "/apps/tonebridge.png";
    for (const QString &path : expected)
        EXPECT_TRUE(paths.contains(path)) << path.toStdString();
    EXPECT_TRUE(contents.output.contains("./usr/bin/kestrel -> ../lib/tonebridge/kestrel"));
    for (const QString &path : paths)
        EXPECT_FALSE(path.contains("test") || path.contains("fuzz") || path.contains("encoder_partial"))
            << path.toStdString() << ": only the program is packaged";
}

TEST_F(DebianPackage, DependsOnTheLibrariesItLinksAndThePluginsItLoads)
{
    const CommandResult control = run("dpkg-deb", {"-f", deb, "Package", "Version", "Architecture", "Depends", "Section"});
    ASSERT_EQ(control.code, 0) << control.output.toStdString();
    EXPECT_TRUE(control.output.contains("Package: tonebridge\n"));
    EXPECT_TRUE(control.output.contains("Version: 3.6\n"));
    EXPECT_TRUE(control.output.contains("Section: sound\n"));
    // Computed from the links of the program and of the codec libraries.
    for (const char *library : {"libqt6widgets6", "libqt6network6", "libmpg123-0", "libmp3lame0", "libasound2", "libc6"})
        EXPECT_TRUE(control.output.contains(QRegularExpression(QString("Depends:.*\\b%1 \\(>= ").arg(library))))
            << library << "\n" << control.output.toStdString();
    // Loaded at run time, so named by hand: without the X platform plugin there is no window.
    EXPECT_TRUE(control.output.contains(QRegularExpression("Depends:.*\\bqt6-qpa-plugins\\b")));
}

TEST_F(DebianPackage, UnpackedItsMenuFilesValidateAndItsProgramConvertsAFile)
{
    TempDir work;
    const QString root = work.file("root");
    const CommandResult unpack = run("dpkg-deb", {"-x", deb, root});
    ASSERT_EQ(unpack.code, 0) << unpack.output.toStdString();
    expectInstalledLayout(root + "/usr");

    // An MPEG file made by LAME.
    const QString tone = work.file("tone.wav"), mp3 = work.file("in/tone.mp3");
    QDir().mkpath(work.file("in"));
    ASSERT_EQ(run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", tone, "synth", "1", "sine", "440"}).code, 0);
    ASSERT_EQ(run("lame", {"--quiet", "-b", "128", tone, mp3}).code, 0);

    // The unpacked program folder is left read-only, as an installed one is; then the settings
    // live in the user's data folder, unless the user is one who writes everywhere.
    const QString programFolder = root + "/usr/lib/tonebridge/";
    const QString dataFolder = work.file("data/tonebridge/");
    QFile::setPermissions(programFolder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                             QFile::ReadOther | QFile::ExeOther);
    const bool writesEverywhere = access(QFile::encodeName(programFolder).constData(), W_OK) == 0;
    const QString settingsFolder = writesEverywhere ? programFolder : dataFolder;
    QDir().mkpath(settingsFolder);
    const QString out = work.file("out/");
    {
        QFile ini(settingsFolder + "kestrel.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Options]\r\nIsDoneOpenDir=0\r\nWavDir=" + out.toUtf8() + "\r\n");
    }

    XServer server;
    ASSERT_FALSE(server.display().isEmpty()) << "Xvfb did not start";
    const QString runtime = work.file("run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", server.display());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("HOME", work.path());
    env.insert("XDG_DATA_HOME", work.file("data"));
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("TONEBRIDGE_AUDIO", "null");
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    env.remove("TONEBRIDGE_PROGRAM_FOLDER");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.setWorkingDirectory(work.path());
    // Started through the link in bin/, as the menu entry starts it.
    program.start(root + "/usr/bin/kestrel", {mp3});
    ASSERT_TRUE(program.waitForStarted());

    const QString pid = QString::number(program.processId());
    auto windows = [&] {
        return server.xdotool({"search", "--onlyvisible", "--pid", pid}).split('\n', Qt::SkipEmptyParts);
    };
    // Waits for a window besides the main one (a question or a notice) and answers it with a key.
    auto answer = [&](const QString &mainWindow, const char *key) {
        for (int tries = 0; tries < 600 && program.state() == QProcess::Running; ++tries) {
            QStringList shown = windows();
            shown.removeAll(mainWindow);
            if (!shown.isEmpty()) {
                QThread::msleep(300);
                server.xdotool({"windowfocus", "--sync", shown.front()});
                server.xdotool({"key", key});
                return true;
            }
            QThread::msleep(100);
        }
        return false;
    };
    QString mainWindow;
    for (int tries = 0; tries < 600 && mainWindow.isEmpty() && program.state() == QProcess::Running; ++tries) {
        const QStringList shown = windows();
        if (!shown.isEmpty())
            mainWindow = shown.front();
        else
            QThread::msleep(100);
    }
    ASSERT_FALSE(mainWindow.isEmpty()) << "the unpacked program opens its window";
    QThread::msleep(500);

    // The convert button, then Yes to "continue?", then OK to the notice that all are done.
    server.xdotool({"mousemove", "--window", mainWindow, "379", "407", "sleep", "0.5", "click", "1"});
    ASSERT_TRUE(answer(mainWindow, "y")) << "the start question";
    ASSERT_TRUE(answer(mainWindow, "Return")) << "the notice at the end";

    QFile wav(out + "tone.wav");
    ASSERT_TRUE(wav.open(QIODevice::ReadOnly)) << "converted into the chosen folder";
    const QByteArray bytes = wav.readAll();
    EXPECT_EQ(bytes.left(4), "RIFF");
    EXPECT_EQ(bytes.mid(8, 4), "WAVE");
    // One second of 44.1 kHz 16-bit stereo, give or take the encoder's padding.
    EXPECT_GT(bytes.size(), 160000);
    EXPECT_LT(bytes.size(), 200000);

    // Exit writes the last playlist where the settings are.
    server.xdotool({"mousemove", "--window", mainWindow, "22", "119", "sleep", "0.5", "click", "1"});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_TRUE(QFileInfo::exists(settingsFolder + "default.lst"));
    if (!writesEverywhere) {
        EXPECT_FALSE(QFileInfo::exists(programFolder + "default.lst"));
    }
    QFile::setPermissions(programFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace
