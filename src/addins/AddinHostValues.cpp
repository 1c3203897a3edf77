#include "addins/AddinHostValues.h"

#include "core/AppContext.h"

#include <QLocale>

namespace kestra {

QString addinHostVersion()
{
    return QStringLiteral("%1.%2.%3").arg(KESTRA_VERSION_MAJOR).arg(KESTRA_VERSION_MINOR).arg(KESTRA_VERSION_PATCH);
}

QString addinReleaseDate(const char *compilerDate)
{
    // The compiler writes "Mmm dd yyyy" (a blank before a one-digit day).
    const QString text = QString::fromLatin1(compilerDate).simplified();
    const QDate date = QLocale::c().toDate(text, QStringLiteral("MMM d yyyy"));
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

AddinVariables addinVariables(AppContext &context)
{
    const ConnectionSettings &c = context.connection();
    const SessionValues &s = context.session();
    AddinVariables v;
    v.values = {
        {QStringLiteral("%A001%"), context.folders().root()},
        // The session is not an object another library could share, so an
        // add-in gets the connection's name and opens its own.
        {QStringLiteral("%B001%"), c.dsnText},
        {QStringLiteral("%B002%"), c.dsnText},
        {QStringLiteral("%B003%"), c.user},
        {QStringLiteral("%B004%"), c.password},
        {QStringLiteral("%C001%"), s.operatorNo},
        {QStringLiteral("%C002%"), s.password},
        {QStringLiteral("%D001%"), addinHostVersion()},
        {QStringLiteral("%D005%"), addinReleaseDate(__DATE__)},
        {QStringLiteral("%E001%"),
         QStringLiteral("Orvane文献信息服务系统Kestra%1.%2").arg(KESTRA_VERSION_MAJOR).arg(KESTRA_VERSION_MINOR)},
    };
    return v;
}

} // namespace kestra
