#include "core/Dsn.h"

#include <QDir>
#include <QUrl>
#include <QUrlQuery>

namespace kestra {

namespace {

// The query part as the backend hands it to libpq ("key=value&..."), each
// value percent-encoded. The certificate and key files of an encrypted link
// (sslrootcert, sslcert, sslkey, sslcrl) may be given relative to the
// installation folder, as the SQLite file is; libpq would take them relative
// to whatever folder the program was started in.
QString libpqOptions(const QUrl &url, const QString &installRoot)
{
    static const QStringList fileKeys = {QStringLiteral("sslrootcert"), QStringLiteral("sslcert"),
                                         QStringLiteral("sslkey"), QStringLiteral("sslcrl")};
    QStringList pairs;
    for (const auto &[key, raw] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        QString value = raw;
        if (fileKeys.contains(key) && !value.isEmpty() && value != QLatin1String("system"))
            value = QDir::cleanPath(QDir(installRoot).absoluteFilePath(value));
        pairs.append(key + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(value, "/:")));
    }
    return pairs.join(u'&');
}

// The servers of an address that names several ("a:5432,b,[::1]:5433"),
// each with its port (5432 when none is given); false when one of them is
// malformed.
bool splitServers(const QString &list, QStringList &hosts, QStringList &ports)
{
    for (const QString &entry : list.split(u',')) {
        QString host = entry;
        QString port = QStringLiteral("5432");
        const qsizetype close = entry.lastIndexOf(u']');
        const qsizetype colon = entry.lastIndexOf(u':');
        if (colon > close && (entry.startsWith(u'[') || entry.count(u':') == 1)) {
            host = entry.left(colon);
            port = entry.mid(colon + 1);
        }
        bool number = false;
        const int value = port.toInt(&number);
        if (host.isEmpty() || !number || value <= 0 || value > 65535 || host.contains(u'/'))
            return false;
        hosts.append(host);
        ports.append(QString::number(value));
    }
    return true;
}

} // namespace

Dsn Dsn::parse(const QString &text, const QString &installRoot)
{
    Dsn dsn;
    const QString value = text.trimmed();
    if (value.isEmpty())
        return dsn;
    if (value.startsWith(QStringLiteral("sqlite:"), Qt::CaseInsensitive)) {
        dsn.kind = Kind::Sqlite;
        QString path = value.mid(7);
        path.replace(u'\\', u'/');
        dsn.path = QDir::cleanPath(QDir(installRoot).absoluteFilePath(path));
        return dsn;
    }
    if (value.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
        value.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive)) {
        // libpq's form for several servers ("a:5432,b:5433") is no URL:
        // the first server stands in for QUrl, which reads the rest.
        const qsizetype start = value.indexOf(QStringLiteral("://")) + 3;
        qsizetype end = value.indexOf(u'/', start);
        if (end < 0)
            end = value.indexOf(u'?', start);
        if (end < 0)
            end = value.size();
        const qsizetype at = value.left(end).lastIndexOf(u'@');
        const qsizetype serversAt = at >= start ? at + 1 : start;
        const QString servers = value.mid(serversAt, end - serversAt);
        QStringList hosts;
        QStringList ports;
        QString single = value;
        if (servers.contains(u',')) {
            if (!splitServers(servers, hosts, ports)) {
                dsn.error = QStringLiteral("DSN names several servers, one of them malformed (write them as "
                                           "host:port,host:port)");
                return dsn;
            }
            single = value.left(serversAt) + hosts.first() + u':' + ports.first() + value.mid(end);
        }
        const QUrl url(single, QUrl::StrictMode);
        // QUrl drops the host of an address it cannot parse; going on would
        // connect to localhost instead of the server that was meant.
        if (!url.isValid()) {
            // Not url.errorString(): it repeats the address, password included.
            dsn.error = QStringLiteral("DSN is not a valid postgresql:// address (check the port, and write "
                                       "\"@\", \":\" and \"/\" in user and password %-escaped)");
            return dsn;
        }
        dsn.kind = Kind::Postgres;
        dsn.host = url.host().isEmpty() ? QStringLiteral("localhost") : url.host();
        dsn.port = url.port(5432);
        dsn.database = url.path().mid(1);
        dsn.user = url.userName();
        dsn.password = url.password();
        dsn.options = libpqOptions(url, installRoot);
        if (!hosts.isEmpty()) {
            for (QString &host : hosts)
                host.remove(u'[').remove(u']');
            dsn.host = hosts.join(u',');
            dsn.ports = ports.join(u',');
        }
        return dsn;
    }
    dsn.kind = Kind::Oracle;
    dsn.tnsName = value;
    return dsn;
}

QString Dsn::describe() const
{
    switch (kind) {
    case Kind::Sqlite:
        return QStringLiteral("SQLite ") + path;
    case Kind::Postgres:
        if (!ports.isEmpty()) {
            const QStringList hosts = host.split(u',');
            const QStringList portList = ports.split(u',');
            QStringList servers;
            for (qsizetype i = 0; i < hosts.size(); ++i)
                servers.append(hosts.at(i) + u':' + portList.value(i));
            return QStringLiteral("PostgreSQL %1/%2").arg(servers.join(u','), database);
        }
        return QStringLiteral("PostgreSQL %1:%2/%3").arg(host).arg(port).arg(database);
    case Kind::Oracle:
        return QStringLiteral("Oracle ") + tnsName;
    case Kind::None:
        break;
    }
    return error.isEmpty() ? QStringLiteral("(none)") : error;
}

} // namespace kestra
