// The two circulation procedures the holdings client calls when it declares
// a reader's loans lost: the reader's card row and the reader row, each
// changed by position. Argument n is column n of its table, in the table's
// own order; NULL leaves a column alone.

#include "db/procs/ProcSupport.h"
#include "db/procs/Procedures.h"

namespace kestra {

namespace {

using procs::ArgKind;
using procs::Field;

// reader_cert: 7 cert_flag ('0' the card is no longer valid).
constexpr Field kCardKey[] = {{0, "redr_cert_id"}};
constexpr Field kCardFields[] = {
    {1, "cert_id"},
    {2, "cert_type"},
    {3, "issue_date"},
    {4, "valid_date"},
    {5, "deposit", ArgKind::Number, procs::kMoneyLimit},
    {6, "cert_flag"},
    {7, "oper_date"},
    {8, "resp_wkr"},
    {9, "remark"},
};

// reader: 25 redr_del_reason, 27 redr_del_day, 29 redr_flag ('0' the reader
// is deregistered).
constexpr Field kReaderKey[] = {{0, "cert_id"}};
constexpr Field kReaderFields[] = {
    {1, "name"},
    {2, "sex"},
    {3, "birthday"},
    {4, "id_card"},
    {5, "redr_type_code"},
    {6, "lend_grd"},
    {7, "dept"},
    {8, "r_dep_id"},
    {9, "occupation"},
    {10, "duty"},
    {11, "address"},
    {12, "postcode"},
    {13, "tele"},
    {14, "email"},
    {15, "reg_day"},
    {16, "valid_day"},
    {17, "deposit", ArgKind::Number, procs::kMoneyLimit},
    {18, "debt_amt", ArgKind::Number, procs::kMoneyLimit},
    {19, "volt_flag"},
    {20, "debt_flag"},
    {21, "code01"},
    {22, "code02"},
    {23, "code08"},
    {24, "redr_del_reason"},
    {25, "redr_del_wkr"},
    {26, "redr_del_day"},
    {27, "upt_day"},
    {28, "redr_flag"},
    {29, "resp_wkr"},
    {30, "remark"},
};

bool ltUpdReaderCert(ProcHost &host, ProcArgs &args, DbError &error)
{
    return procs::updateRow(host, args, "LT_UPD_reader_cert", "reader_cert", kCardKey, kCardFields, error);
}

bool ltUpdReaderNew(ProcHost &host, ProcArgs &args, DbError &error)
{
    return procs::updateRow(host, args, "LT_UPD_reader_new", "reader", kReaderKey, kReaderFields, error);
}

} // namespace

const QList<ProcedureDef> &readerProcedures()
{
    static const QList<ProcedureDef> procedures = {
        {"LT_UPD_reader_cert", 10, 10, &ltUpdReaderCert},
        {"LT_UPD_reader_new", 31, 31, &ltUpdReaderNew},
    };
    return procedures;
}

} // namespace kestra
