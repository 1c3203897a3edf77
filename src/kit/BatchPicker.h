#pragma once

#include "db/QueryResult.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kestra {

class AppContext;

// One batch table as its pickers list it: the columns (the batch number
// first), the columns that restrict it, how far back the list goes.
struct BatchTable {
    QString table;
    QString columns;        // the select list, the batch number first
    QString typeColumn;     // empty: the table has no processing type
    QString locationColumn; // empty: no location restriction
    QString dateColumn;
    bool showDateInMonths = true; // ShowDate counts months (else days)
    QString orderBy;
    QString numberColumn;
};

namespace batch_table {

// deal_batch_lst: repair, check-back, weeding, gift and exchange batches.
const BatchTable &deal();
// goto_batch: transfer batches.
const BatchTable &transfer();
// count_data: stock-taking batches.
const BatchTable &count();

} // namespace batch_table

// Of the rows a search found, in order, the first below the current row
// `after`; the first of all when none lies below; -1 when none was found.
int nextFoundRow(const QList<int> &found, int after);

// The logic of a batch picker: the list of one table (of one processing
// type, at one location or "All"), the search, and for deal_batch_lst the
// creation with its checks. The dialog only shows rows().
class BatchPicker {
public:
    BatchPicker(AppContext &context, const BatchTable &table, QString type = QString());

    // The rows since the start date of the per-user setting ShowDate; -1
    // after showing the database error.
    int list(const QString &location);
    const QueryResult &rows() const { return rows_; }
    // The start date for a ShowDate setting and a server date; empty for
    // "All".
    static QString startDate(const QString &showDate, const QString &today, bool months);

    // The first row from `from` on with a cell containing the text (of the
    // given columns of the select list; of every column when none are
    // given); -1 and the message when the text is empty or nothing matches.
    int find(const QString &text, int from = 0, const QList<int> &columns = {});

    // A new deal_batch_lst batch (blank number refused, number taken within
    // the type at any location refused with EDC008), written with its
    // operation log in one transaction; 0 created, -1 refused or failed.
    int createDealBatch(const QString &location, const QString &number, const QString &remark);

private:
    AppContext &context_;
    const BatchTable &table_;
    QString type_;
    QueryResult rows_;
};

} // namespace kestra
