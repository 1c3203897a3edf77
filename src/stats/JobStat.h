#pragma once

#include "kit/RowModel.h"

#include <QDate>
#include <QString>

namespace kestra {

class AppContext;

// How far a workload statistic reaches: the year, month or day of one
// date, or a period between two dates.
enum class JobSpan { Year, Month, Day, Period };

struct JobConditions {
    JobSpan span = JobSpan::Year;
    QDate day;     // for a year, month or day
    QString begin; // a period's bounds as typed, "yyyy-mm-dd", inclusive
    QString end;
};

// One row of the workload grid: a job type of the prefix and, after a
// statistic, what the operator recorded for it.
struct JobRow {
    QString type;
    QString name;
    bool counted = false;
    qint64 titles = 0;
    qint64 copies = 0;
    double amount = 0;
};

// frmStatJob without its widgets: the job types of a prefix and the
// logged-in operator's counters summed over them. It changes nothing.
class JobStat {
public:
    enum class Outcome { Counted, BadPeriod, Failed };

    JobStat(AppContext &context, QString prefix);

    AppContext &context() { return context_; }
    const QString &operatorNo() const;

    // The job types whose codes match the prefix, in code order; -1 after
    // showing the database error.
    int load();
    QString buildSql(const JobConditions &conditions) const;
    // Fills the figures; on a failure the grid keeps what it showed. A
    // period whose bounds are not whole dates is refused before the
    // database is asked: compared as text it would count the wrong days.
    Outcome run(const JobConditions &conditions);

    RowModelBase &grid() { return grid_; }
    const QList<JobRow> &rows() const { return grid_.rows(); }

private:
    AppContext &context_;
    QString prefix_;
    RowModel<JobRow> grid_;
};

} // namespace kestra
