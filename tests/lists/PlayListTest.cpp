#include "ListsFixture.h"

#include "platform/Exception.h"
#include "platform/PathBytes.h"
#include "settings/BigIniFile.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <sys/stat.h>

using namespace tb;
using tb::test::ListsFixture;
using tb::test::TempDir;

namespace {

QByteArray crlf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines)
        out += line.toUtf8() + "\r\n";
    return out;
}

class PlayListTest : public ListsFixture {
protected:
    QString writePlayList(const QString &name, const QStringList &lines) { return folder.write(name, crlf(lines)); }
    // A playlist with the given General lines and one section per (number, file, checked line).
    struct Entry {
        QString section;
        QString file;
        QString checkedLine; // "" for none
    };
    QString playList(const QStringList &general, const std::vector<Entry> &entries, const QString &name = "p.lst")
    {
        QStringList lines{"[General]", "ID=Tonebridge PlayList"};
        lines << general << "";
        for (const Entry &e : entries) {
            lines << "[" + e.section + "]" << "File=" + e.file;
            if (!e.checkedLine.isEmpty())
                lines << e.checkedLine;
            lines << "";
        }
        return writePlayList(name, lines);
    }
    QString settingsFile() const { return TAppIniFile::SettingsFileName(folder.path()); }
};

TEST_F(PlayListTest, TheFourteenLineExample)
{
    // Saving writes the paths as the items hold them, whether or not such files exist.
    lstMp3Wav->addItem("song.mp3 -- 1Bytes", "C:\\Music\\song.mp3", true);
    lstWavMp3->addItem("take.wav -- 1Bytes", "C:\\Music\\take.wav", false);
    const QString path = folder.file("example.lst");
    playLists.SavePlayList(path, false);
    EXPECT_EQ(TempDir::read(path), QByteArray("[General]\r\n"
                                              "ID=Tonebridge PlayList\r\n"
                                              "Mp3WavCount=1\r\n"
                                              "WavMp3Count=1\r\n"
                                              "DoWhat=0\r\n"
                                              "\r\n"
                                              "[Mp3WavList-File0]\r\n"
                                              "File=C:\\Music\\song.mp3\r\n"
                                              "Checked=1\r\n"
                                              "\r\n"
                                              "[WavMp3List-File0]\r\n"
                                              "File=C:\\Music\\take.wav\r\n"
                                              "Checked=0\r\n"
                                              "\r\n"));
    EXPECT_EQ(cursor.depth, 0);
}

TEST_F(PlayListTest, SectionsAreNumberedWithoutLeadingZerosAndGroupedByList)
{
    for (int i = 0; i < 12; ++i)
        lstWavMp3->addItem("w", QString("/w/%1.wav").arg(i), i != 10);
    lstMp3Wav->addItem("m", "/m/only.mp3", true);
    lists.btnWavMp3Click();
    const QString path = folder.file("many.lst");
    playLists.SavePlayList(path, true);
    const QByteArray text = TempDir::read(path);
    EXPECT_TRUE(text.startsWith(crlf({"[General]", "ID=Tonebridge PlayList", "Mp3WavCount=1", "WavMp3Count=12",
                                      "DoWhat=1", "", "[Mp3WavList-File0]", "File=/m/only.mp3", "Checked=1", "",
                                      "[WavMp3List-File0]"})));
    EXPECT_TRUE(text.contains(crlf({"[WavMp3List-File10]", "File=/w/10.wav", "Checked=0", "",
                                    "[WavMp3List-File11]", "File=/w/11.wav", "Checked=1", ""})));
    EXPECT_TRUE(text.endsWith(crlf({"[WavMp3List-File11]", "File=/w/11.wav", "Checked=1", ""})));
}

TEST_F(PlayListTest, SaveThenOpenRestoresBothListsAndTheActiveTab)
{
    const QString a = makeFile("a.mp3", 10), b = makeFile("b.mp2", 20), c = makeFile("c.wav", 30),
                  d = makeFile("d.wav", 40);
    lists.btnWavMp3Click();
    dialogs.openAnswers = {{b, a, c, d}};
    lists.btnAddClick();
    lstMp3Wav->setChecked(1, false);
    lstWavMp3->setChecked(0, false);
    dialogs.saveAnswers = {folder.file("round")};
    playLists.btnSaveClick();
    EXPECT_EQ(dialogs.shown.back().kind, "save");
    EXPECT_EQ(dialogs.shown.back().text, "PlayList File (*.lst)|*.lst");
    EXPECT_EQ(dialogs.lastDefaultExt, "lst");
    EXPECT_EQ(dialogs.lastStartFolder, folder.path());
    EXPECT_FALSE(state.ListsChanged);
    const QString saved = folder.file("round.lst");
    ASSERT_TRUE(QFileInfo::exists(saved));

    // Change everything, and the size of one file, then open the playlist again.
    makeFile("a.mp3", 2048);
    lists.ClearLists();
    lists.btnMp3WavClick();
    dialogs.openAnswers = {{saved}};
    dialogs.shown.clear();
    playLists.btnOpenClick();
    EXPECT_EQ(dialogs.questions(), QStringList{"Current list items have changed, save it?"});
    EXPECT_EQ(dialogs.shown.back().kind, "open");
    EXPECT_EQ(dialogs.shown.back().text, "PlayList File (*.lst)|*.lst");
    EXPECT_FALSE(dialogs.lastMultiSelect);
    EXPECT_EQ(paths(mp3Wav()), (QStringList{b, a}));
    EXPECT_EQ(checkedStates(mp3Wav()), (std::vector<bool>{true, false}));
    EXPECT_EQ(paths(wavMp3()), (QStringList{c, d}));
    EXPECT_EQ(checkedStates(wavMp3()), (std::vector<bool>{false, true}));
    EXPECT_EQ(mp3Wav().item(1).text, "a.mp3 -- 2.00KB") << "size texts are computed again";
    EXPECT_EQ(state.DoWhat, dwWavToMp3);
    EXPECT_EQ(frontList(), lstWavMp3);
    EXPECT_FALSE(state.ListsChanged);
    EXPECT_EQ(options.LastPlayList, saved);
    TBiggerIniFile settings(settingsFile());
    EXPECT_EQ(settings.ReadString("Options", "LastPlayList", ""), saved);
    EXPECT_EQ(cursor.depth, 0);
}

TEST_F(PlayListTest, SavingBothEmptyListsWritesNothingButClearsListsChanged)
{
    const QString existing = folder.write("old.lst", "keep me");
    state.ListsChanged = true;
    dialogs.saveAnswers = {existing};
    playLists.btnSaveClick();
    EXPECT_EQ(TempDir::read(existing), QByteArray("keep me"));
    EXPECT_TRUE(dialogs.questions().isEmpty());
    EXPECT_FALSE(state.ListsChanged);

    state.ListsChanged = true;
    dialogs.saveAnswers = {folder.file("new.lst")};
    playLists.btnSaveClick();
    EXPECT_FALSE(QFileInfo::exists(folder.file("new.lst")));
    EXPECT_FALSE(state.ListsChanged);
}

TEST_F(PlayListTest, CancelledSaveChangesNothing)
{
    state.ListsChanged = true;
    playLists.btnSaveClick();
    EXPECT_TRUE(state.ListsChanged);
    EXPECT_EQ(repaints, 0);
}

TEST_F(PlayListTest, OverwriteQuestion)
{
    lstMp3Wav->addItem("a", "/m/a.mp3", true);
    const QString ours = playList({"Mp3WavCount=0"}, {}, "ours.lst");
    const QByteArray before = TempDir::read(ours);

    // Declined: nothing is written, yet Save clears ListsChanged and LastPlayList stays.
    state.ListsChanged = true;
    dialogs.saveAnswers = {ours};
    playLists.btnSaveClick();
    EXPECT_EQ(dialogs.questions(), QStringList{"The destination file has existed, overwrite it?"});
    EXPECT_EQ(TempDir::read(ours), before);
    EXPECT_FALSE(state.ListsChanged);
    EXPECT_EQ(options.LastPlayList, folder.file("default.lst"));

    dialogs.confirmAnswers = {true};
    playLists.SavePlayList(ours, false);
    EXPECT_TRUE(TempDir::read(ours).contains("File=/m/a.mp3"));
    EXPECT_TRUE(fileSystem.deleted.isEmpty()) << "the old file is replaced, never deleted first";
}

TEST_F(PlayListTest, PermittedOverwriteAsksOnlyForAFileThatIsNotAPlaylist)
{
    lstMp3Wav->addItem("a", "/m/a.mp3", true);
    const QString ours = playList({}, {}, "ours.lst");
    playLists.SavePlayList(ours, true);
    EXPECT_TRUE(dialogs.questions().isEmpty());
    EXPECT_TRUE(TempDir::read(ours).contains("File=/m/a.mp3"));

    const QString foreign = folder.write("notes.txt", "my own notes\r\n");
    playLists.SavePlayList(foreign, true); // answered No
    EXPECT_EQ(dialogs.questions(), QStringList{"The destination file has existed, overwrite it?"});
    EXPECT_EQ(TempDir::read(foreign), QByteArray("my own notes\r\n"));
    dialogs.confirmAnswers = {true};
    playLists.SavePlayList(foreign, true);
    EXPECT_TRUE(TempDir::read(foreign).contains("File=/m/a.mp3"));
}

TEST_F(PlayListTest, WrongIdIsRejectedAndNothingChanges)
{
    struct Case {
        const char *name;
        QByteArray content;
    };
    const Case cases[] = {
        {"case differs", "[General]\r\nID=tonebridge playlist\r\nMp3WavCount=1\r\n[Mp3WavList-File0]\r\nFile=X\r\n"},
        {"trailing blank", "[General]\r\nID=Tonebridge PlayList \r\nMp3WavCount=0\r\n"},
        {"blank before =", "[General]\r\nID =Tonebridge PlayList\r\n"},
        {"missing", "[General]\r\nMp3WavCount=0\r\n"},
        {"empty file", ""},
        {"not INI at all", QByteArray("\x89PNG\r\n\x1a\n\0\0binary", 17)},
        {"LF line ends", "[General]\nID=Tonebridge PlayList\n"},
    };
    const QString a = makeFile("a.mp3");
    for (const Case &c : cases) {
        lists.ClearLists();
        lstMp3Wav->addItem("a", a, true);
        state.ListsChanged = false;
        dialogs.shown.clear();
        const QString path = folder.write("bad.lst", c.content);
        EXPECT_FALSE(playLists.LoadPlayList(path)) << c.name;
        EXPECT_EQ(dialogs.messages(), QStringList{"Invalid playlist file!\n" + path}) << c.name;
        EXPECT_EQ(paths(mp3Wav()), QStringList{a}) << c.name;
        EXPECT_EQ(state.DoWhat, dwMp3ToWav) << c.name;
        EXPECT_FALSE(state.ListsChanged) << c.name;
        EXPECT_EQ(cursor.depth, 0) << c.name;
    }
}

TEST_F(PlayListTest, CountsAndMissingSections)
{
    const QString f0 = makeFile("0.mp3"), f1 = makeFile("1.mp3"), f2 = makeFile("2.mp3"), f3 = makeFile("3.mp3");
    struct Case {
        const char *name;
        QString count;
        std::vector<Entry> entries;
        QStringList expected;
    };
    const QString p = "Mp3WavList-File";
    const Case cases[] = {
        {"section 1 missing", "3", {{p + "0", f0, ""}, {p + "2", f2, ""}}, {f0, f2}},
        {"sections beyond the count", "2", {{p + "0", f0, ""}, {p + "1", f1, ""}, {p + "2", f2, ""}}, {f0, f1}},
        {"count 0", "0", {{p + "0", f0, ""}}, {}},
        {"negative count", "-4", {{p + "0", f0, ""}}, {}},
        {"count not a number", "two", {{p + "0", f0, ""}}, {}},
        {"huge count", "2147483647", {{p + "0", f0, ""}, {p + "7", f1, ""}, {p + "100000", f2, ""}}, {f0, f1, f2}},
        {"number order, not file order", "4", {{p + "3", f3, ""}, {p + "1", f1, ""}, {p + "0", f0, ""}}, {f0, f1, f3}},
        {"names compared without case", "2", {{"MP3WAVLIST-FILE0", f0, ""}, {"mp3wavlist-file1", f1, ""}}, {f0, f1}},
        {"leading zeros name no entry", "3", {{p + "00", f0, ""}, {p + "01", f1, ""}, {p + "2", f2, ""}}, {f2}},
        {"vanished and empty files are dropped", "3",
         {{p + "0", folder.file("gone.mp3"), ""}, {p + "1", "", ""}, {p + "2", f2, ""}}, {f2}},
        {"same path twice gives two items", "2", {{p + "0", f1, ""}, {p + "1", f1, ""}}, {f1, f1}},
    };
    for (const Case &c : cases) {
        const QString path = playList({"Mp3WavCount=" + c.count}, c.entries);
        lstMp3Wav->addItem("old", "/m/old.mp3", true);
        EXPECT_TRUE(playLists.LoadPlayList(path)) << c.name;
        EXPECT_EQ(paths(mp3Wav()), c.expected) << c.name;
        EXPECT_EQ(wavMp3().count(), 0) << c.name;
        EXPECT_TRUE(dialogs.shown.empty()) << c.name;
    }
}

TEST_F(PlayListTest, CheckedValues)
{
    const QString f = makeFile("f.wav");
    const std::pair<const char *, bool> cases[] = {
        {"Checked=1", true}, {"Checked=0", false}, {"Checked=5", true},    {"", true},
        {"Checked=-1", true}, {"Checked=yes", true}, {"Checked=0x0", false}, {"checked=0", false},
    };
    for (const auto &[line, expected] : cases) {
        const QString path = playList({"WavMp3Count=1"}, {{"WavMp3List-File0", f, line}});
        ASSERT_TRUE(playLists.LoadPlayList(path)) << line;
        ASSERT_EQ(wavMp3().count(), 1) << line;
        EXPECT_EQ(wavMp3().isChecked(0), expected) << line;
    }
}

TEST_F(PlayListTest, StoredListIsActivated)
{
    const std::pair<const char *, int32_t> cases[] = {
        {"DoWhat=1", dwWavToMp3}, {"DoWhat=7", dwWavToMp3}, {"DoWhat=0", dwMp3ToWav},
        {"DoWhat=-3", dwMp3ToWav}, {"DoWhat=x", dwMp3ToWav}, {"", dwMp3ToWav},
    };
    for (const auto &[line, expected] : cases) {
        lists.btnWavMp3Click(); // start from the other side each time
        lists.btnMp3WavClick();
        if (expected == dwMp3ToWav)
            lists.btnWavMp3Click();
        const int soundsBefore = clickSounds;
        ASSERT_TRUE(playLists.LoadPlayList(playList({line}, {}))) << line;
        EXPECT_EQ(state.DoWhat, expected) << line;
        EXPECT_EQ(&lists.activeList(), frontList()) << line;
        EXPECT_EQ(lists.tabColour(expected), TConversionLists::ActiveTabColour) << line;
        EXPECT_EQ(clickSounds, soundsBefore + 1) << line;
    }
}

TEST_F(PlayListTest, LoadingTheActiveListPlaysNoSound)
{
    state.ListsChanged = false;
    ASSERT_TRUE(playLists.LoadPlayList(playList({"DoWhat=0"}, {})));
    EXPECT_EQ(clickSounds, 0);
    EXPECT_FALSE(state.ListsChanged) << "nothing was added, removed or switched";
}

TEST_F(PlayListTest, ALoadStoppedByAnErrorKeepsDoWhatAndTheFrontListTogether)
{
    const QString f0 = makeFile("0.mp3"), locked = makeFile("1.mp3"), f2 = makeFile("2.mp3"), w = makeFile("w.wav");
    fileSystem.locked.insert(locked);
    const QString path = playList({"Mp3WavCount=3", "WavMp3Count=1", "DoWhat=1"},
                                  {{"Mp3WavList-File0", f0, ""},
                                   {"Mp3WavList-File1", locked, ""},
                                   {"Mp3WavList-File2", f2, ""},
                                   {"WavMp3List-File0", w, ""}});
    lstWavMp3->addItem("old", "/m/old.wav", true);
    dialogs.openAnswers = {{path}};
    state.ListsChanged = false;
    ErrorReport::run([this] { playLists.btnOpenClick(); });
    EXPECT_EQ(dialogs.messages(), QStringList{"Cannot open file " + locked});
    EXPECT_EQ(paths(mp3Wav()), QStringList{f0});
    EXPECT_EQ(paths(wavMp3()), QStringList{"/m/old.wav"}) << "the second list was not reached";
    EXPECT_EQ(state.DoWhat, dwMp3ToWav);
    EXPECT_EQ(frontList(), lstMp3Wav);
    EXPECT_EQ(options.LastPlayList, folder.file("default.lst")) << "Open stops before recording the file";
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));
    EXPECT_EQ(cursor.depth, 0);
}

TEST_F(PlayListTest, OpenOffersToSaveChangedListsFirst)
{
    const QString a = makeFile("a.mp3");
    lstMp3Wav->addItem("a", a, true);
    const QString other = playList({}, {}, "other.lst");

    // No: straight to the open dialog.
    state.ListsChanged = true;
    dialogs.openAnswers = {{other}};
    playLists.btnOpenClick();
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].kind, "open");
    EXPECT_EQ(mp3Wav().count(), 0);

    // Yes: saved first, then opened.
    lstMp3Wav->addItem("a", a, true);
    state.ListsChanged = true;
    dialogs.shown.clear();
    dialogs.confirmAnswers = {true};
    dialogs.saveAnswers = {folder.file("first.lst")};
    dialogs.openAnswers = {{other}};
    playLists.btnOpenClick();
    EXPECT_TRUE(TempDir::read(folder.file("first.lst")).contains("File=" + a.toUtf8()));
    EXPECT_EQ(dialogs.shown.back().kind, "open");
    EXPECT_EQ(options.LastPlayList, other);

    // Yes, but the save dialog is cancelled: the opening goes on.
    lstMp3Wav->addItem("a", a, true);
    state.ListsChanged = true;
    dialogs.confirmAnswers = {true};
    dialogs.openAnswers = {{other}};
    playLists.btnOpenClick();
    EXPECT_EQ(mp3Wav().count(), 0);
    EXPECT_FALSE(state.ListsChanged);
}

TEST_F(PlayListTest, CancelledOpenChangesNothing)
{
    lstMp3Wav->addItem("a", "/m/a.mp3", true);
    state.ListsChanged = false;
    playLists.btnOpenClick();
    EXPECT_EQ(mp3Wav().count(), 1);
    EXPECT_EQ(repaints, 0);
    EXPECT_EQ(options.LastPlayList, folder.file("default.lst"));
}

TEST_F(PlayListTest, AFileThatFailsTheIdTestNeverBecomesTheLastPlayList)
{
    const QString foreign = folder.write("foreign.lst", "[General]\r\nID=Something Else\r\n");
    lstMp3Wav->addItem("a", "/m/a.mp3", true);
    state.ListsChanged = true;
    dialogs.openAnswers = {{foreign}};
    playLists.btnOpenClick(); // the offer to save is answered No
    EXPECT_EQ(dialogs.messages(), QStringList{"Invalid playlist file!\n" + foreign});
    EXPECT_EQ(options.LastPlayList, folder.file("default.lst"));
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));
    EXPECT_TRUE(state.ListsChanged) << "the lists still differ from any playlist";
    EXPECT_EQ(mp3Wav().count(), 1);
}

TEST_F(PlayListTest, ANamedPipeInAPlaylistDoesNotHangTheLoad)
{
    const QString pipe = folder.file("pipe.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString after = makeFile("after.mp3");
    ASSERT_TRUE(playLists.LoadPlayList(
        playList({"Mp3WavCount=2"}, {{"Mp3WavList-File0", pipe, ""}, {"Mp3WavList-File1", after, ""}})));
    EXPECT_EQ(paths(mp3Wav()), (QStringList{pipe, after}));
}

TEST_F(PlayListTest, ADiskThatFillsUpWhileSavingKeepsTheOldPlaylist)
{
    const QString last = playList({"Mp3WavCount=1"}, {{"Mp3WavList-File0", makeFile("old.mp3"), ""}}, "default.lst");
    const QByteArray before = TempDir::read(last);
    for (int i = 0; i < 200; ++i)
        lstMp3Wav->addItem("a", folder.file(QStringLiteral("song number %1 with a long name.mp3").arg(i)), true);
    {
        tb::test::FileSizeLimit full(static_cast<rlim_t>(before.size() + 100));
        EXPECT_THROW(
            {
                try {
                    playLists.SavePlayList(last, true);
                } catch (const EInOutError &error) {
                    EXPECT_EQ(error.message(), "Disk full");
                    throw;
                }
            },
            EInOutError);
    }
    EXPECT_EQ(TempDir::read(last), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter(".lst"), QStringList{"default.lst"});
}

TEST_F(PlayListTest, AReadOnlyPlaylistIsRefusedAndStaysAsItWas)
{
    lstMp3Wav->addItem("a", "/m/a.mp3", true);
    const QString last = playList({"Mp3WavCount=0"}, {}, "default.lst");
    const QByteArray before = TempDir::read(last);
    ASSERT_EQ(::chmod(QFile::encodeName(last).constData(), 0444), 0);
    try {
        playLists.SavePlayList(last, true);
        ADD_FAILURE() << "a read-only playlist was written";
    } catch (const EInOutError &error) {
        EXPECT_EQ(error.message(), "File access denied");
    }
    EXPECT_EQ(TempDir::read(last), before);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(last).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(PlayListTest, ANameThatIsNotUtf8IsLoadedShownAndWrittenBackByteForByte)
{
    // The bytes \xff\xfe are no UTF-8; the file exists under exactly these bytes.
    const QByteArray nameBytes = QFile::encodeName(folder.path()) + "song\xff\xfe.mp3";
    {
        FILE *f = std::fopen(nameBytes.constData(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("abc", f);
        std::fclose(f);
    }
    const QString list = folder.file("bytes.lst");
    {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\r\nID=Tonebridge PlayList\r\nMp3WavCount=1\r\nWavMp3Count=0\r\nDoWhat=0\r\n\r\n"
                "[Mp3WavList-File0]\r\nFile=" + nameBytes + "\r\nChecked=1\r\n\r\n");
    }
    ASSERT_TRUE(playLists.LoadPlayList(list));
    ASSERT_EQ(mp3Wav().count(), 1);
    EXPECT_EQ(pathToBytes(mp3Wav().item(0).path), nameBytes);
    EXPECT_EQ(mp3Wav().item(0).text, QString::fromUtf8("song\xef\xbf\xbd\xef\xbf\xbd.mp3 -- 3Bytes"));

    const QString saved = folder.file("saved.lst");
    playLists.SavePlayList(saved, false);
    EXPECT_TRUE(TempDir::read(saved).contains("File=" + nameBytes + "\r\n"));
}

TEST(ListSectionNumbers, OnlyCanonicalNumbersBelowTheCount)
{
    test::TempDir dir;
    const QString path = dir.write("n.lst", "[Mp3WavList-File5]\r\nFile=a\r\n[mp3wavlist-file2]\r\nFile=b\r\n"
                                            "[Mp3WavList-File007]\r\nFile=c\r\n[Mp3WavList-File]\r\nFile=d\r\n"
                                            "[Mp3WavList-File-1]\r\nFile=e\r\n[Mp3WavList-File99999999999]\r\nFile=f\r\n"
                                            "[Mp3WavList-File 3]\r\nFile=g\r\n[WavMp3List-File1]\r\nFile=h\r\n"
                                            "[Mp3WavList-File2147483646]\r\nFile=i\r\n");
    TBiggerIniFile ini(path);
    EXPECT_EQ(ListSectionNumbers(ini, "Mp3WavList-File", 2147483647), (std::vector<int32_t>{2, 5, 2147483646}));
    EXPECT_EQ(ListSectionNumbers(ini, "Mp3WavList-File", 5), (std::vector<int32_t>{2}));
    EXPECT_EQ(ListSectionNumbers(ini, "Mp3WavList-File", 0), (std::vector<int32_t>{}));
    EXPECT_EQ(ListSectionNumbers(ini, "WavMp3List-File", 2), (std::vector<int32_t>{1}));
}

} // namespace
