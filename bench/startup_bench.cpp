// Start-up time: from the context's creation to the login form waiting,
// on an installation whose database holds the demo library.
//
//   bench-startup --root DIR [--runs N] [--name startup-sqlite]
//
// Each run builds a fresh context and session, registers the start-up
// loaders as the program does and runs the sequence; the status texts mark
// the steps, so the output says where the time goes. The reference measured
// in the same run is a bare connect to the same database.

#include "BenchSupport.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "shell/Startup.h"
#include "shell/StartupLoaders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <algorithm>
#include <cstdio>

using namespace kestra;

namespace {

double median(QList<double> v)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v.at(v.size() / 2) : (v.at(v.size() / 2 - 1) + v.at(v.size() / 2)) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bench::Options options;
    const QString root = options.text("--root");
    const int runs = options.number("--runs", 9);
    const QString name = options.text("--name", QStringLiteral("startup"));
    if (root.isEmpty()) {
        std::fprintf(stderr, "usage: bench-startup --root DIR [--runs N] [--name NAME]\n");
        return 2;
    }

    SilentPrompter prompter;
    NoSound sounds;
    bench::WallClock clock;
    QList<double> totals;
    QList<double> connects;
    QMap<QString, QList<double>> steps;
    for (int run = 0; run <= runs; ++run) { // run 0 warms the caches
        QElapsedTimer total;
        total.start();
        AppContext context(root, AppServices{prompter, sounds, clock});
        QString current;
        QElapsedTimer step;
        QMap<QString, double> times;
        Startup startup(context, [&](const QString &status) {
            if (!current.isEmpty())
                times[current] += double(step.nsecsElapsed()) / 1e6;
            current = status;
            step.start();
        });
        registerStartupLoaders(startup, context);
        if (startup.run() < 0) {
            std::fprintf(stderr, "start-up failed: %s\n", qUtf8Printable(context.errors().text));
            return 1;
        }
        const double ms = double(total.nsecsElapsed()) / 1e6;

        // The reference: a new context that only reads kestra.ini and connects.
        QElapsedTimer bare;
        bare.start();
        AppContext plain(root, AppServices{prompter, sounds, clock});
        if (plain.loadIniSettings() < 0 || plain.db().connect() < 0)
            return 1;
        const double connectMs = double(bare.nsecsElapsed()) / 1e6;
        if (run == 0)
            continue;
        totals.append(ms);
        connects.append(connectMs);
        for (auto it = times.cbegin(); it != times.cend(); ++it)
            steps[it.key()].append(it.value());
    }
    for (auto it = steps.cbegin(); it != steps.cend(); ++it)
        std::printf("  %-40s %8.1f ms\n", qUtf8Printable(it.key()), median(it.value()));
    const double ms = median(totals);
    const double ref = median(connects);
    std::printf("BENCH %s ms=%.1f connect_ms=%.1f runs=%d ratio=%.2f\n", qUtf8Printable(name), ms, ref, runs,
                ref > 0 ? ms / ref : 0.0);
    return 0;
}
