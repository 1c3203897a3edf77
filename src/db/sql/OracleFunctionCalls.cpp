// The rewrites of Oracle function calls, name(args) with a bare name.

#include "db/sql/OracleFormat.h"
#include "db/sql/OracleTranslator.h"

namespace kestra::sqlx {

namespace {

enum class Fn {
    None,
    Nvl,
    Nvl2,
    Decode,
    Substr,
    Instr,
    Lengthb,
    Trim,
    Ltrim,
    Rtrim,
    Lpad,
    Rpad,
    Upper,
    Lower,
    Trunc,
    Round,
    Mod,
    ToChar,
    ToDate,
    ToNumber,
    Dump,
    Unistr,
    Concat,
    Replace,
};

Fn lookup(QStringView name)
{
    struct Entry {
        const char *name;
        Fn fn;
    };
    static const Entry table[] = {
        {"nvl", Fn::Nvl},        {"nvl2", Fn::Nvl2},       {"decode", Fn::Decode},      {"substr", Fn::Substr},
        {"instr", Fn::Instr},    {"lengthb", Fn::Lengthb}, {"trim", Fn::Trim},          {"ltrim", Fn::Ltrim},
        {"rtrim", Fn::Rtrim},    {"lpad", Fn::Lpad},       {"rpad", Fn::Rpad},          {"upper", Fn::Upper},
        {"lower", Fn::Lower},    {"trunc", Fn::Trunc},     {"round", Fn::Round},        {"mod", Fn::Mod},
        {"to_char", Fn::ToChar}, {"to_date", Fn::ToDate},  {"to_number", Fn::ToNumber}, {"dump", Fn::Dump},
        {"unistr", Fn::Unistr},  {"concat", Fn::Concat},   {"replace", Fn::Replace},
    };
    if (name.size() < 3 || name.size() > 9)
        return Fn::None;
    for (const Entry &e : table) {
        if (name.compare(QLatin1StringView(e.name), Qt::CaseInsensitive) == 0)
            return e.fn;
    }
    return Fn::None;
}

// The translated arguments of a call.
struct Args {
    QStringList text;
    std::vector<bool> simple;   // one operand: no parentheses needed around it
    std::vector<bool> plain;    // a literal or NULL
    std::vector<bool> nullWord; // the NULL keyword (or '' rewritten to it)
    std::vector<int> first;     // the argument's first node
    int count() const { return static_cast<int>(text.size()); }
};

// PostgreSQL's date_trunc unit for an Oracle date format unit; empty for
// one it has none for.
QString postgresDateUnit(const QString &oracleUnit)
{
    const QString u = oracleUnit.trimmed().toUpper();
    if (u == u"DD" || u == u"DDD" || u == u"J")
        return QStringLiteral("day");
    if (u == u"MM" || u == u"MON" || u == u"MONTH")
        return QStringLiteral("month");
    if (u == u"YYYY" || u == u"YEAR" || u == u"YY" || u == u"Y" || u == u"RRRR")
        return QStringLiteral("year");
    if (u == u"HH" || u == u"HH24" || u == u"HH12")
        return QStringLiteral("hour");
    if (u == u"MI")
        return QStringLiteral("minute");
    return {};
}

QString paren(const Args &a, int k)
{
    return a.simple[k] ? a.text[k] : u'(' + a.text[k] + u')';
}

QString joined(const Args &a, int from = 0)
{
    return a.text.mid(from).join(u", ");
}

} // namespace

bool Translator::emitFunctionCall(Level &level, int i, QString &out)
{
    const SqlNode &nameNode = level.nodes[i];
    const SqlNode &group = level.nodes[i + 1];
    const Fn fn = lookup(text(nameNode));
    if (fn == Fn::None || group.close < 0 || level.skipped(i + 1))
        return false;
    const bool sqlite = target_ == SqlDialect::Sqlite;
    if (!sqlite && (fn == Fn::Upper || fn == Fn::Lower || fn == Fn::Unistr))
        return false; // native on PostgreSQL

    Level inner(group.children);
    prepareLevel(inner);

    // The argument ranges and what each is, before anything is translated:
    // a call the rewrite declines must not have been translated already.
    struct Range {
        int from;
        int to;
    };
    std::vector<Range> ranges;
    bool trimFrom = false;
    int from = 0;
    for (int k = 0; k <= inner.size(); ++k) {
        if (k < inner.size() && !(isKind(inner.nodes[k], SqlToken::Comma) && !inner.skipped(k))) {
            trimFrom = trimFrom || isWord(inner.nodes[k], QLatin1StringView("FROM"));
            continue;
        }
        if (k == inner.size() && from == k && ranges.empty())
            break; // f()
        ranges.push_back({from, k});
        from = k + 1;
    }
    const int n = static_cast<int>(ranges.size());
    auto literalAt = [&](int k) -> const SqlToken * {
        const Range &r = ranges[k];
        if (r.to != r.from + 1 || inner.nodes[r.from].group)
            return nullptr;
        const SqlToken &t = token(inner.nodes[r.from]);
        return t.kind == SqlToken::String && !t.unterminated ? &t : nullptr;
    };
    OracleFormatKind formatKind = OracleFormatKind::Unknown;
    if (fn == Fn::ToChar && n == 2 && literalAt(1))
        formatKind = classifyOracleFormat(sqlStringValue(sql_, *literalAt(1)));

    bool accepted = false;
    switch (fn) {
    case Fn::None:
        break;
    case Fn::Nvl:
    case Fn::Mod:
    case Fn::Concat:
        accepted = n == 2;
        break;
    case Fn::Nvl2:
        accepted = n == 3;
        break;
    case Fn::Decode:
        accepted = n >= 3;
        break;
    case Fn::Substr:
    case Fn::Lpad:
    case Fn::Rpad:
    case Fn::Replace:
        accepted = n == 2 || n == 3;
        break;
    case Fn::Instr:
        accepted = n >= 2 && n <= 4;
        break;
    case Fn::Lengthb:
    case Fn::Upper:
    case Fn::Lower:
    case Fn::Unistr:
    case Fn::Trim:
        accepted = n == 1;
        break;
    case Fn::Ltrim:
    case Fn::Rtrim:
    case Fn::Trunc:
    case Fn::Round:
    case Fn::ToDate:
    case Fn::Dump:
        accepted = n == 1 || n == 2;
        break;
    case Fn::ToChar:
        accepted = sqlite ? n >= 1 && n <= 3 : n == 1 || (n == 2 && formatKind != OracleFormatKind::Unknown);
        break;
    case Fn::ToNumber:
        accepted = sqlite ? n == 1 || n == 2 : n == 1;
        break;
    }
    if (!accepted)
        return false;

    Args a;
    const bool trimSyntax = fn == Fn::Trim && trimFrom;
    for (const Range &r : ranges) {
        if (trimSyntax)
            break; // TRIM(... FROM ...) is taken apart below
        a.text.append(rangeText(inner, r.from, r.to));
        a.first.push_back(r.from);
        a.simple.push_back(unitEnd(inner, r.from, r.to) == r.to);
        const bool single = r.to == r.from + 1 && !inner.nodes[r.from].group;
        const SqlToken *t = single ? &token(inner.nodes[r.from]) : nullptr;
        const bool isNull =
            t && (t->is(sql_, QLatin1StringView("NULL")) ||
                  (t->kind == SqlToken::String && !t->unterminated && sqlStringValue(sql_, *t).isEmpty()));
        a.nullWord.push_back(isNull);
        a.plain.push_back(isNull || (t && t->kind == SqlToken::String && !t->unterminated));
    }
    if (!inner.tail.isEmpty() && !a.text.isEmpty())
        a.text.last() += inner.tail;

    QString r;
    switch (fn) {
    case Fn::None:
        return false;
    case Fn::Nvl:
        r = u"COALESCE(" + joined(a) + u')';
        break;
    case Fn::Nvl2:
        r = u"CASE WHEN " + paren(a, 0) + u" IS NOT NULL THEN " + a.text[1] + u" ELSE " + a.text[2] + u" END";
        break;
    case Fn::Decode: {
        // Oracle's DECODE finds NULL equal to NULL.
        r = QStringLiteral("CASE");
        const QString subject = paren(a, 0);
        int k = 1;
        for (; k + 1 < n; k += 2) {
            r += u" WHEN " + subject;
            if (a.nullWord[k])
                r += u" IS NULL";
            else
                r += (sqlite ? u" IS " : u" IS NOT DISTINCT FROM ") + paren(a, k);
            r += u" THEN " + a.text[k + 1];
        }
        if (k < n)
            r += u" ELSE " + a.text[k];
        r += u" END";
        break;
    }
    case Fn::Substr:
        r = u"kestra_substr(" + joined(a) + u')';
        break;
    case Fn::Instr:
        if (n == 2)
            r = (sqlite ? u"instr(" : u"strpos(") + joined(a) + u')';
        else
            r = u"kestra_instr(" + joined(a) + u')';
        break;
    case Fn::Lengthb:
        r = sqlite ? QString(u"length(CAST(" + a.text[0] + u" AS BLOB))")
                   : QString(u"octet_length(" + a.text[0] + u')');
        break;
    case Fn::Trim:
    case Fn::Ltrim:
    case Fn::Rtrim: {
        // Oracle has no empty text: trimming to nothing gives NULL.
        QString call;
        if (!trimSyntax) {
            call = text(nameNode).toString() + u'(' + joined(a) + u')';
        } else if (!sqlite) {
            call = text(nameNode).toString() + u'(' + rangeText(inner, 0, inner.size()) + inner.tail + u')';
        } else {
            // TRIM([LEADING|TRAILING|BOTH] [c] FROM s)
            int f = 0;
            while (f < inner.size() && !isWord(inner.nodes[f], QLatin1StringView("FROM")))
                ++f;
            int s = 0;
            QString func = QStringLiteral("trim");
            if (s < f && isWord(inner.nodes[s], QLatin1StringView("LEADING"))) {
                func = QStringLiteral("ltrim");
                ++s;
            } else if (s < f && isWord(inner.nodes[s], QLatin1StringView("TRAILING"))) {
                func = QStringLiteral("rtrim");
                ++s;
            } else if (s < f && isWord(inner.nodes[s], QLatin1StringView("BOTH"))) {
                ++s;
            }
            const QString chars = rangeText(inner, s, f);
            const QString source = rangeText(inner, f + 1, inner.size());
            call = func + u'(' + source + (chars.isEmpty() ? QString() : u", " + chars) + u')';
        }
        r = u"NULLIF(" + call + u", '')";
        break;
    }
    case Fn::Lpad:
    case Fn::Rpad:
        if (sqlite)
            r = (fn == Fn::Lpad ? u"kestra_lpad(" : u"kestra_rpad(") + joined(a) + u')';
        else
            r = u"NULLIF(" + text(nameNode).toString() + u'(' + joined(a) + u"), '')";
        break;
    case Fn::Upper:
    case Fn::Lower:
        r = (fn == Fn::Upper ? u"kestra_upper(" : u"kestra_lower(") + a.text[0] + u')';
        break;
    case Fn::Trunc:
    case Fn::Round: {
        const QString name = fn == Fn::Trunc ? QStringLiteral("trunc") : QStringLiteral("round");
        const QString unit =
            fn == Fn::Trunc && !sqlite && isDateTerm(inner, ranges[0].from, ranges[0].to)
                ? postgresDateUnit(n == 2 && literalAt(1) ? sqlStringValue(sql_, *literalAt(1)) : QStringLiteral("DD"))
                : QString();
        if (!unit.isEmpty())
            r = u"date_trunc('" + unit + u"', " + a.text[0] + u')'; // a date cut to a unit
        else if (sqlite)
            r = u"kestra_" + name + u'(' + joined(a) + u')';
        else
            r = name + u"(CAST(" + a.text[0] + u" AS numeric)" + (n == 2 ? u", " + a.text[1] : QString()) + u')';
        break;
    }
    case Fn::Mod:
        if (sqlite)
            r = u"kestra_mod(" + joined(a) + u')';
        else
            r = u"kestra_mod(CAST(" + a.text[0] + u" AS numeric), CAST(" + a.text[1] + u" AS numeric))";
        break;
    case Fn::ToChar:
        if (sqlite)
            r = u"kestra_to_char(" + joined(a) + u')';
        else if (n == 1)
            r = u"kestra_text(" + a.text[0] + u')';
        else if (formatKind == OracleFormatKind::Date)
            r = u"to_char(CAST(" + a.text[0] + u" AS timestamp), " + a.text[1] + u')';
        else
            r = u"to_char(CAST(" + a.text[0] + u" AS numeric), " + a.text[1] + u')';
        break;
    case Fn::ToDate:
        if (sqlite)
            r = u"kestra_to_date(" + joined(a) + u')';
        else if (n == 2)
            r = u"CAST(to_timestamp(" + joined(a) + u") AS timestamp(0))";
        else
            r = u"CAST(" + a.text[0] + u" AS timestamp(0))";
        break;
    case Fn::ToNumber:
        if (sqlite)
            r = u"kestra_to_number(" + joined(a) + u')';
        else
            r = u"CAST(" + a.text[0] + u" AS numeric)";
        break;
    case Fn::Dump:
        r = u"kestra_dump(" + joined(a) + u')';
        break;
    case Fn::Unistr:
        r = u"kestra_unistr(" + a.text[0] + u')';
        break;
    case Fn::Concat:
        r = concatExpression(a.text, a.plain);
        break;
    case Fn::Replace: {
        // Oracle: a NULL search string leaves the text alone, a NULL
        // replacement removes what is found (replace(x, ' ', '') takes the
        // blanks out); both backends give NULL for either. Nothing left is
        // NULL.
        auto textOf = [&](int k) -> QString {
            if (a.plain[k])
                return a.text[k];
            return (sqlite ? u"kestra_concat(" : u"kestra_text(") + a.text[k] + u')';
        };
        auto orEmpty = [&](int k) -> QString {
            if (k >= n || a.nullWord[k])
                return QStringLiteral("''");
            return a.plain[k] ? a.text[k] : u"COALESCE(" + textOf(k) + u", '')";
        };
        r = u"NULLIF(replace(" + textOf(0) + u", " + orEmpty(1) + u", " + orEmpty(2) + u"), '')";
        break;
    }
    }
    beginNode(level, i, out);
    out += r;
    if (const NodeEdit *edit = level.editIf(i + 1))
        out += edit->after;
    return true;
}

} // namespace kestra::sqlx
