#include "items/BookDealForm.h"

#include "copies/ItemCodes.h"
#include "core/AppContext.h"
#include "items/BookBatchDialog.h"
#include "items/BookCheckBack.h"
#include "items/BookDeal.h"
#include "items/DealLists.h"
#include "kit/CopyColumns.h"
#include "ui/CommandBar.h"
#include "ui/EntryBoxes.h"
#include "ui/FormParts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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
    : QWidget(parent), context_(context), type_(type)
{
    if (type == deal_type::CheckBack)
        deal_ = std::make_unique<BookCheckBack>(context, barcode);
    else
        deal_ = std::make_unique<BookDeal>(context, barcode, type);
    setObjectName(formName(type));
    setWindowTitle(deal_form::caption(type));
    buildControls();
    showBatchState();
    setFocusProxy(txtInputCode_);
}

BookDealForm::~BookDealForm() = default;

void BookDealForm::setCopySearch(CopyPicker search)
{
    search_ = std::move(search);
    showBatchState();
}

void BookDealForm::setNormStatChooser(NormStatChooser choose)
{
    if (auto *deal = dynamic_cast<BookDeal *>(deal_.get()))
        deal->setNormStatChooser(std::move(choose));
}

void BookDealForm::buildControls()
{
    const bool repair = type_ == deal_type::Repair;
    const bool checkBack = type_ == deal_type::CheckBack;
    tbDC_ = new CommandBar(this);
    tbDC_->addCommand(QStringLiteral("SelectBatch"), QStringLiteral("选择批次"));
    tbDC_->addCommand(QStringLiteral("ShowBatch"), QStringLiteral("刷新批次"));
    tbDC_->addSplit();
    tbDC_->addCommand(QStringLiteral("Import"), QStringLiteral("导入"));
    tbDC_->addCommand(QStringLiteral("SearchBook"), QStringLiteral("检索"));
    tbDC_->addCommand(QStringLiteral("ShowAllItem"), QStringLiteral("所有复本"));
    tbDC_->addCommand(QStringLiteral("SelectAll"), QStringLiteral("全选"));
    tbDC_->addCommand(repair || checkBack ? QStringLiteral("UndoRepair") : QStringLiteral("UndoDelete"),
                      deal_form::undoCaption(type_));
    tbDC_->addSplit();
    tbDC_->addCommand(QStringLiteral("Print"), QStringLiteral("打印"));
    if (!repair && !checkBack)
        tbDC_->addCommand(QStringLiteral("ExportMarc"), QStringLiteral("导出MARC"));
    tbDC_->addCommand(QStringLiteral("Connect"), QStringLiteral("结束批次"));
    tbDC_->addCommand(QStringLiteral("UndoConnect"), QStringLiteral("取消结束"));
    tbDC_->addSplit();
    tbDC_->addCommand(QStringLiteral("Exit"), QStringLiteral("退出"));
    connect(tbDC_, &CommandBar::commandTriggered, this, &BookDealForm::runCommand);

    txtBatch_ = makeLineEdit(QStringLiteral("txtBatch"), 20, this);
    txtBatch_->setReadOnly(true);
    txtLocaName_ = makeLineEdit(QStringLiteral("txtLocaName"), 60, this);
    txtLocaName_->setReadOnly(true);
    lblState_ = new QLabel(this);
    lblState_->setObjectName(QStringLiteral("lblState"));

    const ScanInput scan = makeScanInput(deal_->entry(), this, this);
    QRadioButton *byBarcode = scan.byBarcode;
    QRadioButton *byAccession = scan.byAccession;
    txtInputCode_ = scan.code;

    txtFee_ = makeLineEdit(QStringLiteral("txtFee"), 12, this);
    txtBookTarget_ = makeLineEdit(QStringLiteral("txtBook_Target"), 100, this);
    txtRemark_ = makeLineEdit(QStringLiteral("txtRemark"), 100, this);
    cmdChange_ = new QPushButton(QStringLiteral("修改"), this);
    cmdChange_->setObjectName(QStringLiteral("cmdChange"));
    cmdChange_->setAutoDefault(false);

    spdBookLst_ = makeRowGrid(&deal_->model(), QStringLiteral("spdBookLst"), this);
    spdItemAll_ = makeRowGrid(&deal_->titleCopies(), QStringLiteral("spdItemAll"), this);
    spdItemAll_->hide();
    lblCount_ = makeCountLabel(this);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("处理批次"), this), 0, 0);
    grid->addWidget(txtBatch_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("馆藏地"), this), 0, 2);
    grid->addWidget(txtLocaName_, 0, 3);
    grid->addWidget(lblState_, 0, 4);
    auto *input = new QHBoxLayout;
    input->addWidget(byBarcode);
    input->addWidget(byAccession);
    input->addWidget(txtInputCode_, 1);
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
    split->addWidget(spdBookLst_);
    split->addWidget(spdItemAll_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tbDC_);
    layout->addLayout(grid);
    layout->addWidget(split, 1);
    layout->addWidget(lblCount_);

    connect(txtInputCode_, &CodeEntry::entered, this, &BookDealForm::enterCode);
    connect(cmdChange_, &QPushButton::clicked, this, [this]() {
        syncInputs();
        deal_->amendMarked();
    });
    connect(&deal_->model(), &QAbstractItemModel::rowsInserted, this, &BookDealForm::showBatchState);
    connect(&deal_->model(), &QAbstractItemModel::rowsRemoved, this, &BookDealForm::showBatchState);
    connect(&deal_->model(), &QAbstractItemModel::modelReset, this, &BookDealForm::showBatchState);
}

void BookDealForm::runCommand(const QString &key)
{
    if (key == u"SelectBatch") {
        selectBatch();
    } else if (key == u"ShowBatch") {
        showBatch();
    } else if (key == u"Import") {
        syncInputs();
        deal_->importCodes();
        showInputs();
    } else if (key == u"SearchBook") {
        syncInputs();
        deal_->searchAndAdd(search_);
        showInputs();
    } else if (key == u"ShowAllItem") {
        showAllItems();
    } else if (key == u"SelectAll") {
        deal_->model().markAll();
    } else if (key == u"UndoRepair" || key == u"UndoDelete") {
        deal_->cancelMarked();
    } else if (key == u"Print") {
        print();
    } else if (key == u"ExportMarc") {
        deal_lists::exportMarc(context_, deal_->batch());
    } else if (key == u"Connect") {
        finish(false);
    } else if (key == u"UndoConnect") {
        finish(true);
    } else if (key == u"Exit") {
        closeForm(this);
        return;
    }
    txtInputCode_->setFocus();
}

void BookDealForm::selectBatch()
{
    // The check-back batches are made by finishing a repair batch: their
    // dialog only chooses and deletes.
    const auto kind = type_ == deal_type::CheckBack ? BookBatchDialog::Kind::Done : BookBatchDialog::Kind::Full;
    const std::optional<DealBatch> b = BookBatchDialog::choose(context_, type_, QStringLiteral("All"), kind, this);
    if (b) {
        deal_->selectBatch(b->location, b->number);
    } else if (deal_->hasBatch()) {
        // The dialog may have deleted the batch this form works in: copies
        // entered after that would be logged under no batch at all.
        DealBatch now;
        if (deal_batch::read(context_, deal_->batch().location, deal_->batch().number, type_, now) == 0) {
            deal_->batch() = DealBatch();
            deal_->model().reset();
        }
    }
    spdItemAll_->hide();
    showBatchState();
}

void BookDealForm::showBatch()
{
    if (!deal_->hasBatch())
        return;
    // The batch itself may have been finished or reopened elsewhere.
    DealBatch now;
    if (deal_batch::read(context_, deal_->batch().location, deal_->batch().number, type_, now) > 0)
        deal_->batch() = now;
    deal_->reload();
    showBatchState();
}

void BookDealForm::showBatchState()
{
    const DealBatch &b = deal_->batch();
    const bool has = deal_->hasBatch();
    txtBatch_->setText(b.number);
    txtLocaName_->setText(has ? cell::location(context_, b.location) : QString());
    lblState_->setText(has ? deal_batch::stateName(b.flag) : QString());
    showCopyCount(lblCount_, deal_->model().count());
    tbDC_->setCommandsEnabled(
        {QStringLiteral("ShowBatch"), QStringLiteral("Import"), QStringLiteral("Print"), QStringLiteral("ExportMarc")},
        has);
    tbDC_->setCommandEnabled(QStringLiteral("SearchBook"), has && static_cast<bool>(search_));
    tbDC_->setCommandEnabled(QStringLiteral("Connect"), has && !b.finished());
    tbDC_->setCommandEnabled(QStringLiteral("UndoConnect"), has && b.finished());
}

void BookDealForm::syncInputs()
{
    deal_->fee = txtFee_->text();
    deal_->target = txtBookTarget_->text();
    deal_->remark = txtRemark_->text();
}

void BookDealForm::showInputs()
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

void BookDealForm::enterCode(const QString &text)
{
    syncInputs();
    deal_->enter(text);
    showInputs();
    spdBookLst_->scrollToBottom();
}

void BookDealForm::showAllItems()
{
    const QModelIndex at = spdBookLst_->currentIndex();
    if (!at.isValid())
        return;
    if (deal_->showAllItems(at.row()) >= 0)
        spdItemAll_->show();
}

void BookDealForm::print()
{
    const DealBatch &b = deal_->batch();
    if (type_ != deal_type::CheckBack) {
        if (const std::optional<ListReport> list = deal_lists::batchList(context_, b))
            deal_lists::preview(context_, *list);
        return;
    }
    if (const std::optional<ListReport> back = deal_lists::returnedList(context_, b))
        deal_lists::preview(context_, *back);
    if (const std::optional<ListReport> out = deal_lists::stillOutList(context_, b))
        deal_lists::preview(context_, *out);
}

void BookDealForm::finish(bool reopen)
{
    if (!deal_->hasBatch())
        return;
    if (reopen)
        deal_batch::reopen(context_, deal_->batch());
    else
        deal_batch::finish(context_, deal_->batch());
    showBatchState();
}

} // namespace kestra
