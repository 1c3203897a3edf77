#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kestra {

class AppContext;
class Session;

// A sub-statistic of a template: its code and name.
struct SubStat {
    QString code;
    QString name;
};

// A class composition row: for a sub-statistic and a classification
// scheme, the specification (elements separated by ","; "low~high" is a
// range, anything else a class prefix).
struct ClassComp {
    QString subCode;
    QString clsId;
    QString spec;
};

// One statistic row: titles, copies and amount as the package returns them
// (the amount empty when nothing was summed).
struct StatFigures {
    QString titles;
    QString copies;
    QString amount;

    static StatFigures parse(const QString &text);
};

// A statistics template in memory: the sub-statistics in template order
// (the code's length first, so "2" comes before "10"), the schemes it uses
// and its composition rows. A custom template ("[自定义]") fills the same
// lists from the operator's grid.
class StatTemplate {
public:
    // The longest condition the package takes per sub-statistic.
    static constexpr int MaxCondition = 1800;

    QList<SubStat> subs;
    QStringList schemes;
    QList<ClassComp> comps;

    // LoadTemplate: -1 after showing the database error (the template then
    // empty).
    int load(AppContext &context, const QString &templateCode);

    // The class condition of one sub-statistic over the table alias that
    // carries call_no and cls_id; empty when its composition is empty.
    QString classCondition(const QString &alias, const QString &subCode) const;
};

// The package calls. SortData: one row per condition (each " AND " + a
// class condition, or " AND 1=0" for a sub-statistic without classes, which
// counts nothing) of the base query, in one call. BulkData: the query's
// values, at most 1000. -1 with the error in the session's record.
//
// On Oracle the client in this build does not hand the package its tables:
// the Qt OCI driver binds PL/SQL tables only in batch mode, where every
// parameter becomes a table. There the same figures come from one query
// (statSortSql) in one round trip, and the bulk rows from the query itself.
int statSortData(Session &db, const QString &baseQuery, const QStringList &conditions, QStringList &result);
int statBulkData(Session &db, const QString &query, QStringList &result);

// One query whose rows are the values of the base query under each
// condition, in order (a number, then the value).
QString statSortSql(const QString &baseQuery, const QStringList &conditions);
// Reads such a query's rows into one value per condition.
int statSortByQuery(Session &db, const QString &baseQuery, const QStringList &conditions, QStringList &result);

} // namespace kestra
