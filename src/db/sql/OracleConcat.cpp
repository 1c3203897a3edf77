// Oracle's || treats NULL as empty text and has no empty text of its own;
// the native concatenations differ on both counts, so a chain of || is
// written as one call that keeps Oracle's rules.

#include "db/sql/OracleTranslator.h"

#include <algorithm>

namespace kestra::sqlx {

void Translator::emitConcat(Level &level, int from, const ExprParse &expr, QString &out)
{
    // The text after the expression's last node (a NULLS LAST, an ESCAPE)
    // belongs outside the rewritten call.
    QString tailAfter;
    if (level.editOf[expr.end - 1] >= 0)
        std::swap(tailAfter, level.edit(expr.end - 1).after);

    auto term = [&](int s, int e) {
        QString t;
        emitPlain(level, s, e, t);
        return t;
    };
    auto plainOperand = [&](int s, int e) {
        if (e != s + 1 || level.nodes[s].group)
            return false;
        const SqlToken &t = token(level.nodes[s]);
        return (t.kind == SqlToken::String && !t.unterminated) || t.is(sql_, QLatin1StringView("NULL"));
    };
    const size_t nOps = expr.ops.size();
    auto isConcat = [&](size_t k) { return text(level.nodes[expr.ops[k]]) == u"||"; };
    auto termEnd = [&](size_t k) { return k + 1 < nOps ? expr.ops[k + 1] : expr.end; };
    const bool sqlite = target_ == SqlDialect::Sqlite;

    // Oracle evaluates || and binary + - from left to right: each run of ||
    // becomes a call around everything to its left. The calls open in front,
    // innermost last, so that the text is written once.
    const bool firstPlain = plainOperand(from, expr.ops[0]);
    QStringList openers;
    bool leftPlain = firstPlain;
    for (size_t k = 0; k < nOps;) {
        if (isConcat(k)) {
            if (sqlite)
                openers.prepend(QStringLiteral("kestra_concat("));
            else
                openers.prepend(leftPlain ? QStringLiteral("NULLIF(CONCAT(")
                                          : QStringLiteral("NULLIF(CONCAT(kestra_text("));
            while (k < nOps && isConcat(k))
                ++k;
        } else {
            ++k;
        }
        leftPlain = false;
    }

    QString first = term(from, expr.ops[0]);
    qsizetype lead = 0;
    while (lead < first.size() && first[lead].isSpace())
        ++lead;
    out += QStringView(first).left(lead);
    for (const QString &o : openers)
        out += o;
    out += QStringView(first).mid(lead).trimmed();

    bool curPlain = firstPlain;
    size_t k = 0;
    while (k < nOps) {
        const SqlNode &op = level.nodes[expr.ops[k]];
        if (isConcat(k)) {
            if (!sqlite && !curPlain)
                out += u')';
            while (true) {
                const int s = expr.ops[k] + 1;
                const int e = termEnd(k);
                const QString t = term(s, e).trimmed();
                out += u", ";
                if (!sqlite && !plainOperand(s, e))
                    out += u"kestra_text(" + t + u')';
                else
                    out += t;
                ++k;
                if (k >= nOps || !isConcat(k))
                    break;
            }
            out += sqlite ? u")" : u"), '')";
        } else {
            emitTrivia(token(op), out);
            out += text(op);
            out += term(expr.ops[k] + 1, termEnd(k));
            ++k;
        }
        curPlain = false;
    }
    out += tailAfter;
}

QString Translator::concatExpression(const QStringList &operands, const std::vector<bool> &plainOperand) const
{
    if (target_ == SqlDialect::Sqlite)
        return u"kestra_concat(" + operands.join(u", ") + u')';
    // PostgreSQL: CONCAT skips NULLs; kestra_text gives numbers Oracle's
    // text form; an empty result is NULL, as Oracle has no empty text.
    QString out = QStringLiteral("NULLIF(CONCAT(");
    for (qsizetype k = 0; k < operands.size(); ++k) {
        if (k > 0)
            out += u", ";
        if (plainOperand[k])
            out += operands[k];
        else
            out += u"kestra_text(" + operands[k] + u')';
    }
    out += u"), '')";
    return out;
}

} // namespace kestra::sqlx
