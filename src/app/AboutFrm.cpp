#include "AboutFrm.h"

#include <QFont>
#include <QSysInfo>
#include <QVBoxLayout>

namespace tb {

TAboutFrm::TAboutFrm(QWidget *parent) : QDialog(parent)
{
    setObjectName("AboutFrm");
    setWindowTitle(QStringLiteral("About..."));
    setFixedSize(332, 250);

    labProduct = new QLabel(QStringLiteral("Tonebridge"), this);
    labProduct->setObjectName("labProduct");
    QFont big = labProduct->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    labProduct->setFont(big);
    labVersion = new QLabel(QStringLiteral("Version 3.6"), this);
    labVersion->setObjectName("labVersion");
    labPlatform = new QLabel(platformLine(), this);
    labPlatform->setObjectName("labPlatform");
    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    for (QLabel *l : {labProduct, labVersion, labPlatform}) {
        l->setAlignment(Qt::AlignCenter);
        layout->addWidget(l);
    }
    layout->addStretch();
    layout->addWidget(btnOK, 0, Qt::AlignCenter);
}

QString TAboutFrm::platformLine()
{
    return QStringLiteral("For %1").arg(QSysInfo::kernelType() == "linux" ? QStringLiteral("Linux")
                                                                           : QSysInfo::prettyProductName());
}

} // namespace tb
