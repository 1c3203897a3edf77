#pragma once

#include "db/QueryResult.h"

#include <QHash>
#include <QString>
#include <QVariant>

namespace kestra {

// The system parameters of sys_comm_para, loaded once at start-up.
class SysParams {
public:
    // Takes the rows of "SELECT sys_para_code,sys_para_value ..." and indexes
    // them: parameters are read on every scan and login, the table is read once.
    void setTable(QueryResult table);
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

    // The common test "parameter n is '1'": a missing parameter is off.
    bool isOn(int number) const { return text(number) == QLatin1String("1"); }
    // The stored value read as a number the way the suite reads them: the
    // leading integer of the trimmed text, 0 when there is none.
    int integer(int number) const;

private:
    QString raw(int number, bool *found) const;
    QueryResult table_;
    QHash<int, int> byNumber_;   // number -> first row
    QHash<QString, int> byCode_; // trimmed code -> first row
};

// The leading integer of a text ("12abc" -> 12, " -3" -> -3, "x" -> 0).
int leadingInteger(const QString &text);

} // namespace kestra
