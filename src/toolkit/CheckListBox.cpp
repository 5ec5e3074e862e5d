#include "CheckListBox.h"

#include <QApplication>
#include <QItemSelection>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace tb {

namespace {
// Draws the check box of an item whose check box is switched off greyed, the rest as usual.
class CheckListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (index.flags() & Qt::ItemIsUserCheckable)
            return;
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        QStyleOptionViewItem check = item;
        check.rect = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &item, widget);
        check.state &= ~(QStyle::State_Enabled | QStyle::State_HasFocus);
        check.palette.setCurrentColorGroup(QPalette::Disabled);
        check.state |= item.checkState == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
        painter->save();
        painter->setClipRect(check.rect);
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);
        style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, widget);
        painter->restore();
    }
};
} // namespace

int CheckListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

QVariant CheckListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const CheckListItem &it = item(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return it.text;
    case Qt::CheckStateRole:
        return it.checked ? Qt::Checked : Qt::Unchecked;
    case PathRole:
        return it.path;
    default:
        return {};
    }
}

bool CheckListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rowCount())
        return false;
    CheckListItem &it = items_[static_cast<size_t>(index.row())];
    if (!it.checkBoxEnabled)
        return false;
    it.checked = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit checkToggledByUser(index.row());
    return true;
}

Qt::ItemFlags CheckListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (item(index.row()).checkBoxEnabled)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

int CheckListModel::append(CheckListItem newItem)
{
    const int row = rowCount();
    beginInsertRows({}, row, row);
    ++pathCounts_[pathKey(newItem.path)];
    items_.push_back(std::move(newItem));
    endInsertRows();
    return row;
}

void CheckListModel::setChecked(int row, bool checked)
{
    CheckListItem &it = items_[static_cast<size_t>(row)];
    if (it.checked == checked)
        return;
    it.checked = checked;
    emit dataChanged(index(row), index(row), {Qt::CheckStateRole});
}

void CheckListModel::setAllChecked(const std::vector<bool> &checked)
{
    const size_t n = std::min(checked.size(), items_.size());
    for (size_t i = 0; i < n; ++i)
        items_[i].checked = checked[i];
    if (n > 0)
        emit dataChanged(index(0), index(static_cast<int>(n) - 1), {Qt::CheckStateRole});
}

void CheckListModel::setCheckBoxEnabled(int row, bool enabled)
{
    items_[static_cast<size_t>(row)].checkBoxEnabled = enabled;
    emit dataChanged(index(row), index(row));
}

void CheckListModel::setAllCheckBoxesEnabled(bool enabled)
{
    for (CheckListItem &it : items_)
        it.checkBoxEnabled = enabled;
    if (!items_.empty())
        emit dataChanged(index(0), index(rowCount() - 1));
}

void CheckListModel::removeRange(int first, int last)
{
    beginRemoveRows({}, first, last);
    for (int row = first; row <= last; ++row) {
        auto count = pathCounts_.find(pathKey(item(row).path));
        if (count != pathCounts_.end() && --count.value() <= 0)
            pathCounts_.erase(count);
    }
    items_.erase(items_.begin() + first, items_.begin() + last + 1);
    endRemoveRows();
}

void CheckListModel::move(int from, int to)
{
    if (from == to)
        return;
    // Qt names the destination as the row the item goes before, counted before the move.
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    auto at = [this](int row) { return items_.begin() + row; };
    if (from < to)
        std::rotate(at(from), at(from + 1), at(to + 1));
    else
        std::rotate(at(to), at(from), at(from + 1));
    endMoveRows();
}

int CheckListModel::indexOfPath(const QString &path) const
{
    if (pathCount(path) == 0)
        return -1;
    const QString key = pathKey(path);
    for (size_t i = 0; i < items_.size(); ++i)
        if (pathKey(items_[i].path) == key)
            return static_cast<int>(i);
    return -1;
}

TCheckListBox::TCheckListBox(QWidget *parent) : QListView(parent), model_(new CheckListModel(this))
{
    setModel(model_);
    setItemDelegate(new CheckListDelegate(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true); // keeps layout cheap with thousands of items
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(model_, &CheckListModel::checkToggledByUser, this, &TCheckListBox::checkBoxToggled);
}

void TCheckListBox::clear()
{
    for (int row = count() - 1; row >= 0; --row) {
        model_->removeRange(row, row);
        emit itemRemoved(row);
    }
}

int TCheckListBox::addItem(const QString &text, const QString &path, bool checked)
{
    const int row = model_->append(CheckListItem{text, path, checked, true});
    emit itemTextSet(row);
    return row;
}

bool TCheckListBox::isSelected(int row) const { return selectionModel()->isSelected(rowIndex(row)); }

void TCheckListBox::setSelected(int row, bool selected)
{
    selectionModel()->select(rowIndex(row), selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void TCheckListBox::selectRows(const std::vector<bool> &selected)
{
    QItemSelection selection;
    const int n = std::min(count(), static_cast<int>(selected.size()));
    for (int row = 0; row < n;) {
        if (!selected[static_cast<size_t>(row)]) {
            ++row;
            continue;
        }
        int last = row;
        while (last + 1 < n && selected[static_cast<size_t>(last + 1)])
            ++last;
        selection.select(rowIndex(row), rowIndex(last));
        row = last + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

int TCheckListBox::selectedCount() const { return static_cast<int>(selectionModel()->selectedRows().size()); }

int TCheckListBox::selectedItem() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
}

std::vector<int> TCheckListBox::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TCheckListBox::selectAll()
{
    if (count() > 0)
        selectionModel()->select(QItemSelection(rowIndex(0), rowIndex(count() - 1)),
                                 QItemSelectionModel::ClearAndSelect);
}

void TCheckListBox::deselectAll() { selectionModel()->clearSelection(); }

void TCheckListBox::removeItem(int row)
{
    model_->removeRange(row, row);
    emit itemRemoved(row);
}

void TCheckListBox::removeSelected()
{
    // From the bottom up, one contiguous run at a time, so the rows above keep their positions.
    std::vector<int> rows = selectedRows();
    while (!rows.empty()) {
        int last = rows.back();
        int first = last;
        rows.pop_back();
        while (!rows.empty() && rows.back() == first - 1) {
            first = rows.back();
            rows.pop_back();
        }
        model_->removeRange(first, last);
        for (int row = last; row >= first; --row)
            emit itemRemoved(row);
    }
}

void TCheckListBox::moveItem(int from, int to) { model_->move(from, to); }

} // namespace tb
