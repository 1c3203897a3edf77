#include "items/BookGoto.h"

#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/PagePrinter.h"
#include "core/Session.h"
#include "items/LocationTransfer.h"
#include "kit/CopyColumns.h"

namespace kestra {

int BookGoto::checkBatch()
{
    if (!batch_)
        return 1;
    QueryResult n;
    if (context_.db().query(
            QStringLiteral(" SELECT count(*) FROM goto_batch  WHERE batch_no=") + sqlQuote(batch_->batchNo), n) < 0) {
        context_.db().showDbError();
        return -1;
    }
    if (n.number(0, 0) > 0)
        return 1;
    chooseBatch(std::nullopt);
    return 0;
}

int BookGoto::run()
{
    if (!hasKindRight(kind_))
        return 0;
    if (batch_) {
        const QString batchNo = batch_->batchNo;
        const int there = checkBatch();
        if (there < 0)
            return -1;
        if (there == 0) {
            context_.showMsg(QStringLiteral("E调拨批次%1已被删除，请重新选择调拨批次。").arg(batchNo));
            return 0;
        }
    }
    if (kind_ == transfer::Kind::ByLocation)
        return LocationTransfer(context_).run(plan_);
    return runList();
}

int BookGoto::runList()
{
    if (!destinationValid(context_, plan_))
        return 0;
    if (rows_.isEmpty()) {
        context_.showMsg(QStringLiteral("E没有选择调拨书刊!"));
        return 0;
    }
    if (context_.showMsg(QStringLiteral("QDC018") + QString::number(rows_.count())) != AnswerOk)
        return 0;
    QStringList props;
    props.reserve(rows_.count());
    for (const GatheredCopy &c : rows_.rows())
        props.append(c.row.propNo);
    QList<int> moved;
    const RunReport report = transferCopies(context_, plan_, props, &moved);
    // What moved leaves the list; what is left can be transferred again
    // once the reason it stopped is dealt with.
    for (auto it = moved.crbegin(); it != moved.crend(); ++it) {
        listed_.remove(rows_.at(*it).row.propNo);
        rows_.remove(*it);
    }
    if (report.done > 0 || !report.stopped)
        context_.showMsg(QStringLiteral("IDC001") + QString::number(report.done));
    return report.failed ? -1 : report.done;
}

std::optional<ListReport> BookGoto::report()
{
    if (rows_.isEmpty()) {
        context_.showMsg(QStringLiteral("E没有选择调拨书刊!"));
        return std::nullopt;
    }
    const CodeTables &codes = context_.codes();
    ListReport list;
    list.title = QStringLiteral("书刊调拨清单");
    const QString source =
        plan_.source == transfer::AllLocations ? QStringLiteral("所有馆藏地") : codes.locationName(plan_.source);
    list.headerLines = {QStringLiteral("原馆藏地：") + source,
                        QStringLiteral("新馆藏地：") + codes.locationName(plan_.destination)};
    const QList<CopyField> fields = {CopyField::PropNo, CopyField::BarCode,   CopyField::CallNo, CopyField::Title,
                                     CopyField::Author, CopyField::Publisher, CopyField::Price,  CopyField::Status};
    const QList<double> widths = {22, 22, 24, 50, 28, 28, 16, 18};
    for (int i = 0; i < fields.size(); ++i)
        list.columns.append(ReportColumn{copyHeading(fields.at(i)), widths.at(i),
                                         fields.at(i) == CopyField::Price ? TextAlign::Right : TextAlign::Left});
    double total = 0;
    for (const GatheredCopy &c : rows_.rows()) {
        QStringList cells;
        for (CopyField f : fields)
            cells.append(copyText(context_, c.row, f));
        list.rows.append(cells);
        total += c.row.price;
    }
    list.setCopyFooter(rows_.count(), total, context_.db().serverDate().left(10),
                       cell::staff(context_, context_.session().operatorNo));
    return list;
}

int BookGoto::print(PrintTarget target, const QString &pdfPath)
{
    const std::optional<ListReport> list = report();
    if (!list)
        return 0;
    return context_.printer().print(layoutListReport(*list, PaperSetup::a4()), target, pdfPath);
}

} // namespace kestra
