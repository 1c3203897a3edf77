#include "kit/Days.h"

#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/Session.h"

namespace kestra::day {

namespace {

QString format()
{
    return QStringLiteral("yyyy-MM-dd");
}

} // namespace

QString text(const QDate &date)
{
    return date.toString(format());
}

QDate from(const QString &text)
{
    return QDate::fromString(text.left(10), format());
}

QDate today(AppContext &context)
{
    const QDate server = from(context.db().serverDate());
    return server.isValid() ? server : context.clock().now().date();
}

} // namespace kestra::day
