#pragma once

#include "copies/NormStat.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace kestra {

// frmNormStat: the modal choice of a collection status for a lost copy that
// turned up again. OK writes the status inside the caller's transaction
// (NormStat) and closes; a failed write closes the dialog as cancelled, the
// transaction already rolled back.
class NormStatDialog : public QDialog {
    Q_OBJECT
public:
    NormStatDialog(ItemTransaction &tx, const QString &propNo, QWidget *parent = nullptr);

    // The status written; empty unless OK succeeded.
    const QString &chosen() const { return normStat_.chosen(); }

    void clickOK();

private:
    NormStat normStat_;
    QListWidget *lstState_;
    QPushButton *cmdOK_;
    QPushButton *cmdCancel_;
};

// The chooser the processing controllers are given in the program.
NormStatChooser normStatDialogChooser(QWidget *parent);

} // namespace kestra
