#include "shelving/ShelfList.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/CopyColumns.h"

namespace kestra::shelf_list {

int load(AppContext &context, const QString &condition, QList<ShelvedCopy> &out)
{
    const QString sql =
        QStringLiteral(" SELECT indi_acct.prop_no,indi_acct.marc_rec_no,indi_acct.dis_location,indi_acct.call_no,"
                       "indi_acct.bar_code,indi_acct.book_stat_code,indi_acct.rec_flag_upt_date,indi_acct.price,"
                       "indi_acct.in_date,indi_acct.attachment,marc.m_title,marc.m_author,marc.m_publisher,"
                       "indi_acct.year || '-' || indi_acct.vol_peri,item.total_circ_times,indi_acct.shelf_no "
                       "  FROM marc,indi_acct  LEFT JOIN item ON item.prop_no=indi_acct.prop_no "
                       " WHERE indi_acct.marc_rec_no=marc.marc_rec_no ") +
        condition + QStringLiteral(" ORDER BY indi_acct.shelf_no,indi_acct.prop_no ");
    QueryResult r;
    if (context.db().querySummary(sql, r) < 0) {
        context.db().showDbError();
        return -1;
    }
    out.clear();
    out.reserve(r.rowCount());
    for (int i = 0; i < r.rowCount(); ++i) {
        ShelvedCopy c;
        c.row.propNo = r.text(i, 0);
        c.row.marcRecNo = r.text(i, 1);
        c.row.disLocation = r.text(i, 2);
        c.row.callNo = r.text(i, 3);
        c.row.barCode = r.text(i, 4);
        c.row.status = r.text(i, 5);
        c.row.statusDate = r.text(i, 6);
        c.row.price = r.number(i, 7);
        c.row.inDate = r.text(i, 8);
        c.row.attachment = r.text(i, 9);
        c.row.title = r.text(i, 10);
        c.row.author = r.text(i, 11);
        c.row.publisher = r.text(i, 12);
        c.row.yearVolume = r.text(i, 13);
        c.circTimes = static_cast<int>(r.number(i, 14));
        c.shelfNo = r.text(i, 15);
        out.append(std::move(c));
    }
    return static_cast<int>(out.size());
}

QList<Column<ShelvedCopy>> columns(AppContext &context)
{
    QList<Column<ShelvedCopy>> list = columnsOf(copyColumns(context, lookupFields()), &ShelvedCopy::row);
    list.append({QStringLiteral("流通次数"), [](const ShelvedCopy &c) { return QString::number(c.circTimes); }, true});
    list.append({QStringLiteral("排架号"), [](const ShelvedCopy &c) { return c.shelfNo; }});
    return list;
}

} // namespace kestra::shelf_list
