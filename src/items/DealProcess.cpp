#include "items/DealProcess.h"

#include "copies/ItemCodes.h"
#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/CopyColumns.h"
#include "kit/CopyRunner.h"

#include <algorithm>
#include <cmath>

namespace kestra {

namespace deal_form {

namespace {

struct TypeTexts {
    QLatin1String type;
    const char *caption;
    const char *undo;
    QLatin1String status;
    QLatin1String job;
};

const TypeTexts kTypes[] = {
    {QLatin1String("01"), "书刊修补", "取消修补", QLatin1String("33"), QLatin1String("302")},
    {QLatin1String("02"), "书刊回验", "取消回验", QLatin1String(""), QLatin1String("303")},
    {QLatin1String("03"), "书刊剔旧", "取消剔旧", QLatin1String("35"), QLatin1String("308")},
    {QLatin1String("04"), "书刊赠送", "取消赠送", QLatin1String("36"), QLatin1String("306")},
    {QLatin1String("05"), "书刊换出", "取消换出", QLatin1String("37"), QLatin1String("307")},
};

const TypeTexts *textsOf(const QString &type)
{
    for (const TypeTexts &t : kTypes) {
        if (type == t.type)
            return &t;
    }
    return nullptr;
}

} // namespace

QString caption(const QString &type)
{
    const TypeTexts *t = textsOf(type);
    return t ? QString::fromUtf8(t->caption) : QString();
}

QString undoCaption(const QString &type)
{
    const TypeTexts *t = textsOf(type);
    return t ? QString::fromUtf8(t->undo) : QString();
}

QString statusSet(const QString &type)
{
    const TypeTexts *t = textsOf(type);
    return t ? QString(t->status) : QString();
}

QString jobCode(const QString &type)
{
    const TypeTexts *t = textsOf(type);
    return t ? QString(t->job) : QString();
}

std::optional<double> parseFee(AppContext &context, const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0.0;
    bool ok = false;
    const double value = t.toDouble(&ok);
    // NUMERIC(12,2): what the column cannot hold is refused here too.
    if (!ok || !std::isfinite(value) || value < 0 || value >= 1e10) {
        context.showMsg(QStringLiteral("E处理费用必须是不小于0的数字！"));
        return std::nullopt;
    }
    return value;
}

} // namespace deal_form

namespace {

QList<Column<DealRow>> dealColumns(AppContext &context)
{
    QList<Column<DealRow>> list = columnsOf(copyColumns(context, lookupFields()), &DealRow::row);
    list.append({QStringLiteral("状态"), [](const DealRow &r) { return cell::status(r.row.status); }});
    list.append({QStringLiteral("原状态"), [](const DealRow &r) { return cell::status(r.sourceState); }});
    list.append({QStringLiteral("书刊去向"), [](const DealRow &r) { return r.target; }});
    list.append(
        {QStringLiteral("处理费用"), [](const DealRow &r) { return r.fee ? cell::price(*r.fee) : QString(); }, true});
    list.append({QStringLiteral("处理说明"), [](const DealRow &r) { return r.remark; }});
    return list;
}

} // namespace

DealProcess::DealProcess(AppContext &context, const BarcodeSettings &barcode, QString type)
    : context_(context), entry_(context, barcode), type_(std::move(type)), rows_(dealColumns(context), true),
      titleCopies_(
          copyColumns(context, {CopyField::PropNo, CopyField::BarCode, CopyField::Location, CopyField::Status,
                                CopyField::CallNo, CopyField::Price, CopyField::InDate, CopyField::Attachment}),
          false)
{}

int DealProcess::selectBatch(const QString &location, const QString &number)
{
    DealBatch b;
    const int found = deal_batch::read(context_, location, number, type_, b);
    if (found <= 0)
        return found;
    batch_ = b;
    entry_.setProcessingLocation(b.location);
    return loadRows() < 0 ? -1 : 1;
}

int DealProcess::reload()
{
    return hasBatch() ? loadRows() : 0;
}

int DealProcess::loadRows()
{
    const QString sql =
        QStringLiteral(" SELECT indi_acct.prop_no,indi_acct.marc_rec_no,indi_acct.dis_location,indi_acct.call_no,"
                       "indi_acct.bar_code,deal_log.source_state,indi_acct.book_stat_code,"
                       "indi_acct.rec_flag_upt_date,indi_acct.price,indi_acct.in_date,indi_acct.attachment,"
                       "deal_log.book_target,deal_log.remark,deal_log.fee,marc.m_title,marc.m_author,"
                       "marc.m_publisher,indi_acct.year || '-' || indi_acct.vol_peri,deal_log.deal_no,"
                       "indi_acct.real_price "
                       " FROM indi_acct,deal_log,marc "
                       " WHERE deal_log.deal_type_code=") +
        sqlQuote(type_) + QStringLiteral(" AND deal_log.deal_batch_no=") + sqlQuote(batch_.number) +
        QStringLiteral(" AND deal_log.location=") + sqlQuote(batch_.location) +
        QStringLiteral(" AND deal_log.prop_no=indi_acct.prop_no "
                       " AND indi_acct.marc_rec_no=marc.marc_rec_no "
                       " ORDER BY deal_log.deal_no DESC ");
    QueryResult r;
    if (context_.db().querySummary(sql, r) < 0) {
        context_.db().showDbError();
        return -1;
    }
    QList<DealRow> list;
    list.reserve(r.rowCount());
    for (int i = 0; i < r.rowCount(); ++i) {
        DealRow d;
        d.row.propNo = r.text(i, 0);
        d.row.marcRecNo = r.text(i, 1);
        d.row.disLocation = r.text(i, 2);
        d.row.callNo = r.text(i, 3);
        d.row.barCode = r.text(i, 4);
        d.sourceState = r.text(i, 5);
        d.row.status = r.text(i, 6);
        d.row.statusDate = r.text(i, 7);
        d.row.price = r.number(i, 8);
        d.row.inDate = r.text(i, 9);
        d.row.attachment = r.text(i, 10);
        d.target = r.text(i, 11);
        d.remark = r.text(i, 12);
        // Only repair rows carry a fee (a NULL number reads as 0).
        if (type_ == deal_type::Repair)
            d.fee = r.number(i, 13);
        d.row.title = r.text(i, 14);
        d.row.author = r.text(i, 15);
        d.row.publisher = r.text(i, 16);
        d.row.yearVolume = r.text(i, 17);
        d.dealNo = r.text(i, 18);
        d.realPrice = r.number(i, 19);
        list.append(std::move(d));
    }
    rows_.reset(std::move(list));
    return 0;
}

DealProcess::Outcome DealProcess::noBatch()
{
    context_.showMsg(QStringLiteral("E请先选择处理批次！"));
    return Outcome::Refused;
}

DealProcess::Outcome DealProcess::enter(const QString &text)
{
    if (!hasBatch())
        return text.trimmed().isEmpty() ? Outcome::Empty : noBatch();
    return withFoundCopy<Outcome>(entry_.enter(text), [this](const ItemRow &row) {
        details_ = copyDetails(context_, row);
        return add(row);
    });
}

DealProcess::Outcome DealProcess::addCode(const QString &code, InputType type)
{
    if (!hasBatch())
        return noBatch();
    return withFoundCopy<Outcome>(entry_.lookup(code, type), [this](const ItemRow &row) {
        details_ = copyDetails(context_, row);
        return add(row);
    });
}

DealProcess::Outcome DealProcess::searchAndAdd(const CopyPicker &search)
{
    if (!hasBatch())
        return noBatch();
    if (!search)
        return Outcome::Empty;
    const std::optional<QString> propNo = search(batch_.location);
    if (!propNo || propNo->isEmpty())
        return Outcome::Empty;
    return addCode(*propNo, InputType::Accession);
}

ImportReport DealProcess::importCodes()
{
    if (!hasBatch()) {
        noBatch();
        return {};
    }
    CodeImport import(context_, QStringLiteral("正在导入书刊……"), QStringLiteral("导入%1个号码，加入批次%2册书刊。"));
    return import.chooseAndRun([this](const QString &code) { return stepOutcomeOf(enter(code), Outcome::Added); });
}

ImportReport DealProcess::importFile(const QString &path)
{
    if (!hasBatch()) {
        noBatch();
        return {};
    }
    CodeImport import(context_, QStringLiteral("正在导入书刊……"), QStringLiteral("导入%1个号码，加入批次%2册书刊。"));
    return import.runFile(path, [this](const QString &code) { return stepOutcomeOf(enter(code), Outcome::Added); });
}

int DealProcess::writeLog(ItemTransaction &tx, const QString &propNo, const QString &date,
                          std::optional<double> feeValue, const QString &targetText, const QString &source,
                          const QString &remarkText)
{
    const QString call = QStringLiteral("LT_deal_log ") +
                         QStringList{sqlQuote(batch_.location),
                                     sqlQuote(batch_.number),
                                     sqlQuote(type_),
                                     sqlQuote(propNo),
                                     sqlQuote(date),
                                     feeValue ? QString::number(*feeValue, 'f', 2) : QStringLiteral("NULL"),
                                     sqlQuote(targetText),
                                     sqlQuote(source),
                                     sqlQuote(context_.session().operatorNo),
                                     sqlQuote(remarkText)}
                             .join(u',');
    return tx.callProc(call);
}

int DealProcess::amendMarked()
{
    const QList<int> marked = rows_.markedRows();
    if (marked.isEmpty())
        return 0;
    std::optional<double> feeValue;
    if (hasFee()) {
        feeValue = deal_form::parseFee(context_, fee);
        if (!feeValue)
            return 0;
    }
    ItemTransaction tx(context_);
    QString date;
    if (tx.serverDate(date) < 0)
        return -1;
    const QString op = context_.session().operatorNo;
    for (int r : marked) {
        const DealRow &d = rows_.at(r);
        const QString call = QStringLiteral("LT_UPD_deal_log ") +
                             QStringList{sqlQuote(batch_.location),
                                         sqlQuote(batch_.number),
                                         sqlQuote(type_),
                                         sqlQuote(d.row.propNo),
                                         sqlQuote(date),
                                         feeValue ? QString::number(*feeValue, 'f', 2) : QStringLiteral("NULL"),
                                         sqlQuote(target),
                                         QStringLiteral("NULL"),
                                         sqlQuote(op),
                                         sqlQuote(remark)}
                                 .join(u',');
        if (tx.callProc(call) < 0)
            return -1;
    }
    WriteTail tail;
    tail.jobCode = deal_form::jobCode(type_);
    tail.titles = tail.copies = static_cast<double>(marked.size());
    if (tx.finish(tail) < 0)
        return -1;
    // An empty target or remark arrives as NULL and keeps the old text.
    for (int r : marked) {
        DealRow d = rows_.at(r);
        if (feeValue)
            d.fee = feeValue;
        if (!target.isEmpty())
            d.target = target;
        if (!remark.isEmpty())
            d.remark = remark;
        rows_.replace(r, std::move(d));
    }
    return static_cast<int>(marked.size());
}

DealProcess::CancelResult
DealProcess::cancelRows(const std::function<StepOutcome(ItemTransaction &tx, const DealRow &row)> &step)
{
    QList<int> order = rows_.markedRows();
    if (order.isEmpty())
        return {};
    if (context_.showMsg(QStringLiteral("Q是否确认对选择图书的取消操作？")) != AnswerOk)
        return {};
    std::reverse(order.begin(), order.end());
    QList<int> cancelled;
    CopyRunner runner(context_, CopyRunner::Policy{true, false, QString()});
    const RunReport report = runner.run(order, [&](ItemTransaction &tx, int index) {
        const StepOutcome outcome = step(tx, rows_.at(index));
        if (outcome == StepOutcome::Done)
            cancelled.append(index);
        return outcome;
    });
    for (int index : std::as_const(cancelled)) // bottom up: the rows above keep their places
        rows_.remove(index);
    return CancelResult{report.done, report.stopped};
}

StepOutcome DealProcess::undoRow(ItemTransaction &tx, const QString &propNo, const QString &marcRecNo,
                                 const QString &status)
{
    QString date;
    if (tx.serverDate(date) < 0)
        return StepOutcome::Failed;
    CopyChange c;
    c.propNo = propNo;
    c.status = status;
    c.date = date;
    c.itemOperator = context_.session().operatorNo;
    if (tx.updateCopy(c) < 0 || tx.deleteDealLog(batch_.location, batch_.number, type_, propNo) < 0)
        return StepOutcome::Failed;
    WriteTail tail;
    tail.lendableRecord = marcRecNo;
    tail.logCode = QStringLiteral("30018");
    tail.marcRecNo = marcRecNo;
    tail.propNo = propNo;
    describe(tail);
    return tx.finish(tail) < 0 ? StepOutcome::Failed : StepOutcome::Done;
}

int DealProcess::finishEntry(ItemTransaction &tx, const ItemRow &row, const QString &status, const QString &date,
                             const QString &lendFlag)
{
    CopyChange c;
    c.propNo = row.propNo;
    c.status = status;
    c.date = date;
    c.lendFlag = lendFlag;
    c.itemOperator = context_.session().operatorNo;
    if (tx.updateCopy(c) < 0)
        return -1;
    WriteTail tail;
    tail.lendableRecord = row.marcRecNo;
    tail.jobCode = deal_form::jobCode(type_);
    tail.logCode = QStringLiteral("30017");
    tail.marcRecNo = row.marcRecNo;
    tail.propNo = row.propNo;
    describe(tail);
    return tx.finish(tail) < 0 ? -1 : 0;
}

void DealProcess::describe(WriteTail &tail) const
{
    tail.data1 = deal_type::name(type_);
    tail.data2 = context_.locationName(batch_.location);
    tail.data3 = batch_.number;
}

int DealProcess::allCopiesOf(int row, QueryResult &copies)
{
    if (row < 0 || row >= rows_.count())
        return 0;
    const QString sql = QStringLiteral(" SELECT indi_acct.marc_rec_no, indi_acct.prop_no, indi_acct.bar_code, "
                                       "indi_acct.dis_location, indi_acct.book_stat_code, indi_acct.call_no, "
                                       "indi_acct.price, indi_acct.in_date, indi_acct.attachment FROM indi_acct "
                                       " WHERE indi_acct.marc_rec_no = ") +
                        sqlQuote(rows_.at(row).row.marcRecNo) + QStringLiteral(" ORDER BY indi_acct.prop_no");
    if (context_.db().query(sql, copies) < 0) {
        context_.db().showDbError();
        return -1;
    }
    return copies.rowCount();
}

int DealProcess::showAllItems(int row)
{
    QueryResult copies;
    const int found = allCopiesOf(row, copies);
    if (found < 0)
        return -1;
    QList<ItemRow> list;
    list.reserve(found);
    for (int i = 0; i < found; ++i) {
        ItemRow r;
        r.marcRecNo = copies.text(i, 0);
        r.propNo = copies.text(i, 1);
        r.barCode = copies.text(i, 2);
        r.disLocation = copies.text(i, 3);
        r.status = copies.text(i, 4);
        r.callNo = copies.text(i, 5);
        r.price = copies.number(i, 6);
        r.inDate = copies.text(i, 7);
        r.attachment = copies.text(i, 8);
        list.append(std::move(r));
    }
    titleCopies_.reset(std::move(list));
    return found;
}

} // namespace kestra
