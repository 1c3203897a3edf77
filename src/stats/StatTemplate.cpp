#include "stats/StatTemplate.h"

#include "core/AppContext.h"
#include "core/Session.h"

namespace kestra {

namespace {

const QString TemplateOrder = QStringLiteral(" ORDER BY length(trim(sub_stat_code)),sub_stat_code");

// "low~high" as its two ends; false for a prefix.
bool classRange(const QString &element, QString &low, QString &high)
{
    const qsizetype at = element.indexOf(u'~');
    if (at < 0)
        return false;
    low = element.left(at);
    high = element.mid(at + 1);
    return true;
}

QString rangeTest(const QString &a, const QString &low, const QString &high)
{
    return a + QStringLiteral(".call_no  >= ") + sqlQuote(low) + QStringLiteral(" AND substr(") + a +
           QStringLiteral(".call_no ,1,") + QString::number(high.size()) + QStringLiteral(")<= ") + sqlQuote(high);
}

QString prefixTest(const QString &a, const QString &prefix)
{
    return a + QStringLiteral(".call_no  like ") + sqlQuote(prefix + u'%');
}

} // namespace

StatFigures StatFigures::parse(const QString &text)
{
    const QStringList parts = text.split(u',');
    return StatFigures{parts.value(0), parts.value(1), parts.value(2)};
}

int StatTemplate::load(AppContext &context, const QString &templateCode)
{
    subs.clear();
    schemes.clear();
    comps.clear();
    const QString code = sqlQuote(templateCode);
    Session &db = context.db();
    QueryResult details;
    QueryResult ids;
    QueryResult rows;
    if (db.query(QStringLiteral("SELECT sub_stat_code,sub_stat_name FROM stat_type_detl WHERE stat_type_code=") + code +
                     QStringLiteral(" AND code_use_flag='1'") + TemplateOrder,
                 details) < 0 ||
        db.query(QStringLiteral("SELECT distinct cls_id FROM stat_cls_comp WHERE stat_type_code =") + code, ids) < 0 ||
        db.query(QStringLiteral("SELECT sub_stat_code,cls_id,comp_cls FROM stat_cls_comp WHERE stat_type_code=") +
                     code + TemplateOrder,
                 rows) < 0) {
        db.showDbError();
        return -1;
    }
    for (int r = 0; r < details.rowCount(); ++r)
        subs.append(SubStat{details.text(r, 0).trimmed(), details.text(r, 1)});
    for (int r = 0; r < ids.rowCount(); ++r)
        schemes.append(ids.text(r, 0));
    for (int r = 0; r < rows.rowCount(); ++r)
        comps.append(ClassComp{rows.text(r, 0).trimmed(), rows.text(r, 1), rows.text(r, 2)});
    return 0;
}

QString StatTemplate::classCondition(const QString &a, const QString &subCode) const
{
    QStringList pieces;
    for (const ClassComp &comp : comps) {
        if (comp.subCode != subCode)
            continue;
        const QString scheme = a + QStringLiteral(".cls_id = ") + sqlQuote(comp.clsId);
        // Empty elements ("A,,B", a trailing ",") are no class: as a prefix
        // they would take every call number of the scheme.
        QStringList elements;
        for (const QString &e : comp.spec.split(u','))
            if (!e.trimmed().isEmpty())
                elements.append(e.trimmed());
        if (elements.isEmpty())
            continue;
        QString low;
        QString high;
        if (comp.spec.contains(u',')) {
            QString text;
            for (const QString &e : elements)
                text += classRange(e, low, high)
                            ? QString(QStringLiteral(" OR (") + rangeTest(a, low, high) + QStringLiteral(") "))
                            : QString(QStringLiteral(" OR ") + prefixTest(a, e));
            text = u' ' + text.mid(4);
            pieces.append(QStringLiteral(" (") + scheme + QStringLiteral(" AND  (") + text + QStringLiteral(")  ) "));
        } else if (classRange(elements.first(), low, high)) {
            pieces.append(QStringLiteral(" (") + scheme + QStringLiteral(" AND ") + rangeTest(a, low, high) +
                          QStringLiteral(") "));
        } else {
            pieces.append(QStringLiteral(" (") + scheme + QStringLiteral(" AND ") + prefixTest(a, elements.first()) +
                          QStringLiteral(") "));
        }
    }
    if (pieces.isEmpty())
        return QString();
    return u'(' + pieces.join(QStringLiteral(" OR ")) + u')';
}

QString statSortSql(const QString &baseQuery, const QStringList &conditions)
{
    QStringList parts;
    for (qsizetype i = 0; i < conditions.size(); ++i)
        parts.append(QStringLiteral("SELECT %1 AS n, (").arg(i) + baseQuery + conditions.at(i) +
                     QStringLiteral(") AS v FROM dual"));
    return parts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(" ORDER BY 1");
}

int statSortByQuery(Session &db, const QString &baseQuery, const QStringList &conditions, QStringList &result)
{
    result = QStringList(conditions.size());
    if (conditions.isEmpty())
        return 0;
    QueryResult rows;
    if (db.query(statSortSql(baseQuery, conditions), rows) < 0)
        return -1;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const int at = rows.text(r, 0).toInt();
        if (at >= 0 && at < result.size())
            result[at] = rows.text(r, 1);
    }
    return 0;
}

int statSortData(Session &db, const QString &baseQuery, const QStringList &conditions, QStringList &result)
{
    result.clear();
    if (db.backend() != nullptr && db.backend()->kind() == BackendTarget::Kind::Oracle)
        return statSortByQuery(db, baseQuery, conditions, result);
    QList<BoundParam> params{{QStringLiteral("STRSQL"), baseQuery},
                             {QStringLiteral("ARRAYSIZE"), int(conditions.size())},
                             {QStringLiteral("CONDITION"), conditions},
                             {QStringLiteral("RESULT"), QVariant(), true}};
    if (db.executeBound(QStringLiteral("Begin TJ_SORT.GetCommonSortData( :STRSQL, :ARRAYSIZE, :CONDITION, "
                                       ":RESULT); End;"),
                        params) < 0)
        return -1;
    result = params.at(3).value.toStringList();
    while (result.size() < conditions.size())
        result.append(QString());
    return 0;
}

int statBulkData(Session &db, const QString &query, QStringList &result)
{
    result.clear();
    if (db.backend() != nullptr && db.backend()->kind() == BackendTarget::Kind::Oracle) {
        QueryResult rows;
        if (db.query(query, rows) < 0)
            return -1;
        for (int r = 0; r < rows.rowCount() && r < 1000; ++r) {
            QStringList fields;
            for (int c = 0; c < rows.columnCount(); ++c)
                fields.append(rows.text(r, c));
            result.append(fields.join(u','));
        }
        return 0;
    }
    QList<BoundParam> params{{QStringLiteral("STRSQL"), query},
                             {QStringLiteral("ARRAYSIZE"), QVariant(), true},
                             {QStringLiteral("RESULT"), QVariant(), true}};
    if (db.executeBound(QStringLiteral("Begin TJ_SORT.GetBulkData( :STRSQL,:ARRAYSIZE,:RESULT); End;"), params) < 0)
        return -1;
    result = params.at(2).value.toStringList().mid(0, params.at(1).value.toInt());
    return 0;
}

} // namespace kestra
