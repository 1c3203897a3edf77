#include "items/TransferDoc.h"

#include "copies/ReaderNotices.h"
#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "kit/CellText.h"

#include <QDate>

namespace kestra {

namespace {

// The copies of a batch as a subquery of one column.
QString batchCopies(const char *column, const QString &moveBatch)
{
    return QStringLiteral(" (SELECT ") + QLatin1String(column) + QStringLiteral(" FROM indi_acct WHERE  move_batch=") +
           sqlQuote(moveBatch) + QStringLiteral(" ) ");
}

// The mark of a batch or row on a location without rights.
QString handoverRightMark(bool noRight)
{
    return noRight ? QStringLiteral("X") : QString();
}

QList<Column<HandoverBatch>> handoverBatchColumns()
{
    using B = HandoverBatch;
    return {
        {QStringLiteral("权限"), [](const B &b) { return handoverRightMark(b.blocked); }},
        {QStringLiteral("交接批次"), [](const B &b) { return b.moveBatch; }},
        {QStringLiteral("送交日期"), [](const B &b) { return b.sendDate; }},
    };
}

QList<Column<HandoverRow>> handoverRowColumns(AppContext &context)
{
    using R = HandoverRow;
    return {
        {QStringLiteral("权限"), [](const R &r) { return handoverRightMark(r.noRight); }},
        {QStringLiteral("交接批次"), [](const R &r) { return r.moveBatch; }},
        {QStringLiteral("记录号"), [](const R &r) { return r.marcRecNo; }},
        {QStringLiteral("册数"), [](const R &r) { return QString::number(r.copies); }, true},
        {QStringLiteral("馆藏地"), [&context](const R &r) { return cell::location(context, r.location); }},
        {QStringLiteral("入藏"), [](const R &r) { return r.storeText(); }},
        {QStringLiteral("送交日期"), [](const R &r) { return r.sendDate; }},
        {QStringLiteral("备注"), [](const R &r) { return r.remark; }},
    };
}

} // namespace

TransferDoc::TransferDoc(AppContext &context)
    : context_(context), batches_(handoverBatchColumns(), false), rows_(handoverRowColumns(context), false)
{}

QString TransferDoc::requestsText() const
{
    return selected_.isEmpty()
               ? QString()
               : QStringLiteral("荐购待答复：%1册    读者建议待答复：%2册").arg(recommended_).arg(suggested_);
}

QString HandoverRow::storeText() const
{
    return storeFlag == QLatin1String("1") ? QStringLiteral("完") : QStringLiteral("未完");
}

QString normalCircType(const CodeTables &codes, const QString &clsId, const QString &callNo)
{
    const QueryResult &rules = codes.table(CodeCache::CircTypeByClass);
    QString type = QStringLiteral("01");
    qsizetype longest = 0;
    for (int i = 0; i < rules.rowCount(); ++i) {
        const QString cls = rules.text(i, 2).trimmed();
        if (rules.text(i, 0).trimmed() == clsId.trimmed() && cls.size() > longest &&
            callNo.startsWith(cls, Qt::CaseInsensitive)) {
            longest = cls.size();
            type = rules.text(i, 1).trimmed();
        }
    }
    return type;
}

int TransferDoc::loadBatches()
{
    Session &db = context_.db();
    QString sql = QStringLiteral(" SELECT DISTINCT move_batch,send_store_date  FROM transfer_doc WHERE cata_flag='3' ");
    const QString months = context_.preferences().showDate.trimmed();
    if (months.compare(QLatin1String("All"), Qt::CaseInsensitive) != 0) {
        const QDate today = QDate::fromString(db.serverDate().left(10), Qt::ISODate);
        const QDate since = today.isValid() ? today.addMonths(-months.toInt()) : QDate();
        sql += QStringLiteral(" AND send_store_date>=") + sqlQuote(since.toString(Qt::ISODate));
    }
    sql += QStringLiteral(" ORDER BY send_store_date DESC ");
    QueryResult r;
    if (db.query(sql, r) < 0) {
        db.showDbError();
        return -1;
    }
    QList<HandoverBatch> list;
    for (int i = 0; i < r.rowCount(); ++i)
        list.append(HandoverBatch{r.text(i, 0), r.text(i, 1), false});
    batches_.reset(std::move(list));
    selected_.clear();
    rows_.reset();
    recommended_ = suggested_ = 0;
    return batches_.count();
}

QList<int> TransferDoc::find(const QString &text)
{
    const QString wanted = text.trimmed();
    if (wanted.isEmpty()) {
        context_.showMsg(QStringLiteral("I请输入查询内容。"));
        return {};
    }
    QList<int> found;
    for (int i = 0; i < batches_.count(); ++i) {
        if (batches_.at(i).moveBatch.contains(wanted, Qt::CaseInsensitive))
            found.append(i);
    }
    if (found.isEmpty())
        context_.showMsg(QStringLiteral("I未查询到相应交接批次。"));
    return found;
}

int TransferDoc::select(const QString &moveBatch)
{
    Session &db = context_.db();
    const QString batch = sqlQuote(moveBatch);
    QueryResult r;
    QueryResult recm;
    QueryResult sugg;
    if (db.query(
            QStringLiteral(" SELECT transfer_doc.move_batch,transfer_doc.copys,transfer_doc.store_flag,"
                           "transfer_doc.send_store_date,transfer_doc.remark,transfer_doc.marc_rec_no,"
                           "indi_acct.dis_location  FROM transfer_doc,indi_acct   WHERE transfer_doc.move_batch=") +
                batch +
                QStringLiteral("    AND transfer_doc.move_batch=indi_acct.move_batch "
                               "    AND transfer_doc.chk_batch_no=indi_acct.chk_batch_no "
                               "    AND transfer_doc.marc_rec_no=indi_acct.marc_rec_no "
                               " ORDER BY transfer_doc.marc_rec_no,indi_acct.dis_location "),
            r) < 0 ||
        db.query(QStringLiteral(" SELECT count(*)  FROM indi_acct,recm_doc  WHERE indi_acct.move_batch=") + batch +
                     QStringLiteral(" AND (recm_doc.dc_reply_flag='0' OR recm_doc.dc_reply_flag is null) "
                                    " AND indi_acct.asord_no=recm_doc.asord_no "),
                 recm) < 0 ||
        db.query(QStringLiteral(" SELECT count(*)  FROM indi_acct,suggest,reader  WHERE indi_acct.move_batch=") +
                     batch +
                     QStringLiteral(" AND (suggest.dc_reply_flag='0' OR suggest.dc_reply_flag is null) "
                                    " AND indi_acct.asord_no=suggest.asord_no AND suggest.cert_id=reader.cert_id "),
                 sugg) < 0) {
        db.showDbError();
        return -1;
    }
    selected_ = moveBatch;
    QList<HandoverRow> list;
    CodeTables &codes = context_.codes();
    for (int i = 0; i < r.rowCount(); ++i) {
        HandoverRow row;
        row.moveBatch = r.text(i, 0);
        row.copies = static_cast<int>(r.number(i, 1));
        row.storeFlag = r.text(i, 2);
        row.sendDate = r.text(i, 3);
        row.remark = r.text(i, 4);
        row.marcRecNo = r.text(i, 5);
        row.location = r.text(i, 6);
        // The rule of CheckLocationRight, without its box: a mark per row.
        row.noRight = context_.params().isOn(47) && codes.currentLocations().findRow(0, row.location) < 0;
        list.append(row);
    }
    rows_.reset(std::move(list));
    recommended_ = static_cast<int>(recm.number(0, 0));
    suggested_ = static_cast<int>(sugg.number(0, 0));
    // The batch's mark is known now.
    for (int i = 0; i < batches_.count(); ++i) {
        if (batches_.at(i).moveBatch == moveBatch && batches_.at(i).blocked != blocked()) {
            HandoverBatch b = batches_.at(i);
            b.blocked = blocked();
            batches_.replace(i, b);
        }
    }
    return rows_.count();
}

bool TransferDoc::blocked() const
{
    for (const HandoverRow &row : rows_.rows()) {
        if (row.noRight)
            return true;
    }
    return false;
}

bool TransferDoc::mayAct()
{
    if (selected_.isEmpty())
        return false;
    if (blocked()) {
        context_.showMsg(QStringLiteral("E该批次数据包含不可处理馆藏地，无法操作。"));
        return false;
    }
    return true;
}

int TransferDoc::setNewBookType()
{
    if (!mayAct() ||
        context_.showMsg(QStringLiteral("Q是否确认将选择批次的书刊流通类型置为新书动态调整？")) != AnswerOk)
        return 0;
    Session &db = context_.db();
    Transaction tx(db);
    if (db.execute(QStringLiteral(" UPDATE call_no_lst SET circ_type_code='99' WHERE call_no IN ") +
                   batchCopies("call_no", selected_)) < 0 ||
        logOperation(context_, QStringLiteral("30005"), QString(), QString(), selected_) < 0 || tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    context_.showMsg(QStringLiteral("I已经成功将选择批次书刊流通类型置为新书动态调整。"));
    return 1;
}

int TransferDoc::restoreType()
{
    if (!mayAct() || context_.showMsg(QStringLiteral("Q是否确认将选择批次的书刊流通类型恢复为正常？")) != AnswerOk)
        return 0;
    Session &db = context_.db();
    QueryResult r;
    if (db.query(QStringLiteral(" SELECT cls_id,call_no FROM call_no_lst WHERE call_no IN ") +
                     batchCopies("call_no", selected_) + QStringLiteral(" AND circ_type_code='99'"),
                 r) < 0) {
        db.showDbError();
        return -1;
    }
    Transaction tx(db);
    for (int i = 0; i < r.rowCount(); ++i) {
        const QString type = normalCircType(context_.codes(), r.text(i, 0), r.text(i, 1));
        // The type is tested again: another operator may have set it since.
        if (db.execute(QStringLiteral(" UPDATE call_no_lst SET circ_type_code=") + sqlQuote(type) +
                       QStringLiteral(" WHERE call_no=") + sqlQuote(r.text(i, 1)) +
                       QStringLiteral(" AND circ_type_code='99'")) < 0) {
            tx.rollback();
            db.showDbError();
            return -1;
        }
    }
    if (logOperation(context_, QStringLiteral("30006"), QString(), QString(), selected_) < 0 || tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    context_.showMsg(QStringLiteral("I已经成功将选择批次书刊流通类型恢复为正常。"));
    return 1;
}

int TransferDoc::undoAccession()
{
    if (selected_.isEmpty())
        return 0;
    if (!context_.session().hasRight(QStringLiteral("3021"))) {
        context_.showMsg(QStringLiteral("ECM5043021"));
        return 0;
    }
    if (!mayAct() || context_.showMsg(QStringLiteral("Q是否确认对该批次所有书取消典藏？")) != AnswerOk)
        return 0;
    Session &db = context_.db();
    Transaction tx(db);
    // Tested inside the transaction that cancels, so that a loan made
    // between the test and the change cannot slip through.
    QueryResult circulated;
    if (db.query(QStringLiteral(" SELECT total_circ_times FROM item WHERE prop_no IN ") +
                     batchCopies("prop_no", selected_) + QStringLiteral(" AND total_circ_times>0 "),
                 circulated) < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    if (circulated.rowCount() > 0) {
        tx.rollback();
        context_.showMsg(QStringLiteral("E该批次有书已经流通，不能取消典藏。"));
        return 0;
    }
    const QString batch = sqlQuote(selected_);
    const QStringList steps = {
        QStringLiteral(" DELETE FROM item WHERE prop_no IN ") + batchCopies("prop_no", selected_),
        QStringLiteral(" UPDATE indi_acct SET book_stat_code='16', dis_location=location , in_date=NULL "
                       " WHERE move_batch=") +
            batch,
        QStringLiteral(" UPDATE transfer_doc SET store_flag='0'  WHERE move_batch=") + batch,
        // The titles' lendable counts lose the copies that left 41.
        QStringLiteral("update marc A set lendable_copies=  (select count(*) from indi_acct B "
                       "    where A.marc_rec_no = B.marc_rec_no  and B.book_stat_code='41')   where marc_rec_no in ") +
            batchCopies("marc_rec_no", selected_),
    };
    for (const QString &step : steps) {
        if (db.execute(step) < 0) {
            tx.rollback();
            db.showDbError();
            return -1;
        }
    }
    if (tx.commit() < 0) {
        db.showDbError();
        return -1;
    }
    context_.showMsg(QStringLiteral("I批次取消典藏完成。"));
    return select(selected_) < 0 ? -1 : 1;
}

bool TransferDoc::mayNotify() const
{
    return !selected_.isEmpty() && recommended_ + suggested_ > 0 && !blocked();
}

int TransferDoc::notifyReaders()
{
    if (!mayAct())
        return 0;
    if (recommended_ + suggested_ == 0) {
        context_.showMsg(QStringLiteral("I该批次没有待答复的读者荐购或建议。"));
        return 0;
    }
    if (context_.showMsg(QStringLiteral("Q该批次有读者荐购待答复的图书%1册、读者建议待答复的图书%2册，"
                                        "是否通知读者？")
                             .arg(recommended_)
                             .arg(suggested_)) != AnswerOk)
        return 0;
    Session &db = context_.db();
    const QString today = db.serverDate().left(10);
    if (today.isEmpty()) {
        db.showDbError();
        return -1;
    }
    const NoticeScope scope{QStringLiteral("move_batch=") + sqlQuote(selected_), QString()};
    Transaction tx(db);
    NoticeCounts counts;
    if (lockRequestedCopies(db, scope) < 0 || countReaderNotices(db, scope, counts) < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    if (counts.requests() == 0) {
        // Answered by someone else since the detail was read.
        tx.rollback();
        context_.showMsg(QStringLiteral("I该批次没有待答复的读者荐购或建议。"));
        return select(selected_) < 0 ? -1 : 0;
    }
    for (const QString &step : readerNoticeStatements(scope, today)) {
        if (db.execute(step) < 0) {
            tx.rollback();
            db.showDbError();
            return -1;
        }
    }
    const QString said = QStringLiteral("通知读者：荐购%1条，读者建议%2条，无电子邮件%3条")
                             .arg(counts.recommendationMails)
                             .arg(counts.suggestionMails)
                             .arg(counts.unreachable());
    if (logOperation(context_, QStringLiteral("30001"), QString(), QString(), selected_, said) < 0 || tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    QString done = QStringLiteral("I已生成读者通知%1条（荐购%2条，读者建议%3条）。")
                       .arg(counts.mails())
                       .arg(counts.recommendationMails)
                       .arg(counts.suggestionMails);
    if (counts.unreachable() > 0)
        done += QStringLiteral("另有%1条荐购或建议的读者没有电子邮件地址，无法通知。").arg(counts.unreachable());
    context_.showMsg(done);
    return select(selected_) < 0 ? -1 : 1;
}

bool TransferDoc::confirmLabels()
{
    return !selected_.isEmpty() && context_.showMsg(QStringLiteral("Q是否确认开始打印书标？")) == AnswerOk;
}

bool TransferDoc::confirmCards()
{
    if (selected_.isEmpty() || context_.showMsg(QStringLiteral("QCM005")) != AnswerOk)
        return false;
    if (!context_.printer().devicePaper().printerInstalled) {
        context_.showMsg(QStringLiteral("E请检查系统打印机是否正确安装。"));
        return false;
    }
    return true;
}

} // namespace kestra
