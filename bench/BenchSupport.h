#pragma once

// What every benchmark on the demo library needs: a Prompter that answers
// yes and says where the time of a long run goes, the wall clock, the
// command-line options and percentiles.

#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/CodeTables.h"
#include "core/Prompter.h"
#include "core/Session.h"
#include "core/SessionValues.h"
#include "core/SoundPlayer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <cstdio>

namespace kestra::bench {

// Answers every question with yes: the benchmark changes what the form
// would. Errors go to stderr; the steps of a long run (its statements) are
// timed to stderr while showSteps is on (off for an import, whose steps are
// its copies).
class YesPrompter final : public Prompter {
public:
    int showMessage(const MessageBox &box) override
    {
        if (box.kind == u'E')
            std::fprintf(stderr, "message: %s\n", qUtf8Printable(box.text));
        return AnswerOk;
    }
    QString chooseOpenFile(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseSaveFile(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> inputText(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    void beginProgress(const QString &, int) override { step_.start(); }
    bool stepProgress(int value) override
    {
        if (value > 0 && showSteps)
            std::fprintf(stderr, "  step %d: %.0f ms\n", value, double(step_.nsecsElapsed()) / 1e6);
        step_.start();
        return true;
    }
    void endProgress() override {}
    void setBusy(bool) override {}

    bool showSteps = true;

private:
    QElapsedTimer step_;
};

struct WallClock final : Clock {
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// "--name value" options of the command line.
class Options {
public:
    Options() : args_(QCoreApplication::arguments()) {}
    QString text(const char *name, const QString &fallback = QString()) const
    {
        const qsizetype at = args_.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args_.size() ? args_.at(at + 1) : fallback;
    }
    int number(const char *name, int fallback) const { return text(name, QString::number(fallback)).toInt(); }

private:
    QStringList args_;
};

// A statement of the benchmark's own preparation; false, with the statement
// on stderr, when it fails.
inline bool run(Session &db, const QString &sql)
{
    if (db.execute(sql) == 0)
        return true;
    std::fprintf(stderr, "failed: %s\n%s\n", qUtf8Printable(db.error().text), qUtf8Printable(sql));
    return false;
}

// PostgreSQL keeps the old versions of changed rows until a vacuum: in a
// library in use autovacuum clears them soon after the change that made
// them. A benchmark's own preparation leaves a hundred thousand of them or
// more; it clears those (and refreshes the planner's statistics) before the
// clock starts, or a round would also measure what came before it.
inline bool vacuum(Session &db, const QString &tables)
{
    return db.backend()->kind() != BackendTarget::Kind::Postgres || run(db, QStringLiteral("VACUUM ANALYZE ") + tables);
}

// The rows of a query of the benchmark's own; none, with the statement on
// stderr, when it fails.
inline QueryResult select(Session &db, const QString &sql)
{
    QueryResult r;
    if (db.query(sql, r) < 0)
        std::fprintf(stderr, "failed: %s\n%s\n", qUtf8Printable(db.error().text), qUtf8Printable(sql));
    return r;
}

// The value below which a share p (0..1) of the samples lie, the nearest
// sample taken.
inline double percentile(QList<double> v, double p)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto at = static_cast<qsizetype>(p * double(v.size() - 1) + 0.5);
    return v.at(std::clamp<qsizetype>(at, 0, v.size() - 1));
}

// The client's context on the library at root, logged in as DC01 at DC-01
// with the locations of operation type 2 and the first of them as the
// workstation's location; open() says on stderr what failed.
struct BenchSession {
    YesPrompter prompter;
    NoSound sounds;
    WallClock clock;
    QString root;
    AppContext context;

    explicit BenchSession(const QString &folder) : root(folder), context(folder, AppServices{prompter, sounds, clock})
    {}

    bool open()
    {
        if (context.loadIniSettings() < 0 || context.db().connect() < 0 || context.loadMessagesAndParams() < 0) {
            std::fprintf(stderr, "cannot open %s: %s\n", qUtf8Printable(root), qUtf8Printable(context.errors().text));
            return false;
        }
        SessionValues &s = context.session();
        s.operatorNo = QStringLiteral("DC01");
        s.workstation = QStringLiteral("DC-01");
        if (context.codes().load(CodeCache::AllLocations) < 0 || context.codes().load(CodeCache::DocTypes) < 0 ||
            context.codes().loadLocations(QStringLiteral("2")) < 0) {
            std::fprintf(stderr, "cannot read the code tables\n");
            return false;
        }
        s.currentLocation = context.codes().currentLocations().text(0, 0);
        return true;
    }
};

} // namespace kestra::bench
