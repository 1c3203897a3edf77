#include "stats/JobStatForm.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/Days.h"
#include "output/ListReport.h"
#include "stats/StatChartWidget.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QSplitter>

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

namespace {

QLineEdit *makeJobDay(const QString &name, const QDate &date, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setInputMask(QStringLiteral("9999-99-99"));
    edit->setText(day::text(date));
    return edit;
}

} // namespace

JobStatForm::JobStatForm(AppContext &context, const QString &prefix, QWidget *parent)
    : QWidget(parent), stat_(context, prefix)
{
    setObjectName(QStringLiteral("frmStatJob"));
    setWindowTitle(QStringLiteral("工作量统计"));
    buildControls(context);
    stat_.load();
    runStat();
}

void JobStatForm::buildControls(AppContext &context)
{
    const QDate today = day::today(context);

    lblTitle_ = new QLabel(QStringLiteral("工号:") + stat_.operatorNo(), this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));

    auto *types = new QGroupBox(QStringLiteral("统计类型"), this);
    auto *typeRow = new QHBoxLayout(types);
    optStatType_ = new QButtonGroup(this);
    const QStringList captions = {QStringLiteral("年"), QStringLiteral("月"), QStringLiteral("日"),
                                  QStringLiteral("区间")};
    for (int i = 0; i < captions.size(); ++i)
        typeRow->addWidget(addOption(optStatType_, QStringLiteral("optStatType_%1").arg(i), i, captions.at(i), types));
    // The twelve months up to today: counters are kept per day, so a first
    // look shows the recent work even early in a year or a month.
    optStatType_->button(int(JobSpan::Period))->setChecked(true);

    calJob_ = new QCalendarWidget(this);
    calJob_->setObjectName(QStringLiteral("calJob"));
    calJob_->setSelectedDate(today);
    txtBgnDay_ = makeJobDay(QStringLiteral("txtBgnDay"), today.addYears(-1).addDays(1), this);
    txtEndDay_ = makeJobDay(QStringLiteral("txtEndDay"), today, this);
    auto *period = new QGridLayout;
    period->addWidget(new QLabel(QStringLiteral("起始日期"), this), 0, 0);
    period->addWidget(txtBgnDay_, 0, 1);
    period->addWidget(new QLabel(QStringLiteral("终止日期"), this), 1, 0);
    period->addWidget(txtEndDay_, 1, 1);

    QPushButton *cmdStat = makeButton(QStringLiteral("cmdStat"), QStringLiteral("统计(&S)"), this);
    QPushButton *cmdExit = makeButton(QStringLiteral("cmdExit"), QStringLiteral("退出(&X)"), this);

    spdJob_ = makeRowGrid(&stat_.grid(), QStringLiteral("spdJob"), this);
    spdJob_->horizontalHeader()->setStretchLastSection(true);
    output_ = new GridOutput(context, spdJob_, windowTitle());
    output_->setDecorator([this](ListReport &report) {
        report.headerLines.append(lblTitle_->text() + QStringLiteral("    统计时期：") + shownSpan_);
    });
    // Titles and copies per job type beside the grid and after the list.
    auto *chart = new StatChartWidget(stat_.grid(), 0, {1, 2}, {}, this);
    output_->setPageExtender(
        [this, chart](PageDocument &document) { appendChartPage(document, windowTitle(), chart->data()); });

    auto *left = new QVBoxLayout;
    left->addWidget(lblTitle_);
    left->addWidget(types);
    left->addWidget(calJob_);
    left->addLayout(period);
    left->addStretch(1);
    auto *body = new QHBoxLayout;
    body->addLayout(left);
    auto *split = new QSplitter(this);
    split->setObjectName(QStringLiteral("splStat"));
    split->addWidget(spdJob_);
    split->addWidget(chart);
    body->addWidget(split, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(makeFootRow({output_->makeButton(this)}, {cmdStat, cmdExit}));

    connect(cmdStat, &QPushButton::clicked, this, &JobStatForm::runStat);
    connect(cmdExit, &QPushButton::clicked, this, [this]() { closeForm(this); });
}

JobConditions JobStatForm::conditions() const
{
    JobConditions c;
    c.span = JobSpan(optStatType_->checkedId());
    c.day = calJob_->selectedDate();
    c.begin = txtBgnDay_->text();
    c.end = txtEndDay_->text();
    return c;
}

void JobStatForm::runStat()
{
    // The printed list names the span of the figures shown, not what the
    // controls hold since.
    if (stat_.run(conditions()) == JobStat::Outcome::Counted)
        shownSpan_ = spanText();
}

QString JobStatForm::spanText() const
{
    const JobConditions c = conditions();
    const QString shown = day::text(c.day);
    switch (c.span) {
    case JobSpan::Year:
        return shown.left(4);
    case JobSpan::Month:
        return shown.left(7);
    case JobSpan::Day:
        return shown;
    case JobSpan::Period:
        break;
    }
    return c.begin + QStringLiteral(" 到 ") + c.end;
}

} // namespace kestra
