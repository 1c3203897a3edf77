#include "copies/ItemRecord.h"

#include "core/Session.h"

namespace kestra {

// The lookup with `key` (a literal, or "?") for the code.
static QString lookupSql(const QString &key, InputType type)
{
    return QStringLiteral(" SELECT indi_acct.prop_no,indi_acct.marc_rec_no,indi_acct.dis_location,indi_acct.call_no,"
                          "indi_acct.bar_code,indi_acct.book_stat_code,indi_acct.rec_flag_upt_date,indi_acct.price,"
                          "indi_acct.in_date,indi_acct.attachment,marc.m_title,marc.m_author,marc.m_publisher,"
                          "indi_acct.year || '-' || indi_acct.vol_peri,indi_acct.indi_opac_flag "
                          " FROM indi_acct,marc ") +
           (type == InputType::Barcode ? QStringLiteral(" WHERE indi_acct.bar_code=")
                                       : QStringLiteral(" WHERE indi_acct.prop_no=")) +
           key + QStringLiteral(" AND indi_acct.marc_rec_no=marc.marc_rec_no ");
}

QString itemLookupSql(const QString &code, InputType type)
{
    return lookupSql(sqlQuote(code), type);
}

// The circulation row of the copy a code names, with its accession number
// (a barcode is looked up in the same statement).
static QString circulationByCodeSql(const QString &code, InputType type)
{
    const QString copy = type == InputType::Barcode
                             ? QStringLiteral("(SELECT prop_no FROM indi_acct WHERE bar_code=") + sqlQuote(code) + u')'
                             : QStringLiteral("(") + sqlQuote(code) + u')';
    return QStringLiteral(" SELECT book_lend_flag,total_circ_times,location,book_stat_code,prop_no FROM Item "
                          "WHERE prop_no IN ") +
           copy;
}

int readItemRow(Session &db, const QString &code, InputType type, ItemRow &row, bool withCirculation)
{
    QList<QueryResult> none;
    return readItemRow(db, code, type, row, withCirculation, {}, none);
}

int readItemRow(Session &db, const QString &code, InputType type, ItemRow &row, bool withCirculation,
                const QStringList &others, QList<QueryResult> &answers)
{
    QueryResult r;
    QList<QueryResult> along;
    answers.clear();
    // The summary columns of marc come through the summary read, which
    // decodes them when the catalogue stores Unicode.
    // Outside Unicode mode the summary read is a plain one: the code is
    // bound, and the statement stays prepared for the next scan.
    int read;
    if (withCirculation || !others.isEmpty())
        read = db.querySummaryAlong(
            itemLookupSql(code, type),
            (withCirculation ? QStringList{circulationByCodeSql(code, type)} : QStringList()) + others, r, along);
    else if (db.unicodeMode())
        read = db.querySummary(itemLookupSql(code, type), r);
    else
        read = db.queryBound(lookupSql(QStringLiteral("?"), type), {code}, r);
    if (read < 0)
        return -1;
    answers = along.mid(withCirculation ? 1 : 0);
    if (r.rowCount() == 0)
        return 0;
    row.propNo = r.text(0, 0);
    row.marcRecNo = r.text(0, 1);
    row.disLocation = r.text(0, 2);
    row.callNo = r.text(0, 3);
    row.barCode = r.text(0, 4);
    row.status = r.text(0, 5);
    row.statusDate = r.text(0, 6);
    row.price = r.number(0, 7);
    row.inDate = r.text(0, 8);
    row.attachment = r.text(0, 9);
    row.title = r.text(0, 10);
    row.author = r.text(0, 11);
    row.publisher = r.text(0, 12);
    row.yearVolume = r.text(0, 13);
    row.opacFlag = r.text(0, 14);
    row.circulation.reset();
    if (withCirculation) {
        // A barcode given to two copies finds both circulation rows.
        const QueryResult &items = along.front();
        row.circulation = CirculationRow{};
        for (int i = 0; i < items.rowCount(); ++i) {
            if (items.text(i, 4) == row.propNo)
                row.circulation = circulationOf(items, i);
        }
    }
    return 1;
}

int readCopyRecord(Session &db, const QString &propNo, CopyRecord &c)
{
    QueryResult r;
    const QString sql =
        QStringLiteral("SELECT prop_no,marc_rec_no,chk_batch_no,move_batch,price,real_price,location,fund_src_code,"
                       "bala_flag,call_no,remark,carrier_code,bar_code,in_date,book_stat_code,rec_flag_upt_date,"
                       "get_mode_code,vol_peri,resp_wkr,year,attachment,dis_location,cur_loca,asord_no,shelf_no,"
                       "indi_opac_flag FROM indi_acct WHERE prop_no=") +
        sqlQuote(propNo);
    if (db.query(sql, r) < 0)
        return -1;
    if (r.rowCount() == 0)
        return 0;
    int i = 0;
    auto next = [&]() { return r.text(0, i++); };
    c.propNo = next();
    c.marcRecNo = next();
    c.chkBatchNo = next();
    c.moveBatch = next();
    c.price = r.number(0, i++);
    c.realPrice = r.number(0, i++);
    c.location = next();
    c.fundSrcCode = next();
    c.balaFlag = next();
    c.callNo = next();
    c.remark = next();
    c.carrierCode = next();
    c.barCode = next();
    c.inDate = next();
    c.status = next();
    c.statusDate = next();
    c.getModeCode = next();
    c.volPeri = next();
    c.respWkr = next();
    c.year = next();
    c.attachment = next();
    c.disLocation = next();
    c.curLoca = next();
    c.asordNo = next();
    c.shelfNo = next();
    c.opacFlag = next();
    return 1;
}

QString circulationSql(const QString &propNo, const QString &lock)
{
    return QStringLiteral(" SELECT book_lend_flag,total_circ_times,location,book_stat_code FROM Item WHERE prop_no=") +
           sqlQuote(propNo) + lock;
}

CirculationRow circulationOf(const QueryResult &r, int at)
{
    CirculationRow row;
    if (at >= r.rowCount())
        return row;
    row.exists = true;
    row.lendFlag = r.text(at, 0);
    row.totalCircTimes = static_cast<int>(r.number(at, 1));
    row.location = r.text(at, 2);
    row.status = r.text(at, 3);
    return row;
}

int readCirculation(Session &db, const QString &propNo, CirculationRow &row, const QString &lock)
{
    QueryResult r;
    if (db.query(circulationSql(propNo, lock), r) < 0)
        return -1;
    row = circulationOf(r);
    return 0;
}

int circulationFor(Session &db, const ItemRow &row, CirculationRow &circulation)
{
    if (row.circulation) {
        circulation = *row.circulation;
        return 0;
    }
    return readCirculation(db, row.propNo, circulation);
}

int countItemRows(Session &db, const QString &propNo)
{
    QueryResult r;
    if (db.query(QStringLiteral("SELECT COUNT(*) FROM ITEM WHERE prop_no=") + sqlQuote(propNo), r) < 0)
        return -1;
    return static_cast<int>(r.number(0, 0));
}

} // namespace kestra
