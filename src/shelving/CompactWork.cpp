#include "shelving/CompactWork.h"

#include "copies/ItemCodes.h"
#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "items/DealLists.h"
#include "kit/CopyChecks.h"
#include "output/GridReport.h"

namespace kestra {

namespace compact {

namespace {

const QString kLocationMark = QStringLiteral("；原馆藏地：");

} // namespace

QString workBatchNumber(const QString &serverNow, const QString &operatorNo)
{
    QString digits;
    for (const QChar c : serverNow) {
        if (c.isDigit())
            digits.append(c);
    }
    return QString(digits + operatorNo).left(20);
}

QString beforeText(const QString &label, const Before &before)
{
    return label + QStringLiteral("：") + before.value + kLocationMark + before.location;
}

Before parseBefore(const QString &remark)
{
    // The value may hold any character: the location is found from the end,
    // the value after the label's colon.
    Before b;
    const qsizetype mark = remark.lastIndexOf(kLocationMark);
    const QString head = mark < 0 ? remark : remark.left(mark);
    if (mark >= 0)
        b.location = remark.mid(mark + kLocationMark.size());
    const qsizetype colon = head.indexOf(u'：');
    b.value = colon < 0 ? head : head.mid(colon + 1);
    return b;
}

int shelfCount(AppContext &context, const QString &shelf)
{
    QueryResult r;
    if (context.db().query(
            QStringLiteral(" SELECT count(*)   FROM indi_acct  WHERE indi_acct.shelf_no=") + sqlQuote(shelf), r) < 0) {
        context.db().showDbError();
        return -1;
    }
    return r.rowCount() > 0 ? static_cast<int>(r.number(0, 0)) : 0;
}

} // namespace compact

CompactWork::CompactWork(AppContext &context, const BarcodeSettings &barcode, const QString &type)
    : DealProcess(context, barcode, type)
{
    // One work batch for as long as the form is open, at the operator's
    // location; it has no row of deal_batch_lst.
    batch_.location = context.session().currentLocation;
    if (batch_.location.isEmpty())
        batch_.location = QStringLiteral("All");
    QString now = context.db().serverDate();
    if (now.isEmpty())
        now = context.clock().now().toString(QStringLiteral("yyyy-MM-ddhh:mm:ss"));
    batch_.number = compact::workBatchNumber(now, context.session().operatorNo);
    batch_.type = type;
    batch_.flag = QStringLiteral("0");
    location = context.session().currentLocation;
}

int CompactWork::stamp(ItemTransaction &tx, QString &now)
{
    // The date and time, as the compact forms have always stamped a copy
    // (the other forms write the date alone).
    now = tx.db().serverDate();
    if (now.isEmpty())
        return tx.fail();
    return 0;
}

int CompactWork::readColumn(ItemTransaction &tx, const QString &column, const QString &propNo, QString &value)
{
    QueryResult r;
    if (tx.db().query(QStringLiteral(" SELECT ") + column + QStringLiteral(" FROM indi_acct WHERE prop_no=") +
                          sqlQuote(propNo),
                      r) < 0)
        return tx.fail();
    value = r.rowCount() > 0 ? r.text(0, 0) : QString();
    return 0;
}

DealProcess::Outcome CompactWork::add(const ItemRow &found)
{
    ItemRow row = found;
    const auto checks = [&] {
        const copy_check::Verdict v = copy_check::inCollection(context_, row, false);
        return v == copy_check::Verdict::Pass ? copy_check::noOpenClaim(context_, row) : v;
    };
    copy_check::Verdict verdict = checks();
    if (verdict != copy_check::Verdict::Pass)
        return outcomeOf<Outcome>(verdict);
    CirculationRow circ;
    if (readCirculation(context_.db(), row.propNo, circ) < 0) {
        context_.db().showDbError();
        return Outcome::Failed;
    }
    ItemTransaction tx(context_);
    verdict = copy_check::relocked(tx.lockCopy(row, &circ), checks);
    if (verdict != copy_check::Verdict::Pass)
        return outcomeOf<Outcome>(verdict);
    QString lendFlag = circ.lendFlag;
    const QString target = setStatus ? status : row.status;
    // A copy that keeps its status keeps its reservation and its batch rows:
    // putting it on a shelf is no reason to ask about them.
    if (target != row.status) {
        take_back::Result r = take_back::Result::Go;
        if (target != QLatin1String("41"))
            r = take_back::arrivedReservation(tx, row, lendFlag);
        if (r == take_back::Result::Go)
            r = take_back::outOfCollection(tx, row, false);
        if (r == take_back::Result::Go)
            r = take_back::repairRow(tx, row, row.disLocation);
        if (r != take_back::Result::Go)
            return outcomeOf(r, Outcome::Added);
    }
    if (circ.exists && lendFlag != circ.lendFlag &&
        tx.execute(QStringLiteral(" UPDATE item SET book_lend_flag=") + sqlQuote(lendFlag) +
                   QStringLiteral(" WHERE prop_no=") + sqlQuote(row.propNo)) < 0)
        return Outcome::Failed;
    return write(tx, std::move(row));
}

DealProcess::Outcome CompactWork::write(ItemTransaction &tx, ItemRow row)
{
    QString now;
    if (stamp(tx, now) < 0)
        return Outcome::Failed;
    Change change;
    const Outcome prepared = prepare(tx, row, now, change);
    if (prepared != Outcome::Added)
        return prepared;
    const QString tail = QStringLiteral(" ,rec_flag_upt_date=") + sqlQuote(now) + QStringLiteral(" WHERE prop_no=") +
                         sqlQuote(row.propNo);
    const QString oldLocation = row.disLocation;
    const QString oldStatus = row.status;
    if (moveLocation && !location.isEmpty() && location != row.disLocation) {
        if (tx.execute(QStringLiteral(" UPDATE indi_acct SET dis_location=") + sqlQuote(location) + tail) < 0 ||
            tx.execute(QStringLiteral(" UPDATE item SET location=") + sqlQuote(location) + tail) < 0)
            return Outcome::Failed;
        row.disLocation = location;
    }
    if (setStatus && !status.isEmpty()) {
        if (tx.execute(QStringLiteral(" UPDATE indi_acct SET book_stat_code=") + sqlQuote(status) + tail) < 0 ||
            tx.execute(QStringLiteral(" UPDATE item SET book_stat_code=") + sqlQuote(status) + tail) < 0)
            return Outcome::Failed;
        row.status = status;
    }
    // A copy this form has already logged (put on another shelf, given
    // another barcode): its one row keeps the copy as it was before the
    // form first touched it, so that the undo goes all the way back.
    QString source = oldStatus;
    QueryResult earlier;
    if (tx.db().query(QStringLiteral(" SELECT source_state,remark FROM deal_log WHERE location=") +
                          sqlQuote(batch_.location) + QStringLiteral(" AND deal_batch_no=") + sqlQuote(batch_.number) +
                          QStringLiteral(" AND deal_type_code=") + sqlQuote(type_) + QStringLiteral(" AND prop_no=") +
                          sqlQuote(row.propNo),
                      earlier) < 0) {
        tx.fail();
        return Outcome::Failed;
    }
    if (earlier.rowCount() > 0) {
        source = earlier.text(0, 0);
        change.remark = earlier.text(0, 1);
        if (tx.deleteDealLog(batch_.location, batch_.number, type_, row.propNo) < 0)
            return Outcome::Failed;
    }
    if (writeLog(tx, row.propNo, now.left(10), std::nullopt, change.target, source, change.remark) < 0)
        return tx.refused() ? Outcome::Refused : Outcome::Failed;
    WriteTail log;
    if (row.status != oldStatus)
        log.lendableRecord = row.marcRecNo;
    log.logCode = QStringLiteral("30017");
    log.marcRecNo = row.marcRecNo;
    log.propNo = row.propNo;
    log.data1 = context_.locationName(oldLocation) + QStringLiteral("->") + context_.locationName(row.disLocation);
    log.data2 = item_status::name(oldStatus) + QStringLiteral("->") + item_status::name(row.status);
    log.data3 = batch_.number;
    tx.touched(row.propNo);
    if (tx.finish(log) < 0)
        return Outcome::Failed;
    row.statusDate = now;
    for (int i = rows_.count() - 1; i >= 0; --i) {
        if (rows_.at(i).row.propNo == row.propNo)
            rows_.remove(i);
    }
    DealRow d;
    d.row = row;
    d.sourceState = source;
    d.target = change.target;
    d.remark = change.remark;
    rows_.append(std::move(d));
    written(row);
    return Outcome::Added;
}

ScanReport CompactWork::undoMarked()
{
    return cancelRows([this](ItemTransaction &tx, const DealRow &d) { return undoOne(tx, d); });
}

StepOutcome CompactWork::undoOne(ItemTransaction &tx, const DealRow &d)
{
    // Read inside the copy's transaction: a copy changed since the row was
    // listed is met with EDC009, not overwritten with what the row knew.
    ItemRow now = d.row;
    const copy_check::Verdict locked = copy_check::relocked(tx.lockCopy(now), {});
    if (locked != copy_check::Verdict::Pass)
        return locked == copy_check::Verdict::Failed ? StepOutcome::Failed : StepOutcome::Refused;
    if (now.status != d.row.status || now.disLocation != d.row.disLocation) {
        context_.showMsg(QStringLiteral("EDC009"));
        return StepOutcome::Refused;
    }
    QString stampNow;
    if (stamp(tx, stampNow) < 0)
        return StepOutcome::Failed;
    const StepOutcome restored = restore(tx, d, now, stampNow);
    if (restored != StepOutcome::Done)
        return restored;
    const compact::Before before = compact::parseBefore(d.remark);
    CopyChange c;
    c.propNo = now.propNo;
    if (!d.sourceState.isEmpty() && d.sourceState != now.status)
        c.status = d.sourceState;
    if (!before.location.isEmpty() && before.location != now.disLocation)
        c.disLocation = before.location;
    c.date = stampNow;
    c.itemOperator = context_.session().operatorNo;
    if (tx.updateCopy(c) < 0 || tx.deleteDealLog(batch_.location, batch_.number, type_, now.propNo) < 0)
        return StepOutcome::Failed;
    WriteTail log;
    if (!c.status.isEmpty())
        log.lendableRecord = now.marcRecNo;
    log.logCode = QStringLiteral("30018");
    log.marcRecNo = now.marcRecNo;
    log.propNo = now.propNo;
    log.data3 = batch_.number;
    return tx.finish(log) < 0 ? StepOutcome::Failed : StepOutcome::Done;
}

int CompactWork::printList()
{
    if (rows_.count() == 0) {
        context_.showMsg(QStringLiteral("I该批次无书刊记录!"));
        return 0;
    }
    ListReport report = reportFromModel(rows_, QStringLiteral("处理清单"));
    report.footer.append(ReportField{QStringLiteral("总册数："), QString::number(rows_.count())});
    return deal_lists::preview(context_, report);
}

} // namespace kestra
