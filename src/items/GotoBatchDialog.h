#pragma once

#include "items/GotoBatchList.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace kestra {

class CodeBox;

// frmHold_BookGotoBatch: the transfer batches (spdBatch), the search box
// txtFind with cmdFind, cmdNew (the remark window), cmdDelete (right 3013),
// cmdDetail, cmdOK (the chosen batch) and cmdCancel.
class GotoBatchDialog : public QDialog {
    Q_OBJECT
public:
    // The new batch's kind, locations and type start as the form's.
    GotoBatchDialog(AppContext &context, const GotoBatch &preset, QWidget *parent = nullptr);

    GotoBatchList &batches() { return list_; }
    // The batch chosen with cmdOK.
    const std::optional<GotoBatch> &chosen() const { return chosen_; }

private:
    int currentRow() const;
    void showCurrent();
    void newBatch();
    void showDetail();
    void choose();

    AppContext &context_;
    GotoBatch preset_;
    GotoBatchList list_;
    std::optional<GotoBatch> chosen_;
    QTableView *spdBatch_ = nullptr;
    QLineEdit *txtFind_ = nullptr;
    QLabel *lblBatch_ = nullptr;
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
