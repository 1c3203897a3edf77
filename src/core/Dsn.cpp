#include "core/Dsn.h"

#include <QDir>
#include <QUrl>

namespace kestra {

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
        const QUrl url(value, QUrl::StrictMode);
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
        dsn.options = url.query();
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
        return QStringLiteral("PostgreSQL %1:%2/%3").arg(host).arg(port).arg(database);
    case Kind::Oracle:
        return QStringLiteral("Oracle ") + tnsName;
    case Kind::None:
        break;
    }
    return error.isEmpty() ? QStringLiteral("(none)") : error;
}

} // namespace kestra
