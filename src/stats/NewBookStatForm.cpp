#include "stats/NewBookStatForm.h"

#include "core/AppContext.h"
#include "output/ListReport.h"
#include "stats/IntakeFilterWidget.h"
#include "stats/StatChartWidget.h"
#include "ui/CommandBar.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

NewBookStatForm::NewBookStatForm(AppContext &context, QWidget *parent) : QWidget(parent), stat_(context)
{
    setObjectName(QStringLiteral("frmNewBookAllStat"));
    setWindowTitle(QStringLiteral("按馆藏地统计"));

    auto *toolbar = new CommandBar(this, QStringLiteral("Toolbar1"));
    toolbar->addCommand(QStringLiteral("go"), QStringLiteral("统计"));
    toolbar->addCommand(QStringLiteral("print"), QStringLiteral("打印"));
    toolbar->addCommand(QStringLiteral("book"), QStringLiteral("新书清单"));
    toolbar->addSplit();
    toolbar->addCommand(QStringLiteral("exit"), QStringLiteral("退出"));

    filters_ = new IntakeFilterWidget(context, true, LocationChoice::None, this);
    grid_ = makeRowGrid(&stat_.grid(), QStringLiteral("SpdNewBookAllotStat"), this);
    grid_->horizontalHeader()->setStretchLastSection(true);
    chart_ = new StatChartWidget(stat_.grid(), 0, {1, 2}, {QStringLiteral("合计")}, this);
    output_ = new GridOutput(context, grid_, QStringLiteral("新书分配统计"));
    output_->setDecorator([this](ListReport &report) { report.headerLines.append(shownLines_); });
    output_->setPageExtender(
        [this](PageDocument &document) { appendChartPage(document, QStringLiteral("新书分配统计"), chart_->data()); });

    auto *split = new QSplitter(this);
    split->setObjectName(QStringLiteral("splStat"));
    split->addWidget(grid_);
    split->addWidget(chart_);
    auto *body = new QHBoxLayout;
    body->addWidget(filters_);
    body->addWidget(split, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(toolbar);
    layout->addLayout(body, 1);
    layout->addLayout(makeFootRow({output_->makeButton(this)}, {}));

    connect(toolbar, &CommandBar::commandTriggered, this, &NewBookStatForm::runCommand);
    runStat();
}

void NewBookStatForm::runCommand(const QString &key)
{
    if (key == u"go") {
        runStat();
    } else if (key == u"print") {
        output_->print(PrintTarget::Preview);
    } else if (key == u"book") {
        const int row = grid_->currentIndex().isValid() ? grid_->currentIndex().row() : 0;
        if (row < 0 || row >= stat_.rows().size() || stat_.rows().at(row).location.isEmpty()) {
            stat_.context().showMsg(QStringLiteral("I请选择馆藏地"));
            return;
        }
        QVariantMap args = newBookListArgs(shown_);
        args.insert(QStringLiteral("location"), stat_.rows().at(row).location);
        Q_EMIT bookListRequested(args);
    } else if (key == u"exit") {
        closeForm(this);
    }
}

void NewBookStatForm::runStat()
{
    const IntakeConditions c = filters_->conditions();
    if (stat_.run(c) == 0) {
        shownLines_ = filters_->headerLines();
        shown_ = c;
    }
}

} // namespace kestra
