// The workload statistic on both backends: the job types of the prefix,
// the spans of a year, a month, a day and a period over the operator's own
// counters, a refused half-typed period, hostile texts and a failing query
// that leaves the figures as they were.

#include "stats/JobStat.h"
#include "items/CopyTestLib.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

bool work(CopyTestLib &lib, const QString &worker, const QString &job, const QString &day, int titles, int copies,
          const QString &amount)
{
    return lib.f.exec(QStringLiteral("INSERT INTO wkr_job_qty (wkr_no_f,job_type,oper_date,kind,volume,amount) "
                                     "VALUES (%1,%2,%3,%4,%5,%6)")
                          .arg(sqlQuote(worker), sqlQuote(job), sqlQuote(day))
                          .arg(titles)
                          .arg(copies)
                          .arg(amount));
}

// The figures of a job type as the grid shows them: titles/copies/amount,
// or "-" for an empty row.
QString shown(JobStat &s, const QString &type)
{
    for (int r = 0; r < s.rows().size(); ++r) {
        if (s.rows().at(r).type != type)
            continue;
        const QString titles = s.grid().text(r, 1);
        return titles.isEmpty() ? QStringLiteral("-")
                                : titles + u'/' + s.grid().text(r, 2) + u'/' + s.grid().text(r, 3);
    }
    return QStringLiteral("not listed");
}

JobConditions on(JobSpan span, const char *day)
{
    JobConditions c;
    c.span = span;
    c.day = QDate::fromString(QLatin1String(day), QStringLiteral("yyyy-MM-dd"));
    return c;
}

JobConditions period(const QString &begin, const QString &end)
{
    JobConditions c;
    c.span = JobSpan::Period;
    c.begin = begin;
    c.end = end;
    return c;
}

} // namespace

class JobStatTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void spans_data() { addBackendRows(); }
    void spans()
    {
        OPEN_LIB(lib);
        // W001 is the logged-in operator; W002's counters must never show.
        QVERIFY(work(lib, QStringLiteral("W001"), QStringLiteral("301"), QStringLiteral("2025-03-01"), 2, 3, "10.5"));
        QVERIFY(work(lib, QStringLiteral("W001"), QStringLiteral("301"), QStringLiteral("2025-03-15"), 1, 4, "20.25"));
        QVERIFY(work(lib, QStringLiteral("W001"), QStringLiteral("301"), QStringLiteral("2025-03-31"), 1, 1, "1"));
        QVERIFY(work(lib, QStringLiteral("W001"), QStringLiteral("301"), QStringLiteral("2025-04-01"), 5, 5, "5"));
        QVERIFY(work(lib, QStringLiteral("W001"), QStringLiteral("309"), QStringLiteral("2025-02-28"), 7, 7, "0"));
        QVERIFY(work(lib, QStringLiteral("W001"), QStringLiteral("210"), QStringLiteral("2025-03-15"), 9, 9, "9"));
        QVERIFY(work(lib, QStringLiteral("W002"), QStringLiteral("301"), QStringLiteral("2025-03-15"), 8, 8, "8"));

        JobStat s(lib.f.context(), QStringLiteral("3%"));
        QCOMPARE(s.load(), 0);
        // Only the prefix's types, in code order, named.
        QCOMPARE(s.rows().first().type, QStringLiteral("301"));
        QCOMPARE(s.grid().text(0, 0), QStringLiteral("新书分配"));
        for (const JobRow &r : s.rows())
            QVERIFY(r.type.startsWith(u'3'));
        QCOMPARE(shown(s, QStringLiteral("210")), QStringLiteral("not listed"));
        QCOMPARE(s.grid().headings(), (QStringList{"工作类型", "种数", "册数", "价格"}));

        QCOMPARE(s.run(on(JobSpan::Year, "2025-03-15")), JobStat::Outcome::Counted);
        QCOMPARE(shown(s, QStringLiteral("301")), QStringLiteral("9/13/36.75"));
        QCOMPARE(shown(s, QStringLiteral("309")), QStringLiteral("7/7/0.00"));
        QCOMPARE(shown(s, QStringLiteral("302")), QStringLiteral("-"));

        // A month reaches its first and its last day, not the next month's.
        s.run(on(JobSpan::Month, "2025-03-15"));
        QCOMPARE(shown(s, QStringLiteral("301")), QStringLiteral("4/8/31.75"));
        QCOMPARE(shown(s, QStringLiteral("309")), QStringLiteral("-"));
        s.run(on(JobSpan::Day, "2025-03-15"));
        QCOMPARE(shown(s, QStringLiteral("301")), QStringLiteral("1/4/20.25"));

        // Both bounds inclusive; equal bounds are that day; reversed ones
        // find nothing.
        s.run(period(QStringLiteral("2025-02-28"), QStringLiteral("2025-03-01")));
        QCOMPARE(shown(s, QStringLiteral("301")), QStringLiteral("2/3/10.50"));
        QCOMPARE(shown(s, QStringLiteral("309")), QStringLiteral("7/7/0.00"));
        s.run(period(QStringLiteral("2025-03-31"), QStringLiteral("2025-03-31")));
        QCOMPARE(shown(s, QStringLiteral("301")), QStringLiteral("1/1/1.00"));
        s.run(period(QStringLiteral("2025-04-01"), QStringLiteral("2025-03-01")));
        QCOMPARE(shown(s, QStringLiteral("301")), QStringLiteral("-"));
        QCOMPARE(lib.f.prompter().texts(), QStringList());

        // A half-typed bound would compare as a shorter text and count a
        // different span: refused, the figures left as they were.
        s.run(on(JobSpan::Year, "2025-01-01"));
        QCOMPARE(s.run(period(QStringLiteral("2025-03-"), QStringLiteral("2025-03-31"))), JobStat::Outcome::BadPeriod);
        QCOMPARE(s.run(period(QStringLiteral("2025-02-30"), QStringLiteral("2025-03-31"))),
                 JobStat::Outcome::BadPeriod);
        QCOMPARE(lib.f.prompter().texts().size(), 2);
        QCOMPARE(shown(s, QStringLiteral("301")), QStringLiteral("9/13/36.75"));

        // An operator with no work: every row empty.
        lib.f.context().session().operatorNo = QStringLiteral("W009");
        s.run(on(JobSpan::Year, "2025-03-15"));
        for (int r = 0; r < s.rows().size(); ++r)
            QCOMPARE(s.grid().text(r, 1), QString());
    }

    // A row stored with a time of day belongs to its day: the period's end
    // day takes it, the next day's first moment stays out.
    void periodEndIsADay_data() { addBackendRows(); }
    void periodEndIsADay()
    {
        OPEN_LIB(lib);
        QVERIFY(
            work(lib, QStringLiteral("W001"), QStringLiteral("301"), QStringLiteral("2026-03-02 10:00:00"), 1, 2, "3"));
        QVERIFY(
            work(lib, QStringLiteral("W001"), QStringLiteral("301"), QStringLiteral("2026-03-03 00:00:00"), 5, 5, "5"));
        JobStat s(lib.f.context(), QStringLiteral("3%"));
        QCOMPARE(s.load(), 0);
        QCOMPARE(s.run(period(QStringLiteral("2026-03-01"), QStringLiteral("2026-03-02"))), JobStat::Outcome::Counted);
        QCOMPARE(shown(s, QStringLiteral("301")), QStringLiteral("1/2/3.00"));
        s.run(period(QStringLiteral("2026-03-02"), QStringLiteral("2026-03-02")));
        QCOMPARE(shown(s, QStringLiteral("301")), QStringLiteral("1/2/3.00"));
    }

    void hostileAndFailing_data() { addBackendRows(); }
    void hostileAndFailing()
    {
        OPEN_LIB(lib);
        const QString quoted = QStringLiteral("O'Hara");
        QVERIFY(work(lib, quoted, QStringLiteral("301"), QStringLiteral("2025-03-15"), 2, 2, "2"));
        QVERIFY(work(lib, QStringLiteral("W001"), QStringLiteral("301"), QStringLiteral("2025-03-15"), 1, 1, "1"));
        lib.f.context().session().operatorNo = quoted;

        // A prefix that would read every type if it were pasted in.
        JobStat hostile(lib.f.context(), QStringLiteral("3' OR '1'='1"));
        QCOMPARE(hostile.load(), 0);
        QVERIFY(hostile.rows().isEmpty());

        JobStat s(lib.f.context(), QStringLiteral("3%"));
        QCOMPARE(s.load(), 0);
        QCOMPARE(s.run(period(QStringLiteral("2025-03-15"), QStringLiteral("2025-03-15"))), JobStat::Outcome::Counted);
        QCOMPARE(shown(s, QStringLiteral("301")), QStringLiteral("2/2/2.00"));

        // A failing query shows the error once and keeps the figures.
        QVERIFY(lib.f.exec(QStringLiteral("DROP TABLE wkr_job_qty")));
        lib.f.prompter().clear();
        QCOMPARE(s.run(on(JobSpan::Year, "2025-03-15")), JobStat::Outcome::Failed);
        QCOMPARE(lib.f.prompter().texts().size(), 1);
        QCOMPARE(shown(s, QStringLiteral("301")), QStringLiteral("2/2/2.00"));
    }
};

KESTRA_TEST(JobStatTest)
#include "JobStatTest.moc"
