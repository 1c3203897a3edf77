#pragma once

#include "addins/AddinInterface.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

namespace kestra {

// A command of a manifest: "[" kind "]" name "(" arguments ")", the kind
// "Program" or "Interface", the arguments separated by ",".
struct AddinShortcut {
    QString kind;
    QString name;
    QStringList arguments;
};

// Reads a shortcut: the kind between the first "[" and the next "]", the
// name up to the first "(" after it, the arguments up to the last ")".
// Spaces around the name and around each argument are dropped. Nothing when
// a bracket is missing or the name is empty.
std::optional<AddinShortcut> parseAddinShortcut(const QString &text);

// The values the host hands to add-ins, by variable ("%A001%" ...). Names
// are kept in upper case; "%OBJECT%" followed by a name asks findObject.
struct AddinVariables {
    QHash<QString, QString> values;
    std::function<QObject *(const QString &name)> findObject;
};

// Replaces each argument that is a whole variable (compared without regard
// to case) by its value. An argument that merely contains a variable, or
// names one the host does not have, passes as written.
QList<AddinArgument> expandAddinArguments(const QStringList &arguments, const AddinVariables &variables);

} // namespace kestra
