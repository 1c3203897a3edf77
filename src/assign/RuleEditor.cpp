#include "assign/RuleEditor.h"

#include "assign/AssignSettings.h"
#include "core/AppContext.h"
#include "core/Session.h"

namespace kestra {

namespace {

const QString kTooMany = QStringLiteral("I超过最大复本数！请重新增加");
const QString kRootKey = QStringLiteral("Root");

QString threeDigits(int n)
{
    return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
}

QList<Column<QStringList>> ruleListColumns()
{
    QList<Column<QStringList>> columns;
    const QStringList headings = {QStringLiteral("订户"), QStringLiteral("分类说明"), QStringLiteral("分类号"),
                                  QStringLiteral("数量"), QStringLiteral("分配情况")};
    for (int i = 0; i < headings.size(); ++i)
        columns.append({headings.at(i), [i](const QStringList &row) { return row.value(i); }});
    return columns;
}

} // namespace

int RuleEditor::indexOf(const QString &code) const
{
    for (int i = 0; i < rules_.subscribers.size(); ++i) {
        if (rules_.subscribers.at(i).code == code)
            return i;
    }
    return -1;
}

QString RuleEditor::addSubscriber(const QString &code)
{
    // A second section of the same code would never be used.
    if (indexOf(code) >= 0)
        return QStringLiteral("I该订户已经存在！");
    rules_.subscribers.append(SubscriberRules{code, {}});
    modified_ = true;
    return {};
}

QString RuleEditor::changeSubscriber(int subscriber, const QString &code)
{
    const int existing = indexOf(code);
    if (existing >= 0 && existing != subscriber)
        return QStringLiteral("I该订户已经存在！");
    rules_.subscribers[subscriber].code = code;
    modified_ = true;
    return {};
}

void RuleEditor::removeSubscriber(int subscriber)
{
    rules_.subscribers.removeAt(subscriber);
    modified_ = true;
}

QString RuleEditor::checkClass(const QString &label, const QString &spec, const QString &maximum, bool all)
{
    if (all && (label.isEmpty() || maximum.isEmpty()))
        return QStringLiteral("I类别标识，最大复本数均不能为空！");
    if (!all && (label.isEmpty() || spec.isEmpty() || maximum.isEmpty()))
        return QStringLiteral("I类别标识，类别代码，最大复本数均不能为空！");
    // The file keeps each field between "<" and ">": either inside one would
    // cut the line into other fields when it is read back.
    for (const QString &text : {label, spec}) {
        if (text.contains(u'<') || text.contains(u'>'))
            return QStringLiteral("I类别标识和类别代码中不能含有“<”或“>”！");
    }
    bool ok = false;
    const int max = maximum.toInt(&ok);
    if (!ok || max < 0)
        return QStringLiteral("I输入必须是数字，请重新增加。");
    if (max == 0)
        return QStringLiteral("I最大复本数不能为零！");
    return {};
}

QString RuleEditor::addClass(int subscriber, const QString &label, const QString &spec, int maximum)
{
    ClassRule rule{label, spec, {}};
    rule.distributions.resize(maximum);
    rules_.subscribers[subscriber].rules.append(rule);
    modified_ = true;
    return {};
}

QString RuleEditor::changeClass(int subscriber, int rule, const QString &label, const QString &spec, int maximum)
{
    ClassRule &r = rules_.subscribers[subscriber].rules[rule];
    r.label = label;
    r.spec = spec;
    r.distributions.resize(maximum);
    modified_ = true;
    return {};
}

void RuleEditor::removeClass(int subscriber, int rule)
{
    // The lines above the rule that were not understood are no part of it:
    // they stay where they stood, above the next rule.
    SubscriberRules &section = rules_.subscribers[subscriber];
    const QStringList kept = section.rules.at(rule).linesBefore;
    if (rule + 1 < section.rules.size())
        section.rules[rule + 1].linesBefore = kept + section.rules.at(rule + 1).linesBefore;
    else
        section.linesAfter = kept + section.linesAfter;
    section.rules.removeAt(rule);
    modified_ = true;
}

bool RuleEditor::moveClass(int subscriber, int rule, int step)
{
    QList<ClassRule> &list = rules_.subscribers[subscriber].rules;
    const int other = rule + step;
    if (other < 0 || other >= list.size())
        return false;
    list.swapItemsAt(rule, other);
    modified_ = true;
    return true;
}

const QStringList &RuleEditor::distribution(int subscriber, int rule, int k) const
{
    return rules_.subscribers.at(subscriber).rules.at(rule).distributions.at(k - 1);
}

QStringList &RuleEditor::codes(int subscriber, int rule, int k)
{
    return rules_.subscribers[subscriber].rules[rule].distributions[k - 1];
}

// The distribution for k copies places k copies: more entries would never
// be used, so k is its limit.
QString RuleEditor::addLocation(int subscriber, int rule, int k, const QString &code, int count)
{
    QStringList &list = codes(subscriber, rule, k);
    if (count == 1 && list.size() >= k)
        return QStringLiteral("I已经达到最大复本数！");
    if (list.size() + count > k)
        return kTooMany;
    // Equal codes stay together, so the list shows one counted line each.
    qsizetype at = list.lastIndexOf(code);
    at = at < 0 ? list.size() : at + 1;
    for (int i = 0; i < count; ++i)
        list.insert(at, code);
    modified_ = true;
    return {};
}

QString RuleEditor::removeLocation(int subscriber, int rule, int k, const QString &code, int count)
{
    QStringList &list = codes(subscriber, rule, k);
    if (list.count(code) < count)
        return kTooMany;
    for (int i = 0; i < count; ++i)
        list.removeAt(list.lastIndexOf(code));
    modified_ = true;
    return {};
}

bool RuleEditor::save(const InstallFolders &folders, const CodePage &cp, QString *error)
{
    if (!writeSettingsText(ruleFilePath(folders), formatRuleSet(rules_), cp, error))
        return false;
    modified_ = false;
    return true;
}

RuleTree::RuleTree(AppContext &context)
    : context_(context), editor_(loadRuleSet(context.folders(), context.codePage())), list_(ruleListColumns(), false)
{
    if (loadLocationChoices(context_, locations_) < 0)
        context_.db().showDbError();
    rebuild(kRootKey);
}

QString RuleTree::nameOf(const QString &code) const
{
    const int row = locations_.findRow(0, code);
    return row >= 0 ? locations_.text(row, 1) : code;
}

std::optional<QueryResult> RuleTree::subscriberChoices()
{
    QueryResult choices;
    if (loadSubscriberChoices(context_, choices) < 0) {
        context_.db().showDbError();
        return std::nullopt;
    }
    return choices;
}

// A subscriber's section as the keys name it: its code, and its place as
// well when an earlier section has the same code (a file may repeat a
// section, and every one is tried), so that no two nodes share a key.
QString RuleTree::sectionId(int subscriber) const
{
    const QList<SubscriberRules> &subscribers = editor_.rules().subscribers;
    const QString &code = subscribers.at(subscriber).code;
    for (int s = 0; s < subscriber; ++s) {
        if (subscribers.at(s).code == code)
            return code + u'#' + QString::number(subscriber + 1);
    }
    return code;
}

QString RuleTree::classKey(int subscriber, int rule) const
{
    return sectionId(subscriber) + u'Y' + QString::number(rule + 1);
}

// The keys: "Root", "X" and the subscriber's code, the code, "Y" and the
// rule's place, the code, "Z", the place and "(k)".
void RuleTree::rebuild(const QString &selectKey)
{
    nodes_.clear();
    TreeNode root{kRootKey, context_.params().text(1), Root};
    nodes_.insert(kRootKey, Node{});
    const QList<SubscriberRules> &subscribers = editor_.rules().subscribers;
    for (int s = 0; s < subscribers.size(); ++s) {
        const SubscriberRules &sub = subscribers.at(s);
        const QString id = sectionId(s);
        TreeNode library{u'X' + id, nameOf(sub.code), Subscriber};
        nodes_.insert(library.key, Node{Subscriber, s});
        for (int r = 0; r < sub.rules.size(); ++r) {
            const ClassRule &rule = sub.rules.at(r);
            TreeNode cls{classKey(s, r), rule.label + u'(' + rule.spec + u')', Class};
            nodes_.insert(cls.key, Node{Class, s, r});
            for (int k = 1; k <= rule.maximum(); ++k) {
                QStringList names;
                for (const QString &code : rule.distributions.at(k - 1))
                    names << nameOf(code);
                TreeNode copies{id + u'Z' + QString::number(r + 1) + u'(' + QString::number(k) + u')',
                                u'(' + threeDigits(k) + u')' + names.join(u','), Distribution};
                nodes_.insert(copies.key, Node{Distribution, s, r, k});
                cls.children.append(copies);
            }
            library.children.append(cls);
        }
        root.children.append(library);
    }
    tree_.reset({root});
    select(selectKey);
}

void RuleTree::select(const QString &key)
{
    selected_ = nodes_.contains(key) ? key : kRootKey;
    fillList();
}

void RuleTree::fillList()
{
    QList<QStringList> rows;
    const Node n = node();
    const QList<SubscriberRules> &subscribers = editor_.rules().subscribers;
    if (n.kind == Root)
        rows.append({QStringLiteral("(所有订户)")});
    else if (n.kind == Subscriber)
        rows.append({nameOf(subscribers.at(n.subscriber).code), QStringLiteral("(所有类别)")});
    for (int s = 0; s < subscribers.size(); ++s) {
        if (n.kind != Root && s != n.subscriber)
            continue;
        const QString name = nameOf(subscribers.at(s).code);
        for (int r = 0; r < subscribers.at(s).rules.size(); ++r) {
            if ((n.kind == Class || n.kind == Distribution) && r != n.rule)
                continue;
            const ClassRule &rule = subscribers.at(s).rules.at(r);
            if (n.kind == Root || n.kind == Subscriber) {
                rows.append({name, rule.label, rule.spec, QString::number(rule.maximum()), QString()});
                continue;
            }
            if (n.kind == Class)
                rows.append({name, rule.label, rule.spec,
                             QStringLiteral("最大复本数：") + QString::number(rule.maximum()),
                             QStringLiteral("(所有复本分配情况)")});
            for (int k = 1; k <= rule.maximum(); ++k) {
                if (n.kind == Distribution && k != n.k)
                    continue;
                QStringList names;
                for (const QString &code : rule.distributions.at(k - 1))
                    names << nameOf(code);
                rows.append({name, rule.label, rule.spec, QString::number(k), names.join(u',')});
            }
        }
    }
    list_.reset(rows);
}

QList<CodeChoice> RuleTree::distributionLines() const
{
    const Node n = node();
    if (n.kind != Distribution)
        return {};
    QList<CodeChoice> lines;
    const QStringList &codes = editor_.distribution(n.subscriber, n.rule, n.k);
    for (qsizetype i = 0; i < codes.size();) {
        qsizetype end = i;
        while (end < codes.size() && codes.at(end) == codes.at(i))
            ++end;
        lines.append({codes.at(i), threeDigits(int(end - i)) + nameOf(codes.at(i))});
        i = end;
    }
    return lines;
}

QString RuleTree::addSubscriber(const QString &code)
{
    const QString message = editor_.addSubscriber(code);
    if (message.isEmpty())
        rebuild(u'X' + code);
    return message;
}

QString RuleTree::changeSubscriber(const QString &code)
{
    const Node n = node();
    if (n.kind != Subscriber)
        return {};
    const QString message = editor_.changeSubscriber(n.subscriber, code);
    if (message.isEmpty())
        rebuild(u'X' + code);
    return message;
}

void RuleTree::removeSubscriber()
{
    const Node n = node();
    if (n.kind != Subscriber)
        return;
    editor_.removeSubscriber(n.subscriber);
    rebuild(kRootKey);
}

void RuleTree::addClass(const QString &label, const QString &spec, int maximum)
{
    const Node n = node();
    if (n.kind != Subscriber && n.kind != Class)
        return;
    editor_.addClass(n.subscriber, label, spec, maximum);
    rebuild(classKey(n.subscriber, int(editor_.rules().subscribers.at(n.subscriber).rules.size()) - 1));
}

void RuleTree::changeClass(const QString &label, const QString &spec, int maximum)
{
    const Node n = node();
    if (n.kind != Class)
        return;
    editor_.changeClass(n.subscriber, n.rule, label, spec, maximum);
    rebuild(classKey(n.subscriber, n.rule));
}

void RuleTree::removeClass()
{
    const Node n = node();
    if (n.kind != Class)
        return;
    editor_.removeClass(n.subscriber, n.rule);
    rebuild(u'X' + sectionId(n.subscriber));
}

bool RuleTree::moveClass(int step)
{
    const Node n = node();
    if ((n.kind != Class && n.kind != Distribution) || !editor_.moveClass(n.subscriber, n.rule, step))
        return false;
    rebuild(classKey(n.subscriber, n.rule + step));
    return true;
}

QString RuleTree::changeLocation(const QString &code, int count, bool add)
{
    const Node n = node();
    if (n.kind != Distribution)
        return {};
    const QString message = add ? editor_.addLocation(n.subscriber, n.rule, n.k, code, count)
                                : editor_.removeLocation(n.subscriber, n.rule, n.k, code, count);
    if (message.isEmpty())
        rebuild(selected_);
    return message;
}

bool RuleTree::save(QString *error)
{
    if (!editor_.save(context_.folders(), context_.codePage(), error))
        return false;
    reloadAssignSettings(context_);
    return true;
}

void RuleTree::revert()
{
    editor_ = RuleEditor(loadRuleSet(context_.folders(), context_.codePage()));
    rebuild(kRootKey);
}

} // namespace kestra
