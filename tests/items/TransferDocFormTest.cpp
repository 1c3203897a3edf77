// The handover batches as a chooser, offscreen in the real main window: the
// window that needs a batch opens frmTransferDoc through the door with its
// own name, and OK hands the chosen batch back to it through the same door.

#include "items/TransferDocForm.h"
#include "items/CopyTestLib.h"
#include "items/FormWindow.h"
#include "support/FormDriver.h"
#include "support/TestRunner.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

// Stands in for the window that asks for a batch.
class Caller : public QWidget, public FormTarget {
public:
    void setArguments(const FormArgs &args) override { handed.append(args); }
    QList<FormArgs> handed;
};

} // namespace

class TransferDocFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theChosenBatchGoesBackToTheCaller_data() { addBackendRows(); }
    void theChosenBatchGoesBackToTheCaller()
    {
        OPEN_LIB(lib);
        lib.f.context().session().rights = QStringList{u"3001"_s};
        lib.f.context().preferences().showDate = u"All"_s;
        QVERIFY(lib.record(u"M1"_s, u"红楼梦"_s));
        QVERIFY(lib.copy(u"P1"_s, u"M1"_s, u"B0001"_s, u"L1"_s, u"41"_s));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET move_batch='JJ1', chk_batch_no='YS1'"_s));
        QVERIFY(lib.transferDoc(u"JJ1"_s, u"YS1"_s, u"M1"_s, 1, u"0"_s, lib.today(), u"3"_s));

        FormWindow window(lib.f.context());
        Caller *caller = nullptr;
        window.forms.add(u"frmNewBookAssign"_s, [&caller](const FormServices &, const FormArgs &) {
            caller = new Caller;
            return caller;
        });
        QVERIFY(window.main->openForm(u"frmNewBookAssign"_s, {}) != nullptr);
        QVERIFY(caller != nullptr);
        auto *chooser = qobject_cast<TransferDocForm *>(
            window.main->openForm(u"frmTransferDoc"_s, {{u"caller"_s, u"frmNewBookAssign"_s}}));
        QVERIFY(chooser != nullptr);
        QCOMPARE(window.openWindows(), 2);

        auto *spdBatch = child<QTableView>(chooser, "spdBatch");
        QVERIFY(spdBatch != nullptr);
        QCOMPARE(spdBatch->model()->rowCount(), 1);
        spdBatch->selectRow(0);
        QPointer<TransferDocForm> alive(chooser);
        child<QPushButton>(chooser, "cmdOK")->click();
        // Handed nothing when it opened, the batch now.
        QCOMPARE(caller->handed.size(), 2);
        QCOMPARE(caller->handed.last().value(u"moveBatch"_s).toString(), u"JJ1"_s);
        QTRY_VERIFY(alive.isNull());
        QCOMPARE(window.openWindows(), 1);
        QCOMPARE(window.main->mdiArea()->activeSubWindow()->widget(), static_cast<QWidget *>(caller));
    }
};

KESTRA_TEST(TransferDocFormTest)
#include "TransferDocFormTest.moc"
