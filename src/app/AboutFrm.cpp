#include "AboutFrm.h"

#include "core/ProgramOptions.h"
#include "toolkit/Themes.h"

#include <QFont>
#include <QShowEvent>
#include <QSysInfo>
#include <QVBoxLayout>

namespace tb {

TAboutFrm::TAboutFrm(QWidget *parent) : QDialog(parent)
{
    setObjectName("AboutFrm");
    setWindowTitle(QStringLiteral("About..."));
    setFixedSize(FormWidth, FormHeight);
    suiForm = new QFrame(this);
    suiForm->setObjectName("suiForm");
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(suiForm);

    labProduct = new QLabel(QStringLiteral("Tonebridge"), suiForm);
    labProduct->setObjectName("labProduct");
    QFont big = labProduct->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    labProduct->setFont(big);
    labVersion = new QLabel(QStringLiteral("Version 3.6"), suiForm);
    labVersion->setObjectName("labVersion");
    labPlatform = new QLabel(platformLine(), suiForm);
    labPlatform->setObjectName("labPlatform");
    btnOK = new QPushButton(QStringLiteral("&OK"), suiForm);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(suiForm);
    layout->addStretch();
    for (QLabel *l : {labProduct, labVersion, labPlatform}) {
        l->setAlignment(Qt::AlignCenter);
        layout->addWidget(l);
    }
    layout->addStretch();
    layout->addWidget(btnOK, 0, Qt::AlignCenter);
    // The theme it wears until the options choose one.
    ApplyDialogSkin(*suiForm, 0);
}

TAboutFrm::TAboutFrm(const ProgramOptions &options, QWidget *parent) : TAboutFrm(parent) { options_ = &options; }

void TAboutFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (options_)
        ApplyDialogSkin(*suiForm, options_->Skin);
    setFixedSize(FormWidth, FormHeight);
}

QString TAboutFrm::platformLine()
{
    return QStringLiteral("For %1").arg(QSysInfo::kernelType() == "linux" ? QStringLiteral("Linux")
                                                                           : QSysInfo::prettyProductName());
}

} // namespace tb
