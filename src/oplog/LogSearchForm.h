#pragma once

#include "oplog/LogSearch.h"

#include <QWidget>
#include <array>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableView;

namespace kestra {

class CommandBar;
class GridOutput;

// frmLogSearch (日志查询): the widgets over LogSearch. Controls keep the
// suite's names: the date pickers dtpBegin and dtpEnd, cboType (module),
// cboTypeDetail (operation type), cboWkr, cboCpt, txtMarc, txtPropno,
// txtCertId, txtData_1..3 labelled lblData_1..3, the grids spdLog and
// spdInfo split by a draggable splitter, and the command bar Toolbar1 with
// the keys go, print and exit; lblCount under the list says how many rows
// a search listed, and when the row limit cut it. A double-click on a row
// asks for the record window on the row's record and copy. Each grid exports and prints through its
// context menu; cmdOutput beside the count is the log grid's.
class LogSearchForm : public QWidget {
    Q_OBJECT
public:
    // The window lists the week up to the server's day once it is shown;
    // maxRows limits every search (LogSearch::DefaultMaxRows).
    explicit LogSearchForm(AppContext &context, QWidget *parent = nullptr, int maxRows = LogSearch::DefaultMaxRows);

    LogSearch &controller() { return search_; }

Q_SIGNALS:
    // A double-click on a log row that names a record or a copy: the
    // record window is the place to see it whole.
    void recordRequested(const QString &marcRecNo, const QString &propNo);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls(AppContext &context);
    QWidget *buildFilters();
    void fillTypes();
    void chooseType();
    void runCommand(const QString &key);
    void runSearch();
    LogConditions conditions() const;
    QString headerLine() const;

    LogSearch search_;
    CommandBar *toolbar_ = nullptr;
    QDateEdit *dtpBegin_ = nullptr;
    QDateEdit *dtpEnd_ = nullptr;
    QComboBox *cboType_ = nullptr;
    QComboBox *cboTypeDetail_ = nullptr;
    QComboBox *cboWkr_ = nullptr;
    QComboBox *cboCpt_ = nullptr;
    QLineEdit *txtMarc_ = nullptr;
    QLineEdit *txtPropno_ = nullptr;
    QLineEdit *txtCertId_ = nullptr;
    std::array<QLineEdit *, 3> txtData_{};
    std::array<QLabel *, 3> lblData_{};
    QTableView *spdLog_ = nullptr;
    QLabel *lblCount_ = nullptr;
    GridOutput *output_ = nullptr;
    bool opened_ = false;
};

} // namespace kestra
