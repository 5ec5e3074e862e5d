// The main window as the player sees it: the active list, the position slider and the tabs; and
// a slider port over a plain Qt slider whose presses and releases are passed on.
#pragma once

#include "ConvertWindow.h"
#include "player/PlayerPorts.h"

#include <QObject>
#include <QPushButton>
#include <QSlider>
#include <functional>
#include <memory>

namespace tb {

class TConversionLists;

// A Qt slider as a slider port. Presses and releases anywhere on it (track or thumb) are reported:
// the press before the slider moves, the release after its last move.
class QtSliderPort : public QObject, public SliderPort {
public:
    explicit QtSliderPort(QSlider *slider);
    int Value() const override { return slider_->value(); }
    void SetValue(int value) override { slider_->setValue(value); }
    int MaxValue() const override { return slider_->maximum(); }
    void SetEnabled(bool enabled) override { slider_->setEnabled(enabled); }

    std::function<void()> OnMouseDown;
    std::function<void()> OnMouseUp;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSlider *slider_;
};

class MainPlayerWindow : public PlayerWindowPort {
public:
    MainPlayerWindow(TConversionLists &lists, SliderPort &prgPlay, QPushButton *btnMp3Wav, QPushButton *btnWavMp3);
    ConversionListPort &List(int32_t doWhat) override;
    SliderPort &PositionSlider() override { return prgPlay_; }
    void GreyTabs() override;
    void RestoreTabs() override;

private:
    std::unique_ptr<CheckListPort> lists_[2];
    SliderPort &prgPlay_;
    QPushButton *tabs_[2];
};

} // namespace tb
