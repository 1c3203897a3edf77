#include "items/BookGotoForm.h"

#include "core/AppContext.h"
#include "items/BookGotoPickDialog.h"
#include "items/BookState.h"
#include "items/GotoBatchDetailDialog.h"
#include "items/GotoBatchDialog.h"
#include "items/NormStatDialog.h"
#include "kit/CopyColumns.h"
#include "ui/CodeBoxes.h"
#include "ui/CommandBar.h"
#include "ui/EntryBoxes.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

namespace {

using transfer::Kind;

// The statuses a transfer may give: those of the status change but the
// repair (it needs its batch) and "不变", which is the blank entry here.
QList<CodeName> gotoStatuses()
{
    QList<CodeName> list;
    for (const CodeName &entry : book_state::targetStatuses()) {
        if (entry.code != QLatin1String("33") && entry.code != book_state::Unchanged)
            list.append(entry);
    }
    return list;
}

} // namespace

BookGotoForm::BookGotoForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent)
    : QWidget(parent), context_(context), goto_(context, barcode)
{
    setObjectName(QStringLiteral("frmHold_BookGoto_New"));
    setWindowTitle(QStringLiteral("书刊调拨"));
    goto_.setNormStatChooser(normStatDialogChooser(this));
    buildControls(context);
    showPlan();
    setFocusProxy(txtInputCode_);
}

void BookGotoForm::buildControls(AppContext &context)
{
    tbDC_ = new CommandBar(this);
    tbDC_->addCommand(QStringLiteral("SelectBatch"), QStringLiteral("调拨批次"));
    tbDC_->addCommand(QStringLiteral("Import"), QStringLiteral("导入"));
    tbDC_->addCommand(QStringLiteral("SearchBook"), QStringLiteral("检索"));
    tbDC_->addCommand(QStringLiteral("SelectAll"), QStringLiteral("全选"));
    tbDC_->addCommand(QStringLiteral("UndoGoto"), QStringLiteral("取消调拨"));
    QAction *print = tbDC_->addCommand(QStringLiteral("Print"), QStringLiteral("打印"));
    auto *printMenu = new QMenu(this);
    QAction *print1 = printMenu->addAction(QStringLiteral("打印调拨清单"));
    print1->setObjectName(QStringLiteral("Print1"));
    QAction *print2 = printMenu->addAction(QStringLiteral("打印预览"));
    print2->setObjectName(QStringLiteral("Print2"));
    print->setMenu(printMenu);
    tbDC_->addSplit();
    tbDC_->addCommand(QStringLiteral("Connect"), QStringLiteral("调拨"));
    tbDC_->addCommand(QStringLiteral("Detail"), QStringLiteral("明细"));
    tbDC_->addSplit();
    tbDC_->addCommand(QStringLiteral("Exit"), QStringLiteral("退出"));

    optKind_ = new QButtonGroup(this);
    optKind_->setObjectName(QStringLiteral("optKindGroup"));
    auto *kindBox = new QGroupBox(QStringLiteral("调拨方式"), this);
    auto *kindLayout = new QHBoxLayout(kindBox);
    kindLayout->addWidget(
        addOption(optKind_, QStringLiteral("optItem"), int(Kind::ByCopy), QStringLiteral("按册"), kindBox));
    kindLayout->addWidget(
        addOption(optKind_, QStringLiteral("optKind"), int(Kind::ByClass), QStringLiteral("按类"), kindBox));
    kindLayout->addWidget(
        addOption(optKind_, QStringLiteral("optBatch"), int(Kind::ByBatch), QStringLiteral("按批"), kindBox));
    kindLayout->addWidget(
        addOption(optKind_, QStringLiteral("optLocation"), int(Kind::ByLocation), QStringLiteral("按地"), kindBox));
    kindLayout->addSpacing(20);
    optGotoBatch_ = new QCheckBox(QStringLiteral("记录调拨批次"), kindBox);
    optGotoBatch_->setObjectName(QStringLiteral("optGotoBatch"));
    kindLayout->addWidget(optGotoBatch_);
    lblGotoBatch_ = new QLabel(kindBox);
    lblGotoBatch_->setObjectName(QStringLiteral("lblGotoBatch"));
    kindLayout->addWidget(lblGotoBatch_, 1);

    cmbSource_ = new LocationBox(context, QString(), this);
    cmbSource_->setObjectName(QStringLiteral("cmbLoca_Src"));
    cmbSource_->insertItem(0, QStringLiteral("所有馆藏地"), QString(transfer::AllLocations));
    cmbDestination_ = new LocationBox(context, QString(), this);
    cmbDestination_->setObjectName(QStringLiteral("cmbLoca_Dst"));
    cmbDestination_->insertItem(0, QString(), QString());
    cmbDestination_->setCurrentIndex(0);
    cmbNewState_ = new CodeBox(this);
    cmbNewState_->setObjectName(QStringLiteral("cmbNewState"));
    cmbNewState_->setEntries(gotoStatuses(), QStringLiteral("不变"));
    cmbDoc_ = new CodeTableBox(context, CodeCache::DocTypes, this, QStringLiteral("<不限>"));
    cmbDoc_->setObjectName(QStringLiteral("cmbDoc"));
    auto *plan = new QGridLayout;
    plan->addWidget(new QLabel(QStringLiteral("原馆藏地"), this), 0, 0);
    plan->addWidget(cmbSource_, 0, 1);
    plan->addWidget(new QLabel(QStringLiteral("新馆藏地"), this), 0, 2);
    plan->addWidget(cmbDestination_, 0, 3);
    plan->addWidget(new QLabel(QStringLiteral("新状态"), this), 1, 0);
    plan->addWidget(cmbNewState_, 1, 1);
    plan->addWidget(new QLabel(QStringLiteral("文献类型"), this), 1, 2);
    plan->addWidget(cmbDoc_, 1, 3);
    plan->setColumnStretch(1, 1);
    plan->setColumnStretch(3, 1);

    QTableView *spdBookLst = makeRowGrid(&goto_.model(), QStringLiteral("spdBookLst"), this);
    auto *output = new GridOutput(context, spdBookLst, windowTitle());
    output->setCopyTotals(columnOf(goto_.model(), copyHeading(CopyField::Price)));
    lblCount_ = makeCountLabel(this);
    auto *footer = new QHBoxLayout;
    footer->addWidget(lblCount_, 1);
    footer->addWidget(output->makeButton(this));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tbDC_);
    layout->addWidget(kindBox);
    layout->addLayout(plan);
    layout->addWidget(buildGathering());
    layout->addWidget(spdBookLst, 1);
    layout->addLayout(footer);

    connect(optKind_, &QButtonGroup::idClicked, this, &BookGotoForm::chooseKind);
    connect(optGotoBatch_, &QCheckBox::clicked, this, &BookGotoForm::toggleBatch);
    connect(cmbSource_, &QComboBox::currentIndexChanged, this, &BookGotoForm::chooseSource);
    connect(cmbDestination_, &QComboBox::currentIndexChanged, this,
            [this]() { goto_.setDestination(cmbDestination_->currentCode()); });
    connect(cmbNewState_, &QComboBox::currentIndexChanged, this,
            [this]() { goto_.setNewStatus(cmbNewState_->currentCode()); });
    connect(cmbDoc_, &QComboBox::currentIndexChanged, this, [this]() { goto_.setDocType(cmbDoc_->currentCode()); });
    connect(tbDC_, &CommandBar::commandTriggered, this, &BookGotoForm::runCommand);
    connect(print1, &QAction::triggered, this, [this]() { goto_.print(PrintTarget::Printer); });
    connect(print2, &QAction::triggered, this, [this]() { goto_.print(PrintTarget::Preview); });
    connect(&goto_.model(), &QAbstractItemModel::rowsInserted, this, [this, spdBookLst]() {
        spdBookLst->scrollToBottom();
        showCount();
    });
    connect(&goto_.model(), &QAbstractItemModel::rowsRemoved, this, &BookGotoForm::showCount);
    connect(&goto_.model(), &QAbstractItemModel::modelReset, this, &BookGotoForm::showCount);
    goto_.setSource(cmbSource_->currentCode());
    showCount();
}

QWidget *BookGotoForm::buildGathering()
{
    auto *box = new QGroupBox(QStringLiteral("选择书刊"), this);
    const ScanInput scan = makeScanInput(goto_.entry(), this, box);
    QRadioButton *byBarcode = scan.byBarcode;
    QRadioButton *byAccession = scan.byAccession;
    txtInputCode_ = scan.code;
    txtStartCode_ = new QLineEdit(box);
    txtStartCode_->setObjectName(QStringLiteral("txtStartCode"));
    txtEndCode_ = new QLineEdit(box);
    txtEndCode_->setObjectName(QStringLiteral("txtEndCode"));
    QPushButton *cmdRange = makeButton(QStringLiteral("cmdRange"), QStringLiteral("按号段列入"), box);
    txtInputKind_ = new ClassNumberBox(box);
    QPushButton *cmdKind = makeButton(QStringLiteral("cmdKind"), QStringLiteral("查找"), box);
    txtMoveBatch_ = new QLineEdit(box);
    txtMoveBatch_->setObjectName(QStringLiteral("txtMoveBatch"));
    QPushButton *cmdMoveBatch = makeButton(QStringLiteral("cmdMoveBatch"), QStringLiteral("查找"), box);
    QPushButton *cmdLocation = makeButton(QStringLiteral("cmdLocation"), QStringLiteral("按地调拨"), box);

    auto *grid = new QGridLayout(box);
    grid->addWidget(byBarcode, 0, 0);
    grid->addWidget(byAccession, 0, 1);
    grid->addWidget(txtInputCode_, 0, 2, 1, 2);
    auto *startLabel = new QLabel(QStringLiteral("起始号"), box);
    auto *endLabel = new QLabel(QStringLiteral("终止号"), box);
    grid->addWidget(startLabel, 1, 0);
    grid->addWidget(txtStartCode_, 1, 1);
    grid->addWidget(endLabel, 1, 2);
    grid->addWidget(txtEndCode_, 1, 3);
    grid->addWidget(cmdRange, 1, 4);
    auto *kindLabel = new QLabel(QStringLiteral("分类号"), box);
    grid->addWidget(kindLabel, 2, 0);
    grid->addWidget(txtInputKind_, 2, 1);
    grid->addWidget(cmdKind, 2, 2);
    auto *batchLabel = new QLabel(QStringLiteral("交接批次"), box);
    grid->addWidget(batchLabel, 3, 0);
    grid->addWidget(txtMoveBatch_, 3, 1);
    grid->addWidget(cmdMoveBatch, 3, 2);
    grid->addWidget(cmdLocation, 3, 4);
    grid->setColumnStretch(3, 1);

    byCopy_ = {byBarcode, byAccession, txtInputCode_, startLabel, txtStartCode_, endLabel, txtEndCode_, cmdRange};
    byClass_ = {kindLabel, txtInputKind_, cmdKind};
    byBatch_ = {batchLabel, txtMoveBatch_, cmdMoveBatch};
    byLocation_ = {cmdLocation};

    connect(txtInputCode_, &CodeEntry::entered, this, [this](const QString &text) { goto_.enter(text); });
    connect(cmdRange, &QPushButton::clicked, this,
            [this]() { goto_.gatherRange(txtStartCode_->text(), txtEndCode_->text()); });
    connect(txtInputKind_, &ClassNumberBox::entered, this, [this]() { pick(true); });
    connect(cmdKind, &QPushButton::clicked, this, [this]() { pick(true); });
    connect(txtMoveBatch_, &QLineEdit::returnPressed, this, [this]() { pick(false); });
    connect(cmdMoveBatch, &QPushButton::clicked, this, [this]() { pick(false); });
    connect(cmdLocation, &QPushButton::clicked, this, [this]() { goto_.run(); });
    return box;
}

void BookGotoForm::setCopySearch(CopyPicker search)
{
    search_ = std::move(search);
    showPlan();
}

void BookGotoForm::chooseKind(int id)
{
    goto_.setKind(static_cast<Kind>(id));
    showPlan();
}

void BookGotoForm::chooseSource()
{
    goto_.setSource(cmbSource_->currentCode());
    showPlan();
}

void BookGotoForm::toggleBatch(bool on)
{
    if (on)
        selectBatch();
    else
        goto_.chooseBatch(std::nullopt);
    showPlan();
}

void BookGotoForm::selectBatch()
{
    GotoBatch preset = goto_.batch().value_or(GotoBatch{});
    if (!goto_.batch()) {
        preset.kind = goto_.kind();
        preset.source = goto_.plan().source;
        preset.destination = goto_.plan().destination;
        preset.docType = goto_.plan().docType;
    }
    GotoBatchDialog dialog(context_, preset, this);
    if (dialog.exec() == QDialog::Accepted && dialog.chosen())
        goto_.chooseBatch(dialog.chosen());
    else
        goto_.checkBatch(); // the dialog may have deleted it
    showPlan();
}

// The controls follow the controller: a refused change of kind or source
// puts the old choice back, a chosen batch sets kind, locations and type.
void BookGotoForm::showPlan()
{
    const TransferPlan &plan = goto_.plan();
    const Kind kind = goto_.kind();
    {
        const QSignalBlocker blockSource(cmbSource_);
        const QSignalBlocker blockDestination(cmbDestination_);
        const QSignalBlocker blockDoc(cmbDoc_);
        cmbSource_->setCurrentCode(plan.source);
        cmbDestination_->setCurrentCode(plan.destination);
        cmbDoc_->setCurrentCode(plan.docType);
    }
    optKind_->button(int(kind))->setChecked(true);
    const bool recorded = goto_.batch().has_value();
    optGotoBatch_->setChecked(recorded);
    lblGotoBatch_->setText(recorded ? QStringLiteral("调拨批次：") + goto_.batch()->batchNo : QString());
    lblGotoBatch_->setToolTip(recorded ? GotoBatches(context_).describe(*goto_.batch()).join(u'\n') : QString());
    // A recorded batch fixes what it was made for.
    for (QAbstractButton *b : optKind_->buttons())
        b->setEnabled(!recorded);
    cmbSource_->setEnabled(!recorded);
    cmbDestination_->setEnabled(!recorded);
    cmbDoc_->setEnabled(!recorded && kind != Kind::ByCopy);
    for (QWidget *w : std::as_const(byCopy_))
        w->setEnabled(kind == Kind::ByCopy);
    for (QWidget *w : std::as_const(byClass_))
        w->setEnabled(kind == Kind::ByClass);
    for (QWidget *w : std::as_const(byBatch_))
        w->setEnabled(kind == Kind::ByBatch);
    for (QWidget *w : std::as_const(byLocation_))
        w->setEnabled(kind == Kind::ByLocation);
    const bool list = kind != Kind::ByLocation;
    tbDC_->setCommandsEnabled({QStringLiteral("Import")}, kind == Kind::ByCopy);
    tbDC_->setCommandEnabled(QStringLiteral("SearchBook"), kind == Kind::ByCopy && static_cast<bool>(search_));
    tbDC_->setCommandsEnabled({QStringLiteral("SelectAll"), QStringLiteral("UndoGoto"), QStringLiteral("Print")}, list);
    tbDC_->setCommandEnabled(QStringLiteral("Detail"), recorded);
    if (kind == Kind::ByCopy)
        txtInputCode_->setFocus();
}

void BookGotoForm::pick(bool byClass)
{
    const int found =
        byClass ? goto_.pickByClass(txtInputKind_->classNumber()) : goto_.pickByHandoverBatch(txtMoveBatch_->text());
    if (found <= 0)
        return;
    BookGotoPickDialog dialog(goto_.picks(), this);
    goto_.takePicks(dialog.exec() == QDialog::Accepted);
}

void BookGotoForm::runCommand(const QString &key)
{
    if (key == u"SelectBatch") {
        selectBatch();
    } else if (key == u"Import") {
        goto_.importCodes();
    } else if (key == u"SearchBook") {
        if (search_) {
            const std::optional<QString> propNo = search_(goto_.plan().source);
            if (propNo && !propNo->isEmpty())
                goto_.enterCode(*propNo, InputType::Accession);
        }
    } else if (key == u"SelectAll") {
        goto_.model().markAll();
    } else if (key == u"UndoGoto") {
        goto_.dropMarked();
    } else if (key == u"Print") {
        goto_.print(PrintTarget::Printer);
    } else if (key == u"Connect") {
        goto_.run();
        showPlan(); // a batch deleted meanwhile has been let go
    } else if (key == u"Detail") {
        if (goto_.batch()) {
            GotoBatchDetailDialog dialog(context_, goto_.batch()->batchNo, this);
            dialog.exec();
        }
    } else if (key == u"Exit") {
        closeForm(this);
        return;
    }
    if (goto_.kind() == Kind::ByCopy)
        txtInputCode_->setFocus();
}

void BookGotoForm::closeEvent(QCloseEvent *event)
{
    if (!goto_.mayClose()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void BookGotoForm::showCount()
{
    showCopyCount(lblCount_, goto_.rows().size());
}

} // namespace kestra
