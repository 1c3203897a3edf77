// The change by location: every copy of one status at one location, by a
// few set-based statements in one transaction.

#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "items/BookState.h"
#include "kit/CopyRunner.h"

namespace kestra {

int BookState::changeByLocation()
{
    if (mode_ != Mode::ByLocation)
        return 0;
    if (location_.isEmpty()) {
        context_.showMsg(QStringLiteral("E请选择馆藏地。"));
        return 0;
    }
    if (item_status::name(sourceStatus_).isEmpty()) {
        context_.showMsg(QStringLiteral("E请选择原书刊状态。"));
        return 0;
    }
    if (context_.showMsg(QStringLiteral("Q按地修改书刊状态不可恢复，是否继续？")) != AnswerOk)
        return 0;
    Session &db = context_.db();
    const QString loc = sqlQuote(location_);
    const QString source = sqlQuote(sourceStatus_);
    const QString copies =
        QStringLiteral(" WHERE dis_location=") + loc + QStringLiteral(" AND book_stat_code=") + source;
    QueryResult counted;
    if (db.query(QStringLiteral(" SELECT count(*) FROM indi_acct ") + copies, counted) < 0) {
        db.showDbError();
        return -1;
    }
    const int count = static_cast<int>(counted.number(0, 0));
    if (count == 0) {
        context_.showMsg(QStringLiteral("I该馆藏地无可修改书刊状态书刊。"));
        return 0;
    }
    const QString date = db.serverDate().left(10);
    if (date.size() < 10) {
        db.showDbError();
        return -1;
    }
    // The source status again is "不变" too: no status changes, so the
    // reservations and the circulation rows stay as they are.
    const bool unchanged = newStatus_ == book_state::Unchanged || newStatus_ == sourceStatus_;
    const QString target = unchanged ? sourceStatus_ : newStatus_;
    const QString next = sqlQuote(target);
    const QString flag = sqlQuote(opac_ ? QStringLiteral("1") : QStringLiteral("0"));
    // The same columns the copy procedures write: the status, the date and
    // the operator.
    const QString stamp = QStringLiteral(" ,rec_flag_upt_date=") + sqlQuote(date) + QStringLiteral(" ,resp_wkr=") +
                          sqlQuote(context_.session().operatorNo);
    const QString items = QStringLiteral(" WHERE location=") + loc + QStringLiteral(" AND book_stat_code=") + source;

    StepRunner steps(context_, QStringLiteral("正在按馆藏地修改书刊状态……"));
    if (!unchanged) {
        steps.add(QStringLiteral(" DELETE FROM preg_lst  WHERE location=") + loc +
                  QStringLiteral(" AND call_no IN  (SELECT call_no FROM indi_acct ") + copies + u')');
        steps.add(QStringLiteral(" DELETE FROM preg_arri_lst  WHERE prop_no IN  (SELECT prop_no FROM indi_acct ") +
                  copies + u')');
        steps.add(QStringLiteral(" UPDATE item SET  book_lend_flag='0'") + items +
                  QStringLiteral(" AND book_lend_flag='2'"));
        steps.add(QStringLiteral(" UPDATE item SET  book_stat_code=") + next + stamp + items);
    }
    // The lendable count of every title with a copy about to change,
    // counted as it will be once the copies have the new status. Counting
    // before the change confines the recount to those titles: afterwards
    // they could not be told from the titles that merely have other copies
    // of that status here (with 41 as the new status, every lendable title
    // of the location). Between two statuses other than 41 nothing changes.
    if (!unchanged && (sourceStatus_ == QLatin1String("41") || target == QLatin1String("41"))) {
        steps.add(QStringLiteral("update marc A set lendable_copies=  (select count(*) from indi_acct B "
                                 "    where A.marc_rec_no = B.marc_rec_no  and (CASE WHEN B.dis_location=") +
                  loc + QStringLiteral(" AND B.book_stat_code=") + source + QStringLiteral(" THEN ") + next +
                  QStringLiteral(" ELSE B.book_stat_code END)='41')   where marc_rec_no in "
                                 "       (select marc_rec_no from indi_acct ") +
                  copies + u')');
    }
    steps.add(QStringLiteral(" UPDATE indi_acct SET  book_stat_code=") + next + QStringLiteral(" ,indi_opac_flag=") +
              flag + stamp + copies);

    WriteTail tail;
    tail.jobCode = QStringLiteral("310");
    tail.titles = count;
    tail.copies = count;
    tail.logCode = QStringLiteral("30020");
    tail.data1 = context_.codes().locationName(location_);
    tail.data2 = item_status::name(sourceStatus_);
    tail.data3 = item_status::name(target);
    switch (steps.run(tail)) {
    case StepRunner::Result::Stopped:
        return 0;
    case StepRunner::Result::Failed:
        return -1;
    case StepRunner::Result::Done:
        break;
    }
    context_.showMsg(QStringLiteral("I%1本书刊修改书刊状态完成。").arg(count));
    return count;
}

} // namespace kestra
