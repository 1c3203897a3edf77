// Rewrites that give an expression Oracle's types: a quoted number
// compared with a number, and arithmetic on dates.

#include "db/SchemaInstaller.h"
#include "db/sql/OracleTranslator.h"

#include <QRegularExpression>
#include <QSet>

namespace kestra::sqlx {

namespace {

// Calls whose value is always a number, whatever their arguments.
bool isNumericFunction(QStringView name)
{
    static const char *const names[] = {"COUNT", "SUM",       "AVG",   "LENGTH", "LENGTHB", "INSTR",
                                        "MOD",   "ABS",       "FLOOR", "CEIL",   "SIGN",    "POWER",
                                        "SQRT",  "TO_NUMBER", "ASCII", "INSTRB", "VSIZE"};
    for (const char *n : names) {
        if (name.compare(QLatin1StringView(n), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool isComparison(QStringView op)
{
    return op == u"=" || op == u"<>" || op == u"!=" || op == u"^=" || op == u"~=" || op == u"<" || op == u">" ||
           op == u"<=" || op == u">=";
}

// The number a quoted literal holds, as Oracle's TO_NUMBER would read it
// (blanks around it allowed); empty when it holds none.
QString numberInQuotes(const QString &value)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    if (!number.match(value).hasMatch())
        return {};
    QString n = value.trimmed();
    if (n.startsWith(u'+'))
        n.remove(0, 1);
    if (n.startsWith(u'-'))
        return u'(' + n + u')';
    return n;
}

// The columns that are text in every table of the suite's schema that has
// them, upper-cased. Read once per process.
const QSet<QString> &textOnlyColumns()
{
    static const QSet<QString> columns = [] {
        QSet<QString> text;
        QSet<QString> other;
        SchemaModel model;
        QString ignored;
        if (expectedSchema(SchemaDialect::Sqlite, &model, &ignored)) {
            for (const TableDef &table : model.tables) {
                for (const ColumnDef &c : table.columns) {
                    const bool isText = c.type.startsWith(QLatin1StringView("VARCHAR")) ||
                                        c.type.startsWith(QLatin1StringView("CHAR")) ||
                                        c.type.startsWith(QLatin1StringView("NVARCHAR")) ||
                                        c.type == QLatin1StringView("TEXT");
                    (isText ? text : other).insert(c.name.toUpper());
                }
            }
        }
        return text - other;
    }();
    return columns;
}

} // namespace

void Translator::planBareNumberComparison(Level &level, int op)
{
    // Oracle compares a text column with a bare number as numbers
    // (deal_batch_no=12 finds '0012'); PostgreSQL refuses the comparison and
    // SQLite compares text. The column is read as a number here too; text
    // that is no number matches nothing (Oracle would fail with ORA-01722).
    const auto &nodes = level.nodes;
    const int n = level.size();
    auto extends = [&](int k) {
        if (k < 0 || k >= n || !isKind(nodes[k], SqlToken::Operator))
            return false;
        const QStringView o = text(nodes[k]);
        return o == u"||" || o == u"+" || o == u"-" || o == u"*" || o == u"/";
    };
    auto bareNumber = [&](int k) {
        return k >= 0 && k < n && isKind(nodes[k], SqlToken::Number) && level.editIf(k) == nullptr;
    };
    auto isName = [&](int k) {
        return k >= 0 && k < n &&
               (isKind(nodes[k], SqlToken::QuotedIdentifier) ||
                (isKind(nodes[k], SqlToken::Identifier) && !hasFlag(nodes[k], ReservedWord)));
    };
    auto textColumn = [&](int last) {
        QString name = text(nodes[last]).toString();
        if (name.startsWith(u'"'))
            name = name.mid(1, name.size() - 2);
        return textOnlyColumns().contains(name.toUpper());
    };
    // An "=" of a SET list assigns; Oracle converts the number to text there.
    for (int k = op - 1; k >= 0; --k) {
        if (isWord(nodes[k], QLatin1StringView("SET")))
            return;
        if (isWord(nodes[k], QLatin1StringView("WHERE")) || isWord(nodes[k], QLatin1StringView("HAVING")) ||
            isWord(nodes[k], QLatin1StringView("ON")) || isWord(nodes[k], QLatin1StringView("WHEN")))
            break;
    }
    int first = -1;
    int last = -1;
    if (bareNumber(op + 1) && !extends(op + 2) && isName(op - 1)) {
        last = op - 1;
        first = last;
        while (first >= 2 && isKind(nodes[first - 1], SqlToken::Dot) && isName(first - 2))
            first -= 2;
        if (extends(first - 1))
            return;
    } else if (bareNumber(op - 1) && !extends(op - 2) && isName(op + 1)) {
        first = op + 1;
        const int end = chainEnd(level, first);
        if (end < n && (nodes[end].group || extends(end)))
            return;
        last = end - 1;
    } else {
        return;
    }
    if (!textColumn(last))
        return;
    level.edit(first).before += QStringLiteral("kestra_as_number(");
    level.edit(last).after.prepend(u')');
}

void Translator::planBareNumberList(Level &level, int in)
{
    // col IN (12, 13) means what col = 12 OR col = 13 means: a text column
    // is read as a number, as Oracle does.
    const auto &nodes = level.nodes;
    const int n = level.size();
    if (in + 1 >= n || !nodes[in + 1].group)
        return;
    const std::vector<SqlNode> &items = nodes[in + 1].children;
    if (items.size() % 2 == 0)
        return;
    for (size_t k = 0; k < items.size(); ++k) {
        if (!isKind(items[k], k % 2 == 0 ? SqlToken::Number : SqlToken::Comma))
            return;
    }
    auto isName = [&](int k) {
        return k >= 0 && k < n &&
               (isKind(nodes[k], SqlToken::QuotedIdentifier) ||
                (isKind(nodes[k], SqlToken::Identifier) && !hasFlag(nodes[k], ReservedWord)));
    };
    int last = in - 1;
    if (last >= 0 && isWord(nodes[last], QLatin1StringView("NOT")))
        --last;
    if (!isName(last))
        return;
    int first = last;
    while (first >= 2 && isKind(nodes[first - 1], SqlToken::Dot) && isName(first - 2))
        first -= 2;
    if (first >= 1 && isKind(nodes[first - 1], SqlToken::Operator))
        return; // part of a larger expression (a || b IN ...)
    QString name = text(nodes[last]).toString();
    if (name.startsWith(u'"'))
        name = name.mid(1, name.size() - 2);
    if (!textOnlyColumns().contains(name.toUpper()))
        return;
    level.edit(first).before += QStringLiteral("kestra_as_number(");
    level.edit(last).after.prepend(u')');
}

void Translator::planNumericComparison(Level &level, int op)
{
    // Oracle turns the text into a number when it meets one; SQLite would
    // compare a number with text (always unequal), so the number is written
    // bare: HAVING count(*) >= '2', length(bar_code) = '7'.
    const auto &nodes = level.nodes;
    const int n = level.size();
    if (!isComparison(text(nodes[op])))
        return;
    planBareNumberComparison(level, op);
    auto extends = [&](int k) {
        if (k < 0 || k >= n || !isKind(nodes[k], SqlToken::Operator))
            return false;
        const QStringView o = text(nodes[k]);
        return o == u"||" || o == u"+" || o == u"-" || o == u"*" || o == u"/";
    };
    // A numeric call whose argument group is at k.
    auto numericCall = [&](int k) {
        return k >= 1 && k < n && nodes[k].group && isKind(nodes[k - 1], SqlToken::Identifier) &&
               isNumericFunction(text(nodes[k - 1])) && !(k >= 2 && isKind(nodes[k - 2], SqlToken::Dot));
    };
    auto quoted = [&](int k) -> QString {
        if (k < 0 || k >= n || !isKind(nodes[k], SqlToken::String) || token(nodes[k]).unterminated ||
            level.editIf(k) != nullptr)
            return {};
        return numberInQuotes(sqlStringValue(sql_, token(nodes[k])));
    };
    const bool concatBefore = op >= 3 && isKind(nodes[op - 3], SqlToken::Operator) && text(nodes[op - 3]) == u"||";
    if (numericCall(op - 1) && !concatBefore) {
        const QString number = quoted(op + 1);
        if (!number.isEmpty() && !extends(op + 2)) {
            level.edit(op + 1).hasReplace = true;
            level.edit(op + 1).replace = number;
        }
        return;
    }
    if (numericCall(op + 2) && !extends(op + 3) && !extends(op - 2)) {
        const QString number = quoted(op - 1);
        if (!number.isEmpty()) {
            level.edit(op - 1).hasReplace = true;
            level.edit(op - 1).replace = number;
        }
    }
}

bool Translator::isDateTerm(const Level &level, int from, int to) const
{
    const auto &nodes = level.nodes;
    if (to == from + 1)
        return isWord(nodes[from], QLatin1StringView("SYSDATE"));
    if (to != from + 2 || !nodes[from + 1].group || nodes[from + 1].close < 0)
        return false;
    if (isWord(nodes[from], QLatin1StringView("TO_DATE")))
        return true;
    if (!isWord(nodes[from], QLatin1StringView("TRUNC")) && !isWord(nodes[from], QLatin1StringView("ROUND")))
        return false;
    // trunc(sysdate), trunc(to_date(...), 'MM'): a date cut to a unit.
    const std::vector<SqlNode> &args = nodes[from + 1].children;
    auto endsArgument = [&](size_t k) { return k == args.size() || isKind(args[k], SqlToken::Comma); };
    if (!args.empty() && isWord(args[0], QLatin1StringView("SYSDATE")) && endsArgument(1))
        return true;
    return args.size() >= 2 && isWord(args[0], QLatin1StringView("TO_DATE")) && args[1].group && endsArgument(2);
}

bool Translator::emitDateArithmetic(Level &level, int from, const ExprParse &expr, QString &out)
{
    const size_t nOps = expr.ops.size();
    auto termStart = [&](size_t k) { return k == 0 ? from : expr.ops[k - 1] + 1; };
    auto termEnd = [&](size_t k) { return k < nOps ? expr.ops[k] : expr.end; };
    std::vector<bool> date(nOps + 1);
    bool any = false;
    for (size_t k = 0; k <= nOps; ++k) {
        date[k] = isDateTerm(level, termStart(k), termEnd(k));
        any = any || date[k];
    }
    if (!any)
        return false;

    QString tailAfter;
    if (level.editOf[expr.end - 1] >= 0)
        std::swap(tailAfter, level.edit(expr.end - 1).after);
    auto term = [&](size_t k) -> QString {
        QString t;
        emitPlain(level, termStart(k), termEnd(k), t);
        return t;
    };
    const bool sqlite = target_ == SqlDialect::Sqlite;
    // Dates are text "yyyy-mm-dd hh:mm:ss" on SQLite, timestamps on
    // PostgreSQL; a number added to a date counts days, as in Oracle.
    auto addDays = [&](const QString &d, const QString &days, bool minus) -> QString {
        if (sqlite)
            return u"datetime(" + d + (minus ? u", (-(" : u", ((") + days + u")) || ' days')";
        return u"date_trunc('second', " + d + (minus ? u" - (" : u" + (") + days + u") * interval '1 day')";
    };
    auto daysBetween = [&](const QString &a, const QString &b) -> QString {
        if (sqlite)
            return u"(julianday(" + a + u") - julianday(" + b + u"))";
        return u"trim_scale(EXTRACT(EPOCH FROM (" + a + u") - (" + b + u")) / 86400)";
    };

    const QString first = term(0);
    qsizetype lead = 0;
    while (lead < first.size() && first[lead].isSpace())
        ++lead;
    out += QStringView(first).left(lead);
    QString value = first.mid(lead).trimmed();
    bool isDate = date[0];
    for (size_t k = 0; k < nOps; ++k) {
        const bool minus = text(level.nodes[expr.ops[k]]) == u"-";
        const QString next = term(k + 1).trimmed();
        if (isDate && !date[k + 1]) {
            value = addDays(value, next, minus);
        } else if (!isDate && date[k + 1] && !minus) {
            value = addDays(next, value, false);
            isDate = true;
        } else if (isDate && date[k + 1] && minus) {
            value = daysBetween(value, next);
            isDate = false;
        } else {
            value += (minus ? u" - " : u" + ") + next;
        }
    }
    out += value;
    out += tailAfter;
    return true;
}

} // namespace kestra::sqlx
