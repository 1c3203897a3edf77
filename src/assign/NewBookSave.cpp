// The new-book window's writes: the save of a title, its undo, the marks of
// ShowExist and the search for titles.

#include "assign/NewBookAssign.h"

#include "copies/ItemWrite.h"
#include "copies/ReaderNotices.h"
#include "core/AppContext.h"
#include "core/MessageKind.h"
#include "core/Preferences.h"
#include "core/Session.h"
#include "db/Backend.h"
#include "marc/MarcText.h"

#include <QSet>

namespace kestra {

namespace {

QString inListOf(const QStringList &values)
{
    QStringList quoted;
    for (const QString &v : values)
        quoted.append(sqlQuote(v));
    return QLatin1Char('(') + quoted.join(u',') + QLatin1Char(')');
}

// Locks the title's copies and their circulation rows until the commit and
// reads them again, so that what the save decides (which copies have a
// circulation row, which keep their intake date, whether another operator
// changed them since they were shown) is what it writes over. SQLite has one
// writer: the transaction takes it here, before the reads, with a column
// that is no key (writing the key, even unchanged, makes SQLite look for the
// copies in every table that refers to them, the stock-taking lists too).
int lockTitleCopies(ItemTransaction &tx, const QString &inList, QueryResult &copies, QueryResult &items)
{
    Session &db = tx.db();
    if (db.backend() != nullptr && db.backend()->kind() == BackendTarget::Kind::Sqlite &&
        tx.execute(QStringLiteral(" UPDATE indi_acct SET resp_wkr=resp_wkr WHERE prop_no IN ") + inList) < 0)
        return -1;
    const QString lock = QStringLiteral(" FOR UPDATE WAIT %1").arg(std::max(1, (db.lockTimeout() + 999) / 1000));
    if (db.query(QStringLiteral(" SELECT prop_no,bar_code,book_stat_code,dis_location,in_date FROM indi_acct "
                                "WHERE prop_no IN ") +
                     inList + lock,
                 copies) < 0 ||
        db.query(QStringLiteral(" SELECT prop_no,total_circ_times FROM item WHERE prop_no IN ") + inList + lock,
                 items) < 0)
        return tx.fail();
    return 0;
}

} // namespace

QString NewBookAssign::copyBatch() const
{
    if (mode_ == Mode::Batch)
        return batch_;
    return copies_.isEmpty() ? QString() : copies_.at(0).moveBatch;
}

int NewBookAssign::save()
{
    const AssignTitle *title = currentTitle();
    if (title == nullptr || copies_.isEmpty() || !mayEdit())
        return 0;
    const QList<AssignRow> rows = copies_.rows();
    for (const AssignRow &row : rows) {
        if (context_.preferences().bookStat == u"1" && row.status == u"16") {
            showAssignMessage(context_, QStringLiteral("W书刊状态不能为在编。"));
            return 0;
        }
    }
    for (const AssignRow &row : rows) {
        if (row.release && row.barCode.trimmed().isEmpty() && !lockedForAssignment(row.status)) {
            showAssignMessage(context_, QStringLiteral("W送交流通的书刊必须分配条码号。"));
            return 0;
        }
    }
    const QString marcRecNo = title->marcRecNo;
    const QString op = context_.session().operatorNo;
    QStringList props;
    for (const AssignRow &row : rows)
        props.append(row.propNo);
    const QString inList = inListOf(props);

    ItemTransaction tx(context_);
    QString today;
    QueryResult stored;
    QueryResult items;
    if (tx.serverDate(today) < 0 || lockTitleCopies(tx, inList, stored, items) < 0)
        return -1;
    // Another operator (or the batch assignment) saved these copies since
    // they were shown: writing the grid now would undo their bar codes and
    // locations. The title is read again for the operator to look at.
    for (const AssignRow &row : rows) {
        const int at = stored.findRow(0, row.propNo);
        if (at < 0 || stored.text(at, 1) != row.seenBarCode || stored.text(at, 2) != row.seenStatus ||
            stored.text(at, 3) != row.seenDisLocation || (items.findRow(0, row.propNo) >= 0) != row.seenRelease) {
            tx.cancel();
            showAssignMessage(context_, QStringLiteral("W该种书已被其他操作员修改，已重新读取，请核对后再保存。"));
            reloadCopies();
            return 0;
        }
    }
    const QString batch = copyBatch();
    if (!batch.isEmpty() && tx.callProc(QStringLiteral("update02_transfer_doc ") + sqlQuote(marcRecNo) + u',' +
                                        sqlQuote(batch) + QStringLiteral(",'1',") + sqlQuote(op)) < 0)
        return -1;
    QStringList orders;
    int written = 0;
    for (const AssignRow &row : rows) {
        // A copy in a special state belongs to its own processing form.
        if (lockedForAssignment(row.status))
            continue;
        ++written;
        const QString inDate = stored.text(stored.findRow(0, row.propNo), 4);
        const QString intake = inDate.isEmpty() ? today : inDate;
        int rc = 0;
        if (!row.release) {
            rc = tx.callProc(QStringLiteral("delete01_item ") + sqlQuote(row.propNo));
        } else if (items.findRow(0, row.propNo) >= 0) {
            rc = tx.callProc(QStringLiteral("update01_item ") + positionalArgs(22, {{1, row.propNo},
                                                                                    {3, row.callNo},
                                                                                    {4, row.disLocation},
                                                                                    {5, row.barCode},
                                                                                    {7, row.status},
                                                                                    {17, today},
                                                                                    {22, op}}));
        } else {
            rc = tx.callProc(QStringLiteral("insert_item ") + positionalArgs(22, {{1, row.propNo},
                                                                                  {2, row.marcRecNo},
                                                                                  {3, row.callNo},
                                                                                  {4, row.disLocation},
                                                                                  {5, row.barCode},
                                                                                  {6, row.carrier},
                                                                                  {7, row.status},
                                                                                  {8, QStringLiteral("0")},
                                                                                  {9, row.year},
                                                                                  {10, row.volPeri},
                                                                                  {11, row.price},
                                                                                  {12, row.attachment},
                                                                                  {13, intake.left(10)},
                                                                                  {14, QStringLiteral("0")},
                                                                                  {15, QStringLiteral("0")},
                                                                                  {17, today},
                                                                                  {19, today},
                                                                                  {22, op}}));
        }
        // The intake date is set where none exists and kept otherwise.
        if (rc < 0 || tx.callProc(QStringLiteral("update10_indi_acct ") +
                                  positionalArgs(22, {{1, row.propNo},
                                                      {11, row.remark},
                                                      {13, row.barCode},
                                                      {14, inDate.isEmpty() ? today : QString()},
                                                      {15, row.status},
                                                      {16, today},
                                                      {19, op},
                                                      {22, row.disLocation}})) < 0)
            return -1;
        tx.touched(row.propNo);
        if (!row.asordNo.trimmed().isEmpty() && !orders.contains(row.asordNo))
            orders.append(row.asordNo);
    }
    // The readers who asked for the title through its orders, told once,
    // each mail naming the title's first copy of its order. The requests
    // are locked by the title's copies, so a second save meets them answered.
    if (!orders.isEmpty()) {
        const NoticeScope scope{QStringLiteral("marc_rec_no=") + sqlQuote(marcRecNo) +
                                    QStringLiteral(" AND asord_no IN ") + inListOf(orders),
                                QStringLiteral("marc_rec_no=") + sqlQuote(marcRecNo)};
        for (const QString &sql : readerNoticeStatements(scope, today)) {
            if (tx.execute(sql) < 0)
                return -1;
        }
    }
    WriteTail tail;
    tail.lendableRecord = marcRecNo;
    tail.jobCode = QStringLiteral("301");
    tail.copies = written;
    tail.logCode = QStringLiteral("30001");
    tail.marcRecNo = marcRecNo;
    writing_ = true;
    const int finished = tx.finish(tail);
    writing_ = false;
    if (finished < 0)
        return -1;

    if (context_.preferences().suggest == u"1" && !orders.isEmpty()) {
        QueryResult asked;
        const QString in = inListOf(orders);
        if (context_.db().query(QStringLiteral("SELECT (SELECT count(*) FROM recm_doc WHERE asord_no IN ") + in +
                                    QStringLiteral(")+(SELECT count(*) FROM suggest WHERE asord_no IN ") + in +
                                    QStringLiteral(") FROM dual"),
                                asked) >= 0 &&
            asked.text(0, 0).toInt() > 0)
            context_.showMsg(QStringLiteral("I该书有读者荐购，如提供优先借阅功能，可将该书放入优先借阅书架暂存。"));
    }
    AssignTitle done = *title;
    done.storeFlag = QStringLiteral("1");
    titles_.replace(position_, done);
    reloadCopies();
    return 1;
}

int NewBookAssign::undo()
{
    const AssignTitle *title = currentTitle();
    if (title == nullptr || !mayEdit())
        return 0;
    if (!context_.session().hasRight(QStringLiteral("3021"))) {
        context_.showMsg(QStringLiteral("ECM5043021"));
        return 0;
    }
    if (const QString refused = quietRefusal(false); !refused.isEmpty()) {
        showAssignMessage(context_, refused);
        return 0;
    }
    const QString batch = copyBatch();
    if (batch.isEmpty() || context_.showMsg(QStringLiteral("Q是否确认对该种书取消典藏？")) != AnswerOk)
        return 0;
    const QString marcRecNo = title->marcRecNo;
    const QString scope = QStringLiteral(" (SELECT prop_no FROM indi_acct WHERE  move_batch=") + sqlQuote(batch) +
                          QStringLiteral(" AND marc_rec_no=") + sqlQuote(marcRecNo) + QLatin1Char(')');
    ItemTransaction tx(context_);
    QueryResult copies;
    QueryResult items;
    // Tested under the lock that the cancel holds, so that a loan made
    // meanwhile cannot slip through.
    if (lockTitleCopies(tx, scope, copies, items) < 0)
        return -1;
    for (int i = 0; i < items.rowCount(); ++i) {
        if (items.text(i, 1).toInt() > 0) {
            tx.cancel();
            context_.showMsg(QStringLiteral("E该书已经流通，不能取消典藏。"));
            return 0;
        }
    }
    const QString where = QStringLiteral(" WHERE move_batch=") + sqlQuote(batch) + QStringLiteral(" AND marc_rec_no=") +
                          sqlQuote(marcRecNo);
    if (tx.execute(QStringLiteral(" DELETE FROM item WHERE prop_no IN ") + scope) < 0 ||
        tx.execute(QStringLiteral(" UPDATE indi_acct SET book_stat_code='16', dis_location=location , in_date=NULL ") +
                   where) < 0 ||
        tx.execute(QStringLiteral(" UPDATE transfer_doc SET store_flag='0' ") + where) < 0)
        return -1;
    for (int i = 0; i < copies.rowCount(); ++i)
        tx.touched(copies.text(i, 0));
    WriteTail tail;
    tail.lendableRecord = marcRecNo;
    tail.logCode = QStringLiteral("30004");
    tail.marcRecNo = marcRecNo;
    writing_ = true;
    const int finished = tx.finish(tail);
    writing_ = false;
    if (finished < 0)
        return -1;
    AssignTitle undone = *title;
    undone.storeFlag = QStringLiteral("0");
    titles_.replace(position_, undone);
    reloadCopies();
    return 1;
}

int NewBookAssign::showExist()
{
    if (mode_ != Mode::Batch)
        return 0;
    const QString b = sqlQuote(batch_);
    const QList<std::pair<QString, QString>> marks = {
        {QStringLiteral("已有馆藏"),
         QStringLiteral("SELECT DISTINCT transfer_doc.marc_rec_no  FROM transfer_doc,indi_acct "
                        " WHERE transfer_doc.marc_rec_no=indi_acct.marc_rec_no  AND transfer_doc.move_batch= ") +
             b + QStringLiteral(" AND indi_acct.move_batch<> ") + b},
        {QStringLiteral("荐购"), QStringLiteral("SELECT DISTINCT indi_acct.marc_rec_no  FROM indi_acct,recm_doc "
                                                " WHERE indi_acct.move_batch= ") +
                                     b + QStringLiteral(" AND indi_acct.asord_no=recm_doc.asord_no")},
        {QStringLiteral("读者建议"), QStringLiteral("SELECT DISTINCT indi_acct.marc_rec_no  FROM indi_acct,suggest "
                                                    " WHERE indi_acct.move_batch= ") +
                                         b + QStringLiteral(" AND indi_acct.asord_no=suggest.asord_no")},
    };
    QList<AssignTitle> titles = titles_.rows();
    for (AssignTitle &t : titles)
        t.mark.clear();
    for (const auto &[mark, sql] : marks) {
        QueryResult r;
        if (context_.db().query(sql, r) < 0) {
            context_.db().showDbError();
            return -1;
        }
        for (AssignTitle &t : titles) {
            if (r.findRow(0, t.marcRecNo) >= 0)
                t.mark = t.mark.isEmpty() ? mark : t.mark + u',' + mark;
        }
    }
    for (int i = 0; i < titles.size(); ++i)
        titles_.replace(i, titles.at(i));
    context_.showMsg(QStringLiteral("I显示批次已有馆藏和荐购信息完成。"));
    return 1;
}

int NewBookAssign::search(const QString &type, const QString &term)
{
    const QString t = term.trimmed();
    if (t.isEmpty()) {
        context_.showMsg(QStringLiteral("I请输入查询内容。"));
        return 0;
    }
    // This window reads 93 as the bar code and 91 as the call number.
    QString sql;
    if (type == u"93" || type == u"92") {
        sql = QStringLiteral("SELECT DISTINCT marc.marc_rec_no  FROM marc,indi_acct WHERE indi_acct.") +
              (type == u"93" ? QStringLiteral("bar_code") : QStringLiteral("prop_no")) + QStringLiteral(" = ") +
              sqlQuote(type == u"93" ? t.toUpper() : t) + QStringLiteral(" AND marc.marc_rec_no=indi_acct.marc_rec_no");
    } else if (type == u"91") {
        sql =
            QStringLiteral("SELECT DISTINCT marc.marc_rec_no  FROM marc,call_no_lst WHERE call_no_lst.call_no LIKE ") +
            sqlQuote(t + u'%') + QStringLiteral(" AND marc.marc_rec_no=call_no_lst.marc_rec_no");
    } else {
        const QString key = t.toUpper();
        const QString condition =
            type == u"05" ? isbnCondition(QStringLiteral("marc_idx.marc_idx_cont"), key, context_.db().unicodeMode())
                          : QStringLiteral("marc_idx.marc_idx_cont LIKE ") + sqlQuote(key + u'%');
        sql = QStringLiteral("SELECT DISTINCT marc.marc_rec_no  FROM marc,marc_idx WHERE marc_idx.marc_idx_grp=") +
              sqlQuote(type) + QStringLiteral(" AND ") + condition +
              QStringLiteral(" AND marc.marc_rec_no=marc_idx.marc_rec_no");
    }
    QueryResult found;
    if (context_.db().query(sql, found) < 0) {
        context_.db().showDbError();
        return -1;
    }
    if (found.rowCount() == 0) {
        context_.showMsg(QStringLiteral("IBM001"));
        return 0;
    }
    if (found.rowCount() > 5000) {
        context_.showMsg(QStringLiteral("I结果集过大，请缩小范围重新检索。"));
        return 0;
    }
    if (dirty_ && context_.showMsg(QStringLiteral("QDC017")) == AnswerCancel)
        return 0;
    QueryResult r;
    if (context_.db().query(QStringLiteral("SELECT marc_rec_no,marc_use_flag,m_call_no,m_title,m_author,m_isbn,"
                                           "m_publisher,m_pub_year FROM marc WHERE marc_rec_no IN (") +
                                sql + QStringLiteral(") ORDER BY marc_rec_no"),
                            r) < 0) {
        context_.db().showDbError();
        return -1;
    }
    QList<AssignTitle> titles;
    for (int i = 0; i < r.rowCount(); ++i)
        titles.append({r.text(i, 0),
                       {},
                       r.text(i, 1),
                       r.text(i, 2),
                       r.text(i, 3),
                       r.text(i, 4),
                       r.text(i, 5),
                       r.text(i, 6),
                       r.text(i, 7),
                       {}});
    setTitles(std::move(titles), Mode::Search, QString());
    return 1;
}

} // namespace kestra
