#pragma once

#include "core/CodePage.h"
#include "core/InstallFolders.h"
#include "core/SettingsFiles.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kestra {

// One class rule of a subscriber: which call numbers it covers and, for
// every number of copies k up to its maximum, the k target locations.
struct ClassRule {
    QString label;
    QString spec;                     // comma-separated elements, or "*" for every class
    QList<QStringList> distributions; // entry k-1: the locations for a title of k copies
    int maximum() const { return int(distributions.size()); }
    bool operator==(const ClassRule &) const = default;
};

// The rules of one ordering location, tried from the top.
struct SubscriberRules {
    QString code;
    QList<ClassRule> rules;
    bool operator==(const SubscriberRules &) const = default;
};

// The rule file in memory: the subscriber sections in file order.
struct AssignRuleSet {
    QList<SubscriberRules> subscribers;
    bool present = false; // the file had content
    int skippedLines = 0; // rule lines that were not a run of <...> fields
};

// "<label><spec><codes>..." ; nothing when the line is not made of fields.
std::optional<ClassRule> parseRuleLine(const QString &line);
AssignRuleSet ruleSetFromGroups(const AssignGroups &groups);
AssignRuleSet loadRuleSet(const InstallFolders &folders, const CodePage &cp);

// The file texts as written back, CRLF lines as the workstations keep them.
QString formatRuleSet(const AssignRuleSet &rules);
QString formatInitialStatus(const InitialStatusTable &table);
// The status table as the initial-status dialog is about to write it: a
// row without a location or a status, or a location twice, refuses it (the
// message to show; empty when it may be written). A row without a location
// would match every copy that has none, and of a location twice only the
// first row would ever be used.
QString checkInitialStatus(const InitialStatusTable &table);

// The class number of a call number: the part before the first occurrence
// of the separator's first character (system parameter 20).
QString classNumberOf(const QString &callNo, const QString &separator);
bool classSpecMatches(const QString &spec, const QString &classNumber);

} // namespace kestra
