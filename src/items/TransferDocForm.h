#pragma once

#include "items/TransferDoc.h"
#include "ui/FormRegistry.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace kestra {

// frmTransferDoc (交接批次): the widgets over TransferDoc. The batches
// (spdBatch) with txtFind and cmdFind, the chosen batch's rows (spdDetail)
// with the counts of requested copies (lblRequests), cmdSet, cmdUnSet,
// cmdUndo, cmdOK (hands the batch to the window that opened this one:
// the form named by the argument "caller" is opened with "moveBatch"),
// cmdCancel; cmdPrintBookMark and cmdPrintCard ask, then open the label
// (frmPrintBookMark) and card (frmPrintCard) forms on the chosen batch;
// cmdEmail (通知读者) tells the readers who asked for the batch's copies,
// enabled while some await a reply on a batch the operator may process.
class TransferDocForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    explicit TransferDocForm(AppContext &context, QWidget *parent = nullptr);

    TransferDoc &controller() { return doc_; }

    // "caller": the form that the chosen batch goes back to.
    void setArguments(const FormArgs &args) override;
    const QString &caller() const { return caller_; }

Q_SIGNALS:
    // cmdOK with a batch chosen; the form closes after it.
    void batchChosen(const QString &moveBatch);
    // cmdPrintBookMark or cmdPrintCard confirmed: the printing form to open
    // on the batch ("moveBatch").
    void printRequested(const QString &form, const QString &moveBatch);

private:
    void selectBatch(int row);
    void act(int (TransferDoc::*action)());
    // The chosen batch's counts and the state of cmdEmail.
    void showDetail();

    TransferDoc doc_;
    QTableView *spdBatch_ = nullptr;
    QLineEdit *txtFind_ = nullptr;
    QLabel *lblRequests_ = nullptr;
    QPushButton *cmdEmail_ = nullptr;
    QString caller_;
};

} // namespace kestra
