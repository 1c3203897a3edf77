#include "items/BookGotoForm.h"

#include "items/BookGotoPickDialog.h"
#include "items/GotoBatchDetailDialog.h"
#include "items/GotoBatchDialog.h"
#include "items/NormStatDialog.h"
#include "ui/CodeBoxes.h"
#include "ui/CommandBar.h"
#include "ui/EntryBoxes.h"
#include "ui/WaitWindow.h"

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
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

namespace {

using transfer::Kind;

} // namespace

BookGotoForm::BookGotoForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent)
    : ScanForm(context, QStringLiteral("frmHold_BookGoto_New"), QStringLiteral("书刊调拨"), parent), context_(context),
      goto_(context, barcode)
{
    attach(goto_);
    goto_.setNormStatChooser(normStatDialogChooser(this));
    bindCommands();
    buildControls(context);
    showPlan();
}

void BookGotoForm::bindCommands()
{
    bind(QStringLiteral("SelectBatch"), QStringLiteral("调拨批次"), [this]() { selectBatch(); });
    bindImportAndSearch();
    bind(QStringLiteral("ShowAllItem"), QStringLiteral("所有复本"), [this]() { showAllItems(); });
    bindSelectAndUndo(QStringLiteral("UndoGoto"), QStringLiteral("取消调拨"));
    QAction *print =
        bind(QStringLiteral("Print"), QStringLiteral("打印"), [this]() { goto_.print(PrintTarget::Printer); });
    auto *printMenu = new QMenu(this);
    QAction *print1 = printMenu->addAction(QStringLiteral("打印调拨清单"));
    print1->setObjectName(QStringLiteral("Print1"));
    QAction *print2 = printMenu->addAction(QStringLiteral("打印预览"));
    print2->setObjectName(QStringLiteral("Print2"));
    print->setMenu(printMenu);
    connect(print1, &QAction::triggered, this, [this]() { goto_.print(PrintTarget::Printer); });
    connect(print2, &QAction::triggered, this, [this]() { goto_.print(PrintTarget::Preview); });
    commandBar()->addSplit();
    bind(QStringLiteral("Connect"), QStringLiteral("调拨"), [this]() {
        goto_.run();
        showPlan(); // a batch deleted meanwhile has been let go
    });
    bind(QStringLiteral("Detail"), QStringLiteral("明细"), [this]() {
        if (goto_.batch()) {
            GotoBatchDetailDialog dialog(context_, goto_.batch()->batchNo, this);
            dialog.exec();
        }
    });
    bindExit();
}

void BookGotoForm::buildControls(AppContext &context)
{

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
    cmbNewState_->setEntries(transfer::newStatuses(), QStringLiteral("不变"));
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

    spdItemAll_ = makeRowGrid(&goto_.titleCopies(), QStringLiteral("spdItemAll"), this);
    spdItemAll_->hide();
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(list());
    split->addWidget(spdItemAll_);

    QVBoxLayout *layout = beginLayout();
    layout->addWidget(kindBox);
    layout->addLayout(plan);
    layout->addWidget(buildGathering());
    endLayout(layout, split);

    connect(optKind_, &QButtonGroup::idClicked, this, &BookGotoForm::chooseKind);
    connect(optGotoBatch_, &QCheckBox::clicked, this, &BookGotoForm::toggleBatch);
    connect(cmbSource_, &QComboBox::currentIndexChanged, this, &BookGotoForm::chooseSource);
    connect(cmbDestination_, &QComboBox::currentIndexChanged, this,
            [this]() { goto_.setDestination(cmbDestination_->currentCode()); });
    connect(cmbNewState_, &QComboBox::currentIndexChanged, this,
            [this]() { goto_.setNewStatus(cmbNewState_->currentCode()); });
    connect(cmbDoc_, &QComboBox::currentIndexChanged, this, [this]() { goto_.setDocType(cmbDoc_->currentCode()); });
    goto_.setSource(cmbSource_->currentCode());
}

QWidget *BookGotoForm::buildGathering()
{
    auto *box = new QGroupBox(QStringLiteral("选择书刊"), this);
    QRadioButton *byBarcode = scanInput().byBarcode;
    QRadioButton *byAccession = scanInput().byAccession;
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
    grid->addWidget(scanBox(), 0, 2, 1, 2);
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

    byCopy_ = {byBarcode, byAccession, scanBox(), startLabel, txtStartCode_, endLabel, txtEndCode_, cmdRange};
    byClass_ = {kindLabel, txtInputKind_, cmdKind};
    byBatch_ = {batchLabel, txtMoveBatch_, cmdMoveBatch};
    byLocation_ = {cmdLocation};

    connect(cmdRange, &QPushButton::clicked, this,
            [this]() { goto_.gatherRange(txtStartCode_->text(), txtEndCode_->text()); });
    connect(txtInputKind_, &ClassNumberBox::entered, this, [this]() { pick(true); });
    connect(cmdKind, &QPushButton::clicked, this, [this]() { pick(true); });
    connect(txtMoveBatch_, &QLineEdit::returnPressed, this, [this]() { pick(false); });
    connect(cmdMoveBatch, &QPushButton::clicked, this, [this]() { pick(false); });
    connect(cmdLocation, &QPushButton::clicked, this, [this]() { goto_.run(); });
    return box;
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
    GotoBatchDialog dialog(context_, goto_.batchPreset(), this);
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
    lblGotoBatch_->setText(goto_.batchLabel());
    lblGotoBatch_->setToolTip(goto_.batchDescription());
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
    const bool listed = kind != Kind::ByLocation;
    CommandBar *bar = commandBar();
    bar->setCommandsEnabled({QStringLiteral("Import")}, kind == Kind::ByCopy);
    bar->setCommandEnabled(QStringLiteral("SearchBook"), kind == Kind::ByCopy && hasCopySearch());
    bar->setCommandsEnabled({QStringLiteral("ShowAllItem"), QStringLiteral("SelectAll"), QStringLiteral("UndoGoto"),
                             QStringLiteral("Print")},
                            listed);
    bar->setCommandEnabled(QStringLiteral("Detail"), recorded);
    if (kind == Kind::ByCopy)
        scanBox()->setFocus();
}

void BookGotoForm::pick(bool byClass)
{
    int found = 0;
    {
        const WaitText wait(this, QStringLiteral("正在准备书刊调拨..."));
        found = byClass ? goto_.pickByClass(txtInputKind_->classNumber())
                        : goto_.pickByHandoverBatch(txtMoveBatch_->text());
    }
    if (found <= 0)
        return;
    BookGotoPickDialog dialog(goto_.picks(), this);
    goto_.takePicks(dialog.exec() == QDialog::Accepted);
}

void BookGotoForm::showAllItems()
{
    const QModelIndex at = list()->currentIndex();
    if (!at.isValid())
        return;
    if (goto_.showAllItems(at.row()) >= 0)
        spdItemAll_->show();
}

void BookGotoForm::closeEvent(QCloseEvent *event)
{
    if (!goto_.mayClose()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace kestra
