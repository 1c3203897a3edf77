// A PostgreSQL connection whose network link dies (no reset, no answer, as
// when a cable is pulled) reports the lost session within the link timeout
// instead of freezing the client for the kernel's quarter of an hour. The
// server runs behind a veth pair in a network namespace of its own
// (scripts/pg-netns), and the test takes the far end of the link down.

#include "db/OraError.h"
#include "db/PgBackend.h"
#include "support/TestRunner.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>

using namespace kestra;

namespace {

const QString kScript = QStringLiteral(KESTRA_TESTS_DIR "/../scripts/pg-netns");

// Short enough for a test, long enough for a loaded machine to answer.
constexpr int kLinkTimeoutMs = 3000;
// A hang fails the run after this long instead of holding CI for minutes.
constexpr int kWatchdogSeconds = 60;

bool runScript(const QStringList &args, QString *out = nullptr)
{
    QProcess p;
    p.start(kScript, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("pg-netns %s: %s", qPrintable(args.join(u' ')), p.readAllStandardError().constData());
        return false;
    }
    if (out != nullptr)
        *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return true;
}

// Ends the whole test program when a statement on the dead link has not
// returned in time: a blocked libpq call cannot be interrupted, and waiting
// for the kernel would take a quarter of an hour. The cluster and the
// namespace are removed first.
class Watchdog {
public:
    explicit Watchdog(QString dir) : dir_(std::move(dir)), thread_([this] { watch(); }) {}
    ~Watchdog()
    {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    void watch()
    {
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, std::chrono::seconds(kWatchdogSeconds), [this] { return done_; }))
            return;
        std::fprintf(stderr, "FAIL!  : PgDeadLinkTest: a statement on a dead link still waits after %d s\n",
                     kWatchdogSeconds);
        const QByteArray stop = "'" + kScript.toUtf8() + "' stop '" + dir_.toUtf8() + "'";
        std::fflush(stderr);
        if (std::system(stop.constData()) != 0)
            std::fprintf(stderr, "PgDeadLinkTest: could not stop the cluster in %s\n", qPrintable(dir_));
        std::_Exit(1);
    }

    QString dir_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

} // namespace

class PgDeadLinkTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    BackendTarget overLink_; // through the veth pair
    BackendTarget local_;    // through the cluster's socket: survives the cut

    bool started() const { return dir_ != nullptr; }

    BackendTarget target(const QString &host, int port, const QString &user) const
    {
        BackendTarget t;
        t.kind = BackendTarget::Kind::Postgres;
        t.host = host;
        t.port = port;
        t.user = user;
        t.database = QStringLiteral("postgres");
        t.linkTimeoutMs = kLinkTimeoutMs;
        t.lockTimeoutMs = kWatchdogSeconds * 2000; // a lock wait must not end the test's wait
        return t;
    }

    // The error of a statement run after (or while) the link is cut, and
    // how long it took to come.
    struct Outcome {
        bool ok = false;
        DbError error;
        qint64 ms = 0;
    };
    template <typename Run>
    Outcome timed(Run run)
    {
        const Watchdog watchdog(dir_->path());
        QElapsedTimer clock;
        clock.start();
        Outcome o;
        o.ok = run(o.error);
        o.ms = clock.elapsed();
        qInfo("the dead link was reported after %lld ms: %s", o.ms, qPrintable(o.error.text));
        return o;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (geteuid() != 0)
            QSKIP("a network namespace needs root: the dead-link test runs as root only");
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty() &&
            !QFileInfo::exists(QStringLiteral("/usr/sbin/ip")) && !QFileInfo::exists(QStringLiteral("/sbin/ip")))
            QSKIP("iproute2 (ip) is not installed: the dead-link test cannot cut a link");
        auto dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QString out;
        if (!runScript({QStringLiteral("start"), dir->path()}, &out)) {
            runScript({QStringLiteral("stop"), dir->path()});
            QSKIP("no PostgreSQL cluster behind a network namespace here (see the warning above)");
        }
        dir_ = std::move(dir);
        const QStringList parts = out.split(u' ');
        QCOMPARE(parts.size(), 3);
        overLink_ = target(parts.at(0), parts.at(1).toInt(), parts.at(2));
        local_ = target(dir_->path(), parts.at(1).toInt(), parts.at(2));
    }

    // Each case gets a link that answers: the previous case cut it, and a
    // connection opened while the carrier or the neighbour entry of the
    // address is still coming back fails with "No route to host". "mend"
    // waits until the server answers over the link (and stops a delayed cut
    // that has not fired yet).
    void init()
    {
        if (started())
            QVERIFY(runScript({QStringLiteral("mend"), dir_->path()}));
    }

    void cleanup()
    {
        if (started())
            QVERIFY(runScript({QStringLiteral("mend"), dir_->path()}));
    }

    void cleanupTestCase()
    {
        if (started())
            QVERIFY(runScript({QStringLiteral("stop"), dir_->path()}));
        dir_.reset();
    }

    // Data sent after the cut is never acknowledged: the user timeout ends
    // the connection. Later statements find no connection at all.
    void statementAfterTheCut()
    {
        PgBackend client;
        DbError error;
        QVERIFY2(client.open(overLink_, error), qPrintable(error.text));
        QueryResult r;
        QVERIFY2(client.query(QStringLiteral("SELECT 1 FROM dual"), r, error), qPrintable(error.text));
        QVERIFY(runScript({QStringLiteral("cut"), dir_->path()}));

        const Outcome o = timed([&](DbError &e) { return client.query(QStringLiteral("SELECT 2 FROM dual"), r, e); });
        QVERIFY(!o.ok);
        QCOMPARE(o.error.oraCode, int(ora::EndOfChannel));
        QVERIFY2(o.ms < 4 * kLinkTimeoutMs, qPrintable(QString::number(o.ms)));
        QVERIFY(!client.query(QStringLiteral("SELECT 3 FROM dual"), r, error));
        QCOMPARE(error.oraCode, int(ora::NotConnected));
    }

    // The link dies while the server works on the statement (here: waits for
    // a row another session holds): nothing is left to acknowledge, and only
    // the keepalive probes find out.
    void cutWhileWaitingForTheAnswer()
    {
        PgBackend holder;
        DbError error;
        QVERIFY2(holder.open(local_, error), qPrintable(error.text));
        QVERIFY2(holder.execute(QStringLiteral("CREATE TABLE link_probe(n INTEGER)"), error), qPrintable(error.text));
        QVERIFY2(holder.execute(QStringLiteral("INSERT INTO link_probe VALUES(1)"), error), qPrintable(error.text));
        QVERIFY(holder.begin(error));
        QVERIFY2(holder.execute(QStringLiteral("UPDATE link_probe SET n = 2"), error), qPrintable(error.text));

        PgBackend client;
        QVERIFY2(client.open(overLink_, error), qPrintable(error.text));
        QVERIFY(runScript({QStringLiteral("cut"), dir_->path(), QStringLiteral("1")}));
        const Outcome o =
            timed([&](DbError &e) { return client.execute(QStringLiteral("UPDATE link_probe SET n = 3"), e); });
        QVERIFY(!o.ok);
        QCOMPARE(o.error.oraCode, int(ora::EndOfChannel));
        QVERIFY2(o.ms < 1000 + 4 * kLinkTimeoutMs, qPrintable(QString::number(o.ms)));
        QVERIFY2(holder.rollback(error), qPrintable(error.text));
    }

    // A queued transaction whose writes and COMMIT go out together on a
    // link that has died: the commit reports the lost session within the
    // link timeout, and nothing of the transaction is saved.
    void queuedCommitOnACutLink()
    {
        PgBackend holder;
        DbError error;
        QVERIFY2(holder.open(local_, error), qPrintable(error.text));
        QVERIFY2(holder.execute(QStringLiteral("CREATE TABLE queued_probe(n INTEGER)"), error), qPrintable(error.text));
        PgBackend client;
        QVERIFY2(client.open(overLink_, error), qPrintable(error.text));
        QVERIFY(client.beginQueued(error));
        QVERIFY(client.execute(QStringLiteral("INSERT INTO queued_probe VALUES(1)"), error));
        QVERIFY(client.execute(QStringLiteral("INSERT INTO queued_probe VALUES(2)"), error));
        QVERIFY(runScript({QStringLiteral("cut"), dir_->path()}));
        const Outcome o = timed([&](DbError &e) { return client.commit(e); });
        QVERIFY(!o.ok);
        QCOMPARE(o.error.oraCode, int(ora::EndOfChannel));
        QVERIFY2(o.ms < 4 * kLinkTimeoutMs, qPrintable(QString::number(o.ms)));
        QueryResult r;
        QVERIFY2(holder.query(QStringLiteral("SELECT count(*) FROM queued_probe"), r, error), qPrintable(error.text));
        QCOMPARE(r.text(0, 0), QStringLiteral("0"));
    }
};

KESTRA_TEST(PgDeadLinkTest)
#include "PgDeadLinkTest.moc"
