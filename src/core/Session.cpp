#include "core/Session.h"

#include "core/AppContext.h"
#include "core/DbErrorReport.h"
#include "db/Backends.h"
#include "db/Dialect.h"
#include "db/OraError.h"
#include "db/sql/OracleSql.h"
#include "db/sql/ProcCall.h"
#include "db/sql/SummaryQuery.h"

namespace kestra {

namespace {

const QString kSelect = QStringLiteral("LIB_DB_Select");
const QString kExecute = QStringLiteral("LIB_DB_Execute");
const QString kCallProc = QStringLiteral("LIB_DB_CallProc");

// Restores the normal pointer however the connection attempt ends.
struct BusyPointer {
    Prompter &prompter;
    explicit BusyPointer(Prompter &p) : prompter(p) { prompter.setBusy(true); }
    ~BusyPointer() { prompter.setBusy(false); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

} // namespace

Session::Session(AppContext &context) : context_(context) {}

Session::~Session()
{
    if (context_.serverClockIs(this))
        context_.setServerClock(nullptr);
}

ErrorRecord &Session::error()
{
    return context_.errors();
}

int Session::fail(int location, const QString &proc, const DbError &error)
{
    context_.errors().set(location, error.oraCode, error.text, proc);
    return -1;
}

void Session::addConnectProbe(std::function<int(Session &)> probe)
{
    probes_.push_back(std::move(probe));
}

int Session::connect()
{
    const ConnectionSettings &settings = context_.connection();
    const Dsn &dsn = settings.dsn;
    BackendTarget target;
    switch (dsn.kind) {
    case Dsn::Kind::Sqlite:
        target.kind = BackendTarget::Kind::Sqlite;
        target.path = dsn.path;
        break;
    case Dsn::Kind::Postgres:
        target.kind = BackendTarget::Kind::Postgres;
        target.host = dsn.host;
        target.port = dsn.port;
        target.database = dsn.database;
        target.user = dsn.user.isEmpty() ? settings.user : dsn.user;
        target.password = dsn.password.isEmpty() ? settings.password : dsn.password;
        target.options = dsn.options;
        break;
    case Dsn::Kind::Oracle:
        target.kind = BackendTarget::Kind::Oracle;
        target.database = dsn.tnsName;
        target.user = settings.user;
        target.password = settings.password;
        break;
    case Dsn::Kind::None:
        return fail(ErrorRecord::Connect, QStringLiteral("LIB_DB_Connect"),
                    ora::make(12154, QStringLiteral("kestra.ini names no database (DSN of section [%1] is empty)")
                                         .arg(settings.serverSection)));
    }
    target.lockTimeoutMs = lockTimeoutMs_;
    return connectTo(createBackend(target.kind), target);
}

int Session::connectTo(std::unique_ptr<Backend> backend, const BackendTarget &target)
{
    {
        BusyPointer busy(context_.prompter());
        DbError error;
        if (backend_)
            backend_->close();
        backend_.reset();
        inTransaction_ = false;
        if (!backend->open(target, error))
            return fail(ErrorRecord::Connect, QStringLiteral("LIB_DB_Connect"), error);
        backend_ = std::move(backend);
    }
    context_.setServerClock(this);
    for (const auto &probe : probes_) {
        if (probe(*this) < 0)
            return -1;
    }
    serverMajorVersion_ = backend_->serverMajorVersion();
    return 0;
}

int Session::close()
{
    if (backend_)
        backend_->close();
    backend_.reset();
    inTransaction_ = false;
    return 0;
}

bool Session::isOpen() const
{
    return backend_ && backend_->isOpen();
}

int Session::query(const QString &sql, QueryResult &result)
{
    currentSql_ = sql;
    DbError error;
    if (!backend_)
        return fail(ErrorRecord::Query, kSelect, ora::notConnected());
    if (!backend_->query(sql, result, error))
        return fail(ErrorRecord::Query, kSelect, error);
    return 0;
}

void Session::decodeDumpCells(QueryResult &result) const
{
    if (!unicodeMode_ || !dumpDecoder_)
        return;
    for (int c = 0; c < result.columnCount(); ++c) {
        if (result.columnType(c) != QueryResult::Text)
            continue;
        for (int r = 0; r < result.rowCount(); ++r) {
            const QString cell = result.text(r, c);
            if (cell == QLatin1String("NULL") || cell.startsWith(QLatin1String("Typ=")))
                result.setValue(r, c, dumpDecoder_(cell));
        }
    }
}

int Session::queryDecoded(const QString &sql, QueryResult &result)
{
    if (query(sql, result) < 0)
        return -1;
    decodeDumpCells(result);
    return 0;
}

int Session::querySummary(const QString &sql, QueryResult &result)
{
    // In Unicode mode the summary columns are national-character columns,
    // read through dump(x,16) and decoded here.
    return queryDecoded(unicodeMode_ ? rewriteSummaryQuery(sql) : sql, result);
}

int Session::execute(const QString &sql, bool emptyToSpace)
{
    QString text = sql.trimmed();
    if (emptyToSpace)
        text = emptyLiteralsToSpace(text);
    currentSql_ = text;
    DbError error;
    if (!backend_)
        return fail(ErrorRecord::Execute, kExecute, ora::notConnected());
    if (!backend_->execute(text, error))
        return fail(ErrorRecord::Execute, kExecute, error);
    return 0;
}

QString Session::procBlock(const QString &call, bool emptyToSpace)
{
    return procCallBlock(call, emptyToSpace);
}

int Session::callProc(const QString &call, bool emptyToSpace)
{
    const QString block = procBlock(call, emptyToSpace);
    currentSql_ = block;
    DbError error;
    if (!backend_)
        return fail(ErrorRecord::Execute, kCallProc, ora::notConnected());
    if (!backend_->execute(block, error))
        return fail(ErrorRecord::Execute, kCallProc, error);
    return 0;
}

int Session::executeBound(const QString &block, QList<BoundParam> &params)
{
    currentSql_ = block;
    DbError error;
    if (!backend_)
        return fail(ErrorRecord::Execute, kExecute, ora::notConnected());
    if (!backend_->executeBound(block, params, error))
        return fail(ErrorRecord::Execute, kExecute, error);
    return 0;
}

void Session::beginTrans()
{
    DbError ignored;
    if (backend_)
        backend_->begin(ignored);
    inTransaction_ = true;
}

int Session::commitTrans()
{
    inTransaction_ = false;
    DbError error;
    if (!backend_)
        return fail(ErrorRecord::Execute, kExecute, ora::notConnected());
    // A commit that fails must not pass for a saved change.
    if (!backend_->commit(error))
        return fail(ErrorRecord::Execute, kExecute, error);
    return 0;
}

void Session::rollback()
{
    inTransaction_ = false;
    DbError ignored;
    if (backend_)
        backend_->rollback(ignored);
}

QString Session::serverDate()
{
    QList<BoundParam> params = {BoundParam{QStringLiteral("SVRDATE"), QString(), true}};
    if (executeBound(QStringLiteral("Begin SYS_GetServerDate(:SVRDATE); end;"), params) < 0)
        return {};
    return params.front().value.toString();
}

int Session::updateLendableByProp(const QString &propNo)
{
    QueryResult found;
    if (query(QStringLiteral("select marc_rec_no from indi_acct where prop_no=") + sqlQuote(propNo), found) < 0)
        return -1;
    if (found.rowCount() == 0)
        return 0;
    return callProc(QStringLiteral("update_lendable_copies ") + sqlQuote(found.text(0, 0)));
}

void Session::showDbError()
{
    context_.prompter().setBusy(false);
    const ErrorRecord failed = context_.errors();
    const DbErrorAction action = chooseDbErrorAction(failed);
    switch (action.kind) {
    case DbErrorAction::Kind::Nothing:
        return;
    case DbErrorAction::Kind::Message:
        context_.showMsg(action.message);
        break;
    case DbErrorAction::Kind::Reconnect:
        if (context_.showMsg(QStringLiteral("S网络非正常中断，重新连接数据库？")) == AnswerOk) {
            for (;;) {
                if (connect() >= 0) {
                    context_.showMsg(QStringLiteral("I数据库连接成功！"));
                    break;
                }
                if (context_.showMsg(QStringLiteral("S数据库连接失败，重新连接数据库？")) != AnswerOk)
                    break;
            }
        }
        break;
    }
    context_.writeLog(failed.text);
    if (action.logSql)
        context_.writeLog(currentSql_);
}

QString sqlQuote(const QString &value)
{
    QString out;
    out.reserve(value.size() + 2);
    out += u'\'';
    for (const QChar c : value) {
        out += c;
        if (c == u'\'')
            out += u'\'';
    }
    out += u'\'';
    return out;
}

QString sqlQuote(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("''");
    return sqlQuote(value.toString());
}

Transaction::Transaction(Session &session) : session_(session)
{
    session_.beginTrans();
}

Transaction::~Transaction()
{
    if (!done_)
        session_.rollback();
}

int Transaction::commit()
{
    done_ = true;
    return session_.commitTrans();
}

void Transaction::rollback()
{
    done_ = true;
    session_.rollback();
}

} // namespace kestra
