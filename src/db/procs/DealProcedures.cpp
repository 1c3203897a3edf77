// The suite procedures of the processing log (deal_log), the processing
// batches (deal_batch_lst), the arrived reservations (preg_arri_lst) and the
// location of an open loan (lend_lst).

#include "db/procs/ProcSupport.h"

namespace kestra::procs {

namespace {

// A log row is named by location, batch, processing type and copy.
constexpr Field kLogKey[] = {{0, "location"}, {1, "deal_batch_no"}, {2, "deal_type_code"}, {3, "prop_no"}};
constexpr Field kLogValues[] = {
    {4, "log_date"}, {5, "fee", ArgKind::Number, kMoneyLimit}, {6, "book_target"}, {7, "source_state"}, {8, "resp_wkr"},
    {9, "remark"},
};
constexpr Field kLogRow[] = {
    {0, "location"},    {1, "deal_batch_no"}, {2, "deal_type_code"},
    {3, "prop_no"},     {4, "log_date"},      {5, "fee", ArgKind::Number, kMoneyLimit},
    {6, "book_target"}, {7, "source_state"},  {8, "resp_wkr"},
    {9, "remark"},
};

// A batch is named by location, number and processing type; the number is
// unique within its type, which the key index serves.
constexpr Field kBatchKey[] = {{1, "deal_batch_no"}, {2, "deal_type_code"}, {0, "location"}};
constexpr Field kBatchValues[] = {
    {3, "deal_bgn_date"}, {4, "deal_end_date"}, {5, "deal_stat_flag"}, {6, "resp_wkr"}, {7, "remark"},
};
constexpr Field kBatchRow[] = {
    {0, "location"},      {1, "deal_batch_no"},  {2, "deal_type_code"}, {3, "deal_bgn_date"},
    {4, "deal_end_date"}, {5, "deal_stat_flag"}, {6, "resp_wkr"},       {7, "remark"},
};

constexpr Field kReservationKey[] = {{0, "prop_no"}};

// LT_deal_log(location, batch, type, prop_no, date, fee, target, source
// status, operator, remark): deal_no comes from s_deal_log, so lists sort
// newest first by it. The INSERT draws it itself: nothing waits for it.
bool ltDealLog(ProcHost &host, ProcArgs &args, DbError &error)
{
    return insertRow(host, args, "LT_deal_log", "deal_log", kLogRow, error,
                     {{QStringLiteral("deal_no"), host.nextValueSql(QStringLiteral("s_deal_log"))}});
}

bool ltUpdDealLog(ProcHost &host, ProcArgs &args, DbError &error)
{
    return updateRow(host, args, "LT_UPD_deal_log", "deal_log", kLogKey, kLogValues, error);
}

bool ltDelDealLog(ProcHost &host, ProcArgs &args, DbError &error)
{
    return deleteRows(host, args, "LT_DEL_deal_log", "deal_log", kLogKey, error);
}

bool ltDealBatchLst(ProcHost &host, ProcArgs &args, DbError &error)
{
    return insertRow(host, args, "LT_deal_batch_lst", "deal_batch_lst", kBatchRow, error);
}

// Reopening a batch passes flag "0" and an empty end date, which arrives as
// NULL and would keep the old end date: an open batch has none, so flag "0"
// without an end date clears it.
bool ltUpdDealBatchLst(ProcHost &host, ProcArgs &args, DbError &error)
{
    QStringList extra;
    if (args.isNull(4) && args.text(5) == QLatin1String("0"))
        extra.append(QStringLiteral("deal_end_date=NULL"));
    return updateRow(host, args, "LT_UPD_deal_batch_lst", "deal_batch_lst", kBatchKey, kBatchValues, error, extra);
}

// Reopening any batch drops its check-back batch, which only repair batches
// have, so a missing batch is no error.
bool ltDelDealBatchLst(ProcHost &host, ProcArgs &args, DbError &error)
{
    return deleteRows(host, args, "LT_DEL_deal_batch_lst", "deal_batch_lst", kBatchKey, error);
}

// LT_DEL_preg_arri_lst(prop_no): the forms call it for a copy whose lending
// flag says "arrived reservation"; the row may be gone already.
bool ltDelPregArriLst(ProcHost &host, ProcArgs &args, DbError &error)
{
    return deleteRows(host, args, "LT_DEL_preg_arri_lst", "preg_arri_lst", kReservationKey, error);
}

// LT_UPD_lend_lst_loca(prop_no, location): the open loan of a copy follows it
// to its new location. A transfer calls it when the copy's lending flag says
// "on loan"; a flag that outlived its loan leaves nothing to move, which is
// no error; so is a NULL location, which leaves the loan where it is.
bool ltUpdLendLstLoca(ProcHost &host, ProcArgs &args, DbError &error)
{
    if (args.isNull(0)) {
        static constexpr Field key[] = {{0, "prop_no"}};
        error = rowMissing("LT_UPD_lend_lst_loca", "lend_lst", key, args);
        return false;
    }
    if (args.isNull(1))
        return true;
    return host.exec(QStringLiteral("UPDATE lend_lst SET location_f=? WHERE prop_no=?"), {args.text(1), args.text(0)},
                     error);
}

} // namespace

const QList<ProcedureDef> &dealProcedures()
{
    static const QList<ProcedureDef> procedures = {
        {"LT_deal_log", 10, 10, &ltDealLog},
        {"LT_UPD_deal_log", 10, 10, &ltUpdDealLog},
        {"LT_DEL_deal_log", 4, 4, &ltDelDealLog},
        {"LT_deal_batch_lst", 8, 8, &ltDealBatchLst},
        {"LT_UPD_deal_batch_lst", 8, 8, &ltUpdDealBatchLst},
        {"LT_DEL_deal_batch_lst", 3, 3, &ltDelDealBatchLst},
        {"LT_DEL_preg_arri_lst", 1, 1, &ltDelPregArriLst},
        {"LT_UPD_lend_lst_loca", 2, 2, &ltUpdLendLstLoca},
    };
    return procedures;
}

} // namespace kestra::procs
