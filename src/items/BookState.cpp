#include "items/BookState.h"

#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/CopyChecks.h"
#include "kit/CopyColumns.h"
#include "kit/CopyRunner.h"

#include <algorithm>

namespace kestra {

namespace book_state {

const QList<CodeName> &targetStatuses()
{
    static const QList<CodeName> list = {
        {QStringLiteral("41"), QStringLiteral("可借")},     {QStringLiteral("42"), QStringLiteral("非可借")},
        {QStringLiteral("38"), QStringLiteral("丢失")},     {QStringLiteral("3C"), QStringLiteral("停借")},
        {QStringLiteral("3B"), QStringLiteral("声明丢失")}, {QStringLiteral("43"), QStringLiteral("阅览")},
        {QStringLiteral("44"), QStringLiteral("业务用书")}, {QStringLiteral("45"), QStringLiteral("保留本")},
        {QStringLiteral("46"), QStringLiteral("分馆藏书")}, {QStringLiteral("33"), QStringLiteral("书刊修补")},
        {QString(Unchanged), QStringLiteral("不变")},
    };
    return list;
}

QList<CodeName> sourceStatuses()
{
    QList<CodeName> list;
    for (const CodeName &entry : targetStatuses()) {
        if (entry.code != QLatin1String("33") && entry.code != Unchanged)
            list.append(entry);
    }
    return list;
}

} // namespace book_state

namespace {

QList<Column<ChangedCopy>> changedColumns(AppContext &context)
{
    QList<Column<ChangedCopy>> list = columnsOf(copyColumns(context, lookupFields()), &ChangedCopy::row);
    list.append({QStringLiteral("原状态"), [](const ChangedCopy &c) { return cell::status(c.row.status); }});
    list.append({QStringLiteral("新状态"), [](const ChangedCopy &c) { return cell::status(c.newStatus); }});
    list.append({QStringLiteral("OPAC显示"), [](const ChangedCopy &c) { return cell::flag(c.newOpacFlag); }});
    return list;
}

} // namespace

BookState::BookState(AppContext &context, const BarcodeSettings &barcode)
    : context_(context), entry_(context, barcode), rows_(changedColumns(context), true)
{
    // The status change may touch copies of any location: it is a
    // supervisor's command of its own right.
    entry_.setCheckRights(false);
    entry_.setReadCirculation(true);
    location_ = context.session().currentLocation;
}

BookState::Outcome BookState::enterText(const QString &text)
{
    if (mode_ != Mode::Single)
        return Outcome::Empty;
    return withFoundCopy<Outcome>(entry_.enter(text), [this](const ItemRow &row) { return change(row); });
}

ScanReport BookState::enter(const QString &text)
{
    return scanReportOf(enterText(text), Outcome::Changed);
}

ScanReport BookState::enterCode(const QString &code, InputType type)
{
    return scanReportOf(
        withFoundCopy<Outcome>(entry_.lookup(code, type), [this](const ItemRow &row) { return change(row); }),
        Outcome::Changed);
}

ScanReport BookState::searchAndEnter(const CopyPicker &search)
{
    if (!search || mode_ != Mode::Single)
        return {};
    const std::optional<QString> propNo = search(QStringLiteral("All"));
    if (!propNo || propNo->isEmpty())
        return {};
    return enterCode(*propNo, InputType::Accession);
}

BookState::Outcome BookState::change(const ItemRow &found)
{
    ItemRow row = found;
    // A copy in 17 (handed over) can be changed here.
    copy_check::Verdict verdict = copy_check::inCollection(context_, row, true);
    if (verdict != copy_check::Verdict::Pass)
        return outcomeOf<Outcome>(verdict);
    CirculationRow circ;
    if (circulationFor(context_.db(), row, circ) < 0) {
        context_.db().showDbError();
        return Outcome::Failed;
    }
    verdict = copy_check::noOpenClaim(context_, row);
    if (verdict != copy_check::Verdict::Pass)
        return outcomeOf<Outcome>(verdict);

    ItemTransaction tx(context_);
    verdict = copy_check::relocked(tx.lockCopy(row, &circ), [&] {
        const copy_check::Verdict v = copy_check::inCollection(context_, row, true);
        return v == copy_check::Verdict::Pass ? copy_check::noOpenClaim(context_, row) : v;
    });
    if (verdict != copy_check::Verdict::Pass)
        return outcomeOf<Outcome>(verdict);
    const QString target = newStatus_ == book_state::Unchanged ? row.status : newStatus_;
    QString lendFlag = circ.lendFlag;
    if (target != QLatin1String("41")) {
        const take_back::Result r = take_back::arrivedReservation(tx, row, lendFlag);
        if (r != take_back::Result::Go)
            return outcomeOf(r, Outcome::Changed);
    }
    // A copy that keeps its status stays where it is: a weeded copy hidden
    // from the catalogue keeps its weeding row, a copy under repair its
    // repair row, so that the batch can still undo or transfer it.
    if (target != row.status) {
        take_back::Result r = take_back::outOfCollection(tx, row, false);
        if (r == take_back::Result::Go)
            r = take_back::repairRow(tx, row, row.disLocation);
        if (r != take_back::Result::Go)
            return outcomeOf(r, Outcome::Changed);
    }
    return write(tx, row, target, lendFlag);
}

BookState::Outcome BookState::write(ItemTransaction &tx, const ItemRow &row, const QString &target,
                                    const QString &lendFlag)
{
    QString date;
    if (tx.serverDate(date) < 0)
        return Outcome::Failed;
    const QString &op = context_.session().operatorNo;
    const QString flag = opac_ ? QStringLiteral("1") : QStringLiteral("0");
    CopyChange c;
    c.propNo = row.propNo;
    c.status = target;
    c.date = date;
    c.operatorNo = op;
    c.lendFlag = lendFlag;
    c.itemOperator = op;
    if (tx.updateCopy(c) < 0)
        return Outcome::Failed;
    if (tx.execute(QStringLiteral(" update indi_acct set INDI_OPAC_FLAG = ") + sqlQuote(flag) +
                   QStringLiteral(" where prop_no = ") + sqlQuote(row.propNo)) < 0)
        return Outcome::Failed;
    WriteTail tail = statusChangeTail(row, target);
    tail.jobCode = QStringLiteral("310");
    if (tx.finish(tail) < 0)
        return Outcome::Failed;
    rows_.append(ChangedCopy{row, target, flag});
    return Outcome::Changed;
}

CodeImport BookState::import()
{
    return CodeImport(context_, QStringLiteral("正在修改书刊状态……"),
                      QStringLiteral("导入%1个号码，修改%2册书刊状态。"));
}

ScanReport BookState::importCodes()
{
    if (mode_ != Mode::Single)
        return {};
    return import().chooseAndRun(
        [this](const QString &code) { return stepOutcomeOf(enterText(code), Outcome::Changed); });
}

ScanReport BookState::importFile(const QString &path)
{
    if (mode_ != Mode::Single)
        return {};
    return import().runFile(path,
                            [this](const QString &code) { return stepOutcomeOf(enterText(code), Outcome::Changed); });
}

StepOutcome BookState::undo(ItemTransaction &tx, const ChangedCopy &copy)
{
    // Read inside the copy's transaction: the status the undo relies on is
    // the one it writes over.
    const QString &prop = copy.row.propNo;
    ItemRow now = copy.row;
    const copy_check::Verdict locked = copy_check::relocked(tx.lockCopy(now), {});
    if (locked != copy_check::Verdict::Pass) // gone: EDC001
        return locked == copy_check::Verdict::Failed ? StepOutcome::Failed : StepOutcome::Refused;
    // Changed again since (by anyone): the old status no longer applies.
    if (now.status != copy.newStatus) {
        context_.showMsg(QStringLiteral("EDC009"));
        return StepOutcome::Refused;
    }
    QString date;
    if (tx.serverDate(date) < 0)
        return StepOutcome::Failed;
    CopyChange c;
    c.propNo = prop;
    c.status = copy.row.status;
    c.date = date;
    c.itemOperator = context_.session().operatorNo;
    if (tx.updateCopy(c) < 0)
        return StepOutcome::Failed;
    // The catalogue flag and the lendable count go back with the status.
    if (copy.row.opacFlag != copy.newOpacFlag &&
        tx.execute(QStringLiteral(" update indi_acct set INDI_OPAC_FLAG = ") + sqlQuote(copy.row.opacFlag) +
                   QStringLiteral(" where prop_no = ") + sqlQuote(prop)) < 0)
        return StepOutcome::Failed;
    if (!copy.row.marcRecNo.isEmpty() &&
        tx.callProc(QStringLiteral("update_lendable_copies ") + sqlQuote(copy.row.marcRecNo)) < 0)
        return StepOutcome::Failed;
    return tx.commit() < 0 ? StepOutcome::Failed : StepOutcome::Done;
}

ScanReport BookState::undoMarked()
{
    QList<int> order = rows_.markedRows();
    std::reverse(order.begin(), order.end());
    QList<int> undone;
    CopyRunner runner(context_, CopyRunner::Policy{true, false, QString()});
    const ScanReport report = runner.run(order, [&](ItemTransaction &tx, int row) {
        const StepOutcome outcome = undo(tx, rows_.at(row));
        if (outcome == StepOutcome::Done)
            undone.append(row);
        return outcome;
    });
    for (int row : std::as_const(undone)) // bottom up: the rows above keep their places
        rows_.remove(row);
    return report;
}

} // namespace kestra
