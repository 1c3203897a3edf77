#include "assign/AssignRules.h"

namespace kestra {

namespace {

// The leading decimal number of a text ("12.5/3" -> 12.5); nothing when the
// text does not begin with a digit, so that a letter class never falls into
// a numeric range as zero.
std::optional<double> leadingNumber(const QString &text)
{
    qsizetype end = 0;
    while (end < text.size() && text.at(end).isDigit())
        ++end;
    if (end == 0)
        return std::nullopt;
    if (end + 1 < text.size() && text.at(end) == u'.' && text.at(end + 1).isDigit()) {
        end += 2;
        while (end < text.size() && text.at(end).isDigit())
            ++end;
    }
    return text.left(end).toDouble();
}

bool elementMatches(const QString &element, const QString &classNumber)
{
    const QChar sep = element.contains(u'~') ? u'~' : u'-';
    const qsizetype at = element.indexOf(sep);
    if (at > 0 && at < element.size() - 1) {
        const QString low = element.left(at);
        const QString high = element.mid(at + 1);
        if (element.at(0).isDigit() && element.at(0).unicode() < 128) {
            const auto value = leadingNumber(classNumber);
            const auto lo = leadingNumber(low);
            const auto hi = leadingNumber(high);
            return value && lo && hi && *lo <= *value && *value <= *hi;
        }
        return low <= classNumber && classNumber <= high;
    }
    return classNumber.startsWith(element);
}

const QString kLineEnd = QStringLiteral("\r\n");

} // namespace

std::optional<ClassRule> parseRuleLine(const QString &line)
{
    QStringList fields;
    qsizetype at = 0;
    while (at < line.size()) {
        if (line.at(at) != u'<')
            return std::nullopt;
        const qsizetype close = line.indexOf(u'>', at + 1);
        if (close < 0)
            return std::nullopt;
        fields.append(line.mid(at + 1, close - at - 1));
        at = close + 1;
    }
    if (fields.size() < 2)
        return std::nullopt;
    ClassRule rule{fields.at(0), fields.at(1), {}};
    for (qsizetype i = 2; i < fields.size(); ++i)
        rule.distributions.append(fields.at(i).isEmpty() ? QStringList() : fields.at(i).split(u','));
    return rule;
}

AssignRuleSet ruleSetFromGroups(const AssignGroups &groups)
{
    AssignRuleSet set;
    set.present = groups.hadLines;
    set.skippedLines = groups.orphanLines;
    for (const LocationGroup &group : groups.groups) {
        SubscriberRules subscriber{group.name, {}};
        for (const QString &line : group.members) {
            if (auto rule = parseRuleLine(line))
                subscriber.rules.append(*rule);
            else
                ++set.skippedLines;
        }
        set.subscribers.append(subscriber);
    }
    return set;
}

AssignRuleSet parseRuleSet(const QString &text)
{
    AssignRuleSet set;
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not a blank line
    QStringList pending;    // kept lines waiting for the rule they stand above
    const auto settlePending = [&set, &pending] {
        if (set.subscribers.isEmpty())
            set.leadingLines += pending;
        else
            set.subscribers.last().linesAfter += pending;
        pending.clear();
    };
    for (QString line : std::as_const(lines)) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            set.present = true;
        if (trimmed.startsWith(u'[')) {
            settlePending();
            // The code is the line without its first and last character; a
            // lone "[" opens a section with an empty code.
            set.subscribers.append(
                SubscriberRules{trimmed.size() > 1 ? trimmed.mid(1, trimmed.size() - 2) : QString(), {}});
            continue;
        }
        std::optional<ClassRule> rule;
        if (!trimmed.isEmpty() && !set.subscribers.isEmpty())
            rule = parseRuleLine(trimmed);
        if (rule) {
            rule->linesBefore = pending;
            pending.clear();
            set.subscribers.last().rules.append(*rule);
            continue;
        }
        pending.append(line);
        if (!trimmed.isEmpty())
            ++set.skippedLines;
    }
    settlePending();
    return set;
}

AssignRuleSet loadRuleSet(const InstallFolders &folders, const CodePage &cp)
{
    return parseRuleSet(readSettingsText(ruleFilePath(folders), cp));
}

QStringList unreadLines(const AssignRuleSet &rules)
{
    QStringList lines;
    const auto take = [&lines](const QStringList &kept) {
        for (const QString &line : kept) {
            if (!line.trimmed().isEmpty())
                lines.append(line);
        }
    };
    take(rules.leadingLines);
    for (const SubscriberRules &subscriber : rules.subscribers) {
        for (const ClassRule &rule : subscriber.rules)
            take(rule.linesBefore);
        take(subscriber.linesAfter);
    }
    return lines;
}

QString unreadLinesNotice(const AssignRuleSet &rules)
{
    const QStringList lines = unreadLines(rules);
    if (lines.isEmpty())
        return {};
    QString text =
        QStringLiteral("I自动分配规则文件中有%1行无法识别，分配时不使用，保存时原样保留：").arg(lines.size());
    for (qsizetype i = 0; i < lines.size() && i < 3; ++i)
        text += u'\n' + lines.at(i).trimmed();
    if (lines.size() > 3)
        text += QStringLiteral("\n……");
    return text;
}

QString formatRuleSet(const AssignRuleSet &rules)
{
    QString text;
    const auto keep = [&text](const QStringList &lines) {
        for (const QString &line : lines)
            text += line + kLineEnd;
    };
    keep(rules.leadingLines);
    for (const SubscriberRules &subscriber : rules.subscribers) {
        text += u'[' + subscriber.code + u']' + kLineEnd;
        for (const ClassRule &rule : subscriber.rules) {
            keep(rule.linesBefore);
            text += u'<' + rule.label + u'>' + u'<' + rule.spec + u'>';
            for (const QStringList &codes : rule.distributions)
                text += u'<' + codes.join(u',') + u'>';
            text += kLineEnd;
        }
        keep(subscriber.linesAfter);
    }
    return text;
}

QString formatInitialStatus(const InitialStatusTable &table)
{
    QString text;
    for (const InitialStatus &row : table.rows)
        text += row.location + u',' + row.status + u',' + (row.release.isEmpty() ? QStringLiteral("0") : row.release) +
                kLineEnd;
    return text;
}

QString checkInitialStatus(const InitialStatusTable &table)
{
    QStringList seen;
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        const InitialStatus &row = table.rows.at(r);
        const QString line = QString::number(r + 1);
        if (row.location.trimmed().isEmpty())
            return QStringLiteral("E第%1行没有选择馆藏地！").arg(line);
        if (row.status.trimmed().isEmpty())
            return QStringLiteral("E第%1行没有选择状态！").arg(line);
        if (seen.contains(row.location))
            return QStringLiteral("E第%1行的馆藏地%2重复！").arg(line, row.location);
        seen.append(row.location);
    }
    return {};
}

QString classNumberOf(const QString &callNo, const QString &separator)
{
    if (separator.isEmpty())
        return callNo;
    const qsizetype at = callNo.indexOf(separator.at(0));
    return at < 0 ? callNo : callNo.left(at);
}

bool classSpecMatches(const QString &spec, const QString &classNumber)
{
    if (spec == u"*")
        return true;
    for (const QString &element : spec.split(u',')) {
        if (element.isEmpty())
            return false;
        if (elementMatches(element, classNumber))
            return true;
    }
    return false;
}

} // namespace kestra
