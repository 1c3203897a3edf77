#pragma once

// Driving a form offscreen by its controls' names, as an operator would.

#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace kestra::test {

// Types a code into a scan box and presses Enter. Characters outside ASCII
// arrive as text, as from an input method (QTest's key clicks take ASCII).
inline void scanCode(QLineEdit *box, const QString &code)
{
    for (const QChar c : code) {
        if (c.unicode() < 0x80)
            QTest::keyClick(box, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QTest::keyClick(box, Qt::Key_Return);
}

// The named control; a warning names a control the form lacks.
template <typename T>
T *child(QObject *parent, const char *name)
{
    T *w = parent->findChild<T *>(QLatin1String(name));
    if (w == nullptr)
        qWarning("no control %s", name);
    return w;
}

inline QString cellText(QTableView *view, int row, int column)
{
    return view->model()->index(row, column).data().toString();
}

} // namespace kestra::test
