#pragma once

#include "addins/AddinManifest.h"
#include "addins/AddinShortcut.h"

#include <QPluginLoader>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace kestra {

class AddinObject;

// One imported plugin of an add-in and the object it provides.
struct AddinAssembly {
    QString file; // absolute, inside the add-in folder
    QString className;
    std::unique_ptr<QPluginLoader> loader;
    AddinObject *object = nullptr;
};

// One loaded add-in: its manifest, its folder, its plugins.
struct Addin {
    enum Status { Loaded, RequirementsNotMet, MarkedForRemoval };

    AddinManifest manifest;
    QString path; // the add-in's folder, absolute
    Status status = Loaded;
    std::vector<AddinAssembly> assemblys;
};

// An extension item with the add-in it came from (a "Program" is looked
// for in that add-in's folder).
struct AddinEntry {
    const Addin *addin = nullptr;
    AddinExtenItem item;
};

// The add-ins of one run: loaded once when the main window opens, their
// start-up commands run, their extension items asked for by path, their
// commands run, and at the end their plugins released and the add-ins marked
// for removal deleted.
class AddinsCollection {
public:
    // Starts a program detached, its arguments as a list (never a shell);
    // false when it could not be started.
    using ProgramStarter =
        std::function<bool(const QString &program, const QStringList &arguments, const QString &folder)>;

    struct Host {
        std::function<int(const QString &message)> showMsg;
        AddinVariables variables;
        ProgramStarter startProgram; // QProcess::startDetached when empty
        QString hostVersion;
    };

    static constexpr const char *kConfigFile = "addin.xml";
    // The file whose presence in an add-in folder marks it for removal.
    static constexpr const char *kRemovalMark = ".remove";

    AddinsCollection() = default;
    ~AddinsCollection();
    AddinsCollection(const AddinsCollection &) = delete;
    AddinsCollection &operator=(const AddinsCollection &) = delete;

    void setHost(Host host) { host_ = std::move(host); }

    // LoadAddins: every subfolder of folder with a manifest, in name order.
    // A folder marked for removal is deleted instead. A manifest that cannot
    // be read is reported and passed over. Returns how many were loaded.
    int loadAddins(const QString &folder);
    // The "Process" commands of every add-in, in load order.
    void runStartupCommands();
    // GetExtensByPath: the items of this type under this path (both compared
    // without regard to case), over all add-ins in load order.
    QList<AddinEntry> getExtensByPath(const QString &path, const QString &type) const;
    // ExcuteExtenShortcut: runs one command of an add-in; false when it did
    // nothing or failed (the failure was shown).
    bool excuteExtenShortcut(const Addin &addin, const QString &className, const QString &shortcut);

    // Releases every plugin object and deletes the folders marked for
    // removal. Nothing is loaded afterwards.
    void unload();

    const std::vector<std::unique_ptr<Addin>> &addins() const { return addins_; }
    // True while this add-in is loaded here.
    bool holds(const Addin *addin) const
    {
        return std::any_of(addins_.begin(), addins_.end(), [addin](const auto &a) { return a.get() == addin; });
    }
    // Marks (or unmarks) an add-in for removal; its folder is deleted when
    // the add-ins are unloaded or, failing that, at the next start.
    bool markForRemoval(const Addin &addin, bool remove);

private:
    bool loadAddin(const QString &path, const QString &manifestFile, const QByteArray &xml);
    void loadAssembly(Addin &addin, const AddinImport &import);
    bool runProgram(const Addin &addin, const AddinShortcut &shortcut);
    bool callInterface(const QString &className, const AddinShortcut &shortcut);
    int show(const QString &message) const { return host_.showMsg ? host_.showMsg(message) : 0; }

    Host host_;
    std::vector<std::unique_ptr<Addin>> addins_;
};

} // namespace kestra
