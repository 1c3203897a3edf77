#pragma once

#include "kit/QueryModel.h"
#include "kit/RowModel.h"
#include "records/BookInfoSql.h"

#include <QList>
#include <QString>
#include <memory>

namespace kestra {

class AppContext;

// One tab of tbsBookInfo: its key, its caption, and the grid it fills.
struct InfoTab {
    QString key;
    QString caption;
    // Copy-level tabs follow chkOnly; the record-level ones (call numbers,
    // reservations and delegated requests by call number) do not.
    bool copyLevel = false;
};

// An entry of cboQuickSearch: an index group of the bibliographic index,
// or 91 (barcode), 92 (accession number), 93 (call number).
struct QuickIndex {
    int group = 0;
    QString name;
};

// A loan-period choice of the record window: its caption and how many
// months back it reaches (0: every loan).
struct PeriodChoice {
    QString name;
    int months = 0;
};

// A line of the MARC and the short views: a label and its text.
struct RecordLine {
    QString label;
    QString text;
};

// frmBookInfo without its widgets: everything the database holds about one
// record and its copies, tab by tab. It only reads. A window already open
// is re-targeted by open() to another record; the tab models stay, so the
// grid keeps its columns.
class BookInfo {
public:
    enum class Opened { Shown, NotFound, Failed };

    explicit BookInfo(AppContext &context);
    ~BookInfo();
    BookInfo(const BookInfo &) = delete;
    BookInfo &operator=(const BookInfo &) = delete;

    static const QList<InfoTab> &tabs();
    static const InfoTab *tab(const QString &key);

    // Targets a record. propNo or barCode (either, not both) names the copy
    // the window was opened for, which chkOnly restricts the copy tabs to.
    // A record number that is not in marc shows "E该记录号不存在" and keeps
    // the record shown before; a blank one with a copy takes the copy's
    // record. The tab models are emptied; loadTab fills one.
    Opened open(const QString &marcRecNo, const QString &propNo = QString(), const QString &barCode = QString());

    const QString &marcRecNo() const { return marcRecNo_; }
    const QString &propNo() const { return propNo_; }
    const QString &barCode() const { return barCode_; }
    // The summary columns of the record (m_title, m_author ...) as read.
    QString summary(const QString &column) const;

    // chkOnly: its caption follows how the copy was given; without a copy
    // it has no effect.
    QString onlyCaption() const;
    bool hasCopy() const { return !propNo_.isEmpty() || !barCode_.isEmpty(); }
    void setOnly(bool only) { only_ = only; }
    bool only() const { return only_; }

    // The loan-period choices "借阅时间范围" (current loans and the history
    // by loan date) and "还书时间范围" (the history by return date), counted
    // back from the server's date; 0 months shows every loan.
    static const QList<PeriodChoice> &periodChoices();
    void setLendPeriod(int months);
    void setReturnPeriod(int months);
    const QString &lentSince() const { return period_.lentSince; }
    const QString &returnedSince() const { return period_.returnedSince; }

    // The statement of a grid tab for the current record and chkOnly;
    // empty for MarcInfo, Simple and an unknown key.
    QString tabSql(const QString &key) const;
    // Fills a tab's model; -1 after showing the database error (rows empty).
    int loadTab(const QString &key);
    // The model of a tab (every key has one).
    RowModelBase &model(const QString &key);
    // A grid tab's model, for reading stored values by column.
    QueryModel *queryModel(const QString &key);

    // The entries of cboQuickSearch: the index groups, then 91, 92, 93.
    QList<QuickIndex> quickIndexes();
    // The quick search's statement; empty for a blank value.
    QString quickSql(int group, const QString &value);
    // Runs a quick search and opens the first record found. IBM001 when
    // nothing is found.
    Opened quickSearch(int group, const QString &value);

private:
    struct Models;

    void clearTabs();
    QString monthsBack(int months);
    int loadLines(const QString &key);

    AppContext &context_;
    std::unique_ptr<Models> models_;
    QString marcRecNo_;
    QString propNo_;
    QString barCode_;
    QueryResult summary_;
    bool only_ = false;
    book_info_sql::LoanPeriod period_;
};

} // namespace kestra
