#include "output/GridExport.h"

#include "core/CodePage.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
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

// A spreadsheet keeps 15 significant digits; a longer number would show
// rounded, and a leading zero would be dropped. Either is a code's mark.
constexpr int kMaxNumberDigits = 15;
// A spreadsheet's dates begin in 1900.
constexpr int kFirstDateYear = 1900;

// The decimals of a number a spreadsheet shows as the text, or -1.
int numberDecimals(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^-?(0|[1-9][0-9]*)(?:\\.([0-9]+))?$"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch() || m.capturedLength(1) + m.capturedLength(2) > kMaxNumberDigits)
        return -1;
    return static_cast<int>(m.capturedLength(2));
}

// A day or a moment as the suite writes them; invalid when the text is
// anything else.
QDateTime dateOf(const QString &text)
{
    static const QRegularExpression shape(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}( [0-9]{2}:[0-9]{2}:[0-9]{2})?$"));
    if (!shape.match(text).hasMatch())
        return {};
    const QDateTime at = text.size() == 10
                             ? QDateTime(QDate::fromString(text, QStringLiteral("yyyy-MM-dd")), QTime(0, 0))
                             : QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return at.isValid() && at.date().year() >= kFirstDateYear ? at : QDateTime();
}

bool isNumberValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

bool alignedRight(const QVariant &align)
{
    return align.isValid() && (align.toInt() & Qt::AlignRight) != 0;
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

bool isNumberColumn(const QAbstractItemModel &model, int column)
{
    if (alignedRight(model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole)))
        return true;
    if (model.rowCount() == 0)
        return false;
    const QModelIndex first = model.index(0, column);
    return alignedRight(model.data(first, Qt::TextAlignmentRole)) || isNumberValue(model.data(first, Qt::DisplayRole));
}

ColumnKind columnKind(const QAbstractItemModel &model, int column)
{
    const bool checks = model.rowCount() > 0 && model.data(model.index(0, column), Qt::CheckStateRole).isValid();
    bool numbers = !checks && isNumberColumn(model, column);
    bool dates = !checks;
    bool any = false;
    int decimals = 0;
    for (int r = 0; r < model.rowCount() && (numbers || dates); ++r) {
        const QString text = exportText(model, r, column).trimmed();
        if (text.isEmpty())
            continue;
        any = true;
        const int d = numbers ? numberDecimals(text) : -1;
        numbers = d >= 0;
        decimals = std::max(decimals, d);
        dates = dates && dateOf(text).isValid();
    }
    if (!any)
        return {};
    if (numbers)
        return {CellKind::Number, decimals};
    return dates ? ColumnKind{CellKind::Date, 0} : ColumnKind{};
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
    // A number shows the decimals the grid shows; a day and a moment the
    // way the suite writes them.
    auto numberFormat = [workbook](const char *pattern) {
        lxw_format *format = workbook_add_format(workbook);
        format_set_num_format(format, pattern);
        return format;
    };
    lxw_format *dayFormat = numberFormat("yyyy-mm-dd");
    lxw_format *momentFormat = numberFormat("yyyy-mm-dd hh:mm:ss");
    QList<ColumnKind> kinds;
    QList<lxw_format *> formats;
    QList<int> widths(cols.size(), 4);
    for (int i = 0; i < cols.size(); ++i) {
        const QString heading = model.headerData(cols.at(i), Qt::Horizontal, Qt::DisplayRole).toString();
        put(0, i, heading, bold);
        widths[i] = std::max(widths.at(i), displayWidth(heading));
        kinds.append(columnKind(model, cols.at(i)));
        const int decimals = kinds.last().decimals;
        const QByteArray pattern = decimals > 0 ? "0." + QByteArray(decimals, '0') : QByteArray("0");
        formats.append(kinds.last().kind == CellKind::Number ? numberFormat(pattern.constData()) : nullptr);
    }
    auto putCell = [&](int row, int i, const QString &text) {
        const QString value = text.trimmed();
        if (failed != LXW_NO_ERROR || value.isEmpty())
            return;
        const auto r = static_cast<lxw_row_t>(row);
        const auto c = static_cast<lxw_col_t>(i);
        if (kinds.at(i).kind == CellKind::Number) {
            failed = worksheet_write_number(sheet, r, c, value.toDouble(), formats.at(i));
        } else if (kinds.at(i).kind == CellKind::Date) {
            const QDateTime at = dateOf(value);
            lxw_datetime when{at.date().year(), at.date().month(),  at.date().day(),
                              at.time().hour(), at.time().minute(), static_cast<double>(at.time().second())};
            failed = worksheet_write_datetime(sheet, r, c, &when, value.size() == 10 ? dayFormat : momentFormat);
        } else {
            put(row, i, text, nullptr);
        }
    };
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int i = 0; i < cols.size(); ++i) {
            const QString text = exportText(model, r, cols.at(i));
            putCell(r + 1, i, text);
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
