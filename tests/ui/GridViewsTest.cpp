// An editable grid in a real view, offscreen: typed text reaches the
// controller's setter, a refusal is shown and the cell keeps its value, the
// code list shows names and stores the code, the space bar checks a check
// column.

#include "kit/RowModel.h"
#include "support/FormDriver.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"
#include "ui/CellEditing.h"
#include "ui/CodeBoxes.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

struct Copy {
    QString barcode;
    QString location;
    bool lend = false;
};

QList<Column<Copy>> columns()
{
    Column<Copy> barcode{u"条码号"_s, [](const Copy &c) { return c.barcode; }};
    barcode.editor = CellEditor::Text;
    barcode.set = [](Copy &c, const QString &v) {
        if (v.startsWith(u'X'))
            return u"E条码号已经存在！"_s;
        c.barcode = v;
        return QString();
    };
    Column<Copy> location{u"馆藏地"_s,
                          [](const Copy &c) { return c.location == u"L2" ? u"外文书库"_s : u"中文图书库"_s; }};
    location.editor = CellEditor::Code;
    location.value = [](const Copy &c) { return c.location; };
    location.codes = {{u"L1"_s, u"中文图书库"_s}, {u"L2"_s, u"外文书库"_s}};
    location.set = [](Copy &c, const QString &code) {
        c.location = code;
        return QString();
    };
    Column<Copy> lend{u"可借"_s, [](const Copy &c) { return c.lend ? u"是"_s : u"否"_s; }};
    lend.editor = CellEditor::Check;
    lend.value = [](const Copy &c) { return c.lend ? u"1"_s : u"0"_s; };
    lend.set = [](Copy &c, const QString &v) {
        c.lend = v == u"1";
        return QString();
    };
    return {barcode, location, lend};
}

} // namespace

class GridViewsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void editInTheView()
    {
        TestContext tc;
        RowModel<Copy> model(columns(), false);
        model.append(Copy{u"B1"_s, u"L1"_s});
        QTableView view;
        view.setModel(&model);
        makeEditable(&view, tc.context());
        view.resize(600, 200);
        view.show();
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        const auto type = [&view](int column, const QString &text) {
            view.setCurrentIndex(view.model()->index(0, column));
            view.edit(view.currentIndex());
            auto *editor = qobject_cast<QLineEdit *>(view.indexWidget(view.currentIndex()));
            QVERIFY(editor != nullptr);
            editor->selectAll();
            QTest::keyClicks(editor, text);
            QTest::keyClick(editor, Qt::Key_Return);
            // The delegate commits on the next turn of the event loop.
            QCoreApplication::processEvents();
        };
        type(0, u"B7"_s);
        QCOMPARE(model.at(0).barcode, u"B7"_s);
        type(0, u"X1"_s);
        QCOMPARE(tc.prompter().lastText(), u"条码号已经存在！"_s);
        QCOMPARE(model.at(0).barcode, u"B7"_s);
        QCOMPARE(cellText(&view, 0, 0), u"B7"_s);

        view.setCurrentIndex(model.index(0, 1));
        view.edit(view.currentIndex());
        auto *box = qobject_cast<CodeBox *>(view.indexWidget(view.currentIndex()));
        QVERIFY(box != nullptr);
        QCOMPARE(box->currentText(), u"中文图书库"_s);
        QCOMPARE(box->itemText(1), u"外文书库"_s);
        box->setCurrentIndex(1);
        QTest::keyClick(box, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(model.at(0).location, u"L2"_s);
        QCOMPARE(cellText(&view, 0, 1), u"外文书库"_s);

        view.setCurrentIndex(model.index(0, 2));
        QTest::keyClick(&view, Qt::Key_Space);
        QVERIFY(model.at(0).lend);
    }
};

KESTRA_TEST(GridViewsTest)
#include "GridViewsTest.moc"
