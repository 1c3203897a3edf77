#include "printing/CatalogueCard.h"

#include "marc/BibRecord.h"
#include "marc/FieldReader.h"
#include "marc/MarcCodec.h"
#include "marc/MarcText.h"
#include "printing/Isbn.h"

namespace kestra {

namespace {

struct CardSubfield {
    QChar code;
    QString value;
};

QList<CardSubfield> cardSubfields(const QString &fieldText)
{
    QList<CardSubfield> out;
    const QStringList pieces = fieldText.mid(2).split(QChar(iso2709::SubfieldDelimiter));
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        if (!pieces.at(i).isEmpty())
            out.append({pieces.at(i).at(0), pieces.at(i).mid(1).trimmed()});
    }
    return out;
}

QStringList cardFieldTexts(const BibRecord &record, const QString &tag)
{
    QStringList out;
    const QByteArray t = tag.toLatin1();
    if (t.size() != 3)
        return out;
    for (int i = 0; i < record.fieldCount(); ++i) {
        if (record.entry(i).hasTag(t.constData()))
            out.append(record.fieldText(i));
    }
    return out;
}

QString cardFirstValue(const BibRecord &record, const QString &path)
{
    FieldReader reader(record);
    return reader.getFieldValue(path).trimmed();
}

QStringList cardAllValues(const BibRecord &record, const QString &path)
{
    QStringList out;
    for (const QString &text : cardFieldTexts(record, path.left(3))) {
        for (const CardSubfield &s : cardSubfields(text)) {
            if (path.size() > 3 && s.code == path.at(3) && !s.value.isEmpty())
                out.append(s.value);
        }
    }
    return out;
}

bool isCardSeriesField(int type, const QString &tag)
{
    return type == 0 ? tag == u"225" : (tag == u"440" || tag == u"490");
}

// The punctuation the suite puts before a subfield that carries its own
// rule, when the layout gives none. MARC 21 values end on their own marks
// and get none.
QString cardDefaultPunctuation(int type, const QString &tag, QChar code, bool repeated)
{
    if (type == 0 && (tag == u"200" || tag == u"225")) {
        if (code == u'h')
            return QStringLiteral(". ");
        if (code == u'i')
            return QStringLiteral(", ");
        if (tag == u"200" && code == u'a' && repeated)
            return QStringLiteral(" ; ");
    }
    return {};
}

QString composeCardParagraph(const BibRecord &record, const CardParagraph &paragraph, const CardParams &params,
                             int type, const QString &gmd)
{
    QString text;
    const QString sectionGap = params.sectionChar.isEmpty() ? QStringLiteral(" ") : params.sectionChar;
    bool gmdPlaced = gmd.isEmpty();
    for (const CardSection &section : paragraph.sections) {
        QString sectionText;
        for (const CardField &field : section.fields) {
            for (const QString &fieldText : cardFieldTexts(record, field.tag)) {
                QString part;
                QChar previous;
                for (const CardSubfield &s : cardSubfields(fieldText)) {
                    if (s.value.isEmpty())
                        continue;
                    const auto e = std::find_if(field.elements.cbegin(), field.elements.cend(),
                                                [&s](const CardElement &el) { return el.code == s.code; });
                    if (e == field.elements.cend())
                        continue;
                    const bool repeated = s.code == previous;
                    QString punct;
                    if (text.isEmpty() && sectionText.isEmpty() && part.isEmpty())
                        punct = e->first;
                    else if (repeated && !e->repeat.isEmpty())
                        punct = e->repeat;
                    else
                        punct = e->before;
                    if (punct.isEmpty() && !(text.isEmpty() && sectionText.isEmpty() && part.isEmpty())) {
                        // MARC 21 values carry their own marks: a blank
                        // between them is all the layout needs to give.
                        punct = cardDefaultPunctuation(type, field.tag, s.code, repeated);
                        if (punct.isEmpty())
                            punct = QStringLiteral(" ");
                    }
                    part += punct + s.value + e->after;
                    // The designation stands right after the title proper.
                    if (!gmdPlaced && s.code == u'a' && (field.tag == u"200" || field.tag == u"245")) {
                        part += QStringLiteral(" [") + gmd + u']';
                        gmdPlaced = true;
                    }
                    previous = s.code;
                }
                if (part.isEmpty())
                    continue;
                if (isCardSeriesField(type, field.tag))
                    part = u'(' + part.trimmed() + u')';
                if (!sectionText.isEmpty() && !part.startsWith(u' '))
                    sectionText += u' ';
                sectionText += part;
            }
        }
        if (sectionText.trimmed().isEmpty())
            continue;
        if (!text.isEmpty())
            text += sectionGap;
        text += sectionText.trimmed();
    }
    return text.trimmed();
}

// An access point as a heading or tracing entry: without the leading marks
// the parameters name, nor the ISBD marks a MARC 21 value ends on.
QString traceWithoutLead(QString value, const QString &omit)
{
    while (!value.isEmpty() && !omit.isEmpty() && omit.contains(value.at(0)))
        value.remove(0, 1);
    value = value.trimmed();
    while (!value.isEmpty() && QStringLiteral("/:;,=").contains(value.back()))
        value = value.chopped(1).trimmed();
    return value;
}

} // namespace

int cardTypeOf(const BibRecord &record)
{
    const int t = record.typeIndex();
    return t == 0 || t == 1 ? t : -1;
}

CardData composeCard(const BibRecord &record, const CardParams &params, const CardLayout &layout,
                     const CardRecordInfo &info)
{
    CardData card;
    card.marcRecNo = record.summary.marcRecNo;
    card.type = std::max(0, cardTypeOf(record));
    const CardTypeParams &tp = params.types[static_cast<std::size_t>(card.type)];
    for (const QString &item : tp.docTypes) {
        if (item == u"TYPE")
            card.header.append(info.typeName);
        else if (item == u"DOC")
            card.header.append(info.docTypeName);
        else if (item == u"USER")
            card.header.append(record.summary.cataOper);
        else
            card.header.append(cardFirstValue(record, item));
    }
    card.serial = !cardFirstValue(record, QStringLiteral("011a")).isEmpty();
    if (tp.materialDesignation)
        card.materialDesignation =
            cardFirstValue(record, card.type == 0 ? QStringLiteral("200b") : QStringLiteral("245h"));
    if (!tp.fieldTag.isEmpty()) {
        card.classNumber = cardFirstValue(record, tp.fieldTag + tp.classSubfield.left(1));
        card.bookNumber = cardFirstValue(record, tp.fieldTag + tp.accessSubfield.left(1));
    }
    QString sep = info.separator.left(1);
    if (sep == u"_")
        sep = QStringLiteral(" ");
    card.callNumber = card.bookNumber.isEmpty() ? card.classNumber : card.classNumber + sep + card.bookNumber;
    if (card.type == 0 && params.chinesePy) {
        card.pinyin = cardFirstValue(record, QStringLiteral("2009"));
        if (params.chineseUpcase)
            card.pinyin = card.pinyin.toUpper();
    }
    for (const CardParagraph &p : layout.paragraphs) {
        card.paragraphs.append(composeCardParagraph(record, p, params, card.type, card.materialDesignation));
        card.paragraphFonts.append(p.fontSize);
    }
    for (const QString &tag : tp.noteFields) {
        for (const QString &text : cardFieldTexts(record, tag))
            card.notes.append(fieldPlainText(text));
    }
    for (const QString &tag : tp.isbnFields) {
        for (const QString &text : cardFieldTexts(record, tag)) {
            const QList<CardSubfield> subs = cardSubfields(text);
            QString number;
            QString price;
            for (const CardSubfield &s : subs) {
                if (s.code == u'a' && number.isEmpty())
                    number = s.value;
                else if ((s.code == u'd' || s.code == u'c') && price.isEmpty())
                    price = s.value;
            }
            if (!number.isEmpty())
                card.isbns.append(QStringLiteral("ISBN ") + isbn::hyphenate(number) +
                                  (price.isEmpty() ? QString() : QStringLiteral(" : ") + price));
        }
    }
    for (const QString &tag : tp.summaryFields) {
        for (const QString &text : cardFieldTexts(record, tag))
            card.summaries.append(fieldPlainText(text));
    }
    for (qsizetype i = 0; i < tp.traceIds.size(); ++i) {
        const QString code = tp.subTraceIds.value(i, QStringLiteral("a")).left(1);
        for (const QString &value : cardAllValues(record, tp.traceIds.at(i) + code)) {
            const QString entry = traceWithoutLead(value, params.traceOmitLead);
            if (!entry.isEmpty())
                card.tracing.append(QString::number(i + 1) + u'\t' + entry);
        }
    }
    for (int k = 1; k < CardKindCount; ++k) {
        for (const QString &path : tp.headings[static_cast<std::size_t>(k)].split(u',', Qt::SkipEmptyParts))
            for (const QString &value : cardAllValues(record, path.trimmed())) {
                // The same leading marks as in the tracing.
                const QString heading = traceWithoutLead(value, params.traceOmitLead);
                if (!heading.isEmpty())
                    card.headings[static_cast<std::size_t>(k)].append(heading);
            }
    }
    card.holdings = info.holdings;
    return card;
}

QStringList cardCallNumberLines(const CardData &card, const CardParams &params)
{
    QString text = params.classOnly ? card.classNumber : card.callNumber;
    if (params.maxCharacters > 0)
        text = text.left(params.maxCharacters);
    if (text.isEmpty())
        return {};
    const QString at = params.lineReturn.isEmpty() ? QStringLiteral(" ") : params.lineReturn;
    QStringList lines;
    for (const QString &piece : text.split(at, Qt::SkipEmptyParts)) {
        if (params.maxLineChars > 0)
            lines.append(fitCardLines(piece, params.maxLineChars, params.maxLineChars));
        else
            lines.append(piece);
    }
    if (params.maxLines > 0)
        lines = lines.mid(0, params.maxLines);
    return lines;
}

QStringList fitCardLines(const QString &text, int firstWidth, int width)
{
    static const MarcCodec codec;
    QStringList lines;
    QString rest = text;
    int w = std::max(1, firstWidth);
    while (!rest.isEmpty()) {
        const int cut = widthCutPosition(rest, w, codec);
        if (cut > rest.size()) {
            lines.append(rest);
            break;
        }
        // A character wider than the line still takes one.
        const int take = std::max(1, cut);
        lines.append(rest.left(take));
        rest = rest.mid(take).trimmed();
        w = std::max(1, width);
    }
    return lines;
}

} // namespace kestra
