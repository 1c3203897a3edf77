#include "output/GridExport.h"

#include "core/CodePage.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QSaveFile>
#include <xlsxwriter.h>

namespace kestra {

namespace {

// Limits of the XLSX format.
constexpr int kMaxXlsxRows = 1048576;
constexpr int kMaxXlsxColumns = 16384;
constexpr int kMaxXlsxText = 32767;
constexpr int kMaxSheetName = 31;

QString csvField(const QString &text)
{
    const bool quote = text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r') ||
                       (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quote)
        return text;
    QString doubled = text;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QString sheetNameFrom(const QString &name)
{
    QString clean;
    for (const QChar c : name) {
        if (!QStringLiteral("[]:*?/\\").contains(c))
            clean.append(c);
    }
    clean = clean.left(kMaxSheetName).trimmed();
    return clean.isEmpty() ? QStringLiteral("Sheet1") : clean;
}

// Columns wide enough for their texts, a wide character counting two.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x2E80 ? 2 : 1;
    return width;
}

} // namespace

QList<int> GridColumns::of(const QAbstractItemModel &model) const
{
    if (!columns.isEmpty())
        return columns;
    QList<int> all;
    for (int c = 0; c < model.columnCount(); ++c)
        all.append(c);
    return all;
}

QString exportText(const QAbstractItemModel &model, int row, int column)
{
    const QModelIndex index = model.index(row, column);
    const QVariant check = model.data(index, Qt::CheckStateRole);
    if (check.isValid())
        return check.value<Qt::CheckState>() == Qt::Unchecked ? QStringLiteral("否") : QStringLiteral("是");
    return model.data(index, Qt::DisplayRole).toString();
}

QString csvText(const QAbstractItemModel &model, const GridColumns &columns)
{
    const QList<int> cols = columns.of(model);
    QString out;
    QStringList fields;
    for (int c : cols)
        fields.append(csvField(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()));
    out += fields.join(u',') + QStringLiteral("\r\n");
    for (int r = 0; r < model.rowCount(); ++r) {
        fields.clear();
        for (int c : cols)
            fields.append(csvField(exportText(model, r, c)));
        out += fields.join(u',') + QStringLiteral("\r\n");
    }
    return out;
}

bool writeCsv(const QAbstractItemModel &model, const QString &path, CsvEncoding encoding, const CodePage &codePage,
              QString *error, const GridColumns &columns)
{
    const QString text = csvText(model, columns);
    QByteArray bytes;
    if (encoding == CsvEncoding::Utf8Bom) {
        bytes = QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
    } else {
        bytes = codePage.encode(text);
        // A text the code page cannot hold would come out as question marks.
        if (codePage.decode(bytes) != text) {
            *error = QStringLiteral("数据中有%1无法表示的字符，请导出为UTF-8").arg(codePage.name());
            return false;
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool writeXlsx(const QAbstractItemModel &model, const QString &path, const QString &sheetName, QString *error,
               const GridColumns &columns)
{
    const QList<int> cols = columns.of(model);
    if (model.rowCount() + 1 > kMaxXlsxRows || cols.size() > kMaxXlsxColumns) {
        *error = QStringLiteral("数据超出Excel工作表的行列上限");
        return false;
    }
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook *workbook = workbook_new(file.constData());
    if (workbook == nullptr) {
        *error = QStringLiteral("不能创建文件：") + path;
        return false;
    }
    const QByteArray name = sheetNameFrom(sheetName).toUtf8();
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, name.constData());
    lxw_format *bold = workbook_add_format(workbook);
    format_set_bold(bold);

    lxw_error failed = LXW_NO_ERROR;
    auto put = [&](int row, int col, const QString &text, lxw_format *format) {
        if (failed != LXW_NO_ERROR || text.isEmpty())
            return;
        const QByteArray utf8 = text.left(kMaxXlsxText).toUtf8();
        failed = worksheet_write_string(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col),
                                        utf8.constData(), format);
    };
    QList<int> widths(cols.size(), 4);
    for (int i = 0; i < cols.size(); ++i) {
        const QString heading = model.headerData(cols.at(i), Qt::Horizontal, Qt::DisplayRole).toString();
        put(0, i, heading, bold);
        widths[i] = std::max(widths.at(i), displayWidth(heading));
    }
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int i = 0; i < cols.size(); ++i) {
            const QString text = exportText(model, r, cols.at(i));
            put(r + 1, i, text, nullptr);
            widths[i] = std::max(widths.at(i), displayWidth(text));
        }
    }
    for (int i = 0; i < cols.size() && failed == LXW_NO_ERROR; ++i)
        worksheet_set_column(sheet, static_cast<lxw_col_t>(i), static_cast<lxw_col_t>(i),
                             std::min(widths.at(i), 60) + 1, nullptr);
    const lxw_error closed = workbook_close(workbook);
    if (failed == LXW_NO_ERROR)
        failed = closed;
    if (failed != LXW_NO_ERROR) {
        *error = QString::fromUtf8(lxw_strerror(failed));
        QFile::remove(path);
        return false;
    }
    return true;
}

} // namespace kestra
