#include "output/PrintCalibration.h"

#include "core/Preferences.h"

#include <cmath>

namespace kestra {

PageDocument calibrated(PageDocument document, const PrintCalibration &c)
{
    if (c.isIdentity())
        return document;
    const auto point = [&c](const QPointF &p) {
        return QPointF(p.x() * c.scale + c.offsetX, p.y() * c.scale + c.offsetY);
    };
    const auto rect = [&point, &c](const QRectF &r) { return QRectF(point(r.topLeft()), r.size() * c.scale); };
    for (Page &page : document.pages) {
        for (PageText &t : page.texts) {
            t.box = rect(t.box);
            t.font.points *= c.scale;
        }
        for (PageLine &l : page.lines) {
            l.from = point(l.from);
            l.to = point(l.to);
        }
        for (PageBox &b : page.boxes)
            b.rect = rect(b.rect);
    }
    return document;
}

PrintCalibration loadCalibration(const UserSettingsStore &store, const QString &kind)
{
    const QString section = QStringLiteral("Settings");
    const auto number = [&](const QString &key, double fallback) {
        bool ok = false;
        const double v = store.value(section, kind + key, QString()).toDouble(&ok);
        return ok ? v : fallback;
    };
    PrintCalibration c;
    c.offsetX = number(QStringLiteral("OffsetX"), 0.0);
    c.offsetY = number(QStringLiteral("OffsetY"), 0.0);
    c.scale = number(QStringLiteral("Scale"), 1.0);
    // A ruler reading gone wrong must not print a sheet of labels at a
    // tenth of their size.
    if (!(c.scale >= 0.5 && c.scale <= 2.0))
        c.scale = 1.0;
    if (!(std::abs(c.offsetX) <= 50.0))
        c.offsetX = 0.0;
    if (!(std::abs(c.offsetY) <= 50.0))
        c.offsetY = 0.0;
    return c;
}

void saveCalibration(UserSettingsStore &store, const QString &kind, const PrintCalibration &c)
{
    const QString section = QStringLiteral("Settings");
    store.setValue(section, kind + QStringLiteral("OffsetX"), QString::number(c.offsetX));
    store.setValue(section, kind + QStringLiteral("OffsetY"), QString::number(c.offsetY));
    store.setValue(section, kind + QStringLiteral("Scale"), QString::number(c.scale));
}

} // namespace kestra
