#pragma once

#include "core/PagePrinter.h"
#include "kit/RowModel.h"
#include "shelving/ShelfList.h"

#include <QList>
#include <QString>

namespace kestra {

class AppContext;

// What frmCompactStatSel hands frmCompactStat.
struct ShelfStatSettings {
    enum class Mode { PerShelf, Total };
    enum class Match { Exact, Prefix, Substring };
    bool run = false; // false: the dialog was cancelled
    Mode mode = Mode::PerShelf;
    bool restrict = false;
    Match match = Match::Exact;
    QString text;
};

// One row of lvShelf.
struct ShelfCount {
    QString shelf; // "ALL" for the total row without a restriction
    int copies = 0;
};

namespace shelf_stat {

// The selection dialog's refusal, empty when the settings may run.
QString refusal(const ShelfStatSettings &settings);
// The statement of the statistics.
QString statSql(const ShelfStatSettings &settings);
// The condition of a row's detail: its shelf, or for the total row the
// restriction (every shelved copy without one).
QString detailCondition(const ShelfStatSettings &settings, const ShelfCount &row);

} // namespace shelf_stat

// frmCompactStat without its widgets: counts the copies per shelf (or in
// total), lists the copies of a shelf, and prints both lists.
class ShelfStat {
public:
    explicit ShelfStat(AppContext &context);

    // cmdStat with the dialog's settings: the rows of lvShelf; 0 and nothing
    // changed when the dialog was cancelled, -1 on failure.
    int run(const ShelfStatSettings &settings);
    const ShelfStatSettings &settings() const { return settings_; }
    RowModel<ShelfCount> &model() { return rows_; }

    // Double-click in lvShelf: the copies of that row.
    int detail(int row);
    RowModel<ShelvedCopy> &detailModel() { return detail_; }

    // cmdPrintShelf: "排架号浏览" with the date and page numbers.
    PageDocument shelfPages() const;
    // cmdPrintDetail: per row of lvShelf, "排架清单" with its shelf, copies
    // and "总册数："; -1 on failure.
    int detailPages(PageDocument &doc);
    // Both to the preview; 1 shown, 0 nothing to print, -1 failed.
    int printShelf();
    int printDetail();

private:
    AppContext &context_;
    ShelfStatSettings settings_;
    RowModel<ShelfCount> rows_;
    RowModel<ShelvedCopy> detail_;
};

} // namespace kestra
