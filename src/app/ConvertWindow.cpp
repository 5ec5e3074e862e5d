#include "ConvertWindow.h"

#include "lists/ConversionLists.h"
#include "lists/PlayList.h"
#include "toolkit/CheckListBox.h"

namespace tb {

namespace {
const char *const TagProperty = "Tag";

void setLabelColour(QLabel *label, const QColor &colour)
{
    // The yellow clock of a batch would vanish on the pale display: it gets a dark plate.
    const bool light = colour.lightnessF() > 0.45;
    label->setStyleSheet(light ? QStringLiteral("color: %1; background: #1b2d48; border-radius: 3px; padding: 0 2px;")
                                     .arg(colour.name())
                               : QStringLiteral("color: %1; background: transparent;").arg(colour.name()));
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

WindowLists::WindowLists(TConversionLists &lists, TPlayLists &playLists) : lists_(lists), playLists_(playLists)
{
    ports_[ListIndexOf(dwMp3ToWav)] = std::make_unique<CheckListPort>(lists.list(dwMp3ToWav), lists);
    ports_[ListIndexOf(dwWavToMp3)] = std::make_unique<CheckListPort>(lists.list(dwWavToMp3), lists);
}

ConversionListPort &WindowLists::List(int32_t doWhat) { return *ports_[ListIndexOf(doWhat)]; }
void WindowLists::ClearLists() { lists_.ClearLists(); }
void WindowLists::LoadPlayList(const QString &path) { playLists_.LoadPlayList(path); }
void WindowLists::SavePlayList(const QString &path, bool overwrite) { playLists_.SavePlayList(path, overwrite); }

void ConvertingLook::GreyTab(QPushButton *tab)
{
    tab->setEnabled(false);
    // The tab's own look is kept in its Tag, its text turns grey.
    tab->setProperty(TagProperty, tab->styleSheet());
    tab->setStyleSheet(tab->styleSheet() +
                       QStringLiteral("QPushButton, QPushButton:disabled { color: %1; }").arg(GreyedTabText.name()));
}

void ConvertingLook::RestoreTab(QPushButton *tab)
{
    tab->setEnabled(true);
    QVariant kept = tab->property(TagProperty);
    if (kept.isValid())
        tab->setStyleSheet(kept.toString());
}

void ConvertingLook::Enter()
{
    for (QPushButton *tab : {btnMp3Wav_, btnWavMp3_})
        GreyTab(tab);
    setLabelColour(labCurrentTime_, ConvertingClockColour);
}

void ConvertingLook::Leave()
{
    for (QPushButton *tab : {btnMp3Wav_, btnWavMp3_})
        RestoreTab(tab);
    setLabelColour(labCurrentTime_, ClockColour);
}

} // namespace tb
