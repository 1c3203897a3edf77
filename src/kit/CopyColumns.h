#pragma once

#include "items/ItemRecord.h"
#include "kit/RowModel.h"

#include <QList>
#include <QString>

namespace kestra {

class AppContext;

// The texts of a cell, made the same way in every grid and list: names,
// never codes; prices with two decimals; 是 and 否.
namespace cell {

QString location(AppContext &context, const QString &code); // the code itself when it has no name
QString status(const QString &code);                        // likewise
QString staff(AppContext &context, const QString &code);    // a worker's name; likewise
QString price(double value);
QString yesNo(bool on);
QString flag(const QString &value); // "1" 是, anything else 否

} // namespace cell

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
