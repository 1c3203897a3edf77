#include "marc/BibWriter.h"

#include "db/QueryResult.h"
#include "marc/BibExtract.h"
#include "marc/FieldReader.h"
#include "marc/MarcText.h"

namespace kestra {

using namespace iso2709;

namespace {

// A column value cut to the column: characters in Unicode mode, code-page
// bytes otherwise (the suite's ANSI columns count bytes).
QString fitColumn(const QString &value, int width, bool unicodeMode, const MarcCodec &codec)
{
    const QString v = value.trimmed();
    if (unicodeMode)
        return v.left(width);
    return v.left(codec.prefixFitting(v, width));
}

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

QString orNull(const QString &value, bool unicodeMode)
{
    return value.isEmpty() ? QStringLiteral("NULL") : unicodeLiteral(value, unicodeMode);
}

} // namespace

BibSummaryColumns summaryColumns(const BibRecord &record, const BibParams &params)
{
    BibSummaryColumns c;
    const bool uni = params.unicodeMode;
    const MarcCodec &codec = record.codec();
    const QStringList calls = recordCallNumbers(record);
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

QStringList recordCallNumbers(const BibRecord &record)
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
        const QString callNo = book.isEmpty() ? cls : cls + QLatin1Char('/') + book;
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
            qsizetype k = n;
            while (k > 1 && rest[k - 1] == QLatin1Char(' '))
                --k;
            if (rest[k - 1] != QLatin1Char(' '))
                n = k;
        }
        chunks.append(rest.first(n).toString());
        pos += n;
    }
    return chunks;
}

int storeBibRecord(Session &session, const BibRecord &record, const BibParams &params, const CodePage &codePage,
                   const QString &today, StoreNotes *notes)
{
    const QString no = record.summary.marcRecNo.trimmed();
    if (record.isBlank() || no.isEmpty() || record.typeIndex() < 0) {
        session.error().set(ErrorRecord::Elsewhere, 0,
                            QStringLiteral("a record needs its number, its type and its fields to be stored"),
                            QStringLiteral("storeBibRecord"));
        return -1;
    }
    const MarcCodec cp(codePage);
    // The leader stays as it came, position 10 included: an export in the
    // record's own encoding then gives back its bytes.
    const BibRecord rec = record.codec() == cp ? record : record.reencoded(cp, false);
    if (rec.isBlank()) {
        session.error().set(ErrorRecord::Elsewhere, 0,
                            QStringLiteral("record %1 is longer than 99999 bytes in %2").arg(no, codePage.name()),
                            QStringLiteral("storeBibRecord"));
        return -1;
    }
    const bool uni = session.unicodeMode();
    BibParams p = params;
    p.unicodeMode = uni;
    const BibSummaryColumns cols = summaryColumns(rec, p);
    const QList<IndexKey> keys = indexKeys(rec, p, codePage);
    const QStringList chunks = bibChunks(rec.serializeText(), 2000, uni, codePage);
    const QString q = sqlQuote(no);
    const BibSummary &s = rec.summary;
    auto lit = [uni](const QString &v) { return orNull(v.trimmed(), uni); };

    Transaction tx(session);
    QueryResult found;
    if (session.query(QStringLiteral("SELECT count(*) FROM marc WHERE marc_rec_no=") + q, found) < 0)
        return -1;
    QStringList names = {
        QStringLiteral("marc_type"),    QStringLiteral("doc_type_code"), QStringLiteral("lang_code"),
        QStringLiteral("country_code"), QStringLiteral("marc_use_flag"), QStringLiteral("cata_oper"),
        QStringLiteral("cata_date"),    QStringLiteral("opac_flag"),     QStringLiteral("catalog_level"),
        QStringLiteral("m_call_no"),    QStringLiteral("m_title"),       QStringLiteral("m_author"),
        QStringLiteral("m_publisher"),  QStringLiteral("m_pub_year"),    QStringLiteral("m_isbn"),
        QStringLiteral("m_classno")};
    QStringList values = {lit(s.marcType),
                          lit(s.docTypeCode),
                          lit(s.langCode),
                          lit(s.countryCode),
                          lit(s.marcUseFlag),
                          lit(s.cataOper),
                          lit(s.cataDate.trimmed().isEmpty() ? today : s.cataDate),
                          lit(s.opacFlag),
                          lit(s.catalogLevel),
                          lit(cols.callNo),
                          lit(cols.title),
                          lit(cols.author),
                          lit(cols.publisher),
                          lit(cols.pubYear),
                          lit(cols.isbn),
                          lit(cols.classNo)};
    for (std::size_t i = 0; i < cols.info.size(); ++i) {
        names.append(QStringLiteral("m_info%1").arg(i + 1));
        values.append(lit(cols.info[i]));
    }
    QString sql;
    if (found.number(0, 0) > 0) {
        // Copies, loan counts and the creation stay with the existing row.
        QStringList sets;
        for (qsizetype i = 0; i < names.size(); ++i)
            sets.append(names[i] + QLatin1Char('=') + values[i]);
        sql = QStringLiteral("UPDATE marc SET ") + sets.join(QLatin1Char(',')) + QStringLiteral(" WHERE marc_rec_no=") +
              q;
    } else {
        names += {QStringLiteral("create_oper"), QStringLiteral("create_date")};
        values += {lit(s.createOper), lit(s.createDate.trimmed().isEmpty() ? today : s.createDate)};
        sql = QStringLiteral("INSERT INTO marc (marc_rec_no,") + names.join(QLatin1Char(',')) +
              QStringLiteral(") VALUES (") + q + QLatin1Char(',') + values.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    if (session.execute(sql) < 0 ||
        session.execute(QStringLiteral("DELETE FROM marc_data WHERE marc_rec_no=") + q) < 0 ||
        session.execute(QStringLiteral("DELETE FROM marc_idx WHERE marc_rec_no=") + q) < 0)
        return -1;
    for (qsizetype i = 0; i < chunks.size(); i += 3) {
        QString row = QStringLiteral("INSERT INTO marc_data (marc_rec_no,data_serial,marc01,marc02,marc03) VALUES (") +
                      q + QLatin1Char(',') + QString::number(i / 3 + 1);
        for (qsizetype c = i; c < i + 3; ++c)
            row += QLatin1Char(',') + (c < chunks.size() ? unicodeLiteral(chunks[c], uni) : QStringLiteral("NULL"));
        if (session.execute(row + QLatin1Char(')')) < 0)
            return -1;
    }
    // The keys go in one statement (a union of rows from dual): a record
    // has a few dozen, and a statement each is most of an import's time.
    QStringList keyRows;
    for (const IndexKey &k : keys) {
        keyRows.append(QStringLiteral("SELECT ") + q + QLatin1Char(',') + sqlQuote(k.group) + QLatin1Char(',') +
                       unicodeLiteral(k.content, uni) + QStringLiteral(" FROM dual"));
    }
    if (!keyRows.isEmpty() &&
        session.execute(QStringLiteral("INSERT INTO marc_idx (marc_rec_no,marc_idx_grp,marc_idx_cont) ") +
                        keyRows.join(QStringLiteral(" UNION ALL "))) < 0)
        return -1;
    for (const QString &callNo : recordCallNumbers(rec)) {
        const QString cn = fitColumn(callNo, 60, uni, cp);
        QueryResult owner;
        if (session.query(QStringLiteral("SELECT marc_rec_no FROM call_no_lst WHERE call_no=") + sqlQuote(cn), owner) <
            0)
            return -1;
        if (owner.rowCount() > 0) {
            if (owner.text(0, 0) != no && notes)
                notes->callNumbersSkipped.append(cn);
            continue;
        }
        if (session.execute(QStringLiteral("INSERT INTO call_no_lst (call_no,marc_rec_no) VALUES (") + sqlQuote(cn) +
                            QLatin1Char(',') + q + QLatin1Char(')')) < 0)
            return -1;
    }
    return tx.commit();
}

} // namespace kestra
