// An encrypted link to PostgreSQL: a private cluster with a certificate of
// a certificate authority made for the test, reached with sslmode=verify-ca.
// The client opens it and says it is encrypted; a server whose certificate
// another authority signed is refused; sslmode=disable stays plain. The
// certificate files may be named relative to the installation folder.

#include "core/Dsn.h"
#include "db/PgBackend.h"
#include "support/TestRunner.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>
#include <unistd.h>

using namespace kestra;

namespace {

const QString kCluster = QStringLiteral(KESTRA_TESTS_DIR "/../scripts/pg-cluster");

bool run(const QString &program, const QStringList &args, const QString &dir, QString *out = nullptr,
         const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s %s: %s", qPrintable(program), qPrintable(args.join(u' ')), p.readAllStandardError().constData());
        return false;
    }
    if (out != nullptr)
        *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return true;
}

// A self-signed authority named `name` (name.crt, name.key) in dir.
bool makeAuthority(const QString &dir, const QString &name)
{
    return run(QStringLiteral("openssl"),
               {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                QStringLiteral("/CN=kestra test ") + name, QStringLiteral("-keyout"), name + QStringLiteral(".key"),
                QStringLiteral("-out"), name + QStringLiteral(".crt")},
               dir);
}

} // namespace

class PgSslLinkTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString cluster_;
    QUrl server_;

    BackendTarget target(const QString &options) const
    {
        BackendTarget t;
        t.kind = BackendTarget::Kind::Postgres;
        t.host = server_.host();
        t.port = server_.port();
        t.user = server_.userName();
        t.database = QStringLiteral("postgres");
        t.options = options;
        return t;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
            QSKIP("openssl is not installed: no certificates for the encrypted link");
        auto dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        const QString certs = dir->filePath(QStringLiteral("certs"));
        QVERIFY(QDir().mkpath(certs));
        // The server's key: signed by the test's authority, readable by the
        // server's user only (the server refuses a key others can read).
        QVERIFY(makeAuthority(certs, QStringLiteral("ca")) && makeAuthority(certs, QStringLiteral("other")));
        QVERIFY(
            run(QStringLiteral("openssl"),
                {QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                 QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-keyout"),
                 QStringLiteral("server.key"), QStringLiteral("-out"), QStringLiteral("server.csr")},
                certs));
        QVERIFY(
            run(QStringLiteral("openssl"),
                {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
                 QStringLiteral("-CA"), QStringLiteral("ca.crt"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                 QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"),
                 QStringLiteral("-out"), QStringLiteral("server.crt")},
                certs));
        QFile::setPermissions(certs + QStringLiteral("/server.key"), QFile::ReadOwner | QFile::WriteOwner);
        if (geteuid() == 0) {
            QFile::setPermissions(dir->path(), QFile::permissions(dir->path()) | QFile::ExeOther | QFile::ExeGroup);
            QVERIFY(
                run(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("postgres"), certs}, dir->path()));
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KESTRA_PG_SSL_DIR"), certs);
        cluster_ = dir->filePath(QStringLiteral("cluster"));
        QString uri;
        if (!run(kCluster, {QStringLiteral("start"), cluster_}, dir->path(), &uri, env)) {
            run(kCluster, {QStringLiteral("stop"), cluster_}, dir->path());
            QSKIP("no private PostgreSQL cluster with a certificate here (see the warning above)");
        }
        server_ = QUrl(uri);
        dir_ = std::move(dir);
    }

    void cleanupTestCase()
    {
        if (dir_)
            QVERIFY(run(kCluster, {QStringLiteral("stop"), cluster_}, dir_->path()));
        dir_.reset();
    }

    // verify-ca with the authority that signed the server's certificate,
    // named relative to the installation folder as kestra.ini would: an
    // encrypted link that works.
    void verifiedAuthority()
    {
        const Dsn dsn = Dsn::parse(QStringLiteral("postgresql://%1@%2:%3/postgres?sslmode=verify-ca&sslrootcert=ca.crt")
                                       .arg(server_.userName(), server_.host())
                                       .arg(server_.port()),
                                   dir_->filePath(QStringLiteral("certs")));
        QVERIFY2(dsn.options.contains(dir_->filePath(QStringLiteral("certs/ca.crt"))), qPrintable(dsn.options));
        PgBackend client;
        DbError error;
        QVERIFY2(client.open(target(dsn.options), error), qPrintable(error.text));
        QVERIFY2(client.linkSecurity().startsWith(QStringLiteral("TLS")), qPrintable(client.linkSecurity()));
        QueryResult r;
        QVERIFY2(client.query(QStringLiteral("SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()"), r, error),
                 qPrintable(error.text));
        QCOMPARE(r.text(0, 0), QStringLiteral("t"));
    }

    // A server whose certificate the named authority did not sign is not
    // the server that was meant: no connection.
    void otherAuthorityRefused()
    {
        PgBackend client;
        DbError error;
        const QString other = dir_->filePath(QStringLiteral("certs/other.crt"));
        QVERIFY(!client.open(target(QStringLiteral("sslmode=verify-ca&sslrootcert=") +
                                    QString::fromLatin1(QUrl::toPercentEncoding(other))),
                             error));
        QCOMPARE(error.oraCode, 12154);
        QVERIFY2(error.text.contains(QStringLiteral("certificate")), qPrintable(error.text));
    }

    // Without sslmode the link is what the server and libpq agree on; with
    // sslmode=disable it is plain, and the client says so.
    void plainWhenDisabled()
    {
        PgBackend client;
        DbError error;
        QVERIFY2(client.open(target(QStringLiteral("sslmode=disable")), error), qPrintable(error.text));
        QCOMPARE(client.linkSecurity(), QString());
    }
};

KESTRA_TEST(PgSslLinkTest)
#include "PgSslLinkTest.moc"
