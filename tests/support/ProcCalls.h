#pragma once

// What the procedure tests share: a positional call of a suite procedure as
// the forms send it, and the rows a test starts from.

#include "core/Session.h"
#include "support/SuiteFixture.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <utility>

namespace kestra::test {

// `count` arguments: the given 1-based positions quoted, NULL everywhere
// else ("update00_indi_acct 'P1',NULL,...").
inline QString procCall(const char *name, int count, const QList<std::pair<int, QString>> &given)
{
    QStringList args(count, QStringLiteral("NULL"));
    for (const auto &[position, value] : given)
        args[position - 1] = sqlQuote(value);
    return QString::fromLatin1(name) + u' ' + args.join(u',');
}

// A 22-position call whose first argument is the copy's key.
inline QString copyProcCall(const char *name, const QString &key, QList<std::pair<int, QString>> given)
{
    given.prepend({1, key});
    return procCall(name, 22, given);
}

// Runs the statements in order; false at the first that fails.
template <std::size_t N>
bool execAll(SuiteFixture &f, const char *const (&statements)[N])
{
    for (const char *sql : statements) {
        if (!f.exec(QString::fromUtf8(sql)))
            return false;
    }
    return true;
}

} // namespace kestra::test
