// The main window's side of the core: its lists as the core sees them, and the look of the tabs
// and the position clock while a batch runs.
#pragma once

#include "core/ListsPort.h"

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <memory>

namespace tb {

class TCheckListBox;
class TConversionLists;
class TPlayLists;

// One check-box list as a conversion list.
class CheckListPort : public ConversionListPort {
public:
    CheckListPort(TCheckListBox &list, TConversionLists &lists) : list_(list), lists_(lists) {}
    int RowCount() const override;
    QString RowPath(int row) const override;
    bool RowChecked(int row) const override;
    void SetRowCheckBoxEnabled(int row, bool enabled) override;
    void ClearSelection() override;
    void SetCurrentRow(int row) override;
    void SetAutoPopup(bool enabled) override;

private:
    TCheckListBox &list_;
    TConversionLists &lists_;
};

// Both lists and the playlist files, attached to the core.
class WindowLists : public ListsPort {
public:
    WindowLists(TConversionLists &lists, TPlayLists &playLists);
    ConversionListPort &List(int32_t doWhat) override;
    void ClearLists() override;
    void LoadPlayList(const QString &path) override;
    void SavePlayList(const QString &path, bool overwrite) override;

private:
    TConversionLists &lists_;
    TPlayLists &playLists_;
    std::unique_ptr<CheckListPort> ports_[2];
};

// Tabs disabled and grey while converting (their own look kept), the position clock yellow.
class ConvertingLook {
public:
    static inline const QColor ClockColour{102, 94, 85};
    static inline const QColor ConvertingClockColour{255, 255, 0};
    static inline const QColor GreyedTabText{128, 128, 128};

    ConvertingLook(QPushButton *btnMp3Wav, QPushButton *btnWavMp3, QLabel *labCurrentTime)
        : btnMp3Wav_(btnMp3Wav), btnWavMp3_(btnWavMp3), labCurrentTime_(labCurrentTime) {}
    void Enter();
    void Leave();
    // A tab disabled with a grey caption, and back; the player greys the same tabs.
    static void GreyTab(QPushButton *tab);
    static void RestoreTab(QPushButton *tab);

private:
    QPushButton *btnMp3Wav_, *btnWavMp3_;
    QLabel *labCurrentTime_;
};

} // namespace tb
