#pragma once

#include "assign/AssignRules.h"

#include <QString>

namespace kestra {

// The rule file being edited: every change the editor makes goes through
// here, so the checks and the order of the rules do not depend on widgets.
// Each function returns the message to show when it refuses (empty when
// done); nothing is written until save().
class RuleEditor {
public:
    explicit RuleEditor(AssignRuleSet rules = {}) : rules_(std::move(rules)) {}

    const AssignRuleSet &rules() const { return rules_; }
    bool isModified() const { return modified_; }

    // The subscriber's index, or -1.
    int indexOf(const QString &code) const;
    QString addSubscriber(const QString &code);
    QString changeSubscriber(int subscriber, const QString &code);
    // The whole section goes, with the lines in it that were not understood.
    void removeSubscriber(int subscriber);

    // Checks of the class dialog: label, specification (unless all) and a
    // maximum above zero.
    static QString checkClass(const QString &label, const QString &spec, const QString &maximum, bool all);
    QString addClass(int subscriber, const QString &label, const QString &spec, int maximum);
    // A changed maximum keeps the distributions it still covers.
    QString changeClass(int subscriber, int rule, const QString &label, const QString &spec, int maximum);
    void removeClass(int subscriber, int rule);
    // Exchanges the rule with its neighbour; false at either end.
    bool moveClass(int subscriber, int rule, int step);

    // The distribution for k copies of one rule (k from 1).
    const QStringList &distribution(int subscriber, int rule, int k) const;
    QString addLocation(int subscriber, int rule, int k, const QString &code, int count = 1);
    QString removeLocation(int subscriber, int rule, int k, const QString &code, int count = 1);

    bool save(const InstallFolders &folders, const CodePage &cp, QString *error);

private:
    QStringList &codes(int subscriber, int rule, int k);

    AssignRuleSet rules_;
    bool modified_ = false;
};

} // namespace kestra
