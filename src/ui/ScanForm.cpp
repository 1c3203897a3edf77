#include "ui/ScanForm.h"

#include "core/AppContext.h"
#include "kit/CopyColumns.h"
#include "ui/CommandBar.h"
#include "ui/EntryBoxes.h"
#include "ui/GridOutput.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

ScanForm::ScanForm(AppContext &context, const QString &name, const QString &title, QWidget *parent)
    : QWidget(parent), context_(context)
{
    setObjectName(name);
    setWindowTitle(title);
    tbDC_ = new CommandBar(this);
    connect(tbDC_, &CommandBar::commandTriggered, this, &ScanForm::runCommand);
}

void ScanForm::attach(ScanController &controller)
{
    controller_ = &controller;
    scanInput_ = makeScanInput(controller.entry(), this, this);
    connect(scanInput_.code, &CodeEntry::entered, this,
            [this](const QString &text) { scan([this, text]() { return controller_->enter(text); }); });
    RowModelBase &rows = controller.listModel();
    spdBookLst_ = makeRowGrid(&rows, QStringLiteral("spdBookLst"), this);
    output_ = new GridOutput(context_, spdBookLst_, windowTitle());
    output_->setCopyTotals(columnOf(rows, copyHeading(CopyField::Price)));
    cmdOutput_ = output_->makeButton(this);
    lblCount_ = makeCountLabel(this);
    connect(&rows, &QAbstractItemModel::rowsInserted, this, [this]() {
        spdBookLst_->scrollToBottom();
        listChanged();
    });
    connect(&rows, &QAbstractItemModel::rowsRemoved, this, &ScanForm::listChanged);
    connect(&rows, &QAbstractItemModel::modelReset, this, &ScanForm::listChanged);
    setFocusProxy(scanInput_.code);
    showCopyCount(lblCount_, rows.rowCount());
}

void ScanForm::setCopySearch(CopyPicker search)
{
    search_ = std::move(search);
    showCommands();
}

QAction *ScanForm::bind(const QString &key, const QString &caption, Handler handler)
{
    handlers_.insert(key, std::move(handler));
    return tbDC_->addCommand(key, caption);
}

void ScanForm::bindImportAndSearch()
{
    bind(QStringLiteral("Import"), QStringLiteral("导入"),
         [this]() { scan([this]() { return controller_->importCodes(); }); });
    bind(QStringLiteral("SearchBook"), QStringLiteral("检索"),
         [this]() { scan([this]() { return controller_->searchAndEnter(search_); }); });
}

void ScanForm::bindSelectAndUndo(const QString &undoKey, const QString &undoCaption)
{
    bind(QStringLiteral("SelectAll"), QStringLiteral("全选"), [this]() { controller_->markAll(); });
    bind(undoKey, undoCaption, [this]() { scan([this]() { return controller_->undoMarked(); }); });
}

void ScanForm::bindExit()
{
    tbDC_->addSplit();
    bind(QStringLiteral("Exit"), QStringLiteral("退出"), [this]() { closeForm(this); });
}

void ScanForm::runCommand(const QString &key)
{
    const auto handler = handlers_.constFind(key);
    if (handler == handlers_.cend() || !tbDC_->isCommandEnabled(key))
        return;
    (*handler)();
    // Ready for the next scan, unless the command closed the form or the
    // form's mode has no scanning.
    if (isVisible() && scanInput_.code->isEnabled())
        scanInput_.code->setFocus();
}

ScanReport ScanForm::scan(const std::function<ScanReport()> &operation)
{
    beforeScan();
    const ScanReport report = operation();
    afterScan(report);
    Q_EMIT scanned(report);
    return report;
}

void ScanForm::showCommands()
{
    tbDC_->setCommandEnabled(QStringLiteral("SearchBook"), hasCopySearch());
}

void ScanForm::listChanged()
{
    showCopyCount(lblCount_, controller_->listModel().rowCount());
}

QVBoxLayout *ScanForm::beginLayout()
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tbDC_);
    return layout;
}

void ScanForm::endLayout(QVBoxLayout *layout, QWidget *listArea)
{
    layout->addWidget(listArea != nullptr ? listArea : spdBookLst_, 1);
    auto *footer = new QHBoxLayout;
    footer->addWidget(lblCount_, 1);
    footer->addWidget(cmdOutput_);
    layout->addLayout(footer);
}

} // namespace kestra
