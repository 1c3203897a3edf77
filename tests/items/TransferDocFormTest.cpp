// The handover batches as a chooser, offscreen in the real main window: the
// window that needs a batch opens frmTransferDoc through the door with its
// own name, and OK hands the chosen batch back to it through the same door.
// On the demo library, 通知读者 tells the readers who asked for a batch's
// copies and is off once none waits.

#include "items/TransferDocForm.h"
#include "admin/DemoData.h"
#include "core/CodeTables.h"
#include "items/CopyTestLib.h"
#include "items/FormWindow.h"
#include "support/FormDriver.h"
#include "support/TestRunner.h"

#include <QLabel>
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

    void readersToldFromTheDemo_data() { addBackendRows(); }
    void readersToldFromTheDemo()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        DemoOptions o;
        o.scale = 300;
        o.seed = 5;
        QString error;
        DemoReport demo;
        QVERIFY2(generateDemoLibrary(f.db(), o, &demo, &error) == 0, qPrintable(error));
        AppContext &c = f.context();
        c.session().operatorNo = u"DC01"_s;
        c.session().rights = QStringList{u"3001"_s};
        c.setAllLocations(QueryResult());
        QVERIFY(c.codes().load(CodeCache::AllLocations) == 0 && c.codes().loadLocations(u"2"_s) == 0);
        ScriptedPrompter &prompter = f.prompter();
        // A batch with a reader's request awaiting its reply, and one without.
        const QString waiting = f.one(
            u"SELECT min(i.move_batch) FROM indi_acct i, recm_doc r, reader d WHERE i.asord_no=r.asord_no "
            "AND r.cert_id=d.cert_id AND d.email IS NOT NULL AND (r.dc_reply_flag='0' OR r.dc_reply_flag IS NULL)"_s);
        const QString quiet = f.one(u"SELECT min(t.move_batch) FROM transfer_doc t WHERE t.cata_flag='3' AND NOT "
                                    "EXISTS (SELECT 1 FROM indi_acct i WHERE i.move_batch=t.move_batch AND "
                                    "i.asord_no IS NOT NULL)"_s);
        QVERIFY(!waiting.isEmpty() && !quiet.isEmpty());
        const int queued = f.one(u"SELECT count(*) FROM mail_data"_s).toInt();

        FormWindow window(c);
        auto *form = qobject_cast<TransferDocForm *>(window.main->openForm(u"frmTransferDoc"_s, {}));
        QVERIFY(form != nullptr);
        auto *cmdEmail = child<QPushButton>(form, "cmdEmail");
        QCOMPARE(cmdEmail->text(), u"通知读者"_s);
        QVERIFY(!cmdEmail->isEnabled()); // no batch chosen yet
        auto *spdBatch = child<QTableView>(form, "spdBatch");
        auto choose = [&](const QString &batch) {
            for (int r = 0; r < form->controller().batches().size(); ++r) {
                if (form->controller().batches().at(r).moveBatch == batch)
                    spdBatch->selectRow(r);
            }
            return form->controller().selected() == batch;
        };
        QVERIFY(choose(quiet));
        QVERIFY(!cmdEmail->isEnabled());
        QVERIFY(choose(waiting));
        QVERIFY(cmdEmail->isEnabled());

        prompter.answer(AnswerOk);
        cmdEmail->click();
        QVERIFY(prompter.texts().at(0).endsWith(u"是否通知读者？"_s));
        QVERIFY(prompter.lastText().startsWith(u"已生成读者通知"_s));
        const int now = f.one(u"SELECT count(*) FROM mail_data"_s).toInt();
        QVERIFY(now > queued);
        QCOMPARE(f.one(u"SELECT count(*) FROM mail_data m WHERE email IS NULL OR NOT EXISTS (SELECT 1 FROM indi_acct "
                       "i WHERE i.prop_no=m.prop_no AND i.move_batch="_s +
                       sqlQuote(waiting) + u" AND i.marc_rec_no=m.marc_rec_no)"_s)
                     .toInt(),
                 queued);
        QCOMPARE(child<QLabel>(form, "lblRequests")->text(), u"荐购待答复：0册    读者建议待答复：0册"_s);
        QVERIFY(!cmdEmail->isEnabled());
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(TransferDocFormTest)
#include "TransferDocFormTest.moc"
