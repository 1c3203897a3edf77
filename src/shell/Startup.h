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

    Startup(AppContext &context, StatusSink status);

    // 0 when the login form should wait for the operator, -1 when the
    // program must end.
    int run();

    // NextToken: the part of text before the first separator; text keeps
    // the rest (or becomes empty when there is no separator).
    static QString nextToken(QString &text, const QString &separator);

    // The version the client compares with system parameter 99:
    // "major.minor.revision" of the build.
    static QString clientVersion();

private:
    AppContext &context_;
    StatusSink status_;
};

} // namespace kestra
