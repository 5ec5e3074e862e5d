// The two conversion lists and their commands: the tabs that bring one list in front, Add with
// its routing and duplicate rule, Remove, Move Up/Down and the pop-up menu menSelect. The lists
// keep ListsChanged up to date from the notifications of their widgets.
#pragma once

#include "core/AppContext.h"
#include "core/AppState.h"
#include "core/EventLink.h"
#include "toolkit/CheckListBox.h"

#include <QColor>
#include <QMenu>
#include <QObject>
#include <QPushButton>
#include <array>
#include <functional>

namespace tb {

// The widgets the lists work on; the window creates and places them.
struct ListControls {
    TCheckListBox *lstMp3Wav;
    TCheckListBox *lstWavMp3;
    QPushButton *btnMp3Wav;
    QPushButton *btnWavMp3;
};

class TConversionLists : public QObject {
    Q_OBJECT
public:
    static constexpr const char *AddFilter =
        "All Supported File|*.mp3;*mp2;*.mp1;*.wav|MP3 File (*.mp3;*.mp2;*.mp1)|*.mp3;*mp2;*.mp1|"
        "Wave File (*.wav)|*.wav|All File (*.*)|*.*";
    static constexpr const char *ListHint = "Right-click to show pop-up menu.";
    // Tab colours, platform value 14653050 and 10053171 (blue-green-red byte order).
    static inline const QColor ActiveTabColour{122, 150, 223};
    static inline const QColor InactiveTabColour{51, 102, 153};

    // `menuParent` owns the pop-up menu menSelect.
    TConversionLists(AppState &state, AppContext &context, ListControls controls, QWidget *menuParent);

    // Hooks of the window: the tab click sound, and the repaint before a long step.
    std::function<void()> playClickSound;
    std::function<void()> repaintWindow;

    // The list a DoWhat value names, and the one in front.
    TCheckListBox &list(int32_t doWhat) const;
    TCheckListBox &activeList() const { return list(state_.DoWhat); }
    QColor tabColour(int32_t doWhat) const { return tabColours_[ListIndexOf(doWhat)]; }
    QMenu *menSelect() const { return menSelect_; }
    // While playback runs the pop-up menu does not open.
    void setSelectMenuEnabled(bool enabled) { selectMenuEnabled_ = enabled; }
    bool selectMenuEnabled() const { return selectMenuEnabled_; }

    // Tabs.
    void btnMp3WavClick() { activateTab(dwMp3ToWav); }
    void btnWavMp3Click() { activateTab(dwWavToMp3); }
    void activateTab(DoWhatValues doWhat);

    // Guarded list commands.
    void btnAddClick();
    void btnRemoveClick();
    void btnMoveUpClick() { moveSelected(-1); }
    void btnMoveDownClick() { moveSelected(+1); }
    // Files and folders from outside the Add dialog (a drop, the command line, a second start):
    // guarded like Add, folders stand for the audio files inside them, then added as Add adds.
    void AddPaths(const QStringList &paths);

    // Pop-up menu commands.
    void metSelectAllClick();
    void metDeselectAllClick();
    void metSelectCheckedClick();
    void metSelectUncheckedClick();
    void metCheckAllClick();
    void metUncheckAllClick();
    void metCheckSelectedClick();
    void metCheckedDeselectedClick();
    void metRemoveItemsClick() { btnRemoveClick(); }

    // For the playlist files and the start-up.
    void ClearLists();
    void ClearList(int32_t doWhat);
    // Appends the file with its name and size text; throws EFOpenError when it cannot be opened.
    void AppendFile(int32_t doWhat, const QString &path, bool checked);
    // Adds each file not yet in either list to the list its extension and DoWhat choose, checked.
    void AddFiles(const QStringList &files);
    // Whether either list holds the path, case ignored.
    bool HoldsPath(const QString &path) const;

private:
    void paintTab(int32_t doWhat, const QColor &colour);
    void moveSelected(int step);
    void createSelectMenu(QWidget *parent);
    void popUpSelectMenu(TCheckListBox *list, QPoint at);
    // Sets the selection or the checked states of the active list from a rule per item.
    void selectWhere(const std::function<bool(int)> &rule);
    void checkWhere(const std::function<bool(int)> &rule);
    void watch(TCheckListBox *list);

    AppState &state_;
    AppContext &context_;
    ListControls controls_;
    std::array<QColor, 2> tabColours_;
    QMenu *menSelect_ = nullptr;
    bool selectMenuEnabled_ = true;
    // Last: the widgets' notifications stop before anything here goes.
    EventLink watches_;
};

} // namespace tb
