// The suite procedures of the core: the server clock, the copy counters of
// a title, the operation log and the workload counters.

#include "db/OraError.h"
#include "db/procs/Procedures.h"

namespace kestra {

namespace {

// SYS_GetServerDate(:out): "yyyy-mm-ddhh:mm:ss".
bool sysGetServerDate(ProcHost &host, ProcArgs &args, DbError &error)
{
    const QString now = host.serverNow();
    if (now.size() != 19) {
        error = ora::make(ora::UserDefined, QStringLiteral("the server clock could not be read"));
        return false;
    }
    args.setOutput(0, QString(now.left(10) + now.mid(11)));
    return true;
}

// update_copies(marc_rec_no): the number of the title's copies.
bool updateCopies(ProcHost &host, ProcArgs &args, DbError &error)
{
    return host.exec(QStringLiteral("UPDATE marc SET copies=(SELECT COUNT(*) FROM indi_acct WHERE marc_rec_no=?) "
                                    "WHERE marc_rec_no=?"),
                     {args.text(0), args.text(0)}, error);
}

// update_lendable_copies(marc_rec_no): the number of its copies in status 41.
bool updateLendableCopies(ProcHost &host, ProcArgs &args, DbError &error)
{
    return host.exec(QStringLiteral("UPDATE marc SET lendable_copies=(SELECT COUNT(*) FROM indi_acct "
                                    "WHERE marc_rec_no=? AND book_stat_code='41') WHERE marc_rec_no=?"),
                     {args.text(0), args.text(0)}, error);
}

// xt_log_detl(log_type, wkr_no, computer, location_name, marc_rec_no, prop_no,
//             data1, data2, data3, cert_id [, unused]): one operation-log row
// stamped with the server's date and time, both taken from one reading of
// the clock inside the statement.
bool xtLogDetl(ProcHost &host, ProcArgs &args, DbError &error)
{
    return host.exec(QStringLiteral("WITH kestra_clock AS (SELECT %1 AS t) "
                                    "INSERT INTO log_detl(log_type,log_date,log_time,wkr_no,computer,location_name,"
                                    "marc_rec_no,prop_no,data1,data2,data3,cert_id) "
                                    "VALUES(?,(SELECT substr(t,1,10) FROM kestra_clock),"
                                    "(SELECT substr(t,12,8) FROM kestra_clock),?,?,?,?,?,?,?,?,?)")
                         .arg(host.clockSql()),
                     {args.text(0), args.text(1), args.text(2), args.text(3), args.text(4), args.text(5), args.text(6),
                      args.text(7), args.text(8), args.text(9)},
                     error);
}

// XT_wkr_job_qty(job_type, wkr_no, titles, copies, amount): adds to the
// operator's counters of the server's day, in one statement on the
// counters' key (two workstations of one operator cannot both insert).
bool xtWkrJobQty(ProcHost &host, ProcArgs &args, DbError &error)
{
    return host.exec(QStringLiteral("INSERT INTO wkr_job_qty(wkr_no_f,job_type,oper_date,kind,volume,amount) "
                                    "VALUES(?,?,substr(%1,1,10),?,?,?) "
                                    "ON CONFLICT(wkr_no_f,job_type,oper_date) DO UPDATE SET "
                                    "kind=wkr_job_qty.kind+excluded.kind, volume=wkr_job_qty.volume+excluded.volume, "
                                    "amount=wkr_job_qty.amount+excluded.amount")
                         .arg(host.clockSql()),
                     {args.text(1), args.text(0), args.number(2), args.number(3), args.number(4)}, error);
}

} // namespace

const QList<ProcedureDef> &coreProcedures()
{
    static const QList<ProcedureDef> procedures = {
        {"SYS_GetServerDate", 1, 1, &sysGetServerDate},
        {"update_copies", 1, 1, &updateCopies},
        {"update_lendable_copies", 1, 1, &updateLendableCopies},
        {"xt_log_detl", 10, 11, &xtLogDetl},
        {"XT_wkr_job_qty", 5, 5, &xtWkrJobQty},
    };
    return procedures;
}

} // namespace kestra
