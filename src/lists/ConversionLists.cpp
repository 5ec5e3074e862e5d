#include "ConversionLists.h"

#include "AudioFileCollector.h"
#include "ListRouting.h"
#include "SizeText.h"
#include "platform/BusyCursor.h"

#include <vector>

namespace tb {

namespace {
QString tabStyle(const QColor &colour)
{
    return QString("QPushButton { background: %1; color: white; border: 1px solid #1b2f4a; "
                   "border-top-left-radius: 6px; border-top-right-radius: 6px; font-weight: bold; }"
                   "QPushButton:disabled { color: #c8d0dc; }")
        .arg(colour.name());
}
} // namespace

TConversionLists::TConversionLists(AppState &state, AppContext &context, ListControls controls, QWidget *menuParent)
    : state_(state), context_(context), controls_(controls)
{
    paintTab(dwMp3ToWav, ActiveTabColour);
    paintTab(dwWavToMp3, InactiveTabColour);
    for (TCheckListBox *l : {controls_.lstMp3Wav, controls_.lstWavMp3}) {
        l->setToolTip(QString::fromLatin1(ListHint));
        watch(l);
    }
    controls_.lstMp3Wav->bringToFront();
    controls_.lstWavMp3->setVisible(false);
    createSelectMenu(menuParent);
}

void TConversionLists::watch(TCheckListBox *l)
{
    auto changed = [this] { state_.ListsChanged = true; };
    watches_.connect(l, &TCheckListBox::itemTextSet, this, changed);
    watches_.connect(l, &TCheckListBox::checkBoxToggled, this, changed);
    watches_.connect(l, &TCheckListBox::itemRemoved, this, changed);
    watches_.connect(l, &QWidget::customContextMenuRequested, this, [this, l](QPoint at) { popUpSelectMenu(l, at); });
}

TCheckListBox &TConversionLists::list(int32_t doWhat) const
{
    return ListIndexOf(doWhat) == 0 ? *controls_.lstMp3Wav : *controls_.lstWavMp3;
}

void TConversionLists::paintTab(int32_t doWhat, const QColor &colour)
{
    tabColours_[ListIndexOf(doWhat)] = colour;
    (ListIndexOf(doWhat) == 0 ? controls_.btnMp3Wav : controls_.btnWavMp3)->setStyleSheet(tabStyle(colour));
}

void TConversionLists::activateTab(DoWhatValues doWhat)
{
    if (tabColour(doWhat) == ActiveTabColour)
        return;
    if (playClickSound)
        playClickSound();
    const DoWhatValues other = doWhat == dwMp3ToWav ? dwWavToMp3 : dwMp3ToWav;
    paintTab(doWhat, ActiveTabColour);
    paintTab(other, InactiveTabColour);
    // The list behind is also hidden, so that neither the mouse nor the keyboard reaches it.
    list(doWhat).setVisible(true);
    list(doWhat).bringToFront();
    list(other).setVisible(false);
    state_.ListsChanged = true;
    state_.DoWhat = doWhat;
}

bool TConversionLists::HoldsPath(const QString &path) const
{
    return controls_.lstMp3Wav->containsPath(path) || controls_.lstWavMp3->containsPath(path);
}

void TConversionLists::AppendFile(int32_t doWhat, const QString &path, bool checked)
{
    const QString text = ListItemText(path, FileSizeText(context_.fileSystem, path));
    list(doWhat).addItem(text, path, checked);
}

void TConversionLists::ClearList(int32_t doWhat) { list(doWhat).clear(); }

void TConversionLists::ClearLists()
{
    ClearList(dwMp3ToWav);
    ClearList(dwWavToMp3);
}

void TConversionLists::btnAddClick()
{
    if (!PassesGuard(state_, context_.dialogs))
        return;
    const QStringList files = context_.dialogs.openFiles(QString::fromLatin1(AddFilter), true);
    if (files.isEmpty())
        return;
    if (repaintWindow)
        repaintWindow();
    AddFiles(files);
}

void TConversionLists::AddFiles(const QStringList &files)
{
    BusyCursor busy(context_.cursor);
    for (const QString &path : files) {
        if (HoldsPath(path))
            continue;
        AppendFile(TargetList(state_.DoWhat, path), path, true);
    }
}

void TConversionLists::AddPaths(const QStringList &paths)
{
    if (!PassesGuard(state_, context_.dialogs))
        return;
    BusyCursor busy(context_.cursor); // a deep folder takes a while to walk
    AddFiles(CollectAudioFiles(paths));
}

void TConversionLists::btnRemoveClick()
{
    if (!PassesGuard(state_, context_.dialogs))
        return;
    TCheckListBox &l = activeList();
    if (l.count() == 0)
        return;
    const int selected = l.selectedCount();
    if (selected == 0) {
        context_.dialogs.message(QStringLiteral("At least select one item!"));
        return;
    }
    l.setFocus();
    if (selected == 1) {
        l.removeItem(l.selectedItem());
        return;
    }
    if (!context_.dialogs.confirm(QStringLiteral("Are you sure you want to remove all selected items?")))
        return;
    BusyCursor busy(context_.cursor);
    l.removeSelected();
}

void TConversionLists::moveSelected(int step)
{
    if (!PassesGuard(state_, context_.dialogs))
        return;
    TCheckListBox &l = activeList();
    if (l.count() == 0)
        return;
    if (l.selectedCount() != 1) {
        context_.dialogs.message(QStringLiteral("Please only select one item!"));
        return;
    }
    const int from = l.selectedItem();
    const int to = from + step;
    if (to < 0 || to >= l.count())
        return;
    l.moveItem(from, to);
}

void TConversionLists::selectWhere(const std::function<bool(int)> &rule)
{
    TCheckListBox &l = activeList();
    std::vector<bool> selected(static_cast<size_t>(l.count()));
    for (int row = 0; row < l.count(); ++row)
        selected[static_cast<size_t>(row)] = rule(row);
    l.selectRows(selected);
}

void TConversionLists::checkWhere(const std::function<bool(int)> &rule)
{
    TCheckListBox &l = activeList();
    std::vector<bool> checked(static_cast<size_t>(l.count()));
    for (int row = 0; row < l.count(); ++row)
        checked[static_cast<size_t>(row)] = rule(row);
    l.setCheckedStates(checked);
}

void TConversionLists::metSelectAllClick() { activeList().selectAll(); }

void TConversionLists::metDeselectAllClick() { activeList().deselectAll(); }

void TConversionLists::metSelectCheckedClick()
{
    BusyCursor busy(context_.cursor);
    selectWhere([this](int row) { return activeList().isChecked(row); });
}

void TConversionLists::metSelectUncheckedClick()
{
    BusyCursor busy(context_.cursor);
    selectWhere([this](int row) { return !activeList().isChecked(row); });
}

void TConversionLists::metCheckAllClick()
{
    BusyCursor busy(context_.cursor);
    checkWhere([](int) { return true; });
}

void TConversionLists::metUncheckAllClick()
{
    BusyCursor busy(context_.cursor);
    checkWhere([](int) { return false; });
}

void TConversionLists::metCheckSelectedClick()
{
    BusyCursor busy(context_.cursor);
    std::vector<bool> selected(static_cast<size_t>(activeList().count()));
    for (int row : activeList().selectedRows())
        selected[static_cast<size_t>(row)] = true;
    checkWhere([&](int row) { return selected[static_cast<size_t>(row)]; });
}

void TConversionLists::metCheckedDeselectedClick()
{
    BusyCursor busy(context_.cursor);
    std::vector<bool> selected(static_cast<size_t>(activeList().count()));
    for (int row : activeList().selectedRows())
        selected[static_cast<size_t>(row)] = true;
    checkWhere([&](int row) { return !selected[static_cast<size_t>(row)]; });
}

void TConversionLists::createSelectMenu(QWidget *parent)
{
    menSelect_ = new QMenu(parent);
    menSelect_->setObjectName("menSelect");
    auto entry = [this](QMenu *menu, const char *name, const char *caption, void (TConversionLists::*handler)()) {
        QAction *action = menu->addAction(QString::fromLatin1(caption));
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
    };
    QMenu *selectItems = menSelect_->addMenu(QStringLiteral("Select Items"));
    selectItems->setObjectName("metSelectItems");
    selectItems->menuAction()->setObjectName("metSelectItems");
    entry(selectItems, "metSelectAll", "&Select All Files", &TConversionLists::metSelectAllClick);
    entry(selectItems, "metDeselectAll", "&Deselect All Files", &TConversionLists::metDeselectAllClick);
    entry(selectItems, "metSelectChecked", "&Only Select Checked Files", &TConversionLists::metSelectCheckedClick);
    entry(selectItems, "metSelectUnchecked", "O&nly Select Unchecked Files",
          &TConversionLists::metSelectUncheckedClick);
    menSelect_->addSeparator();
    QMenu *checkItems = menSelect_->addMenu(QStringLiteral("Check Items"));
    checkItems->setObjectName("metCheckItems");
    checkItems->menuAction()->setObjectName("metCheckItems");
    entry(checkItems, "metCheckAll", "&Check All Files", &TConversionLists::metCheckAllClick);
    entry(checkItems, "metUncheckAll", "&Uncheck All Files", &TConversionLists::metUncheckAllClick);
    entry(checkItems, "metCheckSelected", "On&ly Check Selected Files", &TConversionLists::metCheckSelectedClick);
    entry(checkItems, "metCheckedDeselected", "Onl&y Check Deselected Files",
          &TConversionLists::metCheckedDeselectedClick);
    menSelect_->addSeparator();
    entry(menSelect_, "metRemoveItems", "Remove Selected Items", &TConversionLists::metRemoveItemsClick);
}

void TConversionLists::popUpSelectMenu(TCheckListBox *l, QPoint at)
{
    if (selectMenuEnabled_)
        menSelect_->popup(l->viewport()->mapToGlobal(at));
}

} // namespace tb
