// A primary and a streaming standby, both private clusters, and a DSN that
// names both with target_session_attrs=read-write: the client writes to the
// primary; between two scans the primary stops and the standby is
// promoted; the scan in flight is lost whole (a lost session), and after
// the reconnection, with nobody editing kestra.ini, the client writes to
// the new primary, which holds the first scan too.

#include "core/AppContext.h"
#include "core/Session.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>
#include <memory>
#include <unistd.h>

using namespace kestra;
using namespace kestra::test;

namespace {

const QString kCluster = QStringLiteral(KESTRA_TESTS_DIR "/../scripts/pg-cluster");

bool run(const QString &program, const QStringList &args, QString *out = nullptr)
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

// A command of the server's programs, as the clusters' owner.
bool asOwner(const QString &command)
{
    const QString bin =
        QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0);
    const QString line = QStringLiteral("/usr/lib/postgresql/%1/bin/%2").arg(bin, command);
    if (geteuid() == 0)
        return run(QStringLiteral("su"), {QStringLiteral("postgres"), QStringLiteral("-s"), QStringLiteral("/bin/sh"),
                                          QStringLiteral("-c"), line});
    return run(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line});
}

// One scan's write, in a queued transaction as the per-copy forms write.
int scan(Session &db, int n)
{
    Transaction tx(db, Transaction::Writes::Queued);
    if (db.execute(QStringLiteral("INSERT INTO scans VALUES(%1)").arg(n)) < 0) {
        tx.rollback();
        return -1;
    }
    return tx.commit();
}

} // namespace

class PgStandbyTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString primary_;
    QString standby_;
    QUrl primaryUri_;
    QUrl standbyUri_;

    QString path(const char *name) const { return dir_->filePath(QLatin1String(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        if (QDir(QStringLiteral("/usr/lib/postgresql")).isEmpty(QDir::Dirs | QDir::NoDotAndDotDot))
            QSKIP("PostgreSQL server not installed: no primary and standby");
        auto dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QFile::setPermissions(dir->path(), QFile::permissions(dir->path()) | QFile::ExeOther | QFile::ExeGroup);
        dir_ = std::move(dir);
        primary_ = path("primary");
        standby_ = path("standby");
        QString uri;
        QVERIFY(run(kCluster, {QStringLiteral("start"), primary_}, &uri));
        primaryUri_ = QUrl(uri);
        // The standby: a base backup of the primary that follows its stream.
        QVERIFY(QDir().mkpath(standby_));
        if (geteuid() == 0)
            QVERIFY(run(QStringLiteral("chown"), {QStringLiteral("postgres"), standby_}));
        QVERIFY(asOwner(QStringLiteral("pg_basebackup -h 127.0.0.1 -p %1 -U %2 -D '%3/data' -R -X stream")
                            .arg(primaryUri_.port())
                            .arg(primaryUri_.userName(), standby_)));
        QVERIFY(run(kCluster, {QStringLiteral("start"), standby_}, &uri));
        standbyUri_ = QUrl(uri);
        QVERIFY(primaryUri_.port() != standbyUri_.port());
    }

    void cleanupTestCase()
    {
        if (!dir_)
            return;
        run(kCluster, {QStringLiteral("stop"), primary_});
        run(kCluster, {QStringLiteral("stop"), standby_});
        dir_.reset();
    }

    void promotedBetweenTwoScans()
    {
        TestContext tc;
        // The standby first: a read-only server is passed over.
        const QString dsn = QStringLiteral("postgresql://%1@127.0.0.1:%2,127.0.0.1:%3/postgres"
                                           "?target_session_attrs=read-write")
                                .arg(primaryUri_.userName())
                                .arg(standbyUri_.port())
                                .arg(primaryUri_.port());
        tc.writeText(QStringLiteral("kestra.ini"),
                     QStringLiteral("[LIB-DATA]\nLIB_SERVER=S\n[S]\nDSN=%1\nUID=\nPWD=\n").arg(dsn));
        AppContext &context = tc.context();
        QCOMPARE(context.loadIniSettings(), 0);
        Session &db = context.db();
        QVERIFY2(db.connect() == 0, qPrintable(db.error().text));
        QCOMPARE(db.execute(QStringLiteral("CREATE TABLE scans(n INTEGER)")), 0);
        QCOMPARE(scan(db, 1), 0);

        // The standby has replayed everything the primary wrote (waited
        // for, bounded), then the primary stops and the standby takes over.
        QueryResult r;
        bool caughtUp = false;
        for (int i = 0; i < 300 && !caughtUp; ++i) {
            QCOMPARE(db.query(QStringLiteral("SELECT count(*) FROM pg_stat_replication "
                                             "WHERE replay_lsn >= pg_current_wal_lsn()"),
                              r),
                     0);
            caughtUp = r.text(0, 0) == QLatin1String("1");
            if (!caughtUp)
                QThread::msleep(100);
        }
        QVERIFY(caughtUp);
        QVERIFY(run(kCluster, {QStringLiteral("stop"), primary_}));
        QVERIFY(asOwner(QStringLiteral("pg_ctl promote -w -D '%1/data'").arg(standby_)));

        // The scan in flight meets the lost session: nothing of it stays.
        QCOMPARE(scan(db, 2), -1);
        QVERIFY2(db.error().oraCode == 3113 || db.error().oraCode == 3114, qPrintable(db.error().text));
        // The reconnection finds the new primary by itself.
        QVERIFY2(db.connect() == 0, qPrintable(db.error().text));
        QCOMPARE(scan(db, 2), 0);
        QCOMPARE(db.query(QStringLiteral("SELECT count(*), sum(n), inet_server_port() FROM scans"), r), 0);
        QCOMPARE(r.text(0, 0), QStringLiteral("2"));
        QCOMPARE(r.text(0, 1), QStringLiteral("3"));
        QCOMPARE(r.text(0, 2), QString::number(standbyUri_.port()));
    }
};

KESTRA_TEST(PgStandbyTest)
#include "PgStandbyTest.moc"
