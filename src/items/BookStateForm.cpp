#include "items/BookStateForm.h"

#include "core/AppContext.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace kestra {

namespace {

QRadioButton *option(QButtonGroup *group, const QString &name, int id, const QString &text, QWidget *parent)
{
    auto *button = new QRadioButton(text, parent);
    button->setObjectName(name + u'_' + QString::number(id));
    group->addButton(button, id);
    return button;
}

void fillStatuses(QComboBox *box, const QList<CodeName> &list)
{
    for (const CodeName &entry : list)
        box->addItem(entry.name, entry.code);
}

QAction *command(QToolBar *bar, const char *key, const QString &text)
{
    QAction *action = bar->addAction(text);
    action->setObjectName(QLatin1String(key));
    return action;
}

} // namespace

BookStateForm::BookStateForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent)
    : QWidget(parent), context_(context), state_(context, barcode)
{
    setObjectName(QStringLiteral("frmHold_BookState"));
    setWindowTitle(QStringLiteral("书刊状态特别处理"));
    buildControls();
    setMode(BookState::Mode::Single);
    setFocusProxy(txtInputCode_);
}

void BookStateForm::buildControls()
{
    tbDC_ = new QToolBar(this);
    tbDC_->setObjectName(QStringLiteral("tbDC"));
    tbDC_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    importAction_ = command(tbDC_, "Import", QStringLiteral("导入"));
    searchAction_ = command(tbDC_, "SearchBook", QStringLiteral("检索"));
    QAction *selectAll = command(tbDC_, "SelectAll", QStringLiteral("全选"));
    QAction *undo = command(tbDC_, "UndoState", QStringLiteral("恢复状态"));
    tbDC_->addSeparator();
    QAction *exit = command(tbDC_, "Exit", QStringLiteral("退出"));

    optType_ = new QButtonGroup(this);
    optType_->setObjectName(QStringLiteral("optType"));
    auto *typeBox = new QGroupBox(QStringLiteral("修改方式"), this);
    auto *typeLayout = new QHBoxLayout(typeBox);
    typeLayout->addWidget(option(optType_, QStringLiteral("optType"), 0, QStringLiteral("单册修改"), typeBox));
    typeLayout->addWidget(option(optType_, QStringLiteral("optType"), 1, QStringLiteral("按馆藏地修改"), typeBox));
    optType_->button(0)->setChecked(true);

    cmbNewState_ = new QComboBox(this);
    cmbNewState_->setObjectName(QStringLiteral("cmbNewState"));
    fillStatuses(cmbNewState_, book_state::targetStatuses());
    chkOpac_ = new QCheckBox(QStringLiteral("OPAC显示"), this);
    chkOpac_->setObjectName(QStringLiteral("chkOpac"));
    chkOpac_->setChecked(state_.opac());

    optSelect_ = new QButtonGroup(this);
    optSelect_->setObjectName(QStringLiteral("optSelect"));
    QRadioButton *byBarcode = option(optSelect_, QStringLiteral("optSelect"), 0, QStringLiteral("条码号"), this);
    QRadioButton *byAccession = option(optSelect_, QStringLiteral("optSelect"), 1, QStringLiteral("财产号"), this);
    byBarcode->setChecked(true);
    txtInputCode_ = new QLineEdit(this);
    txtInputCode_->setObjectName(QStringLiteral("txtInputCode"));
    txtInputCode_->setMaxLength(60);

    cmbDisLoca_ = new QComboBox(this);
    cmbDisLoca_->setObjectName(QStringLiteral("cmbDisLoca"));
    const QueryResult &locations = context_.codes().currentLocations();
    for (int i = 0; i < locations.rowCount(); ++i)
        cmbDisLoca_->addItem(locations.text(i, 1), locations.text(i, 0));
    const int current = cmbDisLoca_->findData(context_.session().currentLocation);
    cmbDisLoca_->setCurrentIndex(current >= 0 ? current : 0);
    cmbOldState_ = new QComboBox(this);
    cmbOldState_->setObjectName(QStringLiteral("cmbOldState"));
    fillStatuses(cmbOldState_, book_state::sourceStatuses());
    cmdChange_ = new QPushButton(QStringLiteral("修改"), this);
    cmdChange_->setObjectName(QStringLiteral("cmdChange"));

    spdBookLst_ = new QTableView(this);
    spdBookLst_->setObjectName(QStringLiteral("spdBookLst"));
    spdBookLst_->setModel(&state_.model());
    spdBookLst_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    spdBookLst_->setSelectionBehavior(QAbstractItemView::SelectRows);
    spdBookLst_->verticalHeader()->setDefaultSectionSize(22);
    spdBookLst_->setColumnWidth(0, 40);  // the mark
    spdBookLst_->setColumnWidth(3, 220); // the title
    lblCount_ = new QLabel(this);
    lblCount_->setObjectName(QStringLiteral("lblCount"));

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("新状态"), this), 0, 0);
    grid->addWidget(cmbNewState_, 0, 1);
    grid->addWidget(chkOpac_, 0, 2);
    grid->addWidget(byBarcode, 1, 0);
    grid->addWidget(byAccession, 1, 1);
    grid->addWidget(txtInputCode_, 1, 2, 1, 3);
    auto *locaLabel = new QLabel(QStringLiteral("馆藏地"), this);
    auto *oldLabel = new QLabel(QStringLiteral("原状态"), this);
    grid->addWidget(locaLabel, 2, 0);
    grid->addWidget(cmbDisLoca_, 2, 1);
    grid->addWidget(oldLabel, 2, 2);
    grid->addWidget(cmbOldState_, 2, 3);
    grid->addWidget(cmdChange_, 2, 4);
    grid->setColumnStretch(2, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tbDC_);
    layout->addWidget(typeBox);
    layout->addLayout(grid);
    layout->addWidget(spdBookLst_, 1);
    layout->addWidget(lblCount_);
    resize(900, 560);

    singleOnly_ = {byBarcode, byAccession, txtInputCode_};
    locationOnly_ = {locaLabel, cmbDisLoca_, oldLabel, cmbOldState_, cmdChange_};

    connect(optType_, &QButtonGroup::idClicked, this,
            [this](int id) { setMode(id == 1 ? BookState::Mode::ByLocation : BookState::Mode::Single); });
    connect(optSelect_, &QButtonGroup::idClicked, this, [this](int id) {
        state_.entry().setInputType(id == 1 ? InputType::Accession : InputType::Barcode);
        txtInputCode_->setFocus();
    });
    connect(cmbNewState_, &QComboBox::currentIndexChanged, this,
            [this]() { state_.setNewStatus(cmbNewState_->currentData().toString()); });
    connect(chkOpac_, &QCheckBox::toggled, this, [this](bool on) { state_.setOpac(on); });
    connect(cmbDisLoca_, &QComboBox::currentIndexChanged, this,
            [this]() { state_.setLocation(cmbDisLoca_->currentData().toString()); });
    connect(cmbOldState_, &QComboBox::currentIndexChanged, this,
            [this]() { state_.setSourceStatus(cmbOldState_->currentData().toString()); });
    connect(txtInputCode_, &QLineEdit::returnPressed, this, &BookStateForm::processInput);
    connect(cmdChange_, &QPushButton::clicked, this, &BookStateForm::runChangeByLocation);
    connect(importAction_, &QAction::triggered, this, &BookStateForm::runImport);
    connect(searchAction_, &QAction::triggered, this, &BookStateForm::runSearch);
    connect(selectAll, &QAction::triggered, this, &BookStateForm::selectAll);
    connect(undo, &QAction::triggered, this, &BookStateForm::runUndo);
    connect(exit, &QAction::triggered, this, &BookStateForm::closeForm);
    connect(&state_.model(), &QAbstractItemModel::rowsInserted, this, [this]() {
        spdBookLst_->scrollToBottom();
        showCount();
    });
    connect(&state_.model(), &QAbstractItemModel::rowsRemoved, this, &BookStateForm::showCount);

    state_.setNewStatus(cmbNewState_->currentData().toString());
    state_.setLocation(cmbDisLoca_->currentData().toString());
    state_.setSourceStatus(cmbOldState_->currentData().toString());
    showCount();
}

void BookStateForm::setCopySearch(CopyPicker search)
{
    search_ = std::move(search);
    setMode(state_.mode());
}

void BookStateForm::setMode(BookState::Mode mode)
{
    state_.setMode(mode);
    const bool single = mode == BookState::Mode::Single;
    for (QWidget *w : std::as_const(singleOnly_))
        w->setEnabled(single);
    for (QWidget *w : std::as_const(locationOnly_))
        w->setEnabled(!single);
    importAction_->setEnabled(single);
    searchAction_->setEnabled(single && static_cast<bool>(search_));
    if (single)
        txtInputCode_->setFocus();
    else
        cmbDisLoca_->setFocus();
}

void BookStateForm::processInput()
{
    // What was scanned is processed, then the box is ready for the next
    // scan, whatever the outcome.
    const QString text = txtInputCode_->text();
    txtInputCode_->setText(state_.entry().normalise(text));
    state_.enter(text);
    txtInputCode_->clear();
    txtInputCode_->setFocus();
}

void BookStateForm::runImport()
{
    state_.importCodes();
    txtInputCode_->setFocus();
}

void BookStateForm::runSearch()
{
    state_.searchAndChange(search_);
    txtInputCode_->setFocus();
}

void BookStateForm::selectAll()
{
    state_.markAll();
}

void BookStateForm::runUndo()
{
    state_.undoMarked();
}

void BookStateForm::runChangeByLocation()
{
    state_.changeByLocation();
}

void BookStateForm::closeForm()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->close();
    else
        close();
}

void BookStateForm::showCount()
{
    lblCount_->setText(QStringLiteral("共%1册").arg(state_.rows().size()));
}

} // namespace kestra
