#include "inventory/BookCount.h"

#include "inventory/CountImportGroup.h"

#include "copies/ChangeNotice.h"
#include "core/AppContext.h"
#include "core/InstallFolders.h"
#include "core/MessageKind.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "kit/CodeFile.h"
#include "kit/CodeImport.h"
#include "kit/CopyColumns.h"
#include "kit/MessageCollector.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace kestra {

namespace {

// The statuses a copy out of the collection has (repair, weeding, lost ...):
// it cannot be on the shelf being counted.
bool countAbnormalStatus(const QString &status)
{
    static const QStringList abnormal = {
        QStringLiteral("33"), QStringLiteral("34"), QStringLiteral("35"), QStringLiteral("36"), QStringLiteral("37"),
        QStringLiteral("38"), QStringLiteral("39"), QStringLiteral("3A"), QStringLiteral("3B"),
    };
    return abnormal.contains(status);
}

QList<Column<CountedCopy>> countedColumns(AppContext &context)
{
    QList<Column<CountedCopy>> list = columnsOf(copyColumns(context, lookupFields()), &CountedCopy::row);
    list.append({QStringLiteral("排架号"), [](const CountedCopy &c) { return c.shelfNo; }});
    return list;
}

} // namespace

QString countFinishFlagSql(const QString &batch)
{
    return QStringLiteral("SELECT finish_flag FROM count_data WHERE count_batch_no=") + sqlQuote(batch);
}

QString CountProgress::text() const
{
    return QStringLiteral("应清点%1册，已清点%2册").arg(expected).arg(scanned);
}

BookCount::BookCount(AppContext &context, const BarcodeSettings &barcode)
    : context_(context), entry_(context, barcode), rows_(countedColumns(context), true), titleCopies_(context),
      journal_(context.folders().folder(InstallFolders::Tmp))
{
    // The batch's location decides, with its own message, not the
    // operator's location list.
    entry_.setCheckRights(false);
    // The scan's own reads go with the lookup; a lookup that finds the
    // session lost is the scan's to deal with (made again, or the journal).
    entry_.setAlong([this](const QString &code, InputType type) { return scanReads(code, type); });
    entry_.setShowFailure(false);
}

BookCount::~BookCount() = default;

int BookCount::chooseBatch(const QString &number)
{
    // A session the server dropped while the window waited is made again
    // quietly: the scans that wait for it are about to be written.
    reachable();
    CountBatch b;
    const int r = count_batch::take(context_, number, b);
    if (r == 0) {
        batch_ = b;
        expected_ = -1;
        journal_.open(b.number);
    }
    return r;
}

QString BookCount::batchTitle() const
{
    if (batch_.isEmpty())
        return {};
    QString t = context_.locationName(batch_.location);
    if (batch_.byClass())
        t += QStringLiteral("  按类别: ") + batch_.classes;
    return t;
}

BookCount::Outcome BookCount::refuse(Problem problem, const QString &message)
{
    problem_ = problem;
    context_.showMsg(message);
    return Outcome::Refused;
}

BookCount::Outcome BookCount::refuseCounted()
{
    return refuse(Problem::Counted, QStringLiteral("E该书已经在清点库中"));
}

ScanReport BookCount::enter(const QString &text)
{
    if (text.trimmed().isEmpty())
        return {};
    return scanOne(entry_.normalise(text), entry_.inputType(), [&] { return entry_.enter(text); });
}

ScanReport BookCount::enterCode(const QString &code, InputType type)
{
    return scanOne(code, type, [&] { return entry_.lookup(code, type); });
}

ScanReport BookCount::scanOne(const QString &code, InputType type, const std::function<Entry()> &lookup)
{
    if (batch_.isEmpty() || batch_.finished()) {
        problem_ = Problem::Closed;
        context_.showMsg(batch_.isEmpty() ? QStringLiteral("E请先选择清点批次。") : QStringLiteral("EDC013"));
        return ScanReport::of(StepOutcome::Refused);
    }
    current_ = {code, type, shelfNo_, modifyShelf_};
    // In an import's group the import keeps what the group could not write.
    const bool keeping = !replaying_ && !group_;
    if (keeping && !journal_.isEmpty()) {
        // Scans are waiting: the server must answer before they are written.
        if (!reachable())
            return keep(code, type);
        replayJournal();
    }
    // The lookup is the scan's test of the session: no round trip of its own
    // goes before it. A session the server dropped since the last scan is
    // made again and the code looked up once more; a server still away
    // keeps the scan in the journal.
    Entry found = lookup();
    if (keeping && found.status == Entry::Status::Failed && isLostSession(context_.errors().oraCode)) {
        const ErrorRecord lost = context_.errors();
        if (reconnect())
            found = lookup();
        else
            context_.errors() = lost; // still away: the scan waits in the journal
    }
    const Outcome outcome = check(found);
    if (outcome == Outcome::Failed && keeping && isLostSession(context_.errors().oraCode))
        return keep(code, type);
    return scanReportOf(outcome, Outcome::Recorded);
}

// A session that answers, or one made again; a transaction still open
// (another operation's) is not broken into.
bool BookCount::reachable()
{
    return context_.db().keepAlive() >= 0 || reconnect();
}

bool BookCount::reconnect()
{
    Session &db = context_.db();
    return !db.inTransaction() && db.connect() >= 0;
}

// The reads of a single scan that go with its lookup, keyed by the code:
// the copy's shelf, its lend flag and whether the batch has it already;
// the batch's state and the server's date. An import's group reads the
// shelf itself (bound, prepared for the next code) and the batch once.
QStringList BookCount::scanReads(const QString &code, InputType type) const
{
    if (group_ || batch_.isEmpty())
        return {};
    const QString batch = sqlQuote(batch_.number);
    return {
        QStringLiteral("SELECT a.prop_no,a.shelf_no,(SELECT i.book_lend_flag FROM item i WHERE i.prop_no=a.prop_no),"
                       "(SELECT COUNT(*) FROM wait_count_lst w WHERE w.prop_no=a.prop_no AND w.count_batch_no=") +
            batch + QStringLiteral(") FROM indi_acct a WHERE ") +
            (type == InputType::Barcode ? QStringLiteral("a.bar_code=") : QStringLiteral("a.prop_no=")) +
            sqlQuote(code),
        QStringLiteral("SELECT finish_flag,TO_CHAR(SYSDATE,'YYYY-MM-DD') FROM count_data WHERE count_batch_no=") +
            batch,
    };
}

ScanReport BookCount::keep(const QString &code, InputType type)
{
    problem_ = Problem::Kept;
    const bool saved = journal_.append({code, type, shelfNo_, modifyShelf_});
    context_.showMsg(QStringLiteral("E数据库连接中断，该书已暂存，连接恢复后写入（暂存%1册）。").arg(journal_.size()) +
                     (saved ? QString() : QStringLiteral("\n暂存文件无法写入：") + journal_.path()));
    return ScanReport::of(StepOutcome::Refused);
}

// A failed call: a lost session is the caller's to keep the scan for, and
// is not shown (the reconnection question would stop the scanning); any
// other failure is shown.
BookCount::Outcome BookCount::failed()
{
    if (!isLostSession(context_.errors().oraCode))
        context_.db().showDbError();
    return Outcome::Failed;
}

ScanReport BookCount::replayJournal()
{
    ScanReport report;
    if (journal_.isEmpty() || batch_.isEmpty() || replaying_)
        return report;
    const QString shelf = shelfNo_;
    const bool modify = modifyShelf_;
    replaying_ = true;
    int written = 0;
    {
        MessageCollector collected(context_);
        const QList<JournalScan> scans = journal_.scans();
        for (const JournalScan &scan : scans) {
            shelfNo_ = scan.shelfNo;
            modifyShelf_ = scan.modifyShelf;
            collected.clear();
            const ScanReport one = scanOne(scan.code, scan.type, [&] { return entry_.lookup(scan.code, scan.type); });
            if (one.failed && isLostSession(context_.errors().oraCode))
                break; // still away: this one and the rest wait
            ++written;
            report.add(one.outcome());
            if (one.outcome() != StepOutcome::Done)
                report.reasons.append(scan.code + QStringLiteral("：") +
                                      (collected.last().isEmpty() ? QStringLiteral("未处理") : collected.last()));
        }
    }
    replaying_ = false;
    shelfNo_ = shelf;
    modifyShelf_ = modify;
    journal_.dropFirst(written);
    if (written > 0) {
        QString text = QStringLiteral("I已写入暂存的%1条扫描，清点到%2册。").arg(written).arg(report.done);
        for (const QString &reason : std::as_const(report.reasons))
            text += u'\n' + reason;
        context_.showMsg(text);
    }
    return report;
}

ScanReport BookCount::searchAndEnter(const CopyPicker &search)
{
    if (!search)
        return {};
    const std::optional<QString> propNo = search(batch_.isEmpty() ? QStringLiteral("All") : batch_.location);
    if (!propNo || propNo->isEmpty())
        return {};
    return enterCode(*propNo, InputType::Accession);
}

// What a scan's checks and its record read of the copy and the batch.
struct BookCount::ScanFacts {
    QString shelfNo;
    QString lendFlag;
    // Read with the lookup (a single scan); an import's group reads these
    // in its own transaction.
    bool alongLookup = false;
    bool counted = false;
    bool batchOpen = false;
    QString date;
};

BookCount::Outcome BookCount::check(const Entry &e)
{
    problem_ = Problem::None;
    problemDetail_.clear();
    if (e.status == Entry::Status::Failed)
        return failed();
    if (e.status == Entry::Status::Empty)
        return Outcome::Empty;
    if (!e.found()) {
        problem_ = Problem::NoCopy; // the entry has said so
        return Outcome::Refused;
    }
    const ItemRow &row = e.row;
    ScanFacts facts;
    if (e.along.size() == 2) {
        // A barcode given to two copies finds both.
        const QueryResult &copy = e.along.at(0);
        for (int i = 0; i < copy.rowCount(); ++i) {
            if (copy.text(i, 0) == row.propNo) {
                facts.shelfNo = copy.text(i, 1);
                facts.lendFlag = copy.text(i, 2);
                facts.counted = copy.text(i, 3).toInt() > 0;
            }
        }
        const QueryResult &batch = e.along.at(1);
        facts.alongLookup = true;
        facts.batchOpen = batch.rowCount() > 0 && batch.text(0, 0) == QLatin1String("0");
        facts.date = batch.text(0, 1);
    } else {
        // The shelf and the circulation row's lend flag, bound: the import
        // sends this for every code.
        QueryResult shelf;
        if (context_.db().queryBound(QStringLiteral("SELECT a.shelf_no,(SELECT i.book_lend_flag FROM item i WHERE "
                                                    "i.prop_no=a.prop_no) FROM indi_acct a WHERE a.prop_no=?"),
                                     {row.propNo}, shelf) < 0)
            return failed();
        facts.shelfNo = shelf.text(0, 0);
        facts.lendFlag = shelf.text(0, 1);
    }
    if (facts.lendFlag == QLatin1String("1"))
        return refuse(Problem::OnLoan, QStringLiteral("E该书是外借书刊，请还书处理！"));
    if (countAbnormalStatus(row.status))
        return refuse(Problem::Abnormal, QStringLiteral("E该书处于书刊异常状态，请在书刊特别状态处理模块中处理！"));
    if (row.disLocation != batch_.location)
        return refuse(Problem::OtherLocation,
                      QStringLiteral("E该书不属于本馆藏地书刊，馆藏地为") + context_.locationName(row.disLocation));
    if (!batch_.takesCallNo(row.callNo))
        return refuse(Problem::OtherClass, QStringLiteral("E该书不属于本馆藏地的本类书刊"));
    const bool correct = !shelfNo_.isEmpty() && shelfNo_ != facts.shelfNo;
    if (correct && !modifyShelf_) {
        problemDetail_ = QStringLiteral("|应在架位") + facts.shelfNo + QStringLiteral("|本架位") + shelfNo_;
        return refuse(Problem::OtherShelf, QStringLiteral("E该书不属于本架位,应在架位 ") + facts.shelfNo);
    }
    if (facts.alongLookup)
        return record(row, facts, correct);
    // The group's savepoint holds the code's correction with its record.
    if (correct && correctShelf(row, facts.shelfNo) < 0)
        return failed();
    return recordInGroup(row, correct ? shelfNo_ : facts.shelfNo);
}

// The correction's statements in the transaction open: the new shelf with
// the operator and the server's clock, read in the statement, and the
// operation log "30017".
int BookCount::correctShelf(const ItemRow &row, const QString &oldShelf)
{
    Session &db = context_.db();
    const QString &op = context_.session().operatorNo;
    const QString stamp = QStringLiteral("TO_CHAR(SYSDATE,'YYYY-MM-DD HH24:MI:SS')");
    if (db.execute(QStringLiteral(" UPDATE indi_acct SET shelf_no=") + sqlQuote(shelfNo_) +
                   QStringLiteral(" ,resp_wkr=") + sqlQuote(op) + QStringLiteral(" ,rec_flag_upt_date=") + stamp +
                   QStringLiteral(" WHERE prop_no=") + sqlQuote(row.propNo)) < 0 ||
        db.execute(QStringLiteral(" UPDATE item SET resp_wkr=") + sqlQuote(op) +
                   QStringLiteral(" ,rec_flag_upt_date=") + stamp + QStringLiteral(" WHERE prop_no=") +
                   sqlQuote(row.propNo)) < 0 ||
        logOperation(context_, QStringLiteral("30017"), row.marcRecNo, row.propNo,
                     QStringLiteral("修改排架号: ") + oldShelf + QStringLiteral(" -> ") + shelfNo_) < 0)
        return -1;
    Q_EMIT ChangeNotice::of(context_).copiesChanged({row.propNo});
    return 0;
}

// One transaction with its writes queued: on PostgreSQL BEGIN, the shelf
// correction when asked, the record with the workload and COMMIT go out
// together, in one round trip, and a failure anywhere saves nothing of the
// copy. -1 rolled back, the error in the record.
int BookCount::writeScan(const ItemRow &row, const QString &oldShelf, bool correct, bool recordIt, const QString &date)
{
    Session &db = context_.db();
    Transaction tx(db, Transaction::Writes::Queued);
    if ((correct && correctShelf(row, oldShelf) < 0) ||
        (recordIt &&
         (db.callProc(QStringLiteral("Insert_wait_count_lst ") + sqlQuote(batch_.number) + u',' +
                      sqlQuote(batch_.location) + u',' + sqlQuote(row.propNo) + u',' + sqlQuote(date)) < 0 ||
          logWorkQty(context_, QStringLiteral("304"), 1, 1, 0) < 0)) ||
        tx.commit() < 0) {
        const ErrorRecord error = context_.errors();
        tx.rollback();
        context_.errors() = error;
        return -1;
    }
    return 0;
}

namespace {

// Two operators who scan the same copy at once both pass the count read
// with the lookup; the key lets one of them record it.
bool countedMeanwhile(const ErrorRecord &error)
{
    return error.oraCode == 1 && error.text.toUpper().contains(QLatin1String("PK_WAIT_COUNT_LST"));
}

} // namespace

BookCount::Outcome BookCount::record(const ItemRow &row, const ScanFacts &facts, bool correct)
{
    bool counted = facts.counted;
    if (!counted && facts.batchOpen) {
        if (writeScan(row, facts.shelfNo, correct, true, facts.date) == 0) {
            rows_.append(CountedCopy{row, correct ? shelfNo_ : facts.shelfNo});
            return Outcome::Recorded;
        }
        if (!countedMeanwhile(context_.errors()))
            return failed();
        counted = true;
    }
    // A copy already counted, or a batch another operator's statistics
    // closed since it was chosen (a scan into it would never be counted):
    // refused, a shelf correction asked for standing on its own.
    if (correct && writeScan(row, facts.shelfNo, true, false, facts.date) < 0)
        return failed();
    if (counted)
        return refuseCounted();
    batch_.finishFlag = QStringLiteral("1");
    return refuse(Problem::Closed, QStringLiteral("EDC013"));
}

BookCount::Outcome BookCount::recordInGroup(const ItemRow &row, const QString &shelf)
{
    Session &db = context_.db();
    QueryResult r;
    if (db.queryBound(QStringLiteral("SELECT COUNT(*) FROM wait_count_lst WHERE prop_no=? AND count_batch_no=?"),
                      {row.propNo, batch_.number}, r) < 0)
        return failed();
    if (r.text(0, 0).toInt() > 0)
        return refuseCounted();
    // The procedure is atomic; the group's savepoint holds the code.
    if (db.callProc(QStringLiteral("Insert_wait_count_lst ") + sqlQuote(batch_.number) + u',' +
                    sqlQuote(batch_.location) + u',' + sqlQuote(row.propNo) + u',' + sqlQuote(group_->date)) < 0) {
        return countedMeanwhile(context_.errors()) ? refuseCounted() : failed();
    }
    group_->scans.append(current_);
    group_->rows.append(CountedCopy{row, shelf});
    return Outcome::Recorded;
}

ScanReport BookCount::undoMarked()
{
    const QList<int> marked = rows_.markedRows();
    if (marked.isEmpty())
        return {};
    if (context_.showMsg(QStringLiteral("Q是否确认对选择图书的取消操作？")) != AnswerOk)
        return {};
    Session &db = context_.db();
    // Queued: on PostgreSQL the deletes of every marked copy go out with the
    // commit, in one round trip however many were marked.
    Transaction tx(db, Transaction::Writes::Queued);
    for (int row : marked) {
        if (db.callProc(QStringLiteral("Delete01_wait_count_lst ") + sqlQuote(batch_.number) + u',' +
                        sqlQuote(rows_.at(row).row.propNo)) < 0) {
            tx.rollback();
            db.showDbError();
            ScanReport failed;
            failed.codes = static_cast<int>(marked.size());
            failed.failed = failed.stopped = true;
            return failed;
        }
    }
    if (tx.commit() < 0) {
        db.showDbError();
        ScanReport failed;
        failed.codes = static_cast<int>(marked.size());
        failed.failed = failed.stopped = true;
        return failed;
    }
    ScanReport report;
    for (auto it = marked.crbegin(); it != marked.crend(); ++it) {
        rows_.remove(*it);
        report.add(StepOutcome::Done);
    }
    return report;
}

int BookCount::showAllItems(int row)
{
    if (row < 0 || row >= rows_.count())
        return 0;
    return titleCopies_.show(rows_.at(row).row.marcRecNo);
}

bool BookCount::progress(CountProgress &out, bool countExpected)
{
    out = CountProgress{};
    if (batch_.isEmpty())
        return true;
    Session &db = context_.db();
    if (countExpected || expected_ < 0) {
        QString scope = QStringLiteral("dis_location=") + sqlQuote(batch_.location) +
                        QStringLiteral(" AND book_stat_code>='3C' AND book_stat_code<='46'");
        const QStringList classes = batch_.classList();
        if (!classes.isEmpty()) {
            QStringList likes;
            for (const QString &c : classes)
                likes.append(QStringLiteral("call_no LIKE ") + sqlQuote(c + u'%'));
            scope += QStringLiteral(" AND (") + likes.join(QStringLiteral(" OR ")) + u')';
        }
        QueryResult r;
        if (db.query(QStringLiteral("SELECT count(*) FROM indi_acct WHERE ") + scope, r) < 0)
            return false;
        expected_ = r.text(0, 0).toInt();
    }
    QueryResult r;
    if (db.query(QStringLiteral("SELECT count(*) FROM wait_count_lst WHERE count_batch_no=") + sqlQuote(batch_.number),
                 r) < 0)
        return false;
    out.expected = expected_;
    out.scanned = r.text(0, 0).toInt();
    return true;
}

} // namespace kestra
