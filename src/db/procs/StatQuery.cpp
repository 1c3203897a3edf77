// The statistics package's base query and conditions, read from their
// text.

#include "db/procs/StatQuery.h"

#include "db/sql/SqlTokenizer.h"

#include <vector>

namespace kestra {

std::optional<AggregateQuery> parseAggregateQuery(const QString &base)
{
    const std::vector<SqlToken> t = tokenizeSql(base);
    const QStringView sql(base);
    int depth = 0;
    int selectAt = -1;
    int fromAt = -1;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == SqlToken::LParen)
            ++depth;
        else if (t[i].kind == SqlToken::RParen)
            --depth;
        if (depth != 0)
            continue;
        if (selectAt < 0 && t[i].is(sql, QLatin1StringView("SELECT")))
            selectAt = int(i);
        else if (selectAt >= 0 && fromAt < 0 && t[i].is(sql, QLatin1StringView("FROM")))
            fromAt = int(i);
        else if (fromAt >= 0 &&
                 (t[i].is(sql, QLatin1StringView("GROUP")) || t[i].is(sql, QLatin1StringView("HAVING")) ||
                  t[i].is(sql, QLatin1StringView("UNION")) || t[i].is(sql, QLatin1StringView("INTERSECT")) ||
                  t[i].is(sql, QLatin1StringView("MINUS")) || t[i].is(sql, QLatin1StringView("ORDER")) ||
                  t[i].is(sql, QLatin1StringView("CONNECT")) || t[i].is(sql, QLatin1StringView("ROWNUM")) ||
                  t[i].kind == SqlToken::Semicolon))
            return std::nullopt;
    }
    if (selectAt != 0 || fromAt < 0 || t[std::size_t(selectAt) + 1].is(sql, QLatin1StringView("DISTINCT")))
        return std::nullopt;
    AggregateQuery q;
    int outside = 0; // column references outside any aggregate
    int at = t[std::size_t(selectAt)].end();
    depth = 0;
    for (int i = selectAt + 1; i < fromAt; ++i) {
        const SqlToken &k = t[std::size_t(i)];
        if (k.kind == SqlToken::Comma && depth == 0)
            ++q.columns;
        if (k.kind == SqlToken::LParen)
            ++depth;
        else if (k.kind == SqlToken::RParen)
            --depth;
        const bool aggregate = k.is(sql, QLatin1StringView("COUNT")) || k.is(sql, QLatin1StringView("SUM")) ||
                               k.is(sql, QLatin1StringView("MIN")) || k.is(sql, QLatin1StringView("MAX")) ||
                               k.is(sql, QLatin1StringView("AVG"));
        if (aggregate && t[std::size_t(i) + 1].kind == SqlToken::LParen) {
            int close = i + 2;
            for (int d = 1; close < fromAt; ++close) {
                if (t[std::size_t(close)].kind == SqlToken::LParen)
                    ++d;
                else if (t[std::size_t(close)].kind == SqlToken::RParen && --d == 0)
                    break;
            }
            if (close >= fromAt || close == i + 2)
                return std::nullopt;
            AggregateCall call;
            call.function = k.text(sql).toString().toUpper();
            int from = i + 2;
            if (t[std::size_t(from)].is(sql, QLatin1StringView("DISTINCT"))) {
                call.distinct = true;
                ++from;
            }
            call.argument =
                sql.mid(t[std::size_t(from)].start, t[std::size_t(close)].triviaStart - t[std::size_t(from)].start)
                    .trimmed()
                    .toString();
            q.pieces.append(sql.mid(at, k.triviaStart - at).toString());
            q.calls.append(call);
            at = t[std::size_t(close)].end();
            i = close;
            continue;
        }
        if (k.kind == SqlToken::Identifier && !aggregate)
            ++outside;
    }
    if (q.calls.isEmpty() || outside > 0)
        return std::nullopt;
    q.pieces.append(sql.mid(at, t[std::size_t(fromAt)].triviaStart - at).toString());
    q.from = sql.mid(t[std::size_t(fromAt)].start).toString();
    return q;
}

std::optional<QString> conditionTest(const QString &condition)
{
    const QString c = condition.trimmed();
    if (!c.startsWith(QLatin1String("AND "), Qt::CaseInsensitive))
        return std::nullopt;
    const QString test = c.mid(4);
    const std::vector<SqlToken> t = tokenizeSql(test);
    int depth = 0;
    for (const SqlToken &k : t) {
        if (k.kind == SqlToken::LParen)
            ++depth;
        else if (k.kind == SqlToken::RParen)
            --depth;
        else if (depth == 0 && (k.is(test, QLatin1StringView("OR")) || k.kind == SqlToken::Semicolon))
            return std::nullopt;
        if (depth < 0 || k.unterminated)
            return std::nullopt;
    }
    return test;
}

} // namespace kestra
