#include "items/DealLists.h"

#include "copies/ItemCodes.h"
#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/InstallFolders.h"
#include "core/Session.h"
#include "kit/CopyColumns.h"
#include "marc/MarcImport.h"

namespace kestra::deal_lists {

namespace {

// The row columns every list reads, in this order.
const QString kColumns =
    QStringLiteral(" SELECT indi_acct.prop_no,indi_acct.bar_code,indi_acct.call_no,marc.m_title,marc.m_author,"
                   "marc.m_publisher,indi_acct.year,indi_acct.vol_peri,indi_acct.price,deal_log.book_target,"
                   "deal_log.fee,deal_log.remark,indi_acct.dis_location ");

enum Col { Prop, Bar, CallNo, Title, Author, Publisher, Year, Volume, Price, Target, Fee, Remark, Location };

enum class Layout { Repair, Weeding, CheckBack };

QString rowsSql(const QString &type, const DealBatch &b, const QString &extra = QString())
{
    return kColumns + QStringLiteral(" FROM indi_acct,deal_log,marc  WHERE deal_log.deal_type_code=") + sqlQuote(type) +
           QStringLiteral(" AND deal_log.deal_batch_no=") + sqlQuote(b.number) +
           QStringLiteral(" AND deal_log.location=") + sqlQuote(b.location) + extra +
           QStringLiteral(" AND deal_log.prop_no=indi_acct.prop_no  AND indi_acct.marc_rec_no=marc.marc_rec_no "
                          " ORDER BY deal_log.deal_no ");
}

QString listTitle(const QString &type)
{
    if (type == deal_type::Weeding)
        return QStringLiteral("书刊剔旧清单");
    if (type == deal_type::Gift)
        return QStringLiteral("书刊赠送清单");
    if (type == deal_type::Exchange)
        return QStringLiteral("书刊换出清单");
    return QStringLiteral("书刊修补清单");
}

std::optional<ListReport> build(AppContext &context, const DealBatch &b, const QString &sql, const QString &title,
                                Layout layout, const QString &none)
{
    QueryResult r;
    if (context.db().querySummary(sql, r) < 0) {
        context.db().showDbError();
        return std::nullopt;
    }
    if (r.rowCount() == 0) {
        context.showMsg(QStringLiteral("I") + none);
        return std::nullopt;
    }
    ListReport report;
    report.title = title;
    report.headerLines = {QStringLiteral("馆藏地：") + context.locationName(b.location),
                          QStringLiteral("处理批次：") + b.number, QStringLiteral("说明：") + b.remark};
    auto column = [&report](const char *heading, double width, TextAlign align = TextAlign::Left) {
        report.columns.append(ReportColumn{QString::fromUtf8(heading), width, align});
    };
    column("序号", 10, TextAlign::Right);
    column("财产号", 20);
    column("条码号", 20);
    column("索书号", 22);
    column("题名", 45);
    column("责任者", 25);
    column("出版社", 25);
    if (layout == Layout::Weeding) {
        column("年代", 12);
        column("卷期", 12);
    }
    column("价格", 15, TextAlign::Right);
    column("书刊去向", 20);
    if (layout != Layout::Weeding)
        column("处理费用", 15, TextAlign::Right);
    column("处理说明", 25);
    if (layout != Layout::Repair)
        column("馆藏地", 20);
    double total = 0;
    for (int i = 0; i < r.rowCount(); ++i) {
        QStringList cells = {QString::number(i + 1), r.text(i, Prop),   r.text(i, Bar),      r.text(i, CallNo),
                             r.text(i, Title),       r.text(i, Author), r.text(i, Publisher)};
        if (layout == Layout::Weeding)
            cells << r.text(i, Year) << r.text(i, Volume);
        cells << cell::price(r.number(i, Price)) << r.text(i, Target);
        if (layout != Layout::Weeding)
            cells << (r.value(i, Fee).isNull() ? QString() : cell::price(r.number(i, Fee)));
        cells << r.text(i, Remark);
        if (layout != Layout::Repair)
            cells << cell::location(context, r.text(i, Location));
        total += r.number(i, Price);
        report.rows.append(cells);
    }
    report.setCopyFooter(r.rowCount(), total, context.db().serverDate().left(10),
                         cell::staff(context, context.session().operatorNo));
    return report;
}

// The copies of a repair batch that came back (returned) or did not in the
// check-back batch of the same number. The fee, target and remark are the
// repair row's: the check-back row has none of its own.
std::optional<ListReport> checkBackList(AppContext &context, const DealBatch &b, bool returned)
{
    const QString sql = rowsSql(
        QString(deal_type::Repair), b,
        QStringLiteral(" AND deal_log.prop_no ") + (returned ? QStringLiteral("IN") : QStringLiteral("NOT IN")) +
            QStringLiteral(" (SELECT prop_no FROM deal_log WHERE deal_type_code=") +
            sqlQuote(QString(deal_type::CheckBack)) + QStringLiteral(" AND deal_batch_no=") + sqlQuote(b.number) +
            QStringLiteral(" AND location=") + sqlQuote(b.location) + u')');
    const QString title = returned ? QStringLiteral("修补回验清单") : QStringLiteral("修补验收未到清单");
    const QString none =
        returned ? QStringLiteral("该批次无已验收书刊记录!") : QStringLiteral("该批次无验收未到书刊记录!");
    return build(context, b, sql, title, Layout::CheckBack, none);
}

} // namespace

std::optional<ListReport> batchList(AppContext &context, const DealBatch &b)
{
    const Layout layout = b.type == deal_type::Repair ? Layout::Repair : Layout::Weeding;
    return build(context, b, rowsSql(b.type, b), listTitle(b.type), layout, QStringLiteral("该批次无书刊记录!"));
}

std::optional<ListReport> returnedList(AppContext &context, const DealBatch &b)
{
    return checkBackList(context, b, true);
}

std::optional<ListReport> stillOutList(AppContext &context, const DealBatch &b)
{
    return checkBackList(context, b, false);
}

int preview(AppContext &context, const ListReport &report)
{
    return context.printer().print(layoutListReport(report, PaperSetup::a4(true)), PrintTarget::Preview, QString());
}

int exportMarc(AppContext &context, const DealBatch &b)
{
    const QString path = context.prompter().chooseSaveFile(
        QStringLiteral("导出MARC"), context.folders().folder(InstallFolders::Dat), QStringLiteral("文本文件 (*.txt)"));
    return path.isEmpty() ? 0 : exportMarcTo(context, b, path);
}

int exportMarcTo(AppContext &context, const DealBatch &b, const QString &path)
{
    Session &db = context.db();
    QueryResult r;
    if (db.query(QStringLiteral(" SELECT DISTINCT indi_acct.marc_rec_no  FROM indi_acct,deal_log "
                                " WHERE deal_log.deal_type_code=") +
                     sqlQuote(b.type) + QStringLiteral(" AND deal_log.deal_batch_no=") + sqlQuote(b.number) +
                     QStringLiteral(" AND deal_log.location=") + sqlQuote(b.location) +
                     QStringLiteral(" AND deal_log.prop_no=indi_acct.prop_no ORDER BY indi_acct.marc_rec_no"),
                 r) < 0) {
        db.showDbError();
        return -1;
    }
    if (r.rowCount() == 0) {
        context.showMsg(QStringLiteral("I该批次无书刊记录!"));
        return 0;
    }
    QStringList numbers;
    for (int i = 0; i < r.rowCount(); ++i)
        numbers.append(r.text(i, 0));
    ExportReport report;
    if (exportMarcRecords(db, numbers, context.codePage(), path, MarcEncodingChoice{}, report) < 0) {
        context.showMsg(QStringLiteral("E") + report.problems.value(0, path));
        return -1;
    }
    if (!report.problems.isEmpty())
        context.showMsg(QStringLiteral("W") + report.problems.mid(0, 20).join(u'\n'));
    context.showMsg(QStringLiteral("I导出MARC完成。"));
    return static_cast<int>(report.written);
}

} // namespace kestra::deal_lists
