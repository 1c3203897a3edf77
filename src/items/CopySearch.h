#pragma once

#include "items/SearchConditions.h"
#include "kit/RowModel.h"
#include "marc/MarcCodec.h"

#include <QList>
#include <QString>
#include <optional>

namespace kestra {

class AppContext;

// One copy the copy search found: the row of indi_acct it lists, with the
// record's title beside it.
struct FoundCopy {
    QString propNo;
    QString barCode;
    QString location; // dis_location
    QString status;   // book_stat_code
    QString callNo;
    QString marcRecNo;
    QString shelfNo;
    QString title; // marc.m_title
};

// frmHold_BookSeek without its widgets: up to five condition rows over the
// index groups of the bibliographic index and over barcode, accession
// number and call number, the hit limit, the history and the location
// check of OK. Messages go through the context's ShowMsg.
//
// A form that opens the search more than once keeps one of these, so that
// the history lasts as long as the form.
class CopySearch {
public:
    enum class Outcome { Listed, NoCondition, NoHit, TooMany, Failed };

    // The run's bibliographic parameters (context cache, loaded by prepare()).
    explicit CopySearch(AppContext &context);
    // Given tables (tests); they must outlive the search.
    CopySearch(AppContext &context, const BibParams &params);

    // Makes sure the index groups are known; false after showing the
    // database error of a failed load.
    bool prepare();
    // The entries of cboIndex: the index groups, then 91, 92, 93.
    const QList<SearchIndex> &indexes() const { return indexes_; }

    // The statement for the conditions: rows with nothing to search for
    // are skipped, and at most the first five count. Empty when none is
    // left. Needs prepare().
    QString buildSql(const QList<SearchCondition> &conditions) const;

    // Runs a search. EBM003 without a condition, IBM001 without a hit, the
    // "too large" box above 5000 hits (nothing listed then), the database
    // error on a failure. Every search that ran goes into the history.
    Outcome search(const QList<SearchCondition> &conditions);
    const QList<FoundCopy> &copies() const { return copies_; }
    // The columns of spdBookLst, with the cell texts of every copy grid.
    QList<Column<FoundCopy>> columns();

    AppContext &context() { return context_; }

    // The history list, newest first.
    const QList<SearchHistoryEntry> &history() const { return history_; }

    // OK on a row: the copy, unless the caller works for one location
    // (neither empty nor "All") and the copy is elsewhere: then EDC022 and
    // nothing. Nothing, silently, for a row that is not listed.
    std::optional<FoundCopy> choose(int row, const QString &callerLocation);

private:
    struct Term {
        const SearchIndex *index;
        MatchMode mode;
        QString term;
    };
    QList<Term> terms(const QList<SearchCondition> &conditions, QList<SearchCondition> *used) const;

    AppContext &context_;
    const BibParams *params_ = nullptr;
    MarcCodec codec_;
    QList<SearchIndex> indexes_;
    QList<FoundCopy> copies_;
    QList<SearchHistoryEntry> history_;
};

} // namespace kestra
