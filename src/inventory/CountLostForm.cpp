#include "inventory/CountLostForm.h"

#include "core/AppContext.h"
#include "ui/CodeBoxes.h"
#include "ui/EntryBoxes.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

CountLostForm::CountLostForm(AppContext &context, QWidget *parent) : QWidget(parent), context_(context), lost_(context)
{
    setObjectName(QStringLiteral("frmHold_BookCount_LostView"));
    setWindowTitle(QStringLiteral("未清点到书刊处理"));
    cmbLocation_ = new LocationBox(context, QStringLiteral("2"), this);
    cmbLocation_->setObjectName(QStringLiteral("cmbLocation"));
    cmbCountBatchNo_ = new QComboBox(this);
    cmbCountBatchNo_->setObjectName(QStringLiteral("cmbCountBatchNo"));
    chkCount_ = new QCheckBox(QStringLiteral("限制显示条件"), this);
    chkCount_->setObjectName(QStringLiteral("chkCount"));
    updCountNum_ = new QSpinBox(this);
    updCountNum_->setObjectName(QStringLiteral("updCountNum"));
    updCountNum_->setRange(1, 99);
    updCountNum_->setValue(2);
    updCountNum_->setSuffix(QStringLiteral(" 次"));
    auto *txtInputCode = new CodeEntry(this);
    txtInputCode->setObjectName(QStringLiteral("txtInputCode"));
    QTableView *grid = makeRowGrid(&lost_.model(), QStringLiteral("spdBookLst"), this);
    auto *output = new GridOutput(context, grid, QStringLiteral("未清点到书刊清单"));
    output->setCopyTotals(8);
    QPushButton *cmdView = makeButton(QStringLiteral("cmdView"), QStringLiteral("查看(&V)"), this);
    QPushButton *cmdDeal = makeButton(QStringLiteral("cmdDeal"), QStringLiteral("处理(&D)"), this);
    QPushButton *cmdPrint = makeButton(QStringLiteral("cmdPrint"), QStringLiteral("打印(&P)"), this);
    QPushButton *cmdExit = makeButton(QStringLiteral("cmdExit"), QStringLiteral("退出(&E)"), this);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("馆藏地："), this));
    top->addWidget(cmbLocation_);
    top->addWidget(new QLabel(QStringLiteral("清点批次："), this));
    top->addWidget(cmbCountBatchNo_, 1);
    top->addWidget(chkCount_);
    top->addWidget(updCountNum_);
    auto *input = new QHBoxLayout;
    input->addWidget(new QLabel(QStringLiteral("再次清点到书刊条码号："), this));
    input->addWidget(txtInputCode, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdView);
    buttons->addWidget(cmdDeal);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdExit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(input);
    layout->addWidget(grid, 1);
    layout->addLayout(buttons);

    connect(cmbLocation_, &QComboBox::currentIndexChanged, this, &CountLostForm::fillBatches);
    connect(cmdView, &QPushButton::clicked, this, [this]() {
        pass();
        lost_.view();
    });
    connect(cmdDeal, &QPushButton::clicked, this, [this]() { lost_.declareLost(); });
    connect(cmdPrint, &QPushButton::clicked, output, [output]() { output->print(PrintTarget::Preview); });
    connect(txtInputCode, &CodeEntry::entered, this, [this, txtInputCode](const QString &code) {
        pass();
        lost_.foundLater(code);
        txtInputCode->clear();
    });
    connect(cmdExit, &QPushButton::clicked, this, [this]() { closeForm(this); });
    fillBatches();
}

void CountLostForm::setArguments(const FormArgs &args)
{
    const QString location = args.value(QStringLiteral("location")).toString();
    if (location.isEmpty())
        return;
    cmbLocation_->setCurrentCode(location);
    fillBatches();
}

void CountLostForm::fillBatches()
{
    cmbCountBatchNo_->clear();
    cmbCountBatchNo_->addItem(QStringLiteral("（不定）"), QString());
    if (lost_.setLocation(cmbLocation_->currentCode()) < 0)
        return;
    const QueryResult &b = lost_.batches();
    for (int r = 0; r < b.rowCount(); ++r)
        cmbCountBatchNo_->addItem(b.text(r, 2) + QStringLiteral("  ") + b.text(r, 0), b.text(r, 2));
}

void CountLostForm::pass()
{
    lost_.setBatch(cmbCountBatchNo_->currentData().toString());
    lost_.setMinimumMisses(chkCount_->isChecked() ? updCountNum_->value() : 0);
}

} // namespace kestra
