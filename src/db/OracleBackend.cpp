#include "db/OracleBackend.h"

#include "db/Backends.h"
#include "db/OraError.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace kestra {

namespace {

DbError fromSqlError(const QSqlError &e)
{
    const QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    int code = ora::codeFromText(text);
    if (code == 0)
        code = e.nativeErrorCode().toInt();
    return DbError{code, text};
}

QueryResult::ColumnType typeOf(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QueryResult::Long;
    case QMetaType::Double:
    case QMetaType::Float:
        return QueryResult::Double;
    case QMetaType::QString:
        return QueryResult::Text;
    default:
        return QueryResult::Other;
    }
}

} // namespace

OracleBackend::OracleBackend() : connectionName_(QStringLiteral("kestra-oci-%1").arg(quintptr(this), 0, 16)) {}

OracleBackend::~OracleBackend()
{
    close();
}

bool OracleBackend::open(const BackendTarget &target, DbError &error)
{
    close();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QOCI"))) {
        error = ora::make(12154, QStringLiteral("the Oracle driver of Qt (QOCI) is not installed on this workstation"));
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QOCI"), connectionName_);
    db.setDatabaseName(target.database);
    db.setUserName(target.user);
    db.setPassword(target.password);
    if (!db.open()) {
        error = fromSqlError(db.lastError());
        return false;
    }
    open_ = true;
    return true;
}

void OracleBackend::close()
{
    if (!QSqlDatabase::contains(connectionName_))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
    open_ = false;
    inTransaction_ = false;
}

bool OracleBackend::isOpen() const
{
    return open_;
}

bool OracleBackend::query(const QString &sql, QueryResult &result, DbError &error)
{
    if (holdsSeveralStatements(sql)) {
        error = ora::severalStatements();
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(connectionName_, false));
    q.setForwardOnly(true);
    if (!q.exec(withoutTrailingSemicolon(sql))) {
        error = fromSqlError(q.lastError());
        return false;
    }
    const QSqlRecord record = q.record();
    QList<QueryResult::Column> cols;
    for (int c = 0; c < record.count(); ++c)
        cols.append({record.fieldName(c), typeOf(record.field(c).metaType()), record.field(c).length()});
    result = QueryResult(cols);
    QList<QVariant> row(record.count());
    while (q.next()) {
        for (int c = 0; c < record.count(); ++c)
            row[c] = q.value(c);
        result.appendRow(row);
    }
    return true;
}

bool OracleBackend::execute(const QString &sql, DbError &error)
{
    if (holdsSeveralStatements(sql)) {
        error = ora::severalStatements();
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(connectionName_, false));
    if (!q.exec(withoutTrailingSemicolon(sql))) {
        error = fromSqlError(q.lastError());
        return false;
    }
    return true;
}

bool OracleBackend::executeBound(const QString &block, QList<BoundParam> &params, DbError &error)
{
    QSqlQuery q(QSqlDatabase::database(connectionName_, false));
    if (!q.prepare(block)) {
        error = fromSqlError(q.lastError());
        return false;
    }
    for (const BoundParam &p : params)
        q.bindValue(u':' + p.name, p.output ? QVariant(QString(4000, u' ')) : p.value,
                    p.output ? QSql::InOut : QSql::In);
    if (!q.exec()) {
        error = fromSqlError(q.lastError());
        return false;
    }
    for (BoundParam &p : params) {
        if (p.output)
            p.value = q.boundValue(u':' + p.name);
    }
    return true;
}

bool OracleBackend::begin(DbError &error)
{
    // Nesting is the session's business; a second begin must not pass.
    if (inTransaction_) {
        error = ora::make(ora::UserDefined, QStringLiteral("a transaction is already open on this connection"));
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (!db.transaction()) {
        error = fromSqlError(db.lastError());
        return false;
    }
    inTransaction_ = true;
    return true;
}

bool OracleBackend::commit(DbError &error)
{
    if (!inTransaction_)
        return true;
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    const bool committed = db.commit();
    if (!committed) {
        error = fromSqlError(db.lastError());
        db.rollback(); // nothing of a failed commit stays pending
    }
    inTransaction_ = false;
    return committed;
}

bool OracleBackend::rollback(DbError &error)
{
    if (!inTransaction_)
        return true;
    inTransaction_ = false;
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (!db.rollback()) {
        error = fromSqlError(db.lastError());
        return false;
    }
    return true;
}

int OracleBackend::serverMajorVersion()
{
    QueryResult r;
    DbError ignored;
    if (!query(QStringLiteral("select value from NLS_DATABASE_PARAMETERS where PARAMETER='NLS_RDBMS_VERSION'"), r,
               ignored))
        return 0;
    return r.text(0, 0).section(u'.', 0, 0).toInt();
}

} // namespace kestra
