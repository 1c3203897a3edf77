#pragma once

#include "items/SearchConditions.h"
#include "marc/MarcCodec.h"

#include <QList>
#include <QString>

namespace kestra {

class AppContext;

// One record the record-number search found.
struct FoundRecord {
    QString marcRecNo;
    QString title;  // m_title, or the heading of an authority record
    QString author; // m_author; empty for authority records
};

// frmMarcNoSeekN without its widgets: condition rows over one of three
// index families, optionally only records that have circulation copies,
// copies or call numbers; the result is record numbers.
class MarcNoSearch {
public:
    enum class Family { Catalogue = 0, Acquisition = 1, Authority = 2 };
    // Records that have rows in item, indi_acct or call_no_lst.
    enum class Restriction { None = 0, WithItem = 1, WithCopy = 2, WithCallNo = 3 };
    enum class Outcome { Listed, NoCondition, NoHit, TooMany, Failed };

    explicit MarcNoSearch(AppContext &context);
    MarcNoSearch(AppContext &context, const BibParams &params);

    bool prepare();
    // The entries of cboIndex for a family: the index groups, and for the
    // catalogue and acquisition families barcode, accession number and
    // call number as well (authority records have no copies).
    QList<SearchIndex> indexes(Family family) const;
    // Whether the restriction applies to the family (not to authority).
    static bool canRestrict(Family family) { return family != Family::Authority; }

    // The statement; empty when no condition is left. Needs prepare().
    QString buildSql(Family family, Restriction restriction, const QList<SearchCondition> &conditions) const;

    // EBM003, IBM001, the "too large" box and the database error as in the
    // copy search.
    // A search in another family than the last one starts afresh.
    Outcome search(Family family, Restriction restriction, const QList<SearchCondition> &conditions);
    // The family the results and the history belong to. Switching drops
    // both: a record number of one family means nothing in another.
    Family family() const { return family_; }
    void switchFamily(Family family);
    const QList<FoundRecord> &records() const { return records_; }
    QStringList recordNumbers() const;
    const QList<SearchHistoryEntry> &history() const { return history_; }

private:
    struct Term {
        SearchIndex index;
        MatchMode mode;
        QString term;
    };
    QList<Term> terms(Family family, const QList<SearchCondition> &conditions, QList<SearchCondition> *used) const;

    AppContext &context_;
    const BibParams *params_ = nullptr;
    MarcCodec codec_;
    QList<FoundRecord> records_;
    QList<SearchHistoryEntry> history_;
    Family family_ = Family::Catalogue;
};

} // namespace kestra
