#pragma once

#include <QString>

namespace kestra {

class Session;

// How a scanned or typed code names a copy.
enum class InputType { Barcode = 0, Accession = 1 };

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
};

// The lookup statement for a code of the given type.
QString itemLookupSql(const QString &code, InputType type);
// 1 with the row filled, 0 when no copy has that code, -1 when the query
// failed (the error record tells why).
int readItemRow(Session &db, const QString &code, InputType type, ItemRow &row);

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

// The copy's circulation row in item. A copy without one has never been
// released to circulation and is not on loan.
struct CirculationRow {
    bool exists = false;
    QString lendFlag;
    int totalCircTimes = 0;
    QString location;
    QString status;
};
// Reads book_lend_flag (and the counts, location and status); -1 on failure.
int readCirculation(Session &db, const QString &propNo, CirculationRow &row);
// The count test that decides whether a change of the copy is written to
// item as well: the number of item rows, -1 on failure.
int countItemRows(Session &db, const QString &propNo);

} // namespace kestra
