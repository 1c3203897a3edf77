#pragma once

#include "inventory/CountBatch.h"
#include "ui/BatchDialog.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QRadioButton;

namespace kestra {

class LocationBox;

// frmHold_BookCount_Batch (选择清点批次): the count batches since the
// operator's ShowDate, with cmdNew (right 3005), cmdDelete and cmdClear
// (clearing every batch); OK takes the batch as the scan and report windows
// work in it (reopening a finished one after the question).
class CountBatchDialog : public BatchDialog {
    Q_OBJECT
public:
    explicit CountBatchDialog(AppContext &context, QWidget *parent = nullptr);

    // Shows the list and gives the batch taken; empty when none was.
    static QString choose(AppContext &context, QWidget *parent);
};

// frmHold_BookCount_InitCount (清点批次-新增): a new count batch; cmdOK
// closes only when it was written.
class CountInitDialog : public QDialog {
    Q_OBJECT
public:
    explicit CountInitDialog(AppContext &context, QWidget *parent = nullptr);
    QString number() const { return init_.number; }

private:
    void addClass();
    void save();

    CountBatchInit init_;
    QLineEdit *txtBatchNo_;
    LocationBox *cmbLoca_;
    QRadioButton *optKind_;
    QLineEdit *txtInputKind_;
    QListWidget *lstKindLst_;
    QLineEdit *txtRemark_;
};

} // namespace kestra
