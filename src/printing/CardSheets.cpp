// The catalogue cards of a set laid out on card-sized pages: the grid of
// Line lines by Colum columns inside the margins, the call number on the
// left, the heading, the body with its paragraphs, the holdings, and the
// continuation cards.

#include "printing/CatalogueCard.h"

namespace kestra {

namespace {

// The card's grid in millimetres.
struct CardGrid {
    QRectF area;
    double column = 0;
    double line = 0;
    double points = 0;

    QRectF cell(int row, int col, int columns) const // row and column from 1
    {
        return QRectF(area.left() + (col - 1) * column, area.top() + (row - 1) * line, columns * column, line);
    }
};

struct BodyLine {
    QString text;
    int indent = 0; // columns
};

// The body of one card of a kind: pinyin, paragraphs, the sections the
// kind carries, tracing; every line fitted to the body's width.
QList<BodyLine> cardBodyLines(const CardData &card, const CardParams &params, CardKind kind, int width,
                              const QSet<int> &footerParagraphs)
{
    const CardKindParams &k = params.kinds[static_cast<std::size_t>(kind)];
    QList<BodyLine> out;
    const auto add = [&](const QString &text, int indent) {
        if (text.trimmed().isEmpty())
            return;
        const QStringList lines = fitCardLines(text, width - indent, width);
        for (qsizetype i = 0; i < lines.size(); ++i)
            out.append({lines.at(i), i == 0 ? indent : 0});
    };
    if (!card.pinyin.isEmpty()) {
        QStringList py = fitCardLines(card.pinyin, width, width);
        if (params.pyMaxLine > 0)
            py = py.mid(0, params.pyMaxLine);
        for (const QString &l : py)
            out.append({l, 0});
    }
    for (qsizetype i = 0; i < card.paragraphs.size(); ++i) {
        if (!footerParagraphs.contains(static_cast<int>(i) + 1))
            add(card.paragraphs.at(i), params.indentionSpace);
    }
    if (k.note) {
        for (const QString &n : card.notes)
            add(n, params.indentionSpace);
    }
    if (k.isbn) {
        for (const QString &n : card.isbns)
            add(n, params.indentionSpace);
    }
    if (k.summary) {
        for (const QString &n : card.summaries)
            add(n, params.indentionSpace);
    }
    if (k.trace && !card.tracing.isEmpty()) {
        QStringList wanted = k.trace_list.split(u',', Qt::SkipEmptyParts);
        for (QString &w : wanted)
            w = w.trimmed();
        QStringList entries;
        int n = 0;
        for (const QString &t : card.tracing) {
            const QString which = t.section(u'\t', 0, 0);
            if (!wanted.isEmpty() && !wanted.contains(which))
                continue;
            static const QString numerals = QStringLiteral("ⅠⅡⅢⅣⅤⅥⅦⅧⅨⅩ");
            ++n;
            const QString number = n <= 10 ? QString(numerals.at(n - 1)) : QString::number(n);
            entries.append(number + u'.' + t.section(u'\t', 1));
        }
        add(entries.join(u' '), params.indentionSpace);
    }
    return out;
}

void addCardText(Page &page, const QRectF &box, const QString &text, double points, TextAlign align = TextAlign::Left)
{
    PageText t;
    t.box = box;
    t.text = text;
    t.font.points = points;
    t.align = align;
    page.texts.append(t);
}

} // namespace

PageDocument layoutCards(const QList<CardData> &cards, const CardParams &params, QSizeF cardSize)
{
    PageDocument doc;
    doc.title = QStringLiteral("卡片");
    doc.paper.size = cardSize;
    doc.paper.margins = {};
    const int lines = std::max(1, params.lines);
    const int columns = std::max(1, params.columns);
    CardGrid grid;
    grid.area = QRectF(QPointF(0, 0), cardSize)
                    .adjusted(params.leftMargin.toMm(), params.topMargin.toMm(), -params.rightMargin.toMm(),
                              -params.bottomMargin.toMm());
    if (grid.area.width() <= 0 || grid.area.height() <= 0)
        grid.area = QRectF(QPointF(0, 0), cardSize);
    grid.column = grid.area.width() / columns;
    grid.line = grid.area.height() / lines;
    // A wide character fills two columns: the em is two columns, and the
    // type stays inside its line.
    grid.points = std::min(2 * grid.column, grid.line * 0.85) * 72.0 / 25.4;

    const int classCol = std::max(1, params.classCol);
    const int classRow = std::max(1, params.classRow);
    const int classWidth = params.maxLineChars > 0 ? params.maxLineChars : 8;
    const int bodyCol = std::min(columns, classCol + classWidth + 1);
    const int bodyWidth = std::max(1, columns - bodyCol + 1);

    for (const CardData &card : cards) {
        const CardTypeParams &tp = params.types[static_cast<std::size_t>(card.type)];
        QSet<int> footerParagraphs;
        const bool footer = tp.printFooter && params.footLine > 0;
        if (footer) {
            for (const QList<int> &f : params.footers) {
                for (int n : f)
                    footerParagraphs.insert(n);
            }
        }
        const QStringList callLines = cardCallNumberLines(card, params);
        for (int k = 0; k < CardKindCount; ++k) {
            const CardKind kind = static_cast<CardKind>(k);
            const CardKindParams &kp = params.kinds[static_cast<std::size_t>(k)];
            if (!kp.print)
                continue;
            const QStringList headings = kind == CardKind::Main ? QStringList{QString()} : card.headings[k];
            for (const QString &heading : headings) {
                QList<BodyLine> body = cardBodyLines(card, params, kind, bodyWidth, footerParagraphs);
                int first = card.header.isEmpty() ? 1 : 2;
                const int headingLines = kind == CardKind::Main ? 0 : std::max(1, params.headingLine);
                const int lastBody = lines - (footer ? params.footLine : 0);
                int part = 0;
                qsizetype next = 0;
                do {
                    Page page;
                    if (params.printBorder)
                        page.boxes.append({QRectF(QPointF(1, 1), cardSize - QSizeF(2, 2)), 0.2, false});
                    if (!card.header.isEmpty())
                        addCardText(page, grid.cell(1, 1, columns), card.header.join(u' '), grid.points * 0.8,
                                    TextAlign::Right);
                    for (qsizetype i = 0; i < callLines.size(); ++i) {
                        const double pts = params.classFontSize > 0 ? params.classFontSize : grid.points;
                        addCardText(page, grid.cell(classRow + static_cast<int>(i), classCol, classWidth),
                                    callLines.at(i), pts);
                    }
                    int row = first;
                    if (part == 0 && headingLines > 0) {
                        const QString h = params.headingUpCase ? heading.toUpper() : heading;
                        const QStringList hl = fitCardLines(h, bodyWidth, bodyWidth).mid(0, headingLines);
                        for (const QString &l : hl)
                            addCardText(page, grid.cell(row++, bodyCol, bodyWidth), l, grid.points);
                        row = first + headingLines;
                    }
                    if (part > 0)
                        addCardText(page, grid.cell(lines, bodyCol, bodyWidth), QStringLiteral("（续%1）").arg(part),
                                    grid.points * 0.8, TextAlign::Right);
                    const int room = std::max(0, lastBody - row + 1);
                    const bool more = body.size() - next > room;
                    const qsizetype take = std::min<qsizetype>(room, body.size() - next);
                    for (qsizetype i = 0; i < take; ++i) {
                        const BodyLine &b = body.at(next + i);
                        QString text = b.text;
                        if (more && !kp.continued && i == take - 1 && !params.omitChar.isEmpty())
                            text = fitCardLines(text, bodyWidth - b.indent - 2, bodyWidth).value(0) + params.omitChar;
                        addCardText(page,
                                    grid.cell(row + static_cast<int>(i), bodyCol + b.indent, bodyWidth - b.indent),
                                    text, grid.points);
                    }
                    next += take;
                    if (params.holdingYorn && part == 0) {
                        QStringList h = card.holdings;
                        if (params.holdingMax > 0)
                            h = h.mid(0, params.holdingMax);
                        const int hr = std::max(1, params.holdingRow);
                        for (qsizetype i = 0; i < h.size() && hr + i <= lines; ++i)
                            addCardText(page,
                                        grid.cell(hr + static_cast<int>(i), std::max(1, params.holdingCol), classWidth),
                                        h.at(i), grid.points * 0.8);
                    }
                    const bool last = next >= body.size() || !kp.continued;
                    if (footer && last) {
                        int fr = lines - params.footLine + 1;
                        for (int n : footerParagraphs) {
                            for (const QString &l : fitCardLines(card.paragraphs.value(n - 1), bodyWidth, bodyWidth)) {
                                if (fr <= lines)
                                    addCardText(page, grid.cell(fr++, bodyCol, bodyWidth), l, grid.points);
                            }
                        }
                    }
                    if (params.yornIndex && kp.cardIndex && !kp.name.isEmpty())
                        addCardText(page, QRectF(grid.area.left(), grid.area.bottom(), grid.area.width(), grid.line),
                                    kp.name, grid.points * 0.8, TextAlign::Right);
                    if (kp.baseNumber)
                        addCardText(page, QRectF(grid.area.left(), grid.area.bottom(), grid.area.width(), grid.line),
                                    card.marcRecNo, grid.points * 0.8);
                    doc.pages.append(page);
                    ++part;
                    if (last)
                        break;
                } while (true);
            }
        }
    }
    return doc;
}

} // namespace kestra
