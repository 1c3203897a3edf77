#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace kestra {

// One item of an extension point: its element name is its type, its
// attributes keep the manifest's order and spelling, its text is kept.
struct AddinExtenItem {
    QString type;
    QList<QPair<QString, QString>> attributes;
    QString text;

    // An attribute by name, compared without regard to case; empty when
    // missing.
    QString attribute(const QString &name) const;
};

struct AddinExtension {
    QString path;
    QList<AddinExtenItem> items;
};

// An "Import" of the runtime: a plugin file in the add-in folder and the
// class its manifest expects it to provide.
struct AddinImport {
    QString assembly;
    QString className;
};

// A command of the manifest: a start-up "Process" or the "Option".
struct AddinCommand {
    QString shortcut;
    QString className;
};

// What addin.xml says. The runtime, start-up commands, option and
// extensions are read only when the requirements hold.
struct AddinManifest {
    QString id;
    QString name;
    QString version;
    QString provider;
    QString icon;
    QString pic;
    QString url;
    QString description;

    bool requirementsMet = true;
    QString requirementsReason; // why they do not hold

    QList<AddinImport> imports;
    QList<AddinCommand> startup;
    AddinCommand option;
    QList<AddinExtension> extensions;
};

struct AddinManifestRead {
    bool ok = false;
    QString error; // the parser's reason, with line and column
    AddinManifest manifest;
};

// Reads a manifest. Element and attribute names are compared without regard
// to case; unknown elements are passed over. "Requires" holds "Host"
// elements whose "version" is the lowest client version the add-in runs on;
// any other requirement is one this client cannot check, so it does not
// hold.
AddinManifestRead readAddinManifest(const QByteArray &xml, const QString &hostVersion);

// A file named by a manifest, inside its add-in folder. Empty when the name
// is empty, absolute (either separator, or a drive letter) or leaves the
// folder through "..": a manifest is data and may not point elsewhere.
QString addinFile(const QString &addinFolder, const QString &relative);

} // namespace kestra
