#pragma once

#include "stats/JobStat.h"

#include <QWidget>

class QButtonGroup;
class QCalendarWidget;
class QLabel;
class QLineEdit;
class QTableView;

namespace kestra {

class GridOutput;

// frmStatJob (工作量统计): the widgets over JobStat. Controls keep the
// suite's names: lblTitle, the options optStatType_0..3 (年, 月, 日, 区间),
// the calendar calJob, the period boxes txtBgnDay and txtEndDay, the grid
// spdJob and the buttons cmdStat and cmdExit; cmdOutput exports and prints
// the grid.
class JobStatForm : public QWidget {
    Q_OBJECT
public:
    JobStatForm(AppContext &context, const QString &prefix, QWidget *parent = nullptr);

    JobStat &controller() { return stat_; }

private:
    void buildControls(AppContext &context);
    JobConditions conditions() const;
    void runStat();
    QString spanText() const;

    JobStat stat_;
    QLabel *lblTitle_ = nullptr;
    QButtonGroup *optStatType_ = nullptr;
    QCalendarWidget *calJob_ = nullptr;
    QLineEdit *txtBgnDay_ = nullptr;
    QLineEdit *txtEndDay_ = nullptr;
    QTableView *spdJob_ = nullptr;
    GridOutput *output_ = nullptr;
    QString shownSpan_;
};

} // namespace kestra
