#pragma once

#include "db/QueryResult.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kestra {

class Session;

// How a scanned or typed code names a copy.
enum class InputType { Barcode = 0, Accession = 1 };

// The copy's circulation row in item. A copy without one has never been
// released to circulation and is not on loan.
struct CirculationRow {
    bool exists = false;
    QString lendFlag;
    int totalCircTimes = 0;
    QString location;
    QString status;
};
// One copy as every processing form finds it: the row of indi_acct joined
// with its bibliographic record (a copy whose record is missing is not
// found). yearVolume is year "-" volume/issue, as the lists show it.
struct ItemRow {
    QString propNo;
    QString marcRecNo;
    QString disLocation;
    QString callNo;
    QString barCode;
    QString status;
    QString statusDate;
    double price = 0;
    QString inDate;
    QString attachment;
    QString title;
    QString author;
    QString publisher;
    QString yearVolume;
    QString opacFlag;
    // The circulation row, when the lookup was asked to read it along
    // (ItemEntry::setReadCirculation): what the checks before a copy's
    // transaction see; the transaction reads it again under its lock.
    std::optional<CirculationRow> circulation;
};

// The lookup statement for a code of the given type.
QString itemLookupSql(const QString &code, InputType type);
// 1 with the row filled, 0 when no copy has that code, -1 when the query
// failed (the error record tells why).
// withCirculation: the circulation row too, in the same round trip.
int readItemRow(Session &db, const QString &code, InputType type, ItemRow &row, bool withCirculation = false);
// The same, with selects of the caller's own that do not depend on the
// lookup (keyed by the code itself) answered in the same round trip, in
// `answers` in their order.
int readItemRow(Session &db, const QString &code, InputType type, ItemRow &row, bool withCirculation,
                const QStringList &along, QList<QueryResult> &answers);

// The whole indi_acct row of a copy, for the forms that show or copy more
// than the lookup row.
struct CopyRecord {
    QString propNo;
    QString marcRecNo;
    QString chkBatchNo;
    QString moveBatch;
    double price = 0;
    double realPrice = 0;
    QString location;
    QString fundSrcCode;
    QString balaFlag;
    QString callNo;
    QString remark;
    QString carrierCode;
    QString barCode;
    QString inDate;
    QString status;
    QString statusDate;
    QString getModeCode;
    QString volPeri;
    QString respWkr;
    QString year;
    QString attachment;
    QString disLocation;
    QString curLoca;
    QString asordNo;
    QString shelfNo;
    QString opacFlag;
};
// 1 found, 0 none, -1 failed.
int readCopyRecord(Session &db, const QString &propNo, CopyRecord &record);

// Reads book_lend_flag (and the counts, location and status); -1 on failure.
// `lock` ends the statement (" FOR UPDATE ..." inside a copy's transaction).
int readCirculation(Session &db, const QString &propNo, CirculationRow &row, const QString &lock = QString());
// The statement readCirculation runs, and the row of its answer, for
// reading it together with other statements (Session::queryMany).
QString circulationSql(const QString &propNo, const QString &lock = QString());
CirculationRow circulationOf(const QueryResult &answer, int at = 0);
// The circulation row the lookup read along with the copy, or read now.
int circulationFor(Session &db, const ItemRow &row, CirculationRow &circulation);
// The count test that decides whether a change of the copy is written to
// item as well: the number of item rows, -1 on failure.
int countItemRows(Session &db, const QString &propNo);

} // namespace kestra
