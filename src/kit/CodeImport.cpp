#include "kit/CodeImport.h"

#include "core/AppContext.h"
#include "kit/MessageCollector.h"

namespace kestra {

namespace {

constexpr int MaxRefusalsShown = 20;

} // namespace

CodeImport::CodeImport(AppContext &context, QString progress, QString summary)
    : context_(context), progress_(std::move(progress)), summary_(std::move(summary))
{}

ScanReport CodeImport::chooseAndRun(const Step &step)
{
    const QString path =
        context_.prompter().chooseOpenFile(QStringLiteral("导入文件"), context_.folders().folder(InstallFolders::Dat),
                                           QStringLiteral("文本文件 (*.txt);;所有文件 (*)"));
    if (path.isEmpty())
        return {};
    return runFile(path, step);
}

ScanReport CodeImport::runFile(const QString &path, const Step &step)
{
    QString text;
    if (!code_file::read(context_.codePage(), path, text)) {
        context_.showMsg(QStringLiteral("E无法打开文件：") + path);
        ScanReport report;
        report.stopped = true;
        report.failed = true;
        return report;
    }
    const QStringList codes = code_file::codes(text, column_);
    if (codes.isEmpty()) {
        context_.showMsg(QStringLiteral("I文件中没有可导入的号码。"));
        return {};
    }
    return run(codes, step);
}

ScanReport CodeImport::run(const QStringList &codes, const Step &step)
{
    ScanReport report;
    const int total = static_cast<int>(codes.size());
    Prompter &prompter = context_.prompter();
    prompter.beginProgress(progress_, total);
    running_ = &report;
    {
        MessageCollector collected(context_);
        for (int i = 0; i < total; ++i) {
            if (!prompter.stepProgress(i)) {
                report.stopped = true;
                break;
            }
            const QString &code = codes.at(i);
            collected.clear();
            const StepOutcome outcome = step(code);
            report.add(outcome);
            if (outcome == StepOutcome::Done)
                continue;
            QString reason = collected.last();
            if (outcome == StepOutcome::Declined)
                reason = declinedReason();
            else if (reason.isEmpty())
                reason = outcome == StepOutcome::Failed ? QStringLiteral("数据库操作失败") : QStringLiteral("未处理");
            report.reasons.append(code + QStringLiteral("：") + reason);
            if (problems_ != nullptr)
                problems_->add(reason + QStringLiteral("："), code);
            if (outcome == StepOutcome::Failed)
                break;
        }
        if (settle_)
            settle_();
    }
    running_ = nullptr;
    // The codes read: a stopped import still names them all.
    report.codes = total;
    prompter.stepProgress(total);
    prompter.endProgress();

    context_.showMsg(summary(report));
    if (problems_ != nullptr && !problems_->isEmpty()) {
        if (problems_->write(context_.codePage()))
            context_.showMsg(problems_->notice());
        else
            context_.showMsg(QStringLiteral("E无法写入文件：") + problems_->path());
    }
    return report;
}

void CodeImport::retract(const QString &code, StepOutcome now, const QString &reason)
{
    if (running_ == nullptr || running_->done == 0 || now == StepOutcome::Done)
        return;
    --running_->done;
    running_->add(now);
    --running_->codes; // counted once already
    running_->reasons.append(code + QStringLiteral("：") + reason);
    if (problems_ != nullptr)
        problems_->add(reason + QStringLiteral("："), code);
}

QString CodeImport::summary(const ScanReport &report) const
{
    QString text = QStringLiteral("I") + summary_.arg(report.codes).arg(report.done);
    if (report.stopped && !report.failed)
        text += QStringLiteral("\n已中止。");
    if (!report.reasons.isEmpty()) {
        text += QStringLiteral("\n未处理%1个：").arg(report.reasons.size());
        for (int i = 0; i < report.reasons.size() && i < MaxRefusalsShown; ++i)
            text += u'\n' + report.reasons.at(i);
        if (report.reasons.size() > MaxRefusalsShown)
            text += QStringLiteral("\n……");
    }
    return text;
}

} // namespace kestra
