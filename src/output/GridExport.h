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
// row, the cells as texts (so that codes keep their leading zeros).
bool writeXlsx(const QAbstractItemModel &model, const QString &path, const QString &sheetName, QString *error,
               const GridColumns &columns = {});

} // namespace kestra
