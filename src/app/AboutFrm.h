// The about box: product name, version and platform, closed with OK.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace tb {

struct ProgramOptions;

class TAboutFrm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutFrm(QWidget *parent = nullptr);
    // Takes the dialog theme of the options' Skin whenever it is shown.
    explicit TAboutFrm(const ProgramOptions &options, QWidget *parent = nullptr);

    static constexpr int FormWidth = 332;
    static constexpr int FormHeight = 250;

    // The skinned frame that carries every control.
    QFrame *suiForm = nullptr;
    QLabel *labProduct = nullptr;
    QLabel *labVersion = nullptr;
    QLabel *labPlatform = nullptr;
    QPushButton *btnOK = nullptr;

    static QString platformLine();

protected:
    void showEvent(QShowEvent *event) override;

private:
    const ProgramOptions *options_ = nullptr;
};

} // namespace tb
