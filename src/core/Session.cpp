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
    // A queued write fails when a later read or the commit sends it: the
    // log names the write's own statement, and nothing of the transaction
    // may be saved after it.
    const QString queued = backend_ ? backend_->failedStatement() : QString();
    failedSql_ = queued.isEmpty() ? currentSql_ : queued;
    if (!queued.isEmpty() && depth_ > 0)
        doomed_ = true;
    return -1;
}

int Session::refuseWrite(const QString &proc)
{
    if (!backend_)
        return fail(ErrorRecord::Execute, proc, ora::notConnected());
    if (depth_ > 0 && broken_)
        return fail(ErrorRecord::Execute, proc, brokenBy_);
    return 0;
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
        target.ports = dsn.ports;
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
        // A scope still open lost its transaction with the old connection:
        // nothing it writes from now on may pass for part of it.
        if (depth_ > 0 && !broken_) {
            broken_ = true;
            brokenBy_ = ora::rolledBack(QStringLiteral("the connection was lost and made again"));
        }
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
    if (depth_ > 0 && !broken_) {
        broken_ = true;
        brokenBy_ = ora::rolledBack(QStringLiteral("the connection was closed"));
    }
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

int Session::queryBound(const QString &sql, const QVariantList &params, QueryResult &result)
{
    currentSql_ = sql;
    DbError error;
    if (!backend_)
        return fail(ErrorRecord::Query, kSelect, ora::notConnected());
    if (!backend_->queryBound(sql, params, result, error))
        return fail(ErrorRecord::Query, kSelect, error);
    return 0;
}

int Session::queryMany(const QStringList &sqls, QList<QueryResult> &results)
{
    currentSql_ = sqls.join(QStringLiteral("; "));
    DbError error;
    if (!backend_)
        return fail(ErrorRecord::Query, kSelect, ora::notConnected());
    if (!backend_->queryMany(sqls, results, error))
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
    if (!unicodeMode_)
        return queryDecoded(sql, result);
    QStringList names;
    if (queryDecoded(rewriteSummaryQuery(sql, &names), result) < 0)
        return -1;
    for (int c = 0; c < names.size(); ++c) {
        if (!names.at(c).isEmpty())
            result.setColumnName(c, names.at(c));
    }
    return 0;
}

int Session::querySummaryAlong(const QString &sql, const QStringList &others, QueryResult &result,
                               QList<QueryResult> &answers)
{
    QStringList names;
    const QString summary = unicodeMode_ ? rewriteSummaryQuery(sql, &names) : sql;
    QList<QueryResult> all;
    if (queryMany(QStringList{summary} + others, all) < 0)
        return -1;
    result = all.takeFirst();
    decodeDumpCells(result);
    for (int c = 0; c < names.size(); ++c) {
        if (!names.at(c).isEmpty())
            result.setColumnName(c, names.at(c));
    }
    answers = std::move(all);
    return 0;
}

int Session::execute(const QString &sql, bool emptyToSpace)
{
    QString text = sql.trimmed();
    if (emptyToSpace)
        text = emptyLiteralsToSpace(text);
    currentSql_ = text;
    DbError error;
    if (refuseWrite(kExecute) < 0)
        return -1;
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
    if (refuseWrite(kCallProc) < 0)
        return -1;
    if (!backend_->execute(block, error))
        return fail(ErrorRecord::Execute, kCallProc, error);
    return 0;
}

int Session::executeBound(const QString &block, QList<BoundParam> &params)
{
    currentSql_ = block;
    DbError error;
    if (refuseWrite(kExecute) < 0)
        return -1;
    if (!backend_->executeBound(block, params, error))
        return fail(ErrorRecord::Execute, kExecute, error);
    return 0;
}

int Session::beginTrans()
{
    return openTransaction(false);
}

int Session::beginQueuedTrans()
{
    return openTransaction(true);
}

int Session::openTransaction(bool queued)
{
    if (depth_++ > 0)
        return 0; // an inner scope is part of the outer one
    doomed_ = false;
    broken_ = false;
    DbError error = ora::notConnected();
    if (backend_ && (queued ? backend_->beginQueued(error) : backend_->begin(error)))
        return 0;
    broken_ = true;
    brokenBy_ = ora::rolledBack(QStringLiteral("the transaction could not be opened (") + error.text + u')');
    return -1;
}

void Session::endTransactionScope()
{
    depth_ = 0;
    savepointDepth_ = 0;
    doomed_ = false;
    broken_ = false;
}

namespace {

const QString kSavepoint = QStringLiteral("kestra_part");

} // namespace

int Session::savepoint()
{
    DbError error;
    if (depth_ == 0 || savepointDepth_ > 0)
        error = ora::make(ora::UserDefined, QStringLiteral("a savepoint needs an open transaction without one"));
    else if (broken_)
        error = brokenBy_;
    else if (doomed_)
        error = ora::rolledBack(QStringLiteral("a part of this operation was undone already"));
    else if (backend_ && backend_->savepoint(kSavepoint, error)) {
        savepointDepth_ = depth_;
        return 0;
    } else if (!backend_)
        error = ora::notConnected();
    if (depth_ > 0)
        doomed_ = true;
    return fail(ErrorRecord::Execute, kExecute, error);
}

int Session::releaseSavepoint()
{
    if (savepointDepth_ == 0 || savepointDepth_ != depth_) {
        doomed_ = depth_ > 0;
        return fail(ErrorRecord::Execute, kExecute,
                    ora::make(ora::UserDefined, QStringLiteral("no savepoint of this scope to release")));
    }
    savepointDepth_ = 0;
    DbError error;
    if (broken_)
        return fail(ErrorRecord::Execute, kExecute, brokenBy_);
    if (!backend_ || !backend_->releaseSavepoint(kSavepoint, error)) {
        doomed_ = true;
        return fail(ErrorRecord::Execute, kExecute, backend_ ? error : ora::notConnected());
    }
    return 0;
}

int Session::rollbackToSavepoint()
{
    if (savepointDepth_ == 0 || savepointDepth_ != depth_) {
        doomed_ = depth_ > 0;
        return fail(ErrorRecord::Execute, kExecute,
                    ora::make(ora::UserDefined, QStringLiteral("no savepoint of this scope to roll back to")));
    }
    savepointDepth_ = 0;
    DbError error;
    if (broken_)
        return fail(ErrorRecord::Execute, kExecute, brokenBy_);
    if (!backend_ || !backend_->rollbackToSavepoint(kSavepoint, error)) {
        doomed_ = true;
        return fail(ErrorRecord::Execute, kExecute, backend_ ? error : ora::notConnected());
    }
    // The savepoint was set on a transaction not doomed: whatever doomed it
    // since has just been undone.
    doomed_ = false;
    return 0;
}

int Session::commitTrans()
{
    if (depth_ == 0)
        return 0;
    const DbError doomedBy =
        ora::rolledBack(QStringLiteral("a part of this operation was undone, so none of it was saved"));
    if (depth_ > 1) {
        --depth_;
        if (broken_)
            return fail(ErrorRecord::Execute, kExecute, brokenBy_);
        return doomed_ ? fail(ErrorRecord::Execute, kExecute, doomedBy) : 0;
    }
    const bool broken = broken_;
    const bool doomed = doomed_;
    endTransactionScope();
    DbError error;
    if (broken) {
        if (backend_)
            backend_->rollback(error);
        return fail(ErrorRecord::Execute, kExecute, brokenBy_);
    }
    if (!backend_)
        return fail(ErrorRecord::Execute, kExecute, ora::notConnected());
    if (doomed) {
        backend_->rollback(error);
        return fail(ErrorRecord::Execute, kExecute, doomedBy);
    }
    // A commit that fails must not pass for a saved change.
    if (!backend_->commit(error))
        return fail(ErrorRecord::Execute, kExecute, error);
    return 0;
}

void Session::rollback()
{
    if (depth_ == 0)
        return;
    if (depth_ > 1) {
        --depth_;
        doomed_ = true;
        return;
    }
    endTransactionScope();
    DbError ignored;
    if (backend_)
        backend_->rollback(ignored);
}

int Session::keepAlive()
{
    QueryResult ignored;
    DbError error;
    return backend_ && backend_->queryBound(QStringLiteral(" SELECT 1 from dual "), {}, ignored, error) ? 0 : -1;
}

QString Session::serverDate()
{
    // A read, not a statement of the caller's: the current statement stays
    // the caller's unless this read fails.
    const QString block = QStringLiteral("Begin SYS_GetServerDate(:SVRDATE); end;");
    QList<BoundParam> params = {BoundParam{QStringLiteral("SVRDATE"), QString(), true}};
    DbError error = ora::notConnected();
    if (!backend_ || !backend_->executeBound(block, params, error)) {
        currentSql_ = block;
        fail(ErrorRecord::Execute, kExecute, error);
        return {};
    }
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
    // The reconnection below runs statements of its own.
    const ErrorRecord failed = context_.errors();
    const QString failedSql = failedSql_;
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
        context_.writeLog(failedSql);
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

Transaction::Transaction(Session &session, Writes writes) : session_(session)
{
    if (writes == Writes::Queued)
        session_.beginQueuedTrans();
    else
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
