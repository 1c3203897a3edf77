#include "items/Transfer.h"

#include "kit/CopyChecks.h"

#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/CodeTables.h"

namespace kestra {

namespace transfer {

QString kindRight(Kind kind)
{
    switch (kind) {
    case Kind::ByLocation:
        return QStringLiteral("3012");
    case Kind::ByClass:
        return QStringLiteral("3017");
    case Kind::ByBatch:
        return QStringLiteral("3018");
    case Kind::ByCopy:
        break;
    }
    return QStringLiteral("3019");
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::ByLocation:
        return QStringLiteral("按地");
    case Kind::ByClass:
        return QStringLiteral("按类");
    case Kind::ByBatch:
        return QStringLiteral("按批");
    case Kind::ByCopy:
        break;
    }
    return QStringLiteral("按册");
}

QString batchType(Kind kind)
{
    return QString::number(static_cast<int>(kind));
}

bool kindOfBatchType(const QString &type, Kind &kind)
{
    bool ok = false;
    const int n = type.trimmed().toInt(&ok);
    if (!ok || n < 0 || n > 3)
        return false;
    kind = static_cast<Kind>(n);
    return true;
}

} // namespace transfer

QString transferLogText(const CodeTables &codes, const QString &from, const QString &to, const QString &docType)
{
    const QString source = from == transfer::AllLocations ? QStringLiteral("所有馆藏地") : codes.locationName(from);
    QString text = source + QStringLiteral(" -> ") + codes.locationName(to);
    if (!docType.isEmpty())
        text += QStringLiteral(" | 文献类型:") + codes.docTypeName(docType);
    return text;
}

bool destinationValid(AppContext &context, const TransferPlan &plan)
{
    if (plan.destination.isEmpty()) {
        context.showMsg(QStringLiteral("EDC018"));
        return false;
    }
    if (plan.destination == plan.source) {
        context.showMsg(QStringLiteral("EDC017"));
        return false;
    }
    return true;
}

StepOutcome transferStep(ItemTransaction &tx, const TransferPlan &plan, const QString &propNo)
{
    AppContext &context = tx.context();
    // Locked first, and read as it is now: another operator may have
    // changed it since it was listed.
    ItemRow copy;
    copy.propNo = propNo;
    CirculationRow circ;
    const copy_check::Verdict locked = copy_check::relocked(tx.lockCopy(copy, &circ), {});
    if (locked != copy_check::Verdict::Pass) // gone: EDC001
        return locked == copy_check::Verdict::Failed ? StepOutcome::Failed : StepOutcome::Refused;
    // Another operator may have moved it since it was listed.
    if (plan.source != transfer::AllLocations && copy.disLocation != plan.source) {
        tx.cancel();
        context.showMsg(QStringLiteral("EDC002") + context.codes().locationName(copy.disLocation));
        return StepOutcome::Refused;
    }
    // Lost and paid for since it was listed, or (from "All") already where
    // it is to go: a transfer refuses it, as a scan would.
    if (copy.status == QLatin1String("39") || copy.disLocation == plan.destination) {
        tx.cancel();
        context.showMsg(copy.status == QLatin1String("39") ? QStringLiteral("EDC005") : QStringLiteral("EDC017"));
        return StepOutcome::Refused;
    }
    // With "All" as the source each copy comes from its own location: the
    // history row, the loan and the reservations name that one.
    const QString from = copy.disLocation;
    QString date;
    if (tx.serverDate(date) < 0)
        return StepOutcome::Failed;
    QString flag = circ.lendFlag.trimmed();
    // A reservation that arrived for the copy stays with the old location's
    // desk: the copy leaves it, and the title's reservation there is marked
    // for the desk to deal with again.
    if (flag == QLatin1String("2")) {
        if (tx.dropArrivedReservation(propNo) < 0 ||
            tx.execute(QStringLiteral(" UPDATE preg_lst  SET preg_flag='2' WHERE call_no=") + sqlQuote(copy.callNo) +
                       QStringLiteral(" AND location=") + sqlQuote(from)) < 0)
            return StepOutcome::Failed;
        flag = QStringLiteral("0");
    }
    if (flag == QLatin1String("1")) {
        if (tx.callProc(QStringLiteral("LT_UPD_lend_lst_loca ") + sqlQuote(propNo) + u',' +
                        sqlQuote(plan.destination)) < 0 ||
            tx.execute(QStringLiteral(" UPDATE lend_hist SET  location_f=") + sqlQuote(plan.destination) +
                       QStringLiteral(" WHERE prop_no_f=") + sqlQuote(propNo) +
                       QStringLiteral(" AND ret_date IS NULL ")) < 0)
            return StepOutcome::Failed;
    }
    const QString &operatorNo = context.session().operatorNo;
    const QString status = plan.newStatus.isEmpty() ? copy.status : plan.newStatus;
    CopyChange change;
    change.propNo = propNo;
    change.status = status;
    change.date = date;
    change.operatorNo = operatorNo;
    change.disLocation = plan.destination;
    change.lendFlag = circ.exists ? flag : QString();
    change.itemOperator = operatorNo;
    change.itemRow = circ.exists; // read in this transaction
    if (tx.updateCopy(change) < 0)
        return StepOutcome::Failed;
    if (!plan.batchNo.isEmpty() &&
        tx.execute(QStringLiteral(" INSERT INTO goto_detl(batch_no,prop_no,src_book_stat,dst_book_stat,deal_date,"
                                  "wkr_no,src_loca,deal_no) VALUES( ") +
                   QStringList{sqlQuote(plan.batchNo), sqlQuote(propNo), sqlQuote(copy.status), sqlQuote(status),
                               sqlQuote(date), sqlQuote(operatorNo), sqlQuote(from),
                               QStringLiteral("s_deal_log.nextval")}
                       .join(u',') +
                   u')') < 0)
        return StepOutcome::Failed;
    WriteTail tail;
    // A new status into or out of 41 changes the title's lendable count.
    if (status != copy.status && (status == QLatin1String("41") || copy.status == QLatin1String("41")))
        tail.lendableRecord = copy.marcRecNo;
    tail.jobCode = QStringLiteral("309");
    tail.logCode = QStringLiteral("30013");
    tail.marcRecNo = copy.marcRecNo;
    tail.propNo = propNo;
    tail.data1 = transferLogText(context.codes(), from, plan.destination, plan.docType);
    return tx.finish(tail) < 0 ? StepOutcome::Failed : StepOutcome::Done;
}

ScanReport transferCopies(AppContext &context, const TransferPlan &plan, const QStringList &propNos, QList<int> *moved)
{
    QList<int> order;
    order.reserve(propNos.size());
    for (int i = 0; i < propNos.size(); ++i)
        order.append(i);
    CopyRunner runner(context, CopyRunner::Policy{true, true, QStringLiteral("正在执行书刊调拨")});
    return runner.run(order, [&](ItemTransaction &tx, int i) {
        const StepOutcome outcome = transferStep(tx, plan, propNos.at(i));
        if (outcome == StepOutcome::Done && moved != nullptr)
            moved->append(i);
        return outcome;
    });
}

int transferCopy(AppContext &context, const TransferPlan &plan, const QString &propNo)
{
    CopyRunner runner(context, CopyRunner::Policy{true, true, QString()});
    const ScanReport report = runner.run({0}, [&](ItemTransaction &tx, int) { return transferStep(tx, plan, propNo); });
    if (report.failed)
        return -1;
    return report.done;
}

} // namespace kestra
