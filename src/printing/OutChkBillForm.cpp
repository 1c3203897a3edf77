#include "printing/OutChkBillForm.h"

#include "core/AppContext.h"
#include "kit/Days.h"
#include "output/ListReport.h"
#include "ui/FormParts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

OutChkBillForm::OutChkBillForm(AppContext &context, QWidget *parent)
    : QWidget(parent), context_(context), bill_(context)
{
    setObjectName(QStringLiteral("frmOutChkBill"));
    setWindowTitle(QStringLiteral("交接单"));
    const QDate today = day::today(context);
    dtpBegin_ = makeDateEdit(QStringLiteral("dtpBegin"), today.addMonths(-1), this);
    dtpEnd_ = makeDateEdit(QStringLiteral("dtpEnd"), today, this);
    cobMoveBatch_ = new QComboBox(this);
    cobMoveBatch_->setObjectName(QStringLiteral("cobMoveBatch"));
    cobMoveBatch_->setEditable(true);
    cobLoca_ = new QComboBox(this);
    cobLoca_->setObjectName(QStringLiteral("cobLoca"));
    optSelect_ = new QButtonGroup(this);
    auto *views = new QHBoxLayout;
    views->addWidget(addOption(optSelect_, QStringLiteral("optSelect0"), 0, QStringLiteral("按分配地"), this));
    views->addWidget(addOption(optSelect_, QStringLiteral("optSelect1"), 1, QStringLiteral("按种"), this));
    views->addWidget(addOption(optSelect_, QStringLiteral("optSelect2"), 2, QStringLiteral("按册"), this));
    optSelect_->button(1)->setChecked(true);
    spdList_ = makeRowGrid(&bill_.table(), QStringLiteral("spdList"), this);

    QPushButton *statButton = makeButton(QStringLiteral("cmdStat"), QStringLiteral("统计"), this);
    QPushButton *printButton = makeButton(QStringLiteral("cmdPrint"), QStringLiteral("打印"), this);
    QPushButton *exitButton = makeButton(QStringLiteral("cmdExit"), QStringLiteral("退出"), this);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("交接日期"), this));
    top->addWidget(dtpBegin_);
    top->addWidget(new QLabel(QStringLiteral("至"), this));
    top->addWidget(dtpEnd_);
    top->addWidget(new QLabel(QStringLiteral("交接批次"), this));
    top->addWidget(cobMoveBatch_, 1);
    top->addWidget(new QLabel(QStringLiteral("分配地"), this));
    top->addWidget(cobLoca_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(views);
    layout->addWidget(spdList_, 1);
    layout->addLayout(makeFootRow({}, {statButton, printButton, exitButton}));

    connect(dtpBegin_, &QDateEdit::dateChanged, this, &OutChkBillForm::loadBatches);
    connect(dtpEnd_, &QDateEdit::dateChanged, this, &OutChkBillForm::loadBatches);
    connect(cobMoveBatch_, &QComboBox::currentTextChanged, this, &OutChkBillForm::batchChanged);
    connect(statButton, &QPushButton::clicked, this, &OutChkBillForm::stat);
    connect(printButton, &QPushButton::clicked, this, &OutChkBillForm::print);
    connect(exitButton, &QPushButton::clicked, this, [this]() { closeForm(this); });
    loadBatches();
}

void OutChkBillForm::loadBatches()
{
    const QSignalBlocker block(cobMoveBatch_);
    cobMoveBatch_->clear();
    if (bill_.loadBatches(dtpBegin_->date(), dtpEnd_->date()) > 0)
        cobMoveBatch_->addItems(bill_.batches());
    batchChanged();
}

void OutChkBillForm::batchChanged()
{
    cobLoca_->clear();
    cobLoca_->addItem(QStringLiteral("全部"), QString());
    const QString batch = cobMoveBatch_->currentText().trimmed();
    if (batch.isEmpty() || bill_.loadLocations(batch) < 0)
        return;
    for (const QString &code : bill_.locations()) {
        const QString name = context_.locationName(code);
        cobLoca_->addItem(name.isEmpty() ? code : name, code);
    }
}

QString OutChkBillForm::chosenLocation() const
{
    return cobLoca_->currentData().toString();
}

void OutChkBillForm::stat()
{
    const QString batch = cobMoveBatch_->currentText().trimmed();
    if (batch.isEmpty())
        return;
    bill_.show(batch, chosenLocation(), static_cast<BillView>(std::max(0, optSelect_->checkedId())));
}

void OutChkBillForm::print()
{
    if (bill_.table().rowCount() == 0) {
        context_.showMsg(QStringLiteral("E列表中没有数据"));
        return;
    }
    const ListReport report = bill_.report(day::text(day::today(context_)), context_.session().operatorNo);
    const bool wide = bill_.table().columnCount() > 7;
    context_.printer().print(layoutListReport(report, PaperSetup::a4(wide)), PrintTarget::Preview, QString());
}

void OutChkBillForm::setArguments(const FormArgs &args)
{
    const QString batch = args.value(QStringLiteral("moveBatch")).toString();
    if (batch.isEmpty())
        return;
    cobMoveBatch_->setCurrentText(batch);
    batchChanged();
    stat();
}

} // namespace kestra
