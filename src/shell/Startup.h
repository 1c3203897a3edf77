#pragma once

#include "core/AppContext.h"

#include <QString>
#include <functional>

namespace kestra {

// The start-up sequence, from reading kestra.ini to the login form waiting.
// Each step reports its status text through the callback (the login form's
// status line); a failing step has shown its message when run() returns.
class Startup {
public:
    using StatusSink = std::function<void(const QString &)>;
    using Step = std::function<int()>;

    Startup(AppContext &context, StatusSink status);

    // The database step; until a session is attached it fails as a missing
    // database does.
    void setConnectStep(Step connect) { connect_ = std::move(connect); }

    // 0 when the login form should wait for the operator, -1 when the
    // program must end.
    int run();

    // NextToken: the part of text before the first separator; text keeps
    // the rest (or becomes empty when there is no separator).
    static QString nextToken(QString &text, const QString &separator);

private:
    AppContext &context_;
    StatusSink status_;
    Step connect_;
};

} // namespace kestra
