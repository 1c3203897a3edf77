#include "items/TransferDocForm.h"

#include "core/AppContext.h"
#include "items/TransferDocRows.h"
#include "kit/BatchPicker.h"
#include "ui/FormParts.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

namespace {

QTableView *docGrid(const QString &name, QAbstractItemModel *model, QWidget *parent)
{
    QTableView *grid = makeRowGrid(model, name, parent);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    return grid;
}

} // namespace

TransferDocForm::TransferDocForm(AppContext &context, QWidget *parent)
    : QWidget(parent), doc_(context), batches_(handoverBatchColumns(), false), rows_(handoverRowColumns(context), false)
{
    setObjectName(QStringLiteral("frmTransferDoc"));
    setWindowTitle(QStringLiteral("交接批次"));
    const FindRow search = makeFindRow(QStringLiteral("交接批次"), this);
    txtFind_ = search.text;
    QPushButton *find = search.button;
    spdBatch_ = docGrid(QStringLiteral("spdBatch"), &batches_, this);
    QTableView *detail = docGrid(QStringLiteral("spdDetail"), &rows_, this);
    lblRequests_ = new QLabel(this);
    lblRequests_->setObjectName(QStringLiteral("lblRequests"));

    QPushButton *set = makeButton(QStringLiteral("cmdSet"), QStringLiteral("新书动态调整"), this);
    QPushButton *unset = makeButton(QStringLiteral("cmdUnSet"), QStringLiteral("恢复流通类型"), this);
    QPushButton *undo = makeButton(QStringLiteral("cmdUndo"), QStringLiteral("取消典藏"), this);
    QPushButton *bookMark = makeButton(QStringLiteral("cmdPrintBookMark"), QStringLiteral("打印书标"), this);
    QPushButton *card = makeButton(QStringLiteral("cmdPrintCard"), QStringLiteral("打印卡片"), this);
    QPushButton *email = makeButton(QStringLiteral("cmdEmail"), QStringLiteral("通知读者"), this);
    QPushButton *ok = makeButton(QStringLiteral("cmdOK"), QStringLiteral("确定"), this);
    QPushButton *cancel = makeButton(QStringLiteral("cmdCancel"), QStringLiteral("取消"), this);
    // Never a dead click: what these start is not part of the program yet.
    for (QPushButton *b : {bookMark, card, email}) {
        b->setEnabled(false);
        b->setToolTip(QStringLiteral("暂不可用"));
    }

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(search.row);
    leftLayout->addWidget(spdBatch_, 1);
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(detail, 1);
    rightLayout->addWidget(lblRequests_);
    auto *split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(1, 2);
    QHBoxLayout *buttons = makeFootRow({set, unset, undo, bookMark, card, email}, {ok, cancel});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    connect(find, &QPushButton::clicked, this, [this]() {
        const int current = spdBatch_->currentIndex().isValid() ? spdBatch_->currentIndex().row() : -1;
        const int row = nextFoundRow(doc_.find(txtFind_->text()), current);
        if (row >= 0)
            spdBatch_->selectRow(row);
    });
    connect(spdBatch_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { selectBatch(current.row()); });
    connect(set, &QPushButton::clicked, this, [this]() { act(&TransferDoc::setNewBookType); });
    connect(unset, &QPushButton::clicked, this, [this]() { act(&TransferDoc::restoreType); });
    connect(undo, &QPushButton::clicked, this, [this]() { act(&TransferDoc::undoAccession); });
    connect(ok, &QPushButton::clicked, this, [this]() {
        if (doc_.chosen().isEmpty())
            return;
        Q_EMIT batchChosen(doc_.chosen());
        closeForm(this);
    });
    connect(cancel, &QPushButton::clicked, this, [this]() { closeForm(this); });
    reload();
}

void TransferDocForm::reload()
{
    doc_.loadBatches();
    batches_.reset(doc_.batches());
    rows_.reset();
    lblRequests_->clear();
}

void TransferDocForm::selectBatch(int row)
{
    if (row < 0 || row >= batches_.count())
        return;
    doc_.select(batches_.at(row).moveBatch);
    showDetail();
}

void TransferDocForm::showDetail()
{
    rows_.reset(doc_.rows());
    lblRequests_->setText(handoverRequestsText(doc_));
    // The batch's mark is known now.
    for (int i = 0; i < batches_.count(); ++i) {
        if (batches_.at(i).moveBatch == doc_.selected())
            batches_.replace(i, doc_.batches().value(i, batches_.at(i)));
    }
}

void TransferDocForm::act(int (TransferDoc::*action)())
{
    if (doc_.selected().isEmpty())
        return;
    if ((doc_.*action)() == 1 && doc_.select(doc_.selected()) >= 0)
        showDetail();
}

void TransferDocForm::setArguments(const FormArgs &args)
{
    caller_ = args.value(QStringLiteral("caller")).toString();
}

} // namespace kestra
