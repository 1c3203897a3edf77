#pragma once

#include <QList>
#include <QString>

class QAbstractItemModel;
class QIODevice;

namespace kestra {

class CodePage;

// Grid exports from any item model, without widgets: the headings are the
// model's horizontal header texts, the cells its display texts, and a
// column of check marks reads 是/否. The columns are the model's columns in
// order unless a list is given (the view's visible columns, say).
struct GridColumns {
    QList<int> columns; // empty: every column

    QList<int> of(const QAbstractItemModel &model) const;
};

// The text a cell exports as.
QString exportText(const QAbstractItemModel &model, int row, int column);

// Whether the model says a column holds numbers: its cells or heading are
// aligned right (a grid's prices and counts), or its cells are numbers.
bool isNumberColumn(const QAbstractItemModel &model, int column);

// What a column's cells are in a spreadsheet. A column the model marks as
// numbers is Number when every cell reads as one that a spreadsheet keeps
// as shown (no leading zero, at most 15 digits), with the most decimals
// any cell shows; a column whose every cell is a day ("yyyy-mm-dd") or a
// moment ("yyyy-mm-dd hh:mm:ss") is Date. Anything else, and so every
// code, is Text. Empty cells count for nothing.
enum class CellKind { Text, Number, Date };
struct ColumnKind {
    CellKind kind = CellKind::Text;
    int decimals = 0;
};
ColumnKind columnKind(const QAbstractItemModel &model, int column);

enum class CsvEncoding { Utf8Bom, CodePage };

// Comma-separated lines ending CRLF; fields holding a comma, a quote, a line
// break or a leading or trailing blank are quoted with quotes doubled.
QString csvText(const QAbstractItemModel &model, const GridColumns &columns = {});

// Writes the CSV file: UTF-8 with a byte-order mark (what spreadsheet
// programs take as UTF-8) or the workstation code page. False with *error
// set when the file cannot be written or a text has no form in the code page.
bool writeCsv(const QAbstractItemModel &model, const QString &path, CsvEncoding encoding, const CodePage &codePage,
              QString *error, const GridColumns &columns = {});

// Writes an XLSX workbook of one sheet: the headings in bold in the first
// row, then the cells as their column's kind: numbers with as many decimals
// as the grid shows (prices "0.00", counts "0"), days and moments as dates,
// everything else as text (so that codes keep their leading zeros).
bool writeXlsx(const QAbstractItemModel &model, const QString &path, const QString &sheetName, QString *error,
               const GridColumns &columns = {});

} // namespace kestra
