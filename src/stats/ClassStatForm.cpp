#include "stats/ClassStatForm.h"

#include "core/AppContext.h"
#include "output/ListReport.h"
#include "stats/IntakeFilterWidget.h"
#include "stats/StatChartWidget.h"
#include "ui/CellEditing.h"
#include "ui/CommandBar.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

const QList<ClassStatWindow> &ClassStatForm::windows()
{
    static const QList<ClassStatWindow> list{
        {QStringLiteral("frmNewBookLocaClsStat"), QStringLiteral("入藏图书分布统计"),
         QStringLiteral("入藏图书分布统计"), ClassStatKind::Intake, int(LocationChoice::Several), false},
        {QStringLiteral("frmNewBookLoca"), QStringLiteral("馆藏地新书分类统计"), QStringLiteral("馆藏地新书分类统计"),
         ClassStatKind::Intake, int(LocationChoice::One), false},
        {QStringLiteral("frmLocaStat"), QStringLiteral("馆藏地藏书分类统计"), QStringLiteral("馆藏地藏书分类统计"),
         ClassStatKind::Holdings, int(LocationChoice::One), false},
        {QStringLiteral("frmAllLocaStat"), QStringLiteral("全馆藏书分类统计"), QStringLiteral("全馆藏书分类统计"),
         ClassStatKind::Holdings, int(LocationChoice::None), true},
    };
    return list;
}

ClassStatForm::ClassStatForm(AppContext &context, const ClassStatWindow &window, QWidget *parent)
    : QWidget(parent), window_(window),
      stat_(context, window.kind, LocationChoice(window.locations) != LocationChoice::None)
{
    setObjectName(window.formName);
    setWindowTitle(window.caption);

    auto *toolbar = new CommandBar(this, QStringLiteral("Toolbar1"));
    toolbar->addCommand(QStringLiteral("go"), QStringLiteral("统计"));
    toolbar->addCommand(QStringLiteral("print"), QStringLiteral("打印"));
    toolbar->addSplit();
    toolbar->addCommand(QStringLiteral("exit"), QStringLiteral("退出"));

    cboTemplate_ = new QComboBox(this);
    cboTemplate_->setObjectName(QStringLiteral("cboTemplate"));
    QList<FilterCode> templates;
    stat_.templates(window.holdingsTemplates, templates);
    for (const FilterCode &t : templates)
        cboTemplate_->addItem(t.name, t.code);
    cboTemplate_->addItem(ClassStat::CustomEntry, QString());
    spdCustom_ = makeRowGrid(&stat_.customRows(), QStringLiteral("spdCustom"), this);
    spdCustom_->horizontalHeader()->setStretchLastSection(true);
    makeEditable(spdCustom_, context);

    filters_ =
        new IntakeFilterWidget(context, window.kind == ClassStatKind::Intake, LocationChoice(window.locations), this);
    grid_ = makeRowGrid(&stat_.grid(), QStringLiteral("spdStat"), this);
    grid_->horizontalHeader()->setStretchLastSection(true);
    chart_ = new StatChartWidget(stat_.grid(), 0, {2}, {ClassStat::NoCallNumber, ClassStat::Total}, this);
    output_ = new GridOutput(context, grid_, window.printTitle);
    output_->setDecorator([this](ListReport &report) { report.headerLines.append(shownLines_); });
    output_->setPageExtender(
        [this](PageDocument &document) { appendChartPage(document, window_.printTitle, chart_->data()); });

    auto *left = new QVBoxLayout;
    auto *templateRow = new QHBoxLayout;
    templateRow->addWidget(new QLabel(QStringLiteral("分类模板"), this));
    templateRow->addWidget(cboTemplate_, 1);
    left->addLayout(templateRow);
    left->addWidget(spdCustom_);
    left->addWidget(filters_, 1);
    auto *split = new QSplitter(this);
    split->setObjectName(QStringLiteral("splStat"));
    split->addWidget(grid_);
    split->addWidget(chart_);
    auto *body = new QHBoxLayout;
    body->addLayout(left);
    body->addWidget(split, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(toolbar);
    layout->addLayout(body, 1);
    layout->addLayout(makeFootRow({output_->makeButton(this)}, {}));

    connect(toolbar, &CommandBar::commandTriggered, this, &ClassStatForm::runCommand);
    connect(cboTemplate_, &QComboBox::currentIndexChanged, this, &ClassStatForm::chooseTemplate);
    chooseTemplate();
    resize(1000, 620);
}

void ClassStatForm::runCommand(const QString &key)
{
    if (key == u"go")
        runStat();
    else if (key == u"print")
        output_->print(PrintTarget::Preview);
    else if (key == u"exit")
        closeForm(this);
}

void ClassStatForm::chooseTemplate()
{
    const bool custom = cboTemplate_->currentText() == ClassStat::CustomEntry;
    spdCustom_->setVisible(custom);
    if (!custom)
        stat_.chooseTemplate(cboTemplate_->currentData().toString());
}

void ClassStatForm::runStat()
{
    if (cboTemplate_->currentText() == ClassStat::CustomEntry && stat_.useCustomRows() < 0)
        return;
    if (stat_.run(filters_->conditions()) == 0)
        shownLines_ = filters_->headerLines() << QStringLiteral("分类模板： ") + cboTemplate_->currentText();
}

} // namespace kestra
