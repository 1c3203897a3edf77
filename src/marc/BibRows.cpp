#include "marc/BibWriter.h"

#include "marc/BibExtract.h"
#include "marc/FieldReader.h"
#include "marc/MarcText.h"

namespace kestra {

QString fitColumn(const QString &value, int width, bool unicodeMode, const MarcCodec &codec)
{
    const QString v = value.trimmed();
    if (unicodeMode)
        return v.left(width);
    return v.left(codec.prefixFitting(v, width));
}

namespace {

// Every value of one path, a bare tag giving each occurrence's plain text.
QStringList pathValues(FieldReader &reader, const QString &path)
{
    QStringList out;
    const QString p = path.trimmed();
    reader.resetCursors();
    const BibRecord &rec = reader.record();
    if (p.size() == 3) {
        const QByteArray tag = p.toLatin1();
        for (int i = reader.nextField(tag.constData()); i >= 0; i = reader.nextField(tag.constData()))
            out.append(rec.entry(i).isControl() ? rec.fieldText(i) : fieldPlainText(rec.fieldBytes(i), rec.codec()));
        return out;
    }
    for (qsizetype guard = rec.data().size() + rec.fieldCount() + 2; guard > 0; --guard) {
        const QByteArrayView v = reader.fieldValueBytes(p);
        if (v.isEmpty())
            break;
        out.append(rec.decode(v));
    }
    return out;
}

} // namespace

BibSummaryColumns summaryColumns(const BibRecord &record, const BibParams &params)
{
    BibSummaryColumns c;
    const bool uni = params.unicodeMode;
    const MarcCodec &codec = record.codec();
    const QStringList calls = recordCallNumbers(record, params.callNoSeparator);
    c.callNo = fitColumn(calls.value(0), 60, uni, codec);
    c.title = fitColumn(getBibItem(record, ItemTitle, params), 1000, uni, codec);
    c.author = fitColumn(getBibItem(record, ItemAuthor, params), 500, uni, codec);
    c.publisher = fitColumn(getBibItem(record, ItemGroup3, params), 300, uni, codec);
    c.pubYear = fitColumn(getBibItem(record, ItemGroup6, params), 20, uni, codec);
    c.isbn = fitColumn(getBibItem(record, ItemGroup4First, params), 100, uni, codec);
    c.classNo = fitColumn(getBibItem(record, ItemGroup8, params), 60, uni, codec);
    const bool chinese = record.typeIndex() == 0 || record.typeIndex() == 2;
    FieldReader reader(record);
    for (qsizetype i = 0; i < params.infoFields.size() && i < qsizetype(c.info.size()); ++i) {
        const InfoFieldRow &row = params.infoFields[i];
        c.info[std::size_t(i)] =
            fitColumn(reader.firstFieldValue(chinese ? row.cnField : row.usField), 500, uni, codec);
    }
    return c;
}

QStringList recordCallNumbers(const BibRecord &record, const QString &separator)
{
    const bool chinese = record.typeIndex() == 0 || record.typeIndex() == 2;
    const char *tag = chinese ? "905" : "090";
    const char classCode = chinese ? 'd' : 'a';
    const char bookCode = chinese ? 'e' : 'b';
    QStringList out;
    for (int i = record.findField(tag); i >= 0; i = record.findField(tag, i + 1)) {
        const QByteArrayView body = withoutIndicators(record.fieldBytes(i));
        const QString cls = record.decode(FieldReader::getSubfield(body, classCode)).trimmed();
        const QString book = record.decode(FieldReader::getSubfield(body, bookCode)).trimmed();
        if (cls.isEmpty())
            continue;
        const QString callNo = book.isEmpty() ? cls : cls + separator + book;
        if (!out.contains(callNo))
            out.append(callNo);
    }
    return out;
}

QList<IndexKey> indexKeys(const BibRecord &record, const BibParams &params, const CodePage &codePage)
{
    QList<IndexKey> keys;
    const int type = record.typeIndex();
    const MarcCodec codec(codePage);
    FieldReader reader(record);
    for (int g = 0; g < params.retrievalGroups.groupCount(); ++g) {
        const IndexGroupCell *cell = params.retrievalGroups.cell(g, type);
        if (!cell)
            continue;
        const QString group = QStringLiteral("%1").arg(g, 2, 10, QLatin1Char('0'));
        for (const QString &path : cell->marcField.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            for (const QString &value : pathValues(reader, path)) {
                // Keys are kept in upper case: the searches upper-case what
                // the operator types.
                QString key =
                    (cell->stopwordFlag == 1 ? normaliseSearchKey(value, params.stopWords) : value.trimmed()).toUpper();
                key = params.unicodeMode ? key.left(params.indexWidth)
                                         : key.left(codec.prefixFitting(key, params.indexWidth));
                const IndexKey k{group, key.trimmed()};
                if (!k.content.isEmpty() && !keys.contains(k))
                    keys.append(k);
            }
        }
    }
    return keys;
}

QStringList bibChunks(const QString &text, int maxUnits, bool unicodeMode, const CodePage &codePage)
{
    const MarcCodec codec(codePage);
    QStringList chunks;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const QStringView rest = QStringView(text).sliced(pos);
        qsizetype n = unicodeMode ? std::min<qsizetype>(rest.size(), maxUnits) : codec.prefixFitting(rest, maxUnits);
        if (unicodeMode && n < rest.size() && n > 0 && rest[n - 1].isHighSurrogate())
            --n;
        if (n <= 0)
            n = 1; // a character wider than a chunk: stored as it is
        if (n < rest.size()) {
            // Query results come back right-trimmed of every whitespace
            // character (the ideographic space of an indented Chinese
            // summary too), and only blanks can be put back from the
            // stored length: no chunk ends with any of them.
            qsizetype k = n;
            while (k > 1 && rest[k - 1].isSpace())
                --k;
            if (!rest[k - 1].isSpace())
                n = k;
        }
        chunks.append(rest.first(n).toString());
        pos += n;
    }
    return chunks;
}

QString docTypeCodeFor(const BibRecord &record)
{
    if (record.isBlank())
        return QString();
    const QByteArrayView leader = record.leader();
    const char type = leader.at(6);
    const char level = leader.at(7);
    const bool marc21 = record.typeIndex() == 1 || record.typeIndex() == 3;
    FieldReader reader(record);
    if (type == 'g' || type == 'i' || type == 'j' || type == 'k')
        return QStringLiteral("08");
    if (type == 'm' || (!marc21 && type == 'l'))
        return QStringLiteral("09");
    const QString lang = record.summary.langCode.trimmed().toLower();
    const int lane = lang == QLatin1String("chi") || lang == QLatin1String("zho") ? 0
                     : lang == QLatin1String("jpn")                               ? 1
                     : lang == QLatin1String("rus")                               ? 2
                                                                                  : 3;
    if (level == 's') {
        // Newspapers: MARC 21 008/21 "n", UNIMARC 110 $a/0 "c".
        const QString f = reader.firstFieldValue(marc21 ? u"008" : u"110a");
        const bool newspaper = marc21 ? f.mid(21, 1) == QLatin1String("n") : f.startsWith(QLatin1Char('c'));
        if (newspaper)
            return lane == 0 ? QStringLiteral("15") : QStringLiteral("16");
        static const char *const serials[] = {"11", "13", "14", "12"};
        return QString::fromLatin1(serials[lane]);
    }
    static const char *const books[] = {"01", "03", "04", "02"};
    return QString::fromLatin1(books[lane]);
}

QString classSchemeFor(const BibRecord &record, const QString &callNo, const BibParams &params)
{
    if (params.classifications.isEmpty())
        return QString();
    const bool marc21 = record.typeIndex() == 1 || record.typeIndex() == 3;
    const QString cls = callNo.section(params.callNoSeparator, 0, 0).trimmed();
    FieldReader reader(record);
    for (const auto &[id, field] : params.classifications) {
        QString path = field;
        if (marc21) {
            // The Chinese scheme's fields of Dewey and LC have their MARC 21
            // places; the other schemes go in 084.
            path = field.startsWith(QLatin1String("676"))   ? QStringLiteral("082a")
                   : field.startsWith(QLatin1String("680")) ? QStringLiteral("050a")
                                                            : QStringLiteral("084a");
        }
        const QString value = reader.allFieldValues(path);
        for (const QString &v : value.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
            if (!cls.isEmpty() && (cls.startsWith(v.trimmed()) || v.trimmed().startsWith(cls)))
                return id;
        }
    }
    return params.classifications.first().first;
}

} // namespace kestra
