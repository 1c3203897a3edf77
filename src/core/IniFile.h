#pragma once

#include "core/CodePage.h"

#include <QList>
#include <QString>

namespace kestra {

// A settings file in the Windows profile format, read the way the profile
// calls read it: section and key names compare case-insensitively, the first
// matching section and key win, a missing one gives the caller's default,
// and values are cut to 255 bytes of the workstation code page (the fixed
// buffer of the profile call) without splitting a character.
class IniFile {
public:
    static constexpr int MaxValueBytes = 255;

    IniFile() = default;
    IniFile(const QString &text, CodePage codePage);

    // Reads the file; a missing or unreadable file gives an empty profile
    // and sets *exists to false.
    static IniFile load(const QString &path, const CodePage &codePage, bool *exists = nullptr);

    QString value(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
    };

    const Section *findSection(const QString &name) const;
    const Entry *findEntry(const QString &section, const QString &key) const;

    QList<Section> sections_;
    CodePage codePage_;
};

} // namespace kestra
