#include "items/GotoBatch.h"

#include "copies/ChangeNotice.h"
#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "kit/BatchPicker.h"
#include "kit/CellText.h"

namespace kestra {

namespace {

QString docTypeCell(const QString &docType)
{
    return docType.isEmpty() ? QString(transfer::AnyDocType) : docType;
}

} // namespace

int GotoBatches::create(const GotoBatch &b)
{
    const QString number = b.batchNo.trimmed();
    if (number.isEmpty()) {
        context_.showMsg(QStringLiteral("E调拨批次不能为空！"));
        return 0;
    }
    if (b.kind == transfer::Kind::ByLocation && (b.source.isEmpty() || b.source == transfer::AllLocations)) {
        context_.showMsg(QStringLiteral("E按地调拨原馆藏地不能选择所有馆藏地"));
        return 0;
    }
    if (b.destination.isEmpty()) {
        context_.showMsg(QStringLiteral("EDC018"));
        return 0;
    }
    if (b.destination == b.source) {
        context_.showMsg(QStringLiteral("E新馆藏地与原馆藏地不能相同！"));
        return 0;
    }
    const QString right = transfer::kindRight(b.kind);
    if (!context_.session().hasRight(right)) {
        context_.showMsg(QStringLiteral("ECM504") + right);
        return 0;
    }
    Session &db = context_.db();
    QueryResult r;
    if (db.query(QStringLiteral(" SELECT count(*) FROM goto_batch  WHERE batch_no=") + sqlQuote(number), r) < 0) {
        db.showDbError();
        return -1;
    }
    if (r.number(0, 0) > 0) {
        context_.showMsg(QStringLiteral("E调拨批次已经存在！"));
        return 0;
    }
    const QString date = db.serverDate().left(10);
    Transaction tx(db);
    const QString insert =
        QStringLiteral(" INSERT INTO goto_batch(batch_no,batch_type,src_loca,dst_loca, doc_type_code,remark,deal_date,"
                       "wkr_no) VALUES( ") +
        QStringList{sqlQuote(number),        sqlQuote(transfer::batchType(b.kind)),  sqlQuote(b.source),
                    sqlQuote(b.destination), sqlQuote(docTypeCell(b.docType)),       sqlQuote(b.remark),
                    sqlQuote(date),          sqlQuote(context_.session().operatorNo)}
            .join(u',') +
        u')';
    // Two operators may pick the same number at once: the key decides, and
    // the loser sees the database's message.
    if (db.execute(insert) < 0 ||
        logOperation(context_, QStringLiteral("30011"), QString(), QString(), number,
                     transfer::kindName(b.kind) + u' ' +
                         transferLogText(context_.codes(), b.source, b.destination, b.docType)) < 0 ||
        tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    Q_EMIT ChangeNotice::of(context_).batchesChanged(batch_table::transfer().table);
    return 1;
}

GotoBatch GotoBatches::fromRow(const QueryResult &r, int i)
{
    GotoBatch b;
    b.batchNo = r.text(i, 0);
    transfer::kindOfBatchType(r.text(i, 1), b.kind);
    b.source = r.text(i, 2);
    b.destination = r.text(i, 3);
    const QString type = r.text(i, 4);
    b.docType = type == transfer::AnyDocType ? QString() : type;
    b.remark = r.text(i, 5);
    b.dealDate = r.text(i, 6);
    b.operatorNo = r.text(i, 7);
    return b;
}

QList<QueryColumn> GotoBatches::listColumns(AppContext &context)
{
    const auto kind = [](const QString &type) {
        transfer::Kind k = transfer::Kind::ByCopy;
        return transfer::kindOfBatchType(type, k) ? transfer::kindName(k) : type;
    };
    const auto source = [&context](const QString &code) {
        return code == transfer::AllLocations ? QStringLiteral("所有馆藏地") : cell::location(context, code);
    };
    const auto docType = [&context](const QString &code) {
        return code.isEmpty() || code == transfer::AnyDocType ? QStringLiteral("<不限>")
                                                              : context.codes().docTypeName(code);
    };
    return {{QStringLiteral("调拨批次"), QStringLiteral("batch_no")},
            {QStringLiteral("调拨类型"), QStringLiteral("batch_type"), kind},
            {QStringLiteral("原馆藏地"), QStringLiteral("src_loca"), source},
            {QStringLiteral("新馆藏地"), QStringLiteral("dst_loca"), query_format::location(context)},
            {QStringLiteral("文献类型"), QStringLiteral("doc_type_code"), docType},
            {QStringLiteral("说明"), QStringLiteral("remark")},
            {QStringLiteral("调拨日期"), QStringLiteral("deal_date")},
            {QStringLiteral("操作员"), QStringLiteral("wkr_no"), query_format::staff(context)}};
}

QStringList GotoBatches::describe(const GotoBatch &b) const
{
    const CodeTables &codes = context_.codes();
    const QString source =
        b.source == transfer::AllLocations ? QStringLiteral("所有馆藏地") : codes.locationName(b.source);
    return {QStringLiteral("调拨批次：") + b.batchNo,
            QStringLiteral("调拨类型：") + transfer::kindName(b.kind),
            QStringLiteral("原馆藏地：") + source,
            QStringLiteral("新馆藏地：") + codes.locationName(b.destination),
            QStringLiteral("文献类型：") +
                (b.docType.isEmpty() ? QStringLiteral("<不限>") : codes.docTypeName(b.docType)),
            QStringLiteral("说明：") + b.remark};
}

int GotoBatches::remove(const QString &batchNo)
{
    if (!context_.session().hasRight(QString(transfer::DeleteBatchRight))) {
        context_.showMsg(QStringLiteral("ECM504") + transfer::DeleteBatchRight);
        return 0;
    }
    if (context_.showMsg(QStringLiteral("Q删除调拨批次会将该批次历史调拨明细一同删除，是否确认删除选择的调拨批次？")) !=
        AnswerOk)
        return 0;
    Session &db = context_.db();
    Transaction tx(db);
    const QString number = sqlQuote(batchNo);
    if (db.execute(QStringLiteral(" DELETE FROM goto_detl WHERE batch_no=") + number) < 0 ||
        db.execute(QStringLiteral(" DELETE FROM goto_batch WHERE batch_no=") + number) < 0 ||
        logOperation(context_, QStringLiteral("30012"), QString(), QString(), batchNo) < 0 || tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    Q_EMIT ChangeNotice::of(context_).batchesChanged(batch_table::transfer().table);
    return 1;
}

int GotoBatches::detail(const QString &batchNo, QList<GotoDetailRow> &rows)
{
    QueryResult r;
    const QString sql =
        QStringLiteral(" SELECT goto_detl.prop_no,indi_acct.call_no,marc.m_title,marc.m_author,marc.m_publisher,"
                       "goto_detl.src_book_stat,goto_detl.dst_book_stat,goto_detl.deal_date,goto_detl.wkr_no,"
                       "marc.marc_rec_no,goto_detl.src_loca,goto_detl.deal_no,indi_acct.bar_code,indi_acct.attachment,"
                       "indi_acct.year || '-' || indi_acct.vol_peri,indi_acct.dis_location,indi_acct.book_stat_code,"
                       "indi_acct.shelf_no  FROM goto_detl,marc,indi_acct  WHERE goto_detl.batch_no=") +
        sqlQuote(batchNo) +
        QStringLiteral(" AND goto_detl.prop_no=indi_acct.prop_no AND indi_acct.marc_rec_no=marc.marc_rec_no "
                       " ORDER BY goto_detl.deal_no DESC,goto_detl.prop_no ");
    if (context_.db().querySummary(sql, r) < 0) {
        context_.db().showDbError();
        return -1;
    }
    rows.clear();
    for (int i = 0; i < r.rowCount(); ++i) {
        int c = 0;
        auto next = [&]() { return r.text(i, c++); };
        GotoDetailRow d;
        d.propNo = next();
        d.callNo = next();
        d.title = next();
        d.author = next();
        d.publisher = next();
        d.sourceStatus = next();
        d.targetStatus = next();
        d.dealDate = next();
        d.operatorNo = next();
        d.marcRecNo = next();
        d.sourceLocation = next();
        d.dealNo = next();
        d.barCode = next();
        d.attachment = next();
        d.yearVolume = next();
        d.disLocation = next();
        d.status = next();
        d.shelfNo = next();
        rows.append(d);
    }
    return static_cast<int>(rows.size());
}

} // namespace kestra
