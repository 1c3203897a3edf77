#pragma once

#include "output/GridExport.h"
#include "output/ListReport.h"

namespace kestra {

// A list report of a grid's rows: the headings and display texts of the
// chosen columns (check marks as 是/否), column widths in proportion to the
// given widths (the view's, in pixels) across the printable width of the
// paper, and the columns the grid marks as numbers aligned right. The
// layout widens a column whose texts need it (fitColumns).
ListReport reportFromModel(const QAbstractItemModel &model, const QString &title, const GridColumns &columns = {},
                           const QList<int> &widths = {}, double printableWidth = 180.0);

// The sum of a column's numbers (prices), empty cells counting nothing.
double columnTotal(const QAbstractItemModel &model, int column);

} // namespace kestra
