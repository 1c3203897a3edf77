#include "ui/BatchDialog.h"

#include "core/AppContext.h"
#include "kit/CopyWatch.h"
#include "kit/MessageCollector.h"
#include "ui/FormParts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

BatchDialog::BatchDialog(AppContext &context, const BatchTable &table, BatchDialogSetup setup, QWidget *parent)
    : QDialog(parent), context_(context), setup_(std::move(setup)), picker_(context, table, setup_.type),
      rows_(setup_.columns)
{
    setObjectName(setup_.objectName);
    setWindowTitle(setup_.title);
    spdBatch_ = makeRowGrid(&rows_, QStringLiteral("spdBatch"), this);
    spdBatch_->setSelectionMode(QAbstractItemView::SingleSelection);
    spdBatch_->horizontalHeader()->setStretchLastSection(true);
    const FindRow top = makeFindRow(setup_.findCaption, this);
    txtFind_ = top.text;
    top.button->setAutoDefault(false);

    QList<QWidget *> left;
    for (const BatchDialogSetup::Action &action : setup_.actions) {
        QPushButton *button = dialogButton(this, action.name.toLatin1().constData(), action.caption);
        connect(button, &QPushButton::clicked, this, [this, run = action.run] { run(*this, currentRow()); });
        left.append(button);
    }
    QPushButton *ok = dialogButton(this, "cmdOK", QStringLiteral("确定"));
    QPushButton *cancel = dialogButton(this, "cmdCancel", QStringLiteral("取消"));
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top.row);
    layout->addWidget(spdBatch_, 1);
    if (setup_.describe) {
        lblBatch_ = new QLabel(this);
        lblBatch_->setObjectName(QStringLiteral("lblBatch"));
        lblBatch_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(lblBatch_);
    }
    layout->addLayout(makeFootRow(left, {ok, cancel}));
    resize(820, 460);

    connect(top.button, &QPushButton::clicked, this, &BatchDialog::find);
    connect(ok, &QPushButton::clicked, this, &BatchDialog::choose);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(spdBatch_, &QTableView::doubleClicked, this, &BatchDialog::choose);
    connect(spdBatch_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &BatchDialog::showCurrent);
    // A batch made, amended or deleted by another window shows here at once.
    reloadOnChange(context_, *this, false, table.table, [this] { reload(); });
    reload();
}

int BatchDialog::currentRow() const
{
    const QModelIndex current = spdBatch_->currentIndex();
    return current.isValid() && current.row() < rows_.count() ? current.row() : -1;
}

void BatchDialog::reload(const QString &select)
{
    const int before = currentRow();
    const QString keep = !select.isEmpty() ? select : (before >= 0 ? rows_.rows().text(before, 0) : QString());
    if (picker_.list(setup_.location) < 0)
        rows_.reset(QueryResult());
    else
        rows_.reset(picker_.rows());
    int row = rows_.rows().findRow(0, keep);
    if (row < 0 && rows_.count() > 0)
        row = 0;
    if (row >= 0)
        spdBatch_->selectRow(row);
    showCurrent();
}

void BatchDialog::find()
{
    // From the row after the current one, then from the top again; only
    // the last try may tell the operator that nothing matches.
    int r = -1;
    if (const int from = currentRow() + 1; from > 0) {
        MessageCollector quiet(context_);
        r = picker_.find(txtFind_->text(), from, setup_.searchColumns);
    }
    if (r < 0)
        r = picker_.find(txtFind_->text(), 0, setup_.searchColumns);
    if (r >= 0)
        spdBatch_->selectRow(r);
}

void BatchDialog::choose()
{
    const int row = currentRow();
    if (row < 0) {
        if (!setup_.nothingChosen.isEmpty())
            context_.showMsg(setup_.nothingChosen);
        return;
    }
    chosen_ = row;
    accept();
}

void BatchDialog::showCurrent()
{
    if (lblBatch_ != nullptr)
        lblBatch_->setText(currentRow() >= 0 ? setup_.describe(rows_, currentRow()) : QString());
}

} // namespace kestra
