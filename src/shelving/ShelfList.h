#pragma once

#include "copies/ItemRecord.h"
#include "kit/RowModel.h"

#include <QList>
#include <QString>

namespace kestra {

class AppContext;

// One copy on a compact shelf, as the rename and the shelf detail list it.
struct ShelvedCopy {
    ItemRow row;
    int circTimes = 0;
    QString shelfNo;
};

namespace shelf_list {

// The copies of indi_acct joined with their records (and circulation rows)
// that meet the condition, a text beginning " AND ", in accession order.
// -1 on failure (shown).
int load(AppContext &context, const QString &condition, QList<ShelvedCopy> &out);

// The grid's columns: the copy's lookup columns, 流通次数 and 排架号.
QList<Column<ShelvedCopy>> columns(AppContext &context);

} // namespace shelf_list

} // namespace kestra
