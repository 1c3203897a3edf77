#include "inventory/CountReportForm.h"

#include "core/AppContext.h"
#include "inventory/CountBatchDialog.h"
#include "ui/FormParts.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kestra {

CountReportForm::CountReportForm(AppContext &context, QWidget *parent)
    : QWidget(parent), context_(context), report_(context)
{
    setObjectName(QStringLiteral("frmHold_BookCount_Report"));
    setWindowTitle(QStringLiteral("清点统计"));
    const auto field = [this](const char *name) {
        QLineEdit *e = makeLineEdit(QString::fromLatin1(name), 200, this);
        e->setReadOnly(true);
        return e;
    };
    txtCountBatchNo_ = field("txtCountBatchNo");
    txtLocation_ = field("txtLocation");
    txtClass_ = field("txtClass");
    txtCountDate_ = field("txtCountDate");
    txtRemark_ = field("txtRemark");
    QPushButton *cmdBatch = makeButton(QStringLiteral("cmdBatch"), QStringLiteral("选择批次"), this);

    TabList_ = new QTabWidget(this);
    TabList_->setObjectName(QStringLiteral("TabList"));
    const char *const tabs[] = {"未清点到书刊", "在馆异常书刊", "非本馆(本类)书刊"};
    for (int i = 0; i < 3; ++i) {
        QTableView *grid =
            makeRowGrid(&report_.list(static_cast<CountReport::List>(i)), QStringLiteral("spdBookLst%1").arg(i), this);
        TabList_->addTab(grid, QString::fromUtf8(tabs[i]));
    }
    summary_ = new QTableWidget(0, 2, this);
    summary_->setObjectName(QStringLiteral("spdBookLst3"));
    summary_->setHorizontalHeaderLabels({QStringLiteral("类型"), QStringLiteral("数量")});
    summary_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    summary_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TabList_->addTab(summary_, QStringLiteral("馆藏情况"));

    QPushButton *cmdStat = makeButton(QStringLiteral("cmdStat"), QStringLiteral("统计(&S)"), this);
    QPushButton *cmdPrint = makeButton(QStringLiteral("cmdPrint"), QStringLiteral("打印(&P)"), this);
    QPushButton *cmdExit = makeButton(QStringLiteral("cmdExit"), QStringLiteral("退出(&E)"), this);

    auto *fields = new QFormLayout;
    auto *batchRow = new QHBoxLayout;
    batchRow->addWidget(txtCountBatchNo_, 1);
    batchRow->addWidget(cmdBatch);
    fields->addRow(QStringLiteral("清点批次："), batchRow);
    fields->addRow(QStringLiteral("馆藏地："), txtLocation_);
    fields->addRow(QStringLiteral("清点类型："), txtClass_);
    fields->addRow(QStringLiteral("清点日期："), txtCountDate_);
    fields->addRow(QStringLiteral("说明："), txtRemark_);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdStat);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdExit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(TabList_, 1);
    layout->addLayout(buttons);

    connect(cmdBatch, &QPushButton::clicked, this, [this]() { takeBatch(CountBatchDialog::choose(context_, this)); });
    connect(cmdStat, &QPushButton::clicked, this, [this]() {
        report_.stat();
        showBatch();
    });
    connect(cmdPrint, &QPushButton::clicked, this, [this]() { report_.print(); });
    connect(cmdExit, &QPushButton::clicked, this, [this]() { closeForm(this); });
}

void CountReportForm::setArguments(const FormArgs &args)
{
    const QString number = args.value(QStringLiteral("countBatchNo")).toString();
    if (!number.isEmpty())
        takeBatch(number);
}

void CountReportForm::takeBatch(const QString &number)
{
    // The report shows a batch as it stands: a finished one is not reopened
    // here (that is the scan window's choice).
    CountBatch b;
    if (number.isEmpty() || count_batch::read(context_, number, b) != 0)
        return;
    report_.setBatch(b);
    showBatch();
}

void CountReportForm::showBatch()
{
    const CountBatch &b = report_.batch();
    txtCountBatchNo_->setText(b.number);
    txtLocation_->setText(context_.locationName(b.location));
    txtClass_->setText(b.scopeText());
    txtCountDate_->setText(b.date);
    txtRemark_->setText(b.remark);
    const QList<QPair<QString, int>> lines = report_.summary().lines();
    summary_->setRowCount(static_cast<int>(lines.size()));
    for (int i = 0; i < lines.size(); ++i) {
        summary_->setItem(i, 0, new QTableWidgetItem(lines.at(i).first));
        auto *n = new QTableWidgetItem(QString::number(lines.at(i).second));
        n->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        summary_->setItem(i, 1, n);
    }
}

} // namespace kestra
