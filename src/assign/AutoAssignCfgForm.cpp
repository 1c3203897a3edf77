#include "assign/AutoAssignCfgForm.h"

#include "assign/AssignSettings.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "ui/CommandBar.h"
#include "ui/FormParts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kestra {

namespace {

constexpr int KeyRole = Qt::UserRole;
constexpr int SubscriberRole = Qt::UserRole + 1;
constexpr int RuleRole = Qt::UserRole + 2;
constexpr int CopiesRole = Qt::UserRole + 3;

const QString kAdded = QStringLiteral("-新增");
const QString kModified = QStringLiteral("-修改");

QString threeDigits(int n)
{
    return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
}

QTreeWidgetItem *node(QTreeWidgetItem *parent, const QString &key, const QString &text, int subscriber, int rule, int k)
{
    auto *item = new QTreeWidgetItem(parent, {text});
    // One picture per node kind: subscriber, class rule, distribution.
    const QStyle::StandardPixmap picture =
        k > 0 ? QStyle::SP_FileIcon : (rule >= 0 ? QStyle::SP_FileDialogListView : QStyle::SP_DirIcon);
    item->setIcon(0, QApplication::style()->standardIcon(picture));
    item->setData(0, KeyRole, key);
    item->setData(0, SubscriberRole, subscriber);
    item->setData(0, RuleRole, rule);
    item->setData(0, CopiesRole, k);
    return item;
}

} // namespace

AutoAssignCfgForm::AutoAssignCfgForm(AppContext &context, QWidget *parent)
    : QWidget(parent), context_(context), editor_(loadRuleSet(context.folders(), context.codePage())),
      bar_(new CommandBar(this, QStringLiteral("tbAutoAssignCfg"))), trvAutoAssignCfg_(new QTreeWidget(this)),
      lvwAutoAssignCfg_(new QTreeWidget(this)), lstLocationName_(new QListWidget(this)),
      lstLocationAll_(new QListWidget(this)), menu_(new QMenu(this))
{
    setObjectName(QStringLiteral("frmAutoAssignCfg"));
    setWindowTitle(QStringLiteral("新书自动分配规则设置"));
    if (loadLocationChoices(context_, locations_) < 0)
        context_.db().showDbError();
    chooseSubscriber_ = [this](const QString &caption, const QString &current) -> std::optional<QString> {
        QueryResult choices;
        if (loadSubscriberChoices(context_, choices) < 0) {
            context_.db().showDbError();
            return std::nullopt;
        }
        SubscriberDialog dialog(choices, caption, current, this);
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
    rebuildTree(QStringLiteral("Root"));
    if (const QString notice = unreadLinesNotice(editor_.rules()); !notice.isEmpty())
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
    connect(trvAutoAssignCfg_, &QTreeWidget::currentItemChanged, this, &AutoAssignCfgForm::showSelection);
    const QList<QPair<const char *, std::function<void()>>> menu = {{"mnuRightNewLibrary", [this] { newSubscriber(); }},
                                                                    {"mnuRightModifyLibrary", [this] { modifySubscriber(); }},
                                                                    {"mnuRightDeleteLibrary", [this] { deleteSubscriber(); }},
                                                                    {"mnuRightNewClass", [this] { newClass(); }},
                                                                    {"mnuRightModifyClass", [this] { modifyClass(); }},
                                                                    {"mnuRightDeleteClass", [this] { deleteClass(); }}};
    const QStringList texts = {QStringLiteral("新增订户"), QStringLiteral("修改订户"), QStringLiteral("删除订户"),
                               QStringLiteral("新增类别"), QStringLiteral("修改类别"), QStringLiteral("删除类别")};
    for (int i = 0; i < menu.size(); ++i) {
        QAction *action = menu_->addAction(texts.at(i), this, menu.at(i).second);
        action->setObjectName(QLatin1String(menu.at(i).first));
    }
    connect(trvAutoAssignCfg_, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        const QChar kind = current().kind;
        // New subscriber always; the subscriber's own items on a subscriber;
        // a new class under a subscriber or beside a class; a class's own on it.
        const bool onLibrary = kind == u'X';
        const bool onClass = kind == u'Y';
        const QList<bool> enabled = {true, onLibrary, onLibrary, onLibrary || onClass, onClass, onClass};
        const QList<QAction *> actions = menu_->actions();
        for (int i = 0; i < actions.size(); ++i)
            actions.at(i)->setEnabled(enabled.at(i));
        menu_->popup(trvAutoAssignCfg_->viewport()->mapToGlobal(at));
    });

    lvwAutoAssignCfg_->setObjectName(QStringLiteral("lvwAutoAssignCfg"));
    lvwAutoAssignCfg_->setRootIsDecorated(false);
    lvwAutoAssignCfg_->setHeaderLabels({QStringLiteral("订户"), QStringLiteral("分类说明"), QStringLiteral("分类号"),
                                        QStringLiteral("数量"), QStringLiteral("分配情况")});
    lstLocationName_->setObjectName(QStringLiteral("lstLocationName"));
    lstLocationAll_->setObjectName(QStringLiteral("lstLocationAll"));
    for (int r = 0; r < locations_.rowCount(); ++r) {
        auto *item = new QListWidgetItem(locations_.text(r, 1), lstLocationAll_);
        item->setData(Qt::UserRole, locations_.text(r, 0));
    }

    auto *buttons = new QVBoxLayout;
    const QList<QPair<const char *, QString>> names = {{"cmdAdd", QStringLiteral("<")},
                                                       {"cmdReduce", QStringLiteral(">")},
                                                       {"cmdAddMany", QStringLiteral("批量增加")},
                                                       {"cmdReduceMany", QStringLiteral("批量减少")},
                                                       {"cmdUp", QStringLiteral("上移")},
                                                       {"cmdDown", QStringLiteral("下移")}};
    const QList<std::function<void()>> acts = {[this] { changeOne(true); },  [this] { changeOne(false); },
                                               [this] { changeMany(true); }, [this] { changeMany(false); },
                                               [this] { moveClass(-1); },    [this] { moveClass(1); }};
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
    const QChar kind = current().kind;
    if (key == u"Save") {
        save();
    } else if (key == u"Expand") {
        trvAutoAssignCfg_->expandAll();
    } else if (key == u"New") {
        if (kind == u'R')
            newSubscriber();
        else if (kind == u'X' || kind == u'Y')
            newClass();
    } else if (key == u"Modify") {
        if (kind == u'X')
            modifySubscriber();
        else if (kind == u'Y')
            modifyClass();
    } else if (key == u"Delete") {
        if (kind == u'X')
            deleteSubscriber();
        else if (kind == u'Y')
            deleteClass();
    } else if (key == u"Cancel") {
        // Back to the file as saved.
        editor_ = RuleEditor(loadRuleSet(context_.folders(), context_.codePage()));
        bar_->setCommandEnabled(QStringLiteral("Save"), false);
        rebuildTree(QStringLiteral("Root"));
    } else if (key == u"InitStatus") {
        openInitialStatus();
    } else if (key == u"Exit") {
        closeForm(this);
    }
}

QString AutoAssignCfgForm::nameOf(const QString &code) const
{
    const int row = locations_.findRow(0, code);
    return row >= 0 ? locations_.text(row, 1) : code;
}

QString AutoAssignCfgForm::classKey(int subscriber, int rule) const
{
    return editor_.rules().subscribers.at(subscriber).code + u'Y' + QString::number(rule + 1);
}

void AutoAssignCfgForm::rebuildTree(const QString &selectKey)
{
    trvAutoAssignCfg_->clear();
    auto *root = new QTreeWidgetItem(trvAutoAssignCfg_, {context_.params().text(1)});
    root->setData(0, KeyRole, QStringLiteral("Root"));
    root->setIcon(0, style()->standardIcon(QStyle::SP_ComputerIcon));
    QTreeWidgetItem *chosen = root;
    const auto keep = [&chosen, &selectKey](QTreeWidgetItem *item) {
        if (item->data(0, KeyRole).toString() == selectKey)
            chosen = item;
    };
    const QList<SubscriberRules> &subscribers = editor_.rules().subscribers;
    for (int s = 0; s < subscribers.size(); ++s) {
        const SubscriberRules &sub = subscribers.at(s);
        QTreeWidgetItem *library = node(root, u'X' + sub.code, nameOf(sub.code), s, -1, 0);
        keep(library);
        for (int r = 0; r < sub.rules.size(); ++r) {
            const ClassRule &rule = sub.rules.at(r);
            QTreeWidgetItem *cls = node(library, classKey(s, r), rule.label + u'(' + rule.spec + u')', s, r, 0);
            keep(cls);
            for (int k = 1; k <= rule.maximum(); ++k) {
                QStringList names;
                for (const QString &code : rule.distributions.at(k - 1))
                    names << nameOf(code);
                keep(node(cls, classKey(s, r).replace(sub.code.size(), 1, u'Z') + u'(' + QString::number(k) + u')',
                          u'(' + threeDigits(k) + u')' + names.join(u','), s, r, k));
            }
        }
    }
    root->setExpanded(true);
    for (QTreeWidgetItem *up = chosen->parent(); up != nullptr; up = up->parent())
        up->setExpanded(true);
    trvAutoAssignCfg_->setCurrentItem(chosen);
    showSelection();
}

AutoAssignCfgForm::Node AutoAssignCfgForm::current() const
{
    const QTreeWidgetItem *item = trvAutoAssignCfg_->currentItem();
    if (item == nullptr || item->data(0, KeyRole).toString() == u"Root")
        return Node{u'R'};
    const int k = item->data(0, CopiesRole).toInt();
    const int rule = item->data(0, RuleRole).toInt();
    const QChar kind = k > 0 ? u'Z' : (rule >= 0 ? u'Y' : u'X');
    return Node{kind, item->data(0, SubscriberRole).toInt(), rule, k};
}

QString AutoAssignCfgForm::currentKey() const
{
    const QTreeWidgetItem *item = trvAutoAssignCfg_->currentItem();
    return item != nullptr ? item->data(0, KeyRole).toString() : QStringLiteral("Root");
}

void AutoAssignCfgForm::showSelection()
{
    const Node n = current();
    fillList(n);
    fillDistribution(n);
}

void AutoAssignCfgForm::fillList(const Node &n)
{
    lvwAutoAssignCfg_->clear();
    const auto row = [this](const QStringList &cells) { new QTreeWidgetItem(lvwAutoAssignCfg_, cells); };
    const QList<SubscriberRules> &subscribers = editor_.rules().subscribers;
    if (n.kind == u'R')
        row({QStringLiteral("(所有订户)")});
    else if (n.kind == u'X')
        row({nameOf(subscribers.at(n.subscriber).code), QStringLiteral("(所有类别)")});
    for (int s = 0; s < subscribers.size(); ++s) {
        if (n.kind != u'R' && s != n.subscriber)
            continue;
        const QString name = nameOf(subscribers.at(s).code);
        for (int r = 0; r < subscribers.at(s).rules.size(); ++r) {
            if ((n.kind == u'Y' || n.kind == u'Z') && r != n.rule)
                continue;
            const ClassRule &rule = subscribers.at(s).rules.at(r);
            if (n.kind == u'R' || n.kind == u'X') {
                row({name, rule.label, rule.spec, QString::number(rule.maximum()), QString()});
                continue;
            }
            if (n.kind == u'Y')
                row({name, rule.label, rule.spec, QStringLiteral("最大复本数：") + QString::number(rule.maximum()),
                     QStringLiteral("(所有复本分配情况)")});
            for (int k = 1; k <= rule.maximum(); ++k) {
                if (n.kind == u'Z' && k != n.k)
                    continue;
                QStringList names;
                for (const QString &code : rule.distributions.at(k - 1))
                    names << nameOf(code);
                row({name, rule.label, rule.spec, QString::number(k), names.join(u',')});
            }
        }
    }
}

void AutoAssignCfgForm::fillDistribution(const Node &n)
{
    lstLocationName_->clear();
    if (n.kind != u'Z')
        return;
    const QStringList &codes = editor_.distribution(n.subscriber, n.rule, n.k);
    for (qsizetype i = 0; i < codes.size();) {
        qsizetype end = i;
        while (end < codes.size() && codes.at(end) == codes.at(i))
            ++end;
        auto *item = new QListWidgetItem(threeDigits(int(end - i)) + nameOf(codes.at(i)), lstLocationName_);
        item->setData(Qt::UserRole, codes.at(i));
        i = end;
    }
}

void AutoAssignCfgForm::changed(const QString &selectKey)
{
    bar_->setCommandEnabled(QStringLiteral("Save"), true);
    rebuildTree(selectKey);
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
    if (code && !refused(editor_.addSubscriber(*code)))
        changed(u'X' + *code);
}

void AutoAssignCfgForm::modifySubscriber()
{
    const Node n = current();
    if (n.kind != u'X')
        return;
    const std::optional<QString> code = chooseSubscriber_(kModified, editor_.rules().subscribers.at(n.subscriber).code);
    if (code && !refused(editor_.changeSubscriber(n.subscriber, *code)))
        changed(u'X' + *code);
}

void AutoAssignCfgForm::deleteSubscriber()
{
    const Node n = current();
    if (n.kind != u'X')
        return;
    editor_.removeSubscriber(n.subscriber);
    changed(QStringLiteral("Root"));
}

void AutoAssignCfgForm::newClass()
{
    const Node n = current();
    if (n.kind != u'X' && n.kind != u'Y')
        return;
    const std::optional<ClassInput> in = editClass_(kAdded, ClassInput{});
    if (!in)
        return;
    editor_.addClass(n.subscriber, in->label, in->all ? QStringLiteral("*") : in->spec, in->maximum.toInt());
    changed(classKey(n.subscriber, int(editor_.rules().subscribers.at(n.subscriber).rules.size()) - 1));
}

void AutoAssignCfgForm::modifyClass()
{
    const Node n = current();
    if (n.kind != u'Y')
        return;
    const ClassRule &rule = editor_.rules().subscribers.at(n.subscriber).rules.at(n.rule);
    const std::optional<ClassInput> in =
        editClass_(kModified, ClassInput{rule.label, rule.spec, QString::number(rule.maximum()), rule.spec == u"*"});
    if (!in)
        return;
    editor_.changeClass(n.subscriber, n.rule, in->label, in->all ? QStringLiteral("*") : in->spec, in->maximum.toInt());
    changed(classKey(n.subscriber, n.rule));
}

void AutoAssignCfgForm::deleteClass()
{
    const Node n = current();
    if (n.kind != u'Y')
        return;
    editor_.removeClass(n.subscriber, n.rule);
    changed(u'X' + editor_.rules().subscribers.at(n.subscriber).code);
}

void AutoAssignCfgForm::moveClass(int step)
{
    const Node n = current();
    if ((n.kind == u'Y' || n.kind == u'Z') && editor_.moveClass(n.subscriber, n.rule, step))
        changed(classKey(n.subscriber, n.rule + step));
}

// cmdAdd gives the distribution one more of the location chosen in
// lstLocationAll, cmdReduce takes one of the line chosen in lstLocationName.
void AutoAssignCfgForm::changeOne(bool add)
{
    const Node n = current();
    const QListWidgetItem *item = add ? lstLocationAll_->currentItem() : lstLocationName_->currentItem();
    if (n.kind != u'Z' || item == nullptr)
        return;
    const QString code = item->data(Qt::UserRole).toString();
    const QString message = add ? editor_.addLocation(n.subscriber, n.rule, n.k, code)
                                : editor_.removeLocation(n.subscriber, n.rule, n.k, code);
    if (!refused(message))
        changed(currentKey());
}

void AutoAssignCfgForm::changeMany(bool add)
{
    const Node n = current();
    const QListWidgetItem *item = add ? lstLocationAll_->currentItem() : lstLocationName_->currentItem();
    if (n.kind != u'Z' || item == nullptr)
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
    const QString code = item->data(Qt::UserRole).toString();
    const QString message = add ? editor_.addLocation(n.subscriber, n.rule, n.k, code, count)
                                : editor_.removeLocation(n.subscriber, n.rule, n.k, code, count);
    if (!refused(message))
        changed(currentKey());
}

bool AutoAssignCfgForm::save()
{
    QString error;
    if (!editor_.save(context_.folders(), context_.codePage(), &error)) {
        context_.showMsg(QStringLiteral("E自动分配规则文件写入失败：") + error);
        return false;
    }
    bar_->setCommandEnabled(QStringLiteral("Save"), false);
    reloadAssignSettings(context_);
    return true;
}

void AutoAssignCfgForm::openInitialStatus()
{
    InitialStatusDialog dialog(context_, locations_, this);
    if (dialog.exec() == QDialog::Accepted)
        reloadAssignSettings(context_);
}

void AutoAssignCfgForm::closeEvent(QCloseEvent *event)
{
    if (editor_.isModified() && context_.showMsg(QStringLiteral("Q自动分配规则已被修改，是否保存？")) == AnswerOk &&
        !save()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace kestra
