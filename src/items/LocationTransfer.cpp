#include "items/LocationTransfer.h"

#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "kit/CopyRunner.h"

namespace kestra {

namespace {

// The copies a run moves, as a FROM ... WHERE over indi_acct (and marc when
// one document type is chosen).
QString copiesFromWhere(const TransferPlan &plan)
{
    QString sql = plan.docType.isEmpty() ? QStringLiteral(" FROM indi_acct ") : QStringLiteral(" FROM indi_acct,marc ");
    sql += QStringLiteral(" WHERE indi_acct.dis_location=") + sqlQuote(plan.source);
    if (!plan.docType.isEmpty())
        sql += QStringLiteral(" AND indi_acct.marc_rec_no=marc.marc_rec_no AND marc.doc_type_code=") +
               sqlQuote(plan.docType);
    return sql;
}

QString copies(const TransferPlan &plan, const char *column)
{
    return QStringLiteral("(SELECT indi_acct.") + QLatin1String(column) + copiesFromWhere(plan) + u')';
}

// Whether the row of another table (its accession number in `column`) is
// one of the copies: probed per row of that table, for the tables that are
// small beside the set of copies (loans, open loan history rows).
QString isCopy(const TransferPlan &plan, const QString &column)
{
    QString sql = QStringLiteral(" EXISTS (SELECT 1") + copiesFromWhere(plan);
    return sql + QStringLiteral(" AND indi_acct.prop_no=") + column + u')';
}

} // namespace

QStringList LocationTransfer::statements(const TransferPlan &plan, const Stamp &stamp)
{
    const QString src = sqlQuote(plan.source);
    const QString dst = sqlQuote(plan.destination);
    const QString date = sqlQuote(stamp.date);
    const QString op = sqlQuote(stamp.operatorNo);
    const bool typed = !plan.docType.isEmpty();
    const bool restatus = !plan.newStatus.isEmpty();
    const QString props = copies(plan, "prop_no");
    QStringList steps;
    steps << QStringLiteral(" UPDATE preg_lst  SET preg_flag='2' WHERE location=") + src +
                 (typed ? QStringLiteral(" AND call_no IN ") + copies(plan, "call_no") : QString())
          << (typed ? QStringLiteral(" UPDATE preg_arri_lst  SET pregarri_deal_flag='2' WHERE prop_no IN ") + props
                    : QStringLiteral(" UPDATE preg_arri_lst  SET pregarri_deal_flag='2' WHERE location_f=") + src)
          // The loans and the circulation rows are those of the copies, not
          // of the location their rows name: a row that disagrees with its
          // copy must not stay behind, nor another location's be moved.
          << QStringLiteral(" UPDATE lend_lst SET  location_f=") + dst + QStringLiteral(" WHERE") +
                 isCopy(plan, QStringLiteral("lend_lst.prop_no"))
          << QStringLiteral(" UPDATE lend_hist SET  location_f=") + dst +
                 QStringLiteral(" WHERE ret_date IS NULL AND") + isCopy(plan, QStringLiteral("lend_hist.prop_no_f"))
          // One pass over the circulation rows: an arrived reservation's
          // flag is dropped with the move.
          << QStringLiteral(" UPDATE item SET  location=") + dst + QStringLiteral(", rec_flag_upt_date=") + date +
                 QStringLiteral(", resp_wkr=") + op +
                 (restatus ? QStringLiteral(" ,book_stat_code=") + sqlQuote(plan.newStatus) : QString()) +
                 QStringLiteral(" ,book_lend_flag=CASE WHEN book_lend_flag='2' THEN '0' ELSE book_lend_flag END") +
                 QStringLiteral(" WHERE prop_no IN ") + props;
    if (!plan.batchNo.isEmpty()) {
        steps << QStringLiteral(" INSERT INTO goto_detl(batch_no,prop_no,src_book_stat,dst_book_stat,deal_date,wkr_no,"
                                "src_loca) SELECT ") +
                     QStringList{sqlQuote(plan.batchNo),
                                 QStringLiteral("indi_acct.prop_no"),
                                 QStringLiteral("indi_acct.book_stat_code"),
                                 restatus ? sqlQuote(plan.newStatus) : QStringLiteral("indi_acct.book_stat_code"),
                                 date,
                                 op,
                                 src}
                         .join(u',') +
                     copiesFromWhere(plan);
    }
    steps << QStringLiteral("insert into log_detl(log_type,log_date,log_time,wkr_no,computer,location_name,"
                            "marc_rec_no,prop_no,data1,data2,data3) (select '30013',") +
                 QStringList{date,
                             sqlQuote(stamp.time),
                             op,
                             sqlQuote(stamp.computer),
                             sqlQuote(stamp.locationName),
                             QStringLiteral("indi_acct.marc_rec_no"),
                             QStringLiteral("indi_acct.prop_no"),
                             sqlQuote(stamp.logText),
                             QStringLiteral("NULL"),
                             QStringLiteral("NULL")}
                     .join(u',') +
                 copiesFromWhere(plan) + u')';
    // The lendable count of the titles whose copies move, counted before the
    // copies leave the source: afterwards they could not be told from the
    // copies already at the destination. Every copy of such a title at the
    // source moves (with a document type too: a title has one type), so it
    // counts with the new status. Without a new status no count changes.
    if (restatus) {
        steps << QStringLiteral("update marc A set lendable_copies=  (select count(*) from indi_acct B "
                                "    where A.marc_rec_no = B.marc_rec_no  and (CASE WHEN B.dis_location=") +
                     src + QStringLiteral(" THEN ") + sqlQuote(plan.newStatus) +
                     QStringLiteral(" ELSE B.book_stat_code END)='41')   where marc_rec_no in ") +
                     copies(plan, "marc_rec_no");
    }
    steps << QStringLiteral(" UPDATE indi_acct SET  dis_location=") + dst + QStringLiteral(", rec_flag_upt_date=") +
                 date + QStringLiteral(", resp_wkr=") + op +
                 (restatus ? QStringLiteral(" ,book_stat_code=") + sqlQuote(plan.newStatus) : QString()) +
                 (typed ? QStringLiteral(" WHERE prop_no IN ") + props : QStringLiteral(" WHERE dis_location=") + src);
    return steps;
}

int LocationTransfer::run(const TransferPlan &plan)
{
    if (plan.source.isEmpty() || plan.source == transfer::AllLocations) {
        context_.showMsg(QStringLiteral("E按地调拨原馆藏地不能选择所有馆藏地"));
        return 0;
    }
    if (plan.destination.isEmpty()) {
        context_.showMsg(QStringLiteral("EDC018"));
        return 0;
    }
    if (plan.destination == plan.source) {
        context_.showMsg(QStringLiteral("E新馆藏地不能与原馆藏地相同"));
        return 0;
    }
    if (context_.showMsg(QStringLiteral("Q按地调拨不可恢复，是否继续？")) != AnswerOk)
        return 0;
    Session &db = context_.db();
    QueryResult counted;
    if (db.query(QStringLiteral(" SELECT count(*) ") + copiesFromWhere(plan), counted) < 0) {
        db.showDbError();
        return -1;
    }
    const int count = static_cast<int>(counted.number(0, 0));
    if (count == 0) {
        context_.showMsg(QStringLiteral("I该馆藏地无可调拨书刊。"));
        return 0;
    }
    const QString now = db.serverDate();
    if (now.size() < 18) {
        db.showDbError();
        return -1;
    }
    const SessionValues &s = context_.session();
    const Stamp stamp{now.left(10),
                      now.mid(10),
                      s.operatorNo,
                      s.workstation,
                      context_.locationName(s.currentLocation),
                      transferLogText(context_.codes(), plan.source, plan.destination, plan.docType)};
    StepRunner runner(context_, QStringLiteral("正在执行书刊调拨"));
    for (const QString &sql : statements(plan, stamp))
        runner.add(sql);
    WriteTail tail;
    tail.jobCode = QStringLiteral("309");
    tail.titles = count;
    tail.copies = count;
    const StepRunner::Result result = runner.run(tail);
    if (result == StepRunner::Result::Failed)
        return -1;
    if (result == StepRunner::Result::Stopped)
        return 0;
    context_.showMsg(QStringLiteral("I本书刊调拨完成。"));
    return count;
}

} // namespace kestra
