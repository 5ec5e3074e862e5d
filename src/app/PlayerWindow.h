// The main window as the player sees it: the active list, the position slider and the tabs; and
// a slider port over a bitmap slider whose presses and releases are passed on.
#pragma once

#include "ConvertWindow.h"
#include "player/PlayerPorts.h"

#include <QPushButton>
#include <functional>
#include <memory>

namespace tb {

class TConversionLists;
class TepBMPSlider;

// A bitmap slider as a slider port. Presses and releases on the track or the thumb are reported:
// the press before the slider moves, the release after its last move.
class BmpSliderPort : public SliderPort {
public:
    explicit BmpSliderPort(TepBMPSlider &slider);
    ~BmpSliderPort() override;
    int Value() const override;
    void SetValue(int value) override;
    int MaxValue() const override;
    void SetEnabled(bool enabled) override;

    std::function<void()> OnMouseDown;
    std::function<void()> OnMouseUp;

private:
    TepBMPSlider &slider_;
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
