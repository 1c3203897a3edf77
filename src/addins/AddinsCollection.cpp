#include "addins/AddinsCollection.h"

#include "addins/AddinInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>
#include <QProcess>
#include <QStandardPaths>

namespace kestra {

namespace {

// A manifest is a few kilobytes; anything far larger is not one.
constexpr qint64 kAddinManifestLimit = 1024 * 1024;
constexpr qsizetype kAddinMaxArguments = 5;

bool addinMarkedForRemoval(const QString &path)
{
    return QFileInfo::exists(path + u'/' + QLatin1String(AddinsCollection::kRemovalMark));
}

// An add-in folder that is a link to somewhere else loses the link only:
// what it points to was never the add-in layer's to delete.
bool removeAddinFolder(const QString &path)
{
    if (QFileInfo(path).isSymLink())
        return QFile::remove(path);
    return QDir(path).removeRecursively();
}

} // namespace

AddinsCollection::~AddinsCollection()
{
    unload();
}

int AddinsCollection::loadAddins(const QString &folder)
{
    const QDir dir(folder);
    const QStringList subfolders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    int loaded = 0;
    for (const QString &sub : subfolders) {
        const QString path = dir.absoluteFilePath(sub);
        if (addinMarkedForRemoval(path) && removeAddinFolder(path))
            continue;
        // The manifest's name is compared without regard to case, as the
        // add-ins come from Windows workstations too.
        const QStringList manifests = QDir(path).entryList(QDir::Files);
        QString manifest;
        for (const QString &f : manifests) {
            if (f.compare(QLatin1String(kConfigFile), Qt::CaseInsensitive) == 0)
                manifest = QDir(path).filePath(f);
        }
        if (manifest.isEmpty())
            continue;
        QFile file(manifest);
        QByteArray xml;
        QString reason;
        if (file.size() > kAddinManifestLimit)
            reason = QStringLiteral("文件过大");
        else if (!file.open(QIODevice::ReadOnly))
            reason = file.errorString();
        else
            xml = file.readAll();
        if (reason.isEmpty()) {
            if (loadAddin(path, manifest, xml))
                ++loaded;
            continue;
        }
        show(QStringLiteral("E不能调用插件定义文件\n") + manifest + QStringLiteral("。 原因：\n") + reason);
    }
    return loaded;
}

bool AddinsCollection::loadAddin(const QString &path, const QString &manifestFile, const QByteArray &xml)
{
    AddinManifestRead read = readAddinManifest(xml, host_.hostVersion);
    if (!read.ok) {
        show(QStringLiteral("E不能调用插件定义文件\n") + manifestFile + QStringLiteral("。 原因：\n") + read.error);
        return false;
    }
    auto addin = std::make_unique<Addin>();
    addin->manifest = std::move(read.manifest);
    addin->path = path;
    addin->status = addin->manifest.requirementsMet ? Addin::Loaded : Addin::RequirementsNotMet;
    if (addinMarkedForRemoval(path))
        addin->status = Addin::MarkedForRemoval; // its folder could not be deleted at the start
    for (const AddinImport &import : addin->manifest.imports)
        loadAssembly(*addin, import);
    addins_.push_back(std::move(addin));
    return true;
}

void AddinsCollection::loadAssembly(Addin &addin, const AddinImport &import)
{
    AddinAssembly assembly;
    assembly.className = import.className;
    assembly.file = addinFile(addin.path, import.assembly);
    if (!assembly.file.isEmpty() && QFileInfo::exists(assembly.file)) {
        assembly.loader = std::make_unique<QPluginLoader>(assembly.file);
        // The manifest names the class it expects; a plugin of another class
        // (or no plugin of ours at all) is not loaded.
        const QString pluginClass = assembly.loader->metaData().value(QStringLiteral("className")).toString();
        const QString iid = assembly.loader->metaData().value(QStringLiteral("IID")).toString();
        if (pluginClass.compare(import.className, Qt::CaseInsensitive) == 0 &&
            iid == QLatin1String(KestraAddinObject_iid)) {
            assembly.object = qobject_cast<AddinObject *>(assembly.loader->instance());
        }
    }
    if (assembly.object == nullptr) {
        show(QStringLiteral("E装载") + import.className + QStringLiteral("对象失败！"));
        if (assembly.loader)
            assembly.loader->unload();
    }
    addin.assemblys.push_back(std::move(assembly));
}

void AddinsCollection::runStartupCommands()
{
    for (const auto &addin : addins_) {
        for (const AddinCommand &p : addin->manifest.startup)
            excuteExtenShortcut(*addin, p.className, p.shortcut);
    }
}

QList<AddinEntry> AddinsCollection::getExtensByPath(const QString &path, const QString &type) const
{
    QList<AddinEntry> entries;
    for (const auto &addin : addins_) {
        for (const AddinExtension &ext : addin->manifest.extensions) {
            if (ext.path.compare(path, Qt::CaseInsensitive) != 0)
                continue;
            for (const AddinExtenItem &item : ext.items) {
                if (item.type.compare(type, Qt::CaseInsensitive) == 0)
                    entries.append({addin.get(), item});
            }
        }
    }
    return entries;
}

bool AddinsCollection::excuteExtenShortcut(const Addin &addin, const QString &className, const QString &shortcut)
{
    const std::optional<AddinShortcut> parsed = parseAddinShortcut(shortcut);
    if (!parsed)
        return false;
    if (parsed->kind.compare(QLatin1String("Program"), Qt::CaseInsensitive) == 0)
        return runProgram(addin, *parsed);
    if (parsed->kind.compare(QLatin1String("Interface"), Qt::CaseInsensitive) == 0)
        return callInterface(className, *parsed);
    return false;
}

bool AddinsCollection::runProgram(const Addin &addin, const AddinShortcut &shortcut)
{
    // The add-in's own folder first, then the PATH for a bare name; a name
    // that leaves the folder is never run.
    QString program = addinFile(addin.path, shortcut.name);
    if (program.isEmpty() || !QFileInfo(program).isExecutable() || QFileInfo(program).isDir()) {
        program.clear();
        if (!shortcut.name.contains(u'/') && !shortcut.name.contains(u'\\'))
            program = QStandardPaths::findExecutable(shortcut.name);
    }
    QStringList arguments;
    // An object means nothing to another process: it gets the text.
    for (const AddinArgument &a : expandAddinArguments(shortcut.arguments, host_.variables))
        arguments.append(a.written.startsWith(QLatin1String("%OBJECT%"), Qt::CaseInsensitive) ? a.written
                                                                                              : a.value.toString());
    bool started = false;
    if (!program.isEmpty()) {
        started = host_.startProgram ? host_.startProgram(program, arguments, addin.path)
                                     : QProcess::startDetached(program, arguments, addin.path);
    }
    if (!started)
        show(QStringLiteral("E外部调用执行失败！"));
    return started;
}

bool AddinsCollection::callInterface(const QString &className, const AddinShortcut &shortcut)
{
    if (shortcut.arguments.size() > kAddinMaxArguments) {
        show(QStringLiteral("E插件调用的参数多于%1个：").arg(kAddinMaxArguments) + shortcut.name);
        return false;
    }
    for (const auto &addin : addins_) {
        for (const AddinAssembly &a : addin->assemblys) {
            if (a.className.compare(className, Qt::CaseInsensitive) != 0)
                continue;
            if (a.object == nullptr) {
                show(QStringLiteral("E装载") + className + QStringLiteral("对象失败！"));
                return false;
            }
            QString error;
            if (a.object->invoke(shortcut.name, expandAddinArguments(shortcut.arguments, host_.variables), &error))
                return true;
            show(QStringLiteral("E插件调用失败：") + shortcut.name + QStringLiteral("\n") + error);
            return false;
        }
    }
    show(QStringLiteral("E装载") + className + QStringLiteral("对象失败！"));
    return false;
}

void AddinsCollection::unload()
{
    for (const auto &addin : addins_) {
        for (AddinAssembly &a : addin->assemblys) {
            a.object = nullptr;
            if (a.loader)
                a.loader->unload();
        }
        if (addin->status == Addin::MarkedForRemoval)
            removeAddinFolder(addin->path);
    }
    addins_.clear();
}

bool AddinsCollection::markForRemoval(const Addin &addin, bool remove)
{
    for (const auto &a : addins_) {
        if (a.get() != &addin)
            continue;
        const QString mark = a->path + u'/' + QLatin1String(kRemovalMark);
        if (remove) {
            QFile file(mark);
            if (!file.open(QIODevice::WriteOnly))
                return false;
            a->status = Addin::MarkedForRemoval;
        } else {
            if (QFileInfo::exists(mark) && !QFile::remove(mark))
                return false;
            a->status = a->manifest.requirementsMet ? Addin::Loaded : Addin::RequirementsNotMet;
        }
        return true;
    }
    return false;
}

} // namespace kestra
