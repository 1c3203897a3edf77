// The set-based writes of the transfer, assignment, stock-taking and shelf
// forms, and the reads that go with them, run through the client's session
// on both backends: each write changes exactly the rows the form means, and
// leaves the others alone.

#include "ShapesLibrary.h"
#include "support/TestRunner.h"

#include <QTest>
#include <memory>

using namespace kestra;
using namespace kestra::test;

namespace {

// Readers, loans and reservations around the library's copies: P1 is on
// loan to R1, P2 is an arrived reservation; R2 typed a blank e-mail address,
// R3 none.
const char *const kCirculation[] = {
    "INSERT INTO reader(cert_id, name, email) VALUES('R1', '张三', 'r1@lib.cn')",
    "INSERT INTO reader(cert_id, name, email) VALUES('R2', '李四', ' ')",
    "INSERT INTO reader(cert_id, name) VALUES('R3', '王五')",
    "UPDATE item SET book_lend_flag='1' WHERE prop_no='P1'",
    "UPDATE item SET book_lend_flag='2' WHERE prop_no='P2'",
    "INSERT INTO lend_lst(prop_no, cert_id, location_f, lend_date) VALUES('P1', 'R1', 'ZL1', '2025-03-01')",
    "INSERT INTO lend_hist(prop_no_f, cert_id_f, location_f, lend_date) VALUES('P1', 'R1', 'ZL1', '2025-03-01')",
    "INSERT INTO lend_hist(prop_no_f, cert_id_f, location_f, lend_date, ret_date, excd_days) VALUES('P2', 'R1', "
    "'ZL1', '2024-12-01', '2025-01-05', 3)",
    "INSERT INTO preg_lst(preg_no, cert_id, call_no, location, preg_flag) VALUES('Y1', 'R1', 'TP391.4/1', 'ZL1', "
    "'0')",
    "INSERT INTO preg_lst(preg_no, cert_id, call_no, location, preg_flag) VALUES('Y2', 'R1', 'A12/2', 'ZL1', '0')",
};

// The copies of one document type at a location, by accession number.
const QString kTypeCopies =
    QStringLiteral("(SELECT indi_acct.%1 FROM indi_acct,marc WHERE indi_acct.dis_location='ZL1' "
                   "AND indi_acct.marc_rec_no=marc.marc_rec_no AND marc.doc_type_code='BK')");

QString copies(const char *column = "prop_no")
{
    return kTypeCopies.arg(QLatin1String(column));
}

} // namespace

class SqlWriteShapesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ShapesDb> fx_;

    bool fillAll()
    {
        QStringList extra;
        for (const char *s : kCirculation)
            extra << QString::fromUtf8(s);
        return fx_->fillLibrary() && fx_->change(extra);
    }
    QStringList rows(const QString &sql) { return fx_->rows(sql); }
    QStringList sorted(const QString &sql) { return fx_->sorted(sql); }
    bool change(const QStringList &statements) { return fx_->change(statements); }

private Q_SLOTS:
    void cleanup() { fx_.reset(); }

    // A whole location of one document type moved at once: loans, open loan
    // history, reservations, circulation rows, the batch's rows and the log
    // follow the copies; returned loans and other locations stay.
    void transferByLocation_data() { addBackendRows(); }
    void transferByLocation()
    {
        QFETCH(int, backend);
        fx_ = std::make_unique<ShapesDb>();
        KESTRA_OPEN_SUITE(*fx_, backend);
        QVERIFY(fillAll());
        QCOMPARE(rows(" SELECT count(*)  FROM indi_acct,marc  WHERE indi_acct.dis_location='ZL1' AND "
                      "indi_acct.marc_rec_no=marc.marc_rec_no AND marc.doc_type_code='BK'"),
                 QStringList({"2"}));
        QVERIFY(change({
            " INSERT INTO goto_batch(batch_no,batch_type,src_loca,dst_loca, doc_type_code,remark,deal_date,wkr_no) "
            "VALUES( 'G1','0','ZL1','ZL2','BK','','2025-03-20','ZW01')",
            " UPDATE preg_lst  SET preg_flag='2' WHERE location='ZL1' AND call_no IN " + copies("call_no"),
            " UPDATE lend_lst SET  location_f='ZL2' WHERE prop_no IN " + copies(),
            " UPDATE lend_hist SET  location_f='ZL2' WHERE prop_no_f IN " + copies() + " AND ret_date IS NULL ",
            " UPDATE item SET  book_lend_flag='0' WHERE book_lend_flag='2' AND prop_no IN " + copies(),
            " UPDATE item SET  location='ZL2', rec_flag_upt_date='2025-03-20 10:00:00', resp_wkr='ZW01' "
            ",book_stat_code='42' WHERE prop_no IN " +
                copies(),
            " INSERT INTO goto_detl(batch_no,prop_no,src_book_stat,dst_book_stat,deal_date,wkr_no,src_loca) SELECT "
            "'G1',prop_no,book_stat_code,'42','2025-03-20','ZW01','ZL1' FROM indi_acct WHERE dis_location='ZL1' "
            "AND prop_no IN " +
                copies(),
            "insert into log_detl(log_type,log_date,log_time,wkr_no,computer,location_name,marc_rec_no,prop_no,data1,"
            "data2,data3) (select distinct '30013','2025-03-20','10:00:00','ZW01','PC01','一楼',indi_acct.marc_rec_no,"
            "indi_acct.prop_no,'一楼 -> 二楼',' | 文献类型:BK','' from indi_acct where indi_acct.prop_no in " +
                copies() + ")",
            " UPDATE indi_acct SET  dis_location='ZL2', rec_flag_upt_date='2025-03-20 10:00:00', resp_wkr='ZW01' "
            ",book_stat_code='42' WHERE dis_location='ZL1' AND prop_no IN " +
                copies(),
            "update marc A set lendable_copies=  (select count(*) from indi_acct B     where A.marc_rec_no = "
            "B.marc_rec_no  and B.book_stat_code='41')   where marc_rec_no in        (select marc_rec_no from "
            "indi_acct          where prop_no in (select prop_no from goto_detl where batch_no='G1'))",
        }));
        QCOMPARE(rows("SELECT prop_no,dis_location,book_stat_code FROM indi_acct ORDER BY prop_no"),
                 QStringList({"P1|ZL2|42", "P2|ZL2|42", "P3|ZL2|3C", "P4|ZL2|16"}));
        QCOMPARE(rows("SELECT prop_no,location,book_lend_flag,book_stat_code FROM item ORDER BY prop_no"),
                 QStringList({"P1|ZL2|1|42", "P2|ZL2|0|42"}));
        QCOMPARE(rows("SELECT prop_no,location_f FROM lend_lst"), QStringList({"P1|ZL2"}));
        QCOMPARE(rows("SELECT prop_no_f,location_f FROM lend_hist ORDER BY prop_no_f"),
                 QStringList({"P1|ZL2", "P2|ZL1"}));
        QCOMPARE(rows("SELECT preg_no,preg_flag FROM preg_lst ORDER BY preg_no"), QStringList({"Y1|2", "Y2|0"}));
        QCOMPARE(rows("SELECT prop_no,src_book_stat,dst_book_stat,src_loca FROM goto_detl ORDER BY prop_no"),
                 QStringList({"P1|41|42|ZL1", "P2|41|42|ZL1"}));
        QCOMPARE(rows("SELECT prop_no,data1 || data2,data3 FROM log_detl WHERE log_type='30013' ORDER BY prop_no"),
                 QStringList({"P1|一楼 -> 二楼 | 文献类型:BK|", "P2|一楼 -> 二楼 | 文献类型:BK|"}));
        QCOMPARE(rows("SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'"), QStringList({"0"}));

        // A list transfer numbers its rows from the sequence, one per copy.
        const QString row =
            " INSERT INTO goto_detl(batch_no,prop_no,src_book_stat,dst_book_stat,deal_date,wkr_no,"
            "src_loca,deal_no) VALUES( 'G2','%1','%2','%2','2025-03-21','ZW01','ZL2',s_deal_log.nextval)";
        QVERIFY(change({" INSERT INTO goto_batch(batch_no,batch_type,src_loca,dst_loca, doc_type_code,remark,deal_date,"
                        "wkr_no) VALUES( 'G2','3','ZL2','ZL1','AA','清点后','2025-03-21','ZW01')",
                        row.arg("P3", "3C"), row.arg("P4", "16")}));
        QCOMPARE(rows("SELECT count(distinct deal_no), max(deal_no)-min(deal_no) FROM goto_detl WHERE batch_no='G2'"),
                 QStringList({"2|1"}));
        QCOMPARE(rows(" SELECT batch_no,batch_type,doc_type_code,remark   FROM goto_batch  WHERE deal_date>="
                      "'2025-03-01'  ORDER BY deal_date desc,batch_no desc  "),
                 QStringList({"G2|3|AA|清点后", "G1|0|BK|"}));
        // Newest first: the rows of a set-wise transfer have no number and
        // come first, as Oracle sorts NULL above every number.
        const QStringList detail =
            rows(" SELECT goto_detl.prop_no,indi_acct.year || '-' || indi_acct.vol_peri  FROM goto_detl,marc,indi_acct "
                 " WHERE goto_detl.batch_no IN ('G1','G2') AND goto_detl.prop_no=indi_acct.prop_no AND "
                 "indi_acct.marc_rec_no=marc.marc_rec_no  ORDER BY goto_detl.deal_no DESC ");
        QCOMPARE(detail.size(), 4);
        QStringList unnumbered = detail.mid(0, 2);
        unnumbered.sort();
        QCOMPARE(unnumbered, QStringList({"P1|2025-1", "P2|2025-2"}));
        QCOMPARE(detail.mid(2), QStringList({"P4|-", "P3|2024-"}));
        // Deleting a batch removes its history, not the copies' moves.
        QVERIFY(change({" DELETE FROM goto_detl WHERE batch_no='G1'", " DELETE FROM goto_batch WHERE batch_no='G1'"}));
        QCOMPARE(rows("SELECT count(*) FROM goto_detl"), QStringList({"2"}));
        QCOMPARE(rows("SELECT dis_location FROM indi_acct WHERE prop_no='P1'"), QStringList({"ZL2"}));
    }

    // A handover batch assigned at once (release to circulation ticked):
    // intake dates only where none, circulation rows only for copies without
    // one, notices only to readers with an address whose request awaits a
    // reply.
    void assignmentByBatch_data() { addBackendRows(); }
    void assignmentByBatch()
    {
        QFETCH(int, backend);
        fx_ = std::make_unique<ShapesDb>();
        KESTRA_OPEN_SUITE(*fx_, backend);
        QVERIFY(fillAll());
        QVERIFY(change(
            {"UPDATE indi_acct SET in_date=NULL, asord_no='A1' WHERE prop_no='P4'",
             "INSERT INTO indi_acct(prop_no, marc_rec_no, bar_code, location, dis_location, move_batch, "
             "book_stat_code, "
             "in_date, asord_no, price) VALUES('P5', 'M3', 'B000005', 'ZL2', 'ZL2', 'MB2', '16', '2025-01-01', 'A2', "
             "3)",
             "INSERT INTO recm_doc(asord_no, cert_id, m_title, dc_reply_flag) VALUES('A1', 'R1', '荐购一', '0')",
             "INSERT INTO recm_doc(asord_no, cert_id, m_title) VALUES('A1', 'R3', '荐购一')",
             "INSERT INTO recm_doc(asord_no, cert_id, m_title) VALUES('A2', 'R2', '荐购二')",
             "INSERT INTO recm_doc(asord_no, cert_id, m_title, dc_reply_flag) VALUES('A2', 'R1', '荐购二', '1')"}));
        const QString scope = " WHERE move_batch='MB2' AND location='ZL2'";
        const QString insertItem =
            " INSERT INTO item(prop_no,marc_rec_no,carrier_code,call_no,bar_code, book_lend_flag,year,vol_peri,price,"
            "year_circ_times,total_circ_times,attachment, location,book_stat_code,in_date,rec_flag_upt_date,reg_day,"
            "resp_wkr)  SELECT prop_no,marc_rec_no,carrier_code,call_no,bar_code,'0', year,vol_peri,price,0,0,"
            "attachment, %1 '2025-03-21', '2025-03-21', '2025-03-21', 'ZW01'  FROM indi_acct %2 AND prop_no NOT IN "
            "(SELECT prop_no FROM item) ";
        const QStringList assign = {
            " UPDATE indi_acct SET  in_date='2025-03-21', dis_location='ZL1', book_stat_code='41', "
            "rec_flag_upt_date='2025-03-21 09:00:00', resp_wkr='ZW01' " +
                scope + " AND in_date IS NULL ",
            " UPDATE indi_acct SET  dis_location='ZL1', book_stat_code='41', rec_flag_upt_date='2025-03-21 09:00:00', "
            "resp_wkr='ZW01' " +
                scope + " AND in_date IS NOT NULL ",
            insertItem.arg("'ZL1', '41',", scope),
            " UPDATE item SET  location='ZL1', book_stat_code='41', rec_flag_upt_date='2025-03-21 09:00:00', "
            "resp_wkr='ZW01'  WHERE prop_no IN  (SELECT prop_no FROM indi_acct " +
                scope + ")",
            " UPDATE transfer_doc SET  store_flag='1', store_wkr='ZW01' WHERE move_batch='MB2' AND marc_rec_no IN  "
            "(SELECT marc_rec_no FROM indi_acct  WHERE location='ZL2')",
            "INSERT INTO mail_data(cert_id,name,email,type_code,get_date,server_date,m_title,m_author,marc_rec_no,"
            "m_call_no,loca_name,prop_no)  (SELECT reader.cert_id,reader.name,reader.email,'306','2025-03-21',"
            "'2025-03-21',recm_doc.m_title,recm_doc.m_author,marc.marc_rec_no, marc.m_call_no,"
            "location_lst.location_name,indi_acct.prop_no  FROM reader,recm_doc,indi_acct,marc,location_lst  WHERE "
            "reader.cert_id=recm_doc.cert_id  AND indi_acct.asord_no=recm_doc.asord_no  AND "
            "indi_acct.marc_rec_no=marc.marc_rec_no  AND indi_acct.dis_location=location_lst.location  AND "
            "(recm_doc.dc_reply_flag='0' OR recm_doc.dc_reply_flag is null)  AND recm_doc.asord_no IN  (SELECT "
            "asord_no FROM indi_acct " +
                scope + ") AND reader.email is not null  AND reader.email<>' ')",
            " UPDATE recm_doc SET dc_reply_flag='1' WHERE (recm_doc.dc_reply_flag='0' OR recm_doc.dc_reply_flag is "
            "null)  AND recm_doc.asord_no IN  (SELECT asord_no FROM indi_acct " +
                scope + ")",
        };
        QVERIFY(change(assign));
        QCOMPARE(rows(" SELECT COUNT(DISTINCT marc_rec_no) FROM indi_acct " + scope), QStringList({"1"}));
        QCOMPARE(rows(" SELECT COUNT(*) FROM indi_acct " + scope), QStringList({"2"}));
        QCOMPARE(rows("SELECT prop_no,in_date,dis_location,book_stat_code FROM indi_acct WHERE move_batch='MB2' "
                      "ORDER BY prop_no"),
                 QStringList({"P4|2025-03-21|ZL1|41", "P5|2025-01-01|ZL1|41"}));
        QCOMPARE(rows("SELECT prop_no,location,book_stat_code,book_lend_flag,total_circ_times,price FROM item WHERE "
                      "prop_no IN ('P4','P5') ORDER BY prop_no"),
                 QStringList({"P4|ZL1|41|0|0|0", "P5|ZL1|41|0|0|3"}));
        QCOMPARE(rows("SELECT store_flag FROM transfer_doc WHERE move_batch='MB2'"), QStringList({"1"}));
        QCOMPARE(rows("SELECT cert_id,email,loca_name,prop_no FROM mail_data"), QStringList({"R1|r1@lib.cn|一楼|P4"}));
        QCOMPARE(rows("SELECT count(*) FROM recm_doc WHERE dc_reply_flag='1'"), QStringList({"4"}));
        QCOMPARE(rows(" SELECT indi_acct.prop_no FROM indi_acct,marc WHERE indi_acct.move_batch='MB2' AND "
                      "indi_acct.location='ZL2' AND indi_acct.dis_location='ZL1' AND "
                      "substr(indi_acct.book_stat_code,1,1)<>'1' AND indi_acct.marc_rec_no=marc.marc_rec_no ORDER BY "
                      "indi_acct.prop_no"),
                 QStringList({"P4", "P5"}));

        // Assigning again adds no second circulation row; "unchanged" takes
        // each copy's own location and status.
        QVERIFY(
            change({insertItem.arg("'ZL1', '41',", scope),
                    insertItem.arg(" dis_location,  book_stat_code,", " WHERE move_batch='MB1' AND location='ZL1'")}));
        QCOMPARE(rows("SELECT prop_no,location,book_stat_code FROM item ORDER BY prop_no"),
                 QStringList({"P1|ZL1|", "P2|ZL1|", "P3|ZL2|3C", "P4|ZL1|41", "P5|ZL1|41"}));

        // The two forms of an ISBN in one search.
        QVERIFY(change({"INSERT INTO marc_idx(marc_rec_no, marc_idx_grp, marc_idx_cont) VALUES('M1', '05', "
                        "'9787560012345')",
                        "INSERT INTO marc_idx(marc_rec_no, marc_idx_grp, marc_idx_cont) VALUES('M2', '05', "
                        "'7560012345')",
                        "INSERT INTO marc_idx(marc_rec_no, marc_idx_grp, marc_idx_cont) VALUES('M3', '01', "
                        "'756001234')"}));
        QCOMPARE(sorted("SELECT DISTINCT marc.marc_rec_no  FROM marc,marc_idx WHERE marc_idx.marc_idx_grp='05' AND "
                        "(marc_idx.marc_idx_cont LIKE '978756001234%' OR  marc_idx.marc_idx_cont LIKE '756001234%') "
                        "AND marc.marc_rec_no=marc_idx.marc_rec_no"),
                 QStringList({"M1", "M2"}));
    }

    // Stock-taking results, compact shelving counts and the record window's
    // history: text ranges of status codes, NOT LIKE under OR, a literal
    // beside an aggregate, outer joins on several conditions.
    void stockTakingAndShelving_data() { addBackendRows(); }
    void stockTakingAndShelving()
    {
        QFETCH(int, backend);
        fx_ = std::make_unique<ShapesDb>();
        KESTRA_OPEN_SUITE(*fx_, backend);
        QVERIFY(fillAll());
        QVERIFY(change({"INSERT INTO wait_count_lst(location, prop_no, count_date, count_batch_no) VALUES('ZL1', "
                        "'P1', '2025-03-22', 'K3')",
                        "INSERT INTO wait_count_lst(location, prop_no, count_date, count_batch_no) VALUES('ZL1', "
                        "'P3', '2025-03-22', 'K3')",
                        "INSERT INTO wait_count_lst(location, prop_no, count_date, count_batch_no) VALUES('ZL1', "
                        "'P4', '2025-03-22', 'K3')",
                        "UPDATE indi_acct SET dis_location='ZL1' WHERE prop_no='P4'"}));
        // Scanned copies of another location or outside the classes; a copy
        // without a call number is neither (NOT LIKE on NULL is unknown).
        QVERIFY(change({"insert into count_lost_copy(COUNT_DATE,  LOCATION,  PROP_NO,  FLAG,  count_batch_no) SELECT "
                        "'2025-03-22', 'ZL1',  indi_acct.prop_no,'2', 'K3' FROM indi_acct,wait_count_lst  WHERE "
                        "wait_count_lst.count_batch_no='K3'   AND wait_count_lst.prop_no=indi_acct.prop_no    AND ( "
                        "indi_acct.dis_location<>'ZL1'   OR ( indi_acct.call_no NOT LIKE 'TP%' AND indi_acct.call_no "
                        "NOT LIKE 'B%') )"}));
        QCOMPARE(rows("SELECT prop_no FROM count_lost_copy WHERE flag='2'"), QStringList({"P3"}));
        // Holding statuses 3C to 46 compared as text: 16 is not one.
        const QString held = " SELECT count(prop_no)  FROM indi_acct  WHERE %1= '%2' AND (book_stat_code>= '3C' and "
                             "book_stat_code<= '46')%3";
        QCOMPARE(rows(held.arg("dis_location", "ZL1", " AND (call_no LIKE 'TP%' OR call_no LIKE 'A%')")),
                 QStringList({"2"}));
        QCOMPARE(rows(held.arg("dis_location", "ZL2", "")), QStringList({"1"}));
        QCOMPARE(rows(held.arg("location", "ZL1", " AND prop_no in (select prop_no from lend_lst)")),
                 QStringList({"1"}));
        // Found later: scanned into the batch, out of its missing list.
        QVERIFY(change({" INSERT INTO wait_count_lst(location,prop_no,count_date,count_batch_no) VALUES( 'ZL1', "
                        "'P2', '2025-03-23', 'K1')",
                        " DELETE FROM count_lost_copy  WHERE location= 'ZL1' AND prop_no= 'P2' AND flag= '0' AND "
                        "count_batch_no= 'K1'"}));
        QCOMPARE(sorted("SELECT prop_no FROM count_lost_copy WHERE count_batch_no='K1'"), QStringList({"P1", "P3"}));

        // Shelf counts, per shelf and for all shelves; one copy renamed.
        const QString perShelf = " SELECT shelf_no,count(*)  FROM indi_acct WHERE shelf_no IS NOT NULL GROUP BY "
                                 "shelf_no  ORDER BY shelf_no ";
        QCOMPARE(rows(perShelf), QStringList({"S1|2", "S2|1"}));
        QCOMPARE(rows(" SELECT 'ALL',count(*)  FROM indi_acct WHERE indi_acct.shelf_no IS NOT NULL "),
                 QStringList({"ALL|3"}));
        QVERIFY(change({" UPDATE indi_acct SET shelf_no='S9' WHERE shelf_no='S1' AND prop_no='P1'"}));
        QCOMPARE(rows(perShelf), QStringList({"S1|1", "S2|1", "S9|1"}));
        // One total row for the shelves matching a typed text (a number, to
        // the database a text like any other).
        QCOMPARE(rows(" SELECT '1',count(*)    FROM indi_acct WHERE shelf_no is not null  AND shelf_no LIKE '%1%'"),
                 QStringList({"1|1"}));
        QCOMPARE(rows(" SELECT indi_acct.prop_no,        indi_acct.year || '-' || indi_acct.vol_peri,        0,   "
                      "     indi_acct.shelf_no    FROM indi_acct,marc  WHERE indi_acct.shelf_no='S2' AND "
                      "indi_acct.marc_rec_no=marc.marc_rec_no "),
                 QStringList({"P3|2024-|0|S2"}));

        // The record window: a code searched as typed (no wildcard), fines
        // with the loan they came from when there is one, latest first.
        QCOMPARE(rows("SELECT distinct marc_rec_no FROM indi_acct WHERE bar_code LIKE 'B000001'"), QStringList({"M1"}));
        QVERIFY(change({"INSERT INTO exceed_fine_lst(cert_id, prop_no, lend_date, ret_date, fine_amt) VALUES('R1', "
                        "'P2', '2024-12-01', '2025-01-05', 1.5)",
                        "INSERT INTO exceed_fine_lst(cert_id, prop_no, lend_date, ret_date, fine_amt) VALUES('R1', "
                        "'P2', '2025-02-01', '2025-03-01', 2)",
                        "INSERT INTO lend_hist(prop_no_f, cert_id_f, location_f, ret_date, excd_days) VALUES('P2', "
                        "'R2', 'ZL1', '2025-03-01', 7)"}));
        QCOMPARE(rows("SELECT exceed_fine_lst.ret_date, exceed_fine_lst.fine_amt, lend_hist.excd_days FROM "
                      "exceed_fine_lst LEFT JOIN lend_hist ON lend_hist.prop_no_f = exceed_fine_lst.prop_no AND "
                      "lend_hist.cert_id_f = exceed_fine_lst.cert_id AND lend_hist.ret_date = exceed_fine_lst.ret_date "
                      "WHERE exceed_fine_lst.cert_id='R1' ORDER BY exceed_fine_lst.ret_date DESC"),
                 QStringList({"2025-03-01|2|0", "2025-01-05|1.5|3"}));
    }

    // Virtual shelves: new codes from the highest of a level, titles added,
    // counted and moved up when one leaves; a title search in Unicode
    // storage mode with the pattern as a unistr literal.
    void virtualShelves_data() { addBackendRows(); }
    void virtualShelves()
    {
        QFETCH(int, backend);
        fx_ = std::make_unique<ShapesDb>();
        KESTRA_OPEN_SUITE(*fx_, backend);
        QVERIFY(fillAll());
        const QString highest = " SELECT max(class_id) FROM virtual_shelf_class WHERE user_type='0' AND "
                                "length(class_id)=%1 %2";
        QCOMPARE(rows(highest.arg(3).arg("")), QStringList({""}));
        const QString shelf = " INSERT INTO virtual_shelf_class(class_id,class_name,class_remark,book_count,in_date,"
                              "user_id,user_type,class_order) VALUES( '%1','书架','',0,'2025-03-22','ZW01','0',%2)";
        QVERIFY(change({shelf.arg("001").arg(1), shelf.arg("002").arg(2), shelf.arg("002001").arg(1)}));
        QCOMPARE(rows(highest.arg(3).arg("")), QStringList({"002"}));
        QCOMPARE(rows(highest.arg(6).arg("AND class_id LIKE '001%'")), QStringList({""}));
        QCOMPARE(rows(highest.arg(6).arg("AND class_id LIKE '002%'")), QStringList({"002001"}));
        QCOMPARE(rows(" SELECT class_id FROM virtual_shelf_class WHERE user_type='0' ORDER BY "
                      "length(class_id),class_order "),
                 QStringList({"001", "002", "002001"}));

        const QString add = " INSERT INTO virtual_shelf_book(class_id,marc_rec_no,m_title,m_author,m_publisher,"
                            "m_pub_year,m_call_no,in_date,book_order) VALUES( '001','%1','%2','','','2020','','"
                            "2025-03-22',%3)";
        const QString recount = " UPDATE virtual_shelf_class SET  book_count=(SELECT count(*) FROM virtual_shelf_book "
                                "WHERE class_id='001') WHERE class_id='001'";
        QVERIFY(change({add.arg("M1", "T1").arg(1), add.arg("M2", "T2").arg(2), add.arg("M3", "T3").arg(3), recount}));
        QCOMPARE(rows("SELECT book_count FROM virtual_shelf_class WHERE class_id='001'"), QStringList({"3"}));
        QVERIFY(change({" DELETE FROM virtual_shelf_book  WHERE class_id='001' AND marc_rec_no='M1'",
                        " UPDATE virtual_shelf_book  SET book_order=book_order-1 WHERE class_id='001' AND book_order>1",
                        recount}));
        QCOMPARE(rows(" SELECT m_title,m_pub_year,marc_rec_no,book_order,remark  FROM virtual_shelf_book  WHERE "
                      "class_id='001' ORDER BY book_order"),
                 QStringList({"T2|2020|M2|1|", "T3|2020|M3|2|"}));
        QCOMPARE(rows("SELECT book_count FROM virtual_shelf_class WHERE class_id='001'"), QStringList({"2"}));

        QVERIFY(change({"INSERT INTO marc_idx(marc_rec_no, marc_idx_grp, marc_idx_cont) VALUES('M1', '01', "
                        "'红楼梦')",
                        "INSERT INTO marc_idx(marc_rec_no, marc_idx_grp, marc_idx_cont) VALUES('M2', '01', "
                        "'红星照耀中国')"}));
        QCOMPARE(rows(" SELECT DISTINCT marc.marc_rec_no  FROM marc,marc_idx WHERE marc_idx.marc_idx_grp='01' AND "
                      "marc_idx.marc_idx_cont LIKE unistr( '\\7EA2\\697C%') AND "
                      "marc.marc_rec_no=marc_idx.marc_rec_no "),
                 QStringList({"M1"}));
    }
};

KESTRA_TEST(SqlWriteShapesTest)
#include "SqlWriteShapesTest.moc"
