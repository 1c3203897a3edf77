#pragma once

#include "kit/RowModel.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

namespace kestra {

class AppContext;
class QueryResult;

// What the filters of the log search hold. Codes, not list entries; an
// empty code or text restricts nothing.
struct LogConditions {
    QString begin; // yyyy-mm-dd, inclusive
    QString end;   // likewise
    QString module;
    QString type;
    QString worker;
    QString computer;
    QString marcRecNo;
    QString propNo;
    QString certId;
    std::array<QString, 3> data;
};

// One row of the operation log as the search read it.
struct LogRow {
    QString when; // log_date and log_time
    QString typeName;
    QString type;
    QString worker;
    QString computer;
    QString location;
    QString marcRecNo;
    QString propNo;
    QString certId;
    std::array<QString, 3> data;
};

// One line of the detail grid: a field of the copy, record or reader.
struct InfoLine {
    QString field;
    QString value;
};

// frmLogSearch without its widgets: the filter lists, the search over
// log_detl and log_type, and the detail of the selected row. It changes
// nothing in the database.
class LogSearch {
public:
    // A search lists at most this many rows: the newest, in the order of
    // the search (earliest first).
    static constexpr int DefaultMaxRows = 10000;
    enum class Outcome { Listed, TooMany, Failed };

    explicit LogSearch(AppContext &context, int maxRows = DefaultMaxRows);
    ~LogSearch();
    LogSearch(const LogSearch &) = delete;
    LogSearch &operator=(const LogSearch &) = delete;

    AppContext &context() { return context_; }

    // The lists of the filters, "[不限]" first; -1 after showing the
    // database error (the list then holds "[不限]" alone).
    int typeEntries(const QString &moduleCode, QStringList &entries);
    // The staff, or the one staff number `only`, then the service codes
    // when `services`.
    int workerEntries(const QString &only, bool services, QStringList &entries);
    int computerEntries(QStringList &entries);
    // The captions of data1..data3 of an operation type, which also head
    // the data columns; the defaults for no type.
    int setDataCaptions(const QString &typeCode);
    const std::array<QString, 3> &dataCaptions() const { return captions_; }

    QString buildSql(const LogConditions &conditions) const;
    // Fills the log grid; on a failure the database error is shown and the
    // grid left empty. Above the limit the newest rows are listed, earliest
    // first, and the status says so: staff mostly look for the latest, and
    // a box would stop the window that is opening.
    Outcome search(const LogConditions &conditions);
    // What the last search listed, for the line under the list: "共N条",
    // and when the limit cut it, that only the newest are listed.
    QString statusText() const;

    // Fills the detail grid for a row of the log grid: the copy (or, when
    // the row names none or the copy is gone, the record) and the reader
    // the row names. -1 after showing the
    // database error; nothing for a row that is not listed.
    int showDetail(int row);

    RowModelBase &log();
    const QList<LogRow> &rows() const;
    RowModelBase &info();
    const QList<InfoLine> &infoLines() const;

private:
    int fillList(const QString &sql, QStringList &entries,
                 const std::function<QString(const QueryResult &, int)> &entryOf);
    // 1 with the lines added, 0 when nothing was found, -1 on failure.
    int addRecord(const QString &sql);
    int addReader(const QString &certId);

    class LogModel;
    AppContext &context_;
    int maxRows_;
    Outcome outcome_ = Outcome::Listed;
    std::array<QString, 3> captions_;
    std::unique_ptr<LogModel> log_;
    RowModel<InfoLine> info_;
};

} // namespace kestra
