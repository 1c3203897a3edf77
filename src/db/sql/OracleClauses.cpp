// The clause pass of the translator: rewrites that need a whole level of
// the statement in view (FROM dual, rownum, ORDER BY, FOR UPDATE, the
// statement verbs).

#include "db/sql/OracleTranslator.h"

#include <algorithm>

namespace kestra::sqlx {

namespace {

bool isClauseEnd(const Translator &tr, const SqlNode &n)
{
    return tr.isKind(n, SqlToken::Semicolon) || tr.hasFlag(n, ClauseEndWord);
}

bool isSetOperator(const Translator &tr, const SqlNode &n)
{
    return tr.hasFlag(n, SetOperatorWord);
}

bool isAllDigits(QStringView s)
{
    if (s.isEmpty() || s.size() > 9)
        return false;
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

// ---------------------------------------------------------------------------
// The clause pass: decisions that need a whole level in view.

void Translator::planLevel(Level &level)
{
    const int n = level.size();
    const auto &nodes = level.nodes;
    if (level.top)
        planStatementStart(level, 0);
    bool inFrom = false;
    for (int i = 0; i < n; ++i) {
        const SqlNode &node = nodes[i];
        if (node.group) {
            if (inFrom && target_ == SqlDialect::Postgres && i > 0 && node.close >= 0 && !node.children.empty() &&
                (isWord(nodes[i - 1], QLatin1StringView("FROM")) || isKind(nodes[i - 1], SqlToken::Comma) ||
                 isWord(nodes[i - 1], QLatin1StringView("JOIN"))) &&
                (isWord(node.children.front(), QLatin1StringView("SELECT")) ||
                 isWord(node.children.front(), QLatin1StringView("WITH")))) {
                // PostgreSQL wants a name for every subquery in FROM.
                const bool named =
                    i + 1 < n &&
                    (isKind(nodes[i + 1], SqlToken::QuotedIdentifier) ||
                     (isKind(nodes[i + 1], SqlToken::Identifier) &&
                      (!hasFlag(nodes[i + 1], ReservedWord) || isWord(nodes[i + 1], QLatin1StringView("AS")))));
                if (!named)
                    level.edit(i).after += QStringLiteral(" kestra_q%1").arg(++subqueryNames_);
            }
            continue;
        }
        if (level.top && isKind(node, SqlToken::Semicolon) && i + 1 < n)
            planStatementStart(level, i + 1);
        if (tokens_[node.tok].kind == SqlToken::Operator)
            planNumericComparison(level, i);
        if (tokens_[node.tok].kind != SqlToken::Identifier)
            continue;
        if (isWord(node, QLatin1StringView("IN")))
            planBareNumberList(level, i);
        const bool hasNext = i + 1 < n;
        if (isWord(node, QLatin1StringView("MINUS"))) {
            if (hasNext && (nodes[i + 1].group || isWord(nodes[i + 1], QLatin1StringView("SELECT")))) {
                level.edit(i).hasReplace = true;
                level.edit(i).replace = QStringLiteral("EXCEPT");
            }
        } else if (isWord(node, QLatin1StringView("FROM"))) {
            inFrom = true;
            if (hasNext && isWord(nodes[i + 1], QLatin1StringView("DUAL")) &&
                (i + 2 >= n || isClauseEnd(*this, nodes[i + 2]) || isWord(nodes[i + 2], QLatin1StringView("WHERE")))) {
                level.edit(i).skip = true;
                level.edit(i + 1).skip = true;
                ++i;
            }
        } else if (isWord(node, QLatin1StringView("DUAL")) && inFrom && i > 0 && !level.skipped(i)) {
            const SqlNode &prev = nodes[i - 1];
            const bool tableRef = isWord(prev, QLatin1StringView("FROM")) || isKind(prev, SqlToken::Comma) ||
                                  isWord(prev, QLatin1StringView("JOIN"));
            const bool qualified = hasNext && (nodes[i + 1].group || isKind(nodes[i + 1], SqlToken::Dot));
            if (tableRef && !qualified) {
                const bool aliased =
                    hasNext && isKind(nodes[i + 1], SqlToken::Identifier) && !hasFlag(nodes[i + 1], ReservedWord);
                level.edit(i).hasReplace = true;
                level.edit(i).replace =
                    aliased ? QStringLiteral("(SELECT 'X' AS dummy)") : QStringLiteral("(SELECT 'X' AS dummy) dual");
            }
        } else if (isWord(node, QLatin1StringView("WHERE"))) {
            inFrom = false;
            int end = i + 1;
            while (end < n && !isClauseEnd(*this, nodes[end]))
                ++end;
            planWhereRownum(level, i, end);
        } else if (isWord(node, QLatin1StringView("ORDER")) && hasNext &&
                   isWord(nodes[i + 1], QLatin1StringView("BY"))) {
            inFrom = false;
            if (target_ == SqlDialect::Sqlite)
                planOrderBy(level, i + 1);
        } else if (isWord(node, QLatin1StringView("FOR")) && hasNext &&
                   isWord(nodes[i + 1], QLatin1StringView("UPDATE"))) {
            planForUpdate(level, i);
        } else if (isWord(node, QLatin1StringView("LIKE")) && target_ == SqlDialect::Postgres) {
            // PostgreSQL takes a backslash in a LIKE pattern as an escape
            // character by default; Oracle has none unless told.
            const ExprParse pattern = parseExpr(level, i + 1, n);
            if (pattern.end > i + 1 && (pattern.end >= n || !isWord(nodes[pattern.end], QLatin1StringView("ESCAPE"))))
                level.edit(pattern.end - 1).after += QStringLiteral(" ESCAPE ''");
        } else if (isWord(node, QLatin1StringView("SELECT")) || isWord(node, QLatin1StringView("GROUP")) ||
                   isClauseEnd(*this, node)) {
            inFrom = false;
        }
    }
}

int Translator::chainEnd(const Level &level, int j) const
{
    const int n = level.size();
    if (j >= n || !(isKind(level.nodes[j], SqlToken::Identifier) || isKind(level.nodes[j], SqlToken::QuotedIdentifier)))
        return j;
    ++j;
    while (j + 1 < n && isKind(level.nodes[j], SqlToken::Dot) &&
           (isKind(level.nodes[j + 1], SqlToken::Identifier) || isKind(level.nodes[j + 1], SqlToken::QuotedIdentifier)))
        j += 2;
    return j;
}

void Translator::planStatementStart(Level &level, int first)
{
    const int n = level.size();
    const auto &nodes = level.nodes;
    const bool sqlite = target_ == SqlDialect::Sqlite;
    auto isAlias = [&](int k) {
        return k < n && isKind(nodes[k], SqlToken::Identifier) && !hasFlag(nodes[k], ReservedWord);
    };
    if (first >= n)
        return;
    const SqlNode &verb = nodes[first];
    if (isWord(verb, QLatin1StringView("TRUNCATE")) && first + 1 < n &&
        isWord(nodes[first + 1], QLatin1StringView("TABLE"))) {
        const int name = first + 2;
        const int end = chainEnd(level, name);
        if (end == name)
            return;
        if (end + 1 < n &&
            (isWord(nodes[end], QLatin1StringView("DROP")) || isWord(nodes[end], QLatin1StringView("REUSE"))) &&
            isWord(nodes[end + 1], QLatin1StringView("STORAGE"))) {
            level.edit(end).skip = true;
            level.edit(end + 1).skip = true;
        }
        if (sqlite) {
            level.edit(first).hasReplace = true;
            level.edit(first).replace = QStringLiteral("DELETE");
            level.edit(first + 1).hasReplace = true;
            level.edit(first + 1).replace = QStringLiteral("FROM");
        }
    } else if (isWord(verb, QLatin1StringView("UPDATE"))) {
        const int end = chainEnd(level, first + 1);
        if (end > first + 1 && isAlias(end) && end + 1 < n && isWord(nodes[end + 1], QLatin1StringView("SET")) &&
            sqlite)
            level.edit(end).before = QStringLiteral("AS ");
    } else if (isWord(verb, QLatin1StringView("DELETE"))) {
        int name = first + 1;
        if (name < n && isWord(nodes[name], QLatin1StringView("FROM"))) {
            ++name;
        } else if (name < n &&
                   (isKind(nodes[name], SqlToken::Identifier) || isKind(nodes[name], SqlToken::QuotedIdentifier))) {
            level.edit(name).before = QStringLiteral("FROM ");
        }
        const int end = chainEnd(level, name);
        if (end > name && isAlias(end) && sqlite)
            level.edit(end).before += QStringLiteral("AS ");
    } else if (isWord(verb, QLatin1StringView("INSERT")) && sqlite && first + 1 < n &&
               isWord(nodes[first + 1], QLatin1StringView("INTO"))) {
        // INSERT INTO t (cols) (SELECT ...): SQLite wants the query bare.
        int j = chainEnd(level, first + 2);
        auto startsQuery = [&](int k) {
            if (k >= n || !nodes[k].group || nodes[k].close < 0 || nodes[k].children.empty())
                return false;
            const SqlNode &c = nodes[k].children.front();
            return isWord(c, QLatin1StringView("SELECT")) || isWord(c, QLatin1StringView("WITH"));
        };
        if (j < n && nodes[j].group && !startsQuery(j))
            ++j;
        if (startsQuery(j) && (j + 1 >= n || isKind(nodes[j + 1], SqlToken::Semicolon)))
            level.edit(j).unwrap = true;
    }
}

void Translator::planWhereRownum(Level &level, int where, int clauseEnd)
{
    const auto &nodes = level.nodes;
    const int n = level.size();
    bool any = false;
    for (int j = where + 1; j < clauseEnd; ++j) {
        if (isWord(nodes[j], QLatin1StringView("ROWNUM")))
            any = true;
        if (isWord(nodes[j], QLatin1StringView("OR")))
            return; // rownum under OR: not a plain row limit
    }
    if (!any)
        return;
    bool query = false;
    for (int j = 0; j < where; ++j)
        query = query || isWord(nodes[j], QLatin1StringView("SELECT"));
    if (!query)
        return; // DELETE/UPDATE ... WHERE rownum: no LIMIT there
    for (int j = 0; j < n; ++j) {
        if (isSetOperator(*this, nodes[j]))
            return; // a limit inside one branch of a compound query: not supported
    }
    struct Conjunct {
        int from;
        int to;
        bool remove = false;
    };
    std::vector<Conjunct> conj;
    std::vector<int> ands;
    bool between = false;
    int start = where + 1;
    for (int j = where + 1; j < clauseEnd; ++j) {
        if (isWord(nodes[j], QLatin1StringView("BETWEEN"))) {
            between = true;
        } else if (isWord(nodes[j], QLatin1StringView("AND"))) {
            if (between) {
                between = false;
                continue;
            }
            conj.push_back({start, j});
            ands.push_back(j);
            start = j + 1;
        }
    }
    conj.push_back({start, clauseEnd});

    long limit = -1;
    for (Conjunct &c : conj) {
        bool has = false;
        for (int j = c.from; j < c.to; ++j)
            has = has || isWord(nodes[j], QLatin1StringView("ROWNUM"));
        if (!has)
            continue;
        if (c.to - c.from != 3)
            return;
        const SqlNode &a = nodes[c.from];
        const SqlNode &op = nodes[c.from + 1];
        const SqlNode &b = nodes[c.from + 2];
        const bool reversed = !isWord(a, QLatin1StringView("ROWNUM"));
        const SqlNode &num = reversed ? a : b;
        if ((reversed && !isWord(b, QLatin1StringView("ROWNUM"))) || !isKind(num, SqlToken::Number) ||
            !isAllDigits(text(num)) || !isKind(op, SqlToken::Operator))
            return;
        QString o = text(op).toString();
        if (reversed) {
            if (o == u"<")
                o = QStringLiteral(">");
            else if (o == u">")
                o = QStringLiteral("<");
            else if (o == u"<=")
                o = QStringLiteral(">=");
            else if (o == u">=")
                o = QStringLiteral("<=");
        }
        const long v = text(num).toLong();
        long lim;
        if (o == u"=")
            lim = v == 1 ? 1 : 0;
        else if (o == u"<")
            lim = v <= 1 ? 0 : v - 1;
        else if (o == u"<=")
            lim = v;
        else if (o == u">")
            lim = v == 0 ? -1 : 0;
        else if (o == u">=")
            lim = v <= 1 ? -1 : 0;
        else
            return;
        c.remove = true;
        if (lim >= 0)
            limit = limit < 0 ? lim : std::min(limit, lim);
    }

    // Drop the rownum conjuncts and the ANDs that joined them; keep the ANDs
    // between the conjuncts that stay.
    int kept = 0;
    int lastKept = -1;
    for (size_t k = 0; k < conj.size(); ++k) {
        if (conj[k].remove) {
            for (int j = conj[k].from; j < conj[k].to; ++j)
                level.edit(j).skip = true;
        }
        if (k > 0)
            level.edit(ands[k - 1]).skip = true;
        if (!conj[k].remove) {
            if (lastKept >= 0)
                level.edit(ands[k - 1]).skip = false;
            lastKept = static_cast<int>(k);
            ++kept;
        }
    }
    if (kept == 0)
        level.edit(where).skip = true;
    if (limit < 0)
        return;
    if (rowsAreCombined(level, where, clauseEnd)) {
        limitRowSource(level, where, clauseEnd, limit);
        return;
    }
    const QString clause = QStringLiteral("LIMIT %1").arg(limit);
    for (int j = clauseEnd; j < n; ++j) {
        // SQLite drops FOR UPDATE: the limit goes to the end there.
        if (target_ == SqlDialect::Postgres && isWord(nodes[j], QLatin1StringView("FOR")) && j + 1 < n &&
            isWord(nodes[j + 1], QLatin1StringView("UPDATE"))) {
            level.edit(j).before += clause + u' ';
            return;
        }
        if (isKind(nodes[j], SqlToken::Semicolon)) {
            level.edit(j).before += u' ' + clause;
            return;
        }
    }
    level.tail += u' ' + clause;
}

bool Translator::rowsAreCombined(const Level &level, int where, int clauseEnd) const
{
    // Oracle numbers the rows before it counts, groups or removes
    // duplicates: a LIMIT at the end would apply to the result instead.
    static const char *const aggregates[] = {"COUNT",  "SUM",    "AVG",      "MIN",       "MAX",
                                             "STDDEV", "MEDIAN", "VARIANCE", "WM_CONCAT", "LISTAGG"};
    const auto &nodes = level.nodes;
    int select = -1;
    for (int j = 0; j < where; ++j) {
        if (isWord(nodes[j], QLatin1StringView("SELECT")))
            select = j;
    }
    if (select < 0)
        return false;
    if (select + 1 < where && (isWord(nodes[select + 1], QLatin1StringView("DISTINCT")) ||
                               isWord(nodes[select + 1], QLatin1StringView("UNIQUE"))))
        return true;
    for (int j = select + 1; j + 1 < where && !isWord(nodes[j], QLatin1StringView("FROM")); ++j) {
        if (!nodes[j + 1].group || !isKind(nodes[j], SqlToken::Identifier))
            continue;
        for (const char *name : aggregates) {
            if (isWord(nodes[j], QLatin1StringView(name)))
                return true;
        }
    }
    for (int j = clauseEnd; j < level.size() && !isKind(nodes[j], SqlToken::Semicolon); ++j) {
        if (isWord(nodes[j], QLatin1StringView("GROUP")) || isWord(nodes[j], QLatin1StringView("HAVING")))
            return true;
    }
    return false;
}

void Translator::limitRowSource(Level &level, int where, int clauseEnd, long limit)
{
    // FROM t [alias] WHERE ... becomes FROM (SELECT * FROM t [alias] WHERE
    // ... LIMIT n) alias: the names the rest of the query uses still hold.
    // Several tables cannot be renamed that way.
    const auto &nodes = level.nodes;
    int from = -1;
    for (int j = where - 1; j >= 0 && from < 0; --j) {
        if (isWord(nodes[j], QLatin1StringView("FROM")))
            from = j;
    }
    const int tableEnd = from < 0 ? -1 : chainEnd(level, from + 1);
    const bool aliased = tableEnd + 1 == where && isKind(nodes[tableEnd], SqlToken::Identifier) &&
                         !hasFlag(nodes[tableEnd], ReservedWord);
    if (from < 0 || tableEnd == from + 1 || (tableEnd != where && !aliased)) {
        refuse(QStringLiteral("ORA-03001: unimplemented feature: rownum with an aggregate, DISTINCT or GROUP BY "
                              "is translated over one table only; limit the rows in a subquery of their own"));
        return;
    }
    const QString name = text(nodes[aliased ? tableEnd : tableEnd - 1]).toString();
    level.edit(from + 1).before += QStringLiteral("(SELECT * FROM ");
    const QString close = QStringLiteral("LIMIT %1) %2").arg(limit).arg(name);
    if (clauseEnd < level.size())
        level.edit(clauseEnd).before += close + u' ';
    else
        level.tail += u' ' + close;
}

void Translator::planOrderBy(Level &level, int by)
{
    // SQLite sorts NULL first in ascending order, Oracle last.
    const auto &nodes = level.nodes;
    const int n = level.size();
    int end = by + 1;
    while (end < n && !isClauseEnd(*this, nodes[end]))
        ++end;
    int itemStart = by + 1;
    for (int j = by + 1; j <= end; ++j) {
        if (j < end && !isKind(nodes[j], SqlToken::Comma))
            continue;
        const int from = itemStart;
        itemStart = j + 1;
        int last = j - 1;
        while (last >= from && level.skipped(last))
            --last;
        if (last < from)
            continue;
        const SqlNode &tail = nodes[last];
        if ((isWord(tail, QLatin1StringView("FIRST")) || isWord(tail, QLatin1StringView("LAST"))) && last > 0 &&
            isWord(nodes[last - 1], QLatin1StringView("NULLS")))
            continue;
        level.edit(last).after +=
            isWord(tail, QLatin1StringView("DESC")) ? QStringLiteral(" NULLS FIRST") : QStringLiteral(" NULLS LAST");
    }
}

void Translator::planForUpdate(Level &level, int forIdx)
{
    const auto &nodes = level.nodes;
    const int n = level.size();
    int j = forIdx + 2;
    int ofStart = -1;
    int ofEnd = -1;
    if (j < n && isWord(nodes[j], QLatin1StringView("OF"))) {
        ofStart = j++;
        while (j < n) {
            const int e = chainEnd(level, j);
            if (e == j)
                break;
            j = e;
            if (j < n && isKind(nodes[j], SqlToken::Comma))
                ++j;
            else
                break;
        }
        ofEnd = j;
    }
    int waitStart = -1;
    int optEnd = j;
    if (j < n && isWord(nodes[j], QLatin1StringView("NOWAIT"))) {
        optEnd = j + 1;
    } else if (j + 1 < n && isWord(nodes[j], QLatin1StringView("WAIT")) && isKind(nodes[j + 1], SqlToken::Number)) {
        waitStart = j;
        optEnd = j + 2;
    } else if (j + 1 < n && isWord(nodes[j], QLatin1StringView("SKIP")) &&
               isWord(nodes[j + 1], QLatin1StringView("LOCKED"))) {
        optEnd = j + 2;
    }
    if (target_ == SqlDialect::Sqlite) {
        // A SQLite write transaction already excludes other writers.
        for (int k = forIdx; k < optEnd; ++k)
            level.edit(k).skip = true;
        return;
    }
    // PostgreSQL names tables, not columns, after OF; and has no WAIT n.
    for (int k = ofStart; k >= 0 && k < ofEnd; ++k)
        level.edit(k).skip = true;
    if (waitStart >= 0) {
        level.edit(waitStart).skip = true;
        level.edit(waitStart + 1).skip = true;
    }
}

} // namespace kestra::sqlx
