#pragma once

#include <QString>

namespace kestra::book_info_sql {

// chkOnly: the one copy the copy tabs are restricted to (accession number
// first); both empty restrict nothing.
struct CopyFilter {
    QString propNo;
    QString barCode;
};

// The loan-period choices: loans lent on or after lentSince (current loans
// and the history) and returned on or after returnedSince (the history),
// both ISO dates; empty bounds nothing.
struct LoanPeriod {
    QString lentSince;
    QString returnedSince;
};

// The record's summary row; no row when the record is not in marc.
QString summary(const QString &marcRecNo);
// The statement of a grid tab of frmBookInfo for record R; empty for a key
// without a grid. Every value is quoted.
QString tab(const QString &key, const QString &marcRecNo, const CopyFilter &filter,
            const LoanPeriod &period = LoanPeriod());
// The quick search on a copy column: 91 barcode and 92 accession number
// compare whole, 93 finds call numbers beginning with the key. Wildcards
// typed by the operator match themselves.
QString quickColumn(int group, const QString &key);
// The quick search on an index group: keys beginning with the key; group 5
// (ISBN) tests both forms of the number.
QString quickIndex(int group, const QString &key, bool unicodeMode);
// A LIKE on a column for a prefix, the operator's % and _ escaped.
QString likePrefix(const QString &column, const QString &prefix);

} // namespace kestra::book_info_sql
