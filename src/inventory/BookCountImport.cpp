// The import of a scanner's file into a count batch, in groups of codes.

#include "inventory/BookCount.h"

#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/InstallFolders.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "inventory/CountImportGroup.h"
#include "kit/CodeFile.h"
#include "kit/CodeImport.h"

#include <QDir>
#include <QFileInfo>

namespace kestra {

namespace {

QString countProblemHeading(BookCount::Problem p)
{
    switch (p) {
    case BookCount::Problem::NoCopy:
        return QStringLiteral("条码号不存在：");
    case BookCount::Problem::OnLoan:
        return QStringLiteral("外借书刊：");
    case BookCount::Problem::Abnormal:
        return QStringLiteral("在馆异常书刊：");
    case BookCount::Problem::OtherLocation:
        return QStringLiteral("非本馆藏地书刊：");
    case BookCount::Problem::OtherClass:
        return QStringLiteral("非本馆藏地的本类书刊：");
    case BookCount::Problem::OtherShelf:
        return QStringLiteral("该书不属于本架位：");
    case BookCount::Problem::Counted:
        return QStringLiteral("该书已经在清点库中：");
    case BookCount::Problem::Closed:
        return QStringLiteral("清点批次已经结束：");
    default:
        return QStringLiteral("未处理：");
    }
}

// An import's group is committed after this many codes recorded, or once
// it is this old: another operator's scan waits for the write lock no
// longer than that. Each commit writes the index pages its copies touched
// (on SQLite through the write-ahead log and back): fewer, larger groups
// write far less.
constexpr int kGroupCodes = 5000;
constexpr qint64 kGroupMs = 300;

} // namespace

QString BookCount::problemFileFor(const QString &importPath)
{
    const QFileInfo info(importPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-问题.txt"));
}

ScanReport BookCount::importCodes()
{
    const QString path = context_.prompter().chooseOpenFile(
        QStringLiteral("导入文件"), context_.folders().folder(InstallFolders::Dat), QStringLiteral("文本文件(*.txt)"));
    if (path.isEmpty())
        return {};
    return importFile(path);
}

ScanReport BookCount::importFile(const QString &path)
{
    ProblemFile problems(problemFileFor(path));
    CodeImport codes(context_, QStringLiteral("正在导入清点数据……"), QStringLiteral("导入%1个条码，清点到%2册书刊。"));
    // Scans kept from before go first, in order, each on its own.
    if (!journal_.isEmpty() && !batch_.isEmpty() && !batch_.finished() && reachable())
        replayJournal();
    codes.setSettle([&] {
        if (group_)
            commitGroup(codes, false);
    });
    const ScanReport report = codes.runFile(path, [&](const QString &code) {
        const StepOutcome outcome = importStep(code, codes);
        if (outcome == StepOutcome::Refused && problem_ != Problem::Kept)
            problems.add(countProblemHeading(problem_) + u'|', code + problemDetail_);
        return outcome;
    });
    if (group_) // not reached: the run settles its last group
        commitGroup(codes, false);
    if (!problems.isEmpty()) {
        if (problems.write(context_.codePage()))
            context_.showMsg(problems.notice());
        else
            context_.showMsg(QStringLiteral("E无法写入文件：") + problems.path());
    }
    return report;
}

bool BookCount::openGroup()
{
    if (batch_.isEmpty() || batch_.finished() || !journal_.isEmpty())
        return false;
    Session &db = context_.db();
    if (db.inTransaction() || !reachable())
        return false;
    auto group = std::make_unique<ImportGroup>(db);
    QueryResult flag;
    // Any trouble here is met again, and said, by the code on its own.
    if (db.query(countFinishFlagSql(batch_.number), flag) < 0 || flag.rowCount() == 0 ||
        flag.text(0, 0) != QLatin1String("0")) {
        group->tx.rollback();
        return false;
    }
    group->date = db.serverDate().left(10);
    if (group->date.isEmpty()) {
        group->tx.rollback();
        return false;
    }
    group_ = std::move(group);
    return true;
}

StepOutcome BookCount::importStep(const QString &code, CodeImport &import)
{
    if (!group_ && !openGroup())
        return enter(code).outcome();
    Session &db = context_.db();
    if (db.savepoint() < 0) {
        const QString normal = entry_.normalise(code);
        return dropGroup(import, JournalScan{normal, entry_.inputType(), shelfNo_, modifyShelf_});
    }
    const StepOutcome outcome = enter(code).outcome();
    if (outcome == StepOutcome::Failed && isLostSession(context_.errors().oraCode))
        return dropGroup(import, current_);
    const bool recorded = outcome == StepOutcome::Done;
    if (outcome == StepOutcome::Failed) {
        // This code alone failed (and was said): it is undone, the codes
        // before it are committed, and the import stops.
        const ErrorRecord error = context_.errors();
        if (db.rollbackToSavepoint() < 0)
            return dropGroup(import, std::nullopt);
        commitGroup(import, false);
        context_.errors() = error;
        return outcome;
    }
    if ((recorded ? db.releaseSavepoint() : db.rollbackToSavepoint()) < 0) {
        if (!recorded) {
            // The code's own refusal stands, with its problem line.
            const Problem problem = problem_;
            const StepOutcome dropped = dropGroup(import, std::nullopt);
            problem_ = problem;
            return dropped == StepOutcome::Failed ? dropped : outcome;
        }
        return commitGroup(import, true) == StepOutcome::Done ? outcome : StepOutcome::Failed;
    }
    if (group_->age.elapsed() >= kGroupMs || group_->scans.size() >= kGroupCodes) {
        const StepOutcome committed = commitGroup(import, recorded);
        if (committed != StepOutcome::Done)
            return recorded ? committed : outcome;
    }
    return outcome;
}

StepOutcome BookCount::commitGroup(CodeImport &import, bool currentIsLast)
{
    const int n = static_cast<int>(group_->scans.size());
    // A savepoint left failing dooms the group: the commit then fails.
    if ((n > 0 && logWorkQty(context_, QStringLiteral("304"), n, n, 0) < 0) || group_->tx.commit() < 0) {
        std::optional<JournalScan> current;
        if (currentIsLast && !group_->scans.isEmpty()) {
            current = group_->scans.takeLast();
            group_->rows.removeLast();
        }
        return dropGroup(import, current);
    }
    const std::unique_ptr<ImportGroup> group = std::move(group_);
    rows_.appendAll(group->rows);
    return StepOutcome::Done;
}

StepOutcome BookCount::dropGroup(CodeImport &import, const std::optional<JournalScan> &current)
{
    const ErrorRecord error = context_.errors();
    const std::unique_ptr<ImportGroup> group = std::move(group_);
    group->tx.rollback();
    context_.errors() = error;
    if (isLostSession(error.oraCode)) {
        QList<JournalScan> waiting = group->scans;
        if (current)
            waiting.append(*current);
        const bool saved = journal_.append(waiting);
        const QString kept =
            QStringLiteral("数据库连接中断，该书已暂存，连接恢复后写入（暂存%1册）。").arg(journal_.size()) +
            (saved ? QString() : QStringLiteral("\n暂存文件无法写入：") + journal_.path());
        for (const JournalScan &scan : std::as_const(group->scans))
            import.retract(scan.code, StepOutcome::Refused, kept);
        problem_ = Problem::Kept;
        if (current)
            context_.showMsg(u'E' + kept);
        return StepOutcome::Refused;
    }
    for (const JournalScan &scan : std::as_const(group->scans))
        import.retract(scan.code, StepOutcome::Failed, QStringLiteral("数据库操作失败"));
    failed();
    return StepOutcome::Failed;
}

} // namespace kestra
