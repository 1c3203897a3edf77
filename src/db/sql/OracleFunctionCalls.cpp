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
        {"unistr", Fn::Unistr},  {"concat", Fn::Concat},
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
    Args a;
    bool trimFrom = false;
    int from = 0;
    for (int k = 0; k <= inner.size(); ++k) {
        if (k < inner.size() && !(isKind(inner.nodes[k], SqlToken::Comma) && !inner.skipped(k))) {
            trimFrom = trimFrom || isWord(inner.nodes[k], QLatin1StringView("FROM"));
            continue;
        }
        if (k == inner.size() && from == k && a.text.isEmpty())
            break; // f()
        a.text.append(rangeText(inner, from, k));
        a.first.push_back(from);
        const int u = unitEnd(inner, from, k);
        a.simple.push_back(u == k);
        const bool single = k == from + 1 && !inner.nodes[from].group;
        const SqlToken *t = single ? &token(inner.nodes[from]) : nullptr;
        const bool isNull =
            t && (t->is(sql_, QLatin1StringView("NULL")) ||
                  (t->kind == SqlToken::String && !t->unterminated && sqlStringValue(sql_, *t).isEmpty()));
        a.nullWord.push_back(isNull);
        a.plain.push_back(isNull || (t && t->kind == SqlToken::String && !t->unterminated));
        from = k + 1;
    }
    if (!inner.tail.isEmpty() && !a.text.isEmpty())
        a.text.last() += inner.tail;
    const int n = a.count();

    QString r;
    switch (fn) {
    case Fn::None:
        return false;
    case Fn::Nvl:
        if (n != 2)
            return false;
        r = u"COALESCE(" + joined(a) + u')';
        break;
    case Fn::Nvl2:
        if (n != 3)
            return false;
        r = u"CASE WHEN " + paren(a, 0) + u" IS NOT NULL THEN " + a.text[1] + u" ELSE " + a.text[2] + u" END";
        break;
    case Fn::Decode: {
        // Oracle's DECODE finds NULL equal to NULL.
        if (n < 3)
            return false;
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
        if (n != 2 && n != 3)
            return false;
        r = u"kestra_substr(" + joined(a) + u')';
        break;
    case Fn::Instr:
        if (n < 2 || n > 4)
            return false;
        if (n == 2)
            r = (sqlite ? u"instr(" : u"strpos(") + joined(a) + u')';
        else
            r = u"kestra_instr(" + joined(a) + u')';
        break;
    case Fn::Lengthb:
        if (n != 1)
            return false;
        r = sqlite ? QString(u"length(CAST(" + a.text[0] + u" AS BLOB))")
                   : QString(u"octet_length(" + a.text[0] + u')');
        break;
    case Fn::Trim:
    case Fn::Ltrim:
    case Fn::Rtrim: {
        // Oracle has no empty text: trimming to nothing gives NULL.
        if (n < 1 || (fn != Fn::Trim && n > 2) || (fn == Fn::Trim && n != 1))
            return false;
        QString call = text(nameNode).toString() + u'(' + joined(a) + u')';
        if (fn == Fn::Trim && trimFrom && sqlite) {
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
        if (n != 2 && n != 3)
            return false;
        if (sqlite)
            r = (fn == Fn::Lpad ? u"kestra_lpad(" : u"kestra_rpad(") + joined(a) + u')';
        else
            r = u"NULLIF(" + text(nameNode).toString() + u'(' + joined(a) + u"), '')";
        break;
    case Fn::Upper:
    case Fn::Lower:
        if (n != 1)
            return false;
        r = (fn == Fn::Upper ? u"kestra_upper(" : u"kestra_lower(") + a.text[0] + u')';
        break;
    case Fn::Trunc:
    case Fn::Round: {
        if (n != 1 && n != 2)
            return false;
        const QString name = fn == Fn::Trunc ? QStringLiteral("trunc") : QStringLiteral("round");
        if (sqlite)
            r = u"kestra_" + name + u'(' + joined(a) + u')';
        else
            r = name + u"(CAST(" + a.text[0] + u" AS numeric)" + (n == 2 ? u", " + a.text[1] : QString()) + u')';
        break;
    }
    case Fn::Mod:
        if (n != 2)
            return false;
        if (sqlite)
            r = u"kestra_mod(" + joined(a) + u')';
        else
            r = u"kestra_mod(CAST(" + a.text[0] + u" AS numeric), CAST(" + a.text[1] + u" AS numeric))";
        break;
    case Fn::ToChar:
        if (n < 1 || n > 3)
            return false;
        if (sqlite) {
            r = u"kestra_to_char(" + joined(a) + u')';
        } else if (n == 1) {
            r = u"kestra_text(" + a.text[0] + u')';
        } else if (n == 2 && a.plain[1] && !a.nullWord[1]) {
            const QString format = sqlStringValue(sql_, token(inner.nodes[a.first[1]]));
            const OracleFormatKind kind = classifyOracleFormat(format);
            if (kind == OracleFormatKind::Date)
                r = u"to_char(CAST(" + a.text[0] + u" AS timestamp), " + a.text[1] + u')';
            else if (kind == OracleFormatKind::Number)
                r = u"to_char(CAST(" + a.text[0] + u" AS numeric), " + a.text[1] + u')';
            else
                return false;
        } else {
            return false;
        }
        break;
    case Fn::ToDate:
        if (n != 1 && n != 2)
            return false;
        if (sqlite)
            r = u"kestra_to_date(" + joined(a) + u')';
        else if (n == 2)
            r = u"CAST(to_timestamp(" + joined(a) + u") AS timestamp(0))";
        else
            r = u"CAST(" + a.text[0] + u" AS timestamp(0))";
        break;
    case Fn::ToNumber:
        if (n != 1 && n != 2)
            return false;
        if (sqlite)
            r = u"kestra_to_number(" + joined(a) + u')';
        else if (n == 1)
            r = u"CAST(" + a.text[0] + u" AS numeric)";
        else
            return false;
        break;
    case Fn::Dump:
        if (n != 1 && n != 2)
            return false;
        r = u"kestra_dump(" + joined(a) + u')';
        break;
    case Fn::Unistr:
        if (n != 1)
            return false;
        r = u"kestra_unistr(" + a.text[0] + u')';
        break;
    case Fn::Concat:
        if (n != 2)
            return false;
        r = concatExpression(a.text, a.plain);
        break;
    }
    beginNode(level, i, out);
    out += r;
    if (const NodeEdit *edit = level.editIf(i + 1))
        out += edit->after;
    return true;
}

} // namespace kestra::sqlx
