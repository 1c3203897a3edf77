#include "inventory/CountBatch.h"

#include "copies/ChangeNotice.h"
#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/MessageKind.h"
#include "core/Session.h"
#include "core/WorkLog.h"

namespace kestra {

QStringList CountBatch::classList() const
{
    QStringList list;
    for (const QString &part : classes.split(u',', Qt::SkipEmptyParts)) {
        const QString c = part.trimmed();
        if (!c.isEmpty())
            list.append(c);
    }
    return list;
}

QString CountBatch::scopeText() const
{
    return byClass() ? QStringLiteral("按类别：") + classes : QStringLiteral("按馆藏地");
}

bool CountBatch::takesCallNo(const QString &callNo) const
{
    if (!byClass())
        return true;
    for (const QString &c : classList()) {
        if (callNo.startsWith(c))
            return true;
    }
    return false;
}

namespace count_batch {

namespace {

void announceCountBatches(AppContext &context)
{
    Q_EMIT ChangeNotice::of(context).batchesChanged(QStringLiteral("count_data"));
}

} // namespace

QString stateText(const QString &finishFlag)
{
    return finishFlag == QLatin1String("0") ? QStringLiteral("处理中") : QStringLiteral("处理结束");
}

int read(AppContext &context, const QString &number, CountBatch &batch)
{
    QueryResult r;
    if (context.db().query(QStringLiteral("SELECT count_batch_no, location, count_class, count_date, finish_flag, "
                                          "resp_wkr, remark FROM count_data WHERE count_batch_no=") +
                               sqlQuote(number),
                           r) < 0) {
        context.db().showDbError();
        return -1;
    }
    if (r.rowCount() == 0)
        return 1;
    batch =
        CountBatch{r.text(0, 0), r.text(0, 1), r.text(0, 2), r.text(0, 3), r.text(0, 4), r.text(0, 5), r.text(0, 6)};
    return 0;
}

int take(AppContext &context, const QString &number, CountBatch &batch)
{
    CountBatch b;
    const int found = read(context, number, b);
    if (found != 0)
        return found;
    if (!context.codes().checkLocationRight(b.location))
        return 1;
    if (b.finished()) {
        if (context.showMsg(QStringLiteral("Q该清点批次已经结束，您是否要继续进行清点？如果继续，则会将该批次的清点结果"
                                           "删除，你可以在清点完成之后重新执行清点统计。")) != AnswerOk)
            return 1;
        Session &db = context.db();
        Transaction tx(db);
        if (db.execute(QStringLiteral(" DELETE FROM count_lost_copy  WHERE count_batch_no= ") + sqlQuote(b.number)) <
                0 ||
            db.execute(QStringLiteral(" UPDATE count_data  SET finish_flag= '0' WHERE count_batch_no= ") +
                       sqlQuote(b.number)) < 0 ||
            tx.commit() < 0) {
            tx.rollback();
            db.showDbError();
            return -1;
        }
        b.finishFlag = QStringLiteral("0");
        announceCountBatches(context);
    }
    batch = b;
    return 0;
}

int remove(AppContext &context, const QString &number)
{
    CountBatch b;
    const int found = read(context, number, b);
    if (found != 0)
        return found;
    if (!context.codes().checkLocationRight(b.location))
        return 1;
    if (!context.session().hasRight(QStringLiteral("3013"))) {
        context.showMsg(QStringLiteral("ECM5043013"));
        return 1;
    }
    if (context.showMsg(QStringLiteral("QDC009")) != AnswerOk)
        return 1;
    Session &db = context.db();
    Transaction tx(db);
    if (db.callProc(QStringLiteral("delete02_count_data ") + sqlQuote(b.number) + u',' + sqlQuote(b.location) + u',' +
                    sqlQuote(b.date)) < 0 ||
        logOperation(context, QStringLiteral("30008"), QString(), QString(),
                     context.locationName(b.location) + u'|' + b.number) < 0 ||
        tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    announceCountBatches(context);
    return 0;
}

int clearAll(AppContext &context)
{
    if (context.showMsg(QStringLiteral("Q是否确认清除所有批次的所有数据?")) != AnswerOk)
        return 1;
    Session &db = context.db();
    Transaction tx(db);
    if (db.execute(QStringLiteral("DELETE FROM wait_count_lst")) < 0 ||
        db.execute(QStringLiteral("DELETE FROM count_lost_copy")) < 0 ||
        db.execute(QStringLiteral("Delete FROM count_data")) < 0 || tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    announceCountBatches(context);
    return 0;
}

QString nestedClasses(const QStringList &classes)
{
    for (const QString &longer : classes) {
        for (const QString &shorter : classes) {
            if (&longer != &shorter && longer.size() >= shorter.size() && longer.startsWith(shorter))
                return QStringLiteral("E类号 ") + longer + QStringLiteral(" 包含于类号 ") + shorter;
        }
    }
    return {};
}

} // namespace count_batch

CountBatchInit::CountBatchInit(AppContext &context) : context_(context) {}

int CountBatchInit::addClass(const QString &text)
{
    const QString c = text.trimmed().toUpper();
    if (c.isEmpty() || classes_.contains(c))
        return 1;
    QueryResult r;
    if (context_.db().query(
            QStringLiteral("SELECT COUNT(*)  FROM call_no_lst  WHERE call_no LIKE ") + sqlQuote(c + u'%'), r) < 0) {
        context_.db().showDbError();
        return -1;
    }
    if (r.text(0, 0).toInt() == 0) {
        context_.showMsg(QStringLiteral("EDC014"));
        return 1;
    }
    classes_.append(c);
    return 0;
}

void CountBatchInit::removeClass(int index)
{
    if (index >= 0 && index < classes_.size())
        classes_.removeAt(index);
}

int CountBatchInit::create()
{
    const QString no = number.trimmed();
    if (no.isEmpty()) {
        context_.showMsg(QStringLiteral("E清点批次不能为空。"));
        return 1;
    }
    Session &db = context_.db();
    QueryResult r;
    if (db.query(QStringLiteral("SELECT count(*)  FROM count_data  WHERE count_batch_no=") + sqlQuote(no), r) < 0) {
        db.showDbError();
        return -1;
    }
    if (r.text(0, 0).toInt() > 0) {
        context_.showMsg(QStringLiteral("EDC025"));
        return 1;
    }
    if (location.isEmpty() || !context_.codes().checkLocationRight(location))
        return 1;
    const QStringList list = byClass ? classes_ : QStringList();
    if (byClass && list.isEmpty()) {
        context_.showMsg(QStringLiteral("EDC016"));
        return 1;
    }
    const QString nested = count_batch::nestedClasses(list);
    if (!nested.isEmpty()) {
        context_.showMsg(nested);
        return 1;
    }
    const QString classes = list.join(u',');
    const QString today = db.serverDate().left(10);
    Transaction tx(db);
    // A number taken by another operator since the check above meets the
    // key and is shown as the database's refusal.
    if (db.callProc(QStringLiteral("insert_count_data ") + sqlQuote(today) + u',' + sqlQuote(location) + u',' +
                    (classes.isEmpty() ? QStringLiteral("NULL") : sqlQuote(classes)) + QStringLiteral(",'0',") +
                    sqlQuote(remark) + u',' + sqlQuote(context_.session().operatorNo) + u',' + sqlQuote(no)) < 0 ||
        logOperation(context_, QStringLiteral("30007"), QString(), QString(), location + u'|' + classes) < 0 ||
        tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    Q_EMIT ChangeNotice::of(context_).batchesChanged(QStringLiteral("count_data"));
    return 0;
}

} // namespace kestra
