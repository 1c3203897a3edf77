// The compact-stack forms and the virtual-shelf window in the real main
// window, offscreen: each opened from its command; a shelf named, two copies
// scanned onto it and one undone; a shelf counted; a virtual shelf added,
// two titles put on it and the second moved up, all by the controls' names.

#include "items/CopyTestLib.h"
#include "items/FormWindow.h"
#include "items/SearchTestData.h"
#include "shelving/CompactShelfForm.h"
#include "shelving/ShelfRenameForm.h"
#include "shelving/ShelfStatForm.h"
#include "shelving/VirtualShelfForm.h"
#include "support/FormDriver.h"
#include "support/TestRunner.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeView>

using namespace kestra;
using namespace kestra::test;

namespace {

void giveRights(CopyTestLib &lib)
{
    lib.f.context().session().rights = {u"3014"_qs, u"3015"_qs, u"3016"_qs, u"3022"_qs};
}

} // namespace

class ShelvingFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void compactForms_data() { addBackendRows(); }
    void compactForms()
    {
        OPEN_LIB(lib);
        giveRights(lib);
        ScriptedPrompter &prompter = lib.f.prompter();
        QVERIFY(lib.record(u"M1"_qs, u"呐喊"_qs));
        for (const char *p : {"P1", "P2"})
            QVERIFY(lib.copy(QLatin1String(p), u"M1"_qs, u"B"_qs + QLatin1String(p), u"L1"_qs, u"41"_qs));
        FormWindow window(lib.f.context());
        auto *shelf = window.openAs<CompactShelfForm>("mnuCompactShelf", "frmCompactShelf");
        QVERIFY(shelf != nullptr);
        auto *txtInputCode = child<QLineEdit>(shelf, "txtInputCode");
        auto *spdBookLst = child<QTableView>(shelf, "spdBookLst");
        child<QLineEdit>(shelf, "txtShelf")->setText(u"甲-01"_qs);
        scanCode(txtInputCode, u"BP1"_qs);
        scanCode(txtInputCode, u"BP2"_qs);
        QCOMPARE(spdBookLst->model()->rowCount(), 2);
        QCOMPARE(child<QLabel>(shelf, "lblShelfCount")->text(), u"本架共2册"_qs);
        shelf->controller().model().setMarked(1, true);
        prompter.answer(AnswerOk);
        shelf->runCommand(u"UndoDelete"_qs);
        QCOMPARE(spdBookLst->model()->rowCount(), 1);
        QCOMPARE(lib.snapshot(u"SELECT prop_no FROM indi_acct WHERE shelf_no IS NOT NULL"_qs), u"P1"_qs);

        QVERIFY(window.openAs<CompactShelfForm>("mnuCompactBarcode", "frmCompactBarCode"));
        QVERIFY(window.openAs<ShelfRenameForm>("mnuCompactShelfManage", "frmCompactModifyShelf"));
        auto *stat = window.openAs<ShelfStatForm>("mnuCompactStat", "frmCompactStat");
        QVERIFY(stat != nullptr);
        stat->setChooser([](const ShelfStatSettings &) {
            ShelfStatSettings s;
            s.run = true;
            return s;
        });
        child<QPushButton>(stat, "cmdStat")->click();
        auto *lvShelf = child<QTableView>(stat, "lvShelf");
        QCOMPARE(lvShelf->model()->rowCount(), 1);
        QCOMPARE(cellText(lvShelf, 0, 0), u"甲-01"_qs);
        QVERIFY(prompter.done());
    }

    void virtualShelfWindow_data() { addBackendRows(); }
    void virtualShelfWindow()
    {
        OPEN_LIB(lib);
        giveRights(lib);
        QVERIFY(seedCatalogue(lib.f));
        FormWindow window(lib.f.context());
        auto *form = window.openAs<VirtualShelfForm>("mnuVirtualShelf", "frmVirtualShelf");
        QVERIFY(form != nullptr);
        onNextDialog([](QDialog *dialog) {
            dialog->findChild<QLineEdit *>(u"txtName"_qs)->setText(u"新书推荐"_qs);
            dialog->findChild<QPushButton *>(u"cmdOK"_qs)->click();
        });
        child<QPushButton>(form, "cmdAddClass")->click();
        auto *trvClass = child<QTreeView>(form, "trvClass");
        QCOMPARE(form->controller().tree().keyOf(trvClass->currentIndex()), u"R1001"_qs);
        QCOMPARE(form->controller().tree().textOf(u"R1001"_qs), u"新书推荐"_qs);

        auto *cboType = child<QComboBox>(form, "cboType");
        cboType->setCurrentIndex(cboType->findData(1));
        child<QLineEdit>(form, "txtContent")->setText(u"中国"_qs);
        child<QPushButton>(form, "cmdSearch")->click();
        QCOMPARE(child<QTableView>(form, "spdSearch")->model()->rowCount(), 3);
        form->controller().found().setMarked(0, true);
        form->controller().found().setMarked(1, true);
        child<QPushButton>(form, "cmdAdd")->click();
        auto *spdBook = child<QTableView>(form, "spdBook");
        QCOMPARE(spdBook->model()->rowCount(), 2);
        const QString second = form->controller().titles().at(1).marcRecNo;
        form->controller().titles().setMarked(1, true);
        child<QPushButton>(form, "cmdUpBook")->click();
        QCOMPARE(form->controller().titles().at(0).marcRecNo, second);
        QCOMPARE(lib.f.one(u"SELECT book_count FROM virtual_shelf_class WHERE class_id='001'"_qs), u"2"_qs);
    }
};

KESTRA_TEST(ShelvingFormTest)
#include "ShelvingFormTest.moc"
