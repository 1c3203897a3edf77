#include "db/OraError.h"

namespace kestra::ora {

namespace {
const QString Owner = QStringLiteral("KESTRA.");
}

DbError make(int code, const QString &detail)
{
    return DbError{code, QStringLiteral("ORA-%1: ").arg(code, 5, 10, QLatin1Char('0')) + detail};
}

DbError uniqueViolated(const QString &constraint)
{
    return make(UniqueViolated,
                QStringLiteral("unique constraint (") + Owner + constraint.toUpper() + QStringLiteral(") violated"));
}

DbError childRecordFound(const QString &constraint)
{
    return make(ChildRecordFound, QStringLiteral("integrity constraint (") + Owner + constraint.toUpper() +
                                      QStringLiteral(") violated - child record found"));
}

DbError parentKeyNotFound(const QString &constraint)
{
    return make(ParentKeyNotFound, QStringLiteral("integrity constraint (") + Owner + constraint.toUpper() +
                                       QStringLiteral(") violated - parent key not found"));
}

DbError resourceBusy()
{
    return make(ResourceBusy, QStringLiteral("resource busy and acquire with NOWAIT specified or timeout expired"));
}

DbError endOfChannel(const QString &detail)
{
    return make(EndOfChannel, QStringLiteral("end-of-file on communication channel (") + detail + u')');
}

DbError notConnected()
{
    return make(NotConnected, QStringLiteral("not connected to ORACLE"));
}

DbError rolledBack(const QString &why)
{
    return make(TransactionRolledBack, QStringLiteral("transaction rolled back: ") + why);
}

DbError severalStatements()
{
    return make(InvalidCharacter, QStringLiteral("invalid character: a text holds more than one statement; "
                                                 "send each statement on its own"));
}

int codeFromText(const QString &text)
{
    const qsizetype at = text.indexOf(QStringLiteral("ORA-"), 0, Qt::CaseInsensitive);
    if (at < 0)
        return 0;
    int code = 0;
    bool any = false;
    for (qsizetype i = at + 4; i < text.size() && text.at(i).isDigit(); ++i) {
        code = code * 10 + text.at(i).digitValue();
        any = true;
        if (code > 99999)
            break;
    }
    return any ? code : 0;
}

std::optional<DbError> raisedError(const QString &message)
{
    static const QLatin1StringView prefix("ORA-");
    if (!message.startsWith(prefix))
        return std::nullopt;
    qsizetype i = prefix.size();
    while (i < message.size() && message.at(i).isDigit())
        ++i;
    if (i == prefix.size() || i > prefix.size() + 5 || i >= message.size() || message.at(i) != u':')
        return std::nullopt;
    return DbError{codeFromText(message), message};
}

} // namespace kestra::ora
