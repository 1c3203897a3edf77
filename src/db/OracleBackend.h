#pragma once

#include "db/Backend.h"

#include <QString>

namespace kestra {

// The suite's own Oracle database through Qt's OCI driver (QOCI), where it
// is installed. SQL and procedure blocks go to the server unchanged; the
// error number is read from the "ORA-nnnnn" of the server's text. This
// backend is built always and is not exercised by the test suite, which has
// no Oracle server.
class OracleBackend final : public Backend {
public:
    OracleBackend();
    ~OracleBackend() override;
    OracleBackend(const OracleBackend &) = delete;
    OracleBackend &operator=(const OracleBackend &) = delete;

    BackendTarget::Kind kind() const override { return BackendTarget::Kind::Oracle; }
    bool open(const BackendTarget &target, DbError &error) override;
    void close() override;
    bool isOpen() const override;
    bool query(const QString &sql, QueryResult &result, DbError &error) override;
    bool execute(const QString &sql, DbError &error) override;
    bool executeBound(const QString &block, QList<BoundParam> &params, DbError &error) override;
    bool begin(DbError &error) override;
    bool commit(DbError &error) override;
    bool rollback(DbError &error) override;
    int serverMajorVersion() override;

private:
    QString connectionName_;
    bool open_ = false;
    bool inTransaction_ = false;
};

} // namespace kestra
