#include "db/Dialect.h"

namespace kestra {

bool looksLikeBlock(const QString &sql)
{
    qsizetype i = 0;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    for (QLatin1StringView word : {QLatin1StringView("begin"), QLatin1StringView("declare")}) {
        const qsizetype end = i + word.size();
        if (QStringView(sql).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0 &&
            (end >= sql.size() || !(sql.at(end).isLetterOrNumber() || sql.at(end) == u'_')))
            return true;
    }
    return false;
}

std::optional<ProcCall> parseCallBlock(const QString &sql, QString *error)
{
    return parseProcBlock(sql, error);
}

} // namespace kestra
