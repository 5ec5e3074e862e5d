#include "ListsFixture.h"

#include <QMenu>

using namespace tb;
using tb::test::ListsFixture;

namespace {

class ConversionListsTest : public ListsFixture {
protected:
    void add(const QStringList &files)
    {
        dialogs.openAnswers.push_back(files);
        ErrorReport::run([this] { lists.btnAddClick(); });
    }
    // Items a..(a+n-1) in the front list, checked as given.
    void fillFront(const std::vector<bool> &checked)
    {
        for (size_t i = 0; i < checked.size(); ++i)
            lists.activeList().addItem(QString("f%1").arg(i), QString("/m/f%1.mp3").arg(i), checked[i]);
        state.ListsChanged = false;
    }
};

TEST_F(ConversionListsTest, InitialLayout)
{
    EXPECT_EQ(lists.tabColour(dwMp3ToWav), QColor(122, 150, 223));
    EXPECT_EQ(lists.tabColour(dwWavToMp3), QColor(51, 102, 153));
    EXPECT_EQ(frontList(), lstMp3Wav);
    EXPECT_EQ(lstMp3Wav->toolTip(), "Right-click to show pop-up menu.");
    EXPECT_EQ(lstWavMp3->toolTip(), "Right-click to show pop-up menu.");
    EXPECT_EQ(lstMp3Wav->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(ConversionListsTest, TabSwitchColoursBringsTheListInFrontAndCounts)
{
    lists.btnWavMp3Click();
    EXPECT_EQ(state.DoWhat, dwWavToMp3);
    EXPECT_TRUE(state.ListsChanged);
    EXPECT_EQ(clickSounds, 1);
    EXPECT_EQ(lists.tabColour(dwWavToMp3), TConversionLists::ActiveTabColour);
    EXPECT_EQ(lists.tabColour(dwMp3ToWav), TConversionLists::InactiveTabColour);
    EXPECT_EQ(frontList(), lstWavMp3);
    EXPECT_EQ(&lists.activeList(), lstWavMp3);
    EXPECT_TRUE(btnWavMp3->styleSheet().contains(QColor(122, 150, 223).name()));

    lists.btnMp3WavClick();
    EXPECT_EQ(state.DoWhat, dwMp3ToWav);
    EXPECT_EQ(frontList(), lstMp3Wav);
    EXPECT_EQ(clickSounds, 2);
}

TEST_F(ConversionListsTest, ClickingTheActiveTabDoesNothing)
{
    lists.btnMp3WavClick();
    EXPECT_EQ(clickSounds, 0);
    EXPECT_FALSE(state.ListsChanged);
    EXPECT_EQ(state.DoWhat, dwMp3ToWav);
}

TEST_F(ConversionListsTest, AddRoutesEachFileAndLeavesTheFrontListInFront)
{
    const QString a = makeFile("a.mp3", 512), b = makeFile("b.wav", 1536);
    add({a, b});
    EXPECT_EQ(dialogs.shown.at(0).kind, "open");
    EXPECT_EQ(dialogs.shown.at(0).text,
              "All Supported File|*.mp3;*mp2;*.mp1;*.wav|MP3 File (*.mp3;*.mp2;*.mp1)|*.mp3;*mp2;*.mp1|"
              "Wave File (*.wav)|*.wav|All File (*.*)|*.*");
    EXPECT_TRUE(dialogs.lastMultiSelect);
    EXPECT_TRUE(dialogs.lastStartFolder.isEmpty());
    EXPECT_EQ(paths(mp3Wav()), QStringList{a});
    EXPECT_EQ(paths(wavMp3()), QStringList{b});
    EXPECT_EQ(texts(mp3Wav()), QStringList{"a.mp3 -- 512Bytes"});
    EXPECT_TRUE(wavMp3().item(0).text.startsWith("b.wav -- 1")) << wavMp3().item(0).text.toStdString();
    EXPECT_TRUE(mp3Wav().isChecked(0));
    EXPECT_TRUE(wavMp3().isChecked(0));
    EXPECT_EQ(frontList(), lstMp3Wav);
    EXPECT_EQ(state.DoWhat, dwMp3ToWav);
    EXPECT_TRUE(state.ListsChanged);
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(cursor.busyCount, 1);
    EXPECT_EQ(cursor.depth, 0);
    EXPECT_EQ(dialogs.messages(), QStringList{});
}

TEST_F(ConversionListsTest, AnyOtherExtensionFollowsTheActiveDirection)
{
    const QString ogg = makeFile("tune.ogg");
    add({ogg});
    EXPECT_EQ(paths(mp3Wav()), QStringList{ogg});
    lists.ClearLists();
    lists.btnWavMp3Click();
    add({ogg});
    EXPECT_EQ(paths(wavMp3()), QStringList{ogg});
    EXPECT_EQ(mp3Wav().count(), 0);
}

TEST_F(ConversionListsTest, ZeroByteFile)
{
    add({makeFile("empty.mp3", 0)});
    EXPECT_EQ(texts(mp3Wav()), QStringList{"empty.mp3 -- 0Bytes"});
}

TEST_F(ConversionListsTest, DuplicatesAcrossBothListsAreSkippedSilently)
{
    const QString a = makeFile("song.mp3"), w = makeFile("take.wav");
    add({a, w});
    state.ListsChanged = false;
    QString upperA = a, upperW = w;
    upperA.replace("song.mp3", "SONG.MP3");
    upperW.replace("take.wav", "Take.WAV");
    // The duplicate test comes before the file is opened: these upper-case names do not exist.
    add({upperA, upperW, a});
    EXPECT_EQ(paths(mp3Wav()), QStringList{a});
    EXPECT_EQ(paths(wavMp3()), QStringList{w});
    EXPECT_EQ(dialogs.messages(), QStringList{});
    EXPECT_FALSE(state.ListsChanged);

    const QString b = makeFile("b.mp3");
    add({b, b});
    EXPECT_EQ(paths(mp3Wav()), (QStringList{a, b})) << "the same file twice in one choice is added once";
}

TEST_F(ConversionListsTest, AFileThatCannotBeOpenedStopsTheAdd)
{
    const QString first = makeFile("1.mp3"), locked = makeFile("2.mp3"), last = makeFile("3.mp3");
    const QString vanished = folder.file("vanished.mp3");
    fileSystem.locked.insert(locked);
    add({first, locked, last});
    EXPECT_EQ(dialogs.messages(), QStringList{"Cannot open file " + locked});
    EXPECT_EQ(paths(mp3Wav()), QStringList{first});
    EXPECT_EQ(cursor.depth, 0) << "the normal cursor is back";

    dialogs.shown.clear();
    add({vanished, last});
    EXPECT_EQ(dialogs.messages(), QStringList{"Cannot open file " + vanished});
    EXPECT_EQ(paths(mp3Wav()), QStringList{first});
}

TEST_F(ConversionListsTest, CancelledAddDoesNothing)
{
    add({});
    EXPECT_EQ(repaints, 0);
    EXPECT_EQ(cursor.busyCount, 0);
    EXPECT_FALSE(state.ListsChanged);
}

TEST_F(ConversionListsTest, GuardedCommandsRefuseWhileBusy)
{
    struct Entry {
        const char *name;
        std::function<void()> run;
    };
    const std::vector<Entry> commands{
        {"btnAddClick", [this] { lists.btnAddClick(); }},
        {"btnRemoveClick", [this] { lists.btnRemoveClick(); }},
        {"metRemoveItemsClick", [this] { lists.metRemoveItemsClick(); }},
        {"btnMoveUpClick", [this] { lists.btnMoveUpClick(); }},
        {"btnMoveDownClick", [this] { lists.btnMoveDownClick(); }},
        {"btnOpenClick", [this] { playLists.btnOpenClick(); }},
        {"btnSaveClick", [this] { playLists.btnSaveClick(); }},
    };
    fillFront({true, true});
    lists.activeList().selectAll();
    state.ListsChanged = true;
    const std::pair<ActivityStates, const char *> states[] = {{asPlaying, "Please stop playing at first!"},
                                                               {asConverting, "Please stop converting at first!"}};
    for (const auto &[activity, message] : states) {
        for (const Entry &command : commands) {
            dialogs.shown.clear();
            dialogs.openAnswers = {{makeFile("new.mp3")}};
            dialogs.saveAnswers = {folder.file("x.lst")};
            state.ActivityState = activity;
            command.run();
            EXPECT_EQ(dialogs.messages(), QStringList{message}) << command.name;
            EXPECT_EQ(dialogs.shown.size(), 1u) << command.name << ": nothing else is shown";
            EXPECT_EQ(lists.activeList().count(), 2) << command.name;
        }
    }
}

TEST_F(ConversionListsTest, RemoveOnEmptyListOrWithoutSelection)
{
    lists.btnRemoveClick();
    EXPECT_TRUE(dialogs.shown.empty());
    fillFront({true, false});
    lists.btnRemoveClick();
    EXPECT_EQ(dialogs.messages(), QStringList{"At least select one item!"});
    EXPECT_EQ(lists.activeList().count(), 2);
    EXPECT_FALSE(state.ListsChanged);
}

TEST_F(ConversionListsTest, RemoveOneSelectedItemWithoutAQuestion)
{
    fillFront({true, false, true});
    lists.activeList().setSelected(1, true);
    lists.btnRemoveClick();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(paths(lists.activeList()), (QStringList{"/m/f0.mp3", "/m/f2.mp3"}));
    EXPECT_TRUE(state.ListsChanged);
}

TEST_F(ConversionListsTest, RemoveSeveralAsksOnce)
{
    fillFront({true, false, true, true, false});
    lists.activeList().selectRows({true, false, true, false, true});
    lists.btnRemoveClick(); // answered No
    EXPECT_EQ(dialogs.questions(), QStringList{"Are you sure you want to remove all selected items?"});
    EXPECT_EQ(lists.activeList().count(), 5);
    EXPECT_FALSE(state.ListsChanged);

    dialogs.confirmAnswers = {true};
    lists.metRemoveItemsClick();
    EXPECT_EQ(dialogs.questions().size(), 2);
    EXPECT_EQ(paths(lists.activeList()), (QStringList{"/m/f1.mp3", "/m/f3.mp3"}));
    EXPECT_TRUE(state.ListsChanged);
    EXPECT_EQ(cursor.busyCount, 1);
    EXPECT_EQ(cursor.depth, 0);
}

TEST_F(ConversionListsTest, RemoveActsOnTheActiveListOnly)
{
    lstMp3Wav->addItem("keep", "/m/keep.mp3", true);
    lstMp3Wav->selectAll();
    lists.btnWavMp3Click();
    lstWavMp3->addItem("go", "/m/go.wav", true);
    lstWavMp3->selectAll();
    lists.btnRemoveClick();
    EXPECT_EQ(lstWavMp3->count(), 0);
    EXPECT_EQ(lstMp3Wav->count(), 1);
}

TEST_F(ConversionListsTest, MoveUpAndDown)
{
    fillFront({true, false, true});
    TCheckListBox &l = lists.activeList();
    l.setSelected(1, true);
    lists.btnMoveUpClick();
    EXPECT_EQ(paths(l), (QStringList{"/m/f1.mp3", "/m/f0.mp3", "/m/f2.mp3"}));
    EXPECT_EQ(l.selectedItem(), 0);
    lists.btnMoveUpClick(); // at the top: nothing, no message
    EXPECT_EQ(paths(l), (QStringList{"/m/f1.mp3", "/m/f0.mp3", "/m/f2.mp3"}));
    lists.btnMoveDownClick();
    lists.btnMoveDownClick();
    EXPECT_EQ(paths(l), (QStringList{"/m/f0.mp3", "/m/f2.mp3", "/m/f1.mp3"}));
    EXPECT_EQ(l.selectedItem(), 2);
    lists.btnMoveDownClick(); // at the bottom
    EXPECT_EQ(l.selectedItem(), 2);
    EXPECT_EQ(checkedStates(l), (std::vector<bool>{true, true, false}));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(state.ListsChanged) << "moving does not count as a change";
}

TEST_F(ConversionListsTest, MoveNeedsExactlyOneSelectedItem)
{
    lists.btnMoveDownClick();
    EXPECT_TRUE(dialogs.shown.empty()) << "empty list: nothing";
    fillFront({true, true, true});
    lists.btnMoveDownClick();
    lists.activeList().selectRows({true, true, false});
    lists.btnMoveDownClick();
    lists.btnMoveUpClick();
    EXPECT_EQ(dialogs.messages(), QStringList(3, "Please only select one item!"));
    EXPECT_EQ(paths(lists.activeList()), (QStringList{"/m/f0.mp3", "/m/f1.mp3", "/m/f2.mp3"}));
}

TEST_F(ConversionListsTest, SelectAndCheckCommands)
{
    struct Case {
        const char *name;
        void (TConversionLists::*command)();
        std::vector<bool> checked, selected;         // before
        std::vector<bool> checkedAfter, selectedAfter;
        bool busy;
    };
    const std::vector<bool> c{true, false, true, false}, s{true, true, false, false};
    const Case cases[] = {
        {"SelectAll", &TConversionLists::metSelectAllClick, c, s, c, {1, 1, 1, 1}, false},
        {"DeselectAll", &TConversionLists::metDeselectAllClick, c, s, c, {0, 0, 0, 0}, false},
        {"SelectChecked", &TConversionLists::metSelectCheckedClick, c, s, c, c, true},
        {"SelectUnchecked", &TConversionLists::metSelectUncheckedClick, c, s, c, {0, 1, 0, 1}, true},
        {"CheckAll", &TConversionLists::metCheckAllClick, c, s, {1, 1, 1, 1}, s, true},
        {"UncheckAll", &TConversionLists::metUncheckAllClick, c, s, {0, 0, 0, 0}, s, true},
        {"CheckSelected", &TConversionLists::metCheckSelectedClick, c, s, s, s, true},
        {"CheckSelectedNoneSelected", &TConversionLists::metCheckSelectedClick, c, {0, 0, 0, 0}, {0, 0, 0, 0},
         {0, 0, 0, 0}, true},
        {"CheckDeselected", &TConversionLists::metCheckedDeselectedClick, c, s, {0, 0, 1, 1}, s, true},
    };
    for (const Case &tc : cases) {
        lists.ClearLists();
        fillFront(tc.checked);
        lists.activeList().selectRows(tc.selected);
        cursor.busyCount = 0;
        state.ActivityState = asConverting; // these commands do not consult the activity
        (lists.*tc.command)();
        state.ActivityState = asIdle;
        TCheckListBox &l = lists.activeList();
        EXPECT_EQ(checkedStates(l), tc.checkedAfter) << tc.name;
        std::vector<bool> selected;
        for (int i = 0; i < l.count(); ++i)
            selected.push_back(l.isSelected(i));
        EXPECT_EQ(selected, tc.selectedAfter) << tc.name;
        EXPECT_EQ(cursor.busyCount, tc.busy ? 1 : 0) << tc.name;
        EXPECT_EQ(cursor.depth, 0) << tc.name;
        EXPECT_FALSE(state.ListsChanged) << tc.name;
        EXPECT_TRUE(dialogs.shown.empty()) << tc.name;
    }
}

TEST_F(ConversionListsTest, ListsChangedFollowsTheWidgetNotifications)
{
    window.resize(340, 236);
    lstMp3Wav->setGeometry(0, 0, 340, 236);
    fillFront({false, false});
    lists.activeList().setChecked(0, true);
    EXPECT_FALSE(state.ListsChanged) << "setting the checked state from the program is no change";
    lists.activeList().model()->setData(lists.activeList().model()->index(1, 0), Qt::Checked,
                                        Qt::CheckStateRole);
    EXPECT_TRUE(state.ListsChanged) << "the user's toggle is a change";
    state.ListsChanged = false;
    lists.ClearList(dwMp3ToWav);
    EXPECT_TRUE(state.ListsChanged) << "clearing removes items";
}

TEST_F(ConversionListsTest, PopUpMenuEntries)
{
    QMenu *menu = lists.menSelect();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), "menSelect");
    auto describe = [](QMenu *m) {
        QStringList out;
        for (QAction *a : m->actions())
            out << (a->isSeparator() ? QString("-") : a->objectName() + "=" + a->text());
        return out;
    };
    EXPECT_EQ(describe(menu), (QStringList{"metSelectItems=Select Items", "-", "metCheckItems=Check Items", "-",
                                           "metRemoveItems=Remove Selected Items"}));
    EXPECT_EQ(describe(menu->actions()[0]->menu()),
              (QStringList{"metSelectAll=&Select All Files", "metDeselectAll=&Deselect All Files",
                           "metSelectChecked=&Only Select Checked Files",
                           "metSelectUnchecked=O&nly Select Unchecked Files"}));
    EXPECT_EQ(describe(menu->actions()[2]->menu()),
              (QStringList{"metCheckAll=&Check All Files", "metUncheckAll=&Uncheck All Files",
                           "metCheckSelected=On&ly Check Selected Files",
                           "metCheckedDeselected=Onl&y Check Deselected Files"}));

    fillFront({false, false});
    menu->actions()[2]->menu()->actions()[0]->trigger();
    EXPECT_EQ(checkedStates(lists.activeList()), (std::vector<bool>{true, true}));
    lists.activeList().selectAll();
    dialogs.confirmAnswers = {true};
    menu->actions()[4]->trigger();
    EXPECT_EQ(lists.activeList().count(), 0);
}

TEST_F(ConversionListsTest, RightClickOpensThePopUpMenuUnlessSwitchedOff)
{
    window.show();
    emit lstMp3Wav->customContextMenuRequested(QPoint(10, 10));
    EXPECT_TRUE(lists.menSelect()->isVisible());
    lists.menSelect()->hide();
    lists.setSelectMenuEnabled(false);
    emit lstMp3Wav->customContextMenuRequested(QPoint(10, 10));
    EXPECT_FALSE(lists.menSelect()->isVisible());
}

} // namespace
