#pragma once

#include "printing/HandoverBill.h"
#include "ui/FormRegistry.h"

#include <QWidget>

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QTableView;

namespace kestra {

// frmOutChkBill (交接单): dtpBegin and dtpEnd choose the period of the
// handover batches in cobMoveBatch, cobLoca the location (全部 or one),
// optSelect the view (0 per location, 1 per title, 2 per copy); cmdStat
// fills spdList, cmdPrint previews the bill, cmdExit closes. Opened with
// "moveBatch" (optional) it shows that batch at once.
class OutChkBillForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    explicit OutChkBillForm(AppContext &context, QWidget *parent = nullptr);

    void setArguments(const FormArgs &args) override;
    HandoverBill &controller() { return bill_; }

private:
    void loadBatches();
    void batchChanged();
    void stat();
    void print();
    QString chosenLocation() const;

    AppContext &context_;
    HandoverBill bill_;
    QDateEdit *dtpBegin_ = nullptr;
    QDateEdit *dtpEnd_ = nullptr;
    QComboBox *cobMoveBatch_ = nullptr;
    QComboBox *cobLoca_ = nullptr;
    QButtonGroup *optSelect_ = nullptr;
    QTableView *spdList_ = nullptr;
};

} // namespace kestra
