#pragma once

#include "copies/ItemRecord.h"
#include "kit/CellText.h"
#include "kit/RowModel.h"

#include <QList>
#include <QString>

namespace kestra {

class AppContext;

// The columns a copy can show, with the headings every grid uses.
enum class CopyField {
    PropNo,
    BarCode,
    Title,
    Author,
    Publisher,
    CallNo,
    Location,
    Status,
    Price,
    YearVolume,
    InDate,
    Attachment,
    MarcRecNo,
    OpacFlag,
};

QString copyHeading(CopyField field);
QString copyText(AppContext &context, const ItemRow &row, CopyField field);
Column<ItemRow> copyColumn(AppContext &context, CopyField field);
QList<Column<ItemRow>> copyColumns(AppContext &context, const QList<CopyField> &fields);

// The lookup columns of a processing grid: accession number, barcode,
// title, author, publisher, call number, location, price, year-volume.
QList<CopyField> lookupFields();

} // namespace kestra
