#include "items/CopySearchDialog.h"

#include "copies/ItemCodes.h"
#include "core/AppContext.h"
#include "items/SearchRowsWidget.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

CopySearchDialog::CopySearchDialog(CopySearch &search, const QString &location, QWidget *parent)
    : QDialog(parent), search_(search), location_(location)
{
    setObjectName(QStringLiteral("frmHold_BookSeek"));
    setWindowTitle(QStringLiteral("馆藏检索"));
    rows_ = new SearchRowsWidget(this);
    rows_->setIndexes(search_.indexes());
    cboHistory_ = new QComboBox(this);
    cboHistory_->setObjectName(QStringLiteral("cboHistory"));
    cboHistory_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmdSearch_ = dialogButton(this, "cmdSearch", QStringLiteral("检索"));
    cmdOK_ = dialogButton(this, "cmdOK", QStringLiteral("确定"));
    cmdCancel_ = dialogButton(this, "cmdCancel", QStringLiteral("取消"));
    QStringList headings;
    for (const Column<FoundCopy> &c : search_.columns())
        headings.append(c.heading);
    spdBookLst_ = makeResultGrid(this, QStringLiteral("spdBookLst"), headings, false);
    spdBookLst_->setColumnWidth(2, 220); // the title

    auto *history = new QHBoxLayout;
    history->addWidget(new QLabel(QStringLiteral("检索历史"), this));
    history->addWidget(cboHistory_, 1);
    history->addWidget(cmdSearch_);
    auto *output = new GridOutput(search_.context(), spdBookLst_, windowTitle());
    QHBoxLayout *buttons = makeFootRow({output->makeButton(this)}, {cmdOK_, cmdCancel_});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(rows_);
    layout->addLayout(history);
    layout->addWidget(spdBookLst_, 1);
    layout->addLayout(buttons);
    resize(760, 520);

    connect(rows_, &SearchRowsWidget::searchRequested, this, &CopySearchDialog::clickSearch);
    connect(cmdSearch_, &QPushButton::clicked, this, &CopySearchDialog::clickSearch);
    connect(cmdOK_, &QPushButton::clicked, this, &CopySearchDialog::clickOK);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(spdBookLst_, &QTableWidget::cellDoubleClicked, this, [this](int, int) { clickOK(); });
    connect(cboHistory_, &QComboBox::activated, this, &CopySearchDialog::chooseHistory);
    showHistory();
}

std::optional<FoundCopy> CopySearchDialog::run(AppContext &context, const QString &location, QWidget *parent)
{
    CopySearch search(context);
    return run(search, location, parent);
}

std::optional<FoundCopy> CopySearchDialog::run(CopySearch &search, const QString &location, QWidget *parent)
{
    if (!search.prepare())
        return std::nullopt;
    CopySearchDialog dialog(search, location, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}

void CopySearchDialog::clickSearch()
{
    search_.search(rows_->conditions());
    showCopies();
    showHistory();
}

void CopySearchDialog::clickOK()
{
    const std::optional<FoundCopy> copy = search_.choose(spdBookLst_->currentRow(), location_);
    if (!copy)
        return;
    chosen_ = copy;
    accept();
}

void CopySearchDialog::chooseHistory(int entry)
{
    const QList<SearchHistoryEntry> &history = search_.history();
    if (entry < 0 || entry >= history.size())
        return;
    rows_->setConditions(history.at(entry).conditions);
    clickSearch();
}

void CopySearchDialog::showCopies()
{
    const QList<Column<FoundCopy>> columns = search_.columns();
    QList<QStringList> rows;
    rows.reserve(search_.copies().size());
    for (const FoundCopy &c : search_.copies()) {
        QStringList cells;
        for (const Column<FoundCopy> &column : columns)
            cells.append(column.text(c));
        rows.append(cells);
    }
    fillResultGrid(spdBookLst_, rows);
}

void CopySearchDialog::showHistory()
{
    const QSignalBlocker block(cboHistory_);
    cboHistory_->clear();
    for (const SearchHistoryEntry &e : search_.history())
        cboHistory_->addItem(e.text);
    cboHistory_->setCurrentIndex(cboHistory_->count() > 0 ? 0 : -1); // the latest search
}

} // namespace kestra
