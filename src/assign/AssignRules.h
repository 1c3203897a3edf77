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
    // The lines just above the rule that are no rule (not a clean run of
    // <...> fields, blank lines): written back as they were, where they
    // were, so that saving never loses what a person typed into the file.
    QStringList linesBefore = {};
    int maximum() const { return int(distributions.size()); }
    bool operator==(const ClassRule &) const = default;
};

// The rules of one ordering location, tried from the top.
struct SubscriberRules {
    QString code;
    QList<ClassRule> rules;
    QStringList linesAfter = {}; // lines that are no rule after its last rule, kept as they were
    bool operator==(const SubscriberRules &) const = default;
};

// The rule file in memory: the subscriber sections in file order.
struct AssignRuleSet {
    QList<SubscriberRules> subscribers;
    QStringList leadingLines; // lines before the first section, which belong to none, kept as they were
    bool present = false;     // the file had content
    int skippedLines = 0;     // lines that are not blank and were not understood
};

// "<label><spec><codes>..." ; nothing when the line is not made of fields.
std::optional<ClassRule> parseRuleLine(const QString &line);
AssignRuleSet ruleSetFromGroups(const AssignGroups &groups);
// The rule file's text with every line it does not understand kept in
// place (see ClassRule::linesBefore).
AssignRuleSet parseRuleSet(const QString &text);
AssignRuleSet loadRuleSet(const InstallFolders &folders, const CodePage &cp);
// The lines of the file that were not understood (blank lines aside), in
// file order, and the notice the editor shows on opening such a file.
QStringList unreadLines(const AssignRuleSet &rules);
QString unreadLinesNotice(const AssignRuleSet &rules);

// The file texts as written back, CRLF lines as the workstations keep them;
// an unchanged rule file is written back byte for byte (CRLF files).
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
