#include "shelving/ShelfStat.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "items/SearchConditions.h"
#include "output/ListReport.h"

namespace kestra {

namespace shelf_stat {

namespace {

QString restriction(const ShelfStatSettings &s, const QString &column)
{
    if (!s.restrict)
        return {};
    // The operator's % and _ match themselves: a shelf is compared as text.
    const MatchMode mode = s.match == ShelfStatSettings::Match::Exact    ? MatchMode::Exact
                           : s.match == ShelfStatSettings::Match::Prefix ? MatchMode::Prefix
                                                                         : MatchMode::Anywhere;
    return QStringLiteral(" AND ") + matchSql(column, mode, s.text, false);
}

} // namespace

QString refusal(const ShelfStatSettings &s)
{
    if (s.restrict && s.text.isEmpty())
        return QStringLiteral("E选择限制条件排架号必须输入排架号内容。");
    return {};
}

QString statSql(const ShelfStatSettings &s)
{
    const QString label = s.restrict ? s.text : QStringLiteral("ALL");
    QString sql = s.mode == ShelfStatSettings::Mode::PerShelf
                      ? QStringLiteral(" SELECT shelf_no,count(*) ")
                      : QStringLiteral(" SELECT ") + sqlQuote(label) + QStringLiteral(",count(*) ");
    sql += QStringLiteral("   FROM indi_acct WHERE shelf_no is not null ") + restriction(s, QStringLiteral("shelf_no"));
    if (s.mode == ShelfStatSettings::Mode::PerShelf)
        sql += QStringLiteral(" GROUP BY shelf_no  ORDER BY shelf_no ");
    return sql;
}

QString detailCondition(const ShelfStatSettings &s, const ShelfCount &row)
{
    if (s.mode == ShelfStatSettings::Mode::PerShelf)
        return QStringLiteral(" AND indi_acct.shelf_no=") + sqlQuote(row.shelf);
    if (!s.restrict)
        return QStringLiteral(" AND indi_acct.shelf_no IS NOT NULL ");
    return restriction(s, QStringLiteral("indi_acct.shelf_no"));
}

} // namespace shelf_stat

namespace {

QList<Column<ShelfCount>> countColumns()
{
    return {{QStringLiteral("排架号"), [](const ShelfCount &c) { return c.shelf; }},
            {QStringLiteral("书刊数量"), [](const ShelfCount &c) { return QString::number(c.copies); }, true}};
}

} // namespace

ShelfStat::ShelfStat(AppContext &context)
    : context_(context), rows_(countColumns(), false), detail_(shelf_list::columns(context), false)
{}

int ShelfStat::run(const ShelfStatSettings &settings)
{
    if (!settings.run)
        return 0;
    QueryResult r;
    if (context_.db().query(shelf_stat::statSql(settings), r) < 0) {
        context_.db().showDbError();
        return -1;
    }
    settings_ = settings;
    QList<ShelfCount> list;
    for (int i = 0; i < r.rowCount(); ++i)
        list.append(ShelfCount{r.text(i, 0), static_cast<int>(r.number(i, 1))});
    rows_.reset(std::move(list));
    detail_.reset();
    return rows_.count();
}

int ShelfStat::detail(int row)
{
    if (row < 0 || row >= rows_.count())
        return 0;
    QList<ShelvedCopy> list;
    const int n = shelf_list::load(context_, shelf_stat::detailCondition(settings_, rows_.at(row)), list);
    if (n < 0)
        return -1;
    detail_.reset(std::move(list));
    return n;
}

PageDocument ShelfStat::shelfPages() const
{
    ListReport report;
    report.title = QStringLiteral("排架号浏览");
    report.headerLines = {QStringLiteral("日期：") + context_.db().serverDate().left(10)};
    report.columns = {ReportColumn{QStringLiteral("排架号"), 60, TextAlign::Left},
                      ReportColumn{QStringLiteral("书刊数量"), 30, TextAlign::Right}};
    for (const ShelfCount &c : rows_.rows())
        report.rows.append({c.shelf, QString::number(c.copies)});
    PageDocument doc = layoutListReport(report, PaperSetup::a4(false));
    doc.title = report.title;
    return doc;
}

int ShelfStat::detailPages(PageDocument &doc)
{
    doc = PageDocument();
    doc.title = QStringLiteral("排架清单");
    doc.paper = PaperSetup::a4(true);
    for (const ShelfCount &c : rows_.rows()) {
        QList<ShelvedCopy> list;
        if (shelf_list::load(context_, shelf_stat::detailCondition(settings_, c), list) < 0)
            return -1;
        ListReport report;
        report.title = QStringLiteral("排架清单");
        report.headerLines = {QStringLiteral("排架号：") + c.shelf};
        const QList<Column<ShelvedCopy>> columns = shelf_list::columns(context_);
        for (const Column<ShelvedCopy> &col : columns)
            report.columns.append(ReportColumn{col.heading, 22, col.number ? TextAlign::Right : TextAlign::Left});
        for (const ShelvedCopy &copy : std::as_const(list)) {
            QStringList cells;
            for (const Column<ShelvedCopy> &col : columns)
                cells.append(col.text(copy));
            report.rows.append(cells);
        }
        report.footer.append(ReportField{QStringLiteral("总册数："), QString::number(list.size())});
        doc.pages.append(layoutListReport(report, doc.paper).pages);
    }
    return static_cast<int>(doc.pages.size());
}

int ShelfStat::printShelf()
{
    if (rows_.isEmpty())
        return 0;
    return context_.printer().print(shelfPages(), PrintTarget::Preview, QString());
}

int ShelfStat::printDetail()
{
    if (rows_.isEmpty())
        return 0;
    PageDocument doc;
    if (detailPages(doc) < 0)
        return -1;
    return context_.printer().print(doc, PrintTarget::Preview, QString());
}

} // namespace kestra
