#pragma once

#include "assign/AutoAssignCfgDialog.h"
#include "assign/RuleEditor.h"

#include <QWidget>
#include <functional>
#include <optional>

class QListWidget;
class QMenu;
class QTreeView;

namespace kestra {

class AppContext;
class CommandBar;

// frmAutoAssignCfg: the rule editor. The tree shows the rule file
// (subscribers, their class rules, each rule's distributions); the list
// beside it what the chosen node covers; the two location lists edit the
// chosen distribution. Nothing is written until Save. The texts, the reads
// and the changes are the controller's (RuleTree); the form asks through
// its dialogs and shows.
class AutoAssignCfgForm : public QWidget {
    Q_OBJECT
public:
    // The two entry dialogs, replaceable so that the editor's steps can be
    // driven without them.
    using SubscriberChooser = std::function<std::optional<QString>(const QString &caption, const QString &current)>;
    using ClassEditor = std::function<std::optional<ClassInput>(const QString &caption, const ClassInput &current)>;

    explicit AutoAssignCfgForm(AppContext &context, QWidget *parent = nullptr);

    void setSubscriberChooser(SubscriberChooser chooser) { chooseSubscriber_ = std::move(chooser); }
    void setClassEditor(ClassEditor editor) { editClass_ = std::move(editor); }
    const RuleEditor &editor() const { return rules_.editor(); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    void runCommand(const QString &key);
    // The view follows the controller's chosen node.
    void showChosen();
    void showDistribution();
    void changed();
    bool refused(const QString &message);

    void newSubscriber();
    void modifySubscriber();
    void newClass();
    void modifyClass();
    void changeOne(bool add);
    void changeMany(bool add);
    bool save();
    void openInitialStatus();

    AppContext &context_;
    RuleTree rules_;
    SubscriberChooser chooseSubscriber_;
    ClassEditor editClass_;
    CommandBar *bar_;
    QTreeView *trvAutoAssignCfg_;
    QTreeView *lvwAutoAssignCfg_;
    QListWidget *lstLocationName_;
    QListWidget *lstLocationAll_;
    QMenu *menu_;
};

} // namespace kestra
