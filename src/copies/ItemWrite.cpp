#include "copies/ItemWrite.h"

#include "copies/ChangeNotice.h"
#include "copies/ItemCodes.h"
#include "copies/ItemRecord.h"
#include "core/AppContext.h"
#include "core/WorkLog.h"
#include "db/OraError.h"

#include <QRegularExpression>
#include <algorithm>

namespace kestra {

QString positionalArgs(int count, const QList<std::pair<int, QString>> &given)
{
    QStringList args(count, QStringLiteral("NULL"));
    for (const auto &[position, value] : given) {
        // An empty value is NULL to the database anyway; say so plainly.
        if (position >= 1 && position <= count && !value.isEmpty())
            args[position - 1] = sqlQuote(value);
    }
    return args.join(u',');
}

// The writes of a copy wait and go out with the commit (PostgreSQL: one
// round trip for all of them); every failure here rolls the copy back
// anyway, which is what a queued transaction asks of its caller.
ItemTransaction::ItemTransaction(AppContext &context)
    : context_(context), tx_(context.db(), Transaction::Writes::Queued)
{}

Session &ItemTransaction::db()
{
    return context_.db();
}

bool ItemTransaction::confirm(const QString &message)
{
    if (context_.showMsg(message) == AnswerOk)
        return true;
    cancel();
    return false;
}

void ItemTransaction::cancel()
{
    if (!tx_.done())
        tx_.rollback();
}

int ItemTransaction::fail()
{
    const ErrorRecord error = context_.db().error();
    cancel();
    return report(error);
}

int ItemTransaction::report(const ErrorRecord &error)
{
    // Another operator has just entered the copy into the same batch (a
    // writer that did not lock the copy, or a copy whose status the entry
    // leaves alone): that is this copy's refusal, and a run goes on.
    if (error.oraCode == 1 && error.text.toUpper().contains(QLatin1String("UK_DEAL_LOG"))) {
        refused_ = true;
        context_.showMsg(QStringLiteral("EDC004"));
        return -1;
    }
    context_.db().showDbError();
    return -1;
}

ItemTransaction::CopyLock ItemTransaction::lockFailed()
{
    const int code = context_.db().error().oraCode;
    fail();
    return code == ora::ResourceBusy || code == 30006 ? CopyLock::Busy : CopyLock::Failed;
}

ItemTransaction::CopyLock ItemTransaction::lockCopy(ItemRow &row, CirculationRow *circulation)
{
    QList<QueryResult> none;
    return lockCopy(row, circulation, {}, none);
}

ItemTransaction::CopyLock ItemTransaction::lockCopy(ItemRow &row, CirculationRow *circulation, const QStringList &along,
                                                    QList<QueryResult> &answers)
{
    Session &s = db();
    const QString key = sqlQuote(row.propNo);
    // SQLite has one writer for the whole file, and a transaction becomes
    // the writer only at its first write: taken here, before the reads
    // below, they see the newest copy and nobody changes it until the
    // commit. The other backends lock the two rows themselves. The write
    // leaves the key alone: writing it would make SQLite look for the
    // copy's rows in every table that refers to copies.
    if (s.backend() != nullptr && s.backend()->kind() == BackendTarget::Kind::Sqlite &&
        s.execute(QStringLiteral(" UPDATE indi_acct SET resp_wkr=resp_wkr WHERE prop_no=") + key) < 0)
        return lockFailed();
    // A bounded wait on Oracle (ORA-30006); PostgreSQL waits lock_timeout.
    // The copy, its circulation row and the date the writes will carry are
    // read together: over a network, in the round trip that begins the
    // transaction.
    const int seconds = std::max(1, (s.lockTimeout() + 999) / 1000);
    const QString lock = QStringLiteral(" FOR UPDATE WAIT %1").arg(seconds);
    const QStringList reads = QStringList{QStringLiteral(" SELECT book_stat_code,dis_location,rec_flag_upt_date,"
                                                         "indi_opac_flag,marc_rec_no,call_no,bar_code FROM indi_acct "
                                                         "WHERE prop_no=") +
                                              key + lock,
                                          circulationSql(row.propNo, lock),
                                          QStringLiteral("SELECT TO_CHAR(SYSDATE,'YYYY-MM-DD') FROM dual")} +
                              along;
    QList<QueryResult> read;
    if (s.queryMany(reads, read) < 0)
        return lockFailed();
    answers = read.mid(3);
    const QueryResult &copy = read.at(0);
    if (copy.rowCount() == 0) {
        cancel();
        context_.showMsg(QStringLiteral("EDC001"));
        return CopyLock::Gone;
    }
    CirculationRow item = circulationOf(read.at(1));
    if (serverDate_.isEmpty() && read.at(2).rowCount() == 1 && read.at(2).text(0, 0).size() == 10)
        serverDate_ = read.at(2).text(0, 0);
    lockedPropNo_ = row.propNo;
    lockedHasItem_ = item.exists;
    bool changed = row.status != copy.text(0, 0) || row.disLocation != copy.text(0, 1);
    row.status = copy.text(0, 0);
    row.disLocation = copy.text(0, 1);
    row.statusDate = copy.text(0, 2);
    row.opacFlag = copy.text(0, 3);
    row.marcRecNo = copy.text(0, 4);
    row.callNo = copy.text(0, 5);
    row.barCode = copy.text(0, 6);
    if (circulation != nullptr) {
        changed = changed || circulation->lendFlag.trimmed() != item.lendFlag.trimmed();
        *circulation = item;
    }
    return changed ? CopyLock::Changed : CopyLock::Same;
}

int ItemTransaction::serverDate(QString &date)
{
    if (serverDate_.isEmpty()) {
        const QString now = context_.db().serverDate();
        if (now.size() < 10)
            return fail();
        serverDate_ = now.left(10);
    }
    date = serverDate_;
    return 0;
}

// A statement that may add or remove circulation rows (the item table, an
// *_item procedure) makes what lockCopy read about them stale.
void ItemTransaction::forgetLockedItem(const QString &sql)
{
    static const QRegularExpression touchesItem(QStringLiteral("item\\b"), QRegularExpression::CaseInsensitiveOption);
    if (!lockedPropNo_.isEmpty() && touchesItem.match(sql).hasMatch())
        lockedPropNo_.clear();
}

int ItemTransaction::execute(const QString &sql)
{
    forgetLockedItem(sql);
    return db().execute(sql) < 0 ? fail() : 0;
}

int ItemTransaction::callProc(const QString &call)
{
    forgetLockedItem(call);
    return db().callProc(call) < 0 ? fail() : 0;
}

int ItemTransaction::writeDealLog(const DealLogRow &r)
{
    const QString call = QStringLiteral("LT_deal_log ") +
                         QStringList{sqlQuote(r.location), sqlQuote(r.batchNo),     sqlQuote(r.type),
                                     sqlQuote(r.propNo),   sqlQuote(r.date),        QString::number(r.fee, 'f', 2),
                                     sqlQuote(r.target),   sqlQuote(r.sourceState), sqlQuote(r.operatorNo),
                                     sqlQuote(r.remark)}
                             .join(u',');
    return callProc(call);
}

int ItemTransaction::deleteDealLog(const QString &location, const QString &batchNo, const QString &type,
                                   const QString &propNo)
{
    return callProc(QStringLiteral("LT_DEL_deal_log ") +
                    QStringList{sqlQuote(location), sqlQuote(batchNo), sqlQuote(type), sqlQuote(propNo)}.join(u','));
}

int ItemTransaction::dropArrivedReservation(const QString &propNo)
{
    return callProc(QStringLiteral("LT_DEL_preg_arri_lst ") + sqlQuote(propNo));
}

int ItemTransaction::updateCopy(const CopyChange &c)
{
    const QString copy =
        positionalArgs(22, {{1, c.propNo}, {15, c.status}, {16, c.date}, {19, c.operatorNo}, {22, c.disLocation}});
    const bool known = c.itemRow || c.propNo == lockedPropNo_;
    const bool hasItem = c.itemRow ? *c.itemRow : lockedHasItem_;
    if (callProc(QStringLiteral("update00_indi_acct ") + copy) < 0)
        return -1;
    touched(c.propNo);
    const int items = known ? int(hasItem) : countItemRows(db(), c.propNo);
    if (items < 0)
        return fail();
    if (items == 0)
        return 0;
    const QString item = positionalArgs(22, {{1, c.propNo},
                                             {4, c.disLocation},
                                             {7, c.status},
                                             {8, c.lendFlag.trimmed()},
                                             {17, c.date},
                                             {22, c.itemOperator}});
    return callProc(QStringLiteral("update01_item ") + item);
}

int ItemTransaction::finish(const WriteTail &t)
{
    if (!t.lendableRecord.isEmpty() &&
        callProc(QStringLiteral("update_lendable_copies ") + sqlQuote(t.lendableRecord)) < 0)
        return -1;
    if (!t.jobCode.isEmpty() && logWorkQty(context_, t.jobCode, t.titles, t.copies, t.amount) < 0)
        return fail();
    if (!t.logCode.isEmpty() && logOperation(context_, t.logCode, t.marcRecNo, t.propNo, t.data1, t.data2, t.data3) < 0)
        return fail(); // the copy operations' codes never recount inside logOperation
    return commit();
}

int ItemTransaction::commit()
{
    // Queued writes meet the database with the commit: a key another
    // operator has just taken is refused here as it would be at its write.
    if (tx_.commit() < 0)
        return report(context_.db().error());
    Q_EMIT ChangeNotice::of(context_).copiesChanged(touched_);
    return 0;
}

WriteTail statusChangeTail(const ItemRow &row, const QString &newStatus)
{
    WriteTail tail;
    tail.lendableRecord = row.marcRecNo;
    tail.logCode = QStringLiteral("30019");
    tail.marcRecNo = row.marcRecNo;
    tail.propNo = row.propNo;
    tail.data1 = item_status::name(row.status);
    tail.data2 = item_status::name(newStatus);
    return tail;
}

} // namespace kestra
