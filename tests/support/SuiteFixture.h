#pragma once

#include "support/TestContext.h"
#include "support/TestDatabase.h"

#include <memory>

namespace kestra::test {

// A temporary installation over a fresh suite database: the schema and
// reference data installed, kestra.ini naming it, the session connected and
// the message table and system parameters loaded. What most database tests
// of the client start from.
class SuiteFixture {
public:
    // False, with *skip set, when the backend is not available or the set-up
    // failed (then *skip says why and the test should fail or skip).
    bool open(int backend, QString *skip);

    AppContext &context() { return tc.context(); }
    ScriptedPrompter &prompter() { return tc.prompter(); }
    Session &db();

    // Runs a statement through the session and fails the test on error.
    bool exec(const QString &sql);
    // The first cell of a query, "<error>" on failure, "<none>" without rows.
    QString one(const QString &sql);
    // Sets a system parameter in the database and reloads the parameters.
    bool setParam(const QString &code, const QString &value);

    TestContext tc;
    std::unique_ptr<TestDatabase> database;
};

// Opens the fixture or skips the test (QSKIP when the backend is missing,
// QFAIL when set-up failed).
#define KESTRA_OPEN_SUITE(fixture, backend)                                                                            \
    do {                                                                                                               \
        QString why_;                                                                                                  \
        if (!(fixture).open((backend), &why_)) {                                                                       \
            if (!(fixture).database)                                                                                   \
                QSKIP(qPrintable(why_));                                                                               \
            QFAIL(qPrintable(why_));                                                                                   \
        }                                                                                                              \
    } while (false)

} // namespace kestra::test
