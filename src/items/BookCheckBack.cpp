#include "items/BookCheckBack.h"

#include "copies/ItemCodes.h"
#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/CopyChecks.h"
#include "kit/CopyColumns.h"

namespace kestra {

namespace {

// The copy's row in the repair batch of this number: location, batch, type,
// copy, source state, remark, target, fee.
QString repairRowSql(const QString &propNo, const QString &number)
{
    return QStringLiteral(" SELECT location, deal_batch_no, deal_type_code, prop_no, source_state, remark, "
                          "book_target, fee FROM deal_log WHERE prop_no=") +
           sqlQuote(propNo) + QStringLiteral(" AND deal_type_code='01' AND deal_batch_no=") + sqlQuote(number);
}

} // namespace

BookCheckBack::BookCheckBack(AppContext &context, const BarcodeSettings &barcode)
    : DealProcess(context, barcode, QString(deal_type::CheckBack))
{}

DealProcess::Outcome BookCheckBack::add(const ItemRow &found)
{
    ItemRow row = found;
    Session &db = context_.db();
    const auto checks = [&] {
        QueryResult here;
        if (db.query(QStringLiteral(" SELECT prop_no FROM deal_log WHERE prop_no=") + sqlQuote(row.propNo) +
                         QStringLiteral(" AND location=") + sqlQuote(batch_.location) +
                         QStringLiteral(" AND deal_batch_no=") + sqlQuote(batch_.number) +
                         QStringLiteral(" AND deal_type_code='02'"),
                     here) < 0) {
            db.showDbError();
            return copy_check::Verdict::Failed;
        }
        if (here.rowCount() > 0) {
            context_.showMsg(QStringLiteral("EDC012"));
            return copy_check::Verdict::Refused;
        }
        if (row.status != QLatin1String("33")) {
            context_.showMsg(QStringLiteral("EDC006") + cell::status(row.status));
            return copy_check::Verdict::Refused;
        }
        return copy_check::atLocation(context_, row, batch_.location);
    };
    copy_check::Verdict v = checks();
    if (v != copy_check::Verdict::Pass)
        return outcomeOf<Outcome>(v);

    ItemTransaction tx(context_);
    v = copy_check::relocked(tx.lockCopy(row), checks);
    if (v != copy_check::Verdict::Pass)
        return outcomeOf<Outcome>(v);
    QueryResult repair;
    if (tx.db().query(repairRowSql(row.propNo, batch_.number), repair) < 0) {
        tx.fail();
        return Outcome::Failed;
    }
    if (repair.rowCount() == 0) {
        tx.cancel();
        context_.showMsg(QStringLiteral("EDC015"));
        return Outcome::Refused;
    }
    const QString before = repair.text(0, 4);
    QString date;
    if (tx.serverDate(date) < 0 ||
        writeLog(tx, row.propNo, date, std::nullopt, QString(), QStringLiteral("33"), QString()) < 0)
        return tx.refused() ? Outcome::Refused : Outcome::Failed;
    if (finishEntry(tx, row, before, date, QString()) < 0)
        return tx.refused() ? Outcome::Refused : Outcome::Failed;
    // What the repair row says about the copy, in the input boxes.
    target = repair.text(0, 6);
    fee = repair.text(0, 7);
    remark = repair.text(0, 5);
    row.status = before;
    row.statusDate = date;
    DealRow d;
    d.row = std::move(row);
    d.sourceState = QStringLiteral("33");
    rows_.append(std::move(d));
    return Outcome::Added;
}

ScanReport BookCheckBack::undoMarked()
{
    return cancelRows([&](ItemTransaction &tx, const DealRow &d) {
        const QString &propNo = d.row.propNo;
        ItemRow now = d.row;
        CirculationRow circ;
        const copy_check::Verdict locked = copy_check::relocked(tx.lockCopy(now, &circ), {});
        if (locked != copy_check::Verdict::Pass) // gone: EDC001
            return locked == copy_check::Verdict::Failed ? StepOutcome::Failed : StepOutcome::Refused;
        QueryResult repair;
        if (tx.db().query(repairRowSql(propNo, batch_.number), repair) < 0) {
            tx.fail();
            return StepOutcome::Failed;
        }
        if (circ.lendFlag.trimmed() == QLatin1String("1")) {
            context_.showMsg(QStringLiteral("EDC010"));
            return StepOutcome::Refused;
        }
        // The copy must still have the status the check-back gave it.
        if (repair.rowCount() == 0 || now.status != repair.text(0, 4)) {
            context_.showMsg(QStringLiteral("EDC009"));
            return StepOutcome::Refused;
        }
        return undoRow(tx, propNo, now.marcRecNo, QStringLiteral("33"));
    });
}

} // namespace kestra
