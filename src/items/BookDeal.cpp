#include "items/BookDeal.h"

#include "copies/ItemCodes.h"
#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/CopyChecks.h"

namespace kestra {

BookDeal::BookDeal(AppContext &context, const BarcodeSettings &barcode, const QString &type)
    : DealProcess(context, barcode, type)
{
    entry_.setReadCirculation(true);
}

DealProcess::Outcome BookDeal::add(const ItemRow &found)
{
    ItemRow row = found;
    // "abc" is refused before anything is read or written; "" is 0.
    double feeValue = 0;
    if (hasFee()) {
        const std::optional<double> parsed = deal_form::parseFee(context_, fee);
        if (!parsed)
            return Outcome::Refused;
        feeValue = *parsed;
    }
    CirculationRow circ;
    if (circulationFor(context_.db(), row, circ) < 0) {
        context_.db().showDbError();
        return Outcome::Failed;
    }
    // Whether the copy is in the batch already is asked with its lock, in
    // the same round trip; the other checks need nothing more from the
    // database and come first.
    const auto checks = [&] {
        copy_check::Verdict v = copy_check::inCollection(context_, row, false);
        if (v == copy_check::Verdict::Pass)
            v = copy_check::atLocation(context_, row, batch_.location);
        if (v == copy_check::Verdict::Pass)
            v = copy_check::notOnLoan(context_, circ);
        if (v == copy_check::Verdict::Pass && row.status == QLatin1String("39")) {
            context_.showMsg(QStringLiteral("EDC005"));
            v = copy_check::Verdict::Refused;
        }
        return v;
    };
    copy_check::Verdict v = checks();
    if (v != copy_check::Verdict::Pass)
        return outcomeOf<Outcome>(v);

    ItemTransaction tx(context_);
    QList<QueryResult> inBatch;
    v = copy_check::relocked(
        tx.lockCopy(row, &circ, {copy_check::inBatchSql(row, batch_.location, batch_.number, type_)}, inBatch), checks);
    if (v == copy_check::Verdict::Pass)
        v = copy_check::notInBatch(context_, inBatch.front());
    if (v != copy_check::Verdict::Pass)
        return outcomeOf<Outcome>(v);
    // A lost copy found again first gets a collection status, which then
    // counts as its status before this batch.
    take_back::Result r = take_back::found(tx, row, choose_);
    QString lendFlag = circ.lendFlag;
    if (r == take_back::Result::Go)
        r = take_back::arrivedReservation(tx, row, lendFlag);
    QString source = row.status;
    const bool repair = type_ == deal_type::Repair;
    if (r == take_back::Result::Go && repair)
        r = take_back::outOfCollection(tx, row, true, &source);
    if (r != take_back::Result::Go)
        return outcomeOf(r, Outcome::Added);

    if (row.status == QLatin1String("33")) {
        // In 33 under another repair or check-back row of this location:
        // the copy moves here, and that row's status before repair becomes
        // this row's, so that cancelling here does not leave it in 33 with
        // no row to restore it from.
        QueryResult other;
        const QString sql =
            QStringLiteral(" SELECT deal_log.location ,deal_log.deal_batch_no ,deal_log.deal_type_code ,"
                           "deal_log.prop_no ,deal_log.source_state FROM deal_log  WHERE deal_log.prop_no=") +
            sqlQuote(row.propNo) +
            QStringLiteral(" AND deal_log.deal_type_code IN ('01','02') AND deal_log.location=") +
            sqlQuote(batch_.location) + QStringLiteral(" ORDER BY deal_log.deal_no DESC");
        if (tx.db().query(sql, other) < 0) {
            tx.fail();
            return Outcome::Failed;
        }
        if (other.rowCount() > 0) {
            if (repair && other.text(0, 1) == batch_.number && other.text(0, 2) == type_) {
                tx.cancel();
                context_.showMsg(QStringLiteral("EDC004"));
                return Outcome::Refused;
            }
            if (!tx.confirm(repair ? QStringLiteral("QDC008") : QStringLiteral("QDC007")))
                return Outcome::Cancelled;
            if (tx.deleteDealLog(other.text(0, 0), other.text(0, 1), other.text(0, 2), other.text(0, 3)) < 0)
                return Outcome::Failed;
            // A check-back row's source is 33 itself: the repair row's
            // status before repair is the one to keep.
            if (other.text(0, 2) == deal_type::Repair)
                source = other.text(0, 4);
        }
    }
    return write(tx, row, lendFlag, source, feeValue);
}

DealProcess::Outcome BookDeal::write(ItemTransaction &tx, ItemRow row, const QString &lendFlag, const QString &source,
                                     double feeValue)
{
    QString date;
    if (tx.serverDate(date) < 0)
        return Outcome::Failed;
    const std::optional<double> logFee = hasFee() ? std::optional<double>(feeValue) : std::nullopt;
    if (writeLog(tx, row.propNo, date, logFee, target, source, remark) < 0)
        return tx.refused() ? Outcome::Refused : Outcome::Failed;
    const QString status = deal_form::statusSet(type_);
    if (finishEntry(tx, row, status, date, lendFlag) < 0)
        return tx.refused() ? Outcome::Refused : Outcome::Failed;
    row.status = status;
    row.statusDate = date;
    DealRow d;
    d.row = std::move(row);
    d.sourceState = source;
    d.target = target;
    d.remark = remark;
    d.fee = logFee;
    rows_.append(std::move(d));
    return Outcome::Added;
}

ScanReport BookDeal::undoMarked()
{
    const QString status = deal_form::statusSet(type_);
    return cancelRows([&](ItemTransaction &tx, const DealRow &d) {
        // Read inside the copy's transaction: what another operator did
        // meanwhile is met with EDC009, not overwritten.
        ItemRow now = d.row;
        const copy_check::Verdict locked = copy_check::relocked(tx.lockCopy(now), {});
        if (locked != copy_check::Verdict::Pass) // gone: EDC001
            return locked == copy_check::Verdict::Failed ? StepOutcome::Failed : StepOutcome::Refused;
        QueryResult log;
        if (tx.db().query(QStringLiteral(" SELECT source_state, log_date FROM deal_log WHERE location=") +
                              sqlQuote(batch_.location) + QStringLiteral(" AND deal_batch_no=") +
                              sqlQuote(batch_.number) + QStringLiteral(" AND deal_type_code=") + sqlQuote(type_) +
                              QStringLiteral(" AND prop_no=") + sqlQuote(d.row.propNo),
                          log) < 0) {
            tx.fail();
            return StepOutcome::Failed;
        }
        // Changed since, or taken out of this batch by another form.
        if (now.status != status || log.rowCount() == 0) {
            context_.showMsg(QStringLiteral("EDC009"));
            return StepOutcome::Refused;
        }
        return undoRow(tx, d.row.propNo, now.marcRecNo, log.text(0, 0));
    });
}

} // namespace kestra
