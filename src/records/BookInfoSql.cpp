#include "records/BookInfoSql.h"

#include "core/Session.h"
#include "marc/MarcText.h"

namespace kestra::book_info_sql {

namespace {

// The copy and reader columns that the circulation tabs begin with, from
// the copy table under its alias.
QString copyReaderColumns(const QString &copy, const QString &locationColumn)
{
    return QStringLiteral("SELECT %1.call_no, %1.prop_no, %1.bar_code, %1.%2 AS location, reader.cert_id, "
                          "reader.name")
        .arg(copy, locationColumn);
}

QString copyFilter(const QString &copy, const CopyFilter &filter)
{
    if (!filter.propNo.isEmpty())
        return QStringLiteral(" AND ") + copy + QStringLiteral(".prop_no = ") + sqlQuote(filter.propNo);
    if (!filter.barCode.isEmpty())
        return QStringLiteral(" AND ") + copy + QStringLiteral(".bar_code = ") + sqlQuote(filter.barCode);
    return QString();
}

// The circulation tabs over item and reader: the rows of table t joined by
// accession number and card, for record R.
QString circulation(const QString &columns, const QString &table, const QString &order, const QString &r,
                    const CopyFilter &filter, const QString &condition = QString())
{
    return copyReaderColumns(QStringLiteral("item"), QStringLiteral("location")) + columns + QStringLiteral(" FROM ") +
           table +
           QStringLiteral(" t JOIN item ON item.prop_no = t.prop_no LEFT JOIN reader ON reader.cert_id = "
                          "t.cert_id WHERE item.marc_rec_no = ") +
           r + copyFilter(QStringLiteral("item"), filter) + condition + QStringLiteral(" ORDER BY ") + order;
}

QString since(const QString &column, const QString &date)
{
    return date.isEmpty() ? QString() : QStringLiteral(" AND ") + column + QStringLiteral(" >= ") + sqlQuote(date);
}

QString history(const QString &table, const QString &r, const CopyFilter &filter, const LoanPeriod &period)
{
    return copyReaderColumns(QStringLiteral("item"), QStringLiteral("location")) +
           QStringLiteral(", reader.dept, h.lend_date, h.ret_date, h.excd_days, h.renew_date, h.renew_times, "
                          "h.asback_date, h.asback_times, h.resp_wkr, h.ret_wkr, h.code1, h.code2, h.marc_rec_no_f, "
                          "h.cls_id, h.attachment, h.preg_flag, h.rele_flag, h.copy_flag, h.rule_no_f, h.pda_flag "
                          "FROM ") +
           table +
           QStringLiteral(" h JOIN item ON item.prop_no = h.prop_no_f JOIN reader ON reader.cert_id = h.cert_id_f "
                          "WHERE item.marc_rec_no = ") +
           r + QStringLiteral(" AND h.ret_date IS NOT NULL") + copyFilter(QStringLiteral("item"), filter) +
           since(QStringLiteral("h.lend_date"), period.lentSince) +
           since(QStringLiteral("h.ret_date"), period.returnedSince);
}

} // namespace

QString summary(const QString &marcRecNo)
{
    return QStringLiteral("SELECT marc_rec_no, m_title, m_author, m_publisher, m_pub_year, m_isbn, m_classno, "
                          "m_call_no, doc_type_code, lang_code, copies, lendable_copies, cata_oper, cata_date "
                          "FROM marc WHERE marc_rec_no = ") +
           sqlQuote(marcRecNo);
}

QString tab(const QString &key, const QString &marcRecNo, const CopyFilter &f, const LoanPeriod &period)
{
    const QString r = sqlQuote(marcRecNo);
    if (key == u"BaseInfo")
        // A call number whose copies have no circulation row yet is listed
        // too, its circulation columns empty.
        return QStringLiteral("SELECT c.call_no, c.circ_type_code, c.lend_grd, c.cls_id, c.year_circ_times, "
                              "c.total_circ_times, c.year_read_times, c.total_read_times, c.year_preg_times, "
                              "c.total_preg_times, item.book_stat_code, item.book_lend_flag FROM call_no_lst c "
                              "LEFT JOIN item ON item.call_no = c.call_no WHERE c.marc_rec_no = ") +
               r + QStringLiteral(" ORDER BY c.call_no");
    if (key == u"CallNoInfo")
        return QStringLiteral(
                   "SELECT indi_acct.call_no, indi_acct.prop_no, indi_acct.bar_code, indi_acct.dis_location, "
                   "indi_acct.cur_loca, indi_acct.year, indi_acct.vol_peri, indi_acct.book_stat_code, "
                   "item.book_lend_flag, indi_acct.price, indi_acct.carrier_code, indi_acct.attachment, "
                   "indi_acct.shelf_no, indi_acct.in_date, item.year_circ_times, item.total_circ_times, "
                   "item.fst_use_date, item.last_use_date, indi_acct.rec_flag_upt_date, "
                   "indi_acct.resp_wkr, indi_acct.remark FROM indi_acct LEFT JOIN item ON item.prop_no = "
                   "indi_acct.prop_no WHERE indi_acct.marc_rec_no = ") +
               r + copyFilter(QStringLiteral("indi_acct"), f) +
               QStringLiteral(" ORDER BY indi_acct.call_no, indi_acct.dis_location, indi_acct.prop_no");
    if (key == u"LendInfo")
        return circulation(QStringLiteral(", reader.dept, reader.occupation, t.lend_date, t.norm_ret_date, "
                                          "t.renew_date, t.renew_times, t.asback_date, t.asback_times, t.attachment, "
                                          "t.resp_wkr, t.rule_no_f, reader.code08, t.pda_flag"),
                           QStringLiteral("lend_lst"), QStringLiteral("t.lend_date DESC"), r, f,
                           since(QStringLiteral("t.lend_date"), period.lentSince));
    if (key == u"LendHistory")
        // The archived history is read the same way; the ninth column is
        // the return date.
        return history(QStringLiteral("lend_hist"), r, f, period) + QStringLiteral(" UNION ALL ") +
               history(QStringLiteral("lend_hist_bak"), r, f, period) + QStringLiteral(" ORDER BY 9 DESC");
    if (key == u"PregInfo")
        return QStringLiteral("SELECT p.call_no, p.location, p.preg_date, p.preg_end_date, p.preg_keep_days, "
                              "reader.cert_id, reader.name, p.preg_no, p.take_location, p.preg_send_addr, "
                              "p.send_time, p.take_campus, p.preg_flag FROM preg_lst p JOIN call_no_lst c ON c.call_no "
                              "= p.call_no LEFT JOIN reader ON reader.cert_id = p.cert_id WHERE c.marc_rec_no = ") +
               r + QStringLiteral(" ORDER BY p.preg_date");
    if (key == u"PregArri")
        return circulation(QStringLiteral(", t.preg_arri_date, t.noti_send_date, t.keep_end_date, t.preg_keep_days, "
                                          "t.take_location, t.preg_send_addr, t.send_time, t.take_campus, "
                                          "t.pregarri_deal_flag, t.take_flag, t.resp_wkr"),
                           QStringLiteral("preg_arri_lst"), QStringLiteral("t.preg_arri_date"), r, f);
    if (key == u"LostInfo")
        // A lost copy may have lost its circulation row: read the copy itself.
        return copyReaderColumns(QStringLiteral("indi_acct"), QStringLiteral("dis_location")) +
               QStringLiteral(", t.recoup_date, t.src_price, t.tech_fee, t.serv_fee, t.real_recoup_amt, t.bill_no, "
                              "t.recoup_type, t.recoup_flag, t.resp_wkr, t.remark FROM lost_recoup_lst t JOIN "
                              "indi_acct ON indi_acct.prop_no = t.prop_no LEFT JOIN reader ON reader.cert_id = "
                              "t.cert_id WHERE indi_acct.marc_rec_no = ") +
               r + copyFilter(QStringLiteral("indi_acct"), f) + QStringLiteral(" ORDER BY t.recoup_date");
    if (key == u"VoltInfo")
        return circulation(QStringLiteral(", t.volt_code, t.punish_date, t.real_fine_amt, t.bill_no, t.fine_date, "
                                          "t.froz_end_date, t.volt_deal_flag, t.resp_wkr, t.remark"),
                           QStringLiteral("reader_volt_lst"), QStringLiteral("item.call_no, item.location"), r, f);
    if (key == u"OperateInfo")
        return QStringLiteral(
                   "SELECT indi_acct.call_no, indi_acct.prop_no, indi_acct.bar_code, indi_acct.dis_location, "
                   "d.deal_type_code, d.deal_batch_no, b.deal_stat_flag, d.log_date, d.source_state, d.fee, "
                   "d.book_target, d.resp_wkr, d.remark FROM indi_acct JOIN deal_log d ON d.prop_no = "
                   "indi_acct.prop_no LEFT JOIN deal_batch_lst b ON b.deal_batch_no = d.deal_batch_no AND "
                   "b.deal_type_code = d.deal_type_code WHERE indi_acct.marc_rec_no = ") +
               r + copyFilter(QStringLiteral("indi_acct"), f) +
               QStringLiteral(" ORDER BY d.location, d.deal_type_code, b.deal_stat_flag, d.log_date");
    if (key == u"AdjustInfo")
        return QStringLiteral(
                   "SELECT indi_acct.call_no, indi_acct.prop_no, indi_acct.bar_code, g.deal_date, g.batch_no, "
                   "g.src_loca, b.dst_loca, g.src_book_stat, g.dst_book_stat, g.wkr_no, b.remark FROM "
                   "indi_acct JOIN goto_detl g ON g.prop_no = indi_acct.prop_no JOIN goto_batch b ON "
                   "b.batch_no = g.batch_no WHERE indi_acct.marc_rec_no = ") +
               r + copyFilter(QStringLiteral("indi_acct"), f) + QStringLiteral(" ORDER BY g.deal_date, g.batch_no");
    if (key == u"ExceedInfo")
        return copyReaderColumns(QStringLiteral("item"), QStringLiteral("location")) +
               QStringLiteral(", t.lend_date, t.ret_date, t.norm_ret_date, h.excd_days, t.fine_amt, t.real_fine_amt, "
                              "t.bill_no, t.fine_date, t.debt_deal_flag, t.resp_wkr, t.remark, t.time_unit FROM "
                              "exceed_fine_lst t JOIN item ON item.prop_no = t.prop_no LEFT JOIN reader ON "
                              "reader.cert_id = t.cert_id LEFT JOIN lend_hist h ON h.prop_no_f = t.prop_no AND "
                              "h.cert_id_f = t.cert_id AND h.ret_date = t.ret_date WHERE item.marc_rec_no = ") +
               r + copyFilter(QStringLiteral("item"), f) + QStringLiteral(" ORDER BY t.ret_date DESC");
    if (key == u"ArriInfo")
        return QStringLiteral("SELECT item.call_no, item.prop_no, item.bar_code, item.location, item.year, "
                              "item.vol_peri, item.book_stat_code, item.book_lend_flag, item.price, item.carrier_code, "
                              "item.attachment, item.in_date, item.rec_flag_upt_date, item.resp_wkr FROM item WHERE "
                              "item.marc_rec_no = ") +
               r + QStringLiteral(" AND item.book_stat_code IN ('11','12','13','14','17')") +
               copyFilter(QStringLiteral("item"), f) + QStringLiteral(" ORDER BY item.call_no, item.location");
    if (key == u"ReleInfo")
        return QStringLiteral("SELECT t.call_no, t.location, t.relegate_date, t.relegate_end_date, reader.cert_id, "
                              "reader.name, t.relegate_no, t.take_location, t.rele_flag, t.resp_wkr, t.remark FROM "
                              "relegate_lst t JOIN call_no_lst c ON c.call_no = t.call_no LEFT JOIN reader ON "
                              "reader.cert_id = t.cert_id WHERE c.marc_rec_no = ") +
               r + QStringLiteral(" ORDER BY t.relegate_date");
    if (key == u"ReleArri")
        return circulation(QStringLiteral(", t.relegate_no, t.relegate_arri_date, t.keep_end_date, t.take_location, "
                                          "t.deal_flag, t.resp_wkr"),
                           QStringLiteral("relegate_arri_lst"), QStringLiteral("t.relegate_arri_date"), r, f);
    if (key == u"Transport")
        return QStringLiteral("SELECT b.prop_no, c.bar_code, b.batch_no, b.book_flag, b.send_date, b.send_oper, "
                              "b.send_loca, b.rece_date, b.rece_oper, b.rece_loca, a.source_campus, a.target_campus, "
                              "a.batch_type, a.batch_flag FROM transport_detl b JOIN transport_batch a ON a.batch_no = "
                              "b.batch_no JOIN indi_acct c ON c.prop_no = b.prop_no WHERE c.marc_rec_no = ") +
               r + copyFilter(QStringLiteral("c"), f) +
               QStringLiteral(" ORDER BY b.prop_no, b.send_date DESC, b.rece_date DESC");
    return QString();
}

QString likePrefix(const QString &column, const QString &prefix)
{
    QString body;
    bool escaped = false;
    for (const QChar c : prefix) {
        if (c == u'\\' || c == u'%' || c == u'_') {
            body.append(u'\\');
            escaped = true;
        }
        body.append(c);
    }
    QString sql = column + QStringLiteral(" LIKE ") + sqlQuote(body + u'%');
    if (escaped)
        sql += QStringLiteral(" ESCAPE '\\'");
    return sql;
}

QString quickColumn(int group, const QString &key)
{
    if (group == 91)
        return QStringLiteral("SELECT distinct marc_rec_no FROM indi_acct WHERE bar_code = ") + sqlQuote(key);
    if (group == 92)
        return QStringLiteral("SELECT distinct marc_rec_no FROM indi_acct WHERE prop_no = ") + sqlQuote(key);
    return QStringLiteral("SELECT distinct marc_rec_no FROM call_no_lst WHERE ") +
           likePrefix(QStringLiteral("call_no"), key);
}

QString quickIndex(int group, const QString &key, bool unicodeMode)
{
    const QString head = QStringLiteral("SELECT distinct marc_rec_no FROM marc_idx WHERE marc_idx_grp = ") +
                         sqlQuote(QStringLiteral("%1").arg(group, 2, 10, QLatin1Char('0'))) + QStringLiteral(" AND ");
    if (group == 5)
        return head + isbnCondition(QStringLiteral("marc_idx_cont"), key, unicodeMode);
    return head + likePrefix(QStringLiteral("marc_idx_cont"), key);
}

} // namespace kestra::book_info_sql
