#include "core/SysParams.h"

namespace kestra {

QString SysParams::raw(int number, bool *found) const
{
    for (int r = 0; r < table_.rowCount(); ++r) {
        bool ok = false;
        const int code = table_.text(r, 0).trimmed().toInt(&ok);
        if (ok && code == number) {
            *found = true;
            return table_.text(r, 1);
        }
    }
    *found = false;
    return {};
}

QString SysParams::text(int number) const
{
    bool found = false;
    return raw(number, &found);
}

QString SysParams::byName(const QString &code) const
{
    for (int r = 0; r < table_.rowCount(); ++r) {
        if (table_.text(r, 0).trimmed() == code)
            return table_.text(r, 1);
    }
    return {};
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
        return found ? QVariant(v.trimmed().toDouble()) : QVariant(QString());
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
