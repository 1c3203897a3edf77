// The statements the holdings forms send, with typical values, run through
// the client's session on the real schema of both backends: the rows are
// what each statement means.

#include "ShapesLibrary.h"
#include "support/TestRunner.h"

#include <QTest>
#include <memory>

using namespace kestra;
using namespace kestra::test;

class SqlStatementShapesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ShapesDb> fx_;

    QStringList rows(const QString &sql) { return fx_->rows(sql); }
    QStringList sorted(const QString &sql) { return fx_->sorted(sql); }
    bool change(const QStringList &statements) { return fx_->change(statements); }
    bool fillLibrary() { return fx_->fillLibrary(); }

private Q_SLOTS:
    void cleanup() { fx_.reset(); }

    void copiesAndProcessingBatches_data() { addBackendRows(); }
    void copiesAndProcessingBatches()
    {
        QFETCH(int, backend);
        fx_ = std::make_unique<ShapesDb>();
        KESTRA_OPEN_SUITE(*fx_, backend);
        QVERIFY(fillLibrary());
        QCOMPARE(rows(" SELECT indi_acct.prop_no,marc.m_title FROM indi_acct,marc  WHERE indi_acct.bar_code='B000001' "
                      "AND indi_acct.marc_rec_no=marc.marc_rec_no "),
                 QStringList({"P1|T1"}));
        // Transfer by class, by handover batch, by a range of codes of one length.
        QCOMPARE(sorted(" SELECT indi_acct.prop_no FROM indi_acct,marc   WHERE indi_acct.call_no LIKE 'TP%' AND "
                        "indi_acct.dis_location='ZL1' AND marc.doc_type_code='BK' AND "
                        "indi_acct.marc_rec_no=marc.marc_rec_no  ORDER BY indi_acct.call_no "),
                 QStringList({"P1", "P2"}));
        QCOMPARE(rows(" SELECT indi_acct.prop_no FROM indi_acct,marc   WHERE indi_acct.move_batch='MB1' AND "
                      "indi_acct.dis_location= 'ZL2' AND indi_acct.marc_rec_no=marc.marc_rec_no ORDER BY "
                      "indi_acct.call_no"),
                 QStringList({"P3"}));
        QCOMPARE(sorted(" SELECT prop_no FROM indi_acct  WHERE bar_code>='B000001' AND bar_code<='B000004' AND "
                        "length(bar_code)='7'"),
                 QStringList({"P1", "P2", "P4"}));
        QCOMPARE(rows(" SELECT count(*)  FROM indi_acct,marc  WHERE indi_acct.dis_location='ZL2' AND "
                      "indi_acct.marc_rec_no=marc.marc_rec_no AND marc.doc_type_code='BK'"),
                 QStringList({"2"}));
        // A processing batch: its copies newest first, its log, its removal.
        QCOMPARE(rows("SELECT indi_acct.prop_no,deal_log.deal_no FROM indi_acct,deal_log,marc  WHERE "
                      "deal_log.deal_type_code='03' AND deal_log.deal_batch_no='0012' AND "
                      "deal_log.prop_no=indi_acct.prop_no   AND indi_acct.marc_rec_no=marc.marc_rec_no   ORDER BY "
                      "deal_log.deal_no DESC "),
                 QStringList({"P2|2", "P1|1"}));
        QCOMPARE(rows(" SELECT deal_batch_no    FROM deal_batch_lst   WHERE deal_type_code='03'    AND "
                      "deal_batch_no='0012'"),
                 QStringList({"0012"}));
        // A batch number sent bare still finds its rows, as on Oracle.
        QCOMPARE(rows(" SELECT count(*) FROM deal_log  WHERE deal_batch_no=12   AND deal_type_code='03'"),
                 QStringList({"2"}));
        QCOMPARE(
            rows(" SELECT count(*) FROM deal_log  WHERE deal_log.deal_batch_no IN (12,13) AND deal_type_code='03'"),
            QStringList({"3"}));
        QCOMPARE(rows(" SELECT count(*) FROM deal_log  WHERE deal_batch_no NOT IN (12)"), QStringList({"1"}));
        QVERIFY(change({" DELETE FROM deal_log WHERE deal_batch_no='0013' AND deal_type_code='03'"}));
        QCOMPARE(rows("SELECT count(*) FROM deal_log"), QStringList({"2"}));
    }

    void newBooksAndStockTaking_data() { addBackendRows(); }
    void newBooksAndStockTaking()
    {
        QFETCH(int, backend);
        fx_ = std::make_unique<ShapesDb>();
        KESTRA_OPEN_SUITE(*fx_, backend);
        QVERIFY(fillLibrary());
        QCOMPARE(sorted(" SELECT transfer_doc.move_batch,transfer_doc.marc_rec_no,indi_acct.dis_location FROM "
                        "transfer_doc,indi_acct   WHERE transfer_doc.move_batch='MB1'    AND "
                        "transfer_doc.move_batch=indi_acct.move_batch     AND "
                        "transfer_doc.chk_batch_no=indi_acct.chk_batch_no     AND "
                        "transfer_doc.marc_rec_no=indi_acct.marc_rec_no "),
                 QStringList({"MB1|M1|ZL1", "MB1|M1|ZL1", "MB1|M2|ZL2"}));
        QVERIFY(change({" UPDATE call_no_lst SET circ_type_code='99' WHERE call_no IN  (SELECT call_no FROM "
                        "indi_acct WHERE move_batch='MB1' ) "}));
        QCOMPARE(sorted(" SELECT cls_id,call_no FROM call_no_lst WHERE call_no IN  (SELECT call_no FROM indi_acct "
                        "WHERE move_batch='MB1' )  AND circ_type_code='99'"),
                 QStringList({"1|A12/2", "1|TP391.4/1"}));
        QCOMPARE(rows(" SELECT total_circ_times FROM item WHERE prop_no IN  (SELECT prop_no FROM indi_acct WHERE  "
                      "move_batch='MB1') AND total_circ_times>0 "),
                 QStringList({"3"}));
        // Cancelling one title's accession: back to status 16 and its subscriber.
        QVERIFY(change({" DELETE FROM item WHERE prop_no IN  (SELECT prop_no FROM indi_acct WHERE  move_batch='MB1' "
                        "AND marc_rec_no='M2')",
                        " UPDATE indi_acct SET book_stat_code='16', dis_location=location , in_date=NULL  WHERE "
                        "move_batch='MB1' AND marc_rec_no='M2'",
                        " UPDATE transfer_doc SET store_flag='0'  WHERE move_batch='MB1' AND marc_rec_no='M2'"}));
        QCOMPARE(rows("SELECT book_stat_code,dis_location,in_date FROM indi_acct WHERE prop_no='P3'"),
                 QStringList({"16|ZL1|"}));
        QVERIFY(change({"update marc A set lendable_copies=  (select count(*) from indi_acct B     where "
                        "A.marc_rec_no = B.marc_rec_no  and B.book_stat_code='41')   where marc_rec_no in (select "
                        "marc_rec_no from transfer_doc where move_batch='MB1')"}));
        QCOMPARE(rows("SELECT marc_rec_no,lendable_copies FROM marc WHERE marc_rec_no IN ('M1','M2','M3') ORDER BY "
                      "marc_rec_no"),
                 QStringList({"M1|2", "M2|0", "M3|0"}));
        QCOMPARE(rows("SELECT DISTINCT transfer_doc.marc_rec_no  FROM transfer_doc,indi_acct  WHERE "
                      "transfer_doc.marc_rec_no=indi_acct.marc_rec_no  AND transfer_doc.move_batch= 'MB1' AND "
                      "indi_acct.move_batch<> 'MB1'"),
                 QStringList());
        QCOMPARE(rows("SELECT prop_no,dis_location,year,vol_peri FROM indi_acct WHERE marc_rec_no='M1' ORDER BY "
                      "location,prop_no"),
                 QStringList({"P1|ZL1|2025|1", "P2|ZL1|2025|2"}));

        // Copies missed by at least n stock-takings (n typed, so quoted).
        const QString missed =
            "SELECT indi_acct.prop_no, indi_acct.year || '-' || indi_acct.vol_peri FROM "
            "indi_acct,count_lost_copy,marc WHERE count_lost_copy.location='ZL1' AND "
            "count_lost_copy.prop_no=indi_acct.prop_no AND count_lost_copy.flag='0' AND "
            "indi_acct.marc_rec_no=marc.marc_rec_no AND count_lost_copy.prop_no IN  ( SELECT prop_no      FROM "
            "count_lost_copy     WHERE location='ZL1' AND flag='0' GROUP BY prop_no    HAVING count(prop_no)>= %1  "
            ")  ORDER BY indi_acct.prop_no ";
        QCOMPARE(rows(QString(missed).arg("'2'")),
                 QStringList({"P1|2025-1", "P1|2025-1", "P1|2025-1", "P2|2025-2", "P2|2025-2"}));
        QCOMPARE(rows(QString(missed).arg("'3'")), QStringList({"P1|2025-1", "P1|2025-1", "P1|2025-1"}));
        QCOMPARE(rows(QString(missed).arg("'1'")).size(), 6);
        QCOMPARE(sorted("SELECT count_date,count_class,count_batch_no  FROM count_data  WHERE location='ZL1' AND "
                        "finish_flag='1'"),
                 QStringList({"||K1", "||K2"}));
    }

    void printingAndShelves_data() { addBackendRows(); }
    void printingAndShelves()
    {
        QFETCH(int, backend);
        fx_ = std::make_unique<ShapesDb>();
        KESTRA_OPEN_SUITE(*fx_, backend);
        QVERIFY(fillLibrary());
        QCOMPARE(rows(" SELECT DISTINCT indi_acct.call_no,indi_acct.year,indi_acct.vol_peri,indi_acct.dis_location,"
                      "indi_acct.prop_no,indi_acct.bar_code,indi_acct.marc_rec_no,indi_acct.shelf_no  FROM "
                      "indi_acct,transfer_doc  WHERE transfer_doc.move_batch='MB1' AND "
                      "transfer_doc.marc_rec_no=indi_acct.marc_rec_no  AND "
                      "transfer_doc.chk_batch_no=indi_acct.chk_batch_no  AND indi_acct.move_batch='MB1' and "
                      "indi_acct.chk_batch_no is not null ORDER BY indi_acct.prop_no"),
                 QStringList({"TP391.4/1|2025|1|ZL1|P1|B000001|M1|S1", "TP391.4/1|2025|2|ZL1|P2|B000002|M1|S1",
                              "A12/2|2024||ZL2|P3|B0003|M2|S2"}));
        QCOMPARE(sorted(" SELECT DISTINCT marc.cata_oper FROM marc,indi_acct  WHERE indi_acct.move_batch='MB1'   AND "
                        "marc.marc_rec_no=indi_acct.marc_rec_no "),
                 QStringList({"C1", "C2"}));
        QCOMPARE(rows(" SELECT count(distinct indi_acct.call_no)    FROM indi_acct   WHERE "
                      "indi_acct.move_batch='MB1' AND indi_acct.dis_location='ZL1'"),
                 QStringList({"1"}));
        // Compact shelving: copies without a circulation row read 0 circulations.
        QCOMPARE(rows(" SELECT indi_acct.prop_no,        indi_acct.year || '-' || indi_acct.vol_peri,        "
                      "item.total_circ_times,        indi_acct.shelf_no    FROM marc,indi_acct  LEFT JOIN item ON "
                      "item.prop_no=indi_acct.prop_no  WHERE indi_acct.marc_rec_no=marc.marc_rec_no  AND "
                      "indi_acct.shelf_no IS NOT NULL  ORDER BY indi_acct.prop_no"),
                 QStringList({"P1|2025-1|0|S1", "P2|2025-2|3|S1", "P3|2024-|0|S2"}));
        QCOMPARE(rows(" SELECT DISTINCT indi_acct.marc_rec_no   FROM indi_acct,deal_log   WHERE "
                      "deal_log.deal_type_code='03'    AND deal_log.deal_batch_no='0012'    AND "
                      "deal_log.prop_no=indi_acct.prop_no  AND deal_log.location='ZL1'"),
                 QStringList({"M1"}));

        // Virtual shelves: level-one shelves have three-character codes.
        const QString insert = " INSERT INTO virtual_shelf_class(class_id,class_name,class_remark,book_count,in_date,"
                               "user_id,user_type,class_order) VALUES( '%1','书架%1','',0,'2025-03-15','ZW01','0',%2)";
        QVERIFY(change({insert.arg("001").arg(1), insert.arg("002").arg(2), insert.arg("003").arg(3),
                        insert.arg("001001").arg(1)}));
        QCOMPARE(rows(" SELECT count(*) FROM virtual_shelf_class WHERE length(class_id)=3 "), QStringList({"3"}));
        QCOMPARE(rows(" SELECT count(*) FROM virtual_shelf_class WHERE length(class_id)='6' "), QStringList({"1"}));
        QCOMPARE(rows(" SELECT count(*) FROM virtual_shelf_class WHERE class_remark IS NULL"), QStringList({"4"}));
        QVERIFY(change({" DELETE FROM virtual_shelf_class WHERE class_id='002'",
                        " UPDATE virtual_shelf_class  SET class_order=class_order-1 WHERE length(class_id)=3  AND "
                        "class_order>2"}));
        QCOMPARE(rows("SELECT class_id,class_order FROM virtual_shelf_class WHERE length(class_id)=3 ORDER BY "
                      "class_order"),
                 QStringList({"001|1", "003|2"}));
        QCOMPARE(sorted(" SELECT class_id FROM virtual_shelf_class WHERE user_type='0' AND class_id LIKE '001%'"),
                 QStringList({"001", "001001"}));
    }

    void statisticsAndLogs_data() { addBackendRows(); }
    void statisticsAndLogs()
    {
        QFETCH(int, backend);
        fx_ = std::make_unique<ShapesDb>();
        KESTRA_OPEN_SUITE(*fx_, backend);
        QVERIFY(fillLibrary());
        const QStringList templates = rows("SELECT stat_type_name,stat_type_code  FROM   stat_type_code  WHERE  "
                                           "substr(stat_type_code,1,1) in ('S','U')  ORDER BY stat_type_code ");
        QVERIFY2(templates.contains(QStringLiteral("测试|U9")) && !templates.join(u',').contains(u"Z9"),
                 qPrintable(templates.join(u',')));
        QCOMPARE(rows("SELECT sub_stat_code,sub_stat_name      FROM stat_type_detl      WHERE  stat_type_code='U9'     "
                      "AND    code_use_flag='1'     ORDER BY length(trim(sub_stat_code)),sub_stat_code"),
                 QStringList({"1|一", "2|二", "10|十"}));
        QCOMPARE(rows("SELECT distinct cls_id       FROM stat_cls_comp      WHERE  stat_type_code ='U9'"),
                 QStringList({"1"}));

        // One sub-statistic: the base query, the filters and its class condition.
        const QString base = " SELECT COUNT(distinct indi_acct.marc_rec_no)|| ',' ||        "
                             "COUNT(indi_acct.prop_no)|| ',' ||SUM(indi_acct.price)  FROM   indi_acct,         "
                             "call_no_lst,         marc  WHERE  indi_acct.call_no = call_no_lst.call_no  AND    "
                             "indi_acct.marc_rec_no=marc.marc_rec_no  AND    marc.doc_type_code= 'BK'";
        const QString range = " AND ( (call_no_lst.cls_id = '1' AND call_no_lst.call_no  >= 'TP3' AND "
                              "substr(call_no_lst.call_no ,1,4)<= 'TP39') )";
        QCOMPARE(rows(base +
                      " AND substr(indi_acct.in_date,1,7) = '2025-03' AND indi_acct.chk_batch_no is not null "
                      "AND indi_acct.dis_location IN ('ZL1','ZL2')" +
                      range),
                 QStringList({"1,2,14.5"}));
        QCOMPARE(rows(base + " AND ( (call_no_lst.cls_id = '1' AND ( call_no_lst.call_no  like 'A%' OR "
                             "(call_no_lst.call_no  >= 'B' AND substr(call_no_lst.call_no ,1,1)<= 'D') ) ) )"),
                 QStringList({"1,1,2.25"}));
        QCOMPARE(rows(" SELECT count(distinct indi_acct.marc_rec_no)|| ',' ||COUNT(indi_acct.prop_no)|| ',' "
                      "||SUM(indi_acct.price)  FROM   indi_acct,         marc  WHERE  "
                      "indi_acct.marc_rec_no=marc.marc_rec_no  AND    indi_acct.call_no is null "),
                 QStringList({"1,1,"}));
        QCOMPARE(rows(" select distinct move_batch  from transfer_doc  WHERE substr(transfer_doc.send_store_date,1,4) "
                      "= '2025' order by move_batch "),
                 QStringList({"MB1"}));
        QCOMPARE(rows("SELECT indi_acct.DIS_LOCATION, count(distinct indi_acct.marc_rec_no), count(distinct "
                      "indi_acct.prop_no), sum(indi_acct.price) FROM indi_acct, marc WHERE indi_acct.marc_rec_no = "
                      "marc.marc_rec_no AND indi_acct.in_date >= '2024-12-01' AND indi_acct.in_date <= '2025-03-31' "
                      "GROUP BY indi_acct.DIS_LOCATION ORDER BY indi_acct.DIS_LOCATION"),
                 QStringList({"ZL1|1|2|14.5", "ZL2|2|2|2.25"}));

        // The operator's workload by month and by a one-day period.
        QCOMPARE(rows("SELECT job_type, SUM(kind),SUM(volume),SUM(amount) FROM wkr_job_qty WHERE wkr_no_f='ZW01' AND "
                      "oper_date LIKE '2025-03%' GROUP BY job_type ORDER BY job_type"),
                 QStringList({"301|2|3|14.5"}));
        QCOMPARE(rows("SELECT job_type, SUM(kind),SUM(volume),SUM(amount) FROM wkr_job_qty WHERE wkr_no_f='ZW01' AND "
                      "oper_date >= '2025-03-16' AND oper_date<='2025-03-16' GROUP BY job_type ORDER BY job_type"),
                 QStringList({"301|1|1|4"}));

        // The operation log search and what a row names.
        QCOMPARE(rows("SELECT a.LOG_DATE || ' ' || a.LOG_TIME,b.LOG_NAME,a.LOG_TYPE,a.WKR_NO,a.COMPUTER, "
                      "a.LOCATION_NAME,a.MARC_REC_NO,a.PROP_NO,a.CERT_ID, a.DATA1,a.DATA2,a.DATA3 FROM LOG_DETL a , "
                      "LOG_TYPE b WHERE a.LOG_DATE >= '2025-03-01' AND a.LOG_DATE <= '2025-03-31' AND a.LOG_TYPE = "
                      "b.LOG_TYPE AND a.WKR_NO = 'ZW01' ORDER BY a.LOG_DATE,a.LOG_TIME"),
                 QStringList({"2025-03-15 09:00:00|测试操作|Z0001|ZW01||||P1||||"}));
        QCOMPARE(rows("SELECT distinct log_type,log_name FROM log_type WHERE substr(log_type,1,1) = 'Z' ORDER BY "
                      "log_type"),
                 QStringList({"Z0001|测试操作"}));
        QCOMPARE(rows("SELECT a.CALL_NO,b.M_TITLE FROM INDI_ACCT a ,MARC b WHERE a.PROP_NO = 'P1' AND a.MARC_REC_NO = "
                      "b.MARC_REC_NO"),
                 QStringList({"TP391.4/1|T1"}));
    }
};

KESTRA_TEST(SqlStatementShapesTest)
#include "SqlStatementShapesTest.moc"
