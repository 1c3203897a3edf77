#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace kestra {

// The per-user preferences of the main window, kept in the platform's
// per-user settings store under the program title, sections "SysParam" and
// "Settings". Values are read once when the main window opens.
struct Preferences {
    QString styleId = QStringLiteral("DefaultTheme");
    QString showDate = QStringLiteral("All");
    int intervalTime = 1000;
    QString bookStat = QStringLiteral("1");
    int sdsd = 0;
    QString suggest = QStringLiteral("0");
    QString fontName = QStringLiteral("Fixedsys");
    int fontSize = 12;
    bool fontBold = false;
    int bmSubidRep = 31;
    QString listFontName = QStringLiteral("宋体");
    int listFontSize = 9;
    bool listFontBold = false;
    QString smtpAddress;
    QString emailAddress;
    QString smtpUser;
    QString smtpPassword;
    QString smtp;
};

// The store itself. The default constructor uses the platform's store for
// the program title; tests pass a file of their own.
class UserSettingsStore {
public:
    static const QString ProgramTitle;

    UserSettingsStore();
    explicit UserSettingsStore(const QString &iniFile);
    ~UserSettingsStore();
    UserSettingsStore(const UserSettingsStore &) = delete;
    UserSettingsStore &operator=(const UserSettingsStore &) = delete;

    // GetSetting / SaveSetting.
    QString value(const QString &section, const QString &key, const QString &defaultValue) const;
    void setValue(const QString &section, const QString &key, const QString &value);

    Preferences loadPreferences() const;
    void saveStyle(const QString &styleId);

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace kestra
