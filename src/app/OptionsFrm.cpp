#include "OptionsFrm.h"

#include "platform/ErrorReport.h"
#include "platform/FileSystem.h"
#include "settings/BigIniFile.h"
#include "toolkit/Themes.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <tuple>

namespace tb {

const QStringList TOptionsFrm::OutputModeTexts{"Ask me", "Overwrite", "Skip"};
const QStringList TOptionsFrm::SkinTexts{"DeepBlue", "BlueGlass", "MacOS", "Protein", "WinXP"};
const QStringList TOptionsFrm::Mp3BitrateTexts{"32", "40", "48", "56", "64", "80", "96",
                                               "112", "128", "160", "192", "224", "256", "320"};
const QStringList TOptionsFrm::Mp3StereoTexts{"MONO", "STEREO", "J STEREO", "DUALCHANNEL"};

namespace {

QCheckBox *checkBox(const char *name, const char *text, QWidget *parent)
{
    auto *box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(name);
    return box;
}

QComboBox *comboBox(const char *name, const QStringList &texts, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(texts);
    return box;
}

QPushButton *pushButton(const char *name, const char *text, QWidget *parent)
{
    auto *button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(name);
    return button;
}

QLabel *label(const char *text, QWidget *buddy, QWidget *parent)
{
    auto *l = new QLabel(QString::fromUtf8(text), parent);
    l->setBuddy(buddy);
    return l;
}

// An index outside the list shows no selection.
void setComboIndex(QComboBox *box, int32_t index)
{
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

} // namespace

TOptionsFrm::TOptionsFrm(ProgramOptions &options, AppContext &context, OptionsEffects &effects, QWidget *parent)
    : QDialog(parent), options_(options), context_(context), effects_(effects)
{
    setObjectName("OptionsFrm");
    setWindowTitle(QStringLiteral("Options"));

    suiForm = new QFrame(this);
    suiForm->setObjectName("suiForm");
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(suiForm);

    createGeneral();
    createDecoder();
    createEncoder();
    createDirectory();
    btnOK = pushButton("btnOK", "&OK", suiForm);
    btnOK->setDefault(true);
    btnCancel = pushButton("btnCancel", "&Cancel", suiForm);

    // General on the left; the decoder and encoder settings beside it, one over the other.
    auto *right = new QVBoxLayout;
    right->addWidget(grpDecoder, 1);
    right->addWidget(grpEncoder);
    auto *top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(grpGeneral, 1);
    top->addLayout(right);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *form = new QVBoxLayout(suiForm);
    form->setContentsMargins(6, 4, 6, 8);
    form->setSpacing(4);
    form->addLayout(top, 1);
    form->addWidget(grpDirectory);
    form->addStretch();
    form->addLayout(buttons);

    // A failure leaving a handler (a settings file that cannot be written, a decoder library that
    // cannot be loaded) is reported here, so it never passes through Qt's own code.
    auto wire = [this](auto *control, auto signal, void (TOptionsFrm::*handler)()) {
        connect(control, signal, this, [this, handler] { ErrorReport::run([this, handler] { (this->*handler)(); }); });
    };
    wire(btnOK, &QPushButton::clicked, &TOptionsFrm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    wire(btnReset, &QPushButton::clicked, &TOptionsFrm::btnResetClick);
    wire(cbxSkin, &QComboBox::activated, &TOptionsFrm::cbxSkinClick);
    wire(btnBrowseMp3Dir, &QPushButton::clicked, &TOptionsFrm::btnBrowseMp3DirClick);
    wire(btnBrowseWavDir, &QPushButton::clicked, &TOptionsFrm::btnBrowseWavDirClick);
    wire(chkNormalizing, &QCheckBox::clicked, &TOptionsFrm::chkNormalizingClick);
    for (QSlider *slider : trkVolLevel)
        wire(slider, &QSlider::valueChanged, &TOptionsFrm::trkVolLevelChange);

    // A narrow face, so the long check box texts fit beside the equalizer. Set on every control,
    // since the theme's style sheet keeps a parent's font from reaching its children.
    QFont narrow = font();
    narrow.setFamilies({"DejaVu Sans Condensed", "Liberation Sans Narrow", "Arial Narrow"});
    narrow.setPixelSize(12);
    for (QWidget *control : suiForm->findChildren<QWidget *>())
        control->setFont(narrow);

    // The theme it wears until the options choose one.
    ApplyDialogSkin(*suiForm, 0);
    setFixedSize(FormWidth, FormHeight);
}

void TOptionsFrm::createGeneral()
{
    grpGeneral = new QGroupBox(QStringLiteral("General"), suiForm);
    grpGeneral->setObjectName("grpGeneral");
    chkActiveSnd = checkBox("chkActiveSnd", "Enabled button actived sound", grpGeneral);
    chkClickSnd = checkBox("chkClickSnd", "Enabled button clicked sound", grpGeneral);
    chkPlayCycle = checkBox("chkPlayCycle", "Play files in a cycle.", grpGeneral);
    chkOurMp3Player = checkBox("chkOurMp3Player", "Use our MP3/WAV player", grpGeneral);
    chkDoneOpenDir = checkBox("chkDoneOpenDir", "Open directory when done converting", grpGeneral);
    cbxOutputMode = comboBox("cbxOutputMode", OutputModeTexts, grpGeneral);
    cbxSkin = comboBox("cbxSkin", SkinTexts, grpGeneral);

    auto *column = new QVBoxLayout(grpGeneral);
    column->setSpacing(3);
    for (QCheckBox *box : {chkActiveSnd, chkClickSnd, chkPlayCycle, chkOurMp3Player, chkDoneOpenDir})
        column->addWidget(box);
    column->addStretch();
    column->addWidget(label("If output file has existed:", cbxOutputMode, grpGeneral));
    column->addWidget(cbxOutputMode);
    column->addSpacing(4);
    column->addWidget(label("Dialog form skin:", cbxSkin, grpGeneral));
    column->addWidget(cbxSkin);
}

void TOptionsFrm::createDecoder()
{
    grpDecoder = new QGroupBox(QStringLiteral("Decoder Settings"), suiForm);
    grpDecoder->setObjectName("grpDecoder");
    chkNormalizing = checkBox("chkNormalizing", "Enabled Normalizing", grpDecoder);
    btnReset = pushButton("btnReset", "&Reset", grpDecoder);

    auto *sliders = new QHBoxLayout;
    sliders->setSpacing(0);
    for (size_t i = 0; i < trkVolLevel.size(); ++i) {
        auto *slider = new QSlider(Qt::Vertical, grpDecoder);
        slider->setObjectName(QString("trkVolLevel%1").arg(i));
        slider->setRange(0, 100);
        slider->setPageStep(10);
        // 0 at the top, 100 at the bottom; the Up key moves the handle up.
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
        trkVolLevel[i] = slider;
        sliders->addWidget(slider);
    }
    auto *resetRow = new QHBoxLayout;
    resetRow->addStretch();
    resetRow->addWidget(btnReset);

    auto *column = new QVBoxLayout(grpDecoder);
    column->setSpacing(4);
    column->addWidget(chkNormalizing);
    column->addLayout(sliders, 1);
    column->addLayout(resetRow);
}

void TOptionsFrm::createEncoder()
{
    grpEncoder = new QGroupBox(QStringLiteral("Encoder Settings"), suiForm);
    grpEncoder->setObjectName("grpEncoder");
    cbxMp3Bitrate = comboBox("cbxMp3Bitrate", Mp3BitrateTexts, grpEncoder);
    cbxMp3Stereo = comboBox("cbxMp3Stereo", Mp3StereoTexts, grpEncoder);
    auto *column = new QVBoxLayout(grpEncoder);
    column->setSpacing(3);
    column->addWidget(label("MP3 bitrate:", cbxMp3Bitrate, grpEncoder));
    column->addWidget(cbxMp3Bitrate);
    column->addWidget(label("Stereo:", cbxMp3Stereo, grpEncoder));
    column->addWidget(cbxMp3Stereo);
}

void TOptionsFrm::createDirectory()
{
    grpDirectory = new QGroupBox(QStringLiteral("Default Directory"), suiForm);
    grpDirectory->setObjectName("grpDirectory");
    edtMp3Dir = new QLineEdit(grpDirectory);
    edtMp3Dir->setObjectName("edtMp3Dir");
    edtWavDir = new QLineEdit(grpDirectory);
    edtWavDir->setObjectName("edtWavDir");
    btnBrowseMp3Dir = pushButton("btnBrowseMp3Dir", "&Browse", grpDirectory);
    btnBrowseWavDir = pushButton("btnBrowseWavDir", "&Browse", grpDirectory);
    auto *grid = new QGridLayout(grpDirectory);
    grid->setVerticalSpacing(4);
    int row = 0;
    for (auto [text, field, browse] : {std::tuple{"Save MP3 Files...", edtMp3Dir, btnBrowseMp3Dir},
                                       std::tuple{"Save Wav Files...", edtWavDir, btnBrowseWavDir}}) {
        // Only Browse changes a folder.
        field->setReadOnly(true);
        grid->addWidget(label(text, browse, grpDirectory), row, 0);
        grid->addWidget(field, row, 1);
        grid->addWidget(browse, row++, 2);
    }
    grid->setColumnStretch(1, 1);
}

void TOptionsFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window restored by the window system is not a new showing.
    if (!event->spontaneous())
        ErrorReport::run([this] { FormShow(); });
}

void TOptionsFrm::FormShow()
{
    chkActiveSnd->setChecked(options_.IsActiveSnd);
    chkClickSnd->setChecked(options_.IsClickSnd);
    chkPlayCycle->setChecked(options_.IsPlayCycle);
    chkOurMp3Player->setChecked(options_.IsOurMp3Player);
    chkDoneOpenDir->setChecked(options_.IsDoneOpenDir);
    chkNormalizing->setChecked(options_.IsNormalizing);
    setComboIndex(cbxOutputMode, options_.OutputMode);
    setComboIndex(cbxSkin, options_.Skin);
    setComboIndex(cbxMp3Bitrate, options_.Mp3Bitrate);
    setComboIndex(cbxMp3Stereo, options_.Mp3Stereo);
    edtMp3Dir->setText(options_.Mp3Dir);
    edtWavDir->setText(options_.WavDir);
    for (size_t i = 0; i < trkVolLevel.size(); ++i)
        setSlider(i, options_.VolLevel[i]);
    ApplyDialogSkin(*suiForm, options_.Skin);
    setFixedSize(FormWidth, FormHeight);
}

void TOptionsFrm::btnOKClick()
{
    {
        TAppIniFile ini(context_.programFolder);
        options_.IsActiveSnd = chkActiveSnd->isChecked();
        options_.IsClickSnd = chkClickSnd->isChecked();
        options_.IsPlayCycle = chkPlayCycle->isChecked();
        options_.IsOurMp3Player = chkOurMp3Player->isChecked();
        options_.IsDoneOpenDir = chkDoneOpenDir->isChecked();
        options_.IsNormalizing = chkNormalizing->isChecked();
        options_.OutputMode = cbxOutputMode->currentIndex();
        options_.Skin = cbxSkin->currentIndex();
        options_.Mp3Bitrate = cbxMp3Bitrate->currentIndex();
        options_.Mp3Stereo = cbxMp3Stereo->currentIndex();
        options_.Mp3Dir = edtMp3Dir->text();
        options_.WavDir = edtWavDir->text();
        options_.VolLevel = sliderLevels();
        options_.Write(ini);
        // A failure to write ends the step here: the dialog stays open and nothing is applied.
        ini.UpdateFile();
    }
    effects_.ApplyMenuSkin(options_.Skin);
    effects_.ApplyEqualizer(options_.IsNormalizing, options_.VolLevel);
    effects_.ApplyButtonSounds(options_.IsActiveSnd, options_.IsClickSnd);
    accept();
}

void TOptionsFrm::btnResetClick()
{
    for (size_t i = 0; i < trkVolLevel.size(); ++i)
        setSlider(i, 50);
    effects_.ApplyEqualizer(chkNormalizing->isChecked(), sliderLevels());
}

void TOptionsFrm::cbxSkinClick() { ApplyDialogSkin(*suiForm, cbxSkin->currentIndex()); }

void TOptionsFrm::btnBrowseMp3DirClick() { browseInto(edtMp3Dir); }

void TOptionsFrm::btnBrowseWavDirClick() { browseInto(edtWavDir); }

void TOptionsFrm::chkNormalizingClick() { effects_.ApplyEqualizer(chkNormalizing->isChecked(), sliderLevels()); }

void TOptionsFrm::trkVolLevelChange() { effects_.ApplyEqualizer(chkNormalizing->isChecked(), sliderLevels()); }

VolLevels TOptionsFrm::sliderLevels() const
{
    VolLevels levels{};
    for (size_t i = 0; i < trkVolLevel.size(); ++i)
        levels[i] = trkVolLevel[i]->value();
    return levels;
}

void TOptionsFrm::setSlider(size_t index, int position)
{
    {
        const QSignalBlocker quiet(trkVolLevel[index]);
        trkVolLevel[index]->setValue(position);
    }
    trkVolLevelChange();
}

void TOptionsFrm::browseInto(QLineEdit *field)
{
    // No folder preselected: the browser starts at its root.
    const QString chosen = context_.dialogs.browseFolder(QStringLiteral("Select directory"), QString());
    if (!chosen.isEmpty())
        field->setText(withTrailingSlash(chosen));
}

} // namespace tb
