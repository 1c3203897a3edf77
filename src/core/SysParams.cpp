#include "core/SysParams.h"

namespace kestra {

int leadingInteger(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t.at(i) == u'-' || t.at(i) == u'+'))
        ++i;
    while (i < t.size() && t.at(i).isDigit() && t.at(i).unicode() < 128)
        ++i;
    bool ok = false;
    const int v = t.left(i).toInt(&ok);
    return ok ? v : 0;
}

void SysParams::setTable(QueryResult table)
{
    table_ = std::move(table);
    byNumber_.clear();
    byCode_.clear();
    for (int r = 0; r < table_.rowCount(); ++r) {
        const QString code = table_.text(r, 0).trimmed();
        bool ok = false;
        const int number = code.toInt(&ok);
        if (ok && !byNumber_.contains(number))
            byNumber_.insert(number, r);
        if (!byCode_.contains(code))
            byCode_.insert(code, r);
    }
}

QString SysParams::raw(int number, bool *found) const
{
    const auto it = byNumber_.constFind(number);
    *found = it != byNumber_.constEnd();
    return *found ? table_.text(*it, 1) : QString();
}

QString SysParams::text(int number) const
{
    bool found = false;
    return raw(number, &found);
}

int SysParams::integer(int number) const
{
    return leadingInteger(text(number));
}

QString SysParams::byName(const QString &code) const
{
    const auto it = byCode_.constFind(code);
    return it == byCode_.constEnd() ? QString() : table_.text(*it, 1);
}

QVariant SysParams::value(int number) const
{
    bool found = false;
    const QString v = raw(number, &found);
    switch (number) {
    case 4:
    case 7:
    case 11:
    case 39:
    case 40:
        return found ? QVariant(v == QLatin1String("1")) : QVariant(QString());
    case 29:
        return found ? QVariant(v.trimmed() == QLatin1String("1")) : QVariant(QString());
    case 5:
    case 6:
    case 8:
    case 9:
    case 10:
    case 12:
        if (!found)
            return QString();
        else {
            bool ok = false;
            const double d = v.trimmed().toDouble(&ok);
            return ok ? d : static_cast<double>(leadingInteger(v));
        }
    case 14:
        return v.section(u',', 0, 0);
    case 142: {
        bool found14 = false;
        return raw(14, &found14).section(u',', 1, 1);
    }
    case 20: {
        if (v.isEmpty())
            return QStringLiteral(" ");
        QString out = v;
        return out.replace(u'_', u' ');
    }
    case 22:
        return v.trimmed();
    case 28:
        return v.trimmed().isEmpty() ? QVariant(-1) : QVariant(v.trimmed());
    case 78:
        return v.isEmpty() ? QVariant(0) : QVariant(v);
    default:
        return v;
    }
}

} // namespace kestra
