#include "assign/AutoAssignCfgForm.h"

#include "assign/AssignSettings.h"
#include "core/AppContext.h"
#include "ui/CommandBar.h"
#include "ui/FormParts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

namespace kestra {

namespace {

const QString kAdded = QStringLiteral("-新增");
const QString kModified = QStringLiteral("-修改");

} // namespace

AutoAssignCfgForm::AutoAssignCfgForm(AppContext &context, QWidget *parent)
    : QWidget(parent), context_(context), rules_(context),
      bar_(new CommandBar(this, QStringLiteral("tbAutoAssignCfg"))), trvAutoAssignCfg_(new QTreeView(this)),
      lvwAutoAssignCfg_(new QTreeView(this)), lstLocationName_(new QListWidget(this)),
      lstLocationAll_(new QListWidget(this)), menu_(new QMenu(this))
{
    setObjectName(QStringLiteral("frmAutoAssignCfg"));
    setWindowTitle(QStringLiteral("新书自动分配规则设置"));
    chooseSubscriber_ = [this](const QString &caption, const QString &current) -> std::optional<QString> {
        const std::optional<QueryResult> choices = rules_.subscriberChoices();
        if (!choices)
            return std::nullopt;
        SubscriberDialog dialog(*choices, caption, current, this);
        if (dialog.exec() != QDialog::Accepted || dialog.chosen().isEmpty())
            return std::nullopt;
        return dialog.chosen();
    };
    editClass_ = [this](const QString &caption, const ClassInput &current) -> std::optional<ClassInput> {
        ClassRuleDialog dialog(context_, caption, current, this);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.input();
    };
    buildLayout();
    showChosen();
    if (const QString notice = unreadLinesNotice(rules_.editor().rules()); !notice.isEmpty())
        context_.showMsg(notice);
}

void AutoAssignCfgForm::buildLayout()
{
    const QList<QPair<QString, QString>> commands = {{QStringLiteral("Save"), QStringLiteral("保存")},
                                                     {QStringLiteral("Expand"), QStringLiteral("展开")},
                                                     {QStringLiteral("New"), QStringLiteral("新增")},
                                                     {QStringLiteral("Modify"), QStringLiteral("修改")},
                                                     {QStringLiteral("Delete"), QStringLiteral("删除")},
                                                     {QStringLiteral("Cancel"), QStringLiteral("取消")},
                                                     {QStringLiteral("InitStatus"), QStringLiteral("初始状态")},
                                                     {QStringLiteral("Exit"), QStringLiteral("退出")}};
    for (const auto &[key, text] : commands)
        bar_->addCommand(key, text);
    bar_->setCommandEnabled(QStringLiteral("Save"), false);
    connect(bar_, &CommandBar::commandTriggered, this, &AutoAssignCfgForm::runCommand);

    trvAutoAssignCfg_->setObjectName(QStringLiteral("trvAutoAssignCfg"));
    trvAutoAssignCfg_->setHeaderHidden(true);
    trvAutoAssignCfg_->setContextMenuPolicy(Qt::CustomContextMenu);
    // One picture per node kind: the library, a subscriber, a class rule, a distribution.
    rules_.tree().setDecoration([](int kind) -> QVariant {
        static constexpr QStyle::StandardPixmap pictures[] = {QStyle::SP_ComputerIcon, QStyle::SP_DirIcon,
                                                              QStyle::SP_FileDialogListView, QStyle::SP_FileIcon};
        return QApplication::style()->standardIcon(pictures[qBound(0, kind, 3)]);
    });
    trvAutoAssignCfg_->setModel(&rules_.tree());
    connect(trvAutoAssignCfg_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (!current.isValid())
                    return;
                rules_.select(rules_.tree().keyOf(current));
                showDistribution();
            });
    const QList<QPair<const char *, std::function<void()>>> menu = {
        {"mnuRightNewLibrary", [this] { newSubscriber(); }},
        {"mnuRightModifyLibrary", [this] { modifySubscriber(); }},
        {"mnuRightDeleteLibrary",
         [this] {
             rules_.removeSubscriber();
             changed();
         }},
        {"mnuRightNewClass", [this] { newClass(); }},
        {"mnuRightModifyClass", [this] { modifyClass(); }},
        {"mnuRightDeleteClass", [this] {
             rules_.removeClass();
             changed();
         }}};
    const QStringList texts = {QStringLiteral("新增订户"), QStringLiteral("修改订户"), QStringLiteral("删除订户"),
                               QStringLiteral("新增类别"), QStringLiteral("修改类别"), QStringLiteral("删除类别")};
    for (int i = 0; i < menu.size(); ++i) {
        QAction *action = menu_->addAction(texts.at(i), this, menu.at(i).second);
        action->setObjectName(QLatin1String(menu.at(i).first));
    }
    connect(trvAutoAssignCfg_, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        const RuleTree::Kind kind = rules_.node().kind;
        // New subscriber always; the subscriber's own items on a subscriber;
        // a new class under a subscriber or beside a class; a class's own on it.
        const bool onLibrary = kind == RuleTree::Subscriber;
        const bool onClass = kind == RuleTree::Class;
        const QList<bool> enabled = {true, onLibrary, onLibrary, onLibrary || onClass, onClass, onClass};
        const QList<QAction *> actions = menu_->actions();
        for (int i = 0; i < actions.size(); ++i)
            actions.at(i)->setEnabled(enabled.at(i));
        menu_->popup(trvAutoAssignCfg_->viewport()->mapToGlobal(at));
    });

    lvwAutoAssignCfg_->setObjectName(QStringLiteral("lvwAutoAssignCfg"));
    lvwAutoAssignCfg_->setRootIsDecorated(false);
    lvwAutoAssignCfg_->setModel(&rules_.list());
    lstLocationName_->setObjectName(QStringLiteral("lstLocationName"));
    lstLocationAll_->setObjectName(QStringLiteral("lstLocationAll"));
    const QueryResult &locations = rules_.locations();
    for (int r = 0; r < locations.rowCount(); ++r) {
        auto *item = new QListWidgetItem(locations.text(r, 1), lstLocationAll_);
        item->setData(Qt::UserRole, locations.text(r, 0));
    }

    auto *buttons = new QVBoxLayout;
    const QList<QPair<const char *, QString>> names = {{"cmdAdd", QStringLiteral("<")},
                                                       {"cmdReduce", QStringLiteral(">")},
                                                       {"cmdAddMany", QStringLiteral("批量增加")},
                                                       {"cmdReduceMany", QStringLiteral("批量减少")},
                                                       {"cmdUp", QStringLiteral("上移")},
                                                       {"cmdDown", QStringLiteral("下移")}};
    const auto move = [this](int step) {
        if (rules_.moveClass(step))
            changed();
    };
    const QList<std::function<void()>> acts = {[this] { changeOne(true); },  [this] { changeOne(false); },
                                               [this] { changeMany(true); }, [this] { changeMany(false); },
                                               [move] { move(-1); },         [move] { move(1); }};
    buttons->addStretch();
    for (int i = 0; i < names.size(); ++i) {
        QPushButton *button = makeButton(QLatin1String(names.at(i).first), names.at(i).second, this);
        connect(button, &QPushButton::clicked, this, acts.at(i));
        buttons->addWidget(button);
    }
    buttons->addStretch();

    auto *right = new QWidget(this);
    auto *grid = new QGridLayout(right);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(lvwAutoAssignCfg_, 0, 0, 1, 3);
    grid->addWidget(lstLocationName_, 1, 0);
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(lstLocationAll_, 1, 2);
    auto *split = new QSplitter(this);
    split->setObjectName(QStringLiteral("splAutoAssignCfg"));
    split->addWidget(trvAutoAssignCfg_);
    split->addWidget(right);
    split->setStretchFactor(1, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addWidget(split);
    resize(900, 560);
}

void AutoAssignCfgForm::runCommand(const QString &key)
{
    const RuleTree::Kind kind = rules_.node().kind;
    if (key == u"Save") {
        save();
    } else if (key == u"Expand") {
        trvAutoAssignCfg_->expandAll();
    } else if (key == u"New") {
        if (kind == RuleTree::Root)
            newSubscriber();
        else if (kind == RuleTree::Subscriber || kind == RuleTree::Class)
            newClass();
    } else if (key == u"Modify") {
        if (kind == RuleTree::Subscriber)
            modifySubscriber();
        else if (kind == RuleTree::Class)
            modifyClass();
    } else if (key == u"Delete") {
        if (kind == RuleTree::Subscriber)
            rules_.removeSubscriber();
        else if (kind == RuleTree::Class)
            rules_.removeClass();
        else
            return;
        changed();
    } else if (key == u"Cancel") {
        rules_.revert();
        bar_->setCommandEnabled(QStringLiteral("Save"), false);
        showChosen();
    } else if (key == u"InitStatus") {
        openInitialStatus();
    } else if (key == u"Exit") {
        closeForm(this);
    }
}

void AutoAssignCfgForm::showChosen()
{
    const QModelIndex chosen = rules_.tree().indexOf(rules_.selectedKey());
    for (QModelIndex up = chosen; up.isValid(); up = up.parent())
        trvAutoAssignCfg_->expand(up);
    trvAutoAssignCfg_->setCurrentIndex(chosen);
    showDistribution();
}

void AutoAssignCfgForm::showDistribution()
{
    lstLocationName_->clear();
    for (const CodeChoice &line : rules_.distributionLines()) {
        auto *item = new QListWidgetItem(line.second, lstLocationName_);
        item->setData(Qt::UserRole, line.first);
    }
}

void AutoAssignCfgForm::changed()
{
    bar_->setCommandEnabled(QStringLiteral("Save"), rules_.editor().isModified());
    showChosen();
}

bool AutoAssignCfgForm::refused(const QString &message)
{
    if (message.isEmpty())
        return false;
    context_.showMsg(message);
    return true;
}

void AutoAssignCfgForm::newSubscriber()
{
    const std::optional<QString> code = chooseSubscriber_(kAdded, QString());
    if (code && !refused(rules_.addSubscriber(*code)))
        changed();
}

void AutoAssignCfgForm::modifySubscriber()
{
    const RuleTree::Node n = rules_.node();
    if (n.kind != RuleTree::Subscriber)
        return;
    const std::optional<QString> code =
        chooseSubscriber_(kModified, rules_.editor().rules().subscribers.at(n.subscriber).code);
    if (code && !refused(rules_.changeSubscriber(*code)))
        changed();
}

void AutoAssignCfgForm::newClass()
{
    const std::optional<ClassInput> in = editClass_(kAdded, ClassInput{});
    if (!in)
        return;
    rules_.addClass(in->label, in->all ? QStringLiteral("*") : in->spec, in->maximum.toInt());
    changed();
}

void AutoAssignCfgForm::modifyClass()
{
    const RuleTree::Node n = rules_.node();
    if (n.kind != RuleTree::Class)
        return;
    const ClassRule &rule = rules_.editor().rules().subscribers.at(n.subscriber).rules.at(n.rule);
    const std::optional<ClassInput> in =
        editClass_(kModified, ClassInput{rule.label, rule.spec, QString::number(rule.maximum()), rule.spec == u"*"});
    if (!in)
        return;
    rules_.changeClass(in->label, in->all ? QStringLiteral("*") : in->spec, in->maximum.toInt());
    changed();
}

// cmdAdd gives the distribution one more of the location chosen in
// lstLocationAll, cmdReduce takes one of the line chosen in lstLocationName.
void AutoAssignCfgForm::changeOne(bool add)
{
    const QListWidgetItem *item = add ? lstLocationAll_->currentItem() : lstLocationName_->currentItem();
    if (rules_.node().kind != RuleTree::Distribution || item == nullptr)
        return;
    if (!refused(rules_.changeLocation(item->data(Qt::UserRole).toString(), 1, add)))
        changed();
}

void AutoAssignCfgForm::changeMany(bool add)
{
    const QListWidgetItem *item = add ? lstLocationAll_->currentItem() : lstLocationName_->currentItem();
    if (rules_.node().kind != RuleTree::Distribution || item == nullptr)
        return;
    const std::optional<QString> text =
        add ? context_.prompter().inputText(QStringLiteral("批量增加"),
                                            QStringLiteral("请输入需要批量增加的数量，注意必须是数字。"), QString())
            : context_.prompter().inputText(QStringLiteral("批量减少"),
                                            QStringLiteral("请输入需要批量减少的数量，注意必须是数字。"), QString());
    if (!text)
        return;
    bool ok = false;
    const int count = text->trimmed().toInt(&ok);
    if (!ok || count < 1) {
        context_.showMsg(QStringLiteral("I输入必须是数字，请重新增加。"));
        return;
    }
    if (!refused(rules_.changeLocation(item->data(Qt::UserRole).toString(), count, add)))
        changed();
}

bool AutoAssignCfgForm::save()
{
    QString error;
    if (!rules_.save(&error)) {
        context_.showMsg(QStringLiteral("E自动分配规则文件写入失败：") + error);
        return false;
    }
    bar_->setCommandEnabled(QStringLiteral("Save"), false);
    return true;
}

void AutoAssignCfgForm::openInitialStatus()
{
    InitialStatusDialog dialog(context_, rules_.locations(), this);
    if (dialog.exec() == QDialog::Accepted)
        reloadAssignSettings(context_);
}

void AutoAssignCfgForm::closeEvent(QCloseEvent *event)
{
    if (rules_.editor().isModified() &&
        context_.showMsg(QStringLiteral("Q自动分配规则已被修改，是否保存？")) == AnswerOk && !save()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace kestra
