#include "shelving/CompactShelf.h"

#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/InstallFolders.h"
#include "core/Session.h"
#include "kit/CodeFile.h"
#include "kit/CodeImport.h"

namespace kestra {

namespace {

// indi_acct.shelf_no holds 40 characters.
constexpr int MaxShelfLength = 40;

} // namespace

CompactShelf::CompactShelf(AppContext &context, const BarcodeSettings &barcode)
    : CompactWork(context, barcode, QString(compact::ShelfType))
{}

bool CompactShelf::shelfNamed(const QString &text)
{
    if (text.trimmed().isEmpty()) {
        context_.showMsg(QStringLiteral("E请先输入排架号。"));
        return false;
    }
    if (text.size() > MaxShelfLength) {
        context_.showMsg(QStringLiteral("E排架号不能超过%1个字符。").arg(MaxShelfLength));
        return false;
    }
    return true;
}

ScanReport CompactShelf::enter(const QString &text)
{
    if (text.trimmed().isEmpty())
        return {};
    if (!shelfNamed(shelf))
        return ScanReport::of(StepOutcome::Refused);
    return CompactWork::enter(text);
}

ScanReport CompactShelf::enterCode(const QString &code, InputType type)
{
    if (!shelfNamed(shelf))
        return ScanReport::of(StepOutcome::Refused);
    return CompactWork::enterCode(code, type);
}

ScanReport CompactShelf::searchAndEnter(const CopyPicker &search)
{
    if (!shelfNamed(shelf))
        return ScanReport::of(StepOutcome::Refused);
    return CompactWork::searchAndEnter(search);
}

DealProcess::Outcome CompactShelf::prepare(ItemTransaction &tx, ItemRow &row, const QString &now, Change &change)
{
    QString old;
    if (readColumn(tx, QStringLiteral("shelf_no"), row.propNo, old) < 0)
        return Outcome::Failed;
    const QString by = QStringLiteral(" ,resp_wkr=") + sqlQuote(context_.session().operatorNo) +
                       QStringLiteral(" ,rec_flag_upt_date=") + sqlQuote(now) + QStringLiteral(" WHERE prop_no=") +
                       sqlQuote(row.propNo);
    if (tx.execute(QStringLiteral(" UPDATE indi_acct SET shelf_no=") + sqlQuote(shelf) + by) < 0 ||
        tx.execute(QStringLiteral(" UPDATE item SET resp_wkr=") + sqlQuote(context_.session().operatorNo) +
                   QStringLiteral(" ,rec_flag_upt_date=") + sqlQuote(now) + QStringLiteral(" WHERE prop_no=") +
                   sqlQuote(row.propNo)) < 0)
        return Outcome::Failed;
    change.target = shelf;
    change.remark = compact::beforeText(QStringLiteral("原排架号"), {old, row.disLocation});
    return Outcome::Added;
}

StepOutcome CompactShelf::restore(ItemTransaction &tx, const DealRow &d, const ItemRow &now, const QString &stamp)
{
    QString current;
    if (readColumn(tx, QStringLiteral("shelf_no"), now.propNo, current) < 0)
        return StepOutcome::Failed;
    // Put on another shelf since: that shelf is where it stands now.
    if (current != d.target) {
        context_.showMsg(QStringLiteral("EDC009"));
        return StepOutcome::Refused;
    }
    const compact::Before before = compact::parseBefore(d.remark);
    return tx.execute(QStringLiteral(" UPDATE indi_acct SET shelf_no=") + sqlQuote(before.value) +
                      QStringLiteral(" ,rec_flag_upt_date=") + sqlQuote(stamp) + QStringLiteral(" WHERE prop_no=") +
                      sqlQuote(now.propNo)) < 0
               ? StepOutcome::Failed
               : StepOutcome::Done;
}

void CompactShelf::written(const ItemRow &)
{
    shelfCount_ = compact::shelfCount(context_, shelf);
}

StepOutcome CompactShelf::importLine(const QString &line)
{
    const QStringList fields = line.split(u'\t');
    const QString lineShelf = fields.size() >= 2 ? fields.at(0) : QString();
    if (!shelfNamed(lineShelf))
        return StepOutcome::Refused;
    const QString kept = shelf;
    shelf = lineShelf;
    const StepOutcome outcome = stepOutcomeOf(enterText(fields.at(1)), Outcome::Added);
    shelf = kept;
    return outcome;
}

ScanReport CompactShelf::runImport(const QString &path)
{
    QString text;
    if (!code_file::read(context_.codePage(), path, text)) {
        context_.showMsg(QStringLiteral("E无法打开文件：") + path);
        ScanReport report;
        report.failed = report.stopped = true;
        return report;
    }
    // Each line as its two fields again, so that a line without a shelf
    // (or without the separator) is one the step refuses and the problem
    // file lists.
    QStringList lines;
    for (const QStringList &fields : code_file::rows(text))
        lines.append(fields.join(u'\t'));
    if (lines.isEmpty()) {
        context_.showMsg(QStringLiteral("I文件中没有可导入的号码。"));
        return {};
    }
    QString now = context_.db().serverDate();
    if (now.isEmpty())
        now = context_.clock().now().toString(QStringLiteral("yyyy-MM-ddhh:mm:ss"));
    problemPath_ = context_.folders().folder(InstallFolders::Dat) + QStringLiteral("COMPACT_") +
                   now.replace(u':', u'-') + QStringLiteral(".txt");
    ProblemFile problems(problemPath_);
    CodeImport import(context_, QStringLiteral("正在分配排架号……"), QStringLiteral("导入%1行，上架%2册书刊。"));
    import.setProblemFile(&problems);
    const ScanReport report = import.run(lines, [this](const QString &line) { return importLine(line); });
    if (shelfCount_ < 0 && !shelf.isEmpty())
        shelfCount_ = compact::shelfCount(context_, shelf);
    return report;
}

ScanReport CompactShelf::importCodes()
{
    const QString path =
        context_.prompter().chooseOpenFile(QStringLiteral("导入文件"), context_.folders().folder(InstallFolders::Dat),
                                           QStringLiteral("文本文件 (*.txt);;所有文件 (*)"));
    return path.isEmpty() ? ScanReport{} : runImport(path);
}

ScanReport CompactShelf::importFile(const QString &path)
{
    return runImport(path);
}

CompactBarCode::CompactBarCode(AppContext &context, const BarcodeSettings &barcode)
    : CompactWork(context, barcode, QString(compact::BarcodeType))
{}

ScanReport CompactBarCode::enter(const QString &text)
{
    if (text.trimmed().isEmpty())
        return {};
    if (newBarCode.trimmed().isEmpty()) {
        context_.showMsg(QStringLiteral("E新条码号不能为空。"));
        return ScanReport::of(StepOutcome::Refused);
    }
    return CompactWork::enter(text);
}

DealProcess::Outcome CompactBarCode::prepare(ItemTransaction &tx, ItemRow &row, const QString &, Change &change)
{
    const QString code = newBarCode.trimmed();
    if (code.isEmpty()) {
        context_.showMsg(QStringLiteral("E新条码号不能为空。"));
        return Outcome::Refused;
    }
    // A barcode another copy has is refused by the unique index, with its
    // message, and the whole change rolls back.
    if (tx.execute(QStringLiteral(" UPDATE indi_acct SET bar_code=") + sqlQuote(code) +
                   QStringLiteral(" WHERE prop_no=") + sqlQuote(row.propNo)) < 0 ||
        tx.execute(QStringLiteral(" UPDATE item SET bar_code=") + sqlQuote(code) + QStringLiteral(" WHERE prop_no=") +
                   sqlQuote(row.propNo)) < 0)
        return Outcome::Failed;
    change.target = code;
    change.remark = compact::beforeText(QStringLiteral("原条码号"), {row.barCode, row.disLocation});
    row.barCode = code;
    return Outcome::Added;
}

StepOutcome CompactBarCode::restore(ItemTransaction &tx, const DealRow &d, const ItemRow &now, const QString &)
{
    if (now.barCode != d.target) {
        context_.showMsg(QStringLiteral("EDC009"));
        return StepOutcome::Refused;
    }
    const QString old = compact::parseBefore(d.remark).value;
    return tx.execute(QStringLiteral(" UPDATE indi_acct SET bar_code=") + sqlQuote(old) +
                      QStringLiteral(" WHERE prop_no=") + sqlQuote(now.propNo)) < 0 ||
                   tx.execute(QStringLiteral(" UPDATE item SET bar_code=") + sqlQuote(old) +
                              QStringLiteral(" WHERE prop_no=") + sqlQuote(now.propNo)) < 0
               ? StepOutcome::Failed
               : StepOutcome::Done;
}

} // namespace kestra
