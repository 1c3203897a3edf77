#include "assign/AutoAssign.h"

#include "copies/ItemCodes.h"

namespace kestra {

namespace {

// The special states whose copies only their own processing forms may
// change: repair, damaged, weeded, given, exchanged, lost, paid for, at
// the binder's, declared lost. Told by the code: the name a grid shows
// depends on where its rows came from.
constexpr const char16_t *kLockedStatuses[] = {u"33", u"34", u"35", u"36", u"37", u"38", u"39", u"3A", u"3B"};
constexpr const char16_t *kLockedNames[] = {u"书刊修补", u"破损报废", u"剔旧报废", u"赠送出",  u"交换出",
                                            u"丢失",     u"遗失赔偿", u"下架装订", u"声明丢失"};

bool isLocked(const AssignCopy &copy)
{
    const QString code = copy.status.trimmed();
    if (!code.isEmpty()) {
        for (const char16_t *locked : kLockedStatuses) {
            if (code.compare(QString::fromUtf16(locked), Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }
    // A row without a code has its name only.
    for (const char16_t *name : kLockedNames) {
        if (copy.statusName.contains(QString::fromUtf16(name)))
            return true;
    }
    return false;
}

// The first rule that covers the class number among the sections of the
// subscriber, in file order: a section repeated by hand is tried after the
// one before it, and the earlier rule in the file wins.
const ClassRule *matchingRule(const AssignRuleSet &rules, const QString &subscriber, const QString &classNumber)
{
    for (const SubscriberRules &section : rules.subscribers) {
        if (section.code != subscriber)
            continue;
        for (const ClassRule &rule : section.rules) {
            if (classSpecMatches(rule.spec, classNumber))
                return &rule;
        }
    }
    return nullptr;
}

void placeRuns(QList<AssignCopy> &copies, const AutoAssignTables &tables)
{
    qsizetype begin = 0;
    while (begin < copies.size()) {
        qsizetype end = begin + 1;
        while (end < copies.size() && copies.at(end).subscriber == copies.at(begin).subscriber)
            ++end;
        const AssignCopy &first = copies.at(begin);
        const ClassRule *rule =
            matchingRule(tables.rules, first.subscriber, classNumberOf(first.callNo, tables.separator));
        if (rule != nullptr) {
            const QStringList codes = distributionFor(*rule, int(end - begin));
            for (qsizetype i = begin, next = 0; i < end && next < codes.size(); ++i, ++next)
                copies[i].location = codes.at(next);
        }
        begin = end;
    }
}

void applyStatus(QList<AssignCopy> &copies, const InitialStatusTable &table)
{
    for (AssignCopy &copy : copies) {
        for (const InitialStatus &entry : table.rows) {
            if (entry.location == copy.location) {
                copy.status = entry.status;
                copy.statusName = item_status::name(entry.status);
                copy.release = entry.release.trimmed().toInt() == 1;
                break;
            }
        }
    }
}

} // namespace

QStringList distributionFor(const ClassRule &rule, int copies)
{
    if (rule.distributions.isEmpty() || copies < 1)
        return {};
    return rule.distributions.at(qMin(copies, rule.maximum()) - 1);
}

QString autoAssign(QList<AssignCopy> &copies, const AutoAssignTables &tables)
{
    for (const AssignCopy &copy : copies) {
        if (isLocked(copy))
            return QStringLiteral("I有书处于不可修改状态，请在书刊特别状态处理模块中处理该书！");
    }
    for (const AssignCopy &copy : copies) {
        if (tables.mayProcess && !tables.mayProcess(copy.location))
            return QStringLiteral("W该种书包含不可处理馆藏地，无法操作。");
    }
    if (tables.rules.present)
        placeRuns(copies, tables);
    if (!tables.status.rows.isEmpty())
        applyStatus(copies, tables.status);
    return {};
}

} // namespace kestra
