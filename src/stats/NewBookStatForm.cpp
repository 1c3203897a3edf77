#include "stats/NewBookStatForm.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/Days.h"
#include "output/ListReport.h"
#include "ui/CommandBar.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

namespace {

const QString AllEntry = QStringLiteral("[全部]");

QComboBox *makeFilterList(const QString &name, const QList<FilterCode> &codes, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItem(AllEntry, QString());
    for (const FilterCode &c : codes)
        box->addItem(c.name.isEmpty() ? c.code : c.name, c.code);
    return box;
}

} // namespace

NewBookStatForm::NewBookStatForm(AppContext &context, QWidget *parent) : QWidget(parent), stat_(context)
{
    setObjectName(QStringLiteral("frmNewBookAllStat"));
    setWindowTitle(QStringLiteral("按馆藏地统计"));
    const QDate today = day::today(context);

    auto *toolbar = new CommandBar(this, QStringLiteral("Toolbar1"));
    toolbar->addCommand(QStringLiteral("go"), QStringLiteral("统计"));
    toolbar->addCommand(QStringLiteral("print"), QStringLiteral("打印"));
    toolbar->addSplit();
    toolbar->addCommand(QStringLiteral("exit"), QStringLiteral("退出"));

    QWidget *span = buildSpan(today);
    QWidget *filters = buildFilters();
    grid_ = makeRowGrid(&stat_.grid(), QStringLiteral("SpdNewBookAllotStat"), this);
    grid_->horizontalHeader()->setStretchLastSection(true);
    output_ = new GridOutput(context, grid_, QStringLiteral("新书分配统计"));
    output_->setDecorator([this](ListReport &report) { report.headerLines.append(shownLines_); });

    auto *left = new QVBoxLayout;
    left->addWidget(span);
    left->addWidget(filters, 1);
    auto *body = new QHBoxLayout;
    body->addLayout(left);
    body->addWidget(grid_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(toolbar);
    layout->addLayout(body, 1);
    layout->addLayout(makeFootRow({output_->makeButton(this)}, {}));

    connect(toolbar, &CommandBar::commandTriggered, this, &NewBookStatForm::runCommand);
    spanChanged();
    runStat();
}

QWidget *NewBookStatForm::buildSpan(const QDate &today)
{
    cobStatType_ = new QComboBox(this);
    cobStatType_->setObjectName(QStringLiteral("cobStatType"));
    cobStatType_->addItems({QStringLiteral("年度"), QStringLiteral("月度"), QStringLiteral("时期")});
    txtYear_ = new QSpinBox(this);
    txtYear_->setObjectName(QStringLiteral("txtYear"));
    txtYear_->setRange(1900, 9999);
    txtYear_->setValue(today.year());
    cobMonth_ = new QComboBox(this);
    cobMonth_->setObjectName(QStringLiteral("cobMonth"));
    for (int m = 1; m <= 12; ++m)
        cobMonth_->addItem(QString::number(m) + QStringLiteral("月"));
    cobMonth_->setCurrentIndex(today.month() - 1);
    // The twelve months up to today, so that a first look shows recent
    // intake even early in a year.
    dtpBegin_ = makeDateEdit(QStringLiteral("dtpBegin"), today.addYears(-1).addDays(1), this);
    dtpEnd_ = makeDateEdit(QStringLiteral("dtpEnd"), today, this);
    cobStatType_->setCurrentIndex(int(IntakeSpan::Period));
    txtStatTime_ = new QLineEdit(this);
    txtStatTime_->setObjectName(QStringLiteral("txtStatTime"));
    txtStatTime_->setReadOnly(true);

    auto *box = new QWidget(this);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("统计类型"), box), 0, 0);
    grid->addWidget(cobStatType_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("年份"), box), 1, 0);
    grid->addWidget(txtYear_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("月份"), box), 2, 0);
    grid->addWidget(cobMonth_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("起始日期"), box), 3, 0);
    grid->addWidget(dtpBegin_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("终止日期"), box), 4, 0);
    grid->addWidget(dtpEnd_, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("统计时期"), box), 5, 0);
    grid->addWidget(txtStatTime_, 5, 1);

    connect(cobStatType_, &QComboBox::currentIndexChanged, this, &NewBookStatForm::spanChanged);
    connect(txtYear_, &QSpinBox::valueChanged, this, &NewBookStatForm::spanChanged);
    connect(cobMonth_, &QComboBox::currentIndexChanged, this, &NewBookStatForm::spanChanged);
    connect(dtpBegin_, &QDateEdit::dateChanged, this, &NewBookStatForm::spanChanged);
    connect(dtpEnd_, &QDateEdit::dateChanged, this, &NewBookStatForm::spanChanged);
    return box;
}

QWidget *NewBookStatForm::buildFilters()
{
    QList<FilterCode> codes;
    stat_.docTypes(codes);
    cboDocType_ = makeFilterList(QStringLiteral("cboDocType"), codes, this);
    stat_.languages(codes);
    cboLanguage_ = makeFilterList(QStringLiteral("cboLanguage"), codes, this);
    chkBatch_ = new QCheckBox(QStringLiteral("按交接批次"), this);
    chkBatch_->setObjectName(QStringLiteral("chkBatch"));
    lstBatch_ = new QListWidget(this);
    lstBatch_->setObjectName(QStringLiteral("lstBatch"));
    lstBatch_->setEnabled(false);
    QPushButton *cmdAll = makeButton(QStringLiteral("cmdAll"), QStringLiteral("全选"), this);
    QPushButton *cmdNone = makeButton(QStringLiteral("cmdNone"), QStringLiteral("全清"), this);

    auto *box = new QWidget(this);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("文献类型"), box), 0, 0);
    grid->addWidget(cboDocType_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("语种"), box), 1, 0);
    grid->addWidget(cboLanguage_, 1, 1);
    grid->addWidget(chkBatch_, 2, 0, 1, 2);
    grid->addWidget(lstBatch_, 3, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdAll);
    buttons->addWidget(cmdNone);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setRowStretch(3, 1);

    connect(chkBatch_, &QCheckBox::toggled, this, &NewBookStatForm::fillBatches);
    connect(cmdAll, &QPushButton::clicked, this, [this]() { markBatches(true); });
    connect(cmdNone, &QPushButton::clicked, this, [this]() { markBatches(false); });
    return box;
}

void NewBookStatForm::runCommand(const QString &key)
{
    if (key == u"go")
        runStat();
    else if (key == u"print")
        output_->print(PrintTarget::Preview);
    else if (key == u"exit")
        closeForm(this);
}

void NewBookStatForm::spanChanged()
{
    const auto span = IntakeSpan(cobStatType_->currentIndex());
    txtYear_->setEnabled(span != IntakeSpan::Period);
    cobMonth_->setEnabled(span == IntakeSpan::Month);
    dtpBegin_->setEnabled(span == IntakeSpan::Period);
    dtpEnd_->setEnabled(span == IntakeSpan::Period);
    txtStatTime_->setText(NewBookStat::spanText(conditions()));
    fillBatches();
}

void NewBookStatForm::fillBatches()
{
    lstBatch_->clear();
    lstBatch_->setEnabled(chkBatch_->isChecked());
    if (!chkBatch_->isChecked())
        return;
    QStringList batches;
    stat_.batches(conditions(), batches);
    for (const QString &batch : batches) {
        auto *item = new QListWidgetItem(batch, lstBatch_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void NewBookStatForm::markBatches(bool marked)
{
    for (int i = 0; i < lstBatch_->count(); ++i)
        lstBatch_->item(i)->setCheckState(marked ? Qt::Checked : Qt::Unchecked);
}

IntakeConditions NewBookStatForm::conditions() const
{
    IntakeConditions c;
    c.span = IntakeSpan(cobStatType_->currentIndex());
    c.year = txtYear_->value();
    c.month = NewBookStat::monthOf(cobMonth_->currentText());
    c.begin = dtpBegin_->date();
    c.end = dtpEnd_->date();
    c.docType = cboDocType_->currentData().toString();
    c.language = cboLanguage_->currentData().toString();
    if (chkBatch_->isChecked()) {
        for (int i = 0; i < lstBatch_->count(); ++i) {
            if (lstBatch_->item(i)->checkState() == Qt::Checked)
                c.batches.append(lstBatch_->item(i)->text());
        }
    }
    return c;
}

void NewBookStatForm::runStat()
{
    if (stat_.run(conditions()) == 0)
        shownLines_ = headerLines();
}

QStringList NewBookStatForm::headerLines() const
{
    const IntakeConditions c = conditions();
    return {QStringLiteral("统计时期 : ") + NewBookStat::spanText(c),
            QStringLiteral("文献类型: ") + cboDocType_->currentText(),
            QStringLiteral("语种：") + cboLanguage_->currentText(),
            QStringLiteral("交接批次：") + (c.batches.isEmpty() ? AllEntry : c.batches.join(u','))};
}

} // namespace kestra
