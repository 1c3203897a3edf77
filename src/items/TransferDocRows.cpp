#include "items/TransferDocRows.h"

#include "kit/CopyColumns.h"

namespace kestra {

namespace {

QString rightMark(bool noRight)
{
    return noRight ? QStringLiteral("X") : QString();
}

} // namespace

QList<Column<HandoverBatch>> handoverBatchColumns()
{
    using B = HandoverBatch;
    return {
        {QStringLiteral("权限"), [](const B &b) { return rightMark(b.blocked); }},
        {QStringLiteral("交接批次"), [](const B &b) { return b.moveBatch; }},
        {QStringLiteral("送交日期"), [](const B &b) { return b.sendDate; }},
    };
}

QList<Column<HandoverRow>> handoverRowColumns(AppContext &context)
{
    using R = HandoverRow;
    return {
        {QStringLiteral("权限"), [](const R &r) { return rightMark(r.noRight); }},
        {QStringLiteral("交接批次"), [](const R &r) { return r.moveBatch; }},
        {QStringLiteral("记录号"), [](const R &r) { return r.marcRecNo; }},
        {QStringLiteral("册数"), [](const R &r) { return QString::number(r.copies); }, true},
        {QStringLiteral("馆藏地"), [&context](const R &r) { return cell::location(context, r.location); }},
        {QStringLiteral("入藏"), [](const R &r) { return r.storeText(); }},
        {QStringLiteral("送交日期"), [](const R &r) { return r.sendDate; }},
        {QStringLiteral("备注"), [](const R &r) { return r.remark; }},
    };
}

QString handoverRequestsText(const TransferDoc &doc)
{
    return QStringLiteral("荐购待答复：%1册    读者建议待答复：%2册").arg(doc.recommended()).arg(doc.suggested());
}

} // namespace kestra
