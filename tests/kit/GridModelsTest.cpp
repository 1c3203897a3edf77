// The grid models the windows build on: editable rows (through the model;
// tests/ui/GridViewsTest drives a real view), rows straight from a query
// on SQLite and PostgreSQL, and the tree model.

#include "items/CopyTestLib.h"
#include "kit/QueryModel.h"
#include "kit/RowModel.h"
#include "kit/TreeModel.h"
#include "support/TestRunner.h"

#include <QSignalSpy>
#include <QTest>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

// A row of a new-copy grid: a barcode typed, a location chosen from a list,
// a check, and a row that is already written (not editable).
struct NewCopy {
    QString barcode;
    QString location;
    bool lend = false;
    bool written = false;
};

QList<Column<NewCopy>> newCopyColumns()
{
    Column<NewCopy> barcode{u"条码号"_s, [](const NewCopy &c) { return c.barcode; }};
    barcode.editor = CellEditor::Text;
    barcode.editable = [](const NewCopy &c) { return !c.written; };
    barcode.set = [](NewCopy &c, const QString &value) {
        if (value.trimmed().isEmpty())
            return u"E条码号不能为空！"_s;
        c.barcode = value.trimmed().toUpper();
        return QString();
    };
    Column<NewCopy> location{u"馆藏地"_s,
                             [](const NewCopy &c) { return c.location == u"L1" ? u"中文图书库"_s : c.location; }};
    location.editor = CellEditor::Code;
    location.value = [](const NewCopy &c) { return c.location; };
    location.codes = {{u"L1"_s, u"中文图书库"_s}, {u"L2"_s, u"外文书库"_s}};
    location.set = [](NewCopy &c, const QString &code) {
        c.location = code;
        return QString();
    };
    Column<NewCopy> lend{u"可借"_s, [](const NewCopy &c) { return c.lend ? u"是"_s : u"否"_s; }};
    lend.editor = CellEditor::Check;
    lend.editable = [](const NewCopy &c) { return !c.written; };
    lend.value = [](const NewCopy &c) { return c.lend ? u"1"_s : u"0"_s; };
    lend.set = [](NewCopy &c, const QString &v) {
        c.lend = v == u"1";
        return QString();
    };
    return {barcode, location, lend, {u"题名"_s, [](const NewCopy &) { return u"红楼梦"_s; }}};
}

} // namespace

class GridModelsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Text, code and check columns; the row rule; a refusal keeps the row
    // and says why; the mark column and the read-only column stay as they
    // were.
    void editableRows()
    {
        RowModel<NewCopy> model(newCopyColumns(), true);
        model.append(NewCopy{u"B1"_s, u"L1"_s});
        model.append(NewCopy{u"B2"_s, u"L1"_s, true, true});
        QSignalSpy refusals(&model, &RowModelBase::refused);
        QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);

        // Column 1 is the barcode (0 the marks).
        QVERIFY(model.flags(model.index(0, 1)).testFlag(Qt::ItemIsEditable));
        QVERIFY(!model.flags(model.index(1, 1)).testFlag(Qt::ItemIsEditable)); // written
        QVERIFY(!model.flags(model.index(0, 4)).testFlag(Qt::ItemIsEditable)); // read only
        QVERIFY(model.flags(model.index(0, 3)).testFlag(Qt::ItemIsUserCheckable));
        QVERIFY(!model.flags(model.index(0, 3)).testFlag(Qt::ItemIsEditable));

        QVERIFY(model.setData(model.index(0, 1), u" b9 "_s, Qt::EditRole));
        QCOMPARE(model.at(0).barcode, u"B9"_s);
        QCOMPARE(changes.size(), 1);
        QVERIFY(!model.setData(model.index(0, 1), u"  "_s, Qt::EditRole));
        QCOMPARE(refusals.size(), 1);
        QCOMPARE(refusals.at(0).at(0).toString(), u"E条码号不能为空！"_s);
        QCOMPARE(model.at(0).barcode, u"B9"_s);
        QVERIFY(!model.setData(model.index(1, 1), u"B7"_s, Qt::EditRole));
        QCOMPARE(model.at(1).barcode, u"B2"_s);
        QVERIFY(!model.setData(model.index(0, 4), u"x"_s, Qt::EditRole));

        // The code list: the editor starts from the code, the grid shows
        // the name, the view's delegate is told the choices.
        QCOMPARE(model.data(model.index(0, 2), Qt::EditRole).toString(), u"L1"_s);
        QVERIFY(model.setData(model.index(0, 2), u"L2"_s, Qt::EditRole));
        QCOMPARE(model.at(0).location, u"L2"_s);
        QCOMPARE(model.data(model.index(0, 2), Qt::DisplayRole).toString(), u"L2"_s);
        QCOMPARE(model.editorAt(2), CellEditor::Code);
        QCOMPARE(model.codesAt(2).value(1).second, u"外文书库"_s);
        QCOMPARE(model.editorAt(0), CellEditor::None);

        // The check: the box, no text; printed lists still read 是/否.
        QVERIFY(!model.data(model.index(0, 3), Qt::DisplayRole).isValid());
        QVERIFY(model.setData(model.index(0, 3), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(model.data(model.index(0, 3), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(model.text(0, 2), u"是"_s);
        QVERIFY(!model.setData(model.index(1, 3), Qt::Unchecked, Qt::CheckStateRole)); // written row
        QVERIFY(model.at(1).lend);

        QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(model.markedRows(), QList<int>{1});
        QCOMPARE(refusals.size(), 1);
    }

    // Rows as the query gives them, each column with its format; the
    // columns found by name on both backends; a failed query empties the
    // grid and shows why.
    void queryRows_data() { addBackendRows(); }
    void queryRows()
    {
        OPEN_LIB(lib);
        AppContext &c = lib.f.context();
        QVERIFY(lib.record(u"M1"_s, u"红楼梦"_s));
        QVERIFY(lib.copy(u"P1"_s, u"M1"_s, u"B1"_s, u"L1"_s, u"41"_s));
        QVERIFY(lib.copy(u"P2"_s, u"M1"_s, u"B2"_s, u"LX"_s, u"99"_s, u"I247.5/1"_s, u"0"_s));
        QVERIFY(lib.f.exec(u"INSERT INTO lib_worker (wkr_no,wkr_name) VALUES ('W001','王五')"_s));
        QCOMPARE(c.codes().load(CodeCache::Staff), 0);

        QueryModel model({{u"财产号"_s, u"prop_no"_s},
                          {u"馆藏地"_s, u"dis_location"_s, query_format::location(c)},
                          {u"状态"_s, u"book_stat_code"_s, query_format::status()},
                          {u"价格"_s, u"price"_s, query_format::money(), true},
                          {u"OPAC显示"_s, u"indi_opac_flag"_s, query_format::flag()},
                          {u"操作员"_s, u"wkr"_s, query_format::staff(c)},
                          {u"没有的列"_s, u"nothing"_s}},
                         true);
        QCOMPARE(model.load(c, u"SELECT indi_acct.prop_no, dis_location, book_stat_code, price, indi_opac_flag, "
                               "'W001' AS wkr FROM indi_acct ORDER BY prop_no"_s),
                 0);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.headings(), QStringList({u"财产号"_s, u"馆藏地"_s, u"状态"_s, u"价格"_s, u"OPAC显示"_s,
                                                u"操作员"_s, u"没有的列"_s}));
        QStringList first;
        QStringList second;
        for (int f = 0; f < model.fieldCount(); ++f) {
            first << model.text(0, f);
            second << model.text(1, f);
        }
        QCOMPARE(first, QStringList({u"P1"_s, u"中文图书库"_s, u"可借"_s, u"25.50"_s, u"是"_s, u"王五"_s, QString()}));
        // Codes without a name show as codes.
        QCOMPARE(second.mid(1, 2), QStringList({u"LX"_s, u"99"_s}));
        QCOMPARE(second.at(4), u"否"_s);
        QCOMPARE(model.data(model.index(0, 4), Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
        QCOMPARE(model.value(1, u"PROP_NO"_s), u"P2"_s);
        model.setMarked(1, true);
        QCOMPARE(model.markedRows(), QList<int>{1});

        lib.f.prompter().clear();
        QCOMPARE(model.load(c, u"SELECT no_such_column FROM indi_acct"_s), -1);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(lib.f.prompter().shown().size(), 1);
    }

    // Nodes by key across a rebuild, parents and rows as a view walks them,
    // the picture asked per kind.
    void tree()
    {
        TreeModel model;
        model.setDecoration([](int kind) { return QVariant(kind * 10); });
        model.reset(
            {TreeNode{u"Root"_s,
                      u"书架"_s,
                      0,
                      {TreeNode{u"A"_s, u"甲"_s, 1, {TreeNode{u"A1"_s, u"甲一"_s, 2}, TreeNode{u"A2"_s, u"甲二"_s, 2}}},
                       TreeNode{u"B"_s, u"乙"_s, 1}}}});
        QCOMPARE(model.rowCount(), 1);
        const QModelIndex root = model.index(0, 0);
        QCOMPARE(model.rowCount(root), 2);
        const QModelIndex a2 = model.indexOf(u"A2"_s);
        QCOMPARE(a2.row(), 1);
        QCOMPARE(a2.data().toString(), u"甲二"_s);
        QCOMPARE(a2.parent(), model.indexOf(u"A"_s));
        QCOMPARE(a2.parent().parent(), root);
        QVERIFY(!root.parent().isValid());
        QCOMPARE(model.index(1, 0, a2.parent()), a2);
        QCOMPARE(a2.data(TreeModel::KindRole).toInt(), 2);
        QCOMPARE(a2.data(Qt::DecorationRole).toInt(), 20);
        QCOMPARE(model.keyOf(model.index(1, 0, root)), u"B"_s);
        QCOMPARE(model.rowCount(model.indexOf(u"B"_s)), 0);
        QVERIFY(!model.index(2, 0, root).isValid());

        model.reset({TreeNode{u"B"_s, u"乙"_s, 1}});
        QVERIFY(!model.indexOf(u"A2"_s).isValid());
        QCOMPARE(model.textOf(u"B"_s), u"乙"_s);
        QCOMPARE(model.nodeCount(), 1);
    }
};

KESTRA_TEST(GridModelsTest)
#include "GridModelsTest.moc"
