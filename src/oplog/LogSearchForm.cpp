#include "oplog/LogSearchForm.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/Days.h"
#include "oplog/LogCodes.h"
#include "ui/CommandBar.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

namespace {

// The week up to the server's day: what a first look at the log wants
// without reading months of a busy suite.
constexpr int DefaultDays = 7;

QComboBox *makeList(const QString &name, const QStringList &entries, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(entries);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return box;
}

} // namespace

LogSearchForm::LogSearchForm(AppContext &context, QWidget *parent, int maxRows)
    : QWidget(parent), search_(context, maxRows)
{
    setObjectName(QStringLiteral("frmLogSearch"));
    setWindowTitle(QStringLiteral("日志查询"));
    buildControls(context);
}

void LogSearchForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (opened_)
        return;
    opened_ = true;
    // The window first, then the week's search: on a large log the search
    // takes a while, and the operator should see what is being searched.
    QTimer::singleShot(0, this, &LogSearchForm::runSearch);
}

void LogSearchForm::buildControls(AppContext &context)
{
    toolbar_ = new CommandBar(this, QStringLiteral("Toolbar1"));
    toolbar_->addCommand(QStringLiteral("go"), QStringLiteral("查询"));
    toolbar_->addCommand(QStringLiteral("print"), QStringLiteral("打印"));
    toolbar_->addSplit();
    toolbar_->addCommand(QStringLiteral("exit"), QStringLiteral("退出"));

    QWidget *filters = buildFilters();
    spdLog_ = makeRowGrid(&search_.log(), QStringLiteral("spdLog"), this);
    QTableView *spdInfo = makeRowGrid(&search_.info(), QStringLiteral("spdInfo"), this);
    spdInfo->horizontalHeader()->setStretchLastSection(true);
    output_ = new GridOutput(context, spdLog_, windowTitle());
    output_->setDecorator([this](ListReport &report) { report.headerLines.append(headerLine()); });
    new GridOutput(context, spdInfo, QStringLiteral("日志相关信息"));

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->addWidget(spdLog_);
    splitter->addWidget(spdInfo);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);

    lblCount_ = new QLabel(this);
    lblCount_->setObjectName(QStringLiteral("lblCount"));
    auto *footer = new QHBoxLayout;
    footer->addWidget(lblCount_, 1);
    footer->addWidget(output_->makeButton(this));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(toolbar_);
    layout->addWidget(filters);
    layout->addWidget(splitter, 1);
    layout->addLayout(footer);

    connect(toolbar_, &CommandBar::commandTriggered, this, &LogSearchForm::runCommand);
    connect(cboType_, &QComboBox::currentIndexChanged, this, &LogSearchForm::fillTypes);
    connect(cboTypeDetail_, &QComboBox::currentIndexChanged, this, &LogSearchForm::chooseType);
    connect(spdLog_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { search_.showDetail(current.row()); });
    connect(spdLog_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.row() < 0 || index.row() >= search_.rows().size())
            return;
        const LogRow &row = search_.rows().at(index.row());
        if (!row.marcRecNo.isEmpty() || !row.propNo.isEmpty())
            Q_EMIT recordRequested(row.marcRecNo, row.propNo);
    });
    connect(&search_.log(), &QAbstractItemModel::headerDataChanged, this, [this]() {
        for (std::size_t i = 0; i < lblData_.size(); ++i)
            lblData_[i]->setText(search_.dataCaptions()[i]);
    });
    fillTypes();
}

QWidget *LogSearchForm::buildFilters()
{
    AppContext &context = search_.context();
    const QDate today = day::today(context);
    dtpBegin_ = makeDateEdit(QStringLiteral("dtpBegin"), today.addDays(1 - DefaultDays), this);
    dtpEnd_ = makeDateEdit(QStringLiteral("dtpEnd"), today, this);
    cboType_ = makeList(QStringLiteral("cboType"), QStringList{log_codes::anyEntry()} + log_codes::moduleNames(), this);
    cboTypeDetail_ = makeList(QStringLiteral("cboTypeDetail"), {log_codes::anyEntry()}, this);
    QStringList entries;
    search_.workerEntries(QString(), true, entries);
    cboWkr_ = makeList(QStringLiteral("cboWkr"), entries, this);
    search_.computerEntries(entries);
    cboCpt_ = makeList(QStringLiteral("cboCpt"), entries, this);
    txtMarc_ = makeLineEdit(QStringLiteral("txtMarc"), 20, this);
    txtPropno_ = makeLineEdit(QStringLiteral("txtPropno"), 30, this);
    txtCertId_ = makeLineEdit(QStringLiteral("txtCertId"), 30, this);

    auto *box = new QWidget(this);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    auto add = [this, grid](int row, int column, const QString &caption, QWidget *field) {
        grid->addWidget(new QLabel(caption, this), row, column * 2);
        grid->addWidget(field, row, column * 2 + 1);
    };
    add(0, 0, QStringLiteral("起始日期"), dtpBegin_);
    add(0, 1, QStringLiteral("终止日期"), dtpEnd_);
    add(0, 2, QStringLiteral("业务类型"), cboType_);
    add(0, 3, QStringLiteral("操作类型"), cboTypeDetail_);
    add(1, 0, QStringLiteral("工作人员"), cboWkr_);
    add(1, 1, QStringLiteral("计算机名"), cboCpt_);
    add(1, 2, QStringLiteral("MARC记录号"), txtMarc_);
    add(1, 3, QStringLiteral("财产号"), txtPropno_);
    add(2, 0, QStringLiteral("读者证件号"), txtCertId_);
    for (std::size_t i = 0; i < txtData_.size(); ++i) {
        const QString n = QString::number(i + 1);
        txtData_[i] = makeLineEdit(QStringLiteral("txtData_") + n, 400, this);
        lblData_[i] = new QLabel(search_.dataCaptions()[i], this);
        lblData_[i]->setObjectName(QStringLiteral("lblData_") + n);
        grid->addWidget(lblData_[i], 2, int(i + 1) * 2);
        grid->addWidget(txtData_[i], 2, int(i + 1) * 2 + 1);
    }
    for (int c = 1; c < 8; c += 2)
        grid->setColumnStretch(c, 1);
    for (QLineEdit *edit : {txtMarc_, txtPropno_, txtCertId_, txtData_[0], txtData_[1], txtData_[2]})
        connect(edit, &QLineEdit::returnPressed, this, &LogSearchForm::runSearch);
    return box;
}

void LogSearchForm::fillTypes()
{
    const QString module = cboType_->currentIndex() > 0 ? log_codes::moduleCode(cboType_->currentText()) : QString();
    QStringList entries;
    search_.typeEntries(module, entries);
    {
        const QSignalBlocker block(cboTypeDetail_);
        cboTypeDetail_->clear();
        cboTypeDetail_->addItems(entries);
    }
    chooseType();
}

void LogSearchForm::chooseType()
{
    search_.setDataCaptions(log_codes::entryCode(cboTypeDetail_->currentText()));
}

void LogSearchForm::runCommand(const QString &key)
{
    if (key == u"go")
        runSearch();
    else if (key == u"print")
        output_->print(PrintTarget::Preview);
    else if (key == u"exit")
        closeForm(this);
}

LogConditions LogSearchForm::conditions() const
{
    LogConditions c;
    c.begin = day::text(dtpBegin_->date());
    c.end = day::text(dtpEnd_->date());
    if (cboType_->currentIndex() > 0)
        c.module = log_codes::moduleCode(cboType_->currentText());
    c.type = log_codes::entryCode(cboTypeDetail_->currentText());
    c.worker = log_codes::entryCode(cboWkr_->currentText());
    c.computer = cboCpt_->currentIndex() > 0 ? cboCpt_->currentText() : QString();
    c.marcRecNo = txtMarc_->text();
    c.propNo = txtPropno_->text();
    c.certId = txtCertId_->text();
    for (std::size_t i = 0; i < txtData_.size(); ++i)
        c.data[i] = txtData_[i]->text();
    return c;
}

void LogSearchForm::runSearch()
{
    lblCount_->setText(QStringLiteral("正在查询……"));
    // Drawn now: the window stands complete while the statement runs.
    if (isVisible())
        repaint();
    search_.search(conditions());
    // Once per search, from a sample of the rows: the operator may widen
    // a column afterwards.
    spdLog_->resizeColumnsToContents();
    lblCount_->setText(search_.statusText());
}

QString LogSearchForm::headerLine() const
{
    return QStringLiteral("工作人员：") + cboWkr_->currentText().simplified() + QStringLiteral("    业务类型：") +
           cboType_->currentText() + QStringLiteral("    操作类型：") + cboTypeDetail_->currentText().simplified();
}

} // namespace kestra
