// The new-book statistic by location on both backends: a title in two
// locations, the year, March and a period, the document type, a language
// typed in lower case, marked batches against the acceptance rule, the
// batch list of a span, hostile codes, and a failing count that keeps the
// grid.

#include "stats/NewBookStat.h"
#include "items/CopyTestLib.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

bool record(CopyTestLib &lib, const char *no, const char *docType, const char *lang)
{
    return lib.f.exec(QStringLiteral("INSERT INTO marc (marc_rec_no,marc_type,m_title,doc_type_code,lang_code) "
                                     "VALUES ('%1','C','书','%2','%3')")
                          .arg(QLatin1String(no), QLatin1String(docType), QLatin1String(lang)));
}

// A new copy; an empty acceptance or handover batch is NULL.
bool copy(CopyTestLib &lib, const char *prop, const char *no, const char *location, const char *inDate,
          const char *check, const char *move, const char *price)
{
    auto value = [](const char *s) {
        return *s ? QStringLiteral("'%1'").arg(QLatin1String(s)) : QStringLiteral("NULL");
    };
    return lib.f.exec(QStringLiteral("INSERT INTO indi_acct (prop_no,marc_rec_no,bar_code,dis_location,location,"
                                     "book_stat_code,in_date,chk_batch_no,move_batch,price) "
                                     "VALUES ('%1','%2','%1',%3,%3,'41',%4,%5,%6,%7)")
                          .arg(QLatin1String(prop), QLatin1String(no), value(location), value(inDate), value(check),
                               value(move), QLatin1String(price)));
}

bool handover(CopyTestLib &lib, const char *batch, const char *no, const char *sent)
{
    return lib.f.exec(QStringLiteral("INSERT INTO transfer_doc (move_batch,marc_rec_no,send_store_date) "
                                     "VALUES ('%1','%2','%3')")
                          .arg(QLatin1String(batch), QLatin1String(no), QLatin1String(sent)));
}

bool seed(CopyTestLib &lib)
{
    return record(lib, "M1", "01", "CHI") && record(lib, "M2", "02", "ENG") && record(lib, "M3", "01", "CHI") &&
           // M1 in two locations in March.
           copy(lib, "P1", "M1", "L1", "2025-03-01", "C1", "B1", "10") &&
           copy(lib, "P2", "M1", "L2", "2025-03-31 16:00:00", "C1", "B1", "20") &&
           copy(lib, "P3", "M2", "L1", "2025-03-15", "C1", "B2", "5") &&
           // Never accepted: counted only when its batch is marked.
           copy(lib, "P4", "M3", "L1", "2025-03-10", "", "", "7") &&
           copy(lib, "P5", "M1", "L1", "2025-04-01", "C1", "B3", "100") &&
           copy(lib, "P6", "M3", "L2", "2025-02-28", "C2", "B2", "1") && handover(lib, "B1", "M1", "2025-03-02") &&
           handover(lib, "B2", "M2", "2025-03-20") && handover(lib, "B3", "M1", "2025-04-02 09:00:00");
}

// The grid as "name titles/copies/price" lines, total last.
QStringList shown(NewBookStat &s)
{
    QStringList out;
    for (int r = 0; r < s.grid().rowCount(); ++r)
        out.append(s.grid().text(r, 0) + u' ' + s.grid().text(r, 1) + u'/' + s.grid().text(r, 2) + u'/' +
                   s.grid().text(r, 3));
    return out;
}

IntakeConditions year2025()
{
    IntakeConditions c;
    c.year = 2025;
    return c;
}

IntakeConditions march2025()
{
    IntakeConditions c = year2025();
    c.span = IntakeSpan::Month;
    c.month = NewBookStat::monthOf(QStringLiteral("3月"));
    return c;
}

IntakeConditions period(int fromDay, int toDay)
{
    IntakeConditions c;
    c.span = IntakeSpan::Period;
    c.begin = QDate(2025, 3, fromDay);
    c.end = QDate(2025, 3, toDay);
    return c;
}

} // namespace

class NewBookStatTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void monthsAndSpans()
    {
        QCOMPARE(NewBookStat::monthOf(QStringLiteral("12月")), 12);
        QCOMPARE(NewBookStat::monthOf(QStringLiteral("月")), 0);
        QCOMPARE(NewBookStat::monthOf(QStringLiteral("13月")), 0);
        QCOMPARE(NewBookStat::spanText(march2025()), QStringLiteral("2025-03"));
        QCOMPARE(NewBookStat::spanText(period(1, 9)), QStringLiteral("2025-03-01 到 2025-03-09"));
    }

    void counts_data() { addBackendRows(); }
    void counts()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        NewBookStat s(lib.f.context());
        QCOMPARE(s.grid().headings(), (QStringList{"馆藏地", "种数", "册数", "总价格"}));

        // March: a title held in two locations is counted in each and once
        // in the total; the copy never accepted is left out.
        QCOMPARE(s.run(march2025()), 0);
        QCOMPARE(shown(s), (QStringList{"中文图书库 2/2/15.00", "外文书库 1/1/20.00", "合计 2/3/35.00"}));
        QCOMPARE(s.run(year2025()), 0);
        QCOMPARE(shown(s), (QStringList{"中文图书库 2/3/115.00", "外文书库 2/2/21.00", "合计 3/5/136.00"}));
        // Both ends of a period count, whatever time the intake date holds.
        s.run(period(15, 31));
        QCOMPARE(shown(s), (QStringList{"中文图书库 1/1/5.00", "外文书库 1/1/20.00", "合计 2/2/25.00"}));

        IntakeConditions books = march2025();
        books.docType = QStringLiteral("01");
        s.run(books);
        QCOMPARE(shown(s), (QStringList{"中文图书库 1/1/10.00", "外文书库 1/1/20.00", "合计 1/2/30.00"}));
        // The column is compared in upper case, so the code must be too.
        IntakeConditions english = year2025();
        english.language = QStringLiteral("eng");
        s.run(english);
        QCOMPARE(shown(s), (QStringList{"中文图书库 1/1/5.00", "合计 1/1/5.00"}));

        // Marked batches replace the acceptance rule.
        IntakeConditions marked = march2025();
        marked.batches = {QStringLiteral("B2")};
        s.run(marked);
        QCOMPARE(shown(s), (QStringList{"中文图书库 1/1/5.00", "合计 1/1/5.00"}));
        QCOMPARE(lib.f.prompter().texts(), QStringList());

        QStringList batches;
        QCOMPARE(s.batches(march2025(), batches), 0);
        QCOMPARE(batches, (QStringList{"B1", "B2"}));
        s.batches(year2025(), batches);
        QCOMPARE(batches, (QStringList{"B1", "B2", "B3"}));
        s.batches(period(2, 2), batches);
        QCOMPARE(batches, QStringList{"B1"});
    }

    void hostileAndFailing_data() { addBackendRows(); }
    void hostileAndFailing()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        NewBookStat s(lib.f.context());
        const QString hostile = QStringLiteral("x' OR '1'='1");
        IntakeConditions byType = year2025();
        byType.docType = hostile;
        QCOMPARE(s.run(byType), 0);
        QCOMPARE(shown(s), QStringList{"合计 0/0/0.00"});
        IntakeConditions byBatch = year2025();
        byBatch.batches = {QStringLiteral("B1"), hostile};
        s.run(byBatch);
        QCOMPARE(shown(s), (QStringList{"中文图书库 1/1/10.00", "外文书库 1/1/20.00", "合计 1/2/30.00"}));
        QStringList batches;
        IntakeConditions c = year2025();
        c.year = 2024;
        QCOMPARE(s.batches(c, batches), 0);
        QVERIFY(batches.isEmpty());

        s.run(march2025());
        QVERIFY(lib.f.exec(QStringLiteral("DROP TABLE transfer_doc")));
        QVERIFY(lib.f.exec(QStringLiteral("ALTER TABLE indi_acct RENAME TO indi_acct_gone")));
        QCOMPARE(s.run(year2025()), -1);
        QCOMPARE(s.batches(year2025(), batches), -1);
        QCOMPARE(lib.f.prompter().texts().size(), 2);
        QCOMPARE(shown(s).last(), QStringLiteral("合计 2/3/35.00"));
    }
};

KESTRA_TEST(NewBookStatTest)
#include "NewBookStatTest.moc"
