// The suite procedures of stock-taking: the count batches (count_data), the
// copies found (wait_count_lst) and the results of the statistics
// (count_lost_copy).

#include "db/OraError.h"
#include "db/procs/ProcSupport.h"

namespace kestra::procs {

namespace {

// insert_count_data and Update01_count_data share one order: date,
// location, classes, finish flag, remark, operator, batch number.
constexpr Field kCountKey[] = {{6, "count_batch_no"}};
constexpr Field kCountValues[] = {
    {0, "count_date"}, {1, "location"}, {2, "count_class"}, {3, "finish_flag"}, {4, "remark"}, {5, "resp_wkr"},
};

// Insert_wait_count_lst(batch, location, accession number, date).
constexpr Field kWaitRow[] = {{0, "count_batch_no"}, {1, "location"}, {2, "prop_no"}, {3, "count_date"}};
constexpr Field kWaitKey[] = {{0, "count_batch_no"}, {1, "prop_no"}};

bool insertCountData(ProcHost &host, ProcArgs &args, DbError &error)
{
    return insertRow(host, args, "insert_count_data", "count_data", kCountKey, kCountValues, error);
}

bool update01CountData(ProcHost &host, ProcArgs &args, DbError &error)
{
    return updateRow(host, args, "Update01_count_data", "count_data", kCountKey, kCountValues, error);
}

// delete02_count_data(batch, location, date): the batch with what was
// scanned into it and its results. The location and date name the row the
// operator saw; a batch already gone (or another one under that number) is
// left alone, the state asked for holds.
bool delete02CountData(ProcHost &host, ProcArgs &args, DbError &error)
{
    if (args.isNull(0))
        return true;
    QList<Row> found;
    QString where = QStringLiteral("count_batch_no=?");
    QVariantList params{args.text(0)};
    if (!args.isNull(1)) {
        where += QStringLiteral(" AND location=?");
        params.append(args.text(1));
    }
    if (!args.isNull(2)) {
        where += QStringLiteral(" AND count_date=?");
        params.append(args.text(2));
    }
    if (!host.select(QStringLiteral("SELECT count_batch_no FROM count_data WHERE ") + where, params, found, error))
        return false;
    if (found.isEmpty())
        return true;
    const QVariantList batch{args.text(0)};
    return host.exec(QStringLiteral("DELETE FROM wait_count_lst WHERE count_batch_no=?"), batch, error) &&
           host.exec(QStringLiteral("DELETE FROM count_lost_copy WHERE count_batch_no=?"), batch, error) &&
           host.exec(QStringLiteral("DELETE FROM count_data WHERE count_batch_no=?"), batch, error);
}

// A second record of the same copy meets the key PK_WAIT_COUNT_LST
// (ORA-00001): two operators scanning one copy at once cannot both record it.
bool insertWaitCountLst(ProcHost &host, ProcArgs &args, DbError &error)
{
    return insertRow(host, args, "Insert_wait_count_lst", "wait_count_lst", kWaitRow, error);
}

bool delete01WaitCountLst(ProcHost &host, ProcArgs &args, DbError &error)
{
    return deleteRows(host, args, "Delete01_wait_count_lst", "wait_count_lst", kWaitKey, error);
}

// The results of a statistics run over the batch's scope (the location, and
// one class when `classLike` is given):
//   "0" copies in a holding status (3C, 41-46) neither scanned nor on loan;
//   "1" scanned copies of the scope in any other status;
//   "2" (whole location only) scanned copies of another location.
// A copy already holding the result is not added again, so a class given
// twice cannot break the key.
bool countLostRows(ProcHost &host, const char *proc, const QString &date, const QString &location,
                   const QString &classLike, const QString &batch, DbError &error)
{
    if (batch.isEmpty() || location.isEmpty()) {
        error = ora::make(ora::CannotInsertNull,
                          QStringLiteral("cannot insert NULL into (COUNT_LOST_COPY): %1 needs the batch and location")
                              .arg(QString::fromLatin1(proc).toUpper()));
        return false;
    }
    const bool byClass = !classLike.isNull();
    const QString scope =
        QStringLiteral("a.dis_location=?") + (byClass ? QStringLiteral(" AND a.call_no LIKE ?") : QString());
    const auto scopeParams = [&] {
        QVariantList p{location};
        if (byClass)
            p.append(classLike);
        return p;
    };
    const QString notYet = QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM count_lost_copy c WHERE c.count_batch_no=? "
                                          "AND c.prop_no=a.prop_no AND c.flag=?)");
    const QString holding = QStringLiteral("(a.book_stat_code>='3C' AND a.book_stat_code<='46')");

    QVariantList missing{date, location, batch};
    missing += scopeParams();
    missing += QVariantList{batch, batch, QStringLiteral("0")};
    if (!host.exec(QStringLiteral("INSERT INTO count_lost_copy(count_date,location,prop_no,flag,count_batch_no) "
                                  "SELECT ?,?,a.prop_no,'0',? FROM indi_acct a WHERE ") +
                       scope + QStringLiteral(" AND ") + holding +
                       QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM wait_count_lst w WHERE w.count_batch_no=? AND "
                                      "w.prop_no=a.prop_no) AND NOT EXISTS (SELECT 1 FROM lend_lst l WHERE "
                                      "l.prop_no=a.prop_no)") +
                       notYet,
                   missing, error))
        return false;

    QVariantList abnormal{date, location, batch, batch};
    abnormal += scopeParams();
    abnormal += QVariantList{batch, QStringLiteral("1")};
    if (!host.exec(QStringLiteral("INSERT INTO count_lost_copy(count_date,location,prop_no,flag,count_batch_no) "
                                  "SELECT ?,?,a.prop_no,'1',? FROM wait_count_lst w, indi_acct a WHERE "
                                  "w.count_batch_no=? AND a.prop_no=w.prop_no AND ") +
                       scope +
                       QStringLiteral(" AND NOT (COALESCE(a.book_stat_code,'')>='3C' AND "
                                      "COALESCE(a.book_stat_code,'')<='46')") +
                       notYet,
                   abnormal, error))
        return false;
    if (byClass)
        return true;
    return host.exec(QStringLiteral("INSERT INTO count_lost_copy(count_date,location,prop_no,flag,count_batch_no) "
                                    "SELECT ?,?,a.prop_no,'2',? FROM wait_count_lst w, indi_acct a WHERE "
                                    "w.count_batch_no=? AND a.prop_no=w.prop_no AND "
                                    "(a.dis_location IS NULL OR a.dis_location<>?)") +
                         notYet,
                     {date, location, batch, batch, location, batch, QStringLiteral("2")}, error);
}

// Insert02_count_lost_copy(date, location, batch): a whole-location batch.
bool insert02CountLostCopy(ProcHost &host, ProcArgs &args, DbError &error)
{
    return countLostRows(host, "Insert02_count_lost_copy", args.text(0), args.text(1), QString(), args.text(2), error);
}

// Insert03_count_lost_copy(date, location, class + "%", batch): one class of
// a class batch.
bool insert03CountLostCopy(ProcHost &host, ProcArgs &args, DbError &error)
{
    const QString like = args.isNull(2) ? QStringLiteral("%") : args.text(2);
    return countLostRows(host, "Insert03_count_lost_copy", args.text(0), args.text(1), like, args.text(3), error);
}

} // namespace

const QList<ProcedureDef> &countProcedures()
{
    static const QList<ProcedureDef> procedures = {
        {"insert_count_data", 7, 7, &insertCountData},
        {"Update01_count_data", 7, 7, &update01CountData},
        {"delete02_count_data", 3, 3, &delete02CountData},
        {"Insert_wait_count_lst", 4, 4, &insertWaitCountLst},
        {"Delete01_wait_count_lst", 2, 2, &delete01WaitCountLst},
        {"Insert02_count_lost_copy", 3, 3, &insert02CountLostCopy},
        {"Insert03_count_lost_copy", 4, 4, &insert03CountLostCopy},
    };
    return procedures;
}

} // namespace kestra::procs
