#include "addins/AddinShortcut.h"

namespace kestra {

std::optional<AddinShortcut> parseAddinShortcut(const QString &text)
{
    const qsizetype open = text.indexOf(u'[');
    const qsizetype close = open < 0 ? -1 : text.indexOf(u']', open + 1);
    const qsizetype paren = close < 0 ? -1 : text.indexOf(u'(', close + 1);
    const qsizetype end = text.lastIndexOf(u')');
    if (open < 0 || close < 0 || paren < 0 || end < paren)
        return std::nullopt;
    AddinShortcut s;
    s.kind = text.mid(open + 1, close - open - 1).trimmed();
    s.name = text.mid(close + 1, paren - close - 1).trimmed();
    if (s.name.isEmpty())
        return std::nullopt;
    const QString inner = text.mid(paren + 1, end - paren - 1);
    if (!inner.trimmed().isEmpty()) {
        for (const QString &a : inner.split(u','))
            s.arguments.append(a.trimmed());
    }
    return s;
}

QList<AddinArgument> expandAddinArguments(const QStringList &arguments, const AddinVariables &variables)
{
    static const QLatin1String objectPrefix("%OBJECT%");
    QList<AddinArgument> out;
    out.reserve(arguments.size());
    for (const QString &a : arguments) {
        AddinArgument arg{a, a};
        if (a.startsWith(objectPrefix, Qt::CaseInsensitive) && a.size() > objectPrefix.size()) {
            QObject *object = variables.findObject ? variables.findObject(a.mid(objectPrefix.size())) : nullptr;
            arg.value = QVariant::fromValue(object);
        } else {
            const auto it = variables.values.constFind(a.toUpper());
            if (it != variables.values.constEnd())
                arg.value = it.value();
        }
        out.append(arg);
    }
    return out;
}

} // namespace kestra
