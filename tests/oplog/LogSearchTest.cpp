// The operation log search on both backends: the filters and their
// statement, hostile texts, the filter lists, the module names both ways,
// the row limit and the detail of a copy, a record and a reader.

#include "oplog/LogSearch.h"
#include "items/CopyTestLib.h"
#include "oplog/LogCodes.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

bool logRow(CopyTestLib &lib, const QStringList &v)
{
    QStringList quoted;
    for (const QString &s : v)
        quoted.append(s.isEmpty() ? QStringLiteral("NULL") : sqlQuote(s));
    return lib.f.exec(QStringLiteral("INSERT INTO log_detl (log_type,log_date,log_time,wkr_no,computer,location_name,"
                                     "marc_rec_no,prop_no,cert_id,data1,data2,data3) VALUES (") +
                      quoted.join(QLatin1Char(',')) + QLatin1Char(')'));
}

// The log: four rows in the range over three modules, one the day before,
// one of a type log_type does not know.
bool seedLog(CopyTestLib &lib)
{
    const QList<QStringList> rows = {
        {"30019", "2026-03-01", "09:00:00", "W1", "PC-A", "中文图书库", "M1", "P1", "", "41", "42", ""},
        {"42020", "2026-03-02", "10:00:00", "ACS", "PC-B", "中文图书库", "M1", "P1", "R1", "2026-04-01", "", ""},
        {"60042", "2026-03-02", "08:00:00", "W2", "PC-A", "中文图书库", "", "", "", "典藏", "登录成功", ""},
        {"30013", "2026-03-03", "11:00:00", "W1", "PC-B", "外文书库", "M2", "P2", "", "L2", "01", "T1"},
        {"30019", "2026-02-28", "23:59:59", "W1", "PC-A", "中文图书库", "M1", "P1", "", "41", "42", ""},
        {"99999", "2026-03-02", "12:00:00", "W1", "PC-A", "中文图书库", "", "", "", "", "", ""},
    };
    for (const QStringList &r : rows) {
        if (!logRow(lib, r))
            return false;
    }
    return true;
}

QStringList times(const LogSearch &s)
{
    QStringList out;
    for (const LogRow &r : s.rows())
        out.append(r.when.mid(5, 5) + QLatin1Char(' ') + r.when.mid(11, 2));
    return out;
}

LogConditions march()
{
    LogConditions c;
    c.begin = QStringLiteral("2026-03-01");
    c.end = QStringLiteral("2026-03-03");
    return c;
}

} // namespace

class LogSearchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void moduleNamesBothWays()
    {
        const QStringList codes = {"1", "2", "3", "4", "5", "6", "7"};
        for (const QString &code : codes)
            QCOMPARE(log_codes::moduleCode(log_codes::moduleName(code)), code);
        QCOMPARE(log_codes::moduleName(QStringLiteral("3")), QStringLiteral("典藏"));
        QCOMPARE(log_codes::moduleName(QStringLiteral("7")), QStringLiteral("统计"));
        QCOMPARE(log_codes::moduleName(QStringLiteral("9")), QString());
        QCOMPARE(log_codes::moduleName(QString()), QString());
        QCOMPARE(log_codes::moduleCode(QStringLiteral("[不限]")), QStringLiteral("0"));
        QCOMPARE(log_codes::moduleNames().size(), 7);
        QCOMPARE(log_codes::entryCode(QStringLiteral("[不限]")), QString());
        QCOMPARE(log_codes::entryCode(QStringLiteral("30019    书刊状态修改")), QStringLiteral("30019"));
    }

    // A row stored with a time of day belongs to its day: a search ending
    // on that day finds it, one ending the day before does not.
    void endDayTakesRowsWithATime_data() { addBackendRows(); }
    void endDayTakesRowsWithATime()
    {
        OPEN_LIB(lib);
        QVERIFY(logRow(lib, {"30019", "2026-03-02 10:00:00", "10:00:00", "W1", "PC-A", "中文图书库", "M1", "P1", "",
                             "41", "42", ""}));
        LogSearch s(lib.f.context());
        LogConditions c;
        c.begin = c.end = QStringLiteral("2026-03-02");
        QCOMPARE(s.search(c), LogSearch::Outcome::Listed);
        QCOMPARE(s.rows().size(), 1);
        c.begin = QStringLiteral("2026-03-01");
        c.end = QStringLiteral("2026-03-01");
        s.search(c);
        QCOMPARE(s.rows().size(), 0);
    }

    void filters_data() { addBackendRows(); }
    void filters()
    {
        OPEN_LIB(lib);
        QVERIFY(seedLog(lib));
        LogSearch s(lib.f.context());

        // Only the range and the join: the unknown type and the day before
        // stay out; earliest first.
        LogConditions c = march();
        QCOMPARE(s.search(c), LogSearch::Outcome::Listed);
        QCOMPARE(times(s), (QStringList{"03-01 09", "03-02 08", "03-02 10", "03-03 11"}));
        QCOMPARE(s.rows().at(0).when, QStringLiteral("2026-03-01 09:00:00"));
        QCOMPARE(s.log().text(0, 1), QStringLiteral("书刊状态修改"));
        QCOMPARE(s.log().text(0, 2), QStringLiteral("典藏"));
        QCOMPARE(s.log().text(2, 2), QStringLiteral("流通"));
        QCOMPARE(s.log().text(1, 9), QStringLiteral("典藏"));

        // One day, both ends inclusive.
        c.begin = c.end = QStringLiteral("2026-03-02");
        s.search(c);
        QCOMPARE(times(s), (QStringList{"03-02 08", "03-02 10"}));

        auto only = [&s](const LogConditions &x) {
            s.search(x);
            return times(s);
        };
        c = march();
        c.module = QStringLiteral("3");
        QCOMPARE(only(c), (QStringList{"03-01 09", "03-03 11"}));
        c = march();
        c.type = QStringLiteral("60042");
        QCOMPARE(only(c), QStringList{"03-02 08"});
        c = march();
        c.worker = QStringLiteral("W1");
        c.computer = QStringLiteral("PC-B");
        QCOMPARE(only(c), QStringList{"03-03 11"});
        c = march();
        c.marcRecNo = QStringLiteral(" M1 ");
        QCOMPARE(only(c), (QStringList{"03-01 09", "03-02 10"}));
        c.propNo = QStringLiteral("P1");
        c.certId = QStringLiteral("R1");
        QCOMPARE(only(c), QStringList{"03-02 10"});
        c = march();
        c.data = {QStringLiteral("L2"), QStringLiteral("01"), QStringLiteral(" T1")};
        QCOMPARE(only(c), QStringList{"03-03 11"});
        c.data[1] = QStringLiteral("02");
        QCOMPARE(only(c), QStringList());
        // Blank texts restrict nothing.
        c = march();
        c.data = {QStringLiteral("  "), QString(), QString()};
        c.propNo = QStringLiteral(" ");
        QCOMPARE(only(c).size(), 4);

        // A three-letter service code finds its rows with and without the
        // blank that makes it four wide.
        QVERIFY(logRow(lib, {"42021", "2026-03-03", "12:00:00", "ACS ", "PC-B", "", "", "", "", "", "", ""}));
        c = march();
        c.worker = log_codes::entryCode(log_codes::entry(QStringLiteral("ACS "), QStringLiteral("自助借还接口"), 4, 4));
        QCOMPARE(only(c), (QStringList{"03-02 10", "03-03 12"}));
        c.worker = QStringLiteral("W2");
        QCOMPARE(only(c), QStringList{"03-02 08"});
    }

    void hostileTexts_data() { addBackendRows(); }
    void hostileTexts()
    {
        OPEN_LIB(lib);
        const QString evil = QStringLiteral("x' OR '1'='1");
        QVERIFY(logRow(lib, {"30019", "2026-03-01", "09:00:00", evil, evil, "", evil, evil, evil, evil, evil, evil}));
        QVERIFY(logRow(lib, {"30019", "2026-03-01", "10:00:00", "W1", "PC", "", "M", "P", "R", "a", "b", "c"}));
        LogSearch s(lib.f.context());
        LogConditions c = march();
        c.worker = c.computer = c.marcRecNo = c.propNo = c.certId = evil;
        c.data = {evil, evil, evil};
        QCOMPARE(s.search(c), LogSearch::Outcome::Listed);
        QCOMPARE(times(s), QStringList{"03-01 09"});
        c.module = c.type = evil;
        QCOMPARE(s.search(c), LogSearch::Outcome::Listed);
        QVERIFY(s.rows().isEmpty());
        c = march();
        c.begin = evil;
        QCOMPARE(s.search(c), LogSearch::Outcome::Listed);
        QVERIFY(s.rows().isEmpty());
        QCOMPARE(lib.f.prompter().texts(), QStringList());
        // The lists quote their keys as well.
        QStringList entries;
        QCOMPARE(s.typeEntries(evil, entries), 0);
        QCOMPARE(entries, QStringList{QStringLiteral("[不限]")});
        QCOMPARE(s.workerEntries(evil, false, entries), 0);
        QCOMPARE(s.setDataCaptions(evil), 0);
    }

    void lists_data() { addBackendRows(); }
    void lists()
    {
        OPEN_LIB(lib);
        QVERIFY(lib.f.exec(QStringLiteral("INSERT INTO lib_worker (wkr_no,wkr_name) VALUES ('W1','王一')")));
        QVERIFY(lib.f.exec(QStringLiteral("INSERT INTO loca_comp_lst (comp_name,location) VALUES ('PC-B','L1')")));
        QVERIFY(lib.f.exec(QStringLiteral("INSERT INTO loca_comp_lst (comp_name,location) VALUES ('PC-A','L1')")));
        LogSearch s(lib.f.context());
        QStringList e;
        QCOMPARE(s.typeEntries(QStringLiteral("5"), e), 0);
        QCOMPARE(e.size(), 8);
        QCOMPARE(e.at(0), QStringLiteral("[不限]"));
        QCOMPARE(e.at(1), QStringLiteral("50036    期刊记到"));
        QCOMPARE(log_codes::entryCode(e.at(7)), QStringLiteral("50042"));
        QCOMPARE(s.typeEntries(QString(), e), 0);
        QCOMPARE(e.size(), 1 + lib.count(QStringLiteral("log_type")));
        QCOMPARE(e.at(1), QStringLiteral("30001    新书分配"));

        // A two-character staff number: two blanks to four, four more, the
        // name; its entry filters on the number alone.
        QCOMPARE(s.workerEntries(QString(), true, e), 0);
        QVERIFY(e.contains(QStringLiteral("W1      王一")));
        QCOMPARE(log_codes::entryCode(QStringLiteral("W1      王一")), QStringLiteral("W1"));
        QCOMPARE(e.mid(e.size() - 11, 2), (QStringList{"ACS     自助借还接口", "API     标准接口"}));
        QCOMPARE(e.last(), QStringLiteral("SMS     短信服务"));
        QCOMPARE(s.workerEntries(QStringLiteral("W1"), false, e), 0);
        QCOMPARE(e, (QStringList{"[不限]", "W1      王一"}));

        QCOMPARE(s.computerEntries(e), 0);
        QCOMPARE(e, (QStringList{"[不限]", "PC-A", "PC-B"}));

        QCOMPARE(s.setDataCaptions(QStringLiteral("30013")), 0);
        QCOMPARE(s.log().headings().mid(9), (QStringList{"调拨馆藏地", "文献类型", "调拨批次"}));
        QCOMPARE(s.setDataCaptions(QString()), 0);
        QCOMPARE(s.log().headings().mid(9), (QStringList{"事务内容一", "事务内容二", "事务内容三"}));
    }

    void rowLimitAndFailure_data() { addBackendRows(); }
    void rowLimitAndFailure()
    {
        OPEN_LIB(lib);
        QVERIFY(seedLog(lib));
        LogSearch s(lib.f.context(), 3);
        QCOMPARE(s.search(march()), LogSearch::Outcome::TooMany);
        QCOMPARE(times(s), (QStringList{"03-01 09", "03-02 08", "03-02 10"}));
        QCOMPARE(lib.f.prompter().lastText(), QStringLiteral("查询结果超过3条，只列出最早的3条，请缩小查询范围。"));
        LogSearch four(lib.f.context(), 4);
        QCOMPARE(four.search(march()), LogSearch::Outcome::Listed);
        QCOMPARE(four.rows().size(), 4);

        // A failing search shows the database error and lists nothing.
        QVERIFY(lib.f.exec(QStringLiteral("DROP TABLE log_type")));
        lib.f.prompter().clear();
        QCOMPARE(four.search(march()), LogSearch::Outcome::Failed);
        QVERIFY(four.rows().isEmpty());
        QCOMPARE(four.log().rowCount(), 0);
        QCOMPARE(lib.f.prompter().texts().size(), 1);
    }

    void detail_data() { addBackendRows(); }
    void detail()
    {
        OPEN_LIB(lib);
        QVERIFY(lib.record(QStringLiteral("M1"), QStringLiteral("呐喊"), QStringLiteral("鲁迅")));
        QVERIFY(lib.record(QStringLiteral("M2"), QStringLiteral("彷徨"), QStringLiteral("鲁迅")));
        QVERIFY(lib.copy(QStringLiteral("P1"), QStringLiteral("M1"), QStringLiteral("B1"), QStringLiteral("L1"),
                         QStringLiteral("41"), QStringLiteral("I210/1")));
        QVERIFY(lib.f.exec(QStringLiteral("UPDATE marc SET m_call_no='I210/2' WHERE marc_rec_no='M2'")));
        QVERIFY(lib.reader(QStringLiteral("R1"), QStringLiteral("1")));
        QVERIFY(lib.f.exec(QStringLiteral("INSERT INTO reader_cert (redr_cert_id,cert_id,cert_flag,oper_date) "
                                          "VALUES ('C-OLD','R1','2','2025-01-01')")));
        QVERIFY(lib.f.exec(QStringLiteral("INSERT INTO reader_cert (redr_cert_id,cert_id,cert_flag,oper_date) "
                                          "VALUES ('C-NEW','R1','1','2026-01-01')")));
        // A copy and a reader; a record; a reader alone; nothing known; a
        // copy since deleted.
        QVERIFY(logRow(lib, {"42020", "2026-03-01", "09:00:00", "W1", "PC", "", "M2", "P1", "R1", "", "", ""}));
        QVERIFY(logRow(lib, {"30019", "2026-03-01", "10:00:00", "W1", "PC", "", "M2", "", "", "", "", ""}));
        QVERIFY(logRow(lib, {"42021", "2026-03-01", "11:00:00", "W1", "PC", "", "", "", "R1", "", "", ""}));
        QVERIFY(logRow(lib, {"42021", "2026-03-01", "12:00:00", "W1", "PC", "", "", "P9", "", "", "", ""}));
        QVERIFY(logRow(lib, {"30017", "2026-03-01", "13:00:00", "W1", "PC", "", "M2", "P9", "", "", "", ""}));
        LogSearch s(lib.f.context());
        QCOMPARE(s.search(march()), LogSearch::Outcome::Listed);
        auto info = [&s](int row) {
            QStringList out;
            if (s.showDetail(row) < 0)
                return QStringList{QStringLiteral("<failed>")};
            for (const InfoLine &l : s.infoLines())
                out.append(l.field + QLatin1Char('=') + l.value);
            return out;
        };
        // The copy wins over the record the row also names.
        const QStringList copy = info(0);
        QCOMPARE(copy.size(), 14);
        QCOMPARE(copy.mid(0, 3), (QStringList{"索书号=I210/1", "题名=呐喊", "责任者=鲁迅"}));
        QVERIFY(copy.contains(QStringLiteral("读者条码号=C-NEW")));
        QVERIFY(copy.contains(QStringLiteral("读者姓名=读者")));
        const QStringList record = info(1);
        QCOMPARE(record.mid(0, 2), (QStringList{"索书号=I210/2", "题名=彷徨"}));
        QCOMPARE(record.size(), 7);
        const QStringList reader = info(2);
        QCOMPARE(reader.size(), 7);
        QCOMPARE(reader.at(1), QStringLiteral("读者证件号=R1"));
        QCOMPARE(info(3), QStringList());
        QCOMPARE(info(4), record);
        // A row that is not listed leaves the detail as it was.
        info(0);
        QCOMPARE(s.showDetail(5), 0);
        QCOMPARE(s.infoLines().size(), 14);
        QCOMPARE(lib.f.prompter().texts(), QStringList());
    }
};

KESTRA_TEST(LogSearchTest)
#include "LogSearchTest.moc"
