#pragma once

#include "copies/ItemRecord.h"
#include "core/Session.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace kestra {

class AppContext;

// The two copy procedures of one change: update00_indi_acct and, when the
// copy has a circulation row, update01_item. Empty members pass NULL, which
// leaves their column unchanged.
struct CopyChange {
    QString propNo;
    QString status;       // indi_acct 15, item 7
    QString date;         // indi_acct 16, item 17: the server date
    QString operatorNo;   // indi_acct 19 (transfer and status change only)
    QString disLocation;  // indi_acct 22, item 4 (transfer)
    QString lendFlag;     // item 8, as read when the copy was entered
    QString itemOperator; // item 22
    // Whether the copy has a circulation row, when the caller read it
    // inside the transaction: the count that decides otherwise is then not
    // made (inside a queued transaction it costs a round trip of its own).
    std::optional<bool> itemRow;
};

// One row of the processing log (LT_deal_log).
struct DealLogRow {
    QString location;
    QString batchNo;
    QString type;
    QString propNo;
    QString date;
    double fee = 0;
    QString target;
    QString sourceState;
    QString operatorNo;
    QString remark;
};

// What closes every change of a copy: the title's lendable recount, the
// operator's workload and the operation-log line. An empty record, job or
// log code skips that step.
struct WriteTail {
    QString lendableRecord;
    QString jobCode;
    double titles = 1;
    double copies = 1;
    double amount = 0;
    QString logCode;
    QString marcRecNo;
    QString propNo;
    QString data1;
    QString data2;
    QString data3;
};

// The tail of a change of a copy's status: the lendable recount and the
// operation-log line 30019 with the old and new status names. The caller
// adds the workload it counts (none when the work is another operation's).
WriteTail statusChangeTail(const ItemRow &row, const QString &newStatus);

// One business operation on copies as one transaction, its writes queued
// and sent with the commit or the next read (Session::beginQueuedTrans).
// Begins when built and rolls back when it goes out of scope uncommitted.
// A write that fails, at once or when the queue reaches the server (the
// next read, the commit), rolls back and shows the database error, so a
// caller only returns on -1. A "no" to a question on the way rolls back too.
class ItemTransaction {
public:
    explicit ItemTransaction(AppContext &context);
    ItemTransaction(const ItemTransaction &) = delete;
    ItemTransaction &operator=(const ItemTransaction &) = delete;

    AppContext &context() { return context_; }
    Session &db();
    // Neither committed nor rolled back yet.
    bool isOpen() const { return !tx_.done(); }

    // Asks a question; true on OK, otherwise rolls back and gives false.
    bool confirm(const QString &message);
    // Rolls back now, quietly.
    void cancel();
    // Rolls back and shows the error of the failed call; always -1.
    int fail();

    // The server date "yyyy-mm-dd", read once per transaction; -1 (rolled
    // back, shown) when it cannot be read.
    int serverDate(QString &date);

    // What lockCopy found.
    enum class CopyLock {
        Same,    // as the operator saw it
        Changed, // status, location or lend flag changed since: check it again
        Gone,    // deleted since; rolled back, EDC001 shown
        Busy,    // held by another operator past the lock wait; rolled back, the lock message shown
        Failed,  // rolled back, the database error shown
    };
    // Locks the copy and its circulation row until the transaction ends and
    // reads both again: the first thing a step does in its transaction, so
    // that its checks, its questions and the old status it logs are those of
    // the copy as it is written, never of what the operator saw before
    // (another operator may have changed it since). `row` (and
    // `circulation`, when given) come in as seen and go out as read now.
    // Another operator's open transaction on the copy is waited for as long
    // as the session's lock timeout, then Busy.
    CopyLock lockCopy(ItemRow &row, CirculationRow *circulation = nullptr);
    // The same, with selects of the step's own that need the lock (whether
    // the copy is in the batch already) answered in the same round trip,
    // in `answers` in their order.
    CopyLock lockCopy(ItemRow &row, CirculationRow *circulation, const QStringList &along, QList<QueryResult> &answers);
    // The last failure was this copy's refusal, not the run's: the copy is
    // already in the batch another operator just entered it into (the
    // processing log's unique key); rolled back with the copy's message.
    bool refused() const { return refused_; }

    // Any other statement or procedure of the operation.
    int execute(const QString &sql);
    int callProc(const QString &call);

    int writeDealLog(const DealLogRow &row);
    int deleteDealLog(const QString &location, const QString &batchNo, const QString &type, const QString &propNo);
    int dropArrivedReservation(const QString &propNo);
    // update00_indi_acct, the item count, and update01_item when it says so.
    int updateCopy(const CopyChange &change);
    // The lendable recount, workload and operation log, then the commit.
    int finish(const WriteTail &tail);
    // After the commit the change notice names the copies updateCopy wrote
    // and those given here (none named: a set-based change).
    int commit();
    void touched(const QString &propNo) { touched_.append(propNo); }

private:
    // Shows a failure of the transaction, already ended: a batch key taken
    // meanwhile as the copy's refusal (EDC004), anything else as the
    // database error. Always -1.
    int report(const ErrorRecord &error);
    void forgetLockedItem(const QString &sql);
    AppContext &context_;
    Transaction tx_;
    CopyLock lockFailed();

    QString serverDate_;
    QStringList touched_;
    bool refused_ = false;
    // The copy lockCopy read, and whether it has a circulation row: a change
    // of that copy needs no count of its item rows (a round trip of its own
    // inside a queued transaction).
    QString lockedPropNo_;
    bool lockedHasItem_ = false;
};

// The argument list of a positional procedure: count NULLs with the given
// positions (1-based) quoted.
QString positionalArgs(int count, const QList<std::pair<int, QString>> &given);

} // namespace kestra
