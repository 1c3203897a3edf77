#include "core/IniFile.h"

#include <QFile>

namespace kestra {

namespace {

QString stripQuotes(const QString &value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

IniFile::IniFile(const QString &text, CodePage codePage) : codePage_(std::move(codePage))
{
    Section *current = nullptr;
    const QStringList lines = text.split(u'\n');
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString name = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
            sections_.append(Section{name, {}});
            current = &sections_.last();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (current == nullptr || eq <= 0)
            continue;
        current->entries.append(Entry{line.left(eq).trimmed(), stripQuotes(line.mid(eq + 1).trimmed())});
    }
}

IniFile IniFile::load(const QString &path, const CodePage &codePage, bool *exists)
{
    QFile file(path);
    const bool ok = file.open(QIODevice::ReadOnly);
    if (exists != nullptr)
        *exists = ok;
    if (!ok)
        return IniFile(QString(), codePage);
    return IniFile(codePage.decodeFile(file.readAll()), codePage);
}

const IniFile::Section *IniFile::findSection(const QString &name) const
{
    for (const Section &section : sections_) {
        if (section.name.compare(name, Qt::CaseInsensitive) == 0)
            return &section;
    }
    return nullptr;
}

const IniFile::Entry *IniFile::findEntry(const QString &section, const QString &key) const
{
    const Section *found = findSection(section);
    if (found == nullptr)
        return nullptr;
    for (const Entry &entry : found->entries) {
        if (entry.key.compare(key, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

QString IniFile::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    const Entry *entry = findEntry(section, key);
    return codePage_.cutToBytes(entry != nullptr ? entry->value : defaultValue, MaxValueBytes);
}

bool IniFile::hasSection(const QString &section) const
{
    return findSection(section) != nullptr;
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    return findEntry(section, key) != nullptr;
}

} // namespace kestra
