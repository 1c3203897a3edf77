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
// stamped with the server's date and time.
bool xtLogDetl(ProcHost &host, ProcArgs &args, DbError &error)
{
    const QString now = host.serverNow();
    return host.exec(QStringLiteral("INSERT INTO log_detl(log_type,log_date,log_time,wkr_no,computer,location_name,"
                                    "marc_rec_no,prop_no,data1,data2,data3,cert_id) "
                                    "VALUES(?,?,?,?,?,?,?,?,?,?,?,?)"),
                     {args.text(0), now.left(10), now.mid(11), args.text(1), args.text(2), args.text(3), args.text(4),
                      args.text(5), args.text(6), args.text(7), args.text(8), args.text(9)},
                     error);
}

// XT_wkr_job_qty(job_type, wkr_no, titles, copies, amount): adds to the
// operator's counters of the server's day. Two sessions of the operator may
// both find no row for the day, each before the other commits: the insert
// then gives way to the other's row (waiting for its commit on PostgreSQL)
// and the addition goes to that row, instead of failing on the key.
bool xtWkrJobQty(ProcHost &host, ProcArgs &args, DbError &error)
{
    const QString day = host.serverNow().left(10);
    const QVariantList key = {args.text(1), args.text(0), day};
    const auto add = [&](qint64 &changed) {
        return host.exec(QStringLiteral("UPDATE wkr_job_qty SET kind=kind+?, volume=volume+?, amount=amount+? "
                                        "WHERE wkr_no_f=? AND job_type=? AND oper_date=?"),
                         {args.number(2), args.number(3), args.number(4), key.at(0), key.at(1), key.at(2)}, error,
                         &changed);
    };
    qint64 changed = 0;
    if (!add(changed))
        return false;
    if (changed > 0)
        return true;
    if (!host.exec(QStringLiteral("INSERT INTO wkr_job_qty(wkr_no_f,job_type,oper_date,kind,volume,amount) "
                                  "VALUES(?,?,?,?,?,?) ON CONFLICT DO NOTHING"),
                   {key.at(0), key.at(1), key.at(2), args.number(2), args.number(3), args.number(4)}, error, &changed))
        return false;
    return changed > 0 || add(changed);
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
