#pragma once

// The small library the statement-shape tests run the forms' statements on,
// and how they read and change it through the client's session.

#include "core/Session.h"
#include "support/SuiteFixture.h"

#include <QStringList>

namespace kestra::test {

// A small library: three titles, four copies in two locations, a handover
// batch, a processing batch, three stock-takings, a statistics template and
// a few log rows.
inline const char *const kLibrary[] = {
    "INSERT INTO location_lst(location, location_name) VALUES('ZL1', '一楼')",
    "INSERT INTO location_lst(location, location_name) VALUES('ZL2', '二楼')",
    "INSERT INTO marc(marc_rec_no, doc_type_code, lang_code, cata_oper, m_title) VALUES('M1', 'BK', 'chi', 'C1', "
    "'T1')",
    "INSERT INTO marc(marc_rec_no, doc_type_code, lang_code, cata_oper, m_title) VALUES('M2', 'BK', 'eng', 'C2', "
    "'T2')",
    "INSERT INTO marc(marc_rec_no, doc_type_code, lang_code, cata_oper, m_title) VALUES('M3', 'BK', 'chi', 'C1', "
    "'T3')",
    "INSERT INTO call_no_lst(call_no, marc_rec_no, cls_id, circ_type_code) VALUES('TP391.4/1', 'M1', '1', '01')",
    "INSERT INTO call_no_lst(call_no, marc_rec_no, cls_id, circ_type_code) VALUES('A12/2', 'M2', '1', '01')",
    "INSERT INTO indi_acct(prop_no, marc_rec_no, bar_code, call_no, location, dis_location, move_batch, "
    "chk_batch_no, book_stat_code, price, in_date, year, vol_peri, shelf_no) VALUES('P1', 'M1', 'B000001', "
    "'TP391.4/1', 'ZL1', 'ZL1', 'MB1', 'CB1', '41', 10.5, '2025-03-02', '2025', '1', 'S1')",
    "INSERT INTO indi_acct(prop_no, marc_rec_no, bar_code, call_no, location, dis_location, move_batch, "
    "chk_batch_no, book_stat_code, price, in_date, year, vol_peri, shelf_no) VALUES('P2', 'M1', 'B000002', "
    "'TP391.4/1', 'ZL1', 'ZL1', 'MB1', 'CB1', '41', 4, '2025-03-15', '2025', '2', 'S1')",
    "INSERT INTO indi_acct(prop_no, marc_rec_no, bar_code, call_no, location, dis_location, move_batch, "
    "chk_batch_no, book_stat_code, price, in_date, year, vol_peri, shelf_no) VALUES('P3', 'M2', 'B0003', "
    "'A12/2', 'ZL1', 'ZL2', 'MB1', 'CB1', '3C', 2.25, '2024-12-31', '2024', NULL, 'S2')",
    "INSERT INTO indi_acct(prop_no, marc_rec_no, bar_code, location, dis_location, move_batch, book_stat_code, "
    "in_date) VALUES('P4', 'M3', 'B000004', 'ZL2', 'ZL2', 'MB2', '16', '2025-03-20')",
    "INSERT INTO item(prop_no, marc_rec_no, location, book_lend_flag, total_circ_times) VALUES('P1', 'M1', 'ZL1', "
    "'0', 0)",
    "INSERT INTO item(prop_no, marc_rec_no, location, book_lend_flag, total_circ_times) VALUES('P2', 'M1', 'ZL1', "
    "'0', 3)",
    "INSERT INTO transfer_doc(move_batch, chk_batch_no, marc_rec_no, store_flag, send_store_date) VALUES('MB1', "
    "'CB1', 'M1', '1', '2025-03-01')",
    "INSERT INTO transfer_doc(move_batch, chk_batch_no, marc_rec_no, store_flag, send_store_date) VALUES('MB1', "
    "'CB1', 'M2', '1', '2025-03-01')",
    "INSERT INTO transfer_doc(move_batch, marc_rec_no, store_flag, send_store_date) VALUES('MB2', 'M3', '0', "
    "'2024-12-20')",
    "INSERT INTO deal_batch_lst(deal_batch_no, location, deal_type_code) VALUES('0012', 'ZL1', '03')",
    "INSERT INTO deal_log(deal_no, location, deal_batch_no, deal_type_code, prop_no) VALUES(1, 'ZL1', '0012', '03', "
    "'P1')",
    "INSERT INTO deal_log(deal_no, location, deal_batch_no, deal_type_code, prop_no) VALUES(2, 'ZL1', '0012', '03', "
    "'P2')",
    "INSERT INTO deal_log(deal_no, location, deal_batch_no, deal_type_code, prop_no) VALUES(3, 'ZL1', '0013', '03', "
    "'P3')",
    "INSERT INTO count_data(count_batch_no, location, finish_flag) VALUES('K1', 'ZL1', '1')",
    "INSERT INTO count_data(count_batch_no, location, finish_flag) VALUES('K2', 'ZL1', '1')",
    "INSERT INTO count_data(count_batch_no, location, finish_flag) VALUES('K3', 'ZL1', '0')",
    "INSERT INTO count_lost_copy(count_batch_no, location, prop_no, flag) VALUES('K1', 'ZL1', 'P1', '0')",
    "INSERT INTO count_lost_copy(count_batch_no, location, prop_no, flag) VALUES('K2', 'ZL1', 'P1', '0')",
    "INSERT INTO count_lost_copy(count_batch_no, location, prop_no, flag) VALUES('K3', 'ZL1', 'P1', '0')",
    "INSERT INTO count_lost_copy(count_batch_no, location, prop_no, flag) VALUES('K1', 'ZL1', 'P2', '0')",
    "INSERT INTO count_lost_copy(count_batch_no, location, prop_no, flag) VALUES('K2', 'ZL1', 'P2', '0')",
    "INSERT INTO count_lost_copy(count_batch_no, location, prop_no, flag) VALUES('K1', 'ZL1', 'P3', '0')",
    "INSERT INTO stat_type_code(stat_type_code, stat_type_name) VALUES('U9', '测试')",
    "INSERT INTO stat_type_code(stat_type_code, stat_type_name) VALUES('Z9', '其他')",
    "INSERT INTO stat_type_detl(stat_type_code, sub_stat_code, sub_stat_name, code_use_flag) VALUES('U9', '10', "
    "'十', '1')",
    "INSERT INTO stat_type_detl(stat_type_code, sub_stat_code, sub_stat_name, code_use_flag) VALUES('U9', '2', '二', "
    "'1')",
    "INSERT INTO stat_type_detl(stat_type_code, sub_stat_code, sub_stat_name, code_use_flag) VALUES('U9', '1', '一', "
    "'1')",
    "INSERT INTO stat_type_detl(stat_type_code, sub_stat_code, sub_stat_name, code_use_flag) VALUES('U9', '3', '停', "
    "'0')",
    "INSERT INTO stat_cls_comp(stat_type_code, sub_stat_code, cls_id, comp_cls) VALUES('U9', '1', '1', 'TP3~TP39')",
    "INSERT INTO stat_cls_comp(stat_type_code, sub_stat_code, cls_id, comp_cls) VALUES('U9', '2', '1', 'A,B~D')",
    "INSERT INTO wkr_job_qty(wkr_no_f, job_type, oper_date, kind, volume, amount) VALUES('ZW01', '301', "
    "'2025-03-15', 1, 2, 10.5)",
    "INSERT INTO wkr_job_qty(wkr_no_f, job_type, oper_date, kind, volume, amount) VALUES('ZW01', '301', "
    "'2025-03-16', 1, 1, 4)",
    "INSERT INTO wkr_job_qty(wkr_no_f, job_type, oper_date, kind, volume, amount) VALUES('ZW01', '302', "
    "'2025-02-28', 3, 3, 0)",
    "INSERT INTO log_type(log_type, log_name) VALUES('Z0001', '测试操作')",
    "INSERT INTO log_detl(log_type, log_date, log_time, wkr_no, prop_no) VALUES('Z0001', '2025-03-15', '09:00:00', "
    "'ZW01', 'P1')",
    "INSERT INTO log_detl(log_type, log_date, log_time, wkr_no, prop_no) VALUES('Z0001', '2025-04-01', '10:00:00', "
    "'ZW01', 'P2')",
};

class ShapesDb : public SuiteFixture {
public:
    // Every row of a query as its cells joined by "|" (as the client reads
    // them), or one "<error>" row.
    QStringList rows(const QString &sql)
    {
        QueryResult r;
        if (db().query(sql, r) < 0)
            return {QStringLiteral("<error> ") + context().errors().text};
        QStringList out;
        for (int i = 0; i < r.rowCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < r.columnCount(); ++c)
                cells << r.text(i, c);
            out << cells.join(u'|');
        }
        return out;
    }
    QStringList sorted(const QString &sql)
    {
        QStringList r = rows(sql);
        r.sort();
        return r;
    }
    // One operation: its statements in one transaction.
    bool change(const QStringList &statements)
    {
        Transaction t(db());
        for (const QString &s : statements) {
            if (!exec(s))
                return false;
        }
        return t.commit() == 0;
    }
    bool fillLibrary()
    {
        QStringList library;
        for (const char *s : kLibrary)
            library << QString::fromUtf8(s);
        return change(library);
    }
};

} // namespace kestra::test
