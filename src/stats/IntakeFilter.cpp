#include "stats/IntakeFilter.h"

#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/Session.h"
#include "kit/Days.h"

namespace kestra::intake_filter {

namespace {

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

int codeList(AppContext &context, CodeCache which, QList<FilterCode> &out)
{
    out.clear();
    CodeTables &codes = context.codes();
    if (!codes.isLoaded(which) && codes.load(which) < 0) {
        context.db().showDbError();
        return -1;
    }
    const QueryResult &table = codes.table(which);
    for (int r = 0; r < table.rowCount(); ++r)
        out.append(FilterCode{table.text(r, 0), table.text(r, 1)});
    return 0;
}

QString quotedList(const QStringList &values)
{
    QStringList quoted;
    for (const QString &v : values)
        quoted.append(sqlQuote(v));
    return quoted.join(u',');
}

} // namespace

int monthOf(const QString &entry)
{
    const int at = entry.indexOf(u'月');
    bool ok = false;
    const int month = entry.left(at).trimmed().toInt(&ok);
    return at > 0 && ok && month >= 1 && month <= 12 ? month : 0;
}

QString spanText(const IntakeConditions &c)
{
    switch (c.span) {
    case IntakeSpan::Year:
        return QString::number(c.year);
    case IntakeSpan::Month:
        return QString::number(c.year) + u'-' + twoDigits(c.month);
    case IntakeSpan::Period:
        break;
    }
    return day::text(c.begin) + QStringLiteral(" 到 ") + day::text(c.end);
}

int docTypes(AppContext &context, QList<FilterCode> &out)
{
    return codeList(context, CodeCache::DocTypes, out);
}

int languages(AppContext &context, QList<FilterCode> &out)
{
    return codeList(context, CodeCache::Languages, out);
}

int locations(AppContext &context, QList<FilterCode> &out)
{
    const int status = codeList(context, CodeCache::AllLocations, out);
    for (FilterCode &c : out) {
        if (c.name.isEmpty())
            c.name = c.code;
    }
    return status;
}

int batches(AppContext &context, const IntakeConditions &conditions, QStringList &out)
{
    out.clear();
    // The span's conditions begin with " AND".
    const QString sql = QStringLiteral("select distinct move_batch from transfer_doc WHERE") +
                        spanSql(conditions, QStringLiteral("transfer_doc.send_store_date")).mid(4) +
                        QStringLiteral(" order by move_batch ");
    QueryResult result;
    if (context.db().query(sql, result) < 0) {
        context.db().showDbError();
        return -1;
    }
    for (int r = 0; r < result.rowCount(); ++r)
        out.append(result.text(r, 0));
    return 0;
}

QString recordSql(const IntakeConditions &c)
{
    QString sql;
    if (!c.docType.isEmpty())
        sql += QStringLiteral(" AND marc.doc_type_code= ") + sqlQuote(c.docType);
    if (!c.language.isEmpty())
        sql += QStringLiteral(" AND upper(marc.lang_code)= ") + sqlQuote(c.language.toUpper());
    return sql;
}

QString spanSql(const IntakeConditions &c, const QString &column)
{
    const QString sub = QStringLiteral(" AND substr(") + column;
    switch (c.span) {
    case IntakeSpan::Year:
        return sub + QStringLiteral(",1,4) = ") + sqlQuote(QString::number(c.year));
    case IntakeSpan::Month:
        return sub + QStringLiteral(",1,7) = ") + sqlQuote(QString::number(c.year) + u'-' + twoDigits(c.month));
    case IntakeSpan::Period:
        break;
    }
    return sub + QStringLiteral(",1,10) >= ") + sqlQuote(day::text(c.begin)) + sub + QStringLiteral(",1,10) <= ") +
           sqlQuote(day::text(c.end));
}

QString intakeSql(const IntakeConditions &c)
{
    const QString sql = recordSql(c) + spanSql(c, QStringLiteral("indi_acct.in_date"));
    if (c.batches.isEmpty())
        return sql + QStringLiteral(" AND indi_acct.chk_batch_no is not null");
    return sql + QStringLiteral(" AND indi_acct.move_batch IN (") + quotedList(c.batches) + u')';
}

QString locationSql(const QStringList &locations)
{
    if (locations.isEmpty())
        return QString();
    if (locations.size() == 1)
        return QStringLiteral(" AND indi_acct.dis_location = ") + sqlQuote(locations.first());
    return QStringLiteral(" AND indi_acct.dis_location IN (") + quotedList(locations) + u')';
}

QVariantMap toArgs(const IntakeConditions &c)
{
    return {{QStringLiteral("span"), int(c.span)},     {QStringLiteral("year"), c.year},
            {QStringLiteral("month"), c.month},        {QStringLiteral("begin"), day::text(c.begin)},
            {QStringLiteral("end"), day::text(c.end)}, {QStringLiteral("docType"), c.docType},
            {QStringLiteral("language"), c.language},  {QStringLiteral("batches"), c.batches},
            {QStringLiteral("locations"), c.locations}};
}

IntakeConditions fromArgs(const QVariantMap &args)
{
    IntakeConditions c;
    const int span = args.value(QStringLiteral("span")).toInt();
    c.span = span == int(IntakeSpan::Month) ? IntakeSpan::Month
                                            : (span == int(IntakeSpan::Period) ? IntakeSpan::Period : IntakeSpan::Year);
    c.year = args.value(QStringLiteral("year")).toInt();
    c.month = args.value(QStringLiteral("month")).toInt();
    c.begin = day::from(args.value(QStringLiteral("begin")).toString());
    c.end = day::from(args.value(QStringLiteral("end")).toString());
    c.docType = args.value(QStringLiteral("docType")).toString();
    c.language = args.value(QStringLiteral("language")).toString();
    c.batches = args.value(QStringLiteral("batches")).toStringList();
    c.locations = args.value(QStringLiteral("locations")).toStringList();
    if (args.contains(QStringLiteral("location")))
        c.locations = QStringList{args.value(QStringLiteral("location")).toString()};
    return c;
}

} // namespace kestra::intake_filter
