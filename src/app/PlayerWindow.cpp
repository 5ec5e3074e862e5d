#include "PlayerWindow.h"

#include "lists/ConversionLists.h"
#include "skin/BMPSlider.h"


namespace tb {

BmpSliderPort::BmpSliderPort(TepBMPSlider &slider) : slider_(slider)
{
    // The slider raises its mouse events after it has moved, so a release reports the value the
    // user left.
    slider_.OnMouseDown = slider_.OnThumbMouseDown = [this](TepBMPSlider *, Qt::MouseButton button, QPoint) {
        if (button == Qt::LeftButton && OnMouseDown)
            OnMouseDown();
    };
    slider_.OnMouseUp = slider_.OnThumbMouseUp = [this](TepBMPSlider *, Qt::MouseButton button, QPoint) {
        if (button == Qt::LeftButton && OnMouseUp)
            OnMouseUp();
    };
}

BmpSliderPort::~BmpSliderPort()
{
    slider_.OnMouseDown = slider_.OnThumbMouseDown = nullptr;
    slider_.OnMouseUp = slider_.OnThumbMouseUp = nullptr;
}

int BmpSliderPort::Value() const { return slider_.Value(); }
void BmpSliderPort::SetValue(int value) { slider_.setValue(value); }
int BmpSliderPort::MaxValue() const { return slider_.MaxValue(); }
void BmpSliderPort::SetEnabled(bool enabled) { slider_.setEnabled(enabled); }

MainPlayerWindow::MainPlayerWindow(TConversionLists &lists, SliderPort &prgPlay, QPushButton *btnMp3Wav,
                                   QPushButton *btnWavMp3)
    : prgPlay_(prgPlay), tabs_{btnMp3Wav, btnWavMp3}
{
    for (int32_t doWhat : {dwMp3ToWav, dwWavToMp3})
        lists_[ListIndexOf(doWhat)] = std::make_unique<CheckListPort>(lists.list(doWhat), lists);
}

ConversionListPort &MainPlayerWindow::List(int32_t doWhat) { return *lists_[ListIndexOf(doWhat)]; }

void MainPlayerWindow::GreyTabs()
{
    for (QPushButton *tab : tabs_)
        ConvertingLook::GreyTab(tab);
}

void MainPlayerWindow::RestoreTabs()
{
    for (QPushButton *tab : tabs_)
        ConvertingLook::RestoreTab(tab);
}

} // namespace tb
