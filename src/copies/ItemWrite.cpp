#include "copies/ItemWrite.h"

#include "copies/ChangeNotice.h"
#include "copies/ItemRecord.h"
#include "core/AppContext.h"
#include "core/WorkLog.h"

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
    cancel();
    context_.db().showDbError();
    return -1;
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

int ItemTransaction::execute(const QString &sql)
{
    return db().execute(sql) < 0 ? fail() : 0;
}

int ItemTransaction::callProc(const QString &call)
{
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
    if (callProc(QStringLiteral("update00_indi_acct ") + copy) < 0)
        return -1;
    touched(c.propNo);
    const int items = c.itemRow ? int(*c.itemRow) : countItemRows(db(), c.propNo);
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
    if (tx_.commit() < 0) {
        context_.db().showDbError();
        return -1;
    }
    Q_EMIT ChangeNotice::of(context_).copiesChanged(touched_);
    return 0;
}

} // namespace kestra
