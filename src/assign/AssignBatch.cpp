// The batch assignment's set-based statements, the scanned assignment and
// the summary of where a title's copies went.

#include "assign/AssignBatch.h"

#include "assign/NewBookAssign.h"
#include "copies/ChangeNotice.h"
#include "copies/ItemWrite.h"
#include "copies/ReaderNotices.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "db/Backend.h"
#include "kit/CellText.h"

#include <QMap>
#include <QRegularExpression>

namespace kestra {

namespace {

// Copies in a special state are no new books: repair, weeded, lost ...
const QString &assignBatchUnlocked()
{
    static const QString clause = QStringLiteral(" AND (book_stat_code IS NULL OR book_stat_code NOT IN "
                                                 "('33','34','35','36','37','38','39','3A','3B'))");
    return clause;
}

// The batch's copies (of the subscriber) that the assignment takes, as a
// condition over indi_acct.
QString assignBatchCondition(const AssignTarget &t)
{
    QString scope = QStringLiteral("move_batch=") + sqlQuote(t.moveBatch);
    if (!t.subscriber.isEmpty())
        scope += QStringLiteral(" AND location=") + sqlQuote(t.subscriber);
    return scope + assignBatchUnlocked();
}

QString assignBatchScope(const AssignTarget &t)
{
    return QStringLiteral(" WHERE ") + assignBatchCondition(t);
}

// The readers of the orders of `copies` (a condition over indi_acct) told
// once, each mail naming the first copy of its order in the batch.
QStringList assignBatchNotices(const AssignTarget &t, const QString &copies, const QString &today)
{
    return readerNoticeStatements(NoticeScope{copies, QStringLiteral("move_batch=") + sqlQuote(t.moveBatch)}, today);
}

} // namespace

QStringList assignBatchStatements(const AssignTarget &t, const QString &today, const QString &operatorNo)
{
    const QString scope = assignBatchScope(t);
    const QString op = sqlQuote(operatorNo);
    const QString day = sqlQuote(today);
    QString set;
    if (!t.location.isEmpty())
        set += QStringLiteral(" dis_location=") + sqlQuote(t.location) + u',';
    if (!t.status.isEmpty())
        set += QStringLiteral(" book_stat_code=") + sqlQuote(t.status) + u',';
    set += QStringLiteral(" rec_flag_upt_date=") + day + QStringLiteral(", resp_wkr=") + op;
    QStringList out = {
        QStringLiteral(" UPDATE indi_acct SET  in_date=") + day + u',' + set + scope +
            QStringLiteral(" AND in_date IS NULL "),
        QStringLiteral(" UPDATE indi_acct SET ") + set + scope + QStringLiteral(" AND in_date IS NOT NULL "),
    };
    const QString copies = QStringLiteral(" (SELECT prop_no FROM indi_acct ") + scope + QLatin1Char(')');
    if (t.release) {
        // The intake date of the new circulation row is the copy's own, as
        // the statements above have just kept or set it.
        out.append(QStringLiteral(" INSERT INTO item(prop_no,marc_rec_no,carrier_code,call_no,bar_code,"
                                  " book_lend_flag,year,vol_peri,price,year_circ_times,total_circ_times,attachment,"
                                  " location,book_stat_code,in_date,rec_flag_upt_date,reg_day,resp_wkr) "
                                  " SELECT prop_no,marc_rec_no,carrier_code,call_no,bar_code,'0', year,vol_peri,price,"
                                  "0,0,attachment, dis_location, book_stat_code, in_date, ") +
                   day + u',' + day + u',' + op + QStringLiteral("  FROM indi_acct ") + scope +
                   // Not "prop_no NOT IN (SELECT prop_no FROM item)": the
                   // same rows (the key is never null), but PostgreSQL
                   // scans every circulation row for each copy once the
                   // key list outgrows its work memory.
                   QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM item WHERE item.prop_no=indi_acct.prop_no) "));
        QString itemSet;
        if (!t.location.isEmpty())
            itemSet += QStringLiteral(" location=") + sqlQuote(t.location) + u',';
        if (!t.status.isEmpty())
            itemSet += QStringLiteral(" book_stat_code=") + sqlQuote(t.status) + u',';
        out.append(QStringLiteral(" UPDATE item SET ") + itemSet + QStringLiteral(" rec_flag_upt_date=") + day +
                   QStringLiteral(", resp_wkr=") + op + QStringLiteral("  WHERE prop_no IN ") + copies);
    } else {
        out.append(QStringLiteral(" DELETE FROM item  WHERE prop_no IN ") + copies);
    }
    QString docs = QStringLiteral(" UPDATE transfer_doc SET  store_flag='1', store_wkr=") + op +
                   QStringLiteral(" WHERE move_batch=") + sqlQuote(t.moveBatch);
    if (!t.subscriber.isEmpty())
        docs += QStringLiteral(" AND marc_rec_no IN  (SELECT marc_rec_no FROM indi_acct  WHERE location=") +
                sqlQuote(t.subscriber) + QStringLiteral(" AND move_batch=") + sqlQuote(t.moveBatch) + u')';
    out.append(docs);
    out.append(assignBatchNotices(t, assignBatchCondition(t), today));
    out.append(QStringLiteral("update marc A set lendable_copies=  (select count(*) from indi_acct B "
                              "    where A.marc_rec_no = B.marc_rec_no  and B.book_stat_code='41') "
                              "  where marc_rec_no in (select marc_rec_no from transfer_doc where move_batch=") +
               sqlQuote(t.moveBatch) + u')');
    return out;
}

int assignWholeBatch(AppContext &context, const AssignTarget &t)
{
    if (!context.session().hasRight(QStringLiteral("3020"))) {
        context.showMsg(QStringLiteral("ECM5043020"));
        return 0;
    }
    if (t.moveBatch.isEmpty())
        return 0;
    if (context.params().isOn(47) && t.subscriber.isEmpty()) {
        showAssignMessage(context, QStringLiteral("W分馆模式下订户不能选择为不定！"));
        return 0;
    }
    Session &db = context.db();
    const QString scope = assignBatchScope(t);
    if (t.release) {
        QueryResult unlabelled;
        if (db.query(QStringLiteral("SELECT count(*) FROM indi_acct ") + scope +
                         QStringLiteral(" AND bar_code IS NULL"),
                     unlabelled) < 0) {
            db.showDbError();
            return -1;
        }
        if (unlabelled.text(0, 0).toInt() > 0) {
            showAssignMessage(context, QStringLiteral("W送交流通的书刊必须分配条码号！（该批次有%1册书没有条码号）")
                                           .arg(unlabelled.text(0, 0)));
            return 0;
        }
    }
    if (context.showMsg(QStringLiteral("Q批量分配操作是针对选择批次下所有数据，是否继续？")) != AnswerOk)
        return 0;
    Transaction tx(db);
    const QString today = db.serverDate().left(10);
    auto failed = [&]() {
        tx.rollback();
        db.showDbError();
        return -1;
    };
    if (today.isEmpty())
        return failed();
    QueryResult counts;
    if (db.query(QStringLiteral(" SELECT COUNT(DISTINCT marc_rec_no), COUNT(*) FROM indi_acct ") + scope, counts) < 0)
        return failed();
    for (const QString &sql : assignBatchStatements(t, today, context.session().operatorNo)) {
        if (db.execute(sql) < 0)
            return failed();
    }
    if (logWorkQty(context, QStringLiteral("301"), counts.number(0, 0), counts.number(0, 1), 0) < 0 ||
        logOperation(context, QStringLiteral("30002"), QString(), QString(), t.moveBatch) < 0)
        return failed();
    if (tx.commit() < 0) {
        db.showDbError();
        return -1;
    }
    Q_EMIT ChangeNotice::of(context).copiesChanged({});
    context.showMsg(QStringLiteral("I批量分配完成。"));
    return 1;
}

AssignLocation::AssignLocation(AppContext &context, const BarcodeSettings &barcode)
    : context_(context), normaliser_(barcode, context.preferences().sdsd != 0),
      list_({{QStringLiteral("财产号"), [](const ScannedCopy &c) { return c.propNo; }},
             {QStringLiteral("条码号"), [](const ScannedCopy &c) { return c.barCode; }},
             {QStringLiteral("索书号"), [](const ScannedCopy &c) { return c.callNo; }},
             {QStringLiteral("题名"), [](const ScannedCopy &c) { return c.title; }},
             {QStringLiteral("责任者"), [](const ScannedCopy &c) { return c.author; }},
             {QStringLiteral("出版者"), [](const ScannedCopy &c) { return c.publisher; }},
             {QStringLiteral("价格"), [](const ScannedCopy &c) { return c.price; }, true}},
            false)
{}

int AssignLocation::enter(const QString &text, InputType type)
{
    const QString code = normaliser_.normalise(text, type);
    if (code.isEmpty() || target_.moveBatch.isEmpty() || target_.location.isEmpty() || target_.status.isEmpty())
        return 0;
    const bool byBar = type == InputType::Barcode;
    for (const ScannedCopy &c : list_.rows()) {
        if ((byBar ? c.barCode : c.propNo) == code) {
            context_.showMsg(QStringLiteral("E该书已在列表中"));
            return 0;
        }
    }
    const QString key =
        (byBar ? QStringLiteral("indi_acct.bar_code=") : QStringLiteral("indi_acct.prop_no=")) + sqlQuote(code);
    ItemTransaction tx(context_);
    Session &db = tx.db();
    // The copy is locked and read inside the transaction that assigns it,
    // so its checks hold for what is written.
    if (db.backend() != nullptr && db.backend()->kind() == BackendTarget::Kind::Sqlite &&
        tx.execute(QStringLiteral(" UPDATE indi_acct SET resp_wkr=resp_wkr WHERE ") + key) < 0)
        return -1;
    QueryResult r;
    if (db.query(QStringLiteral("SELECT indi_acct.prop_no, indi_acct.bar_code, indi_acct.call_no, indi_acct.price, "
                                "indi_acct.marc_rec_no, indi_acct.location, indi_acct.move_batch, "
                                "indi_acct.book_stat_code, indi_acct.in_date, marc.marc_use_flag, marc.m_title, "
                                "marc.m_author, marc.m_publisher, indi_acct.asord_no "
                                "FROM indi_acct,marc WHERE ") +
                     key + QStringLiteral(" AND indi_acct.marc_rec_no=marc.marc_rec_no"),
                 r) < 0)
        return tx.fail();
    auto refuse = [&](const QString &message) {
        tx.cancel();
        showAssignMessage(context_, message);
        return 0;
    };
    if (r.rowCount() == 0)
        return refuse(byBar ? QStringLiteral("E该条码号不存在") : QStringLiteral("E该财产号不存在"));
    ScannedCopy copy{r.text(0, 0),  r.text(0, 1),  r.text(0, 2), r.text(0, 10),
                     r.text(0, 11), r.text(0, 12), r.text(0, 3)};
    const QString marcRecNo = r.text(0, 4);
    if (r.text(0, 6) != target_.moveBatch)
        return refuse(QStringLiteral("E该书不属于本交接批次"));
    if (r.text(0, 5) != target_.subscriber)
        return refuse(QStringLiteral("E该书不属于本订户"));
    if (r.text(0, 9).left(1) < u"3")
        return refuse(QStringLiteral("E该书不是已编或者审校状态"));
    if (lockedForAssignment(r.text(0, 7)))
        return refuse(QStringLiteral("I该书处于不可修改状态，请在书刊特别状态处理模块中处理！"));
    if (target_.release && copy.barCode.isEmpty())
        return refuse(QStringLiteral("W送交流通的书刊必须分配条码号！"));
    QString today;
    if (tx.serverDate(today) < 0)
        return -1;
    const QString op = context_.session().operatorNo;
    const QString inDate = r.text(0, 8);
    if (tx.callProc(QStringLiteral("update10_indi_acct ") +
                    positionalArgs(22, {{1, copy.propNo},
                                        {13, copy.barCode},
                                        {14, inDate.isEmpty() ? today : QString()},
                                        {15, target_.status},
                                        {16, today},
                                        {19, op},
                                        {22, target_.location}})) < 0)
        return -1;
    tx.touched(copy.propNo);
    const QString p = sqlQuote(copy.propNo);
    if (!target_.release) {
        if (tx.callProc(QStringLiteral("delete01_item ") + p) < 0)
            return -1;
    } else {
        QueryResult item;
        if (db.query(QStringLiteral("SELECT item.prop_no FROM item WHERE prop_no=") + p, item) < 0)
            return tx.fail();
        const QString call = item.rowCount() > 0
                                 ? QStringLiteral("update01_item ") + positionalArgs(22, {{1, copy.propNo},
                                                                                          {4, target_.location},
                                                                                          {5, copy.barCode},
                                                                                          {7, target_.status},
                                                                                          {17, today},
                                                                                          {22, op}})
                                 : QStringLiteral("insert_item ") +
                                       positionalArgs(22, {{1, copy.propNo},
                                                           {2, marcRecNo},
                                                           {3, copy.callNo},
                                                           {4, target_.location},
                                                           {5, copy.barCode},
                                                           {7, target_.status},
                                                           {8, QStringLiteral("0")},
                                                           {11, copy.price},
                                                           {13, (inDate.isEmpty() ? today : inDate).left(10)},
                                                           {14, QStringLiteral("0")},
                                                           {15, QStringLiteral("0")},
                                                           {17, today},
                                                           {19, today},
                                                           {22, op}});
        if (tx.callProc(call) < 0)
            return -1;
    }
    if (tx.callProc(QStringLiteral("update02_transfer_doc ") + sqlQuote(marcRecNo) + u',' +
                    sqlQuote(target_.moveBatch) + QStringLiteral(",'1',") + sqlQuote(op)) < 0)
        return -1;
    const QString asord = r.text(0, 13);
    if (!asord.isEmpty()) {
        // The batch's notices limited to this copy's order.
        for (const QString &sql : assignBatchNotices(target_, QStringLiteral("prop_no=") + p, today)) {
            if (tx.execute(sql) < 0)
                return -1;
        }
    }
    WriteTail tail;
    tail.lendableRecord = marcRecNo;
    tail.jobCode = QStringLiteral("301");
    tail.logCode = QStringLiteral("30003");
    tail.marcRecNo = marcRecNo;
    tail.propNo = copy.propNo;
    if (tx.finish(tail) < 0)
        return -1;
    list_.append(copy);
    return 1;
}

int AssignLocation::view()
{
    if (target_.moveBatch.isEmpty() ||
        context_.showMsg(QStringLiteral("Q是否确定查看已典完的书刊？（将会清空当前列表中的内容）")) != AnswerOk)
        return 0;
    QueryResult r;
    if (context_.db().query(
            QStringLiteral("SELECT indi_acct.prop_no, indi_acct.bar_code, indi_acct.call_no, marc.m_title, "
                           "marc.m_author, marc.m_publisher, indi_acct.price FROM indi_acct,marc "
                           "WHERE indi_acct.move_batch=") +
                sqlQuote(target_.moveBatch) + QStringLiteral(" AND indi_acct.location=") +
                sqlQuote(target_.subscriber) + QStringLiteral(" AND indi_acct.dis_location=") +
                sqlQuote(target_.location) +
                QStringLiteral(" AND substr(indi_acct.book_stat_code,1,1)<>'1' "
                               "AND indi_acct.marc_rec_no=marc.marc_rec_no ORDER BY indi_acct.prop_no"),
            r) < 0) {
        context_.db().showDbError();
        return -1;
    }
    QList<ScannedCopy> rows;
    for (int i = 0; i < r.rowCount(); ++i)
        rows.append({r.text(i, 0), r.text(i, 1), r.text(i, 2), r.text(i, 3), r.text(i, 4), r.text(i, 5), r.text(i, 6)});
    list_.reset(std::move(rows));
    return 1;
}

int AssignLocation::clear()
{
    if (list_.isEmpty() || context_.showMsg(QStringLiteral("Q是否确定清空当前列表中的内容？")) != AnswerOk)
        return 0;
    list_.reset();
    return 1;
}

QList<AssignedPlace> assignedPlaces(AppContext &context, const QString &marcRecNo, bool *ok)
{
    QueryResult r;
    const int rc = context.db().query(
        QStringLiteral("SELECT prop_no,dis_location,year,vol_peri FROM indi_acct WHERE marc_rec_no=") +
            sqlQuote(marcRecNo) + QStringLiteral(" ORDER BY location,prop_no"),
        r);
    if (ok != nullptr)
        *ok = rc >= 0;
    if (rc < 0) {
        context.db().showDbError();
        return {};
    }
    // Locations in the order their first copy comes.
    QStringList order;
    QMap<QString, QStringList> entries;
    for (int i = 0; i < r.rowCount(); ++i) {
        const QString location = r.text(i, 1);
        if (!entries.contains(location))
            order.append(location);
        QString entry = r.text(i, 0);
        const QString yv = QStringList{r.text(i, 2), r.text(i, 3)}
                               .filter(QRegularExpression(QStringLiteral("\\S")))
                               .join(QStringLiteral(" - "));
        if (!yv.isEmpty())
            entry += u'(' + yv + u')';
        entries[location].append(entry);
    }
    QList<AssignedPlace> out;
    for (const QString &location : order) {
        const QStringList &list = entries.value(location);
        out.append({cell::location(context, location),
                    QStringLiteral("%1册: ").arg(list.size()) + list.join(QStringLiteral("; "))});
    }
    return out;
}

} // namespace kestra
