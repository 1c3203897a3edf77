// The kit pieces that work on copies, on SQLite and PostgreSQL: the row
// model with the copy columns, the per-copy and the set-based runners, the
// shared checks and take-back questions, the batch picker and the change
// notice.

#include "copies/ChangeNotice.h"
#include "items/CopyTestLib.h"
#include "kit/BatchPicker.h"
#include "kit/CopyChecks.h"
#include "kit/CopyColumns.h"
#include "kit/CopyRunner.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

ItemRow row(const char *prop, const char *location, const char *status, double price, const char *opac)
{
    ItemRow r;
    r.propNo = QLatin1String(prop);
    r.disLocation = QLatin1String(location);
    r.status = QLatin1String(status);
    r.price = price;
    r.opacFlag = QLatin1String(opac);
    return r;
}

bool seed(CopyTestLib &lib)
{
    bool ok = lib.record(u"M1"_s, u"红楼梦"_s);
    for (const char *p : {"P1", "P2", "P3", "P4"}) {
        const QString prop = QLatin1String(p);
        ok = ok && lib.copy(prop, u"M1"_s, u"B"_s + prop, u"L1"_s, u"41"_s) && lib.item(prop);
    }
    return ok;
}

// The step of a run: sets the copy to 42 and then decides.
StepOutcome setTo42(ItemTransaction &tx, const QString &prop)
{
    CopyChange c;
    c.propNo = prop;
    c.status = u"42"_s;
    QString date;
    if (tx.serverDate(date) < 0)
        return StepOutcome::Failed;
    c.date = date;
    return tx.updateCopy(c) < 0 ? StepOutcome::Failed : StepOutcome::Done;
}

} // namespace

class CopyKitTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsAndCopyColumns_data() { addBackendRows(); }
    void rowsAndCopyColumns()
    {
        OPEN_LIB(lib);
        AppContext &context = lib.f.context();
        RowModel<ItemRow> model(copyColumns(context, {CopyField::PropNo, CopyField::Location, CopyField::Status,
                                                      CopyField::Price, CopyField::OpacFlag}),
                                true);
        model.append(row("P1", "L1", "41", 25.5, "1"));
        model.append(row("P2", "LX", "3B", 0, "0"));
        model.append(row("P3", "L2", "99", 1234.567, ""));
        QCOMPARE(model.columnCount(), 6);
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), u"选择"_s);
        QCOMPARE(model.headings(), (QStringList{u"财产号"_s, u"馆藏地"_s, u"书刊状态"_s, u"价格"_s, u"OPAC显示"_s}));
        // Names, never codes (a code without a name shows as itself);
        // prices with two decimals; 是/否.
        const auto line = [&model](int r) {
            QStringList cells;
            for (int f = 0; f < model.fieldCount(); ++f)
                cells.append(model.text(r, f));
            return cells.join(u'|');
        };
        QCOMPARE(line(0), u"P1|中文图书库|可借|25.50|是"_s);
        QCOMPARE(line(1), u"P2|LX|声明丢失|0.00|否"_s);
        QCOMPARE(line(2), u"P3|外文书库|99|1234.57|否"_s);
        QCOMPARE(model.index(0, 2).data().toString(), u"中文图书库"_s);
        QVERIFY(lib.f.exec(u"INSERT INTO lib_worker (wkr_no,wkr_name) VALUES ('W777','李四')"_s));
        QCOMPARE(context.codes().load(CodeCache::Staff), 0);
        QCOMPARE(cell::staff(context, u"W777"_s) + u'|' + cell::staff(context, u"W404"_s), u"李四|W404"_s);
        QCOMPARE(model.index(0, 4).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));

        // Marks live with their rows: a removal above moves them up.
        QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
        QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable));
        QVERIFY(model.setData(model.index(2, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(!model.setData(model.index(1, 1), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(model.markedRows(), QList<int>{2});
        model.remove(0);
        QCOMPARE(model.markedRows(), QList<int>{1});
        QCOMPARE(model.marked().first().propNo, u"P3"_s);
        QCOMPARE(model.index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        model.markAll();
        QCOMPARE(model.markedRows(), (QList<int>{0, 1}));
        model.append(row("P4", "L1", "41", 1, "1"));
        QVERIFY(!model.isMarked(2));
        model.reset();
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(model.markedRows().isEmpty());

        // A form's own row shows the copy through the same columns.
        struct Listed {
            ItemRow copy;
            QString note;
        };
        QList<Column<Listed>> columns = columnsOf(copyColumns(context, {CopyField::Location}), &Listed::copy);
        columns.append({u"备注"_s, [](const Listed &l) { return l.note; }});
        RowModel<Listed> listed(columns, false);
        listed.append({row("P1", "L2", "41", 0, "1"), u"好"_s});
        QCOMPARE(listed.columnCount(), 2);
        QCOMPARE(listed.index(0, 0).data().toString(), u"外文书库"_s);
        QCOMPARE(listed.index(0, 1).data().toString(), u"好"_s);
    }

    void eachCopyInItsOwnTransaction_data() { addBackendRows(); }
    void eachCopyInItsOwnTransaction()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        AppContext &context = lib.f.context();
        ScriptedPrompter &prompter = lib.f.prompter();
        const QStringList props = {u"P1"_s, u"P2"_s, u"P3"_s, u"P4"_s};
        QList<QStringList> noticed;
        QObject::connect(&ChangeNotice::of(context), &ChangeNotice::copiesChanged,
                         [&noticed](const QStringList &p) { noticed.append(p); });
        // P2 is refused and P3 declined after their writes: both roll back.
        const auto step = [&](ItemTransaction &tx, int i) {
            const StepOutcome written = setTo42(tx, props.at(i));
            if (written != StepOutcome::Done || i == 0 || i == 3)
                return written;
            if (i == 1) {
                context.showMsg(u"EDC009"_s);
                return StepOutcome::Refused;
            }
            return tx.confirm(u"QDC002"_s) ? StepOutcome::Done : StepOutcome::Declined;
        };
        const QString statuses = u"SELECT prop_no||book_stat_code FROM indi_acct ORDER BY prop_no"_s;
        const auto reset = [&lib]() { return lib.f.exec(u"UPDATE indi_acct SET book_stat_code='41'"_s); };

        prompter.answer(AnswerCancel);
        RunReport r = CopyRunner(context, {}).run({0, 1, 2, 3}, step);
        QCOMPARE(r.done, 2);
        QCOMPARE(r.refused, 2);
        QVERIFY(!r.stopped && !r.failed);
        QCOMPARE(lib.snapshot(statuses), u"P142\nP241\nP341\nP442"_s);
        QCOMPARE(noticed, (QList<QStringList>{{u"P1"_s}, {u"P4"_s}}));

        // Stopping at a refusal (the undo), or at a "no".
        QVERIFY(reset());
        r = CopyRunner(context, {true, false, QString()}).run({0, 1, 2, 3}, step);
        QVERIFY(r.stopped && !r.failed);
        QCOMPARE(r.done, 1);
        QCOMPARE(lib.snapshot(statuses), u"P142\nP241\nP341\nP441"_s);
        QVERIFY(reset());
        prompter.answer(AnswerCancel);
        r = CopyRunner(context, {false, true, u"正在处理"_s}).run({3, 1, 2, 0}, step);
        QCOMPARE(r.done, 1);
        QCOMPARE(r.refused, 2);
        QVERIFY(r.stopped);
        QCOMPARE(lib.snapshot(statuses), u"P141\nP241\nP341\nP442"_s);
        QVERIFY(prompter.progressSteps() >= 3);

        // A failure rolls that copy back and ends the run; the copies done
        // before it stay done.
        QVERIFY(reset());
        r = CopyRunner(context, {}).run({0, 1, 2}, [&](ItemTransaction &tx, int i) {
            if (setTo42(tx, props.at(i)) != StepOutcome::Done)
                return StepOutcome::Failed;
            return i == 1 && tx.execute(u"UPDATE no_such_table SET x=1"_s) < 0 ? StepOutcome::Failed
                                                                               : StepOutcome::Done;
        });
        QVERIFY(r.stopped && r.failed);
        QCOMPARE(r.done, 1);
        QCOMPARE(prompter.shown().last().kind, QChar(u'E'));
        QCOMPARE(lib.snapshot(statuses), u"P142\nP241\nP341\nP441"_s);
        QVERIFY(!lib.f.db().inTransaction());
        QVERIFY(prompter.done());
    }

    void stepsRunAsOneTransaction_data() { addBackendRows(); }
    void stepsRunAsOneTransaction()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        AppContext &context = lib.f.context();
        ScriptedPrompter &prompter = lib.f.prompter();
        const auto runner = [&](const QString &last) {
            StepRunner steps(context, u"正在处理"_s);
            steps.add(u"UPDATE indi_acct SET book_stat_code='43' WHERE prop_no='P1'"_s);
            steps.add(u"UPDATE item SET book_stat_code='43' WHERE prop_no='P1'"_s);
            steps.add(last);
            return steps;
        };
        const QString before = lib.state(u"P1"_s);
        WriteTail tail;
        tail.jobCode = u"310"_s;
        tail.copies = 1;

        prompter.stopProgressAt(3); // Stop before the third statement
        QCOMPARE(runner(u"UPDATE indi_acct SET remark='x'"_s).run(tail), StepRunner::Result::Stopped);
        QCOMPARE(lib.state(u"P1"_s), before);
        prompter.stopProgressAt(-1);
        QCOMPARE(runner(u"UPDATE no_such_table SET x=1"_s).run(tail), StepRunner::Result::Failed);
        QCOMPARE(prompter.shown().last().kind, QChar(u'E'));
        QCOMPARE(lib.state(u"P1"_s), before);
        QCOMPARE(runner(u"UPDATE indi_acct SET remark='x' WHERE prop_no='P1'"_s).run(tail), StepRunner::Result::Done);
        QCOMPARE(lib.status(u"P1"_s) + lib.itemStatus(u"P1"_s), u"4343"_s);
        QCOMPARE(lib.snapshot(u"SELECT job_type,volume FROM wkr_job_qty"_s), u"310|1"_s);
        QVERIFY(!lib.f.db().inTransaction());
    }

    void sharedChecks_data() { addBackendRows(); }
    void sharedChecks()
    {
        using copy_check::Verdict;
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        AppContext &context = lib.f.context();
        ScriptedPrompter &prompter = lib.f.prompter();
        const auto text = [&context](const char *code) {
            return context.messages().plainText(QString::fromUtf8(code));
        };

        QCOMPARE(copy_check::inCollection(context, row("P", "L1", "17", 0, ""), true), Verdict::Pass);
        QCOMPARE(copy_check::inCollection(context, row("P", "L1", "17", 0, ""), false), Verdict::Refused);
        QCOMPARE(copy_check::inCollection(context, row("P", "L1", "13", 0, ""), true), Verdict::Refused);
        QCOMPARE(prompter.lastText(), text("EDC024"));
        QCOMPARE(copy_check::atLocation(context, row("P", "L2", "41", 0, ""), u"All"_s), Verdict::Pass);
        QCOMPARE(copy_check::atLocation(context, row("P", "L2", "41", 0, ""), u"L1"_s), Verdict::Refused);
        QCOMPARE(prompter.lastText(), text("EDC002外文书库"));
        CirculationRow onLoan;
        onLoan.lendFlag = u"1 "_s;
        QCOMPARE(copy_check::notOnLoan(context, onLoan), Verdict::Refused);
        QCOMPARE(prompter.lastText(), text("EDC003"));
        QCOMPARE(copy_check::notOnLoan(context, CirculationRow{}), Verdict::Pass);
        QCOMPARE(copy_check::statusAllowed(context, row("P", "L1", "42", 0, ""), {u"41"_s}), Verdict::Refused);
        QCOMPARE(prompter.lastText(), text("EDC026"));
        QVERIFY(lib.dealRow(u"L1"_s, u"T1"_s, u"01"_s, u"P1"_s));
        const ItemRow p1 = row("P1", "L1", "33", 0, "");
        QCOMPARE(copy_check::notInBatch(context, p1, u"L1"_s, u"T1"_s, u"01"_s), Verdict::Refused);
        QCOMPARE(prompter.lastText(), text("EDC004"));
        QCOMPARE(copy_check::notInBatch(context, p1, u"L1"_s, u"T2"_s, u"01"_s), Verdict::Pass);
        QCOMPARE(copy_check::notInBatch(context, p1, u"L1"_s, u"T1"_s, u"03"_s), Verdict::Pass);

        // A gift taken back needs its gift row: none refuses and rolls back.
        QVERIFY(lib.copy(u"G1"_s, u"M1"_s, u"BG1"_s, u"L1"_s, u"36"_s));
        {
            ItemTransaction tx(context);
            prompter.answer(AnswerOk);
            QCOMPARE(take_back::outOfCollection(tx, row("G1", "L1", "36", 0, ""), true), take_back::Result::Refused);
            QCOMPARE(prompter.lastText(), text("EDC011"));
            QVERIFY(!tx.isOpen());
        }
        QVERIFY(prompter.done());
    }

    void aFoundCopyIsRecountedInTheCallersTransaction_data() { addBackendRows(); }
    void aFoundCopyIsRecountedInTheCallersTransaction()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        AppContext &context = lib.f.context();
        ScriptedPrompter &prompter = lib.f.prompter();
        QVERIFY(lib.copy(u"L38"_s, u"M1"_s, u"BL38"_s, u"L1"_s, u"38"_s) && lib.item(u"L38"_s));
        QVERIFY(lib.copy(u"L3B"_s, u"M1"_s, u"BL3B"_s, u"L1"_s, u"3B"_s));
        QVERIFY(lib.f.exec(u"UPDATE marc SET lendable_copies=4"_s));
        const QString lendable = u"SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'"_s;
        QString offered;
        const NormStatChooser choose = [&offered](ItemTransaction &tx, const QString &prop) -> std::optional<QString> {
            offered = prop;
            NormStat normStat(tx, prop);
            if (normStat.apply(u"41"_s) < 0)
                return std::nullopt;
            return normStat.chosen();
        };

        // Yes to QDC015, 41 chosen: counted at once, inside the caller's
        // transaction, and taken back with it.
        {
            ItemTransaction tx(context);
            ItemRow found = row("L38", "L1", "38", 0, "");
            prompter.answer(AnswerOk);
            QCOMPARE(take_back::found(tx, found, choose), take_back::Result::Go);
            QCOMPARE(prompter.lastText(), context.messages().plainText(u"QDC015"_s));
            QCOMPARE(offered, u"L38"_s);
            QCOMPARE(found.status, u"41"_s);
            QCOMPARE(lib.f.one(lendable), u"5"_s);
            QCOMPARE(lib.itemStatus(u"L38"_s), u"41"_s);
            tx.cancel();
        }
        QCOMPARE(lib.status(u"L38"_s), u"38"_s);
        QCOMPARE(lib.f.one(lendable), u"4"_s);
        {
            ItemTransaction tx(context);
            ItemRow found = row("L3B", "L1", "3B", 0, "");
            prompter.answer(AnswerOk);
            QCOMPARE(take_back::found(tx, found, choose), take_back::Result::Go);
            QCOMPARE(prompter.lastText(), context.messages().plainText(u"QDC016"_s));
            QCOMPARE(tx.commit(), 0);
        }
        QCOMPARE(lib.f.one(lendable), u"5"_s);
        // No, or the dialog cancelled: declined and rolled back.
        {
            ItemTransaction tx(context);
            ItemRow found = row("L38", "L1", "38", 0, "");
            prompter.answer(AnswerCancel);
            QCOMPARE(take_back::found(tx, found, choose), take_back::Result::Declined);
            QVERIFY(!tx.isOpen());
            ItemTransaction again(context);
            prompter.answer(AnswerOk);
            QCOMPARE(take_back::found(again, found, {}), take_back::Result::Declined);
            QVERIFY(!again.isOpen());
            QCOMPARE(found.status, u"38"_s);
        }
        QVERIFY(prompter.done());
    }

    void batchPicker_data() { addBackendRows(); }
    void batchPicker()
    {
        OPEN_LIB(lib);
        AppContext &context = lib.f.context();
        ScriptedPrompter &prompter = lib.f.prompter();
        QStringList changed;
        QObject::connect(&ChangeNotice::of(context), &ChangeNotice::batchesChanged,
                         [&changed](const QString &table) { changed.append(table); });
        BatchPicker repair(context, batch_table::deal(), u"01"_s);
        QCOMPARE(repair.createDealBatch(u"L1"_s, u"  "_s, QString()), -1);
        QCOMPARE(prompter.lastText(), u"处理批次不能能为空！"_s);
        QCOMPARE(repair.createDealBatch(u"L1"_s, u"2026-01"_s, u"修补'一"_s), 0);
        // The number is taken within the type at every location.
        QCOMPARE(repair.createDealBatch(u"L2"_s, u"2026-01"_s, QString()), -1);
        QCOMPARE(prompter.lastText(), context.messages().plainText(u"EDC008"_s));
        QCOMPARE(BatchPicker(context, batch_table::deal(), u"03"_s).createDealBatch(u"L2"_s, u"2026-01"_s, QString()),
                 0);
        QCOMPARE(changed, (QStringList{u"deal_batch_lst"_s, u"deal_batch_lst"_s}));
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30014'"_s), 2);

        QCOMPARE(repair.list(u"All"_s), 0);
        QCOMPARE(repair.rows().rowCount(), 1);
        QCOMPARE(repair.rows().text(0, 7), u"修补'一"_s);
        QCOMPARE(repair.list(u"L2"_s), 0);
        QCOMPARE(repair.rows().rowCount(), 0);
        QCOMPARE(repair.list(u"L1"_s), 0);
        QCOMPARE(repair.find(u"一"_s), 0);
        QCOMPARE(repair.find(u"zz"_s), -1);
        QCOMPARE(prompter.lastText(), u"未查询到相应调拨批次。"_s);
        QCOMPARE(repair.find(u" "_s), -1);
        QCOMPARE(prompter.lastText(), u"请输入查询内容。"_s);
        // Find again moves on from the current row, then starts at the top.
        QCOMPARE(nextFoundRow({1, 3}, -1), 1);
        QCOMPARE(nextFoundRow({1, 3}, 1), 3);
        QCOMPARE(nextFoundRow({1, 3}, 3), 1);
        QCOMPARE(nextFoundRow({}, 0), -1);

        // ShowDate: months back for the processing and transfer batches,
        // days for the stock-taking ones; "All" lists everything.
        QCOMPARE(BatchPicker::startDate(u"3"_s, u"2026-03-14"_s, true), u"2025-12-14"_s);
        QCOMPARE(BatchPicker::startDate(u"3"_s, u"2026-03-14"_s, false), u"2026-03-11"_s);
        QCOMPARE(BatchPicker::startDate(u"All"_s, u"2026-03-14"_s, true), QString());
        QVERIFY(lib.f.exec(u"INSERT INTO goto_batch (batch_no,batch_type,deal_date) VALUES ('G1','3','2000-01-01')"_s));
        QVERIFY(lib.f.exec(
            u"INSERT INTO count_data (count_batch_no,location,count_date) VALUES ('C1','L1','2000-01-01')"_s));
        BatchPicker transfers(context, batch_table::transfer());
        BatchPicker counts(context, batch_table::count());
        QCOMPARE(transfers.list(u"All"_s) + counts.list(u"All"_s), 0);
        QCOMPARE(transfers.rows().text(0, 0) + counts.rows().text(0, 0), u"G1C1"_s);
        context.preferences().showDate = u"1"_s;
        QCOMPARE(transfers.list(u"All"_s) + counts.list(u"All"_s), 0);
        QCOMPARE(transfers.rows().rowCount() + counts.rows().rowCount(), 0);
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(CopyKitTest)
#include "CopyKitTest.moc"
