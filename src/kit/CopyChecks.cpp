#include "kit/CopyChecks.h"

#include "copies/ItemCodes.h"
#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/CopyColumns.h"

#include <array>

namespace kestra {

namespace copy_check {

namespace {

Verdict refuse(AppContext &context, const QString &message)
{
    context.showMsg(message);
    return Verdict::Refused;
}

Verdict failed(AppContext &context)
{
    context.db().showDbError();
    return Verdict::Failed;
}

} // namespace

Verdict inCollection(AppContext &context, const ItemRow &row, bool handedOverAllowed)
{
    if (item_status::beforeCollection(row.status, !handedOverAllowed))
        return refuse(context, QStringLiteral("EDC024"));
    return Verdict::Pass;
}

Verdict atLocation(AppContext &context, const ItemRow &row, const QString &location)
{
    if (location.isEmpty() || location == QLatin1String("All") || location == row.disLocation)
        return Verdict::Pass;
    return refuse(context, QStringLiteral("EDC002") + cell::location(context, row.disLocation));
}

Verdict notOnLoan(AppContext &context, const CirculationRow &circulation)
{
    if (circulation.lendFlag.trimmed() == QLatin1String("1"))
        return refuse(context, QStringLiteral("EDC003"));
    return Verdict::Pass;
}

Verdict statusAllowed(AppContext &context, const ItemRow &row, const QStringList &allowed)
{
    return allowed.contains(row.status) ? Verdict::Pass : refuse(context, QStringLiteral("EDC026"));
}

QString inBatchSql(const ItemRow &row, const QString &location, const QString &batchNo, const QString &type)
{
    return QStringLiteral(" SELECT prop_no from deal_log WHERE prop_no=") + sqlQuote(row.propNo) +
           QStringLiteral(" AND location=") + sqlQuote(location) + QStringLiteral(" AND deal_batch_no=") +
           sqlQuote(batchNo) + QStringLiteral(" AND deal_type_code=") + sqlQuote(type);
}

Verdict notInBatch(AppContext &context, const QueryResult &inBatch)
{
    return inBatch.rowCount() > 0 ? refuse(context, QStringLiteral("EDC004")) : Verdict::Pass;
}

Verdict notInBatch(AppContext &context, const ItemRow &row, const QString &location, const QString &batchNo,
                   const QString &type)
{
    QueryResult found;
    if (context.db().query(inBatchSql(row, location, batchNo, type), found) < 0)
        return failed(context);
    return notInBatch(context, found);
}

Verdict noOpenClaim(AppContext &context, const ItemRow &row)
{
    if (row.status != QLatin1String("39"))
        return Verdict::Pass;
    QueryResult claim;
    const QString sql = QStringLiteral(" SELECT reader.cert_id "
                                       " FROM   reader,lost_recoup_lst "
                                       " WHERE  reader.cert_id=lost_recoup_lst.cert_id "
                                       " AND    lost_recoup_lst.recoup_type='2' "
                                       " AND    reader.redr_flag<>'0' "
                                       " AND    lost_recoup_lst.prop_no=") +
                        sqlQuote(row.propNo);
    if (context.db().query(sql, claim) < 0)
        return failed(context);
    return claim.rowCount() > 0 ? refuse(context, QStringLiteral("EDC005")) : Verdict::Pass;
}

Verdict relocked(ItemTransaction::CopyLock lock, const std::function<Verdict()> &checks)
{
    switch (lock) {
    case ItemTransaction::CopyLock::Same:
        return Verdict::Pass;
    case ItemTransaction::CopyLock::Changed:
        return checks ? checks() : Verdict::Pass;
    case ItemTransaction::CopyLock::Gone:
    case ItemTransaction::CopyLock::Busy:
        return Verdict::Refused;
    case ItemTransaction::CopyLock::Failed:
        break;
    }
    return Verdict::Failed;
}

} // namespace copy_check

namespace take_back {

namespace {

Result fail(ItemTransaction &tx)
{
    tx.fail();
    return Result::Failed;
}

// The newest processing row of the copy that the condition selects:
// location, batch, type, accession number, source state.
int newestRow(ItemTransaction &tx, const QString &condition, QueryResult &found)
{
    const QString sql = QStringLiteral(" SELECT deal_log.location ,deal_log.deal_batch_no ,deal_log.deal_type_code ,"
                                       "deal_log.prop_no ,deal_log.source_state FROM deal_log ") +
                        condition + QStringLiteral(" ORDER BY deal_log.deal_no DESC");
    return tx.db().query(sql, found);
}

Result removeNewest(ItemTransaction &tx, const QueryResult &found, QString *sourceState)
{
    if (sourceState != nullptr)
        *sourceState = found.text(0, 4);
    if (tx.deleteDealLog(found.text(0, 0), found.text(0, 1), found.text(0, 2), found.text(0, 3)) < 0)
        return Result::Failed;
    return Result::Go;
}

} // namespace

Result found(ItemTransaction &tx, ItemRow &row, const NormStatChooser &choose)
{
    QString question;
    if (row.status == QLatin1String("38"))
        question = QStringLiteral("QDC015");
    else if (row.status == QLatin1String("3B"))
        question = QStringLiteral("QDC016");
    else
        return Result::Go;
    if (!tx.confirm(question))
        return Result::Declined;
    const std::optional<QString> chosen = choose ? choose(tx, row.propNo) : std::nullopt;
    if (!chosen) {
        // A failed write has rolled back and shown its error already.
        if (!tx.isOpen())
            return Result::Failed;
        tx.cancel();
        return Result::Declined;
    }
    row.status = *chosen;
    return Result::Go;
}

Result arrivedReservation(ItemTransaction &tx, const ItemRow &row, QString &lendFlag)
{
    if (lendFlag.trimmed() != QLatin1String("2"))
        return Result::Go;
    QueryResult arrived;
    const QString sql = QStringLiteral(" SELECT preg_arri_lst.NOTI_SEND_DATE "
                                       " FROM   preg_arri_lst "
                                       " WHERE  preg_arri_lst.prop_no =  ") +
                        sqlQuote(row.propNo) + QStringLiteral(" AND  preg_arri_lst.location_f = ") +
                        sqlQuote(row.disLocation);
    if (tx.db().query(sql, arrived) < 0)
        return fail(tx);
    if (arrived.rowCount() == 0)
        return Result::Go;
    const bool notified = !arrived.text(0, 0).trimmed().isEmpty();
    if (!tx.confirm(QStringLiteral("QDC001") + (notified ? QStringLiteral("已") : QStringLiteral("未"))))
        return Result::Declined;
    if (tx.dropArrivedReservation(row.propNo) < 0)
        return Result::Failed;
    lendFlag = QStringLiteral("0");
    return Result::Go;
}

Result outOfCollection(ItemTransaction &tx, const ItemRow &row, bool requireRow, QString *sourceState)
{
    static const std::array<std::array<QLatin1String, 3>, 3> kinds = {{
        {QLatin1String("35"), QLatin1String("QDC002"), deal_type::Weeding},
        {QLatin1String("37"), QLatin1String("QDC006"), deal_type::Exchange},
        {QLatin1String("36"), QLatin1String("QDC005"), deal_type::Gift},
    }};
    for (const auto &[status, question, type] : kinds) {
        if (row.status != status)
            continue;
        if (!tx.confirm(QString(question)))
            return Result::Declined;
        QueryResult found;
        if (newestRow(tx,
                      QStringLiteral(" WHERE deal_log.deal_type_code = ") + sqlQuote(QString(type)) +
                          QStringLiteral(" AND deal_log.prop_no = ") + sqlQuote(row.propNo),
                      found) < 0)
            return fail(tx);
        if (found.rowCount() == 0) {
            if (!requireRow)
                return Result::Go;
            tx.cancel();
            tx.context().showMsg(QStringLiteral("EDC011"));
            return Result::Refused;
        }
        return removeNewest(tx, found, sourceState);
    }
    return Result::Go;
}

Result repairRow(ItemTransaction &tx, const ItemRow &row, const QString &location, QString *sourceState)
{
    if (row.status != QLatin1String("33"))
        return Result::Go;
    QueryResult found;
    if (newestRow(tx,
                  QStringLiteral(" WHERE deal_log.prop_no=") + sqlQuote(row.propNo) +
                      QStringLiteral(" AND deal_log.deal_type_code IN ('01','02') AND deal_log.location=") +
                      sqlQuote(location),
                  found) < 0)
        return fail(tx);
    if (found.rowCount() == 0)
        return Result::Go;
    if (!tx.confirm(QStringLiteral("QDC007")))
        return Result::Declined;
    return removeNewest(tx, found, sourceState);
}

} // namespace take_back

} // namespace kestra
