#include "OptionsFrm.h"

namespace tb {

TOptionsFrm::TOptionsFrm(QWidget *parent) : QDialog(parent)
{
    setObjectName("OptionsFrm");
    setWindowTitle(QStringLiteral("Options"));
}

} // namespace tb
