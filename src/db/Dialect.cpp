#include "db/Dialect.h"

namespace kestra {

// Until the translator lands, statements pass through unchanged and blocks
// are parsed here.
QString toNativeSql(const QString &oracleSql, BackendTarget::Kind)
{
    return oracleSql;
}

QString emptyLiteralsToBlank(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 8);
    qsizetype i = 0;
    while (i < sql.size()) {
        if (sql.at(i) != u'\'') {
            out += sql.at(i++);
            continue;
        }
        // A literal: find its end, stepping over doubled apostrophes.
        qsizetype j = i + 1;
        while (j < sql.size()) {
            if (sql.at(j) == u'\'') {
                if (j + 1 < sql.size() && sql.at(j + 1) == u'\'')
                    j += 2;
                else
                    break;
            } else {
                ++j;
            }
        }
        const qsizetype end = j < sql.size() ? j + 1 : sql.size();
        const QString literal = sql.mid(i, end - i);
        out += literal == QLatin1String("''") ? QStringLiteral("' '") : literal;
        i = end;
    }
    return out;
}

bool looksLikeBlock(const QString &sql)
{
    qsizetype i = 0;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    return sql.mid(i, 5).compare(QStringLiteral("begin"), Qt::CaseInsensitive) == 0 &&
           (i + 5 >= sql.size() || !sql.at(i + 5).isLetterOrNumber());
}

std::optional<CallBlock> parseCallBlock(const QString &sql, QString *error)
{
    if (!looksLikeBlock(sql))
        return std::nullopt;
    const QString text = sql.trimmed();
    qsizetype i = 5;
    auto skip = [&]() {
        while (i < text.size() && text.at(i).isSpace())
            ++i;
    };
    skip();
    CallBlock call;
    while (i < text.size() && (text.at(i).isLetterOrNumber() || text.at(i) == u'_' || text.at(i) == u'.' ||
                               text.at(i) == u'$' || text.at(i) == u'#'))
        call.name += text.at(i++);
    if (call.name.isEmpty()) {
        *error = QStringLiteral("procedure block without a procedure name");
        return std::nullopt;
    }
    skip();
    if (i < text.size() && text.at(i) == u'(') {
        ++i;
        for (;;) {
            skip();
            if (i >= text.size()) {
                *error = QStringLiteral("procedure block: missing ')'");
                return std::nullopt;
            }
            if (text.at(i) == u')' && call.args.isEmpty()) {
                ++i;
                break;
            }
            CallArg arg;
            if (text.at(i) == u'\'') {
                arg.kind = CallArg::Kind::Text;
                ++i;
                bool closed = false;
                while (i < text.size()) {
                    if (text.at(i) == u'\'') {
                        if (i + 1 < text.size() && text.at(i + 1) == u'\'') {
                            arg.text += u'\'';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    arg.text += text.at(i++);
                }
                if (!closed) {
                    *error = QStringLiteral("procedure block: unterminated literal");
                    return std::nullopt;
                }
                // Oracle reads the empty literal as NULL.
                if (arg.text.isEmpty())
                    arg.kind = CallArg::Kind::Null;
            } else if (text.at(i) == u':') {
                arg.kind = CallArg::Kind::Bind;
                ++i;
                while (i < text.size() && (text.at(i).isLetterOrNumber() || text.at(i) == u'_'))
                    arg.text += text.at(i++);
            } else {
                QString word;
                while (i < text.size() && text.at(i) != u',' && text.at(i) != u')' && !text.at(i).isSpace())
                    word += text.at(i++);
                if (word.compare(QStringLiteral("null"), Qt::CaseInsensitive) == 0) {
                    arg.kind = CallArg::Kind::Null;
                } else {
                    bool ok = false;
                    word.toDouble(&ok);
                    if (!ok) {
                        *error = QStringLiteral("procedure block: bad argument '%1'").arg(word);
                        return std::nullopt;
                    }
                    arg.kind = CallArg::Kind::Number;
                    arg.text = word;
                }
            }
            call.args.append(arg);
            skip();
            if (i < text.size() && text.at(i) == u',') {
                ++i;
                continue;
            }
            if (i < text.size() && text.at(i) == u')') {
                ++i;
                break;
            }
            *error = QStringLiteral("procedure block: expected ',' or ')'");
            return std::nullopt;
        }
    }
    skip();
    if (i < text.size() && text.at(i) == u';')
        ++i;
    skip();
    if (text.mid(i, 3).compare(QStringLiteral("end"), Qt::CaseInsensitive) != 0) {
        *error = QStringLiteral("procedure block: expected 'end;'");
        return std::nullopt;
    }
    return call;
}

} // namespace kestra
