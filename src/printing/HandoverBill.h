#pragma once

#include "output/ListReport.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QStringList>

namespace kestra {

class AppContext;

// A grid of texts with its headings; columns marked as numbers align right
// (and export as numbers).
class TextTable : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void reset(const QStringList &headings, const QList<QStringList> &rows, const QList<int> &numberColumns);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const QStringList &headings() const { return headings_; }
    const QList<QStringList> &rows() const { return rows_; }
    bool isNumber(int column) const { return numbers_.contains(column); }

private:
    QStringList headings_;
    QList<QStringList> rows_;
    QList<int> numbers_;
};

// Whether accession number `next` directly follows `previous` as stored:
// the same text before the trailing digits, and those digits one more
// ("0009" then "0010"; "A99" then "A100").
bool propNoFollows(const QString &previous, const QString &next);

// Ascending accession numbers as runs: "0001 - 0003 ; 0005".
QString propNoIntervals(const QStringList &sortedPropNos);

enum class BillView { Locations = 0, Titles = 1, Copies = 2 };

// frmOutChkBill's logic: the batches handed over in a period, the
// locations of a batch, the three views of its copies, the totals and the
// printed bill. A failed query shows the database error and leaves the
// grid empty.
class HandoverBill {
public:
    explicit HandoverBill(AppContext &context);

    // Batches whose handover date lies in begin..end (both days whole),
    // newest first.
    int loadBatches(const QDate &begin, const QDate &end);
    const QStringList &batches() const { return batches_; }

    // The location codes of a batch's copies.
    int loadLocations(const QString &moveBatch);
    const QStringList &locations() const { return locations_; }

    // Fills the grid with one view of a batch: all locations ("") or one.
    int show(const QString &moveBatch, const QString &location, BillView view);
    TextTable &table() { return table_; }

    int titles() const { return titles_; }
    int copies() const { return copies_; }
    double price() const { return price_; }

    // The bill as printed: the grid under the batch (and location) with the
    // totals and the footer for the signatures.
    ListReport report(const QString &date, const QString &maker) const;

private:
    int showLocations(const QString &batch, const QStringList &locations);
    int showTitles(const QString &batch, const QString &location);
    int showCopies(const QString &batch, const QString &location);
    int loadTotals(const QString &batch, const QString &location);
    QString locationName(const QString &code) const;
    int fail();

    AppContext &context_;
    QStringList batches_;
    QStringList locations_;
    TextTable table_;
    QString batch_;
    QString location_;
    int titles_ = 0;
    int copies_ = 0;
    double price_ = 0.0;
};

} // namespace kestra
