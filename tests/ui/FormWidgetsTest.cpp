// The shared form widgets, offscreen and by object name: the command bar's
// keys, the scan box that keeps the focus and its choice of what is scanned,
// the find row, the class-number box, the
// location list under the operator's rights, and forms that open showing
// their grid and come back at the size and column widths the operator left.

#include "copies/ItemEntry.h"
#include "core/Preferences.h"
#include "shell/LoginFixture.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"
#include "ui/CodeBoxes.h"
#include "ui/CommandBar.h"
#include "ui/EntryBoxes.h"
#include "ui/FormLayout.h"
#include "ui/FormParts.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace kestra;
using namespace kestra::test;

namespace {

// A form with a scan box and a grid of many columns, as processing forms are.
QWidget *gridForm(const QString &name = QStringLiteral("frmTest_Grid"))
{
    auto *form = new QWidget;
    form->setObjectName(name);
    auto *layout = new QVBoxLayout(form);
    layout->addWidget(new CodeEntry(form));
    auto *grid = new QTableWidget(0, 12, form);
    grid->setObjectName(QStringLiteral("spdBookLst"));
    layout->addWidget(grid, 1);
    return form;
}

QTableWidget *gridOf(QWidget *form)
{
    return form->findChild<QTableWidget *>(QStringLiteral("spdBookLst"));
}

} // namespace

class FormWidgetsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandBarKeys()
    {
        QWidget form;
        auto *bar = new CommandBar(&form);
        bar->addCommand(QStringLiteral("Import"), QStringLiteral("导入"));
        bar->addSplit();
        bar->addCommand(QStringLiteral("Exit"), QStringLiteral("退出"));
        QCOMPARE(form.findChild<CommandBar *>(QStringLiteral("tbDC")), bar);
        auto *import = form.findChild<QAction *>(QStringLiteral("Import"));
        QVERIFY(import != nullptr);
        QCOMPARE(import->text(), QStringLiteral("导入"));

        QSignalSpy triggered(bar, &CommandBar::commandTriggered);
        form.findChild<QAction *>(QStringLiteral("Exit"))->trigger();
        QCOMPARE(triggered.size(), 1);
        QCOMPARE(triggered.at(0).at(0).toString(), QStringLiteral("Exit"));

        bar->setCommandsEnabled({QStringLiteral("Import"), QStringLiteral("Exit"), QStringLiteral("Nope")}, false);
        QVERIFY(!import->isEnabled());
        QVERIFY(!bar->isCommandEnabled(QStringLiteral("Exit")));
        QVERIFY(!bar->isCommandEnabled(QStringLiteral("Nope")));
        bar->setCommandEnabled(QStringLiteral("Import"), true);
        QVERIFY(bar->isCommandEnabled(QStringLiteral("Import")));
        // A disabled button does not run its command.
        form.findChild<QAction *>(QStringLiteral("Exit"))->trigger();
        QCOMPARE(triggered.size(), 1);
    }

    // Enter hands the text over, empties the box and brings the focus back
    // even when the handler moved it (as a message box does).
    void codeEntryKeepsTheFocus()
    {
        QWidget form;
        auto *layout = new QVBoxLayout(&form);
        auto *entry = new CodeEntry(&form);
        auto *other = new QLineEdit(&form);
        layout->addWidget(entry);
        layout->addWidget(other);
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QStringList seen;
        connect(entry, &CodeEntry::entered, &form, [&](const QString &text) {
            seen.append(text + u'|' + entry->text());
            other->setFocus();
        });
        entry->setFocus();
        QTest::keyClicks(entry, QStringLiteral("B0001"));
        QTest::keyClick(entry, Qt::Key_Return);
        QTest::keyClicks(entry, QStringLiteral("B0002"));
        QTest::keyClick(entry, Qt::Key_Enter);
        QCOMPARE(seen, (QStringList{QStringLiteral("B0001|"), QStringLiteral("B0002|")}));
        QVERIFY(entry->hasFocus());
        QCOMPARE(entry->objectName(), QStringLiteral("txtInputCode"));
        QCOMPARE(entry->text(), QString());
    }

    // What is scanned: barcode until the operator picks the accession
    // number; each pick reaches the entry and hands the focus back to the box.
    void scanInputChoosesWhatIsScanned()
    {
        TestContext tc;
        ItemEntry entry(tc.context(), BarcodeSettings());
        QWidget form;
        auto *layout = new QVBoxLayout(&form);
        const ScanInput scan = makeScanInput(entry, &form, &form);
        layout->addWidget(scan.byBarcode);
        layout->addWidget(scan.byAccession);
        layout->addWidget(scan.code);
        auto *other = new QLineEdit(&form);
        layout->addWidget(other);
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));

        QVERIFY(form.findChild<QRadioButton *>(QStringLiteral("optSelect_0"))->isChecked());
        QCOMPARE(form.findChild<QButtonGroup *>(QStringLiteral("optSelect")), scan.group);
        QCOMPARE(scan.code->objectName(), QStringLiteral("txtInputCode"));
        QCOMPARE(scan.code->maxLength(), 60);
        QCOMPARE(entry.inputType(), InputType::Barcode);

        other->setFocus();
        scan.byAccession->click();
        QCOMPARE(entry.inputType(), InputType::Accession);
        QVERIFY(scan.code->hasFocus());
        other->setFocus();
        scan.byBarcode->click();
        QCOMPARE(entry.inputType(), InputType::Barcode);
        QVERIFY(scan.code->hasFocus());
    }

    void findRowEnterFinds()
    {
        QWidget form;
        const FindRow find = makeFindRow(QStringLiteral("查询内容"), &form);
        (new QVBoxLayout(&form))->addLayout(find.row);
        QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("txtFind")), find.text);
        QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("cmdFind")), find.button);
        QSignalSpy clicked(find.button, &QPushButton::clicked);
        QTest::keyClicks(find.text, QStringLiteral("R1"));
        QTest::keyClick(find.text, Qt::Key_Return);
        QCOMPARE(clicked.size(), 1);
    }

    void classNumberBox()
    {
        ClassNumberBox box;
        QSignalSpy entered(&box, &ClassNumberBox::entered);
        QTest::keyClicks(&box, QStringLiteral("i247.5 x"));
        QCOMPARE(box.text(), QStringLiteral("I247.5X"));
        QTest::keyClick(&box, Qt::Key_Return);
        QCOMPARE(entered.size(), 1);
        QCOMPARE(entered.at(0).at(0).toString(), QStringLiteral("I247.5X"));
        box.clear();
        QTest::keyClicks(&box, QStringLiteral("TP311(0)"));
        QCOMPARE(box.classNumber(), QStringLiteral("TP311(0)"));
    }

    // The list holds the operation type's locations; with locations
    // restricted per operator only the operator's own, and the current
    // location is chosen when it is among them.
    void locationListLimitedByRights_data() { addBackendRows(); }
    void locationListLimitedByRights()
    {
        QFETCH(int, backend);
        LoginDb fx;
        if (const QString skip = fx.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        fx.context().session().operatorNo = QStringLiteral("W001");
        fx.context().session().currentLocation = QStringLiteral("L01");
        {
            LocationBox box(fx.context(), QStringLiteral("2"));
            QCOMPARE(box.count(), 3);
            QCOMPARE(box.itemData(0).toString(), QStringLiteral("L02"));
            QCOMPARE(box.currentCode(), QStringLiteral("L01"));
            QCOMPARE(box.currentText(), QStringLiteral("中文图书借阅室"));
        }
        fx.params({{"47", QStringLiteral("1")}});
        fx.context().session().currentLocation = QStringLiteral("L02");
        LocationBox box(fx.context(), QStringLiteral("2"));
        QCOMPARE(box.count(), 1);
        QCOMPARE(box.currentCode(), QStringLiteral("L01"));
        QVERIFY(!box.setCurrentCode(QStringLiteral("L02")));
        QVERIFY(fx.tc.prompter().shown().isEmpty());

        // A failing reload is shown and leaves the list as it was.
        QVERIFY(fx.exec(QStringLiteral("DROP TABLE user_location")));
        QCOMPARE(box.reload(QStringLiteral("2")), -1);
        QCOMPARE(box.count(), 1);
        QCOMPARE(fx.tc.prompter().shown().size(), 1);
    }

    // First opening: large enough for every column of the grid (inside a
    // large workspace); then the size and widths the operator left, for that
    // operator only.
    void formSizeAndColumnsRemembered()
    {
        QTemporaryDir dir;
        UserSettingsStore settings(dir.filePath(QStringLiteral("user.ini")));
        QMdiArea area;
        area.resize(1800, 1000);
        area.show();

        QWidget *form = gridForm();
        QMdiSubWindow *sub = showInWorkspace(&area, form, settings);
        QTableWidget *grid = gridOf(form);
        QVERIFY(grid->viewport()->width() >= grid->horizontalHeader()->length());
        QVERIFY(grid->viewport()->height() >= 10 * grid->verticalHeader()->defaultSectionSize());
        QVERIFY(sub->width() <= area.viewport()->width());

        sub->resize(700, 450);
        grid->setColumnWidth(0, 33);
        grid->setColumnWidth(5, 222);
        const QSize left = form->size();
        sub->close();

        QWidget *again = gridForm();
        showInWorkspace(&area, again, settings);
        QCOMPARE(again->size(), left);
        QCOMPARE(gridOf(again)->columnWidth(0), 33);
        QCOMPARE(gridOf(again)->columnWidth(5), 222);

        // Another user's store, another form: neither sees these.
        UserSettingsStore other(dir.filePath(QStringLiteral("other.ini")));
        QWidget *theirs = gridForm();
        showInWorkspace(&area, theirs, other);
        QVERIFY(gridOf(theirs)->columnWidth(0) != 33);
        QWidget *another = gridForm(QStringLiteral("frmTest_Other"));
        showInWorkspace(&area, another, settings);
        QVERIFY(gridOf(another)->columnWidth(5) != 222);

        // A workspace smaller than the grid bounds the window.
        QMdiArea small;
        small.resize(500, 300);
        small.show();
        QMdiSubWindow *inSmall = showInWorkspace(&small, gridForm(QStringLiteral("frmTest_Small")), other);
        QVERIFY(inSmall->width() <= small.viewport()->width());
        QVERIFY(inSmall->height() <= small.viewport()->height());
    }
};

KESTRA_TEST(FormWidgetsTest)
#include "FormWidgetsTest.moc"
