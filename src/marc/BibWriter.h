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

// The call numbers of a record: 905 $d "/" $e (type "C") or 090 $a "/" $b
// (type "U"), one per field, without duplicates.
QStringList recordCallNumbers(const BibRecord &record);

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
// a blank, because readers that trim their results would lose it.
QStringList bibChunks(const QString &text, int maxUnits, bool unicodeMode, const CodePage &codePage);

// What storeBibRecord did besides storing.
struct StoreNotes {
    QStringList callNumbersSkipped; // held by another record already
};

// Stores a record as the suite does, in one transaction, replacing an
// earlier version of the same record number: its marc row (summary
// columns; copy counts and creation kept), marc_data chunks, marc_idx keys
// and call_no_lst rows for call numbers not yet known. The record must
// carry its number and type in summary; it is written in the session's
// storage mode. 0, or -1 with the error in the session's error record
// (nothing stored).
int storeBibRecord(Session &session, const BibRecord &record, const BibParams &params, const CodePage &codePage,
                   const QString &today, StoreNotes *notes = nullptr);

} // namespace kestra
