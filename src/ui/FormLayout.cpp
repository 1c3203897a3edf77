#include "ui/FormLayout.h"

#include "core/Preferences.h"

#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTreeView>

namespace kestra {

namespace {

const QString kSection = QStringLiteral("Forms");
constexpr int kRowsShown = 15;

QList<QAbstractItemView *> gridsOf(QWidget *form)
{
    QList<QAbstractItemView *> grids;
    for (QAbstractItemView *view : form->findChildren<QAbstractItemView *>()) {
        if (!view->objectName().isEmpty() && columnsOf(view) != nullptr)
            grids.append(view);
    }
    return grids;
}

QString key(const QWidget *form, const QString &what)
{
    return form->objectName() + u'/' + what;
}

// How much larger than its size hint the form must be for each grid to show
// all its columns and kRowsShown rows.
QSize gridShortfall(QWidget *form)
{
    QSize extra(0, 0);
    for (QAbstractItemView *view : gridsOf(form)) {
        const QHeaderView *header = columnsOf(view);
        int width = header->length() + 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
        if (auto *table = qobject_cast<QTableView *>(view))
            width += table->verticalHeader()->isVisible() ? table->verticalHeader()->sizeHint().width() : 0;
        int rowHeight = view->sizeHintForRow(0);
        if (rowHeight <= 0) {
            auto *table = qobject_cast<QTableView *>(view);
            rowHeight = table != nullptr ? table->verticalHeader()->defaultSectionSize() : view->fontMetrics().height();
        }
        const int height = header->sizeHint().height() + kRowsShown * rowHeight + 2 * view->frameWidth();
        const QSize hint = view->sizeHint();
        extra = extra.expandedTo(QSize(width - hint.width(), height - hint.height()));
    }
    return extra;
}

QSize parseSize(const QString &text)
{
    const QStringList parts = text.split(u'x');
    if (parts.size() != 2)
        return {};
    bool okW = false;
    bool okH = false;
    const QSize size(parts.at(0).toInt(&okW), parts.at(1).toInt(&okH));
    return okW && okH && size.width() > 0 && size.height() > 0 ? size : QSize();
}

// The heading of each column as the key of its width; a heading shown
// twice is told apart by its count ("金额#2").
QStringList headingKeys(const QHeaderView *header)
{
    QStringList keys;
    QHash<QString, int> seen;
    for (int i = 0; i < header->count(); ++i) {
        const QString heading =
            header->model() != nullptr ? header->model()->headerData(i, header->orientation()).toString() : QString();
        const int n = ++seen[heading];
        keys.append(n == 1 ? heading : heading + u'#' + QString::number(n));
    }
    return keys;
}

// Widths are kept by heading, "heading=width" with the heading
// percent-encoded, so that a column added to a grid or moved in it keeps
// its width where the operator left it. A value without "=" is the older
// list of widths by position: read once, it is written back by heading when
// the form closes.
void restoreColumns(QHeaderView *header, const QString &saved)
{
    if (saved.isEmpty())
        return;
    const QStringList parts = saved.split(u',');
    if (!saved.contains(u'=')) {
        for (int i = 0; i < parts.size() && i < header->count(); ++i) {
            bool ok = false;
            const int width = parts.at(i).toInt(&ok);
            if (ok && width > 0)
                header->resizeSection(i, width);
        }
        return;
    }
    QHash<QString, int> widths;
    for (const QString &part : parts) {
        const qsizetype at = part.lastIndexOf(u'=');
        bool ok = false;
        const int width = part.mid(at + 1).toInt(&ok);
        if (at >= 0 && ok && width > 0)
            widths.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(part.left(at).toUtf8())), width);
    }
    const QStringList keys = headingKeys(header);
    for (int i = 0; i < keys.size(); ++i) {
        if (const auto it = widths.constFind(keys.at(i)); it != widths.cend())
            header->resizeSection(i, it.value());
    }
}

QString savedColumns(const QHeaderView *header)
{
    const QStringList keys = headingKeys(header);
    QStringList parts;
    for (int i = 0; i < keys.size(); ++i)
        parts.append(QString::fromLatin1(keys.at(i).toUtf8().toPercentEncoding()) + u'=' +
                     QString::number(header->sectionSize(i)));
    return parts.join(u',');
}

// The named splitters of a form keep their panes' sizes.
QList<QSplitter *> splittersOf(QWidget *form)
{
    QList<QSplitter *> found;
    for (QSplitter *splitter : form->findChildren<QSplitter *>()) {
        if (!splitter->objectName().isEmpty())
            found.append(splitter);
    }
    return found;
}

void restoreLayout(QWidget *form, UserSettingsStore &settings)
{
    for (QAbstractItemView *view : gridsOf(form))
        restoreColumns(columnsOf(view), settings.value(kSection, key(form, view->objectName()), QString()));
    for (QSplitter *splitter : splittersOf(form)) {
        const QStringList parts = settings.value(kSection, key(form, splitter->objectName()), QString()).split(u',');
        QList<int> sizes;
        for (const QString &part : parts) {
            bool ok = false;
            const int size = part.toInt(&ok);
            if (ok && size >= 0)
                sizes.append(size);
        }
        if (sizes.size() == splitter->count())
            splitter->setSizes(sizes);
    }
}

void save(QWidget *form, UserSettingsStore &settings)
{
    const QSize size = form->size();
    settings.setValue(kSection, key(form, QStringLiteral("size")),
                      QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
    for (QAbstractItemView *view : gridsOf(form))
        settings.setValue(kSection, key(form, view->objectName()), savedColumns(columnsOf(view)));
    for (QSplitter *splitter : splittersOf(form)) {
        QStringList sizes;
        for (int size : splitter->sizes())
            sizes.append(QString::number(size));
        settings.setValue(kSection, key(form, splitter->objectName()), sizes.join(u','));
    }
}

// Saves when the frame closes; it lives as long as the form.
class LayoutKeeper : public QObject {
public:
    LayoutKeeper(QWidget *frame, QWidget *form, UserSettingsStore &settings)
        : QObject(form), frame_(frame), form_(form), settings_(settings)
    {
        frame->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == frame_ && event->type() == QEvent::Close && form_ != nullptr)
            save(form_, settings_);
        return false;
    }

private:
    QPointer<QWidget> frame_;
    QPointer<QWidget> form_;
    UserSettingsStore &settings_;
};

// The size the form opens at: the one it was left at, else its layout's
// wish grown to show its grids (and never less than the form asked for).
QSize openingSize(QWidget *form, UserSettingsStore &settings)
{
    const QSize saved = parseSize(settings.value(kSection, key(form, QStringLiteral("size")), QString()));
    if (saved.isValid())
        return saved;
    // A form without a layout has no wish: the size it was given stands.
    const QSize hint = form->sizeHint();
    if (!hint.isValid())
        return form->size();
    return (hint.expandedTo(form->minimumSizeHint()) + gridShortfall(form)).expandedTo(form->size());
}

} // namespace

QHeaderView *columnsOf(QAbstractItemView *view)
{
    if (auto *table = qobject_cast<QTableView *>(view))
        return table->horizontalHeader();
    if (auto *tree = qobject_cast<QTreeView *>(view))
        return tree->header();
    return nullptr;
}

QMdiSubWindow *showInWorkspace(QMdiArea *area, QWidget *form, UserSettingsStore &settings)
{
    restoreLayout(form, settings);
    const QSize wanted = openingSize(form, settings);
    QMdiSubWindow *sub = area->addSubWindow(form);
    sub->show();
    const QSize frame = sub->size() - form->size();
    sub->resize((wanted + frame).boundedTo(area->viewport()->size()));
    new LayoutKeeper(sub, form, settings);
    return sub;
}

void rememberLayout(QWidget *frame, QWidget *form, UserSettingsStore &settings)
{
    restoreLayout(form, settings);
    const QSize wanted = openingSize(form, settings);
    const QSize outer = frame->size() - form->size();
    frame->resize(wanted + (frame == form ? QSize(0, 0) : outer));
    new LayoutKeeper(frame, form, settings);
}

} // namespace kestra
