#pragma once

#include "assign/AutoAssignCfgDialog.h"
#include "assign/RuleEditor.h"
#include "db/QueryResult.h"

#include <QWidget>
#include <functional>
#include <optional>

class QListWidget;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestra {

class AppContext;
class CommandBar;

// frmAutoAssignCfg: the rule editor. The tree shows the rule file
// (subscribers, their class rules, each rule's distributions); the list
// beside it what the chosen node covers; the two location lists edit the
// chosen distribution. Nothing is written until Save.
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
    const RuleEditor &editor() const { return editor_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct Node {
        QChar kind; // R, X, Y, Z
        int subscriber = -1;
        int rule = -1;
        int k = 0;
    };

    void buildLayout();
    void runCommand(const QString &key);
    void rebuildTree(const QString &selectKey);
    void showSelection();
    void fillList(const Node &node);
    void fillDistribution(const Node &node);
    Node current() const;
    QString currentKey() const;
    QString nameOf(const QString &code) const;
    QString classKey(int subscriber, int rule) const;
    void changed(const QString &selectKey);
    bool refused(const QString &message);

    void newSubscriber();
    void modifySubscriber();
    void deleteSubscriber();
    void newClass();
    void modifyClass();
    void deleteClass();
    void moveClass(int step);
    void changeOne(bool add);
    void changeMany(bool add);
    bool save();
    void openInitialStatus();

    AppContext &context_;
    RuleEditor editor_;
    QueryResult locations_;
    SubscriberChooser chooseSubscriber_;
    ClassEditor editClass_;
    CommandBar *bar_;
    QTreeWidget *trvAutoAssignCfg_;
    QTreeWidget *lvwAutoAssignCfg_;
    QListWidget *lstLocationName_;
    QListWidget *lstLocationAll_;
    QMenu *menu_;
};

} // namespace kestra
