#include "items/GotoBatchDetail.h"

#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/Prompter.h"
#include "core/Session.h"
#include "kit/BatchPicker.h"
#include "kit/CopyColumns.h"
#include "kit/CopyWatch.h"
#include "output/GridExport.h"
#include "output/GridReport.h"

namespace kestra {

namespace {

QList<Column<GotoDetailRow>> detailColumns(AppContext &context)
{
    using R = GotoDetailRow;
    return {
        {QStringLiteral("财产号"), [](const R &r) { return r.propNo; }},
        {QStringLiteral("条码号"), [](const R &r) { return r.barCode; }},
        {QStringLiteral("索书号"), [](const R &r) { return r.callNo; }},
        {QStringLiteral("题名"), [](const R &r) { return r.title; }},
        {QStringLiteral("责任者"), [](const R &r) { return r.author; }},
        {QStringLiteral("出版社"), [](const R &r) { return r.publisher; }},
        {QStringLiteral("原馆藏地"), [&context](const R &r) { return cell::location(context, r.sourceLocation); }},
        {QStringLiteral("原状态"), [](const R &r) { return cell::status(r.sourceStatus); }},
        {QStringLiteral("新状态"), [](const R &r) { return cell::status(r.targetStatus); }},
        {QStringLiteral("现馆藏地"), [&context](const R &r) { return cell::location(context, r.disLocation); }},
        {QStringLiteral("现状态"), [](const R &r) { return cell::status(r.status); }},
        {QStringLiteral("调拨日期"), [](const R &r) { return r.dealDate; }},
        {QStringLiteral("操作员"), [&context](const R &r) { return cell::staff(context, r.operatorNo); }},
        {QStringLiteral("年卷期"), [](const R &r) { return r.yearVolume; }},
        {QStringLiteral("附件"), [](const R &r) { return r.attachment; }},
        {QStringLiteral("排架号"), [](const R &r) { return r.shelfNo; }},
    };
}

} // namespace

GotoBatchDetail::GotoBatchDetail(AppContext &context) : context_(context), rows_(detailColumns(context), false)
{
    // A transfer committed elsewhere while the batch is shown adds to it.
    reloadOnChange(context, rows_, true, batch_table::transfer().table, [this] {
        if (!batchNo_.isEmpty())
            load(batchNo_);
    });
}

int GotoBatchDetail::load(const QString &batchNo)
{
    QList<GotoDetailRow> rows;
    batchNo_ = batchNo;
    if (GotoBatches(context_).detail(batchNo, rows) < 0)
        return -1;
    rows_.reset(rows);
    return static_cast<int>(rows.size());
}

bool GotoBatchDetail::exportTo(const QString &path)
{
    QString error;
    if (!writeCsv(rows_, path, CsvEncoding::CodePage, context_.codePage(), &error)) {
        context_.showMsg(QStringLiteral("E") + error);
        return false;
    }
    context_.showMsg(QStringLiteral("I数据导出成功。"));
    return true;
}

bool GotoBatchDetail::exportText()
{
    if (rows_.isEmpty())
        return false;
    const QString path = context_.prompter().chooseSaveFile(
        QStringLiteral("数据导出"), batchNo_ + QStringLiteral(".txt"), QStringLiteral("文本文件(*.txt)"));
    return !path.isEmpty() && exportTo(path);
}

std::optional<ListReport> GotoBatchDetail::report()
{
    if (rows_.isEmpty())
        return std::nullopt;
    const PaperSetup paper = PaperSetup::a4(true);
    ListReport list = reportFromModel(rows_, QStringLiteral("调拨批次明细"), {}, {}, paper.printable().width());
    list.headerLines = {QStringLiteral("调拨批次：") + batchNo_};
    list.footer = {{QStringLiteral("总计："), QString::number(rows_.count()) + QStringLiteral("册")},
                   {QStringLiteral("制表日期："), context_.db().serverDate().left(10)},
                   {QStringLiteral("制表人："), cell::staff(context_, context_.session().operatorNo)}};
    return list;
}

int GotoBatchDetail::print(PrintTarget target, const QString &pdfPath)
{
    const std::optional<ListReport> list = report();
    if (!list)
        return 0;
    return context_.printer().print(layoutListReport(*list, PaperSetup::a4(true)), target, pdfPath);
}

} // namespace kestra
