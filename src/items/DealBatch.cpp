#include "items/DealBatch.h"

#include "copies/ChangeNotice.h"
#include "copies/ItemCodes.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "kit/CopyColumns.h"

namespace kestra::deal_batch {

namespace {

QString q(const QString &text)
{
    return sqlQuote(text);
}

// One write of a batch operation: a suite procedure or a plain statement.
struct Write {
    bool proc;
    QString text;
};

Write proc(const char *name, const QStringList &args)
{
    return {true, QString::fromLatin1(name) + u' ' + args.join(u',')};
}

// The writes in one transaction, then the operation-log line when there is
// one; -1 after showing the error.
int writeAll(AppContext &context, const QList<Write> &writes, const QString &logCode, const DealBatch &b)
{
    Session &db = context.db();
    Transaction tx(db);
    for (const Write &w : writes) {
        if ((w.proc ? db.callProc(w.text) : db.execute(w.text)) < 0) {
            tx.rollback();
            db.showDbError();
            return -1;
        }
    }
    if ((!logCode.isEmpty() && logOperation(context, logCode, QString(), QString(), b.number, deal_type::name(b.type),
                                            context.locationName(b.location)) < 0) ||
        tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    Q_EMIT ChangeNotice::of(context).batchesChanged(QStringLiteral("deal_batch_lst"));
    return 0;
}

} // namespace

QString stateName(const QString &flag)
{
    return flag.trimmed() == QLatin1String("0") ? QStringLiteral("处理中") : QStringLiteral("处理结束");
}

QStringList listCells(AppContext &context, const QueryResult &rows, int row)
{
    return {rows.text(row, 0),
            cell::location(context, rows.text(row, 1)),
            deal_type::name(rows.text(row, 2)),
            rows.text(row, 3),
            rows.text(row, 4),
            stateName(rows.text(row, 5)),
            cell::staff(context, rows.text(row, 6)),
            rows.text(row, 7)};
}

bool numberAllowed(AppContext &context, const QString &number)
{
    const QString no = number.trimmed();
    if (no.isEmpty()) {
        context.showMsg(QStringLiteral("E处理批次不能能为空！"));
        return false;
    }
    for (const QChar c : no) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || c == u'\'' || c == u'"') {
            context.showMsg(QStringLiteral("E处理批次只能由字母、数字和符号组成，不能含空格、引号或汉字！"));
            return false;
        }
    }
    return true;
}

int read(AppContext &context, const QString &location, const QString &number, const QString &type, DealBatch &batch)
{
    QueryResult r;
    const QString sql = QStringLiteral(" SELECT deal_batch_no, location, deal_type_code, deal_bgn_date, "
                                       "deal_end_date, deal_stat_flag, remark FROM deal_batch_lst "
                                       " WHERE location=") +
                        q(location) + QStringLiteral(" AND deal_batch_no=") + q(number) +
                        QStringLiteral(" AND deal_type_code=") + q(type);
    if (context.db().query(sql, r) < 0) {
        context.db().showDbError();
        return -1;
    }
    if (r.rowCount() == 0)
        return 0;
    batch = DealBatch{r.text(0, 1), r.text(0, 0), r.text(0, 2), r.text(0, 6), r.text(0, 3), r.text(0, 4), r.text(0, 5)};
    return 1;
}

int amend(AppContext &context, const DealBatch &b, const QString &remark)
{
    const QString op = context.session().operatorNo;
    const QStringList call = {
        q(b.location),          q(b.number), q(b.type), QStringLiteral("NULL"), QStringLiteral("NULL"),
        QStringLiteral("NULL"), q(op),       q(remark)};
    return writeAll(context, {proc("LT_UPD_deal_batch_lst", call)}, QStringLiteral("30015"), b);
}

int remove(AppContext &context, const DealBatch &b, bool doneForm)
{
    if (!context.session().hasRight(QStringLiteral("3013"))) {
        context.showMsg(QStringLiteral("ECM5043013"));
        return 0;
    }
    if (context.showMsg(QStringLiteral("QCM003")) != AnswerOk)
        return 0;
    // A repair batch takes its check-back batch of the same number with it:
    // left behind, that batch would stop a new repair batch of the number
    // from being finished, and its rows would answer for another batch.
    const bool repair = b.type == deal_type::Repair;
    const QString checkBack = QString(deal_type::CheckBack);
    const QString checkBackRows = QStringLiteral(" deal_batch_no=") + q(b.number) + QStringLiteral(" AND location=") +
                                  q(b.location) + QStringLiteral(" AND deal_type_code=") + q(checkBack);
    Session &db = context.db();
    QueryResult n;
    if (db.query(QStringLiteral(" SELECT count(*) FROM deal_log  WHERE (deal_batch_no=") + q(b.number) +
                     QStringLiteral("   AND deal_type_code=") + q(b.type) + u')' +
                     (repair ? QStringLiteral(" OR (") + checkBackRows + u')' : QString()),
                 n) < 0) {
        db.showDbError();
        return -1;
    }
    if (n.number(0, 0) > 0) {
        const QString question =
            QStringLiteral("Q该批次存在已处理数据，如果删除批次则批次中的日志数据也将一起被删除，是否确认删除？") +
            (doneForm ? QStringLiteral("。") : QString());
        if (context.showMsg(question) != AnswerOk)
            return 0;
    }
    // The copies keep the status the batch gave them; only its log goes.
    QList<Write> statements = {
        {false, QStringLiteral(" DELETE FROM deal_log WHERE deal_batch_no=") + q(b.number) +
                    QStringLiteral(" AND deal_type_code=") + q(b.type)},
        proc("LT_DEL_deal_batch_lst", {q(b.location), q(b.number), q(b.type)}),
    };
    if (repair) {
        statements.append({false, QStringLiteral(" DELETE FROM deal_log WHERE") + checkBackRows});
        statements.append(proc("LT_DEL_deal_batch_lst", {q(b.location), q(b.number), q(checkBack)}));
    }
    return writeAll(context, statements, QStringLiteral("30016"), b) < 0 ? -1 : 1;
}

int finish(AppContext &context, DealBatch &b)
{
    if (b.finished()) {
        // A second finish would open the check-back batch twice.
        context.showMsg(QStringLiteral("I该批次已处理结束。"));
        return 0;
    }
    if (context.showMsg(QStringLiteral("QDC004")) != AnswerOk)
        return 0;
    const QString date = context.db().serverDate().left(10);
    const QString op = context.session().operatorNo;
    QList<Write> statements = {
        proc("LT_UPD_deal_batch_lst", {q(b.location), q(b.number), q(b.type), QStringLiteral("NULL"), q(date),
                                       QStringLiteral("'1'"), q(op), QStringLiteral("NULL")})};
    if (b.type == deal_type::Repair)
        statements.append(proc("LT_deal_batch_lst", {q(b.location), q(b.number), q(QString(deal_type::CheckBack)),
                                                     q(date), QStringLiteral("NULL"), QStringLiteral("'0'"), q(op),
                                                     q(QStringLiteral("修补回验用批次"))}));
    if (writeAll(context, statements, QString(), b) < 0)
        return -1;
    b.flag = QStringLiteral("1");
    b.endDate = date;
    return 1;
}

int reopen(AppContext &context, DealBatch &b)
{
    const bool repair = b.type == deal_type::Repair;
    // Only a repair batch has a check-back batch: a weeding batch that
    // shares its number with a repair batch must not look at, nor drop,
    // that repair batch's check-back.
    if (repair) {
        QueryResult n;
        if (context.db().query(QStringLiteral(" SELECT count(*) FROM deal_log WHERE location=") + q(b.location) +
                                   QStringLiteral(" AND deal_type_code='02' AND deal_batch_no=") + q(b.number),
                               n) < 0) {
            context.db().showDbError();
            return -1;
        }
        if (n.number(0, 0) > 0) {
            context.showMsg(QStringLiteral("EDC021"));
            return 0;
        }
    }
    if (context.showMsg(QStringLiteral("QDC003")) != AnswerOk)
        return 0;
    const QString op = context.session().operatorNo;
    QList<Write> statements = {
        proc("LT_UPD_deal_batch_lst", {q(b.location), q(b.number), q(b.type), QStringLiteral("NULL"),
                                       QStringLiteral("''"), QStringLiteral("'0'"), q(op), QStringLiteral("NULL")})};
    if (repair)
        statements.append(
            proc("LT_DEL_deal_batch_lst", {q(b.location), q(b.number), q(QString(deal_type::CheckBack))}));
    if (writeAll(context, statements, QString(), b) < 0)
        return -1;
    b.flag = QStringLiteral("0");
    b.endDate.clear();
    return 1;
}

} // namespace kestra::deal_batch
