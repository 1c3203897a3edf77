// The record window's controller on both backends: every grid tab against
// the rows it reads (and none of another record's), a copy without a
// circulation row, chkOnly by accession number and by barcode, names and
// money in the cells, a record that is not there, and the quick search with
// hostile text on every index.

#include "records/BookInfo.h"
#include "copies/ItemCodes.h"
#include "core/Session.h"
#include "items/CopyTestLib.h"
#include "records/BookInfoSql.h"
#include "support/TestRunner.h"

#include <QDate>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

bool seed(CopyTestLib &lib)
{
    const QStringList rows{
        // Two call numbers of M1; M2 is the other record whose rows must never show.
        "INSERT INTO call_no_lst (call_no,marc_rec_no,cls_id,year_circ_times) VALUES ('I247.5/1','M1','1',3)",
        "INSERT INTO call_no_lst (call_no,marc_rec_no,cls_id) VALUES ('I247.5/2','M1','1')",
        "INSERT INTO call_no_lst (call_no,marc_rec_no,cls_id) VALUES ('K20/9','M2','1')",
        "INSERT INTO reader (cert_id,name,dept) VALUES ('R1','王五','物理系')",
        "INSERT INTO preg_lst (preg_no,cert_id,call_no,location) VALUES ('Y1','R1','I247.5/1','L1')",
        "INSERT INTO lend_lst (prop_no,cert_id,lend_date,norm_ret_date) VALUES ('P1','R1','2026-01-05','2026-02-05')",
        "INSERT INTO lend_lst (prop_no,cert_id,lend_date) VALUES ('P9','R1','2026-01-06')",
        "INSERT INTO lend_hist (prop_no_f,cert_id_f,marc_rec_no_f,lend_date,ret_date,excd_days) "
        "VALUES ('P1','R1','M1','2025-01-01','2025-03-10',4)",
        "INSERT INTO lend_hist (prop_no_f,cert_id_f,lend_date) VALUES ('P1','R1','2025-06-01')",
        "INSERT INTO lend_hist_bak (prop_no_f,cert_id_f,lend_date,ret_date) VALUES "
        "('P3','R1','2024-04-01','2024-05-01')",
        "INSERT INTO preg_arri_lst (prop_no,cert_id,preg_arri_date) VALUES ('P1','R1','2026-01-02')",
        "INSERT INTO lost_recoup_lst (prop_no,cert_id,recoup_date,real_recoup_amt) VALUES "
        "('P2','R1','2025-12-01',30.5)",
        "INSERT INTO reader_volt_lst (cert_id,prop_no,volt_code,real_fine_amt) VALUES ('R1','P1','01',2)",
        "INSERT INTO exceed_fine_lst (cert_id,prop_no,lend_date,ret_date,fine_amt) "
        "VALUES ('R1','P1','2025-01-01','2025-03-10',1.2)",
        "INSERT INTO goto_batch (batch_no,dst_loca,remark) VALUES ('G1','L2','调往外文')",
        "INSERT INTO goto_detl (batch_no,prop_no,src_loca,src_book_stat,dst_book_stat,deal_date) "
        "VALUES ('G1','P2','L1','41','41','2025-11-01')",
        "INSERT INTO transport_batch (batch_no,source_campus,target_campus) VALUES ('T1','01','02')",
        "INSERT INTO transport_detl (batch_no,prop_no,send_date) VALUES ('T1','P2','2025-10-01')",
        "INSERT INTO relegate_lst (relegate_no,cert_id,call_no,relegate_date) VALUES "
        "('RL1','R1','I247.5/1','2026-01-01')",
        "INSERT INTO relegate_arri_lst (prop_no,cert_id,relegate_no,relegate_arri_date) "
        "VALUES ('P3','R1','RL1','2026-01-03')",
        "INSERT INTO marc_idx (marc_rec_no,marc_idx_grp,marc_idx_cont) VALUES ('M1','01','ABC')",
        "INSERT INTO marc_idx (marc_rec_no,marc_idx_grp,marc_idx_cont) VALUES ('M2','01','A%Z')",
    };
    bool ok = lib.record(QStringLiteral("M1"), QStringLiteral("呐喊"), QStringLiteral("鲁迅")) &&
              lib.record(QStringLiteral("M2"), QStringLiteral("彷徨")) &&
              lib.copy(QStringLiteral("P1"), QStringLiteral("M1"), QStringLiteral("B1"), QStringLiteral("L1"),
                       QStringLiteral("41")) &&
              // P2 has no circulation row; P3 is still in acceptance.
              lib.copy(QStringLiteral("P2"), QStringLiteral("M1"), QStringLiteral("B2"), QStringLiteral("L2"),
                       QStringLiteral("41"), QStringLiteral("I247.5/2")) &&
              lib.copy(QStringLiteral("P3"), QStringLiteral("M1"), QStringLiteral("B3"), QStringLiteral("L1"),
                       QStringLiteral("12")) &&
              lib.copy(QStringLiteral("P9"), QStringLiteral("M2"), QStringLiteral("B9"), QStringLiteral("L1"),
                       QStringLiteral("41"), QStringLiteral("K20/9")) &&
              lib.item(QStringLiteral("P1"), QStringLiteral("1")) && lib.item(QStringLiteral("P3")) &&
              lib.item(QStringLiteral("P9"), QStringLiteral("1")) && lib.dealBatch("D1", "01") &&
              lib.dealRow(QStringLiteral("L1"), QStringLiteral("D1"), QStringLiteral("01"), QStringLiteral("P1"));
    for (const QString &sql : rows) {
        if (ok && !lib.f.exec(sql)) {
            qWarning() << sql;
            ok = false;
        }
    }
    return ok;
}

// A column of a tab by its heading, top down.
QStringList column(BookInfo &info, const QString &key, const QString &heading)
{
    RowModelBase &m = info.model(key);
    const qsizetype at = m.headings().indexOf(heading);
    QStringList out;
    for (int r = 0; at >= 0 && r < m.rowCount(); ++r)
        out.append(m.text(r, int(at)));
    return out;
}

QStringList loaded(BookInfo &info, const QString &key, const QString &heading)
{
    if (info.loadTab(key) < 0)
        return {QStringLiteral("<failed>")};
    return column(info, key, heading);
}

} // namespace

class BookInfoTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tabsShowTheRecordsRows_data() { addBackendRows(); }
    void tabsShowTheRecordsRows()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        BookInfo info(lib.f.context());
        QCOMPARE(info.open(QStringLiteral("M1")), BookInfo::Opened::Shown);
        QCOMPARE(info.summary(QStringLiteral("m_title")), QStringLiteral("呐喊"));
        const QString p = QStringLiteral("财产号");

        // Call numbers with their copies' circulation; names, not codes.
        QCOMPARE(loaded(info, u"BaseInfo"_qs, QStringLiteral("索书号")),
                 (QStringList{"I247.5/1", "I247.5/1", "I247.5/2"}));
        QCOMPARE(column(info, u"BaseInfo"_qs, QStringLiteral("年借阅")), (QStringList{"3", "3", "0"}));
        // Every copy, the one without a circulation row too (its flag empty).
        QCOMPARE(loaded(info, u"CallNoInfo"_qs, p), (QStringList{"P1", "P3", "P2"}));
        QCOMPARE(column(info, u"CallNoInfo"_qs, QStringLiteral("流通状态")),
                 (QStringList{lend_flag::name(u"1"_qs), lend_flag::name(u"0"_qs), QString()}));
        QCOMPARE(column(info, u"CallNoInfo"_qs, QStringLiteral("书刊状态")).at(1), item_status::name(u"12"_qs));
        QCOMPARE(column(info, u"CallNoInfo"_qs, QStringLiteral("价格")).at(0), QStringLiteral("25.50"));
        QCOMPARE(column(info, u"CallNoInfo"_qs, QStringLiteral("馆藏地")).at(2), QStringLiteral("外文书库"));

        QCOMPARE(loaded(info, u"LendInfo"_qs, p), QStringList{"P1"});
        QCOMPARE(column(info, u"LendInfo"_qs, QStringLiteral("读者")), QStringList{"王五"});
        // Returned loans only, the archive too, latest return first.
        QCOMPARE(loaded(info, u"LendHistory"_qs, QStringLiteral("还书日期")),
                 (QStringList{"2025-03-10", "2024-05-01"}));
        QCOMPARE(loaded(info, u"PregInfo"_qs, QStringLiteral("预约号")), QStringList{"Y1"});
        QCOMPARE(loaded(info, u"PregArri"_qs, p), QStringList{"P1"});
        // A lost copy without circulation row is still listed.
        QCOMPARE(loaded(info, u"LostInfo"_qs, QStringLiteral("实收金额")), QStringList{"30.50"});
        QCOMPARE(loaded(info, u"VoltInfo"_qs, QStringLiteral("实收罚款")), QStringList{"2.00"});
        QCOMPARE(loaded(info, u"OperateInfo"_qs, QStringLiteral("处理类型")), QStringList{deal_type::name(u"01"_qs)});
        QCOMPARE(loaded(info, u"AdjustInfo"_qs, QStringLiteral("调入馆藏地")), QStringList{"外文书库"});
        // The fine with the overdue days of its loan.
        QCOMPARE(loaded(info, u"ExceedInfo"_qs, QStringLiteral("超期天数")), QStringList{"4"});
        QCOMPARE(column(info, u"ExceedInfo"_qs, QStringLiteral("应收罚款")), QStringList{"1.20"});
        QCOMPARE(loaded(info, u"ArriInfo"_qs, p), QStringList{"P3"});
        QCOMPARE(loaded(info, u"ReleInfo"_qs, QStringLiteral("委托号")), QStringList{"RL1"});
        QCOMPARE(loaded(info, u"ReleArri"_qs, p), QStringList{"P3"});
        QCOMPARE(loaded(info, u"Transport"_qs, QStringLiteral("条码号")), QStringList{"B2"});
        QCOMPARE(loaded(info, u"Simple"_qs, QStringLiteral("内容")).at(1), QStringLiteral("呐喊"));

        // chkOnly by accession number: the copy tabs keep that copy's rows,
        // the call-number tabs all of theirs.
        QCOMPARE(info.open(QString(), QStringLiteral("P2")), BookInfo::Opened::Shown);
        QCOMPARE(info.marcRecNo(), QStringLiteral("M1"));
        QCOMPARE(info.onlyCaption(), QStringLiteral("仅显示本财产相关流通信息"));
        info.setOnly(true);
        QCOMPARE(loaded(info, u"CallNoInfo"_qs, p), QStringList{"P2"});
        QCOMPARE(loaded(info, u"LendInfo"_qs, p), QStringList());
        QCOMPARE(loaded(info, u"LostInfo"_qs, p), QStringList{"P2"});
        QCOMPARE(loaded(info, u"BaseInfo"_qs, p).size(), 0); // no such heading, but loaded
        QCOMPARE(info.model(u"BaseInfo"_qs).rowCount(), 3);
        // ... and by barcode.
        QCOMPARE(info.open(QStringLiteral("M1"), QString(), QStringLiteral("B1")), BookInfo::Opened::Shown);
        QCOMPARE(info.onlyCaption(), QStringLiteral("仅显示本条码相关流通信息"));
        info.setOnly(true);
        QCOMPARE(loaded(info, u"LendHistory"_qs, p), QStringList{"P1"});
        QCOMPARE(loaded(info, u"Transport"_qs, p), QStringList());
        QCOMPARE(lib.f.prompter().texts(), QStringList());
    }

    // The loan-period choices count back from the server's day: loans lent
    // within the period in both loan tabs, returns within it in the history.
    void loanPeriodChoices_data() { addBackendRows(); }
    void loanPeriodChoices()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        const QDate today = QDate::currentDate();
        const auto day = [&today](int back) { return sqlQuote(today.addDays(-back).toString(Qt::ISODate)); };
        QVERIFY(lib.f.exec(u"UPDATE lend_lst SET lend_date="_qs + day(10) + u" WHERE prop_no='P1'"_qs));
        QVERIFY(
            lib.f.exec(u"INSERT INTO lend_lst (prop_no,cert_id,lend_date) VALUES ('P3','R1',"_qs + day(400) + u')'));
        QVERIFY(lib.f.exec(u"UPDATE lend_hist SET lend_date="_qs + day(300) + u",ret_date="_qs + day(200) +
                           u" WHERE ret_date IS NOT NULL"_qs));
        QVERIFY(lib.f.exec(u"UPDATE lend_hist_bak SET lend_date="_qs + day(40) + u",ret_date="_qs + day(5)));
        BookInfo info(lib.f.context());
        QCOMPARE(info.open(QStringLiteral("M1")), BookInfo::Opened::Shown);
        const QString p = QStringLiteral("财产号");
        const auto months = [](const QString &name) {
            for (const PeriodChoice &c : BookInfo::periodChoices())
                if (c.name == name)
                    return c.months;
            return -1;
        };
        QCOMPARE(BookInfo::periodChoices().first().months, 0);

        QCOMPARE(loaded(info, u"LendInfo"_qs, p), (QStringList{"P1", "P3"}));
        info.setLendPeriod(months(u"最近一年"_qs));
        QCOMPARE(loaded(info, u"LendInfo"_qs, p), QStringList{"P1"});
        QCOMPARE(loaded(info, u"LendHistory"_qs, p), (QStringList{"P3", "P1"}));
        info.setLendPeriod(months(u"最近三个月"_qs));
        QCOMPARE(loaded(info, u"LendHistory"_qs, p), QStringList{"P3"});
        info.setLendPeriod(0);
        info.setReturnPeriod(months(u"最近一个月"_qs));
        QCOMPARE(loaded(info, u"LendHistory"_qs, p), QStringList{"P3"});
        QCOMPARE(loaded(info, u"LendInfo"_qs, p), (QStringList{"P1", "P3"})); // current loans have no return
        info.setReturnPeriod(0);
        QCOMPARE(loaded(info, u"LendHistory"_qs, p), (QStringList{"P3", "P1"}));
        QCOMPARE(lib.f.prompter().texts(), QStringList());
    }

    void missingRecordsAndQuickSearch_data() { addBackendRows(); }
    void missingRecordsAndQuickSearch()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        BookInfo info(lib.f.context());
        QCOMPARE(info.open(QStringLiteral("M1")), BookInfo::Opened::Shown);
        // Not there: said so, and the record shown stays.
        QCOMPARE(info.open(QStringLiteral("M404")), BookInfo::Opened::NotFound);
        QCOMPARE(info.open(QString(), QStringLiteral("P404")), BookInfo::Opened::NotFound);
        QCOMPARE(info.marcRecNo(), QStringLiteral("M1"));
        QCOMPARE(lib.f.prompter().texts().size(), 2);
        QVERIFY(lib.f.prompter().texts().at(0).contains(QStringLiteral("M404")));
        lib.f.prompter().clear();

        QCOMPARE(info.quickSearch(91, QStringLiteral(" b9 ")), BookInfo::Opened::Shown);
        QCOMPARE(info.marcRecNo(), QStringLiteral("M2"));
        QCOMPARE(info.quickSearch(92, QStringLiteral("P2")), BookInfo::Opened::Shown);
        QCOMPARE(info.marcRecNo(), QStringLiteral("M1"));
        QCOMPARE(info.quickSearch(93, QStringLiteral("K20")), BookInfo::Opened::Shown);
        QCOMPARE(info.marcRecNo(), QStringLiteral("M2"));
        QCOMPARE(info.quickSearch(1, QStringLiteral("ab")), BookInfo::Opened::Shown);
        QCOMPARE(info.marcRecNo(), QStringLiteral("M1"));
        // The operator's wildcard matches itself only.
        QCOMPARE(info.quickSearch(1, QStringLiteral("A%")), BookInfo::Opened::Shown);
        QCOMPARE(info.marcRecNo(), QStringLiteral("M2"));
        QCOMPARE(lib.f.prompter().texts(), QStringList());

        // Hostile text on every index: nothing found, no query broken.
        const QStringList hostile{"%", "_", "'", "O'Brien%", "' OR '1'='1", "\\", "x'); DROP TABLE marc; --"};
        for (const int group : {1, 5, 91, 92, 93}) {
            for (const QString &text : hostile) {
                lib.f.prompter().clear();
                QCOMPARE(info.quickSearch(group, text), BookInfo::Opened::NotFound);
                QCOMPARE(lib.f.prompter().texts().size(), 1);
                QVERIFY2(!lib.f.prompter().texts().at(0).contains(QStringLiteral("ORA-")), qPrintable(text));
            }
        }
        QCOMPARE(info.marcRecNo(), QStringLiteral("M2"));
        QCOMPARE(lib.count(QStringLiteral("marc")), 2);
    }
};

KESTRA_TEST(BookInfoTest)
#include "BookInfoTest.moc"
