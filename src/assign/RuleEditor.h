#pragma once

#include "assign/AssignRules.h"
#include "db/QueryResult.h"
#include "kit/RowModel.h"
#include "kit/TreeModel.h"

#include <QHash>
#include <QString>
#include <optional>

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

class AppContext;

// The rule editor window without its widgets (frmAutoAssignCfg): the rule
// file being edited, the location names, the tree of the file (the root,
// subscribers, their class rules, each rule's distributions), the list of
// what the chosen node covers and the chosen distribution's counted lines.
// Every change chooses the node it leaves behind and rebuilds the tree.
class RuleTree {
public:
    // What a tree node is.
    enum Kind { Root, Subscriber, Class, Distribution };
    struct Node {
        Kind kind = Root;
        int subscriber = -1;
        int rule = -1;
        int k = 0;
    };

    // Reads the rule file and the locations (a failed read shown).
    explicit RuleTree(AppContext &context);

    const RuleEditor &editor() const { return editor_; }
    TreeModel &tree() { return tree_; }
    // Columns 订户, 分类说明, 分类号, 数量, 分配情况.
    RowModel<QStringList> &list() { return list_; }
    // The locations (code, name) a distribution may use.
    const QueryResult &locations() const { return locations_; }
    QString nameOf(const QString &code) const;
    // The subscribers to offer; nothing after showing a failed read.
    std::optional<QueryResult> subscriberChoices();

    // Chooses a node by key (the root when none has it) and fills the list.
    void select(const QString &key);
    const QString &selectedKey() const { return selected_; }
    Node node() const { return nodes_.value(selected_); }
    // The chosen distribution as counted lines ("002中文图书库"), each with
    // its code; empty unless a distribution is chosen.
    QList<CodeChoice> distributionLines() const;

    // The changes, on the chosen node; each returns the message that
    // refuses it (empty when done).
    QString addSubscriber(const QString &code);
    QString changeSubscriber(const QString &code);
    void removeSubscriber();
    // The class rule of a subscriber (or beside the chosen rule); spec "*"
    // when it takes every class.
    void addClass(const QString &label, const QString &spec, int maximum);
    void changeClass(const QString &label, const QString &spec, int maximum);
    void removeClass();
    bool moveClass(int step);
    QString changeLocation(const QString &code, int count, bool add);

    bool save(QString *error);
    // Back to the file as saved.
    void revert();

private:
    QString sectionId(int subscriber) const;
    QString classKey(int subscriber, int rule) const;
    void rebuild(const QString &selectKey);
    void fillList();

    AppContext &context_;
    RuleEditor editor_;
    QueryResult locations_;
    TreeModel tree_;
    RowModel<QStringList> list_;
    QHash<QString, Node> nodes_;
    QString selected_;
};

} // namespace kestra
