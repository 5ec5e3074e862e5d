// The check-box list: a flat list of items, each with a display text, a hidden path and a
// check box, several of them selected at once (Ctrl and Shift). A view over its own model, so
// lists of many thousands of items stay fast.
#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QListView>
#include <vector>

namespace tb {

struct CheckListItem {
    QString text;
    QString path; // not shown
    bool checked = false;
    bool checkBoxEnabled = true;
};

class CheckListModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int PathRole = Qt::UserRole;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // Only the check state can be set this way: it is how the view passes on the user's toggle.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    const CheckListItem &item(int row) const { return items_[static_cast<size_t>(row)]; }
    int append(CheckListItem item);
    void setChecked(int row, bool checked);
    void setAllChecked(const std::vector<bool> &checked);
    void setCheckBoxEnabled(int row, bool enabled);
    void setAllCheckBoxesEnabled(bool enabled);
    void removeRange(int first, int last);
    void move(int from, int to);
    int pathCount(const QString &path) const { return pathCounts_.value(pathKey(path)); }
    int indexOfPath(const QString &path) const;

    // Paths compare without regard to case; the key is the case-folded text.
    static QString pathKey(const QString &path) { return path.toCaseFolded(); }

signals:
    void checkToggledByUser(int row);

private:
    std::vector<CheckListItem> items_;
    QHash<QString, int> pathCounts_; // folded path -> number of items holding it
};

class TCheckListBox : public QListView {
    Q_OBJECT
public:
    explicit TCheckListBox(QWidget *parent = nullptr);

    // Removes every item; each removal is notified.
    void clear();
    // Appends an item with its check box shown; notifies that its text was set. Returns its position.
    int addItem(const QString &text, const QString &path, bool checked);
    int count() const { return model_->rowCount(); }
    const CheckListItem &item(int row) const { return model_->item(row); }

    bool isChecked(int row) const { return item(row).checked; }
    // Setting the checked state from the program does not notify.
    void setChecked(int row, bool checked) { model_->setChecked(row, checked); }
    void setCheckedStates(const std::vector<bool> &checked) { model_->setAllChecked(checked); }
    bool isCheckBoxEnabled(int row) const { return item(row).checkBoxEnabled; }
    void setCheckBoxEnabled(int row, bool enabled) { model_->setCheckBoxEnabled(row, enabled); }
    void setCheckBoxesEnabled(bool enabled) { model_->setAllCheckBoxesEnabled(enabled); }

    bool isSelected(int row) const;
    void setSelected(int row, bool selected);
    // Selects exactly the rows marked true, in one step.
    void selectRows(const std::vector<bool> &selected);
    int selectedCount() const;
    // The selected row when exactly one is selected, otherwise -1.
    int selectedItem() const;
    std::vector<int> selectedRows() const;
    void selectAll() override;
    void deselectAll();

    // Removes one item, or every selected one; each removal is notified.
    void removeItem(int row);
    void removeSelected();
    // Moves the item at `from` to the position `to`; the items between shift by one.
    void moveItem(int from, int to);

    // Position of the first item whose path equals `path` without regard to case, or -1.
    int findPath(const QString &path) const { return model_->indexOfPath(path); }
    bool containsPath(const QString &path) const { return model_->pathCount(path) > 0; }

    // Lays this list over its sibling.
    void bringToFront() { raise(); }

signals:
    void itemTextSet(int row);
    void checkBoxToggled(int row); // by the user, with the mouse or the space key
    void itemRemoved(int row);

private:
    QModelIndex rowIndex(int row) const { return model_->index(row, 0); }

    CheckListModel *model_;
};

} // namespace tb
