#include "db/DdlScan.h"

#include <QSet>

namespace kestra {

namespace {

QStringList tokens(const QString &sql)
{
    QStringList out;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? u']' : c;
            const qsizetype end = sql.indexOf(close, i + 1);
            const qsizetype stop = end < 0 ? sql.size() : end;
            out.append(sql.mid(i + 1, stop - i - 1));
            i = stop + 1;
        } else if (c == u'\'') {
            qsizetype j = i + 1;
            while (j < sql.size() && !(sql.at(j) == u'\'' && (j + 1 >= sql.size() || sql.at(j + 1) != u'\'')))
                j += sql.at(j) == u'\'' ? 2 : 1;
            out.append(QStringLiteral("'"));
            i = j + 1;
        } else if (c.isLetterOrNumber() || c == u'_') {
            qsizetype j = i;
            while (j < sql.size() && (sql.at(j).isLetterOrNumber() || sql.at(j) == u'_' || sql.at(j) == u'$'))
                ++j;
            out.append(sql.mid(i, j - i));
            i = j;
        } else {
            out.append(QString(c));
            ++i;
        }
    }
    return out;
}

QSet<QString> lowerSet(const QStringList &list)
{
    QSet<QString> set;
    for (const QString &s : list)
        set.insert(s.toLower());
    return set;
}

bool is(const QStringList &t, qsizetype i, const char *word)
{
    return i < t.size() && t.at(i).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

} // namespace

QString findConstraintName(const QString &createTable, const QString &kind, const QStringList &columns,
                           const QString &parent)
{
    const QStringList t = tokens(createTable);
    const QSet<QString> wanted = lowerSet(columns);
    const QStringList kindWords = kind.split(u' ');
    for (qsizetype i = 0; i + 2 < t.size(); ++i) {
        if (!is(t, i, "CONSTRAINT"))
            continue;
        const QString name = t.at(i + 1);
        qsizetype j = i + 2;
        bool matches = true;
        for (const QString &w : kindWords) {
            if (!is(t, j, w.toLatin1().constData())) {
                matches = false;
                break;
            }
            ++j;
        }
        if (!matches || !is(t, j, "("))
            continue;
        QStringList cols;
        for (++j; j < t.size() && t.at(j) != QLatin1String(")"); ++j) {
            if (t.at(j) != QLatin1String(","))
                cols.append(t.at(j));
        }
        if (lowerSet(cols) != wanted)
            continue;
        if (!parent.isEmpty()) {
            if (!is(t, j + 1, "REFERENCES") || j + 2 >= t.size() ||
                t.at(j + 2).compare(parent, Qt::CaseInsensitive) != 0)
                continue;
        }
        return name;
    }
    return {};
}

} // namespace kestra
