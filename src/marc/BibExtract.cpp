#include "marc/BibExtract.h"

#include "marc/FieldReader.h"
#include "marc/MarcFieldNames.h"

namespace kestra {

using namespace iso2709;

namespace {

struct RequestRule {
    int group;
    bool all;
};

// Request number -> display-item group and list operation; requests 9 and
// 10 have fixed paths for types "C" and "U" and fall back to the group.
constexpr RequestRule kRules[14] = {
    {1, false}, {2, false},  {4, true},  {8, false}, {7, true},  {3, false}, {9, false},
    {6, false}, {10, false}, {1, false}, {2, false}, {2, false}, {3, false}, {4, false},
};

// Every value of one path, in order; the guard only bounds a path kind
// that would not move the cursors.
template <typename Fn>
void forEachValue(FieldReader &reader, QStringView path, Fn fn)
{
    reader.resetCursors();
    for (qsizetype guard = reader.record().data().size() + reader.record().fieldCount() + 2; guard > 0; --guard) {
        const QByteArrayView value = reader.fieldValueBytes(path);
        if (value.isEmpty())
            return;
        fn(reader.record().decode(value));
    }
}

QString composedTitleC(const BibRecord &record, const QStringList &list)
{
    FieldReader reader(record);
    reader.resetCursors();
    QString out;
    const int index = reader.nextField("200");
    if (index >= 0) {
        const QByteArrayView field = record.fieldBytes(index);
        qsizetype at = field.indexOf(SubfieldDelimiter);
        while (at >= 0 && at + 1 < field.size()) {
            const qsizetype width = record.codec().charLength(field, at + 1);
            qsizetype end = field.indexOf(SubfieldDelimiter, at + 1 + width);
            const qsizetype stop = end < 0 ? field.size() : end;
            // Paths name ASCII codes; a code of several bytes is no path's.
            const char code = width == 1 ? field[at + 1] : '\0';
            const QString path = QLatin1String("200") + QLatin1Char(code);
            if (code != '\0' && list.contains(path)) {
                const char *sep = code == 'a' ? " " : code == 'e' ? ":" : code == 'i' ? "," : ".";
                out += QLatin1String(sep) + record.decode(field.sliced(at + 2, stop - at - 2));
            }
            at = end;
        }
    }
    for (const QString &path : list) {
        if (path.left(3) == QLatin1String("200"))
            continue;
        forEachValue(reader, path, [&out](const QString &v) { out += QLatin1Char('.') + v; });
    }
    return out.mid(1);
}

QString composedTitleU(const BibRecord &record, const QStringList &list)
{
    FieldReader reader(record);
    QString out;
    for (const QString &path : list)
        forEachValue(reader, path, [&out](const QString &v) { out += QLatin1Char(' ') + v; });
    return out.mid(1);
}

QString groupValue(const BibRecord &record, int group, bool all, const BibParams &params)
{
    const IndexGroupCell *cell = params.displayItems.cell(group, record.typeIndex());
    if (!cell)
        return QString();
    FieldReader reader(record);
    return all ? reader.allFieldValues(cell->marcField) : reader.firstFieldValue(cell->marcField);
}

QStringList trimmedList(const QStringList &list)
{
    QStringList out;
    out.reserve(list.size());
    for (const QString &s : list)
        out.append(s.trimmed());
    return out;
}

// The punctuation before a value in an info line: a mark from the
// display pattern, or a blank where the pattern has none to give.
QString infoPiece(QChar mark, const QString &value, bool first)
{
    if (mark == QLatin1Char('('))
        return QLatin1Char('(') + value + QLatin1Char(')');
    if (mark == QLatin1Char('['))
        return QLatin1Char('[') + value + QLatin1Char(']');
    if (first)
        return value;
    if (mark.isNull() || mark.isLetterOrNumber() || mark == QLatin1Char('{') || mark == QLatin1Char('}'))
        return QLatin1Char(' ') + value;
    return mark + value;
}

} // namespace

QString getBibItem(const BibRecord &record, int request, const BibParams &params)
{
    if (request < 0 || request > 13 || record.isBlank())
        return QString();
    const int type = record.typeIndex();
    if (request == ItemTitle && (type == 0 || type == 1)) {
        const QStringList list = trimmedList(params.titleFields[std::size_t(type)]);
        return type == 0 ? composedTitleC(record, list) : composedTitleU(record, list);
    }
    if (request == ItemTitleProper || request == ItemMainAuthor) {
        static const QString paths[2][2] = {
            {QStringLiteral("200a"), QStringLiteral("701a,711a,721a")},
            {QStringLiteral("245a"), QStringLiteral("100a,110a,111a,245c")},
        };
        if (type == 0 || type == 1) {
            FieldReader reader(record);
            return reader.firstFieldValue(paths[type][request == ItemTitleProper ? 0 : 1]);
        }
    }
    const RequestRule rule = kRules[request];
    return groupValue(record, rule.group, rule.all, params);
}

InfoList buildInfoList(const BibRecord &record, const BibParams &params)
{
    InfoList list;
    const int type = record.typeIndex();
    if (type != 0 && type != 1)
        return list;
    FieldReader reader(record);
    for (const MarcInfoEntry &entry : params.marcInfo[std::size_t(type)]) {
        if (entry.display.size() < 3)
            continue;
        const QByteArray tag = entry.display.left(3).toLatin1();
        const QString codes = entry.display.mid(3);
        const bool markBeforeCode = entry.display.contains(QLatin1Char('{'));
        const QChar lastMark = entry.display.back();
        reader.resetCursors();
        for (int index = reader.nextField(tag.constData()); index >= 0; index = reader.nextField(tag.constData())) {
            const QByteArrayView field = record.fieldBytes(index);
            if (record.entry(index).isControl()) {
                const QString value = record.decode(field).trimmed();
                if (!value.isEmpty())
                    list.append(InfoItem{entry.label, value});
                continue;
            }
            const QByteArrayView body = withoutIndicators(field);
            QString line;
            bool first = true;
            qsizetype at = body.indexOf(SubfieldDelimiter);
            while (at >= 0) {
                qsizetype end = body.indexOf(SubfieldDelimiter, at + 1);
                const qsizetype stop = end < 0 ? body.size() : end;
                if (at + 1 < stop) {
                    // The code is one character of the record's encoding.
                    const qsizetype width = std::min(record.codec().charLength(body, at + 1), stop - at - 1);
                    const QString code = record.decode(body.sliced(at + 1, width));
                    const qsizetype pos = code.size() == 1 ? codes.indexOf(code.at(0)) : -1;
                    const QString value = record.decode(body.sliced(at + 1 + width, stop - at - 1 - width)).trimmed();
                    if (pos >= 0 && !value.isEmpty()) {
                        const QChar mark = markBeforeCode ? (pos > 0 ? codes.at(pos - 1) : QChar()) : lastMark;
                        line += infoPiece(mark, value, first);
                        first = false;
                    }
                }
                at = end;
            }
            line = line.trimmed();
            if (!line.isEmpty())
                list.append(InfoItem{entry.label, line});
        }
    }
    return list;
}

bool docTypeCodeIn11To19(const BibRecord &record)
{
    const int value = leadingNumber(record.summary.docTypeCode);
    return value >= 11 && value <= 19;
}

bool groupUsesStopwords(int groupCode, const BibParams &params)
{
    for (int type = 0; type < 4; ++type) {
        if (const IndexGroupCell *cell = params.retrievalGroups.cell(groupCode, type))
            return cell->stopwordFlag == 1;
    }
    return false;
}

QString fieldLabel(const QString &tag, const BibRecord &record, const BibParams &params)
{
    const int type = record.typeIndex();
    if (type < 0)
        return QString();
    const auto it = params.fieldNames[std::size_t(type)].constFind(tag);
    if (it != params.fieldNames[std::size_t(type)].constEnd())
        return it.value();
    if (const QString name = standardFieldName(type, tag); !name.isEmpty())
        return name;
    return type == 0 || type == 2 ? QStringLiteral("非Marc字段") : QStringLiteral("*No Marc*");
}

} // namespace kestra
