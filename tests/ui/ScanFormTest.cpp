// The scan-form skeleton once, with a controller of its own and no
// database: commands run by key (a disabled one does not), the scan box
// hands its code to the controller between the form's hooks and keeps the
// focus, the shared commands reach the controller's operations of the same
// names, the list's count follows the rows, and Exit closes the form.

#include "ui/ScanForm.h"
#include "support/FormDriver.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"
#include "ui/CommandBar.h"
#include "ui/EntryBoxes.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

using namespace kestra;
using namespace kestra::test;

namespace {

// Takes every code but "NO"; the import enters two codes; the undo drops
// the marked rows.
class ListingController : public ScanController {
public:
    explicit ListingController(AppContext &context)
        : entry_(context, BarcodeSettings()),
          rows_({{QStringLiteral("号码"), [](const QString &s) { return s; }}}, true)
    {}

    ItemEntry &entry() override { return entry_; }
    RowModelBase &listModel() override { return rows_; }
    ScanReport enter(const QString &text) override { return enterCode(text, InputType::Barcode); }
    ScanReport enterCode(const QString &code, InputType) override
    {
        calls.append(code);
        if (code == QLatin1String("NO"))
            return ScanReport::of(StepOutcome::Refused);
        rows_.append(code);
        return ScanReport::of(StepOutcome::Done);
    }
    ScanReport searchAndEnter(const CopyPicker &search) override
    {
        const std::optional<QString> found = search ? search(QStringLiteral("All")) : std::nullopt;
        return found ? enterCode(*found, InputType::Accession) : ScanReport();
    }
    ScanReport importCodes() override { return importFile(QString()); }
    ScanReport importFile(const QString &) override
    {
        ScanReport report;
        for (const QString &code : {QStringLiteral("I1"), QStringLiteral("NO")})
            report.add(enter(code).outcome());
        return report;
    }
    ScanReport undoMarked() override
    {
        ScanReport report;
        const QList<int> marked = rows_.markedRows();
        for (auto it = marked.crbegin(); it != marked.crend(); ++it) {
            rows_.remove(*it);
            report.add(StepOutcome::Done);
        }
        return report;
    }

    QStringList calls;

private:
    ItemEntry entry_;
    RowModel<QString> rows_;
};

class ListingForm : public ScanForm {
public:
    ListingForm(AppContext &context, ListingController &controller)
        : ScanForm(context, QStringLiteral("frmTest_Scan"), QStringLiteral("扫描"), nullptr)
    {
        attach(controller);
        bindImportAndSearch();
        bind(QStringLiteral("Own"), QStringLiteral("自有"), [this]() { ++own; });
        bindSelectAndUndo(QStringLiteral("UndoTest"), QStringLiteral("撤销"));
        bindExit();
        QVBoxLayout *layout = beginLayout();
        layout->addWidget(scanBox());
        endLayout(layout);
        showCommands();
    }

    int own = 0;
    QStringList hooks;

protected:
    void beforeScan() override { hooks.append(QStringLiteral("before")); }
    void afterScan(const ScanReport &report) override { hooks.append(QStringLiteral("after%1").arg(report.done)); }
};

} // namespace

class ScanFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scanCommandsAndList()
    {
        TestContext tc;
        ListingController controller(tc.context());
        ListingForm form(tc.context(), controller);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSignalSpy scanned(&form, &ScanForm::scanned);

        // The shared pieces, by the names the forms' tests rely on.
        auto *code = child<QLineEdit>(&form, "txtInputCode");
        auto *list = child<QTableView>(&form, "spdBookLst");
        auto *count = child<QLabel>(&form, "lblCount");
        QVERIFY(code && list && count && child<QWidget>(&form, "cmdOutput"));
        QCOMPARE(list->model(), &controller.listModel());

        // A scan: the form's hooks around the controller, one report.
        code->setFocus();
        scanCode(code, QStringLiteral("A1"));
        QCOMPARE(controller.calls, QStringList{QStringLiteral("A1")});
        QCOMPARE(form.hooks, (QStringList{QStringLiteral("before"), QStringLiteral("after1")}));
        QCOMPARE(scanned.count(), 1);
        QCOMPARE(scanned.at(0).at(0).value<ScanReport>().done, 1);
        QVERIFY(code->hasFocus());
        QCOMPARE(count->text(), QStringLiteral("共1册"));

        // Commands by key; a disabled one (no copy search) does nothing.
        child<QAction>(&form, "Own")->trigger();
        QCOMPARE(form.own, 1);
        QVERIFY(!child<QAction>(&form, "SearchBook")->isEnabled());
        form.runCommand(QStringLiteral("SearchBook"));
        form.runCommand(QStringLiteral("NoSuchKey"));
        QCOMPARE(controller.calls.size(), 1);
        form.setCopySearch([](const QString &location) {
            return location == QLatin1String("All") ? std::optional<QString>(QStringLiteral("S1")) : std::nullopt;
        });
        child<QAction>(&form, "SearchBook")->trigger();
        QCOMPARE(controller.calls.last(), QStringLiteral("S1"));

        // The import reports both codes, the refused one too.
        child<QAction>(&form, "Import")->trigger();
        QCOMPARE(scanned.last().at(0).value<ScanReport>().codes, 2);
        QCOMPARE(scanned.last().at(0).value<ScanReport>().refused, 1);
        QCOMPARE(count->text(), QStringLiteral("共3册"));
        QVERIFY(code->hasFocus());

        // SelectAll and the undo key: the rows leave, the count follows.
        child<QAction>(&form, "SelectAll")->trigger();
        child<QAction>(&form, "UndoTest")->trigger();
        QCOMPARE(list->model()->rowCount(), 0);
        QCOMPARE(count->text(), QStringLiteral("共0册"));

        child<QAction>(&form, "Exit")->trigger();
        QVERIFY(!form.isVisible());
    }
};

KESTRA_TEST(ScanFormTest)
#include "ScanFormTest.moc"
