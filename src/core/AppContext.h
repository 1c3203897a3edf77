#pragma once

#include "core/Clock.h"
#include "core/CodePage.h"
#include "core/CodeTables.h"
#include "core/ConnectionSettings.h"
#include "core/InstallFolders.h"
#include "core/LogFile.h"
#include "core/Messages.h"
#include "core/PagePrinter.h"
#include "core/Preferences.h"
#include "core/Prompter.h"
#include "core/SessionValues.h"
#include "core/SoundPlayer.h"
#include "core/SysParams.h"
#include "db/ErrorRecord.h"

#include <QVariant>
#include <memory>
#include <typeindex>
#include <unordered_map>

namespace kestra {

class Session;

// The services a context is built over; the program passes the Qt ones,
// tests pass scripted ones.
struct AppServices {
    Prompter &prompter;
    SoundPlayer &sounds;
    const Clock &clock;
};

// Everything one run of the client shares: the installation, the settings,
// the error record, messages and log, the session values. Created once at
// start-up and passed by reference; a test builds its own.
class AppContext {
public:
    AppContext(const QString &installRoot, AppServices services);
    ~AppContext();
    AppContext(const AppContext &) = delete;
    AppContext &operator=(const AppContext &) = delete;

    // LoadIniSettings: reads kestra.ini; 0 on success, -1 on failure (the
    // reason is written to the log).
    int loadIniSettings();

    // GetEnv: the value of one environment index (see docs/configuration.md).
    QVariant getEnv(int index);

    // ShowMsg and WriteLog, the two things every layer above needs.
    int showMsg(const QString &message) { return messages_.showMsg(message); }
    int writeLog(const QString &text, int mode = LogFile::Append) { return log_.write(QString(), text, mode); }

    const InstallFolders &folders() const { return folders_; }
    const CodePage &codePage() const { return codePage_; }
    const ConnectionSettings &connection() const { return connection_; }
    ErrorRecord &errors() { return errors_; }
    SessionValues &session() { return session_; }
    Preferences &preferences() { return preferences_; }
    Messages &messages() { return messages_; }
    LogFile &log() { return log_; }
    Prompter &prompter() { return services_.prompter; }
    SoundPlayer &sounds() { return services_.sounds; }
    const Clock &clock() const { return services_.clock; }

    // The printer seam: the program gives the Qt one, a test a recording
    // one; until one is given every print is refused with a message.
    PagePrinter &printer() { return printer_ != nullptr ? *printer_ : *noPrinter_; }
    void setPrinter(PagePrinter &printer) { printer_ = &printer; }

    // The one database session.
    Session &db() { return *db_; }

    // System parameters (GetSysParam) and the all-locations cache.
    SysParams &params() { return params_; }
    void setAllLocations(QueryResult locations) { allLocations_ = std::move(locations); }
    const QueryResult &allLocations() const { return allLocations_; }
    // LocationName: the name of a location code; empty when unknown.
    QString locationName(const QString &code) const;
    // The code tables, the current location list and CheckLocationRight.
    CodeTables &codes() { return codes_; }

    // Loads the message table and the system parameters; -1 when a query
    // fails (the session's error record tells which).
    int loadMessagesAndParams();

    // The caches of the layers above the core (the bibliographic parameters,
    // the label settings ...), one object of each type for the run, created
    // empty on first use and loaded by the start-up step that owns them.
    template <class T>
    T &cache()
    {
        std::shared_ptr<void> &slot = caches_[std::type_index(typeid(T))];
        if (!slot)
            slot = std::make_shared<T>();
        return *static_cast<T *>(slot.get());
    }

    // The database session answers the server-clock indices of GetEnv.
    void setServerClock(ServerClock *clock) { serverClock_ = clock; }
    bool serverClockIs(const ServerClock *clock) const { return serverClock_ == clock; }

private:
    AppServices services_;
    InstallFolders folders_;
    CodePage codePage_;
    ConnectionSettings connection_;
    ErrorRecord errors_;
    SessionValues session_;
    Preferences preferences_;
    Messages messages_;
    LogFile log_;
    SysParams params_;
    QueryResult allLocations_;
    CodeTables codes_{*this};
    ServerClock *serverClock_ = nullptr;
    std::unordered_map<std::type_index, std::shared_ptr<void>> caches_;
    PagePrinter *printer_ = nullptr;
    std::unique_ptr<PagePrinter> noPrinter_;
    std::unique_ptr<Session> db_;
};

// The installation folder of a run: --root DIR, else KESTRA_ROOT, else the
// folder of the program file.
QString installRootFor(const QStringList &arguments, const QString &programFolder);

} // namespace kestra
