#include "inventory/CountLost.h"

#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/MessageKind.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "kit/CopyChecks.h"

namespace kestra {

namespace {

QList<QueryColumn> countLostColumns(AppContext &context)
{
    return {
        {QStringLiteral("财产号"), QStringLiteral("prop_no")},
        {QStringLiteral("条码号"), QStringLiteral("bar_code")},
        {QStringLiteral("索书号"), QStringLiteral("call_no")},
        {QStringLiteral("题名"), QStringLiteral("m_title")},
        {QStringLiteral("责任者"), QStringLiteral("m_author")},
        {QStringLiteral("出版社"), QStringLiteral("m_publisher")},
        {QStringLiteral("馆藏地"), QStringLiteral("dis_location"), query_format::location(context)},
        {QStringLiteral("书刊状态"), QStringLiteral("book_stat_code"), query_format::status()},
        {QStringLiteral("价格"), QStringLiteral("price"), query_format::money(), true},
        {QStringLiteral("排架号"), QStringLiteral("shelf_no")},
    };
}

bool countLostOutOfCollection(const QString &status)
{
    static const QStringList out = {
        QStringLiteral("33"), QStringLiteral("34"), QStringLiteral("35"), QStringLiteral("36"), QStringLiteral("37"),
        QStringLiteral("38"), QStringLiteral("39"), QStringLiteral("3A"), QStringLiteral("3B"),
    };
    return out.contains(status);
}

} // namespace

CountLost::CountLost(AppContext &context) : context_(context), rows_(countLostColumns(context)) {}

int CountLost::setLocation(const QString &location)
{
    location_ = location;
    batch_.clear();
    batches_ = QueryResult();
    if (context_.db().query(QStringLiteral("SELECT count_date,count_class,count_batch_no  FROM count_data  WHERE "
                                           "location=") +
                                sqlQuote(location) + QStringLiteral(" AND finish_flag='1' ORDER BY count_batch_no"),
                            batches_) < 0) {
        context_.db().showDbError();
        return -1;
    }
    return batches_.rowCount();
}

int CountLost::view()
{
    const QString loc = sqlQuote(location_);
    QString sql =
        QStringLiteral("SELECT indi_acct.prop_no, indi_acct.marc_rec_no, indi_acct.dis_location, indi_acct.call_no, "
                       "indi_acct.bar_code, indi_acct.book_stat_code, indi_acct.rec_flag_upt_date, indi_acct.price, "
                       "indi_acct.in_date, indi_acct.attachment, marc.m_title, marc.m_author, marc.m_publisher, "
                       "indi_acct.shelf_no FROM indi_acct,count_lost_copy,marc WHERE count_lost_copy.location=") +
        loc +
        QStringLiteral(" AND count_lost_copy.prop_no=indi_acct.prop_no AND count_lost_copy.flag='0' AND "
                       "indi_acct.marc_rec_no=marc.marc_rec_no");
    if (!batch_.isEmpty())
        sql += QStringLiteral(" AND count_lost_copy.count_batch_no=") + sqlQuote(batch_);
    if (minMisses_ > 0)
        sql += QStringLiteral(" AND count_lost_copy.prop_no IN  ( SELECT prop_no      FROM count_lost_copy     WHERE "
                              "location=") +
               loc + QStringLiteral(" AND flag='0' GROUP BY prop_no    HAVING count(prop_no)>= ") +
               QString::number(minMisses_) + QStringLiteral("  ) ");
    // Over every batch a copy missed twice is listed once.
    if (batch_.isEmpty())
        sql = QStringLiteral("SELECT DISTINCT") + sql.mid(6);
    sql += QStringLiteral(" ORDER BY indi_acct.prop_no ");
    declared_.clear();
    return rows_.load(context_, sql);
}

int CountLost::foundLater(const QString &barCode)
{
    if (batch_.isEmpty()) {
        context_.showMsg(QStringLiteral("E清点批次为不定时不能执行次操作"));
        return 1;
    }
    Session &db = context_.db();
    QueryResult copy;
    if (db.query(QStringLiteral("SELECT prop_no  FROM indi_acct  WHERE bar_code = ") + sqlQuote(barCode.trimmed()),
                 copy) < 0) {
        db.showDbError();
        return -1;
    }
    if (copy.rowCount() == 0) {
        context_.showMsg(QStringLiteral("EDC001"));
        return 1;
    }
    const QString prop = copy.text(0, 0);
    const QString where = QStringLiteral(" WHERE location= ") + sqlQuote(location_) + QStringLiteral(" AND prop_no= ") +
                          sqlQuote(prop) + QStringLiteral(" AND flag= '0' AND count_batch_no= ") + sqlQuote(batch_);
    QueryResult lost;
    QueryResult date;
    if (db.query(QStringLiteral("SELECT prop_no FROM count_lost_copy ") + where, lost) < 0 ||
        db.query(QStringLiteral("SELECT count_date FROM count_data WHERE count_batch_no=") + sqlQuote(batch_), date) <
            0) {
        db.showDbError();
        return -1;
    }
    if (lost.rowCount() == 0) {
        context_.showMsg(QStringLiteral("E该书不在清点丢失库中"));
        return 1;
    }
    Transaction tx(db);
    if (db.execute(QStringLiteral(" INSERT INTO wait_count_lst(location,prop_no,count_date,count_batch_no) VALUES( ") +
                   sqlQuote(location_) + QStringLiteral(", ") + sqlQuote(prop) + QStringLiteral(", ") +
                   sqlQuote(date.text(0, 0)) + QStringLiteral(", ") + sqlQuote(batch_) + u')') < 0 ||
        db.execute(QStringLiteral(" DELETE FROM count_lost_copy ") + where) < 0 || tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    context_.showMsg(QStringLiteral("I该书重新清点完成"));
    // The list is read again: the copy has left it.
    return view() < 0 ? -1 : 0;
}

int CountLost::declareLost()
{
    if (rows_.count() == 0)
        return 0;
    if (context_.showMsg(QStringLiteral("QDC010")) != AnswerOk)
        return 0;
    int declared = 0;
    for (int r = 0; r < rows_.count(); ++r) {
        ItemRow row;
        row.propNo = rows_.value(r, QStringLiteral("prop_no"));
        row.marcRecNo = rows_.value(r, QStringLiteral("marc_rec_no"));
        row.status = rows_.value(r, QStringLiteral("book_stat_code"));
        row.disLocation = rows_.value(r, QStringLiteral("dis_location"));
        if (countLostOutOfCollection(row.status) || declared_.contains(row.propNo))
            continue;
        ItemTransaction tx(context_);
        CirculationRow circ;
        const copy_check::Verdict v = copy_check::relocked(tx.lockCopy(row, &circ), {});
        if (v == copy_check::Verdict::Failed)
            return -1;
        if (v != copy_check::Verdict::Pass)
            continue;
        // Changed by another operator since the list was read.
        if (countLostOutOfCollection(row.status))
            continue;
        QString date;
        if (tx.serverDate(date) < 0)
            return -1;
        CopyChange c;
        c.propNo = row.propNo;
        c.status = QStringLiteral("3B");
        c.date = date;
        c.itemOperator = context_.session().operatorNo;
        if (tx.updateCopy(c) < 0)
            return -1;
        WriteTail tail;
        tail.lendableRecord = row.marcRecNo;
        tail.jobCode = QStringLiteral("305");
        if (tx.finish(tail) < 0)
            return -1;
        declared_.append(row.propNo);
        ++declared;
    }
    if (logOperation(context_, QStringLiteral("30010"), QString(), QString(),
                     context_.locationName(location_) + u'|' + batch_) < 0) {
        context_.db().showDbError();
        return -1;
    }
    context_.showMsg(QStringLiteral("ICM002"));
    return declared;
}

} // namespace kestra
