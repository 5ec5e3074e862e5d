#include "ConvertWindow.h"

#include "lists/ConversionLists.h"
#include "toolkit/CheckListBox.h"

#include <QCoreApplication>

namespace tb {

namespace {
const char *const TagProperty = "Tag";

void setLabelColour(QLabel *label, const QColor &colour)
{
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colour.name()));
}
} // namespace

int CheckListPort::RowCount() const { return list_.count(); }
QString CheckListPort::RowPath(int row) const { return list_.item(row).path; }
bool CheckListPort::RowChecked(int row) const { return list_.isChecked(row); }
void CheckListPort::SetRowCheckBoxEnabled(int row, bool enabled) { list_.setCheckBoxEnabled(row, enabled); }
void CheckListPort::ClearSelection() { list_.deselectAll(); }

void CheckListPort::SetCurrentRow(int row)
{
    list_.setCurrentIndex(list_.model()->index(row, 0));
    list_.setSelected(row, true);
}

void CheckListPort::SetAutoPopup(bool enabled) { lists_.setSelectMenuEnabled(enabled); }

MainConvertWindow::MainConvertWindow(ConvertWindowControls controls) : controls_(controls)
{
    lists_[0] = std::make_unique<CheckListPort>(controls.lists->list(0), *controls.lists);
    lists_[1] = std::make_unique<CheckListPort>(controls.lists->list(1), *controls.lists);
}

ConversionListPort &MainConvertWindow::List(int32_t doWhat) { return *lists_[doWhat == 1 ? 1 : 0]; }

void MainConvertWindow::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void MainConvertWindow::Repaint() { controls_.window->repaint(); }

void MainConvertWindow::EnterConvertingLook()
{
    for (QPushButton *tab : {controls_.btnMp3Wav, controls_.btnWavMp3}) {
        tab->setEnabled(false);
        // The tab's own look is kept in its Tag, its text turns grey.
        tab->setProperty(TagProperty, tab->styleSheet());
        tab->setStyleSheet(tab->styleSheet() +
                           QStringLiteral("QPushButton, QPushButton:disabled { color: %1; }").arg(GreyedTabText.name()));
    }
    setLabelColour(controls_.labCurrentTime, ConvertingClockColour);
}

void MainConvertWindow::ResetPositionSlider()
{
    if (positionSlider) {
        positionSlider->SetValue(0);
        positionSlider->SetEnabled(false);
    }
}

void MainConvertWindow::LeaveConvertingLook()
{
    for (QPushButton *tab : {controls_.btnMp3Wav, controls_.btnWavMp3}) {
        tab->setEnabled(true);
        QVariant kept = tab->property(TagProperty);
        if (kept.isValid())
            tab->setStyleSheet(kept.toString());
    }
    setLabelColour(controls_.labCurrentTime, ClockColour);
}

} // namespace tb
