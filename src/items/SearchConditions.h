#pragma once

#include <QList>
#include <QString>

namespace kestra {

class AppContext;
class MarcCodec;
struct BibParams;

// What the condition rows of the copy and record-number searches share:
// the choices of cboIndex and cboOperator, the term each row compares and
// the SQL of one comparison.

// cboOperator, in list order.
enum class MatchMode { Prefix = 0, Anywhere = 1, Exact = 2 };
// "前方匹配", "任意匹配", "完全匹配".
QString matchModeName(MatchMode mode);

// The cboIndex codes of the copy columns; every other code is an index
// group of the bibliographic index.
inline constexpr int IndexBarcode = 91;
inline constexpr int IndexPropNo = 92;
inline constexpr int IndexCallNo = 93;

inline constexpr int MaxConditionRows = 5;
// A search with more hits than this lists nothing: the operator narrows it.
inline constexpr int MaxSearchHits = 5000;

struct SearchCondition {
    int index = 1; // group number, or 91..93
    MatchMode mode = MatchMode::Prefix;
    QString value; // as typed
};

// One entry of cboIndex.
struct SearchIndex {
    int code = 0;
    QString name;
    bool stopwords = false; // the group's keys are stored normalised
    int columnWidth = 0;    // copy columns: the width of the column

    bool isColumn() const { return code == IndexBarcode || code == IndexPropNo || code == IndexCallNo; }
};

// The retrieval groups of both record types in group order (a group's
// type "C" name wins), then, when asked, barcode, accession number and
// call number.
QList<SearchIndex> searchIndexes(const BibParams &params, bool withCopyColumns);
// The entry of a code; nullptr when the list has none.
const SearchIndex *findIndex(const QList<SearchIndex> &indexes, int code);

// The term a row compares. Every value is trimmed, upper-cased and rid of
// control characters. An index group's term is then made as its stored
// keys are: normalised when the group uses stop words, and cut to the
// index width (display width in ANSI storage, characters in Unicode
// storage). A copy column's term is not cut inside the column's width, so
// that an exact barcode never matches a longer one; beyond it, it is cut
// one character past the width, which still matches nothing. Empty when
// nothing is left to search for.
QString searchTerm(const SearchIndex &index, const QString &value, const BibParams &params, const MarcCodec &codec);

// One comparison: "column LIKE 'term%'", "column LIKE '%term%'" or
// "column = 'term'". The operator's % and _ are escaped, so they match
// themselves and nothing else. With national set the literal is written as
// unistr(...) (the index content of a database in Unicode storage mode).
QString matchSql(const QString &column, MatchMode mode, const QString &term, bool national);

// The conditions as the history list shows them: "题名 前方匹配 中国 AND ...".
QString conditionText(const QList<SearchCondition> &conditions, const QList<SearchIndex> &indexes);

// The bibliographic parameters of the run: the context's cache, loaded
// when the start-up has not. nullptr after showing the database error of a
// failed load.
const BibParams *runParams(AppContext &context);

// A search's history: the newest first, at most ten.
struct SearchHistoryEntry {
    QString text;      // condition text + "   命中" + hits
    QString condition; // the condition text alone
    QList<SearchCondition> conditions;
    int hits = 0; // MaxSearchHits + 1: more than the limit
};
inline constexpr int MaxHistoryEntries = 10;
void addHistory(QList<SearchHistoryEntry> &history, const QString &conditionText,
                const QList<SearchCondition> &conditions, int hits);

// Wraps a DISTINCT query (which must select marc_rec_no) so that at most
// one row more than the limit comes back, each with the columns of its
// record from the summary table, sorted by orderBy (names of the inner
// select list, unqualified). The limit counts distinct rows on every
// backend and stands in a query of its own, so that reading stops at the
// first row past it; only the rows that come back meet the summary table.
// Run it through the summary query, which decodes Unicode storage.
QString limitedQuery(const QString &distinctQuery, const QString &summaryTable, const QString &summaryKey,
                     const QStringList &summaryColumns, const QStringList &orderBy);

} // namespace kestra
