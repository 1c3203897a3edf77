#include "db/sql/ProcCall.h"

#include "db/sql/OracleFormat.h"
#include "db/sql/OracleSql.h"
#include "db/sql/SqlTokenizer.h"

namespace kestra {

namespace {

class BlockParser {
public:
    BlockParser(const QString &sql, QString *error) : sql_(sql), tokens_(tokenizeSql(sql)), error_(error) {}

    std::optional<ProcCall> run()
    {
        ProcCall call;
        if (!word("BEGIN"))
            return fail(QStringLiteral("the block does not start with Begin"));
        ++pos_;
        if (!parseName(call))
            return std::nullopt;
        if (at().kind == SqlToken::LParen) {
            ++pos_;
            if (!parseArgs(call))
                return std::nullopt;
        }
        if (at().kind != SqlToken::Semicolon)
            return fail(QStringLiteral("expected ';' after the call"));
        ++pos_;
        if (!word("END"))
            return fail(QStringLiteral("expected End after the call"));
        ++pos_;
        if (at().kind != SqlToken::Semicolon)
            return fail(QStringLiteral("expected ';' after End"));
        ++pos_;
        if (at().kind != SqlToken::End)
            return fail(QStringLiteral("unexpected text after the block"));
        return call;
    }

private:
    const SqlToken &at() const { return tokens_[pos_]; }
    bool word(const char *w) const { return at().is(sql_, QLatin1StringView(w)); }

    std::optional<ProcCall> fail(const QString &what)
    {
        const SqlToken &t = at();
        if (error_) {
            if (t.kind == SqlToken::String && t.unterminated) {
                *error_ = QStringLiteral("ORA-01756: quoted string not properly terminated (%1)").arg(where(t.start));
            } else if (t.kind == SqlToken::QuotedIdentifier && t.unterminated) {
                *error_ = QStringLiteral("ORA-01740: missing double quote in identifier (%1)").arg(where(t.start));
            } else {
                const QString found = t.kind == SqlToken::End ? QStringLiteral("end of text")
                                                              : u'"' + t.text(sql_).left(40).toString() + u'"';
                *error_ = QStringLiteral("ORA-06550: %1: %2; found %3").arg(where(t.start), what, found);
            }
        }
        return std::nullopt;
    }

    QString where(int offset) const
    {
        const int line = static_cast<int>(QStringView(sql_).left(offset).count(u'\n')) + 1;
        const int lineStart = static_cast<int>(sql_.lastIndexOf(u'\n', offset - 1)) + 1;
        return QStringLiteral("line %1, column %2").arg(line).arg(offset - lineStart + 1);
    }

    bool namePart(ProcCall &call)
    {
        const SqlToken &t = at();
        if (t.kind == SqlToken::Identifier) {
            call.nameParts.append(t.text(sql_).toString());
        } else if (t.kind == SqlToken::QuotedIdentifier && !t.unterminated) {
            QString inner = t.text(sql_).mid(1, t.length - 2).toString();
            call.nameParts.append(inner.replace(QStringLiteral("\"\""), QStringLiteral("\"")));
        } else {
            fail(QStringLiteral("expected a procedure name"));
            return false;
        }
        call.name += t.text(sql_);
        ++pos_;
        return true;
    }

    bool parseName(ProcCall &call)
    {
        if (!namePart(call))
            return false;
        while (at().kind == SqlToken::Dot) {
            call.name += u'.';
            ++pos_;
            if (!namePart(call))
                return false;
        }
        return true;
    }

    bool parseArgs(ProcCall &call)
    {
        if (at().kind == SqlToken::RParen) {
            ++pos_;
            return true;
        }
        while (true) {
            if (!parseArg(call))
                return false;
            if (at().kind == SqlToken::Comma) {
                ++pos_;
                continue;
            }
            if (at().kind == SqlToken::RParen) {
                ++pos_;
                return true;
            }
            if (at().kind == SqlToken::Operator && at().text(sql_) == u"=>") {
                fail(QStringLiteral("named arguments are not supported"));
                return false;
            }
            fail(at().kind == SqlToken::End || at().kind == SqlToken::Semicolon
                     ? QStringLiteral("missing ')' after the argument list")
                     : QStringLiteral("expected ',' or ')' after argument %1").arg(call.args.size()));
            return false;
        }
    }

    bool parseArg(ProcCall &call)
    {
        const int number = static_cast<int>(call.args.size()) + 1;
        const SqlToken &t = at();
        ProcArg arg;
        if (t.kind == SqlToken::String) {
            if (t.unterminated) {
                fail(QString());
                return false;
            }
            arg.text = sqlStringValue(sql_, t);
            arg.kind = arg.text.isEmpty() ? ProcArg::Kind::Null : ProcArg::Kind::Text;
            ++pos_;
        } else if (t.is(sql_, QLatin1StringView("NULL"))) {
            arg.kind = ProcArg::Kind::Null;
            ++pos_;
        } else if (t.kind == SqlToken::Bind) {
            arg.kind = ProcArg::Kind::Bind;
            arg.text = t.text(sql_).mid(1).toString();
            ++pos_;
        } else {
            QString sign;
            if (t.kind == SqlToken::Operator && (t.text(sql_) == u"-" || t.text(sql_) == u"+")) {
                if (t.text(sql_) == u"-")
                    sign = QStringLiteral("-");
                ++pos_;
            }
            if (at().kind != SqlToken::Number) {
                fail(QStringLiteral("argument %1 must be a quoted literal, NULL, a number or a :placeholder")
                         .arg(number));
                return false;
            }
            arg.kind = ProcArg::Kind::Number;
            arg.text = sign + at().text(sql_).toString();
            ++pos_;
        }
        call.args.append(arg);
        return true;
    }

    const QString &sql_;
    std::vector<SqlToken> tokens_;
    QString *error_;
    int pos_ = 0;
};

} // namespace

QVariant ProcArg::value() const
{
    switch (kind) {
    case Kind::Null:
        return QVariant();
    case Kind::Text:
    case Kind::Bind:
        return text;
    case Kind::Number: {
        bool ok = false;
        const qlonglong whole = text.toLongLong(&ok);
        if (ok)
            return whole;
        return text.toDouble();
    }
    }
    return QVariant();
}

QString ProcArg::asText() const
{
    if (kind != Kind::Number)
        return kind == Kind::Null ? QString() : text;
    const QVariant v = value();
    return v.typeId() == QMetaType::LongLong ? QString::number(v.toLongLong()) : oracleNumberText(v.toDouble());
}

std::optional<ProcCall> parseProcBlock(const QString &sql, QString *error)
{
    return BlockParser(sql, error).run();
}

QString procCallBlock(const QString &call, bool emptyToSpace)
{
    const QString text = call.trimmed();
    qsizetype split = 0;
    while (split < text.size() && !text[split].isSpace())
        ++split;
    const QString name = text.left(split);
    QString args = split < text.size() ? text.mid(split + 1) : QString();
    if (emptyToSpace)
        args = emptyLiteralsToSpace(args);
    return u"Begin " + name + u'(' + args + u"); end;";
}

} // namespace kestra
