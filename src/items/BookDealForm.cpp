#include "items/BookDealForm.h"

#include "copies/ItemCodes.h"
#include "items/BookBatchDialog.h"
#include "items/BookCheckBack.h"
#include "items/BookDeal.h"
#include "kit/CellText.h"
#include "ui/CommandBar.h"
#include "ui/EntryBoxes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

namespace {

// The detail boxes of the copy last found, with their captions.
struct DealDetailBox {
    const char *name;
    const char *caption;
    QString CopyDetails::*field;
};

const DealDetailBox kDealDetailBoxes[] = {
    {"txtPropno", "财产号", &CopyDetails::propNo},     {"txtBarCode", "条码号", &CopyDetails::barCode},
    {"txtLocation", "馆藏地", &CopyDetails::location}, {"txtState", "状态", &CopyDetails::state},
    {"txtCallno", "索书号", &CopyDetails::callNo},     {"txtBookName", "题名", &CopyDetails::bookName},
    {"txtAuthor", "责任者", &CopyDetails::author},     {"txtPubl", "出版社", &CopyDetails::publisher},
    {"txtPrice", "价格", &CopyDetails::price},         {"txtInDate", "入藏日期", &CopyDetails::inDate},
    {"txtAttach", "附件", &CopyDetails::attach},       {"txtYearVolPeri", "年卷期", &CopyDetails::yearVolPeri},
};

} // namespace

QString BookDealForm::formName(const QString &type)
{
    if (type == deal_type::Repair)
        return QStringLiteral("frmHold_BookRepair");
    if (type == deal_type::CheckBack)
        return QStringLiteral("frmHold_BookCheckBack");
    return QStringLiteral("frmHold_BookPR_EX_RJ");
}

BookDealForm::BookDealForm(AppContext &context, const BarcodeSettings &barcode, const QString &type, QWidget *parent)
    : ScanForm(context, formName(type), deal_form::caption(type), parent), context_(context), type_(type)
{
    if (type == deal_type::CheckBack)
        deal_ = std::make_unique<BookCheckBack>(context, barcode);
    else
        deal_ = std::make_unique<BookDeal>(context, barcode, type);
    attach(*deal_);
    bindCommands();
    buildControls();
    listChanged();
}

BookDealForm::~BookDealForm() = default;

void BookDealForm::setNormStatChooser(NormStatChooser choose)
{
    if (auto *deal = dynamic_cast<BookDeal *>(deal_.get()))
        deal->setNormStatChooser(std::move(choose));
}

void BookDealForm::bindCommands()
{
    const bool checkBack = type_ == deal_type::CheckBack;
    const bool weeding = type_ != deal_type::Repair && !checkBack;
    bind(QStringLiteral("SelectBatch"), QStringLiteral("选择批次"), [this]() { selectBatch(); });
    bind(QStringLiteral("ShowBatch"), QStringLiteral("刷新批次"), [this]() {
        deal_->refreshBatch();
        listChanged();
    });
    commandBar()->addSplit();
    bindImportAndSearch();
    bind(QStringLiteral("ShowAllItem"), QStringLiteral("所有复本"), [this]() { showAllItems(); });
    bindSelectAndUndo(weeding ? QStringLiteral("UndoDelete") : QStringLiteral("UndoRepair"),
                      deal_form::undoCaption(type_));
    commandBar()->addSplit();
    bind(QStringLiteral("Print"), QStringLiteral("打印"), [this]() { deal_->printLists(); });
    if (weeding)
        bind(QStringLiteral("ExportMarc"), QStringLiteral("导出MARC"), [this]() { deal_->exportMarc(); });
    bind(QStringLiteral("Connect"), QStringLiteral("结束批次"), [this]() {
        deal_->finishBatch();
        listChanged();
    });
    bind(QStringLiteral("UndoConnect"), QStringLiteral("取消结束"), [this]() {
        deal_->reopenBatch();
        listChanged();
    });
    bindExit();
}

void BookDealForm::buildControls()
{
    const bool repair = type_ == deal_type::Repair;
    const bool checkBack = type_ == deal_type::CheckBack;
    txtBatch_ = makeLineEdit(QStringLiteral("txtBatch"), 20, this);
    txtBatch_->setReadOnly(true);
    txtLocaName_ = makeLineEdit(QStringLiteral("txtLocaName"), 60, this);
    txtLocaName_->setReadOnly(true);
    lblState_ = new QLabel(this);
    lblState_->setObjectName(QStringLiteral("lblState"));

    txtFee_ = makeLineEdit(QStringLiteral("txtFee"), 12, this);
    txtBookTarget_ = makeLineEdit(QStringLiteral("txtBook_Target"), 100, this);
    txtRemark_ = makeLineEdit(QStringLiteral("txtRemark"), 100, this);
    cmdChange_ = new QPushButton(QStringLiteral("修改"), this);
    cmdChange_->setObjectName(QStringLiteral("cmdChange"));
    cmdChange_->setAutoDefault(false);

    spdItemAll_ = makeRowGrid(&deal_->titleCopies(), QStringLiteral("spdItemAll"), this);
    spdItemAll_->hide();

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("处理批次"), this), 0, 0);
    grid->addWidget(txtBatch_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("馆藏地"), this), 0, 2);
    grid->addWidget(txtLocaName_, 0, 3);
    grid->addWidget(lblState_, 0, 4);
    auto *input = new QHBoxLayout;
    input->addWidget(scanInput().byBarcode);
    input->addWidget(scanInput().byAccession);
    input->addWidget(scanBox(), 1);
    grid->addLayout(input, 1, 0, 1, 5);
    auto *perCopy = new QHBoxLayout;
    if (repair || checkBack) {
        perCopy->addWidget(new QLabel(QStringLiteral("处理费用"), this));
        perCopy->addWidget(txtFee_);
    } else {
        txtFee_->hide();
    }
    perCopy->addWidget(new QLabel(QStringLiteral("书刊去向"), this));
    perCopy->addWidget(txtBookTarget_, 1);
    perCopy->addWidget(new QLabel(QStringLiteral("处理说明"), this));
    perCopy->addWidget(txtRemark_, 1);
    perCopy->addWidget(cmdChange_);
    if (checkBack) {
        // The boxes show what the repair row says about a returned copy;
        // a check-back row has no values of its own to amend.
        txtFee_->setReadOnly(true);
        txtBookTarget_->setReadOnly(true);
        txtRemark_->setReadOnly(true);
        cmdChange_->hide();
    }
    grid->addLayout(perCopy, 2, 0, 1, 5);
    auto *details = new QGroupBox(QStringLiteral("书刊信息"), this);
    auto *detailGrid = new QGridLayout(details);
    int at = 0;
    for (const DealDetailBox &d : kDealDetailBoxes) {
        QLineEdit *edit = makeLineEdit(QLatin1String(d.name), 200, details);
        edit->setReadOnly(true);
        detailGrid->addWidget(new QLabel(QString::fromUtf8(d.caption), details), at / 4, (at % 4) * 2);
        detailGrid->addWidget(edit, at / 4, (at % 4) * 2 + 1);
        details_.append(edit);
        ++at;
    }
    grid->addWidget(details, 3, 0, 1, 5);
    grid->setColumnStretch(3, 1);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(list());
    split->addWidget(spdItemAll_);
    QVBoxLayout *layout = beginLayout();
    layout->addLayout(grid);
    endLayout(layout, split);

    connect(cmdChange_, &QPushButton::clicked, this, [this]() {
        beforeScan();
        deal_->amendMarked();
    });
}

void BookDealForm::selectBatch()
{
    // The check-back batches are made by finishing a repair batch: their
    // dialog only chooses and deletes.
    const auto kind = type_ == deal_type::CheckBack ? BookBatchDialog::Kind::Done : BookBatchDialog::Kind::Full;
    deal_->batchChosen(BookBatchDialog::choose(context_, type_, QStringLiteral("All"), kind, this));
    spdItemAll_->hide();
    listChanged();
}

void BookDealForm::listChanged()
{
    ScanForm::listChanged();
    const DealBatch &b = deal_->batch();
    const bool has = deal_->hasBatch();
    txtBatch_->setText(b.number);
    txtLocaName_->setText(has ? cell::location(context_, b.location) : QString());
    lblState_->setText(has ? deal_batch::stateName(b.flag) : QString());
    showCommands();
}

void BookDealForm::showCommands()
{
    if (txtBatch_ == nullptr)
        return; // not built yet
    const DealBatch &b = deal_->batch();
    const bool has = deal_->hasBatch();
    CommandBar *bar = commandBar();
    bar->setCommandsEnabled(
        {QStringLiteral("ShowBatch"), QStringLiteral("Import"), QStringLiteral("Print"), QStringLiteral("ExportMarc")},
        has);
    bar->setCommandEnabled(QStringLiteral("SearchBook"), has && hasCopySearch());
    bar->setCommandEnabled(QStringLiteral("Connect"), has && !b.finished());
    bar->setCommandEnabled(QStringLiteral("UndoConnect"), has && b.finished());
}

void BookDealForm::beforeScan()
{
    deal_->fee = txtFee_->text();
    deal_->target = txtBookTarget_->text();
    deal_->remark = txtRemark_->text();
}

void BookDealForm::afterScan(const ScanReport &)
{
    const CopyDetails &copy = deal_->details();
    for (int i = 0; i < details_.size(); ++i)
        details_.at(i)->setText(copy.*(kDealDetailBoxes[i].field));
    if (type_ != deal_type::CheckBack)
        return;
    txtFee_->setText(deal_->fee);
    txtBookTarget_->setText(deal_->target);
    txtRemark_->setText(deal_->remark);
}

void BookDealForm::showAllItems()
{
    const QModelIndex at = list()->currentIndex();
    if (!at.isValid())
        return;
    if (deal_->showAllItems(at.row()) >= 0)
        spdItemAll_->show();
}

} // namespace kestra
