// No scan lost when the database goes away: the PostgreSQL server of this
// test (a private cluster) is stopped in the middle of a scan sequence and
// started again. The scans made meanwhile wait in the workstation's journal,
// in order, and are written through the same checks once the server is
// back, by the next scan or by the next window that takes the batch.

#include "inventory/BookCount.h"
#include "items/CopyTestLib.h"
#include "support/TestRunner.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <unistd.h>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

const QString kPgCluster = QStringLiteral(KESTRA_TESTS_DIR "/../scripts/pg-cluster");

bool runProgram(const QString &program, const QStringList &args, QString *out = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s %s: %s", qPrintable(program), qPrintable(args.join(u' ')), p.readAllStandardError().constData());
        return false;
    }
    if (out != nullptr)
        *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return true;
}

// pg_ctl as the cluster's owner.
bool pgCtl(const QString &arguments)
{
    const QString version =
        QDir(u"/usr/lib/postgresql"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name).value(0);
    const QString line = u"/usr/lib/postgresql/%1/bin/pg_ctl %2"_s.arg(version, arguments);
    if (geteuid() == 0)
        return runProgram(u"su"_s, {u"postgres"_s, u"-s"_s, u"/bin/sh"_s, u"-c"_s, line});
    return runProgram(u"/bin/sh"_s, {u"-c"_s, line});
}

} // namespace

class StockTakeOutageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString cluster_;
    QUrl uri_;

    bool stopServer() { return pgCtl(u"-D '%1/data' -m fast -w stop"_s.arg(cluster_)); }
    // Started again on the same port: the client's DSN does not change.
    bool startServer()
    {
        return pgCtl(u"-D '%1/data' -w -l '%1/server.log' -o \"-p %2 -k '%1' -c listen_addresses=127.0.0.1 "
                     "-c fsync=off -c max_connections=60\" start"_s.arg(cluster_)
                         .arg(uri_.port()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QDir(u"/usr/lib/postgresql"_s).isEmpty(QDir::Dirs | QDir::NoDotAndDotDot))
            QSKIP("PostgreSQL server not installed: no server to stop");
        auto dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QFile::setPermissions(dir->path(), QFile::permissions(dir->path()) | QFile::ExeOther | QFile::ExeGroup);
        dir_ = std::move(dir);
        cluster_ = dir_->filePath(u"pg"_s);
        QString uri;
        QVERIFY(runProgram(kPgCluster, {u"start"_s, cluster_}, &uri));
        uri_ = QUrl(uri);
    }

    void cleanupTestCase()
    {
        if (dir_)
            runProgram(kPgCluster, {u"stop"_s, cluster_});
        dir_.reset();
    }

    void scansWaitForTheServer()
    {
        // The library on this test's own server.
        const QByteArray shared = qgetenv("KESTRA_TEST_PG");
        qputenv("KESTRA_TEST_PG", uri_.toString().toUtf8());
        CopyTestLib lib;
        QString why;
        const bool opened = lib.open(static_cast<int>(TestDatabase::Kind::Postgres), &why);
        qputenv("KESTRA_TEST_PG", shared);
        QVERIFY2(opened, qPrintable(why));
        ScriptedPrompter &prompter = lib.f.prompter();
        QVERIFY(lib.record(u"M1"_s, u"红楼梦"_s));
        for (const char *p : {"P1", "P2", "P3", "P4", "P5", "P6"})
            QVERIFY(lib.copy(QString::fromLatin1(p), u"M1"_s, u"B"_s + QString::fromLatin1(p), u"L1"_s, u"41"_s) &&
                    lib.item(QString::fromLatin1(p)));
        QCOMPARE(lib.f.db().callProc(u"insert_count_data '2026-01-05','L1',NULL,'0',NULL,'W001','X''1'"_s), 0);
        const auto scanned = [&] {
            return lib.snapshot(u"SELECT prop_no FROM wait_count_lst ORDER BY prop_no"_s).replace(u'\n', u',');
        };

        QString journal;
        {
            BookCount window(lib.f.context(), BarcodeSettings{});
            QCOMPARE(window.chooseBatch(u"X'1"_s), 0);
            QCOMPARE(window.enter(u"BP1"_s).outcome(), StepOutcome::Done);
            QVERIFY(stopServer());
            for (const char *code : {"BP2", "BP3", "BP2"}) {
                const ScanReport r = window.enter(QString::fromLatin1(code));
                QCOMPARE(r.failed, false);
                QCOMPARE(window.lastProblem(), BookCount::Problem::Kept);
            }
            QCOMPARE(window.waiting(), 3);
            QVERIFY(prompter.lastText().contains(u"暂存3册"_s));
            journal = window.journal().path();
            QVERIFY(QFile::exists(journal));
            // The window closes (the program ends) with the scans waiting.
        }
        QVERIFY(startServer());
        QVERIFY(QFile::exists(journal));

        // The next window on the batch finds them and writes them in order,
        // through the same checks: the second BP2 is already counted.
        BookCount next(lib.f.context(), BarcodeSettings{});
        QCOMPARE(next.chooseBatch(u"X'1"_s), 0);
        QCOMPARE(next.waiting(), 3);
        const ScanReport replayed = next.replayJournal();
        QCOMPARE(replayed.done, 2);
        QCOMPARE(replayed.refused, 1);
        QCOMPARE(prompter.lastText(), u"已写入暂存的3条扫描，清点到2册。\nBP2：该书已经在清点库中"_s);
        QCOMPARE(next.waiting(), 0);
        QVERIFY(!QFile::exists(journal));
        QCOMPARE(scanned(), u"P1,P2,P3"_s);

        // Down again in the middle of a sequence: the next scan after the
        // server is back writes the waiting one first.
        QVERIFY(stopServer());
        QCOMPARE(next.enter(u"BP4"_s).outcome(), StepOutcome::Refused);
        QCOMPARE(next.waiting(), 1);
        QVERIFY(startServer());
        QCOMPARE(next.enter(u"BP5"_s).outcome(), StepOutcome::Done);
        QCOMPARE(next.waiting(), 0);
        QCOMPARE(scanned(), u"P1,P2,P3,P4,P5"_s);
        // Restarted between two scans with none waiting: the scan finds its
        // session gone, makes it again without a question and is written.
        QVERIFY(stopServer());
        QVERIFY(startServer());
        QCOMPARE(next.enter(u"BP6"_s).outcome(), StepOutcome::Done);
        QCOMPARE(next.waiting(), 0);
        QStringList listed; // in the order scanned
        for (const CountedCopy &c : next.rows())
            listed.append(c.row.propNo);
        QCOMPARE(listed, QStringList({u"P2"_s, u"P3"_s, u"P4"_s, u"P5"_s, u"P6"_s}));
        QCOMPARE(lib.f.one(u"SELECT sum(volume) FROM wkr_job_qty WHERE job_type='304'"_s), u"6"_s);
        QVERIFY(prompter.done());

        // The server goes away in the middle of an import, with part of a
        // group written and not committed: what was not committed waits in
        // the journal in the file's order, nothing is counted as recorded
        // that was not, and once the server is back every copy is recorded
        // exactly once.
        QStringList codes;
        for (int i = 0; i < 12; ++i) {
            const QString prop = u"Q%1"_s.arg(i, 2, 10, QLatin1Char('0'));
            QVERIFY(lib.copy(prop, u"M1"_s, u"B"_s + prop, u"L1"_s, u"41"_s) && lib.item(prop));
            codes.append(u"B"_s + prop);
        }
        QCOMPARE(lib.f.db().callProc(u"insert_count_data '2026-01-06','L1',NULL,'0',NULL,'W001','X2'"_s), 0);
        QTemporaryDir files;
        const QString path = files.filePath(u"scanner.txt"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((codes.join(u"\r\n"_s) + u"\r\n"_s).toUtf8());
        file.close();
        BookCount importing(lib.f.context(), BarcodeSettings{});
        QCOMPARE(importing.chooseBatch(u"X2"_s), 0);
        prompter.onStep([&](int step) {
            if (step == 7)
                QVERIFY(stopServer());
        });
        const ScanReport report = importing.importFile(path);
        prompter.onStep({});
        QVERIFY(startServer());
        QCOMPARE(lib.f.db().connect(), 0);
        const QStringList written =
            lib.snapshot(u"SELECT b.bar_code FROM wait_count_lst w, indi_acct b WHERE w.count_batch_no='X2' AND "
                         "b.prop_no=w.prop_no ORDER BY b.bar_code"_s)
                .split(u'\n', Qt::SkipEmptyParts);
        QStringList waiting;
        for (const JournalScan &scan : importing.journal().scans())
            waiting.append(scan.code);
        QCOMPARE(report.codes, 12);
        QCOMPARE(report.done, written.size());
        QCOMPARE(report.refused, waiting.size());
        QVERIFY(written.size() < 7);
        QCOMPARE(written + waiting, codes); // in order, none twice, none lost
        QCOMPARE(importing.rows().size(), written.size());
        QVERIFY(!QFile::exists(BookCount::problemFileFor(path))); // nothing was refused
        QCOMPARE(importing.replayJournal().done, waiting.size());
        QCOMPARE(lib.f.one(u"SELECT count(DISTINCT prop_no) FROM wait_count_lst WHERE count_batch_no='X2'"_s), u"12"_s);
        QCOMPARE(lib.f.one(u"SELECT count(*) FROM wait_count_lst WHERE count_batch_no='X2'"_s), u"12"_s);
        QCOMPARE(lib.f.one(u"SELECT sum(volume) FROM wkr_job_qty WHERE job_type='304'"_s), u"18"_s);
    }
};

KESTRA_TEST(StockTakeOutageTest)
#include "StockTakeOutageTest.moc"
