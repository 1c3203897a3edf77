#pragma once

#include "kit/RowModel.h"
#include "stats/IntakeFilter.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace kestra {

class AppContext;

// One row of the grid: a location, or the total ("合计").
struct LocationCount {
    QString location;
    QString name;
    qint64 titles = 0;
    qint64 copies = 0;
    double price = 0;
};

// frmNewBookAllStat without its widgets: new copies counted per holdings
// location, with a total that counts a title once however many locations
// hold it. It changes nothing.
class NewBookStat {
public:
    explicit NewBookStat(AppContext &context);

    AppContext &context() { return context_; }

    // The month of a cobMonth entry ("3月" -> 3); 0 for a text that names none.
    static int monthOf(const QString &entry);
    // The span as printed: "2025", "2025-03" or "2025-03-01 到 2025-03-31".
    static QString spanText(const IntakeConditions &conditions);

    // The code lists of the filters; loaded on first use. -1 after showing
    // the database error.
    int docTypes(QList<FilterCode> &out);
    int languages(QList<FilterCode> &out);
    // The handover batches sent to the stores in the span, in order.
    int batches(const IntakeConditions &conditions, QStringList &out);

    // The conditions after the join of copies and records.
    QString conditionSql(const IntakeConditions &conditions) const;
    // Fills the grid, total last; on a failure the database error is
    // shown and the grid left as it was. -1 on failure.
    int run(const IntakeConditions &conditions);

    RowModelBase &grid() { return grid_; }
    const QList<LocationCount> &rows() const { return grid_.rows(); }

private:
    AppContext &context_;
    RowModel<LocationCount> grid_;
};

} // namespace kestra
