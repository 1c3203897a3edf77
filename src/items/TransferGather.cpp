#include "items/TransferGather.h"

#include "core/AppContext.h"
#include "core/Prompter.h"
#include "core/Session.h"

#include <QHash>

namespace kestra {

namespace {

// The columns of the lookup row, in readItemRow's order.
constexpr auto kListColumns =
    " SELECT indi_acct.prop_no,indi_acct.marc_rec_no,indi_acct.dis_location,indi_acct.call_no,indi_acct.bar_code,"
    "indi_acct.book_stat_code,indi_acct.rec_flag_upt_date,indi_acct.price,indi_acct.in_date,indi_acct.attachment,"
    "marc.m_title,marc.m_author,marc.m_publisher,indi_acct.year || '-' || indi_acct.vol_peri,"
    "indi_acct.indi_opac_flag ";

// The source and document-type conditions every bulk gathering adds.
QString atSource(const TransferPlan &plan)
{
    QString sql;
    if (plan.source != transfer::AllLocations)
        sql += QStringLiteral(" AND indi_acct.dis_location=") + sqlQuote(plan.source);
    if (!plan.docType.isEmpty())
        sql += QStringLiteral(" AND marc.doc_type_code=") + sqlQuote(plan.docType);
    return sql + QStringLiteral(" AND indi_acct.marc_rec_no=marc.marc_rec_no ");
}

} // namespace

int TransferGather::gather(const QString &where, const QString &noneMessage, QList<GatheredCopy> &copies)
{
    copies.clear();
    Session &db = context_.db();
    Prompter &prompter = context_.prompter();
    prompter.setBusy(true);
    QueryResult listed;
    QueryResult circulating;
    const bool ok = db.querySummary(QLatin1String(kListColumns) + QStringLiteral(" FROM indi_acct,marc ") + where +
                                        QStringLiteral(" ORDER BY indi_acct.call_no,indi_acct.prop_no "),
                                    listed) == 0 &&
                    db.query(QStringLiteral(" SELECT item.prop_no,item.total_circ_times,item.book_lend_flag "
                                            " FROM indi_acct,item,marc ") +
                                 where + QStringLiteral(" AND item.prop_no=indi_acct.prop_no "),
                             circulating) == 0;
    prompter.setBusy(false);
    if (!ok) {
        db.showDbError();
        return -1;
    }
    QHash<QString, int> circ;
    circ.reserve(circulating.rowCount());
    for (int i = 0; i < circulating.rowCount(); ++i)
        circ.insert(circulating.text(i, 0), i);
    copies.reserve(listed.rowCount());
    for (int i = 0; i < listed.rowCount(); ++i) {
        GatheredCopy c;
        ItemRow &r = c.row;
        r.propNo = listed.text(i, 0);
        r.marcRecNo = listed.text(i, 1);
        r.disLocation = listed.text(i, 2);
        r.callNo = listed.text(i, 3);
        r.barCode = listed.text(i, 4);
        r.status = listed.text(i, 5);
        r.statusDate = listed.text(i, 6);
        r.price = listed.number(i, 7);
        r.inDate = listed.text(i, 8);
        r.attachment = listed.text(i, 9);
        r.title = listed.text(i, 10);
        r.author = listed.text(i, 11);
        r.publisher = listed.text(i, 12);
        r.yearVolume = listed.text(i, 13);
        r.opacFlag = listed.text(i, 14);
        const auto at = circ.constFind(r.propNo);
        if (at != circ.constEnd()) {
            c.circulates = true;
            c.circTimes = static_cast<int>(circulating.number(*at, 1));
            c.lendFlag = circulating.text(*at, 2);
        }
        copies.append(c);
    }
    if (copies.isEmpty())
        context_.showMsg(noneMessage);
    return static_cast<int>(copies.size());
}

int TransferGather::byClass(const TransferPlan &plan, const QString &cls, QList<GatheredCopy> &copies)
{
    copies.clear();
    const QString prefix = cls.trimmed();
    if (prefix.isEmpty()) {
        context_.showMsg(QStringLiteral("E请输入要调拨的分类号"));
        return 0;
    }
    return gather(QStringLiteral("  WHERE indi_acct.call_no LIKE ") + sqlQuote(prefix + u'%') + atSource(plan),
                  QStringLiteral("EDC020"), copies);
}

int TransferGather::byHandoverBatch(const TransferPlan &plan, const QString &batch, QList<GatheredCopy> &copies)
{
    copies.clear();
    const QString number = batch.trimmed();
    if (number.isEmpty()) {
        context_.showMsg(QStringLiteral("E请输入要调拨的交接批次"));
        return 0;
    }
    return gather(QStringLiteral("  WHERE indi_acct.move_batch=") + sqlQuote(number) + atSource(plan),
                  QStringLiteral("E该馆藏地没有该交接批次的书刊"), copies);
}

int TransferGather::range(const TransferPlan &plan, InputType type, const QString &start, const QString &end,
                          QStringList &codes)
{
    codes.clear();
    const QString from = start.trimmed().toUpper();
    const QString to = end.trimmed().toUpper();
    if (from.isEmpty() || from.size() != to.size()) {
        context_.showMsg(QStringLiteral("E起止号码长度不一致。"));
        return 0;
    }
    const QString column = type == InputType::Barcode ? QStringLiteral("bar_code") : QStringLiteral("prop_no");
    QString sql = QStringLiteral(" SELECT ") + column + QStringLiteral(" FROM indi_acct  WHERE ") + column +
                  QStringLiteral(">=") + sqlQuote(from) + QStringLiteral(" AND ") + column + QStringLiteral("<=") +
                  sqlQuote(to) + QStringLiteral(" AND length(") + column + QStringLiteral(")=") +
                  QString::number(from.size());
    if (plan.source != transfer::AllLocations)
        sql += QStringLiteral(" AND dis_location=") + sqlQuote(plan.source);
    sql += QStringLiteral(" ORDER BY ") + column;
    QueryResult r;
    if (context_.db().query(sql, r) < 0) {
        context_.db().showDbError();
        return -1;
    }
    for (int i = 0; i < r.rowCount(); ++i)
        codes.append(r.text(i, 0));
    return static_cast<int>(codes.size());
}

} // namespace kestra
