#pragma once

#include "stats/NewBookStat.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTableView;

namespace kestra {

class GridOutput;

// frmNewBookAllStat (按馆藏地统计): the widgets over NewBookStat. Controls
// keep the suite's names: cobStatType (年度, 月度, 时期), the year txtYear
// (its own arrows are the spinner), cobMonth, the period's dtpBegin and
// dtpEnd shown joined in txtStatTime, cboDocType, cboLanguage, chkBatch with
// lstBatch, cmdAll and cmdNone, the grid SpdNewBookAllotStat and the command
// bar Toolbar1 with the keys go, print and exit.
class NewBookStatForm : public QWidget {
    Q_OBJECT
public:
    explicit NewBookStatForm(AppContext &context, QWidget *parent = nullptr);

    NewBookStat &controller() { return stat_; }

private:
    QWidget *buildSpan(const QDate &today);
    QWidget *buildFilters();
    void runCommand(const QString &key);
    void spanChanged();
    void fillBatches();
    void markBatches(bool marked);
    IntakeConditions conditions() const;
    void runStat();
    QStringList headerLines() const;

    NewBookStat stat_;
    QComboBox *cobStatType_ = nullptr;
    QSpinBox *txtYear_ = nullptr;
    QComboBox *cobMonth_ = nullptr;
    QDateEdit *dtpBegin_ = nullptr;
    QDateEdit *dtpEnd_ = nullptr;
    QLineEdit *txtStatTime_ = nullptr;
    QComboBox *cboDocType_ = nullptr;
    QComboBox *cboLanguage_ = nullptr;
    QCheckBox *chkBatch_ = nullptr;
    QListWidget *lstBatch_ = nullptr;
    QTableView *grid_ = nullptr;
    GridOutput *output_ = nullptr;
    // The conditions of the figures shown, for the printed list.
    QStringList shownLines_;
};

} // namespace kestra
