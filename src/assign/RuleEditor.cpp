#include "assign/RuleEditor.h"

namespace kestra {

namespace {

const QString kTooMany = QStringLiteral("I超过最大复本数！请重新增加");

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

} // namespace kestra
