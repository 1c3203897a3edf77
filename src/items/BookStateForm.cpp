#include "items/BookStateForm.h"

#include "ui/CodeBoxes.h"
#include "ui/CommandBar.h"
#include "ui/EntryBoxes.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kestra {

BookStateForm::BookStateForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent)
    : ScanForm(context, QStringLiteral("frmHold_BookState"), QStringLiteral("书刊状态特别处理"), parent),
      state_(context, barcode)
{
    attach(state_);
    buildControls(context);
    setMode(BookState::Mode::Single);
}

void BookStateForm::buildControls(AppContext &context)
{
    bindImportAndSearch();
    bindSelectAndUndo(QStringLiteral("UndoState"), QStringLiteral("恢复状态"));
    bindExit();

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
    cmbDisLoca_ = new LocationBox(context, QString(), this);
    cmbDisLoca_->setObjectName(QStringLiteral("cmbDisLoca"));
    cmbOldState_ = makeCodeBox(QStringLiteral("cmbOldState"), book_state::sourceStatuses(), this);
    QPushButton *cmdChange = makeButton(QStringLiteral("cmdChange"), QStringLiteral("修改"), this);

    const ScanInput &scan = scanInput();
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("新状态"), this), 0, 0);
    grid->addWidget(cmbNewState_, 0, 1);
    grid->addWidget(chkOpac_, 0, 2);
    grid->addWidget(scan.byBarcode, 1, 0);
    grid->addWidget(scan.byAccession, 1, 1);
    grid->addWidget(scan.code, 1, 2, 1, 3);
    auto *locaLabel = new QLabel(QStringLiteral("馆藏地"), this);
    auto *oldLabel = new QLabel(QStringLiteral("原状态"), this);
    grid->addWidget(locaLabel, 2, 0);
    grid->addWidget(cmbDisLoca_, 2, 1);
    grid->addWidget(oldLabel, 2, 2);
    grid->addWidget(cmbOldState_, 2, 3);
    grid->addWidget(cmdChange, 2, 4);
    grid->setColumnStretch(2, 1);

    QVBoxLayout *layout = beginLayout();
    layout->addWidget(typeBox);
    layout->addLayout(grid);
    endLayout(layout);

    singleOnly_ = {scan.byBarcode, scan.byAccession, scan.code};
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
    connect(cmdChange, &QPushButton::clicked, this, [this]() { state_.changeByLocation(); });

    state_.setNewStatus(cmbNewState_->currentCode());
    state_.setLocation(cmbDisLoca_->currentCode());
    state_.setSourceStatus(cmbOldState_->currentCode());
}

void BookStateForm::setMode(BookState::Mode mode)
{
    state_.setMode(mode);
    const bool single = mode == BookState::Mode::Single;
    for (QWidget *w : std::as_const(singleOnly_))
        w->setEnabled(single);
    for (QWidget *w : std::as_const(locationOnly_))
        w->setEnabled(!single);
    showCommands();
    if (single)
        scanBox()->setFocus();
    else
        cmbDisLoca_->setFocus();
}

void BookStateForm::showCommands()
{
    const bool single = state_.mode() == BookState::Mode::Single;
    commandBar()->setCommandEnabled(QStringLiteral("Import"), single);
    commandBar()->setCommandEnabled(QStringLiteral("SearchBook"), single && hasCopySearch());
}

} // namespace kestra
