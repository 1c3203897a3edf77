#pragma once

#include "inventory/CountReport.h"
#include "ui/FormRegistry.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QTabWidget;
class QTableWidget;

namespace kestra {

// frmHold_BookCount_Report (清点统计): the batch's fields, the tabs TabList
// with the missing, abnormal and other-location lists and the summary, and
// cmdStat, cmdPrint, cmdExit. The batch comes as countBatchNo or from the
// batch list (cmdBatch).
class CountReportForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    explicit CountReportForm(AppContext &context, QWidget *parent = nullptr);

    void setArguments(const FormArgs &args) override;
    CountReport &controller() { return report_; }

private:
    void takeBatch(const QString &number);
    void showBatch();

    AppContext &context_;
    CountReport report_;
    QLineEdit *txtCountBatchNo_;
    QLineEdit *txtLocation_;
    QLineEdit *txtClass_;
    QLineEdit *txtCountDate_;
    QLineEdit *txtRemark_;
    QTabWidget *TabList_;
    QTableWidget *summary_;
};

} // namespace kestra
