#include "inventory/CountReport.h"

#include "copies/ChangeNotice.h"
#include "core/AppContext.h"
#include "core/MessageKind.h"
#include "core/PagePrinter.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "kit/CellText.h"

namespace kestra {

namespace {

QList<QueryColumn> countListColumns(AppContext &context, bool withLocation)
{
    QList<QueryColumn> c = {
        {QStringLiteral("财产号"), QStringLiteral("prop_no")},
        {QStringLiteral("条码号"), QStringLiteral("bar_code")},
        {QStringLiteral("索书号"), QStringLiteral("call_no")},
        {QStringLiteral("题名"), QStringLiteral("m_title")},
        {QStringLiteral("责任者"), QStringLiteral("m_author")},
        {QStringLiteral("出版社"), QStringLiteral("m_publisher")},
        {QStringLiteral("价格"), QStringLiteral("price"), query_format::money(), true},
        {QStringLiteral("书刊状态"), QStringLiteral("book_stat_code"), query_format::status()},
        {QStringLiteral("入藏日期"), QStringLiteral("in_date")},
        {QStringLiteral("附件"), QStringLiteral("attachment")},
        {QStringLiteral("年卷期"), QStringLiteral("year_vol")},
        {QStringLiteral("排架号"), QStringLiteral("shelf_no")},
    };
    if (withLocation)
        c.insert(3, {QStringLiteral("馆藏地"), QStringLiteral("dis_location"), query_format::location(context)});
    return c;
}

QString countClassCondition(const CountBatch &batch)
{
    const QStringList classes = batch.classList();
    if (classes.isEmpty())
        return {};
    QStringList likes;
    for (const QString &c : classes)
        likes.append(QStringLiteral("call_no LIKE ") + sqlQuote(c + u'%'));
    return QStringLiteral(" AND (") + likes.join(QStringLiteral(" OR ")) + u')';
}

const char *const kCountListTitles[] = {"书刊清点-未清点到书刊清单", "书刊清点-在馆异常书刊清单",
                                        "书刊清点-非本馆(本类)书刊清单", "书刊清点-馆藏情况"};
const char *const kCountEmptyLists[] = {"I无未清点到书刊记录!", "I无在馆异常书刊记录!", "I无非本馆本类书刊记录!"};

} // namespace

QList<QPair<QString, int>> CountSummary::lines() const
{
    return {
        {QStringLiteral("理论馆藏书刊(可借,非可借,阅览,业务用书,保留本,分馆藏书,停借等七种状态的书刊数量之和)"),
         holdings},
        {QStringLiteral("清点到书刊"), scanned},
        {QStringLiteral("清点丢失书刊"), missing},
        {QStringLiteral("在馆异常书刊"), abnormal},
        {QStringLiteral("非本馆(本类)书刊"), foreign},
        {QStringLiteral("外借书刊"), onLoan},
        {QStringLiteral("实际馆藏书刊(清点到书刊+外借书刊-在馆异常书刊-非本馆(本类)书刊)"), actual()},
    };
}

CountReport::CountReport(AppContext &context)
    : context_(context), lists_{QueryModel(countListColumns(context, false)),
                                QueryModel(countListColumns(context, false)),
                                QueryModel(countListColumns(context, true))}
{}

int CountReport::setBatch(const CountBatch &batch)
{
    batch_ = batch;
    return load();
}

int CountReport::summarize(AppContext &context, const CountBatch &batch, CountSummary &out)
{
    out = CountSummary{};
    if (batch.isEmpty())
        return 0;
    const QString loc = sqlQuote(batch.location);
    const QString no = sqlQuote(batch.number);
    const QString scope =
        QStringLiteral(" AND (book_stat_code>= '3C' and book_stat_code<= '46')") + countClassCondition(batch);
    // Copies on loan are counted by their holdings location, as every other
    // figure here: the ordering location would miss the counted location's
    // loans and count other locations'.
    QueryResult r;
    if (context.db().query(
            QStringLiteral("SELECT (SELECT count(prop_no)  FROM indi_acct  WHERE dis_location= ") + loc + scope +
                QStringLiteral("), (SELECT count(prop_no)  FROM wait_count_lst  WHERE count_batch_no= ") + no +
                QStringLiteral("), (SELECT count(*) FROM count_lost_copy WHERE count_batch_no=") + no +
                QStringLiteral(" AND flag='0'), (SELECT count(*) FROM count_lost_copy WHERE count_batch_no=") + no +
                QStringLiteral(" AND flag='1'), (SELECT count(*) FROM count_lost_copy WHERE count_batch_no=") + no +
                QStringLiteral(" AND flag='2'), (SELECT count(prop_no)  FROM indi_acct  WHERE dis_location= ") + loc +
                scope + QStringLiteral(" AND prop_no in (select prop_no from lend_lst)) FROM dual"),
            r) < 0) {
        context.db().showDbError();
        return -1;
    }
    out.holdings = r.text(0, 0).toInt();
    out.scanned = r.text(0, 1).toInt();
    out.missing = r.text(0, 2).toInt();
    out.abnormal = r.text(0, 3).toInt();
    out.foreign = r.text(0, 4).toInt();
    out.onLoan = r.text(0, 5).toInt();
    return 0;
}

int CountReport::load()
{
    for (int flag = 0; flag < 3; ++flag) {
        if (batch_.isEmpty()) {
            lists_[flag].reset(QueryResult());
            continue;
        }
        const QString sql =
            QStringLiteral(
                "SELECT indi_acct.prop_no, indi_acct.marc_rec_no, indi_acct.dis_location, indi_acct.call_no, "
                "indi_acct.bar_code, indi_acct.book_stat_code, indi_acct.rec_flag_upt_date, indi_acct.price, "
                "indi_acct.in_date, indi_acct.attachment, marc.m_title, marc.m_author, marc.m_publisher, "
                "indi_acct.year || '-' || indi_acct.vol_peri year_vol, indi_acct.shelf_no FROM "
                "indi_acct,count_lost_copy,marc WHERE count_lost_copy.count_batch_no=") +
            sqlQuote(batch_.number) +
            QStringLiteral(" AND count_lost_copy.prop_no=indi_acct.prop_no AND count_lost_copy.flag=") +
            sqlQuote(QString::number(flag)) +
            QStringLiteral(" AND indi_acct.marc_rec_no=marc.marc_rec_no ORDER BY indi_acct.prop_no");
        if (lists_[flag].load(context_, sql) < 0)
            return -1;
    }
    return summarize(context_, batch_, summary_);
}

int CountReport::stat()
{
    if (batch_.isEmpty()) {
        context_.showMsg(QStringLiteral("E请先选择清点批次。"));
        return 0;
    }
    CountBatch now;
    if (count_batch::read(context_, batch_.number, now) != 0)
        return -1;
    batch_ = now;
    if (batch_.finished())
        return load() < 0 ? -1 : 0;
    const QString question =
        batch_.byClass() ? QStringLiteral("Q应将该馆藏地中该类别的所有藏书扫描完毕后方可执行清点统计操作，是否继续？")
                         : QStringLiteral("Q应将该馆藏地的所有藏书扫描完毕后方可执行清点统计操作，是否继续？");
    if (context_.showMsg(question) != AnswerOk)
        return 0;

    Session &db = context_.db();
    const QString date = sqlQuote(batch_.date);
    const QString loc = sqlQuote(batch_.location);
    const QString no = sqlQuote(batch_.number);
    QStringList calls;
    QStringList statements;
    if (!batch_.byClass()) {
        calls.append(QStringLiteral("Insert02_count_lost_copy ") + date + u',' + loc + u',' + no);
    } else {
        QStringList notLike;
        for (const QString &c : batch_.classList()) {
            calls.append(QStringLiteral("Insert03_count_lost_copy ") + date + u',' + loc + u',' + sqlQuote(c + u'%') +
                         u',' + no);
            notLike.append(QStringLiteral("indi_acct.call_no NOT LIKE ") + sqlQuote(c + u'%'));
        }
        statements.append(
            QStringLiteral("insert into count_lost_copy(COUNT_DATE,  LOCATION,  PROP_NO,  FLAG,  count_batch_no) "
                           "SELECT ") +
            date + QStringLiteral(", ") + loc + QStringLiteral(",  indi_acct.prop_no,'2', ") + no +
            QStringLiteral(" FROM indi_acct,wait_count_lst  WHERE wait_count_lst.count_batch_no=") + no +
            QStringLiteral("   AND wait_count_lst.prop_no=indi_acct.prop_no    AND ( indi_acct.dis_location<>") + loc +
            QStringLiteral("   OR indi_acct.dis_location IS NULL OR indi_acct.call_no IS NULL OR ( ") +
            notLike.join(QStringLiteral(" AND ")) + QStringLiteral(") )"));
    }
    // The results and the closing of the batch commit together: results
    // kept in a batch still open would be added again by the next run.
    Transaction tx(db);
    bool ok = true;
    for (const QString &call : std::as_const(calls))
        ok = ok && db.callProc(call) >= 0;
    for (const QString &sql : std::as_const(statements))
        ok = ok && db.execute(sql) >= 0;
    ok = ok && logOperation(context_, QStringLiteral("30009"), QString(), QString(),
                            context_.locationName(batch_.location)) >= 0;
    ok = ok && db.callProc(QStringLiteral("Update01_count_data ") + date + u',' + loc +
                           QStringLiteral(",NULL,'1',NULL,NULL,") + no) >= 0;
    if (!ok || tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    batch_.finishFlag = QStringLiteral("1");
    Q_EMIT ChangeNotice::of(context_).batchesChanged(QStringLiteral("count_data"));
    return load() < 0 ? -1 : 1;
}

std::optional<ListReport> CountReport::report(int tab)
{
    ListReport r;
    if (tab < 0 || tab > 3)
        return std::nullopt;
    r.title = QString::fromUtf8(kCountListTitles[tab]);
    r.headerLines = {QStringLiteral("馆藏地：") + context_.locationName(batch_.location),
                     QStringLiteral("清点日期：") + batch_.date, QStringLiteral("清点类型：") + batch_.scopeText(),
                     QStringLiteral("说明：") + batch_.remark};
    const QString today = context_.db().serverDate().left(10);
    if (tab == 3) {
        r.columns = {{QStringLiteral("类型"), 150}, {QStringLiteral("数量"), 30, TextAlign::Right}};
        for (const auto &[name, value] : summary_.lines())
            r.rows.append({name, QString::number(value)});
        r.footer = {{QStringLiteral("制表日期："), today},
                    {QStringLiteral("制表人员："), context_.session().operatorNo}};
        return r;
    }
    const QueryModel &m = lists_[tab];
    if (m.count() == 0) {
        context_.showMsg(QString::fromUtf8(kCountEmptyLists[tab]));
        return std::nullopt;
    }
    const QStringList headings = m.headings();
    for (const QString &h : headings)
        r.columns.append({h, h == QLatin1String("题名") ? 40.0 : 16.0,
                          h == QLatin1String("价格") ? TextAlign::Right : TextAlign::Left});
    double total = 0;
    for (int row = 0; row < m.count(); ++row) {
        QStringList cells;
        for (int c = 0; c < headings.size(); ++c)
            cells.append(m.text(row, c));
        r.rows.append(cells);
        total += m.value(row, QStringLiteral("price")).toDouble();
    }
    r.setCopyFooter(m.count(), total, today, context_.session().operatorNo);
    return r;
}

int CountReport::print()
{
    int printed = 0;
    for (int tab = 0; tab < 4; ++tab) {
        const std::optional<ListReport> r = report(tab);
        if (!r)
            continue;
        PageDocument doc = layoutListReport(*r, PaperSetup{});
        doc.title = r->title;
        if (context_.printer().print(doc, PrintTarget::Preview, QString()) < 0)
            return -1;
        ++printed;
    }
    return printed;
}

} // namespace kestra
