#include "assign/AssignBatchForm.h"

#include "assign/AssignBatch.h"
#include "assign/AssignSettings.h"
#include "assign/NewBookAssign.h"
#include "ui/FormParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kestra {

void fillAssignChoices(AppContext &context, QComboBox *subscribers, QComboBox *locations, QComboBox *statuses,
                       bool anyEntries)
{
    const QString any = QStringLiteral("<不定>");
    const QString same = QStringLiteral("<不变>");
    if (anyEntries) {
        subscribers->addItem(any, QString());
        locations->addItem(same, QString());
    }
    QueryResult r;
    if (loadSubscriberChoices(context, r) >= 0) {
        for (int i = 0; i < r.rowCount(); ++i)
            subscribers->addItem(r.text(i, 1), r.text(i, 0));
    }
    QueryResult all;
    if (loadLocationChoices(context, all) >= 0) {
        for (int i = 0; i < all.rowCount(); ++i)
            locations->addItem(all.text(i, 1), all.text(i, 0));
    }
    for (const CodeChoice &status : assignStatuses())
        statuses->addItem(status.second, status.first);
    if (anyEntries)
        statuses->addItem(same, QString());
}

AssignBatchForm::AssignBatchForm(AppContext &context, QWidget *parent) : QWidget(parent), context_(context)
{
    setObjectName(QStringLiteral("frmAssignBatch"));
    setWindowTitle(QStringLiteral("批量分配"));
    subscribers_ = new QComboBox(this);
    subscribers_->setObjectName(QStringLiteral("cmbIndiLoca"));
    locations_ = new QComboBox(this);
    locations_->setObjectName(QStringLiteral("cmbItemLoca"));
    statuses_ = new QComboBox(this);
    statuses_->setObjectName(QStringLiteral("cmbBookStatus"));
    fillAssignChoices(context, subscribers_, locations_, statuses_, true);
    release_ = new QCheckBox(QStringLiteral("送交流通"), this);
    release_->setObjectName(QStringLiteral("chkLt"));
    QPushButton *ok = makeButton(QStringLiteral("cmdOK"), QStringLiteral("分配(&O)"), this);
    QPushButton *exit = makeButton(QStringLiteral("cmdExit"), QStringLiteral("退出(&E)"), this);
    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("订户："), subscribers_);
    fields->addRow(QStringLiteral("分配地："), locations_);
    fields->addRow(QStringLiteral("书刊状态："), statuses_);
    fields->addRow(QString(), release_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(makeFootRow({}, {ok, exit}));
    connect(ok, &QPushButton::clicked, this, [this]() {
        assignWholeBatch(context_,
                         {batch_, subscribers_->currentData().toString(), locations_->currentData().toString(),
                          statuses_->currentData().toString(), release_->isChecked()});
    });
    connect(exit, &QPushButton::clicked, this, [this]() { closeForm(this); });
}

void AssignBatchForm::setArguments(const FormArgs &args)
{
    batch_ = args.value(QStringLiteral("moveBatch")).toString();
    setWindowTitle(QStringLiteral("批量分配-交接批次:") + batch_);
}

ShowAllAssignForm::ShowAllAssignForm(AppContext &context, QWidget *parent) : QWidget(parent), context_(context)
{
    setObjectName(QStringLiteral("frmShowAllAssign"));
    setWindowTitle(QStringLiteral("分配情况"));
    grid_ = new QTableWidget(0, 2, this);
    grid_->setObjectName(QStringLiteral("spdAssign"));
    grid_->setHorizontalHeaderLabels({QStringLiteral("馆藏地"), QStringLiteral("财产号/复本数")});
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grid_);
}

void ShowAllAssignForm::setArguments(const FormArgs &args)
{
    const QList<AssignedPlace> places = assignedPlaces(context_, args.value(QStringLiteral("marcRecNo")).toString());
    grid_->setRowCount(int(places.size()));
    for (int i = 0; i < places.size(); ++i) {
        grid_->setItem(i, 0, new QTableWidgetItem(places.at(i).location));
        grid_->setItem(i, 1, new QTableWidgetItem(places.at(i).copies));
    }
}

} // namespace kestra
