// The about box: product name, version and platform, closed with OK.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace tb {

class TAboutFrm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutFrm(QWidget *parent = nullptr);

    QLabel *labProduct = nullptr;
    QLabel *labVersion = nullptr;
    QLabel *labPlatform = nullptr;
    QPushButton *btnOK = nullptr;

    static QString platformLine();
};

} // namespace tb
