#include "marc/BibParams.h"

namespace kestra {

void IndexGroupTable::setRow(int typeIndex, const IndexParaRow &row)
{
    if (typeIndex < 0 || typeIndex > 3 || row.group < 0 || row.group > 9999)
        return;
    if (row.group >= rows_.size())
        rows_.resize(row.group + 1);
    IndexGroupCell &cell = rows_[row.group][std::size_t(typeIndex)];
    cell.present = true;
    cell.name = row.name;
    cell.stopwordFlag = row.stopwordFlag;
    cell.marcField = row.marcField;
}

const IndexGroupCell *IndexGroupTable::cell(int group, int typeIndex) const
{
    if (group < 0 || group >= rows_.size() || typeIndex < 0 || typeIndex > 3)
        return nullptr;
    const IndexGroupCell &c = rows_[group][std::size_t(typeIndex)];
    return c.present ? &c : nullptr;
}

void BibParams::addIndexRow(int typeIndex, int useType, const IndexParaRow &row)
{
    if (useType == 0)
        retrievalGroups.setRow(typeIndex, row);
    else if (useType == 1)
        displayItems.setRow(typeIndex, row);
}

void BibParams::addGroupByUse(int useType, int group, const QString &field)
{
    for (GroupsByUse &g : groupsByUse) {
        if (g.useType == useType) {
            g.groups.append(group);
            g.fields.append(field);
            return;
        }
    }
    groupsByUse.append(GroupsByUse{useType, {group}, {field}});
}

void BibParams::addStopword(int type, const QString &content)
{
    if (type < 0 || type > 3)
        return;
    QString &text = stopWords[std::size_t(type)];
    if (!text.isEmpty() && type <= 1)
        text += QLatin1Char(',');
    text += content;
}

bool BibParams::addFieldName(int typeIndex, const QString &tag, const QString &name)
{
    if (typeIndex < 0 || typeIndex > 3)
        return false;
    QHash<QString, QString> &names = fieldNames[std::size_t(typeIndex)];
    if (!names.contains(tag) && names.size() >= MaxFieldNames)
        return false;
    names.insert(tag, name);
    return true;
}

QString callNoSeparatorOf(const QString &value)
{
    if (value.isEmpty())
        return QStringLiteral("/");
    QString s = value;
    return s.replace(QLatin1Char('_'), QLatin1Char(' '));
}

bool unicodeModeForSize(int marc03Size)
{
    return marc03Size > 2000;
}

int indexWidthFor(bool unicodeMode, int indexContentSize)
{
    if ((!unicodeMode && indexContentSize > 30) || (unicodeMode && indexContentSize > 60))
        return 60;
    return 30;
}

MarcInfoEntry parseMarcInfoValue(const QString &value)
{
    const qsizetype bar = value.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return MarcInfoEntry{value, QString()};
    QString display = value.mid(bar + 1).trimmed();
    display.chop(1);
    return MarcInfoEntry{value.left(bar), display};
}

void loadMarcInfo(const IniFile &ini, BibParams &params)
{
    const QString sections[2] = {QStringLiteral("CN"), QStringLiteral("US")};
    for (int type = 0; type < 2; ++type) {
        QList<MarcInfoEntry> &entries = params.marcInfo[std::size_t(type)];
        entries.clear();
        for (int n = 1; n <= BibParams::MaxMarcInfoEntries; ++n) {
            const QString key = QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
            if (!ini.hasKey(sections[type], key))
                break;
            entries.append(parseMarcInfoValue(ini.value(sections[type], key)));
        }
    }
}

void addFieldNamesFromMarcInfo(BibParams &params)
{
    for (int type = 0; type < 2; ++type) {
        for (const MarcInfoEntry &e : params.marcInfo[std::size_t(type)]) {
            const QString tag = e.display.left(3);
            if (tag.size() == 3 && !params.fieldNames[std::size_t(type)].contains(tag))
                params.addFieldName(type, tag, e.label);
        }
    }
}

} // namespace kestra
