#pragma once

#include "db/QueryResult.h"

#include <QString>
#include <QVariant>

namespace kestra {

// The system parameters of sys_comm_para, loaded once at start-up.
class SysParams {
public:
    void setTable(QueryResult table) { table_ = std::move(table); }
    bool isLoaded() const { return !table_.isNull(); }
    const QueryResult &table() const { return table_; }

    // GetSysParam: the value of the parameter whose code, read as a number,
    // equals number, with the conversions some parameters get (flags to
    // booleans, numbers, the first field of 14, ...). No row gives an empty
    // value.
    QVariant value(int number) const;
    // The value as stored, as text ("" when missing).
    QString text(int number) const;
    // GetSysParamByName: the row whose trimmed code equals code.
    QString byName(const QString &code) const;

private:
    QString raw(int number, bool *found) const;
    QueryResult table_;
};

} // namespace kestra
