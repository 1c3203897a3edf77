// The suite procedures that change copies, circulation rows, the processing
// log and processing batches. The copy procedures live here; the log, batch
// and reservation ones in DealProcedures.cpp. docs/procedures.md has the
// position tables.

#include "db/procs/ProcSupport.h"
#include "db/procs/Procedures.h"

namespace kestra {

namespace {

using procs::ArgKind;
using procs::Field;

// update00_indi_acct / update10_indi_acct: argument n is column n of
// indi_acct, in the table's own order, so the positions the forms fill (13
// bar code, 14 intake date, 15 status, 16 status date, 19 operator, 22
// holdings location) fall where the forms put them.
constexpr Field kCopyKey[] = {{0, "prop_no"}};
constexpr Field kCopyFields[] = {
    {1, "marc_rec_no"},
    {2, "chk_batch_no"},
    {3, "move_batch"},
    {4, "price", ArgKind::Number, procs::kMoneyLimit},
    {5, "real_price", ArgKind::Number, procs::kMoneyLimit},
    {6, "location"},
    {7, "fund_src_code"},
    {8, "bala_flag"},
    {9, "call_no"},
    {10, "remark"},
    {11, "carrier_code"},
    {12, "bar_code"},
    {13, "in_date"},
    {14, "book_stat_code"},
    {15, "rec_flag_upt_date"},
    {16, "get_mode_code"},
    {17, "vol_peri"},
    {18, "resp_wkr"},
    {19, "year"},
    {20, "attachment"},
    {21, "dis_location"},
};

// update01_item / insert_item: argument n is column n of item, again in the
// table's order (4 location, 7 status, 8 lending flag, 17 status date, 22
// operator).
constexpr Field kItemKey[] = {{0, "prop_no"}};
constexpr Field kItemFields[] = {
    {1, "marc_rec_no"},
    {2, "call_no"},
    {3, "location"},
    {4, "bar_code"},
    {5, "carrier_code"},
    {6, "book_stat_code"},
    {7, "book_lend_flag"},
    {8, "year"},
    {9, "vol_peri"},
    {10, "price", ArgKind::Number, procs::kMoneyLimit},
    {11, "attachment"},
    {12, "in_date"},
    {13, "year_circ_times", ArgKind::Number},
    {14, "total_circ_times", ArgKind::Number},
    {15, "fst_use_date"},
    {16, "rec_flag_upt_date"},
    {17, "last_use_date"},
    {18, "reg_day"},
    {19, "lend_grd"},
    {20, "remark"},
    {21, "resp_wkr"},
};

bool update00IndiAcct(ProcHost &host, ProcArgs &args, DbError &error)
{
    return procs::updateRow(host, args, "update00_indi_acct", "indi_acct", kCopyKey, kCopyFields, error);
}

// The assignment forms' name for the same change.
bool update10IndiAcct(ProcHost &host, ProcArgs &args, DbError &error)
{
    return procs::updateRow(host, args, "update10_indi_acct", "indi_acct", kCopyKey, kCopyFields, error);
}

bool update01Item(ProcHost &host, ProcArgs &args, DbError &error)
{
    return procs::updateRow(host, args, "update01_item", "item", kItemKey, kItemFields, error);
}

bool insertItem(ProcHost &host, ProcArgs &args, DbError &error)
{
    return procs::insertRow(host, args, "insert_item", "item", kItemKey, kItemFields, error);
}

// delete01_item(prop_no): saving a title calls it for every copy not
// released to circulation, whether or not it has a row; a loan or an arrived
// reservation on the row stops it (ORA-02292 from the database).
bool delete01Item(ProcHost &host, ProcArgs &args, DbError &error)
{
    return procs::deleteRows(host, args, "delete01_item", "item", kItemKey, error);
}

// update02_transfer_doc(marc_rec_no, move_batch, store_flag, store_wkr):
// every acceptance row of the title in the batch. A copy found by a search
// may belong to no handover batch at all, so no matching row is no error.
bool update02TransferDoc(ProcHost &host, ProcArgs &args, DbError &error)
{
    static constexpr Field fields[] = {{2, "store_flag"}, {3, "store_wkr"}};
    QString set;
    QVariantList params;
    for (const Field &field : fields) {
        if (args.isNull(field.position))
            continue;
        if (!set.isEmpty())
            set += u',';
        set += QLatin1String(field.column) + QLatin1String("=?");
        params.append(args.text(field.position));
    }
    if (set.isEmpty() || args.isNull(0) || args.isNull(1))
        return true;
    params.append(args.text(0));
    params.append(args.text(1));
    return host.exec(QStringLiteral("UPDATE transfer_doc SET %1 WHERE marc_rec_no=? AND move_batch=?").arg(set), params,
                     error);
}

} // namespace

const QList<ProcedureDef> &itemProcedures()
{
    static const QList<ProcedureDef> procedures = [] {
        QList<ProcedureDef> list = {
            {"update00_indi_acct", 22, 22, &update00IndiAcct},
            {"update10_indi_acct", 22, 22, &update10IndiAcct},
            {"update01_item", 22, 22, &update01Item},
            {"insert_item", 22, 22, &insertItem},
            {"delete01_item", 1, 1, &delete01Item},
            {"update02_transfer_doc", 4, 4, &update02TransferDoc},
        };
        list.append(procs::dealProcedures());
        list.append(procs::countProcedures());
        return list;
    }();
    return procedures;
}

} // namespace kestra
