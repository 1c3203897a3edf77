#include "items/BookGoto.h"

#include "copies/ItemCodes.h"
#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/Prompter.h"
#include "core/Session.h"
#include "kit/CodeFile.h"
#include "kit/CopyChecks.h"
#include "kit/CopyColumns.h"

namespace kestra {

namespace {

QString lendText(const GatheredCopy &c)
{
    if (!c.circulates)
        return QString();
    const QString flag = c.lendFlag.trimmed();
    if (flag == QLatin1String("1"))
        return QStringLiteral("借出");
    if (flag == QLatin1String("2"))
        return QStringLiteral("预约到书");
    return QStringLiteral("在架");
}

QList<Column<GatheredCopy>> gotoColumns(AppContext &context)
{
    QList<CopyField> fields = lookupFields();
    fields.append(CopyField::Status);
    QList<Column<GatheredCopy>> list = columnsOf(copyColumns(context, fields), &GatheredCopy::row);
    list.append({QStringLiteral("流通状态"), lendText});
    list.append({QStringLiteral("借阅次数"),
                 [](const GatheredCopy &c) { return c.circulates ? QString::number(c.circTimes) : QString(); }, true});
    return list;
}

// The statuses a scan takes back before the copy is listed: found again
// (38, 3B), weeded, given or exchanged (35, 36, 37), under repair (33).
bool needsTakeBack(const QString &status)
{
    static const QStringList statuses = {QStringLiteral("38"), QStringLiteral("3B"), QStringLiteral("35"),
                                         QStringLiteral("36"), QStringLiteral("37"), QStringLiteral("33")};
    return statuses.contains(status);
}

} // namespace

BookGoto::BookGoto(AppContext &context, const BarcodeSettings &barcode)
    : context_(context), entry_(context, barcode), rows_(gotoColumns(context), true),
      picks_(gotoColumns(context), true), titleCopies_(context)
{
    plan_.source = context.session().currentLocation;
    entry_.setReadCirculation(true);
}

bool BookGoto::hasKindRight(transfer::Kind kind)
{
    const QString right = transfer::kindRight(kind);
    if (context_.session().hasRight(right))
        return true;
    context_.showMsg(QStringLiteral("ECM504") + right);
    return false;
}

bool BookGoto::mayChangeList()
{
    if (rows_.isEmpty())
        return true;
    if (context_.showMsg(QStringLiteral("Q是否放弃对所选书刊的调拨？")) != AnswerOk)
        return false;
    clearList();
    return true;
}

bool BookGoto::setKind(transfer::Kind kind)
{
    if (kind == kind_)
        return true;
    if (!hasKindRight(kind) || !mayChangeList())
        return false;
    kind_ = kind;
    return true;
}

bool BookGoto::setSource(const QString &location)
{
    if (location == plan_.source)
        return true;
    if (!mayChangeList())
        return false;
    plan_.source = location;
    return true;
}

bool BookGoto::setDestination(const QString &location)
{
    plan_.destination = location;
    if (!location.isEmpty() && location == plan_.source) {
        context_.showMsg(QStringLiteral("EDC017"));
        return false;
    }
    return true;
}

bool BookGoto::chooseBatch(const std::optional<GotoBatch> &batch)
{
    if (!batch) {
        batch_.reset();
        plan_.batchNo.clear();
        return true;
    }
    if ((batch->kind != kind_ || batch->source != plan_.source) && !mayChangeList())
        return false;
    batch_ = batch;
    kind_ = batch->kind;
    plan_.source = batch->source;
    plan_.destination = batch->destination;
    plan_.docType = batch->docType;
    plan_.batchNo = batch->batchNo;
    return true;
}

bool BookGoto::mayClose()
{
    return mayChangeList();
}

void BookGoto::append(const GatheredCopy &copy)
{
    listed_.insert(copy.row.propNo);
    rows_.append(copy);
}

void BookGoto::clearList()
{
    listed_.clear();
    rows_.reset();
}

BookGoto::Outcome BookGoto::enterText(const QString &text)
{
    return withFoundCopy<Outcome>(entry_.enter(text), [this](const ItemRow &row) { return gather(row); });
}

BookGoto::Outcome BookGoto::lookupCode(const QString &code, InputType type)
{
    return withFoundCopy<Outcome>(entry_.lookup(code, type), [this](const ItemRow &row) { return gather(row); });
}

ScanReport BookGoto::enter(const QString &text)
{
    return scanReportOf(enterText(text), Outcome::Listed);
}

ScanReport BookGoto::enterCode(const QString &code, InputType type)
{
    return scanReportOf(lookupCode(code, type), Outcome::Listed);
}

ScanReport BookGoto::searchAndEnter(const CopyPicker &search)
{
    if (!search || kind_ != transfer::Kind::ByCopy)
        return {};
    const std::optional<QString> propNo = search(plan_.source);
    if (!propNo || propNo->isEmpty())
        return {};
    return enterCode(*propNo, InputType::Accession);
}

BookGoto::Outcome BookGoto::gather(const ItemRow &found)
{
    if (listed_.contains(found.propNo)) {
        context_.showMsg(QStringLiteral("EDC019"));
        return Outcome::Refused;
    }
    if (plan_.source != transfer::AllLocations && found.disLocation != plan_.source) {
        // The problem file names the reason and the code only.
        context_.showMsg(importing_ ? QStringLiteral("E该书非本馆藏书")
                                    : QStringLiteral("EDC002") + context_.codes().locationName(found.disLocation));
        return Outcome::Refused;
    }
    // From "All" a copy may already stand where it is to go: moving it onto
    // itself would count and log a transfer that did nothing.
    if (!plan_.destination.isEmpty() && found.disLocation == plan_.destination) {
        context_.showMsg(QStringLiteral("EDC017"));
        return Outcome::Refused;
    }
    CirculationRow circ;
    if (circulationFor(context_.db(), found, circ) < 0) {
        context_.db().showDbError();
        return Outcome::Failed;
    }
    if (circ.lendFlag.trimmed() == QLatin1String("1")) {
        if (importing_) {
            context_.showMsg(QStringLiteral("E该书处于借出状态"));
            return Outcome::Refused;
        }
        if (context_.showMsg(QStringLiteral("Q该书处于借出状态，是否仍然调拨？")) != AnswerOk)
            return Outcome::Cancelled;
    }
    // Lost and paid for: the copy is the reader's replacement case, whether
    // or not the claim is still open; a transfer never takes it.
    if (found.status == QLatin1String("39")) {
        context_.showMsg(QStringLiteral("EDC005"));
        return Outcome::Refused;
    }
    GatheredCopy copy{found, circ.exists, circ.lendFlag, circ.totalCircTimes};
    const Outcome taken = takeBack(copy.row, copy.lendFlag);
    if (taken != Outcome::Listed)
        return taken;
    append(copy);
    return Outcome::Listed;
}

BookGoto::Outcome BookGoto::takeBack(ItemRow &row, QString &lendFlag)
{
    if (!needsTakeBack(row.status) && lendFlag.trimmed() != QLatin1String("2"))
        return Outcome::Listed;
    ItemTransaction tx(context_);
    CirculationRow circ;
    circ.lendFlag = lendFlag;
    const copy_check::Verdict held = copy_check::relocked(tx.lockCopy(row, &circ), [&] {
        if (plan_.source != transfer::AllLocations && row.disLocation != plan_.source) {
            context_.showMsg(QStringLiteral("EDC002") + context_.codes().locationName(row.disLocation));
            return copy_check::Verdict::Refused;
        }
        return copy_check::noOpenClaim(context_, row);
    });
    if (held != copy_check::Verdict::Pass)
        return outcomeOf<Outcome>(held);
    lendFlag = circ.lendFlag;
    QString restored;
    take_back::Result r = take_back::found(tx, row, choose_);
    const QString flagBefore = lendFlag.trimmed();
    if (r == take_back::Result::Go)
        r = take_back::arrivedReservation(tx, row, lendFlag);
    if (r == take_back::Result::Go && lendFlag.trimmed() != flagBefore &&
        tx.execute(QStringLiteral(" UPDATE item SET book_lend_flag=") + sqlQuote(lendFlag) +
                   QStringLiteral(" WHERE prop_no=") + sqlQuote(row.propNo)) < 0)
        return Outcome::Failed;
    if (r == take_back::Result::Go)
        r = take_back::outOfCollection(tx, row, true, &restored);
    if (r == take_back::Result::Go && row.status == QLatin1String("33"))
        r = take_back::repairRow(tx, row, row.disLocation, &restored);
    if (r != take_back::Result::Go)
        return outcomeOf(r, Outcome::Listed);
    // The record that put the copy out of the collection is gone: the copy
    // gets back the status it had before, as an undone weeding or repair
    // would leave it, rather than a status no record explains.
    restored = restored.trimmed();
    if (restored.isEmpty() || restored == row.status)
        return tx.commit() < 0 ? Outcome::Failed : Outcome::Listed;
    QString date;
    if (tx.serverDate(date) < 0)
        return Outcome::Failed;
    CopyChange change;
    change.propNo = row.propNo;
    change.status = restored;
    change.date = date;
    change.itemOperator = context_.session().operatorNo;
    if (tx.updateCopy(change) < 0)
        return Outcome::Failed;
    // A status change like any other, logged as one (the work counted is
    // the transfer's).
    if (tx.finish(statusChangeTail(row, restored)) < 0)
        return Outcome::Failed;
    row.status = restored;
    return Outcome::Listed;
}

int BookGoto::gatherRange(const QString &start, const QString &end)
{
    QStringList codes;
    TransferGather gather(context_);
    const InputType type = entry_.inputType();
    if (gather.range(plan_, type, start, end, codes) < 0)
        return -1;
    if (codes.isEmpty())
        return 0;
    int listed = 0;
    for (const QString &code : std::as_const(codes)) {
        const Outcome outcome = lookupCode(code, type);
        if (outcome == Outcome::Failed)
            return -1;
        if (outcome == Outcome::Listed)
            ++listed;
    }
    return listed;
}

int BookGoto::pickByClass(const QString &cls)
{
    return offerPicks(&TransferGather::byClass, cls);
}

int BookGoto::pickByHandoverBatch(const QString &batch)
{
    return offerPicks(&TransferGather::byHandoverBatch, batch);
}

int BookGoto::offerPicks(Gathering gathering, const QString &key)
{
    QList<GatheredCopy> found;
    TransferGather gather(context_);
    const int n = (gather.*gathering)(plan_, key, found);
    if (n <= 0) {
        picks_.reset();
        return n;
    }
    // What a scan would refuse is not offered: a copy lost and paid for,
    // and (from "All") a copy already at the destination.
    QList<GatheredCopy> offered;
    for (const GatheredCopy &copy : std::as_const(found)) {
        if (copy.row.status != QLatin1String("39") &&
            (plan_.destination.isEmpty() || copy.row.disLocation != plan_.destination))
            offered.append(copy);
    }
    if (offered.isEmpty())
        context_.showMsg(QStringLiteral("I找到的%1册书刊已在新馆藏地或处于遗失赔偿状态，不能调拨。").arg(n));
    picks_.reset(offered);
    picks_.markAll();
    return static_cast<int>(offered.size());
}

int BookGoto::takePicks(bool accept)
{
    int taken = 0;
    if (accept) {
        for (const GatheredCopy &copy : picks_.marked()) {
            if (listed_.contains(copy.row.propNo))
                continue;
            append(copy);
            ++taken;
        }
    }
    picks_.reset();
    return taken;
}

ScanReport BookGoto::importCodes()
{
    const QString path =
        context_.prompter().chooseOpenFile(QStringLiteral("导入文件"), context_.folders().folder(InstallFolders::Dat),
                                           QStringLiteral("文本文件(*.txt);;所有文件 (*)"));
    if (path.isEmpty())
        return {};
    return importFile(path);
}

ScanReport BookGoto::importFile(const QString &path)
{
    ProblemFile problems(ProblemFile::besideFile(path), QString(), QStringLiteral("|"));
    CodeImport import(context_, QStringLiteral("正在导入调拨书刊……"), QStringLiteral("导入%1个号码，列入%2册书刊。"));
    import.setProblemFile(&problems);
    importing_ = true;
    const ScanReport report =
        import.runFile(path, [this](const QString &code) { return stepOutcomeOf(enterText(code), Outcome::Listed); });
    importing_ = false;
    return report;
}

ScanReport BookGoto::undoMarked()
{
    const QList<int> marked = rows_.markedRows();
    if (marked.isEmpty())
        return {};
    if (context_.showMsg(QStringLiteral("Q是否确认对选择图书的取消操作？")) != AnswerOk)
        return ScanReport::of(StepOutcome::Declined);
    ScanReport report;
    for (auto it = marked.crbegin(); it != marked.crend(); ++it) {
        listed_.remove(rows_.at(*it).row.propNo);
        rows_.remove(*it);
        report.add(StepOutcome::Done);
    }
    return report;
}

} // namespace kestra
