#include "kit/CellText.h"

#include "copies/ItemCodes.h"
#include "core/AppContext.h"

namespace kestra {

namespace cell {

QString location(AppContext &context, const QString &code)
{
    const QString name = context.codes().locationName(code);
    return name.isEmpty() ? code : name;
}

QString staff(AppContext &context, const QString &code)
{
    const QString name = context.codes().staffName(code);
    return name.isEmpty() ? code : name;
}

QString status(const QString &code)
{
    const QString name = item_status::name(code);
    return name.isEmpty() ? code : name;
}

QString price(double value)
{
    return QString::number(value, 'f', 2);
}

QString yesNo(bool on)
{
    return on ? QStringLiteral("是") : QStringLiteral("否");
}

QString flag(const QString &value)
{
    return yesNo(value.trimmed() == QLatin1String("1"));
}

} // namespace cell

} // namespace kestra
