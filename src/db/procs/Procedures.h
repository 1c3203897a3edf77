#pragma once

#include "db/procs/ProcHost.h"

#include <QList>
#include <QStringList>
#include <QStringView>
#include <QVariant>

namespace kestra {

// The arguments of one procedure call: NULL is a null QVariant, literals are
// texts, numbers are doubles. Output positions (bind parameters) are written
// with setOutput.
class ProcArgs {
public:
    explicit ProcArgs(QList<QVariant> values) : values_(std::move(values)), outputs_(values_.size()) {}

    int size() const { return static_cast<int>(values_.size()); }
    bool isNull(int i) const { return i >= size() || values_.at(i).isNull(); }
    QVariant value(int i) const { return i < size() ? values_.at(i) : QVariant(); }
    // The argument as text; NULL gives a null QString.
    QString text(int i) const;
    double number(int i) const { return value(i).toDouble(); }
    // A bound PL/SQL table (a list of texts); a single value reads as a
    // one-element list, NULL as an empty one.
    QStringList list(int i) const;

    void setOutput(int i, const QVariant &v)
    {
        if (i >= 0 && i < size())
            outputs_[i] = v;
    }
    QVariant output(int i) const { return i < size() ? outputs_.at(i) : QVariant(); }

private:
    QList<QVariant> values_;
    QList<QVariant> outputs_;
};

// What a procedure receives for a bound parameter's value: empty text and
// an absent value are NULL (Oracle has no empty text); a list (a PL/SQL
// table) is passed as it is, even when it is empty.
QVariant boundArgument(const QVariant &bound);

// Runs one query of the suite's Oracle SQL that a procedure received (the
// base query of the statistics package) on the procedure's connection,
// through the same translation as the session's statements. Text holding
// more than one statement, or anything but a query, is refused with an
// Oracle error, as a cursor opened on it would be.
bool selectOracle(ProcHost &host, const QString &oracleSql, QList<Row> &rows, DbError &error);
// The same, its rows handed over one at a time (ProcHost::forEachRow).
bool forEachOracleRow(ProcHost &host, const QString &oracleSql, const RowSink &each, DbError &error);
// The same query in the connection's own SQL, for a procedure that runs it
// inside a statement of its own (CREATE TABLE ... AS).
bool translateOracleQuery(const ProcHost &host, const QString &oracleSql, QString &sql, DbError &error);

using ProcFn = bool (*)(ProcHost &host, ProcArgs &args, DbError &error);

struct ProcedureDef {
    const char *name;
    int minArgs;
    int maxArgs;
    ProcFn fn;
};

// The procedure of that name (case-insensitive); nullptr when unknown.
const ProcedureDef *findProcedure(QStringView name);

// The procedures of each family register here.
const QList<ProcedureDef> &coreProcedures();
const QList<ProcedureDef> &itemProcedures();
const QList<ProcedureDef> &readerProcedures();
const QList<ProcedureDef> &statProcedures();

} // namespace kestra
