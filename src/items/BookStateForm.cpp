#include "items/BookStateForm.h"

#include "core/AppContext.h"
#include "kit/CopyColumns.h"
#include "ui/CodeBoxes.h"
#include "ui/CommandBar.h"
#include "ui/EntryBoxes.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

BookStateForm::BookStateForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent)
    : QWidget(parent), state_(context, barcode)
{
    setObjectName(QStringLiteral("frmHold_BookState"));
    setWindowTitle(QStringLiteral("书刊状态特别处理"));
    buildControls(context);
    setMode(BookState::Mode::Single);
    setFocusProxy(txtInputCode_);
}

void BookStateForm::buildControls(AppContext &context)
{
    tbDC_ = new CommandBar(this);
    tbDC_->addCommand(QStringLiteral("Import"), QStringLiteral("导入"));
    tbDC_->addCommand(QStringLiteral("SearchBook"), QStringLiteral("检索"));
    tbDC_->addCommand(QStringLiteral("SelectAll"), QStringLiteral("全选"));
    tbDC_->addCommand(QStringLiteral("UndoState"), QStringLiteral("恢复状态"));
    tbDC_->addSplit();
    tbDC_->addCommand(QStringLiteral("Exit"), QStringLiteral("退出"));

    optType_ = new QButtonGroup(this);
    optType_->setObjectName(QStringLiteral("optType"));
    auto *typeBox = new QGroupBox(QStringLiteral("修改方式"), this);
    auto *typeLayout = new QHBoxLayout(typeBox);
    typeLayout->addWidget(addOption(optType_, QStringLiteral("optType_0"), 0, QStringLiteral("单册修改"), typeBox));
    typeLayout->addWidget(addOption(optType_, QStringLiteral("optType_1"), 1, QStringLiteral("按馆藏地修改"), typeBox));
    optType_->button(0)->setChecked(true);

    cmbNewState_ = makeCodeBox(QStringLiteral("cmbNewState"), book_state::targetStatuses(), this);
    chkOpac_ = new QCheckBox(QStringLiteral("OPAC显示"), this);
    chkOpac_->setObjectName(QStringLiteral("chkOpac"));
    chkOpac_->setChecked(state_.opac());

    const ScanInput scan = makeScanInput(state_.entry(), this, this);
    QRadioButton *byBarcode = scan.byBarcode;
    QRadioButton *byAccession = scan.byAccession;
    txtInputCode_ = scan.code;

    cmbDisLoca_ = new LocationBox(context, QString(), this);
    cmbDisLoca_->setObjectName(QStringLiteral("cmbDisLoca"));
    cmbOldState_ = makeCodeBox(QStringLiteral("cmbOldState"), book_state::sourceStatuses(), this);
    auto *cmdChange = new QPushButton(QStringLiteral("修改"), this);
    cmdChange->setObjectName(QStringLiteral("cmdChange"));

    QTableView *spdBookLst = makeRowGrid(&state_.model(), QStringLiteral("spdBookLst"), this);
    auto *output = new GridOutput(context, spdBookLst, windowTitle());
    output->setCopyTotals(columnOf(state_.model(), copyHeading(CopyField::Price)));
    lblCount_ = makeCountLabel(this);

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
    grid->addWidget(cmdChange, 2, 4);
    grid->setColumnStretch(2, 1);
    auto *footer = new QHBoxLayout;
    footer->addWidget(lblCount_, 1);
    footer->addWidget(output->makeButton(this));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tbDC_);
    layout->addWidget(typeBox);
    layout->addLayout(grid);
    layout->addWidget(spdBookLst, 1);
    layout->addLayout(footer);

    singleOnly_ = {byBarcode, byAccession, txtInputCode_};
    locationOnly_ = {locaLabel, cmbDisLoca_, oldLabel, cmbOldState_, cmdChange};

    connect(optType_, &QButtonGroup::idClicked, this,
            [this](int id) { setMode(id == 1 ? BookState::Mode::ByLocation : BookState::Mode::Single); });
    connect(cmbNewState_, &QComboBox::currentIndexChanged, this,
            [this]() { state_.setNewStatus(cmbNewState_->currentCode()); });
    connect(chkOpac_, &QCheckBox::toggled, this, [this](bool on) { state_.setOpac(on); });
    connect(cmbDisLoca_, &QComboBox::currentIndexChanged, this,
            [this]() { state_.setLocation(cmbDisLoca_->currentCode()); });
    connect(cmbOldState_, &QComboBox::currentIndexChanged, this,
            [this]() { state_.setSourceStatus(cmbOldState_->currentCode()); });
    connect(txtInputCode_, &CodeEntry::entered, this, [this](const QString &text) { state_.enter(text); });
    connect(cmdChange, &QPushButton::clicked, this, [this]() { state_.changeByLocation(); });
    connect(tbDC_, &CommandBar::commandTriggered, this, &BookStateForm::runCommand);
    connect(&state_.model(), &QAbstractItemModel::rowsInserted, this, [this, spdBookLst]() {
        spdBookLst->scrollToBottom();
        showCount();
    });
    connect(&state_.model(), &QAbstractItemModel::rowsRemoved, this, &BookStateForm::showCount);

    state_.setNewStatus(cmbNewState_->currentCode());
    state_.setLocation(cmbDisLoca_->currentCode());
    state_.setSourceStatus(cmbOldState_->currentCode());
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
    tbDC_->setCommandEnabled(QStringLiteral("Import"), single);
    tbDC_->setCommandEnabled(QStringLiteral("SearchBook"), single && static_cast<bool>(search_));
    if (single)
        txtInputCode_->setFocus();
    else
        cmbDisLoca_->setFocus();
}

void BookStateForm::runCommand(const QString &key)
{
    if (key == u"Import")
        state_.importCodes();
    else if (key == u"SearchBook")
        state_.searchAndChange(search_);
    else if (key == u"SelectAll")
        state_.markAll();
    else if (key == u"UndoState")
        state_.undoMarked();
    else if (key == u"Exit")
        closeForm(this);
    if (state_.mode() == BookState::Mode::Single && key != u"Exit")
        txtInputCode_->setFocus();
}

void BookStateForm::showCount()
{
    showCopyCount(lblCount_, state_.rows().size());
}

} // namespace kestra
