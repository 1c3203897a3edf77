#include "shelving/CompactShelfForm.h"

#include "items/BookState.h"
#include "ui/CodeBoxes.h"
#include "ui/CommandBar.h"
#include "ui/EntryBoxes.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kestra {

CompactShelfForm::CompactShelfForm(AppContext &context, const BarcodeSettings &barcode, Kind kind, QWidget *parent)
    : ScanForm(context, kind == Kind::Shelf ? QStringLiteral("frmCompactShelf") : QStringLiteral("frmCompactBarCode"),
               kind == Kind::Shelf ? QStringLiteral("分配排架号") : QStringLiteral("更改条码号"), parent),
      kind_(kind)
{
    if (kind == Kind::Shelf)
        work_ = std::make_unique<CompactShelf>(context, barcode);
    else
        work_ = std::make_unique<CompactBarCode>(context, barcode);
    attach(*work_);
    buildControls(context);
    showCommands();
}

CompactShelfForm::~CompactShelfForm() = default;

void CompactShelfForm::buildControls(AppContext &context)
{
    bindImportAndSearch();
    bind(QStringLiteral("ShowAllItem"), QStringLiteral("全部显示"), [this]() { work_->reload(); });
    bindSelectAndUndo(QStringLiteral("UndoDelete"), QStringLiteral("取消"));
    commandBar()->addSplit();
    bind(QStringLiteral("Print"), QStringLiteral("打印"), [this]() { work_->printList(); });
    bind(QStringLiteral("ExportMarc"), QStringLiteral("导出MARC"), [this]() { work_->exportMarc(); });
    bindExit();

    auto *grid = new QGridLayout;
    const ScanInput &scan = scanInput();
    if (kind_ == Kind::Shelf) {
        txtShelf_ = makeLineEdit(QStringLiteral("txtShelf"), 40, this);
        grid->addWidget(new QLabel(QStringLiteral("排架号"), this), 0, 0);
        grid->addWidget(txtShelf_, 0, 1, 1, 2);
    } else {
        txtNewBarCode_ = makeLineEdit(QStringLiteral("txtNewBarCode"), 30, this);
        grid->addWidget(new QLabel(QStringLiteral("新条码号"), this), 0, 0);
        grid->addWidget(txtNewBarCode_, 0, 1, 1, 2);
        chkClear_ = new QCheckBox(QStringLiteral("处理后清空"), this);
        chkClear_->setObjectName(QStringLiteral("chkClear"));
        chkClear_->setChecked(true);
        grid->addWidget(chkClear_, 0, 3);
    }
    grid->addWidget(scan.byBarcode, 1, 0);
    grid->addWidget(scan.byAccession, 1, 1);
    grid->addWidget(scan.code, 1, 2, 1, 2);

    chkLoca_ = new QCheckBox(QStringLiteral("修改馆藏地"), this);
    chkLoca_->setObjectName(QStringLiteral("chkLoca"));
    cmbLocation_ = new LocationBox(context, QString(), this);
    cmbLocation_->setObjectName(QStringLiteral("cmbLocation"));
    chkStat_ = new QCheckBox(QStringLiteral("修改状态"), this);
    chkStat_->setObjectName(QStringLiteral("chkStat"));
    cmbState_ = makeCodeBox(QStringLiteral("cmbState"), book_state::sourceStatuses(), this);
    grid->addWidget(chkLoca_, 2, 0);
    grid->addWidget(cmbLocation_, 2, 1);
    grid->addWidget(chkStat_, 2, 2);
    grid->addWidget(cmbState_, 2, 3);
    lblShelfCount_ = new QLabel(this);
    lblShelfCount_->setObjectName(QStringLiteral("lblShelfCount"));
    grid->addWidget(lblShelfCount_, 3, 0, 1, 4);
    grid->setColumnStretch(2, 1);

    QVBoxLayout *layout = beginLayout();
    layout->addLayout(grid);
    endLayout(layout);
    cmbLocation_->setCurrentCode(work_->location);
}

void CompactShelfForm::beforeScan()
{
    if (txtShelf_ != nullptr)
        static_cast<CompactShelf &>(*work_).shelf = txtShelf_->text().trimmed();
    if (txtNewBarCode_ != nullptr)
        static_cast<CompactBarCode &>(*work_).newBarCode = txtNewBarCode_->text().trimmed();
    work_->moveLocation = chkLoca_->isChecked();
    work_->location = cmbLocation_->currentCode();
    work_->setStatus = chkStat_->isChecked();
    work_->status = cmbState_->currentCode();
}

void CompactShelfForm::afterScan(const ScanReport &report)
{
    if (kind_ == Kind::Shelf) {
        const int count = static_cast<CompactShelf &>(*work_).shelfCount();
        if (count >= 0)
            lblShelfCount_->setText(QStringLiteral("本架共%1册").arg(count));
    } else if (report.done > 0 && chkClear_->isChecked()) {
        txtNewBarCode_->clear();
    }
}

void CompactShelfForm::showCommands()
{
    ScanForm::showCommands();
    commandBar()->setCommandEnabled(QStringLiteral("Import"), kind_ == Kind::Shelf);
}

} // namespace kestra
