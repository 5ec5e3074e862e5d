// The options dialog.
#pragma once

#include <QDialog>

namespace tb {

class TOptionsFrm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsFrm(QWidget *parent = nullptr);
};

} // namespace tb
