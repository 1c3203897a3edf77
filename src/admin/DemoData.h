#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

namespace kestra {

class Session;

// The demo library's size is given in titles (bibliographic records). Each
// title has one to four copies (2.5 on average), and the readers, loans,
// batches and logs grow with it: 2,000 titles make about 5,000 copies, and
// 400,000 titles about a million.
inline constexpr int kDefaultDemoScale = 2000;
inline constexpr int kMinimumDemoScale = 50;
inline constexpr int kMaximumDemoScale = 4000000;

struct DemoOptions {
    int scale = kDefaultDemoScale;
    quint64 seed = 1;
    // Replace the library data of a database that already holds some.
    bool force = false;
    // Leave a database that already holds library data alone, and succeed
    // (scripts/demo runs the command every time).
    bool onlyIfEmpty = false;
    // Every date is counted back from this day; null: the server's date.
    QDate today;
    // The workstation the demo operators are bound to besides the named
    // ones; null: this machine, as the login names it.
    QString workstation;
    // How passwords and records are encoded (kestra.ini CODEPAGE).
    QString codePage = QStringLiteral("GBK");
    // Progress lines for a person watching (stderr in kestra-admin).
    std::function<void(const QString &)> progress;
};

// An operator of the demo library, as the README lists them.
struct DemoAccount {
    QString wkrNo;
    QString name;
    QString password;
    QString role;
};
const QList<DemoAccount> &demoAccounts();
// The holdings supervisor: every holdings right.
inline QString demoSupervisor()
{
    return QStringLiteral("DC01");
}

struct DemoReport {
    QList<std::pair<QString, qint64>> tableRows; // every table the demo fills
    qint64 elapsedMs = 0;
    qint64 databaseMs = 0; // of which in the database
    int scale = 0;
    quint64 seed = 0;
    QDate today;
    bool skipped = false; // onlyIfEmpty found library data: nothing was done
};

// The tables that hold a library's own data (everything kestra-admin init
// does not provide), parents before children.
const QStringList &demoTables();

// Fills a database created by kestra-admin init with the demo library, on
// the session's connection. Refuses a database without the schema, and one
// that already holds library data unless options.force (which empties the
// library tables first, keeping ROOT and the reference data). 0 on success,
// -1 with *error set; on failure nothing of the run is kept.
int generateDemoLibrary(Session &session, const DemoOptions &options, DemoReport *report, QString *error);

} // namespace kestra
