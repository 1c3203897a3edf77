#pragma once

#include "stats/NewBookStat.h"

#include <QWidget>

class QTableView;

namespace kestra {

class GridOutput;
class IntakeFilterWidget;
class StatChartWidget;

// frmNewBookAllStat (按馆藏地统计): the widgets over NewBookStat. The shared
// filters (IntakeFilterWidget) with their suite names, the grid
// SpdNewBookAllotStat with its chart chtStat beside it, and the command bar
// Toolbar1 with the keys go, print, book (the new copies of the selected
// location, for the same period and filters) and exit.
class NewBookStatForm : public QWidget {
    Q_OBJECT
public:
    explicit NewBookStatForm(AppContext &context, QWidget *parent = nullptr);

    NewBookStat &controller() { return stat_; }

Q_SIGNALS:
    // "book": the list of the new copies of a location.
    void bookListRequested(const QVariantMap &args);

private:
    void runCommand(const QString &key);
    void runStat();

    NewBookStat stat_;
    IntakeFilterWidget *filters_ = nullptr;
    QTableView *grid_ = nullptr;
    StatChartWidget *chart_ = nullptr;
    GridOutput *output_ = nullptr;
    // The conditions of the figures shown, for the printed list and "book".
    QStringList shownLines_;
    IntakeConditions shown_;
};

} // namespace kestra
