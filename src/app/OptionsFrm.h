// The options dialog: shows ProgramOptions, previews the equalizer and the theme while the user
// edits, and stores everything in the settings file on OK.
#pragma once

#include "core/AppContext.h"
#include "core/OptionsEffects.h"
#include "core/ProgramOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStringList>
#include <array>

namespace tb {

class TOptionsFrm : public QDialog {
    Q_OBJECT
public:
    TOptionsFrm(ProgramOptions &options, AppContext &context, OptionsEffects &effects, QWidget *parent = nullptr);

    // The value texts of the four combo boxes, in index order.
    static const QStringList OutputModeTexts;
    static const QStringList SkinTexts;
    static const QStringList Mp3BitrateTexts;
    static const QStringList Mp3StereoTexts;
    static constexpr int FormWidth = 434;
    static constexpr int FormHeight = 428;

    // The skinned frame that carries every control.
    QFrame *suiForm = nullptr;
    QGroupBox *grpGeneral = nullptr, *grpDecoder = nullptr, *grpEncoder = nullptr, *grpDirectory = nullptr;
    QCheckBox *chkActiveSnd = nullptr, *chkClickSnd = nullptr, *chkPlayCycle = nullptr, *chkOurMp3Player = nullptr,
              *chkDoneOpenDir = nullptr, *chkNormalizing = nullptr;
    QComboBox *cbxOutputMode = nullptr, *cbxSkin = nullptr, *cbxMp3Bitrate = nullptr, *cbxMp3Stereo = nullptr;
    std::array<QSlider *, 8> trkVolLevel{}; // trkVolLevel0 ... trkVolLevel7, left to right
    QLineEdit *edtMp3Dir = nullptr, *edtWavDir = nullptr;
    QPushButton *btnBrowseMp3Dir = nullptr, *btnBrowseWavDir = nullptr, *btnReset = nullptr, *btnOK = nullptr,
                *btnCancel = nullptr;

    // Handlers.
    void FormShow();
    void btnOKClick();
    void btnResetClick();
    void cbxSkinClick();
    void btnBrowseMp3DirClick();
    void btnBrowseWavDirClick();
    void chkNormalizingClick();
    // The change handler of all eight sliders (trkVolLevel0Change ... trkVolLevel7Change).
    void trkVolLevelChange();

    // The eight slider positions, left to right.
    VolLevels sliderLevels() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createGeneral();
    void createDecoder();
    void createEncoder();
    void createDirectory();
    // Sets a slider; this counts as a change of the slider even when the position stays.
    void setSlider(size_t index, int position);
    void browseInto(QLineEdit *field);

    ProgramOptions &options_;
    AppContext &context_;
    OptionsEffects &effects_;
};

} // namespace tb
