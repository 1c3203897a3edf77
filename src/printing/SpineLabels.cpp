#include "printing/SpineLabels.h"

namespace kestra {

namespace {

const QString kPaperTooSmall = QStringLiteral("打印机自定义纸张过小，请重新设置。");

// What print item `item` (from 1) shows for a copy; the call number is
// its lines joined by "\n".
QString labelItemText(int item, const LabelCopy &copy, const LabelParams &params, const LabelRun &run)
{
    switch (item) {
    case 1:
        return copy.materialDesignation;
    case 2:
        return callNumberLines(copy.callNo, run.separator, params.callNoReturn).join(QLatin1Char('\n'));
    case 3:
        return copy.year.isEmpty() && copy.volPeri.isEmpty() ? QString() : copy.year + u'-' + copy.volPeri;
    case 4:
        return copy.location;
    case 5:
        return copy.propNo;
    case 6:
        return copy.barCode;
    case 7:
        return params.customText;
    default:
        return {};
    }
}

TextAlign labelAlignOf(int callNoAlign)
{
    return callNoAlign == 1 ? TextAlign::Centre : callNoAlign == 2 ? TextAlign::Right : TextAlign::Left;
}

void placeLabel(Page &page, const QRectF &label, const LabelCopy &copy, const LabelParams &params, const LabelRun &run)
{
    for (std::size_t i = 0; i < params.items.size(); ++i) {
        const LabelItem &item = params.items[i];
        const int number = static_cast<int>(i) + 1;
        if (item.print != 1)
            continue;
        const QString text = labelItemText(number, copy, params, run);
        if (text.isEmpty())
            continue;
        PageText t;
        t.text = text;
        t.font.points = item.fontSize > 0 ? item.fontSize : 9.0;
        t.font.bold = item.bold;
        t.font.italic = item.italic;
        t.font.family = item.fontName;
        // Centred labels use the whole label in that direction; the offset
        // then moves the centre line.
        const double left = label.left() + item.left.toMm();
        const double top = label.top() + item.top.toMm();
        t.box = QRectF(left, top, std::max(0.0, label.right() - left), std::max(0.0, label.bottom() - top));
        t.valign = TextVAlign::Top;
        t.align = number == 2 ? labelAlignOf(params.callNoAlign) : TextAlign::Left;
        if (params.center) {
            t.box.setLeft(label.left() + item.left.toMm());
            t.box.setWidth(label.width());
            t.align = TextAlign::Centre;
        }
        if (params.centerV) {
            t.box.setTop(label.top() + item.top.toMm());
            t.box.setHeight(label.height());
            t.valign = TextVAlign::Centre;
        }
        page.texts.append(t);
    }
}

QChar labelClassLetter(const QString &callNo)
{
    const QString t = callNo.trimmed();
    return t.isEmpty() ? QChar() : t.at(0);
}

} // namespace

QStringList callNumberLines(const QString &callNo, const QString &separatorParam, int mode)
{
    QString sep = separatorParam;
    sep.replace(QLatin1Char('_'), QLatin1Char(' '));
    const qsizetype at = sep.isEmpty() ? -1 : callNo.indexOf(sep);
    if (mode <= 0 || mode > 3 || at < 0)
        return {callNo};
    if (mode == 1)
        return {callNo.left(at), callNo.mid(at + sep.size())};
    if (mode == 2) {
        QStringList lines{callNo.left(at + sep.size())};
        lines.append(callNo.mid(at + sep.size()).split(sep));
        return lines;
    }
    return callNo.split(sep);
}

bool checkStartPosition(const LabelParams &params, int startRow, int startCol, QString *message)
{
    if (startRow >= 1 && startCol >= 1 && startRow <= params.rows && startCol <= params.cols)
        return true;
    if (message != nullptr)
        *message =
            QStringLiteral("起始行和起始列不能小于1并且不能大于最大行数和列数，同时请到书标参数设置中查看书标行数和"
                           "书标列数的设置是否正确。");
    return false;
}

LabelLayout layoutSpineLabels(const LabelParams &params, const QList<LabelCopy> &copies, const LabelRun &run,
                              const DevicePaper &paper)
{
    LabelLayout out;
    out.document.title = QStringLiteral("书标");
    out.document.paper.size = paper.size;
    out.document.paper.margins = {};
    if (!checkStartPosition(params, run.startRow, run.startCol, &out.error))
        return out;
    // The page the labels stand on: what the printer reaches, less the
    // sheet's own margins.
    const QRectF sheet =
        QRectF(QPointF(0, 0), paper.size)
            .adjusted(params.left.toMm(), params.top.toMm(), -params.right.toMm(), -params.bottom.toMm())
            .intersected(paper.printable);
    const Distance pageWidth = Distance::mm(sheet.width());
    const Distance pageHeight = Distance::mm(sheet.height());
    out.across = pageWidth.fits(params.width);
    out.down = pageHeight.fits(params.height);
    if (out.across == 0 || out.down == 0) {
        out.error = kPaperTooSmall;
        return out;
    }
    // A start beyond what the paper holds would put labels off the sheet.
    if (run.startRow > out.down || run.startCol > out.across) {
        checkStartPosition(LabelParams{}, 0, 0, &out.error);
        return out;
    }
    const double w = params.width.toMm();
    const double h = params.height.toMm();
    const double x0 = sheet.left() + (sheet.width() - w * out.across) / 2.0;
    const double y0 = sheet.top() + (sheet.height() - h * out.down) / 2.0;
    const int perSheet = out.across * out.down;
    // A file without NumPerItem would print nothing at all: one each.
    const int perCopy = std::max(1, params.numPerItem);

    int position = (run.startRow - 1) * out.across + (run.startCol - 1);
    const bool breaks = run.classBreaks && params.callNoStop;
    QChar previous;
    for (qsizetype c = 0; c < copies.size(); ++c) {
        const LabelCopy &copy = copies.at(c);
        const QChar letter = labelClassLetter(copy.callNo);
        if (out.document.pages.isEmpty()) {
            out.document.pages.append(Page{});
            out.sheets.append(static_cast<int>(c));
        } else if (breaks && letter != previous && position != 0) {
            out.document.pages.append(Page{});
            out.sheets.append(static_cast<int>(c));
            position = 0;
        }
        previous = letter;
        for (int n = 0; n < perCopy; ++n) {
            if (position == perSheet) {
                out.document.pages.append(Page{});
                out.sheets.append(static_cast<int>(c));
                position = 0;
            }
            const int row = position / out.across;
            const int col = position % out.across;
            const QRectF label(x0 + col * w, y0 + row * h, w, h);
            placeLabel(out.document.pages.last(), label, copy, params, run);
            ++position;
            ++out.labels;
        }
    }
    return out;
}

} // namespace kestra
