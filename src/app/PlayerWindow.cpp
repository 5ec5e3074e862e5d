#include "PlayerWindow.h"

#include "lists/ConversionLists.h"

#include <QEvent>
#include <QMouseEvent>

namespace tb {

QtSliderPort::QtSliderPort(QSlider *slider) : QObject(slider), slider_(slider) { slider_->installEventFilter(this); }

bool QtSliderPort::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == slider_ && slider_->isEnabled()) {
        if (event->type() == QEvent::MouseButtonPress && OnMouseDown &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            OnMouseDown();
        } else if (event->type() == QEvent::MouseButtonRelease && OnMouseUp &&
                   static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            // The slider takes in the release first, so the value is the one the user left.
            slider_->event(event);
            OnMouseUp();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

MainPlayerWindow::MainPlayerWindow(TConversionLists &lists, SliderPort &prgPlay, QPushButton *btnMp3Wav,
                                   QPushButton *btnWavMp3)
    : prgPlay_(prgPlay), tabs_{btnMp3Wav, btnWavMp3}
{
    lists_[0] = std::make_unique<CheckListPort>(lists.list(0), lists);
    lists_[1] = std::make_unique<CheckListPort>(lists.list(1), lists);
}

ConversionListPort &MainPlayerWindow::List(int32_t doWhat) { return *lists_[doWhat == 1 ? 1 : 0]; }

void MainPlayerWindow::GreyTabs()
{
    for (QPushButton *tab : tabs_) {
        tab->setEnabled(false);
        // The tab keeps its own look in its Tag while its caption is grey.
        tab->setProperty("Tag", tab->styleSheet());
        tab->setStyleSheet(tab->styleSheet() + QStringLiteral("QPushButton, QPushButton:disabled { color: %1; }")
                                                   .arg(MainConvertWindow::GreyedTabText.name()));
    }
}

void MainPlayerWindow::RestoreTabs()
{
    for (QPushButton *tab : tabs_) {
        tab->setEnabled(true);
        QVariant kept = tab->property("Tag");
        if (kept.isValid())
            tab->setStyleSheet(kept.toString());
    }
}

} // namespace tb
