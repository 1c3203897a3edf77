#include "core/Preferences.h"

#include <QSettings>

namespace kestra {

const QString UserSettingsStore::ProgramTitle = QStringLiteral("Kestra典藏");

UserSettingsStore::UserSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Kestra"),
                                            ProgramTitle))
{}

UserSettingsStore::UserSettingsStore(const QString &iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{}

UserSettingsStore::~UserSettingsStore() = default;

QString UserSettingsStore::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    return settings_->value(section + u'/' + key, defaultValue).toString();
}

void UserSettingsStore::setValue(const QString &section, const QString &key, const QString &value)
{
    settings_->setValue(section + u'/' + key, value);
    settings_->sync();
}

namespace {

int toInt(const QString &text, int fallback)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : fallback;
}

bool toBool(const QString &text, bool fallback)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("-1"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("0"))
        return false;
    return fallback;
}

} // namespace

Preferences UserSettingsStore::loadPreferences() const
{
    Preferences p;
    const QString sys = QStringLiteral("SysParam");
    const QString set = QStringLiteral("Settings");
    auto text = [this](const QString &section, const char *key, const QString &fallback) {
        return value(section, QLatin1String(key), fallback);
    };
    p.styleId = text(set, "StyleID", p.styleId);
    p.showDate = text(sys, "ShowDate", p.showDate);
    p.intervalTime = toInt(text(sys, "IntervalTime", {}), p.intervalTime);
    p.bookStat = text(sys, "BookStat", p.bookStat);
    p.sdsd = toInt(text(sys, "Sdsd", {}), p.sdsd);
    p.suggest = text(sys, "Suggest", p.suggest);
    p.fontName = text(sys, "FontName", p.fontName);
    p.fontSize = toInt(text(sys, "FontSize", {}), p.fontSize);
    p.fontBold = toBool(text(sys, "FontBold", {}), p.fontBold);
    p.bmSubidRep = toInt(text(sys, "BM_SUBID_REP", {}), p.bmSubidRep);
    p.listFontName = text(set, "ListFontName", p.listFontName);
    p.listFontSize = toInt(text(set, "ListFontSize", {}), p.listFontSize);
    p.listFontBold = toBool(text(set, "ListFontBold", {}), p.listFontBold);
    p.smtpAddress = text(sys, "SmtpAddress", {});
    p.emailAddress = text(sys, "EmailAddress", {});
    p.smtpUser = text(sys, "SmtpUser", {});
    p.smtpPassword = text(sys, "SmtpPassWord", {});
    p.smtp = text(sys, "Smtp", {});
    return p;
}

void UserSettingsStore::saveStyle(const QString &styleId)
{
    setValue(QStringLiteral("Settings"), QStringLiteral("StyleID"), styleId);
}

} // namespace kestra
