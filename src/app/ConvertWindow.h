// The main window as the conversion batch sees it: its lists, its tabs and clocks, and the
// labels of the information area.
#pragma once

#include "audioinfo/InfoView.h"
#include "convert/ConvertPorts.h"
#include "player/PlayerPorts.h"

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <memory>

namespace tb {

class TCheckListBox;
class TConversionLists;

// The labels of the information area.
class LabelInfoView : public InfoView {
public:
    LabelInfoView(QLabel *status, QLabel *title, QLabel *info, QLabel *duration, QLabel *current)
        : status_(status), title_(title), info_(info), duration_(duration), current_(current) {}
    void setStatusText(const QString &text) override { status_->setText(text); }
    void setMusicTitle(const QString &text) override { title_->setText(text); }
    QString musicTitle() const override { return title_->text(); }
    void setMusicInfo(const QString &text) override { info_->setText(text); }
    void setDurationTime(const QString &text) override { duration_->setText(text); }
    void setCurrentTime(const QString &text) override { current_->setText(text); }

private:
    QLabel *status_, *title_, *info_, *duration_, *current_;
};

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

struct ConvertWindowControls {
    QWidget *window;
    TConversionLists *lists;
    QPushButton *btnMp3Wav;
    QPushButton *btnWavMp3;
    QLabel *labCurrentTime;
};

class MainConvertWindow : public ConvertWindowPort {
public:
    static inline const QColor ClockColour{102, 94, 85};
    static inline const QColor ConvertingClockColour{255, 255, 0};
    static inline const QColor GreyedTabText{128, 128, 128};

    explicit MainConvertWindow(ConvertWindowControls controls);
    ConversionListPort &List(int32_t doWhat) override;
    void ProcessPendingEvents() override;
    void Repaint() override;
    void EnterConvertingLook() override;
    void ResetPositionSlider() override;
    void LeaveConvertingLook() override;

    // prgPlay, once the window has created it.
    SliderPort *positionSlider = nullptr;

private:
    ConvertWindowControls controls_;
    std::unique_ptr<CheckListPort> lists_[2];
};

} // namespace tb
