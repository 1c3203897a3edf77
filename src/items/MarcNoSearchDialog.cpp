#include "items/MarcNoSearchDialog.h"

#include "core/AppContext.h"
#include "items/SearchRowsWidget.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <set>

namespace kestra {

MarcNoSearchDialog::MarcNoSearchDialog(AppContext &context, MarcNoSearch &search, QWidget *parent)
    : QDialog(parent), context_(context), search_(search)
{
    setObjectName(QStringLiteral("frmMarcNoSeekN"));
    setWindowTitle(QStringLiteral("书目记录检索"));
    optMarc_ = new QRadioButton(QStringLiteral("编目库"), this);
    optMarc_->setObjectName(QStringLiteral("optMarc"));
    optAsord_ = new QRadioButton(QStringLiteral("采访库"), this);
    optAsord_->setObjectName(QStringLiteral("optAsord"));
    optAuMarc_ = new QRadioButton(QStringLiteral("规范库"), this);
    optAuMarc_->setObjectName(QStringLiteral("optAuMarc"));
    optMarc_->setChecked(true);
    auto *families = new QButtonGroup(this);
    families->addButton(optMarc_);
    families->addButton(optAsord_);
    families->addButton(optAuMarc_);
    cboLimit_ = new QComboBox(this);
    cboLimit_->setObjectName(QStringLiteral("cboLimit"));
    cboLimit_->addItem(QStringLiteral("不限"), int(MarcNoSearch::Restriction::None));
    cboLimit_->addItem(QStringLiteral("有流通记录"), int(MarcNoSearch::Restriction::WithItem));
    cboLimit_->addItem(QStringLiteral("有馆藏记录"), int(MarcNoSearch::Restriction::WithCopy));
    cboLimit_->addItem(QStringLiteral("有索书号"), int(MarcNoSearch::Restriction::WithCallNo));
    rows_ = new SearchRowsWidget(this);
    cboHistory_ = new QComboBox(this);
    cboHistory_->setObjectName(QStringLiteral("cboHistory"));
    cboHistory_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmdSearch_ = dialogButton(this, "cmdSearch", QStringLiteral("检索"));
    cmdOK_ = dialogButton(this, "cmdOK", QStringLiteral("确定"));
    cmdCancel_ = dialogButton(this, "cmdCancel", QStringLiteral("取消"));
    spdMarcLst_ = makeResultGrid(this, QStringLiteral("spdMarcLst"),
                                 {QStringLiteral("记录号"), QStringLiteral("题名"), QStringLiteral("责任者")}, true);

    auto *top = new QHBoxLayout;
    top->addWidget(optMarc_);
    top->addWidget(optAsord_);
    top->addWidget(optAuMarc_);
    top->addStretch(1);
    top->addWidget(new QLabel(QStringLiteral("限定"), this));
    top->addWidget(cboLimit_);
    auto *history = new QHBoxLayout;
    history->addWidget(new QLabel(QStringLiteral("检索历史"), this));
    history->addWidget(cboHistory_, 1);
    history->addWidget(cmdSearch_);
    auto *output = new GridOutput(context_, spdMarcLst_, windowTitle());
    QHBoxLayout *buttons = makeFootRow({output->makeButton(this)}, {cmdOK_, cmdCancel_});
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(rows_);
    layout->addLayout(history);
    layout->addWidget(spdMarcLst_, 1);
    layout->addLayout(buttons);
    resize(680, 480);

    familyChanged();
    connect(families, &QButtonGroup::buttonClicked, this, [this](QAbstractButton *) { familyChanged(); });
    connect(rows_, &SearchRowsWidget::searchRequested, this, &MarcNoSearchDialog::clickSearch);
    connect(cmdSearch_, &QPushButton::clicked, this, &MarcNoSearchDialog::clickSearch);
    connect(cmdOK_, &QPushButton::clicked, this, &MarcNoSearchDialog::clickOK);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(spdMarcLst_, &QTableWidget::cellDoubleClicked, this, [this](int, int) { clickOK(); });
    connect(cboHistory_, &QComboBox::activated, this, &MarcNoSearchDialog::chooseHistory);
}

std::optional<QStringList> MarcNoSearchDialog::run(AppContext &context, QWidget *parent)
{
    MarcNoSearch search(context);
    if (!search.prepare())
        return std::nullopt;
    MarcNoSearchDialog dialog(context, search, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}

MarcNoSearch::Family MarcNoSearchDialog::family() const
{
    if (optAsord_->isChecked())
        return MarcNoSearch::Family::Acquisition;
    if (optAuMarc_->isChecked())
        return MarcNoSearch::Family::Authority;
    return MarcNoSearch::Family::Catalogue;
}

MarcNoSearch::Restriction MarcNoSearchDialog::restriction() const
{
    return static_cast<MarcNoSearch::Restriction>(cboLimit_->currentData().toInt());
}

void MarcNoSearchDialog::familyChanged()
{
    rows_->setIndexes(search_.indexes(family()));
    cboLimit_->setEnabled(MarcNoSearch::canRestrict(family()));
    if (search_.family() != family()) {
        search_.switchFamily(family());
        showRecords();
        showHistory();
    }
}

void MarcNoSearchDialog::clickSearch()
{
    search_.search(family(), restriction(), rows_->conditions());
    showRecords();
    showHistory();
}

void MarcNoSearchDialog::clickOK()
{
    std::set<int> rows;
    for (const QModelIndex &i : spdMarcLst_->selectionModel()->selectedRows())
        rows.insert(i.row());
    if (rows.empty() && spdMarcLst_->currentRow() >= 0)
        rows.insert(spdMarcLst_->currentRow());
    const QList<FoundRecord> &records = search_.records();
    QStringList numbers;
    for (int r : rows) {
        if (r < records.size())
            numbers.append(records.at(r).marcRecNo);
    }
    if (numbers.isEmpty())
        return;
    chosen_ = numbers;
    accept();
}

void MarcNoSearchDialog::chooseHistory(int entry)
{
    const QList<SearchHistoryEntry> &history = search_.history();
    if (entry < 0 || entry >= history.size())
        return;
    rows_->setConditions(history.at(entry).conditions);
    clickSearch();
}

void MarcNoSearchDialog::showRecords()
{
    QList<QStringList> rows;
    for (const FoundRecord &r : search_.records())
        rows.append({r.marcRecNo, r.title, r.author});
    fillResultGrid(spdMarcLst_, rows);
}

void MarcNoSearchDialog::showHistory()
{
    const QSignalBlocker block(cboHistory_);
    cboHistory_->clear();
    for (const SearchHistoryEntry &e : search_.history())
        cboHistory_->addItem(e.text);
    cboHistory_->setCurrentIndex(cboHistory_->count() > 0 ? 0 : -1); // the latest search
}

} // namespace kestra
