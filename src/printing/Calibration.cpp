#include "printing/Calibration.h"

#include "core/AppContext.h"
#include "core/Preferences.h"

namespace kestra {

namespace {

constexpr double kCrossInset = 20.0;

void addCross(Page &page, QPointF at, const QString &name)
{
    page.lines.append({at - QPointF(5, 0), at + QPointF(5, 0), 0.15});
    page.lines.append({at - QPointF(0, 5), at + QPointF(0, 5), 0.15});
    PageText t;
    t.box = QRectF(at + QPointF(1.5, 1.5), QSizeF(10, 5));
    t.text = name;
    t.font.points = 9;
    page.texts.append(t);
}

} // namespace

PageDocument calibrationSheet(QSizeF paper)
{
    PageDocument doc;
    doc.title = QStringLiteral("打印校准");
    doc.paper.size = paper;
    doc.paper.margins = {};
    Page page;
    addCross(page, QPointF(kCrossInset, kCrossInset), QStringLiteral("A"));
    addCross(page, QPointF(paper.width() - kCrossInset, paper.height() - kCrossInset), QStringLiteral("B"));
    const double y = paper.height() / 2;
    const double x0 = std::max(10.0, (paper.width() - 100) / 2);
    page.lines.append({QPointF(x0, y), QPointF(x0 + 100, y), 0.15});
    for (int mm = 0; mm <= 100; mm += 10)
        page.lines.append({QPointF(x0 + mm, y - (mm % 50 == 0 ? 4 : 2)), QPointF(x0 + mm, y), 0.15});
    PageText note;
    note.box = QRectF(x0, y + 3, 100, 10);
    note.text = QStringLiteral("量出A到纸的左边和上边的距离及A到B的水平距离（毫米）");
    note.font.points = 8;
    page.texts.append(note);
    doc.pages.append(page);
    return doc;
}

std::optional<PrintCalibration> calibrationFromMeasures(QSizeF paper, double ax, double ay, double abAcross)
{
    const double expected = paper.width() - 2 * kCrossInset;
    if (!(ax > 0) || !(ay > 0) || !(abAcross > 0) || !(expected > 0))
        return std::nullopt;
    PrintCalibration c;
    c.scale = abAcross / expected;
    if (c.scale < 0.5 || c.scale > 2.0)
        return std::nullopt;
    // Printed at x × scale + offset: A (at 20 mm) landed at ax.
    c.offsetX = ax - kCrossInset * c.scale;
    c.offsetY = ay - kCrossInset * c.scale;
    return c;
}

bool calibratePrinter(AppContext &context, UserSettingsStore &store, const QString &kind, PrintCalibration *calibration)
{
    const DevicePaper paper = context.printer().devicePaper();
    if (!paper.printerInstalled) {
        context.showMsg(QStringLiteral("E请确认是否正确安装了打印机。"));
        return false;
    }
    if (context.showMsg(QStringLiteral("Q将打印一张校准页，请放好纸张后点击确定开始打印！")) != AnswerOk ||
        context.printer().print(calibrationSheet(paper.size), PrintTarget::Printer, QString()) != 1)
        return false;
    double measures[3] = {0, 0, 0};
    const QStringList labels{QStringLiteral("A到纸左边的距离（毫米）"), QStringLiteral("A到纸上边的距离（毫米）"),
                             QStringLiteral("A到B的水平距离（毫米）")};
    for (int i = 0; i < 3; ++i) {
        const std::optional<QString> text = context.prompter().inputText(QStringLiteral("打印校准"), labels.at(i), {});
        if (!text)
            return false;
        bool ok = false;
        measures[i] = text->trimmed().toDouble(&ok);
        if (!ok)
            measures[i] = 0;
    }
    const std::optional<PrintCalibration> c =
        calibrationFromMeasures(paper.size, measures[0], measures[1], measures[2]);
    if (!c) {
        context.showMsg(QStringLiteral("E输入的值不正确"));
        return false;
    }
    saveCalibration(store, kind, *c);
    *calibration = *c;
    context.showMsg(QStringLiteral("I打印校准已保存。"));
    return true;
}

} // namespace kestra
