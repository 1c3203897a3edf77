#pragma once

#include "core/Session.h"
#include "marc/BibParams.h"
#include "marc/BibRecord.h"

#include <QList>
#include <QString>
#include <array>

namespace kestra {

// The summary columns of a record's marc row, taken from the record with
// the display items and marc_info_field, each cut to its column.
struct BibSummaryColumns {
    QString callNo;
    QString title;
    QString author;
    QString publisher;
    QString pubYear;
    QString isbn;
    QString classNo;
    std::array<QString, 22> info;
};
BibSummaryColumns summaryColumns(const BibRecord &record, const BibParams &params);

// The call numbers of a record: 905 $d + separator + $e (type "C") or
// 090 $a + separator + $b (type "U"), one per field, without duplicates.
// The separator is system parameter 20 (BibParams::callNoSeparator).
QStringList recordCallNumbers(const BibRecord &record, const QString &separator = QStringLiteral("/"));

// A column value trimmed and cut to the column: characters in Unicode
// mode, code-page bytes otherwise (the suite's ANSI columns count bytes).
QString fitColumn(const QString &value, int width, bool unicodeMode, const MarcCodec &codec);

// The document type (doc_type_code) a record's leader and language
// suggest: "08" audiovisual, "09" electronic, "11".."16" serials and
// newspapers, "01".."04" books, by language (Chinese, Japanese, Russian,
// others). The language is summary.langCode.
QString docTypeCodeFor(const BibRecord &record);
// The classification scheme (cls_id of classifica_code) of a call number:
// the scheme whose field holds the call number's class, else the first
// scheme in use; empty when no scheme is known.
QString classSchemeFor(const BibRecord &record, const QString &callNo, const BibParams &params);

// One marc_idx row: a retrieval group ("01") and its search key.
struct IndexKey {
    QString group;
    QString content;
    bool operator==(const IndexKey &o) const { return group == o.group && content == o.content; }
};
// The keys of every retrieval group of the record's type: each value of
// each path, normalised when the group uses stop words, cut to the index
// width (code-page bytes in ANSI mode, characters in Unicode mode),
// without duplicates and empty keys.
QList<IndexKey> indexKeys(const BibRecord &record, const BibParams &params, const CodePage &codePage);

// The record text cut into marc_data chunks of at most maxUnits each
// (code-page bytes in ANSI mode, characters in Unicode mode). A cut never
// splits a character and, where it can, does not leave a chunk ending with
// whitespace, because readers that trim their results would lose it.
QStringList bibChunks(const QString &text, int maxUnits, bool unicodeMode, const CodePage &codePage);

// The longest record number the catalogue's key holds.
inline constexpr int MaxRecordNumber = 20;

// What storeBibRecord did besides storing.
struct StoreNotes {
    QStringList callNumbersSkipped; // held by another record already
    QStringList callNumbersKept;    // no longer the record's, but reservations name them
};

// Stores a record as the suite does, in one transaction, replacing an
// earlier version of the same record number: its marc row (summary
// columns; copy counts and creation kept, and the control columns the
// record leaves empty; doc_type_code guessed from the record where nobody
// set it), marc_data chunks, marc_idx keys and call_no_lst rows (with their
// classification scheme) for call numbers not yet known; a call number the
// record no longer has moves to a new one or goes. The record must carry
// its number (at most 20 characters) and type in summary, and hold only
// characters the code page can hold (nothing is ever replaced); it is
// written in the session's storage mode. 0, or -1 with the error in the
// session's error record (nothing stored).
int storeBibRecord(Session &session, const BibRecord &record, const BibParams &params, const CodePage &codePage,
                   const QString &today, StoreNotes *notes = nullptr);

// The next number of the catalogue's own numbering: the length most record
// numbers have, one past the highest all-digit number of that length (ten
// digits from 0000000001 in an empty catalogue). Inside the caller's
// transaction; -1 with the error record set.
int nextRecordNumber(Session &session, QString &number);

// Stores a record that has no number as a new one, in one transaction: it
// takes the next number, which also becomes its field 001. On success the
// record holds its number; -1 (record unchanged) as storeBibRecord.
int storeNewBibRecord(Session &session, BibRecord &record, const BibParams &params, const CodePage &codePage,
                      const QString &today, StoreNotes *notes = nullptr);

// Rewrites the marc_data chunks of a record already in the catalogue and
// nothing else (its index keys and summary columns stay), inside the
// caller's transaction: for changes such as a note that no search reads.
int storeBibData(Session &session, const BibRecord &record, const CodePage &codePage);

} // namespace kestra
