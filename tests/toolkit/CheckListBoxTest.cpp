#include "platform/ErrorReport.h"
#include "toolkit/CheckListBox.h"
#include "support/TestApplication.h"

#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <gtest/gtest.h>

using namespace tb;

namespace {

using tb::test::application;

class CheckListBoxTest : public ::testing::Test {
protected:
    CheckListBoxTest()
    {
        window.resize(300, 400);
        list = new TCheckListBox(&window);
        list->setGeometry(0, 0, 300, 400);
    }
    void fill(int n)
    {
        for (int i = 0; i < n; ++i)
            list->addItem(QString("item%1").arg(i), QString("/music/Item%1.mp3").arg(i), i % 2 == 0);
    }
    QStringList texts() const
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i).text;
        return out;
    }
    QPoint centreOf(int row) const { return list->visualRect(list->model()->index(row, 0)).center(); }
    QPoint checkBoxOf(int row) const
    {
        QStyleOptionViewItem option;
        option.initFrom(list);
        option.rect = list->visualRect(list->model()->index(row, 0));
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = list->item(row).text;
        return list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list).center();
    }
    void show()
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QApplication &app = application(); // before any widget
    QWidget window;
    TCheckListBox *list = nullptr;
};

TEST_F(CheckListBoxTest, AddedItemsKeepTextPathCheckedStateAndNotifyTheirText)
{
    QSignalSpy textSet(list, &TCheckListBox::itemTextSet);
    EXPECT_EQ(list->addItem("a.mp3 -- 1Bytes", "/m/a.mp3", true), 0);
    EXPECT_EQ(list->addItem("b.mp3 -- 2Bytes", "/m/b.mp3", false), 1);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1).text, "b.mp3 -- 2Bytes");
    EXPECT_EQ(list->item(1).path, "/m/b.mp3");
    EXPECT_TRUE(list->isChecked(0));
    EXPECT_FALSE(list->isChecked(1));
    EXPECT_TRUE(list->isCheckBoxEnabled(0));
    EXPECT_EQ(list->model()->data(list->model()->index(0, 0), Qt::DisplayRole).toString(), "a.mp3 -- 1Bytes");
    EXPECT_EQ(list->model()->data(list->model()->index(1, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    ASSERT_EQ(textSet.count(), 2);
    EXPECT_EQ(textSet[1][0].toInt(), 1);
}

TEST_F(CheckListBoxTest, CheckedStateSetByTheProgramDoesNotNotify)
{
    fill(3);
    QSignalSpy toggled(list, &TCheckListBox::checkBoxToggled);
    list->setChecked(1, true);
    list->setCheckedStates({false, false, false});
    EXPECT_FALSE(list->isChecked(0));
    EXPECT_EQ(toggled.count(), 0);
}

TEST_F(CheckListBoxTest, MouseOnTheCheckBoxTogglesAndNotifies)
{
    fill(3);
    show();
    QSignalSpy toggled(list, &TCheckListBox::checkBoxToggled);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, checkBoxOf(1));
    EXPECT_TRUE(list->isChecked(1));
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_EQ(toggled[0][0].toInt(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, checkBoxOf(1));
    EXPECT_FALSE(list->isChecked(1));
    EXPECT_EQ(toggled.count(), 2);
}

TEST_F(CheckListBoxTest, DisabledCheckBoxIgnoresTheMouse)
{
    fill(2);
    show();
    list->setCheckBoxesEnabled(false);
    QSignalSpy toggled(list, &TCheckListBox::checkBoxToggled);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, checkBoxOf(0));
    EXPECT_TRUE(list->isChecked(0));
    EXPECT_EQ(toggled.count(), 0);
    EXPECT_FALSE(list->isCheckBoxEnabled(1));
    list->setCheckBoxEnabled(1, true);
    EXPECT_TRUE(list->isCheckBoxEnabled(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, checkBoxOf(1));
    EXPECT_TRUE(list->isChecked(1));
}

TEST_F(CheckListBoxTest, ControlAndShiftClicksSelectSeveralItems)
{
    fill(6);
    show();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOf(1));
    EXPECT_EQ(list->selectedItem(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, centreOf(4));
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{1, 4}));
    EXPECT_EQ(list->selectedItem(), -1) << "only one selected item is 'the' selected item";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOf(0));
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{0}));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, centreOf(2));
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{0, 1, 2}));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, centreOf(5));
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{0, 1, 2, 5}));
}

TEST_F(CheckListBoxTest, SelectionByTheProgram)
{
    fill(5);
    list->setSelected(3, true);
    list->setSelected(1, true);
    EXPECT_TRUE(list->isSelected(1));
    EXPECT_EQ(list->selectedCount(), 2);
    list->setSelected(3, false);
    EXPECT_EQ(list->selectedItem(), 1);
    list->selectRows({true, false, true, true, false});
    EXPECT_EQ(list->selectedRows(), (std::vector<int>{0, 2, 3}));
    list->selectAll();
    EXPECT_EQ(list->selectedCount(), 5);
    list->deselectAll();
    EXPECT_EQ(list->selectedCount(), 0);
}

TEST_F(CheckListBoxTest, RemovingNotifiesEachItemAndKeepsTheOrder)
{
    fill(6);
    QSignalSpy removed(list, &TCheckListBox::itemRemoved);
    list->removeItem(0);
    list->selectRows({true, false, true, true, false});
    list->removeSelected();
    EXPECT_EQ(texts(), (QStringList{"item2", "item5"}));
    EXPECT_EQ(removed.count(), 4);
    EXPECT_EQ(list->selectedCount(), 0);
    list->clear();
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(removed.count(), 6);
}

TEST_F(CheckListBoxTest, MovedItemStaysSelected)
{
    fill(4);
    list->setSelected(2, true);
    list->moveItem(2, 1);
    EXPECT_EQ(texts(), (QStringList{"item0", "item2", "item1", "item3"}));
    EXPECT_EQ(list->selectedItem(), 1);
    list->moveItem(1, 3);
    EXPECT_EQ(texts(), (QStringList{"item0", "item1", "item3", "item2"}));
    EXPECT_EQ(list->selectedItem(), 3);
    EXPECT_EQ(list->item(3).path, "/music/Item2.mp3");
}

TEST_F(CheckListBoxTest, FindsPathsIgnoringCase)
{
    fill(3);
    list->addItem("again", "/music/Item1.mp3", true);
    EXPECT_EQ(list->findPath("/MUSIC/item1.MP3"), 1);
    EXPECT_TRUE(list->containsPath("/music/ITEM2.mp3"));
    EXPECT_EQ(list->findPath("/music/Item1.mp"), -1);
    list->removeItem(1);
    EXPECT_EQ(list->findPath("/music/item1.mp3"), 2) << "the second item with that path is still there";
    list->removeItem(2);
    EXPECT_FALSE(list->containsPath("/music/item1.mp3"));
    list->clear();
    EXPECT_FALSE(list->containsPath("/music/item0.mp3"));
}

TEST_F(CheckListBoxTest, BringToFrontLaysTheListOverItsSibling)
{
    auto *other = new TCheckListBox(&window);
    EXPECT_EQ(window.children().last(), other);
    list->bringToFront();
    EXPECT_EQ(window.children().last(), list);
}

TEST_F(CheckListBoxTest, TenThousandItems)
{
    fill(10000);
    show();
    list->selectAll();
    EXPECT_EQ(list->selectedCount(), 10000);
    list->removeSelected();
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(list->containsPath("/music/item9999.mp3"));
}

} // namespace
