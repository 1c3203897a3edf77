#include "marc/BibWriter.h"

#include "db/QueryResult.h"
#include "marc/BibExtract.h"
#include "marc/FieldReader.h"
#include "marc/MarcText.h"

#include <algorithm>

namespace kestra {

using namespace iso2709;

namespace {

QString orNull(const QString &value, bool unicodeMode)
{
    return value.isEmpty() ? QStringLiteral("NULL") : unicodeLiteral(value, unicodeMode);
}

int refuse(Session &session, const QString &text)
{
    session.error().set(ErrorRecord::Elsewhere, 0, text, QStringLiteral("storeBibRecord"));
    return -1;
}

// The record in the code page, after the checks every writer makes: a
// number that fits the key, a type, and no character the code page would
// turn into something else.
int prepare(Session &session, const BibRecord &record, const CodePage &codePage, BibRecord &out)
{
    const QString no = record.summary.marcRecNo.trimmed();
    if (record.isBlank() || no.isEmpty() || record.typeIndex() < 0)
        return refuse(session, QStringLiteral("a record needs its number, its type and its fields to be stored"));
    if (no.size() > MaxRecordNumber)
        return refuse(session,
                      QStringLiteral("record number %1 is longer than %2 characters").arg(no).arg(MaxRecordNumber));
    const MarcCodec cp(codePage);
    if (const QString lost = record.unencodableIn(cp); !lost.isEmpty()) {
        return refuse(session, QStringLiteral("record %1: %2 cannot be held in the code page %3 (a catalogue that "
                                              "loads such records uses GB18030)")
                                   .arg(no, lost, cp.name()));
    }
    // The leader stays as it came, position 10 included: an export in the
    // record's own encoding then gives back its bytes.
    out = record.codec() == cp ? record : record.reencoded(cp, false);
    if (out.isBlank())
        return refuse(session, QStringLiteral("record %1 is longer than 99999 bytes in %2").arg(no, cp.name()));
    out.summary.marcRecNo = no;
    return 0;
}

int writeChunks(Session &session, const BibRecord &rec, const QString &q, bool uni, const CodePage &codePage)
{
    if (session.execute(QStringLiteral("DELETE FROM marc_data WHERE marc_rec_no=") + q) < 0)
        return -1;
    const QStringList chunks = bibChunks(rec.serializeText(), 2000, uni, codePage);
    for (qsizetype i = 0; i < chunks.size(); i += 3) {
        QString row = QStringLiteral("INSERT INTO marc_data (marc_rec_no,data_serial,marc01,marc02,marc03) VALUES (") +
                      q + QLatin1Char(',') + QString::number(i / 3 + 1);
        for (qsizetype c = i; c < i + 3; ++c)
            row += QLatin1Char(',') + (c < chunks.size() ? unicodeLiteral(chunks[c], uni) : QStringLiteral("NULL"));
        if (session.execute(row + QLatin1Char(')')) < 0)
            return -1;
    }
    return 0;
}

int writeMarcRow(Session &session, const BibRecord &rec, const BibParams &p, const QString &today, bool exists)
{
    const bool uni = p.unicodeMode;
    const BibSummaryColumns cols = summaryColumns(rec, p);
    const BibSummary &s = rec.summary;
    const QString q = sqlQuote(s.marcRecNo);
    auto lit = [uni](const QString &v) { return orNull(v.trimmed(), uni); };
    QStringList names;
    QStringList values;
    auto put = [&](const char *name, const QString &value) {
        names.append(QLatin1String(name));
        values.append(value);
    };
    // The control columns the record does not tell are the cataloguers':
    // an existing row keeps them.
    auto control = [&](const char *name, const QString &value) {
        if (!exists || !value.trimmed().isEmpty())
            put(name, lit(value));
    };
    put("marc_type", lit(s.marcType));
    const QString docType = s.docTypeCode.trimmed();
    if (!docType.isEmpty())
        put("doc_type_code", lit(docType));
    else if (const QString guess = docTypeCodeFor(rec); !guess.isEmpty())
        put("doc_type_code", exists ? QStringLiteral("nvl(doc_type_code,%1)").arg(lit(guess)) : lit(guess));
    control("lang_code", s.langCode);
    control("country_code", s.countryCode);
    control("marc_use_flag", s.marcUseFlag);
    control("cata_oper", s.cataOper);
    put("cata_date", lit(s.cataDate.trimmed().isEmpty() ? today : s.cataDate));
    control("opac_flag", s.opacFlag);
    control("catalog_level", s.catalogLevel);
    put("m_call_no", lit(cols.callNo));
    put("m_title", lit(cols.title));
    put("m_author", lit(cols.author));
    put("m_publisher", lit(cols.publisher));
    put("m_pub_year", lit(cols.pubYear));
    put("m_isbn", lit(cols.isbn));
    put("m_classno", lit(cols.classNo));
    for (std::size_t i = 0; i < cols.info.size(); ++i) {
        names.append(QStringLiteral("m_info%1").arg(i + 1));
        values.append(lit(cols.info[i]));
    }
    if (exists) {
        // Copies, loan counts and the creation stay with the existing row.
        QStringList sets;
        for (qsizetype i = 0; i < names.size(); ++i)
            sets.append(names[i] + QLatin1Char('=') + values[i]);
        return session.execute(QStringLiteral("UPDATE marc SET ") + sets.join(QLatin1Char(',')) +
                               QStringLiteral(" WHERE marc_rec_no=") + q);
    }
    put("create_oper", lit(s.createOper));
    put("create_date", lit(s.createDate.trimmed().isEmpty() ? today : s.createDate));
    return session.execute(QStringLiteral("INSERT INTO marc (marc_rec_no,") + names.join(QLatin1Char(',')) +
                           QStringLiteral(") VALUES (") + q + QLatin1Char(',') + values.join(QLatin1Char(',')) +
                           QLatin1Char(')'));
}

int writeIndexKeys(Session &session, const BibRecord &rec, const BibParams &p, const CodePage &codePage)
{
    const QString q = sqlQuote(rec.summary.marcRecNo);
    if (session.execute(QStringLiteral("DELETE FROM marc_idx WHERE marc_rec_no=") + q) < 0)
        return -1;
    // The keys go in one statement (a union of rows from dual): a record
    // has a few dozen, and a statement each is most of an import's time.
    QStringList keyRows;
    for (const IndexKey &k : indexKeys(rec, p, codePage)) {
        keyRows.append(QStringLiteral("SELECT ") + q + QLatin1Char(',') + sqlQuote(k.group) + QLatin1Char(',') +
                       unicodeLiteral(k.content, p.unicodeMode) + QStringLiteral(" FROM dual"));
    }
    if (keyRows.isEmpty())
        return 0;
    return session.execute(QStringLiteral("INSERT INTO marc_idx (marc_rec_no,marc_idx_grp,marc_idx_cont) ") +
                           keyRows.join(QStringLiteral(" UNION ALL ")));
}

int countOf(Session &session, const QString &sql, qint64 &count)
{
    QueryResult r;
    if (session.query(sql, r) < 0)
        return -1;
    count = r.rowCount() > 0 ? qint64(r.number(0, 0)) : 0;
    return 0;
}

// call_no_lst: the record's call numbers not yet known are added with their
// scheme. A call number the record no longer has moves to one of its new
// ones (keeping the loan counters) or goes; one that reservations or
// delegated loans still name stays, and so does one another record holds.
int writeCallNumbers(Session &session, const BibRecord &rec, const BibParams &p, StoreNotes *notes)
{
    const QString no = rec.summary.marcRecNo;
    const QString q = sqlQuote(no);
    QStringList wanted;
    for (const QString &callNo : recordCallNumbers(rec, p.callNoSeparator)) {
        const QString cn = fitColumn(callNo, 60, p.unicodeMode, rec.codec());
        if (!wanted.contains(cn))
            wanted.append(cn);
    }
    QueryResult held;
    if (session.query(QStringLiteral("SELECT call_no FROM call_no_lst WHERE marc_rec_no=") + q, held) < 0)
        return -1;
    QStringList mine;
    for (int r = 0; r < held.rowCount(); ++r)
        mine.append(held.text(r, 0));
    QStringList fresh; // wanted, and in no row at all
    for (const QString &cn : wanted) {
        if (mine.contains(cn))
            continue;
        QueryResult owner;
        if (session.query(QStringLiteral("SELECT marc_rec_no FROM call_no_lst WHERE call_no=") + sqlQuote(cn), owner) <
            0)
            return -1;
        if (owner.rowCount() == 0)
            fresh.append(cn);
        else if (notes)
            notes->callNumbersSkipped.append(cn);
    }
    auto schemeOf = [&](const QString &cn) { return orNull(classSchemeFor(rec, cn, p), false); };
    for (const QString &old : mine) {
        if (wanted.contains(old))
            continue;
        qint64 reserved = 0;
        qint64 delegated = 0;
        if (countOf(session, QStringLiteral("SELECT count(*) FROM preg_lst WHERE call_no=") + sqlQuote(old), reserved) <
                0 ||
            countOf(session, QStringLiteral("SELECT count(*) FROM relegate_lst WHERE call_no=") + sqlQuote(old),
                    delegated) < 0)
            return -1;
        if (reserved + delegated > 0) {
            if (notes)
                notes->callNumbersKept.append(old);
            continue;
        }
        QString sql;
        if (!fresh.isEmpty()) {
            const QString to = fresh.takeFirst();
            sql = QStringLiteral("UPDATE call_no_lst SET call_no=") + sqlQuote(to) + QStringLiteral(",cls_id=") +
                  schemeOf(to) + QStringLiteral(" WHERE call_no=") + sqlQuote(old);
        } else {
            sql = QStringLiteral("DELETE FROM call_no_lst WHERE call_no=") + sqlQuote(old);
        }
        if (session.execute(sql) < 0)
            return -1;
    }
    for (const QString &cn : fresh) {
        if (session.execute(QStringLiteral("INSERT INTO call_no_lst (call_no,marc_rec_no,cls_id) VALUES (") +
                            sqlQuote(cn) + QLatin1Char(',') + q + QLatin1Char(',') + schemeOf(cn) + QLatin1Char(')')) <
            0)
            return -1;
    }
    // Rows written before the scheme was recorded get it now.
    for (const QString &cn : mine) {
        if (wanted.contains(cn) && session.execute(QStringLiteral("UPDATE call_no_lst SET cls_id=") + schemeOf(cn) +
                                                   QStringLiteral(" WHERE call_no=") + sqlQuote(cn) +
                                                   QStringLiteral(" AND cls_id IS NULL")) < 0)
            return -1;
    }
    return 0;
}

// Everything of one record, inside the caller's transaction.
int writeRecord(Session &session, const BibRecord &rec, const BibParams &params, const CodePage &codePage,
                const QString &today, StoreNotes *notes, bool mustBeNew)
{
    BibParams p = params;
    p.unicodeMode = session.unicodeMode();
    const QString q = sqlQuote(rec.summary.marcRecNo);
    qint64 found = 0;
    if (countOf(session, QStringLiteral("SELECT count(*) FROM marc WHERE marc_rec_no=") + q, found) < 0)
        return -1;
    if (found > 0 && mustBeNew)
        return refuse(session, QStringLiteral("record number %1 is taken").arg(rec.summary.marcRecNo));
    if (writeMarcRow(session, rec, p, today, found > 0) < 0 ||
        writeChunks(session, rec, q, p.unicodeMode, codePage) < 0 || writeIndexKeys(session, rec, p, codePage) < 0)
        return -1;
    return writeCallNumbers(session, rec, p, notes);
}

bool allDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The highest all-digit number of one length: the maximum of the numbers
// that start with a digit, stepping below any that holds something else.
int highestNumber(Session &session, qsizetype length, QString &highest)
{
    highest.clear();
    QString below = QStringLiteral(":");
    for (int step = 0; step < 2 * MaxRecordNumber; ++step) {
        QueryResult r;
        if (session.query(QStringLiteral("SELECT max(marc_rec_no) FROM marc WHERE length(marc_rec_no)=") +
                              QString::number(length) + QStringLiteral(" AND marc_rec_no>='0' AND marc_rec_no<") +
                              sqlQuote(below),
                          r) < 0)
            return -1;
        const QString m = r.rowCount() > 0 ? r.text(0, 0) : QString();
        if (m.isEmpty() || allDigits(m)) {
            highest = m;
            return 0;
        }
        // Every all-digit number lies below the first character that is
        // not a digit.
        qsizetype at = 0;
        while (at < m.size() && m.at(at).isDigit())
            ++at;
        below = m.at(at) > u'9' ? m.left(at) + QLatin1Char(':') : m.left(at);
        if (below.isEmpty())
            return 0;
    }
    return 0;
}

} // namespace

int storeBibRecord(Session &session, const BibRecord &record, const BibParams &params, const CodePage &codePage,
                   const QString &today, StoreNotes *notes)
{
    BibRecord rec;
    if (prepare(session, record, codePage, rec) < 0)
        return -1;
    Transaction tx(session);
    if (writeRecord(session, rec, params, codePage, today, notes, false) < 0)
        return -1;
    return tx.commit();
}

int nextRecordNumber(Session &session, QString &number)
{
    // The catalogue's numbering is the length most of its numbers have
    // (ten digits in the suite's catalogues), counted up from the highest.
    QueryResult lengths;
    if (session.query(QStringLiteral("SELECT length(marc_rec_no),count(*) FROM marc WHERE marc_rec_no>='0' AND "
                                     "marc_rec_no<':' GROUP BY length(marc_rec_no) ORDER BY 2 DESC,1 DESC"),
                      lengths) < 0)
        return -1;
    qsizetype width = 10;
    QString highest;
    for (int r = 0; r < lengths.rowCount() && highest.isEmpty(); ++r) {
        if (highestNumber(session, qsizetype(lengths.number(r, 0)), highest) < 0)
            return -1;
        if (!highest.isEmpty())
            width = highest.size();
    }
    QString next = highest.isEmpty() ? QStringLiteral("1") : highest;
    if (!highest.isEmpty()) {
        // Decimal increment on the text: numbers of twenty digits pass any
        // integer type.
        qsizetype i = next.size() - 1;
        while (i >= 0 && next.at(i) == u'9')
            next[i--] = u'0';
        if (i < 0)
            next.prepend(QLatin1Char('1'));
        else
            next[i] = QChar(next.at(i).unicode() + 1);
    }
    next = next.rightJustified(width, QLatin1Char('0'));
    if (next.size() > MaxRecordNumber)
        return refuse(session, QStringLiteral("the catalogue's record numbers are used up"));
    number = next;
    return 0;
}

int storeNewBibRecord(Session &session, BibRecord &record, const BibParams &params, const CodePage &codePage,
                      const QString &today, StoreNotes *notes)
{
    Transaction tx(session);
    QString no;
    if (nextRecordNumber(session, no) < 0)
        return -1;
    BibRecord numbered = record;
    numbered.summary.marcRecNo = no;
    if (numbered.setControlField("001", no) < 0)
        return refuse(session, QStringLiteral("record %1 cannot take field 001").arg(no));
    BibRecord rec;
    if (prepare(session, numbered, codePage, rec) < 0 ||
        writeRecord(session, rec, params, codePage, today, notes, true) < 0)
        return -1;
    if (tx.commit() < 0)
        return -1;
    record = numbered;
    return 0;
}

int storeBibData(Session &session, const BibRecord &record, const CodePage &codePage)
{
    BibRecord rec;
    if (prepare(session, record, codePage, rec) < 0)
        return -1;
    const QString q = sqlQuote(rec.summary.marcRecNo);
    qint64 found = 0;
    if (countOf(session, QStringLiteral("SELECT count(*) FROM marc WHERE marc_rec_no=") + q, found) < 0)
        return -1;
    if (found == 0)
        return refuse(session, QStringLiteral("record %1 is not in the catalogue").arg(rec.summary.marcRecNo));
    return writeChunks(session, rec, q, session.unicodeMode(), codePage);
}

} // namespace kestra
