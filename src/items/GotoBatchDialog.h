#pragma once

#include "items/GotoBatch.h"
#include "ui/BatchDialog.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLineEdit;

namespace kestra {

class CodeBox;

// frmHold_BookGotoBatch: the batch dialog over goto_batch, with cmdNew
// (the remark window), cmdDelete (right 3013), cmdDetail and the chosen
// batch described under the list (lblBatch).
class GotoBatchDialog : public BatchDialog {
    Q_OBJECT
public:
    // The new batch's kind, locations and type start as the form's.
    GotoBatchDialog(AppContext &context, const GotoBatch &preset, QWidget *parent = nullptr);

    // The batch chosen with cmdOK.
    std::optional<GotoBatch> chosen() const;
};

// frmHold_BookGotoBatchRemark: a new transfer batch (txtBatchNo, cmbType,
// cmbLoca_Src, cmbLoca_Dst, cmbDoc, txtRemark); cmdOK writes it with its
// checks and closes only when it was written.
class GotoBatchRemarkDialog : public QDialog {
    Q_OBJECT
public:
    GotoBatchRemarkDialog(AppContext &context, const GotoBatch &preset, QWidget *parent = nullptr);

    // The batch written.
    const GotoBatch &batch() const { return batch_; }

private:
    void save();

    AppContext &context_;
    GotoBatch batch_;
    QLineEdit *txtBatchNo_ = nullptr;
    QComboBox *cmbType_ = nullptr;
    CodeBox *cmbSource_ = nullptr;
    CodeBox *cmbDestination_ = nullptr;
    CodeBox *cmbDoc_ = nullptr;
    QLineEdit *txtRemark_ = nullptr;
};

} // namespace kestra
