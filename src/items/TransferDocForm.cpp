#include "items/TransferDocForm.h"

#include "core/AppContext.h"
#include "kit/BatchPicker.h"
#include "ui/FormParts.h"
#include "ui/WaitWindow.h"

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

TransferDocForm::TransferDocForm(AppContext &context, QWidget *parent) : QWidget(parent), doc_(context)
{
    setObjectName(QStringLiteral("frmTransferDoc"));
    setWindowTitle(QStringLiteral("交接批次"));
    const FindRow search = makeFindRow(QStringLiteral("交接批次"), this);
    txtFind_ = search.text;
    QPushButton *find = search.button;
    spdBatch_ = docGrid(QStringLiteral("spdBatch"), &doc_.batchModel(), this);
    QTableView *detail = docGrid(QStringLiteral("spdDetail"), &doc_.rowModel(), this);
    lblRequests_ = new QLabel(this);
    lblRequests_->setObjectName(QStringLiteral("lblRequests"));

    QPushButton *set = makeButton(QStringLiteral("cmdSet"), QStringLiteral("新书动态调整"), this);
    QPushButton *unset = makeButton(QStringLiteral("cmdUnSet"), QStringLiteral("恢复流通类型"), this);
    QPushButton *undo = makeButton(QStringLiteral("cmdUndo"), QStringLiteral("取消典藏"), this);
    QPushButton *bookMark = makeButton(QStringLiteral("cmdPrintBookMark"), QStringLiteral("打印书标"), this);
    QPushButton *card = makeButton(QStringLiteral("cmdPrintCard"), QStringLiteral("打印卡片"), this);
    cmdEmail_ = makeButton(QStringLiteral("cmdEmail"), QStringLiteral("通知读者"), this);
    QPushButton *ok = makeButton(QStringLiteral("cmdOK"), QStringLiteral("确定"), this);
    QPushButton *cancel = makeButton(QStringLiteral("cmdCancel"), QStringLiteral("取消"), this);

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
    QHBoxLayout *buttons = makeFootRow({set, unset, undo, bookMark, card, cmdEmail_}, {ok, cancel});
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
    connect(cmdEmail_, &QPushButton::clicked, this, [this]() {
        // The controller reads the detail again itself.
        if (!doc_.selected().isEmpty())
            doc_.notifyReaders();
        showDetail();
    });
    connect(bookMark, &QPushButton::clicked, this, [this]() {
        if (doc_.confirmLabels())
            Q_EMIT printRequested(QStringLiteral("frmPrintBookMark"), doc_.selected());
    });
    connect(card, &QPushButton::clicked, this, [this]() {
        if (doc_.confirmCards())
            Q_EMIT printRequested(QStringLiteral("frmPrintCard"), doc_.selected());
    });
    connect(ok, &QPushButton::clicked, this, [this]() {
        if (doc_.chosen().isEmpty())
            return;
        Q_EMIT batchChosen(doc_.chosen());
        closeForm(this);
    });
    connect(cancel, &QPushButton::clicked, this, [this]() { closeForm(this); });
    doc_.loadBatches();
    showDetail();
}

void TransferDocForm::selectBatch(int row)
{
    if (row < 0 || row >= doc_.batchModel().count())
        return;
    {
        const WaitText wait(this, QStringLiteral("正在准备书刊调拨..."));
        doc_.select(doc_.batchModel().at(row).moveBatch);
    }
    showDetail();
}

void TransferDocForm::act(int (TransferDoc::*action)())
{
    if (doc_.selected().isEmpty())
        return;
    if ((doc_.*action)() == 1)
        doc_.select(doc_.selected());
    showDetail();
}

void TransferDocForm::showDetail()
{
    lblRequests_->setText(doc_.requestsText());
    cmdEmail_->setEnabled(doc_.mayNotify());
    // Why the key is off, where the window knows a batch.
    QString why;
    if (!doc_.selected().isEmpty() && !doc_.mayNotify())
        why = doc_.blocked() ? QStringLiteral("该批次数据包含不可处理馆藏地，无法操作。")
                             : QStringLiteral("该批次没有待答复的读者荐购或建议。");
    cmdEmail_->setToolTip(why);
}

void TransferDocForm::setArguments(const FormArgs &args)
{
    caller_ = args.value(QStringLiteral("caller")).toString();
}

} // namespace kestra
