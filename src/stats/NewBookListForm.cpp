#include "stats/NewBookListForm.h"

#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "output/ListReport.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QLabel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

NewBookListForm::NewBookListForm(AppContext &context, QWidget *parent) : QWidget(parent), list_(context)
{
    setObjectName(QStringLiteral("frmNewBookList"));
    setWindowTitle(QStringLiteral("新书清单"));
    lblCondition_ = new QLabel(this);
    lblCondition_->setObjectName(QStringLiteral("lblCondition"));
    spdBookLst_ = makeRowGrid(&list_.model(), QStringLiteral("spdBookLst"), this);
    lblCount_ = makeCountLabel(this);
    output_ = new GridOutput(context, spdBookLst_, QStringLiteral("新书清单"));
    output_->setCopyTotals(7);
    output_->setDecorator([this](ListReport &report) { report.headerLines.append(headerLines_); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblCondition_);
    layout->addWidget(spdBookLst_, 1);
    layout->addLayout(makeFootRow({lblCount_}, {output_->makeButton(this)}));

    connect(spdBookLst_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        Q_EMIT recordRequested(list_.model().value(index.row(), QStringLiteral("marc_rec_no")),
                               list_.model().value(index.row(), QStringLiteral("prop_no")));
    });
    resize(900, 520);
}

void NewBookListForm::setArguments(const FormArgs &args)
{
    const IntakeConditions c = intake_filter::fromArgs(args);
    QStringList names;
    for (const QString &l : c.locations)
        names.append(list_.context().codes().locationName(l).isEmpty() ? l : list_.context().codes().locationName(l));
    headerLines_ = {QStringLiteral("统计时期 : ") + intake_filter::spanText(c),
                    QStringLiteral("馆藏地：") + names.join(u',')};
    lblCondition_->setText(headerLines_.join(QStringLiteral("    ")));
    list_.load(c);
    showCopyCount(lblCount_, list_.model().count());
}

} // namespace kestra
