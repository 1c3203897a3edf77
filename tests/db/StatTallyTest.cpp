// The statistics package's tally on both backends: its conditions read in
// memory as the database reads them in a WHERE clause (NULL and the empty
// text, SUBSTR's positions, LIKE's wildcards and escape, the order of
// texts beyond ASCII), its figures against the base query restricted by
// each condition, what it leaves to the database, and rows handed over one
// at a time and across threads.

#include "db/procs/StatTally.h"
#include "core/Session.h"
#include "db/procs/Procedures.h"
#include "db/procs/RowPipeline.h"
#include "db/procs/StatCondition.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

bool seed(ProcHost &host, DbError &error)
{
    const QStringList rows{
        "1, 'TP391.4', '1', 10.5",   "2, 'TP3', '1', 4",         "3, 'tp3', '1', 2.25",   "4, 'A', NULL, 0.1",
        "5, NULL, '2', 0.1",         "6, 'B7/2', '2', NULL",     "7, '', '1', 0.1",       "8, 'a_b%c', '1', 1",
        "9, '50%', '2', 3.3",        "10, 'é1', '1', 7.77",      "11, '中文', '1', 1",    "12, 'z', '2', 2",
        "13, '\U00020000x', '1', 5", "14, '\uFFFDz', '1', 5.05", "15, 'TP39', '2', 0.35",
    };
    if (!host.exec(QStringLiteral("CREATE TABLE t_vals (id INTEGER, a VARCHAR(20), b VARCHAR(20), n NUMERIC(8,2))"), {},
                   error))
        return false;
    for (const QString &row : rows) {
        if (!host.exec(QStringLiteral("INSERT INTO t_vals VALUES(%1)").arg(row), {}, error))
            return false;
    }
    return true;
}

QList<int> ids(ProcHost &host, const QString &where)
{
    QList<Row> rows;
    DbError error;
    if (!selectOracle(host, QStringLiteral("SELECT id FROM t_vals WHERE ") + where + QStringLiteral(" ORDER BY id"),
                      rows, error))
        return {-1};
    QList<int> out;
    for (const Row &r : rows)
        out.append(r.value(0).toInt());
    return out;
}

// Rows made up on the spot: i, "t<i>" and NULL.
class CountingRow final : public RowView {
public:
    qint64 i = 0;
    QByteArray label;
    int size() const override { return 3; }
    Type type(int column) const override { return column == 0 ? Integer : (column == 1 ? Text : Null); }
    qint64 integer(int) const override { return i; }
    double real(int) const override { return 0; }
    QByteArrayView text(int) const override { return label; }
};

} // namespace

class StatTallyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tallyAgainstTheDatabase_data() { addBackendRows(); }
    void tallyAgainstTheDatabase()
    {
        QFETCH(int, backend);
        SuiteFixture fx;
        KESTRA_OPEN_SUITE(fx, backend);
        auto *host = dynamic_cast<ProcHost *>(fx.db().backend());
        QVERIFY(host);
        DbError error;
        QVERIFY2(seed(*host, error), qPrintable(error.text));

        // Each condition keeps and drops the rows the database keeps and
        // drops; a row neither kept by the condition nor by its negation is
        // unknown (NULL) in both.
        const QStringList conditions{
            "t_vals.a like 'TP%'",
            "t_vals.a like 'T_3%'",
            "t_vals.a like '%3'",
            "t_vals.a not like 'A%'",
            "NOT t_vals.a like 'TP%'",
            "t_vals.a like 'a!_b%' escape '!'",
            "t_vals.a like '50!%' ESCAPE '!'",
            "t_vals.a like '%'",
            "t_vals.a >= 'TP3' AND substr(t_vals.a ,1,4)<= 'TP39'",
            "substr(t_vals.a,-2) = '.4'",
            "substr(t_vals.a,0,1) = 'T'",
            "substr(t_vals.a,2) > 'P'",
            "substr(t_vals.a,1,0) is null",
            "substr(t_vals.a,2,1) = 'x'",
            "t_vals.a > 'z'",
            "t_vals.a < '\uFFFD'",
            "t_vals.a = ''",
            "t_vals.a <> 'TP3' AND t_vals.a != 'A'",
            "NOT (t_vals.b = '1')",
            "t_vals.b is null",
            "t_vals.b is not null OR t_vals.a like 'A%'",
            "(t_vals.b = '1' AND (t_vals.a like 'T%' OR t_vals.a like 'A%'))",
            "t_vals.n > 5",
            "1=1",
            "1=0",
        };
        QList<StatColumn> columns;
        const std::optional<StatConditions> compiled = StatConditions::compile(conditions, columns);
        QVERIFY(compiled.has_value());
        QCOMPARE(columns.size(), 3);
        QList<Row> rows;
        QStringList read;
        for (const StatColumn &c : columns)
            read.append(c.sql());
        QVERIFY(selectOracle(*host, QStringLiteral("SELECT id,") + read.join(u',') + QStringLiteral(" FROM t_vals"),
                             rows, error));
        QList<QList<StatConditions::Truth>> truths;
        for (const Row &row : std::as_const(rows)) {
            QList<StatValue> values;
            for (qsizetype c = 1; c < row.size(); ++c)
                values.append(StatValue::of(row.at(c)));
            bool failed = false;
            truths.append(QList<StatConditions::Truth>());
            compiled->evaluate(values, truths.last(), failed);
            QVERIFY(!failed);
        }
        for (qsizetype i = 0; i < conditions.size(); ++i) {
            QList<int> kept;
            QList<int> dropped;
            for (qsizetype r = 0; r < rows.size(); ++r) {
                if (truths.at(r).at(i) == StatConditions::Truth::True)
                    kept.append(rows.at(r).at(0).toInt());
                else if (truths.at(r).at(i) == StatConditions::Truth::False)
                    dropped.append(rows.at(r).at(0).toInt());
            }
            std::sort(kept.begin(), kept.end());
            std::sort(dropped.begin(), dropped.end());
            const auto shown = [](const QList<int> &l) {
                QStringList s;
                for (const int id : l)
                    s.append(QString::number(id));
                return s.join(u' ');
            };
            const QList<int> keeps = ids(*host, conditions.at(i));
            const QList<int> drops = ids(*host, QStringLiteral("NOT (") + conditions.at(i) + u')');
            QVERIFY2(kept == keeps && dropped == drops,
                     qPrintable(conditions.at(i) + QStringLiteral(": kept %1, dropped %2; the database %3 and %4")
                                                       .arg(shown(kept), shown(dropped), shown(keeps), shown(drops))));
        }
        // What the tally does not read: the database answers.
        for (const char *other :
             {"t_vals.a IN ('A')", "upper(t_vals.a) = 'A'", "t_vals.a = t_vals.b || 'x'", "t_vals.a LIKE t_vals.b",
              "t_vals.a BETWEEN 'A' AND 'B'", "(t_vals.a) = 'A'", "t_vals.a = :1", "t_vals.a = 'A"})
            QVERIFY2(!StatConditions::compile({QStringLiteral("1=1"), QString::fromUtf8(other)}, columns), other);

        // The figures: distinct, plain and star counts and an exact sum, in
        // the text the base query restricted by each condition gives
        // ("14.50" on PostgreSQL's NUMERIC, "14.5" on SQLite).
        const QString base = QStringLiteral(" SELECT COUNT(distinct t_vals.b)|| ',' ||COUNT(t_vals.a)|| ',' ||"
                                            "COUNT(*)|| ',' ||SUM(t_vals.n)  FROM   t_vals  WHERE  t_vals.id > 0 ");
        QStringList appended;
        for (const QString &c : conditions)
            appended.append(QStringLiteral(" AND (") + c + u')');
        const std::optional<AggregateQuery> q = parseAggregateQuery(base);
        QVERIFY(q.has_value());
        QList<Row> values;
        QCOMPARE(statTally(*host, *q, appended, values, error), TallyOutcome::Counted);
        QCOMPARE(values.size(), appended.size());
        for (qsizetype i = 0; i < appended.size(); ++i) {
            QVERIFY(selectOracle(*host, base + appended.at(i), rows, error));
            QCOMPARE(values.at(i).value(0).toString(), rows.value(0).value(0).toString());
        }
        QCOMPARE(values.at(conditions.indexOf(QStringLiteral("1=1"))).value(0).toString(),
                 QStringLiteral("2,14,15,42.52"));

        // Beyond the tally: an aggregate it does not gather, a condition it
        // cannot read, a text compared with a number.
        for (const auto &[query, condition] :
             {std::pair{QStringLiteral("SELECT MIN(t_vals.n) FROM t_vals"), QStringLiteral(" AND 1=1")},
              std::pair{base, QStringLiteral(" AND t_vals.a IN (SELECT a FROM t_vals)")},
              std::pair{base, QStringLiteral(" AND t_vals.a > 5")}, std::pair{base, QStringLiteral(" OR 1=1")}}) {
            const std::optional<AggregateQuery> other = parseAggregateQuery(query);
            QVERIFY(other.has_value());
            QCOMPARE(statTally(*host, *other, {condition}, values, error), TallyOutcome::NotMine);
        }
    }

    // Rows handed over one at a time as they arrive (PostgreSQL's single-row
    // mode, SQLite's per-row function), to the end or stopped early, with
    // the transaction and the connection going on after either.
    void rowsInBlocks_data() { addBackendRows(); }
    void rowsInBlocks()
    {
        QFETCH(int, backend);
        SuiteFixture fx;
        KESTRA_OPEN_SUITE(fx, backend);
        auto *host = dynamic_cast<ProcHost *>(fx.db().backend());
        const QString sql = QStringLiteral("WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i < "
                                           "45001) SELECT i, 'x' || i FROM r");
        QCOMPARE(fx.db().beginTrans(), 0);
        for (const int stopAt : {0, 20000, 20001}) {
            qint64 seen = 0;
            qint64 sum = 0;
            DbError error;
            QVERIFY2(host->forEachRow(
                         sql, {},
                         [&](const RowView &row) {
                             ++seen;
                             sum += row.integer(0);
                             return row.type(0) == RowView::Integer &&
                                    row.text(1).toByteArray() == QByteArray("x") + QByteArray::number(row.integer(0)) &&
                                    seen != stopAt;
                         },
                         error),
                     qPrintable(error.text));
            QCOMPARE(seen, stopAt == 0 ? 45001 : stopAt);
            QCOMPARE(sum, seen * (seen + 1) / 2);
        }
        // The transaction goes on after the cursor's reads.
        QCOMPARE(fx.one(QStringLiteral("SELECT COUNT(*) FROM dual")), QStringLiteral("1"));
        QCOMPARE(fx.db().commitTrans(), 0);
    }

    // Rows handed to the other thread arrive whole and in order, across
    // blocks; a consumer that stops takes nothing more and the reader hears
    // of it.
    void rowsAcrossThreads()
    {
        for (const qint64 stopAt : {qint64(0), qint64(5000)}) {
            qint64 taken = 0;
            bool inOrder = true;
            RowPipeline pipeline([&](const RowView &row) {
                ++taken;
                inOrder = inOrder && row.integer(0) == taken && row.type(2) == RowView::Null &&
                          row.text(1).toByteArray() == QByteArray("t") + QByteArray::number(taken);
                return taken != stopAt;
            });
            CountingRow row;
            qint64 pushed = 0;
            for (row.i = 1; row.i <= 100000; ++row.i) {
                row.label = QByteArray("t") + QByteArray::number(row.i);
                ++pushed;
                if (!pipeline.push(row))
                    break;
            }
            QCOMPARE(pipeline.finish(), stopAt == 0);
            QVERIFY(inOrder);
            QCOMPARE(taken, stopAt == 0 ? 100000 : stopAt);
            // The reader stops within the blocks it may read ahead of the
            // consumer (five of 4,096 rows).
            QVERIFY(stopAt == 0 ? pushed == 100000 : pushed < 100000);
        }
    }
};

KESTRA_TEST(StatTallyTest)
#include "StatTallyTest.moc"
