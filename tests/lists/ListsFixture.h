// Two conversion lists with their tabs on a window, the list commands and the playlist files,
// on a temporary program folder with scripted dialogs.
#pragma once

#include "platform/TestDoubles.h"
#include "lists/ConversionLists.h"
#include "lists/PlayList.h"
#include "platform/ErrorReport.h"
#include "platform/Shell.h"
#include "support/TempDir.h"
#include "support/TestApplication.h"

#include <QSet>
#include <gtest/gtest.h>

namespace tb::test {


// The real file system, except that the files named in `locked` cannot be opened.
class LockingFileSystem : public FaultyFileSystem {
public:
    QSet<QString> locked;
    int64_t fileSize(const QString &path) override
    {
        return locked.contains(path) ? -1 : FaultyFileSystem::fileSize(path);
    }
};

class ListsFixture : public ::testing::Test {
protected:
    ListsFixture()
    {
        ErrorReport::setDialogs(&dialogs);
        lists.playClickSound = [this] { ++clickSounds; };
        lists.repaintWindow = [this] { ++repaints; };
    }
    ~ListsFixture() override { ErrorReport::setDialogs(nullptr); }

    // A file of `size` bytes in the temporary folder; returns its full path.
    QString makeFile(const QString &name, int size = 3) const { return folder.write(name, QByteArray(size, 'x')); }

    static QStringList paths(const TCheckListBox &l)
    {
        QStringList out;
        for (int i = 0; i < l.count(); ++i)
            out << l.item(i).path;
        return out;
    }
    static QStringList texts(const TCheckListBox &l)
    {
        QStringList out;
        for (int i = 0; i < l.count(); ++i)
            out << l.item(i).text;
        return out;
    }
    static std::vector<bool> checkedStates(const TCheckListBox &l)
    {
        std::vector<bool> out;
        for (int i = 0; i < l.count(); ++i)
            out.push_back(l.isChecked(i));
        return out;
    }
    TCheckListBox &mp3Wav() { return *lstMp3Wav; }
    TCheckListBox &wavMp3() { return *lstWavMp3; }
    // The list the user sees: the visible one lying on top.
    TCheckListBox *frontList() const
    {
        EXPECT_NE(lstMp3Wav->isHidden(), lstWavMp3->isHidden()) << "exactly one list shows";
        return lstMp3Wav->isHidden() ? lstWavMp3 : lstMp3Wav;
    }

    QApplication &app = application(); // before any widget
    TempDir folder;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    LockingFileSystem fileSystem;
    CountingCursor cursor;
    AppContext context{dialogs, shell, fileSystem, cursor, folder.path(), folder.path()};
    AppState state;
    ProgramOptions options = ProgramOptions::Defaults(folder.path());
    QWidget window;
    TCheckListBox *lstMp3Wav = new TCheckListBox(&window);
    TCheckListBox *lstWavMp3 = new TCheckListBox(&window);
    QPushButton *btnMp3Wav = new QPushButton("MP3 to WAV", &window);
    QPushButton *btnWavMp3 = new QPushButton("WAV to MP3", &window);
    TConversionLists lists{state, context, ListControls{lstMp3Wav, lstWavMp3, btnMp3Wav, btnWavMp3}, &window};
    TPlayLists playLists{lists, state, options, context};
    int clickSounds = 0;
    int repaints = 0;
};

} // namespace tb::test
