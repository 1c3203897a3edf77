#include "inventory/BookCountForm.h"

#include "core/AppContext.h"
#include "core/MessageKind.h"
#include "core/Session.h"
#include "inventory/CountBatchDialog.h"
#include "ui/CommandBar.h"
#include "ui/EntryBoxes.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace kestra {

namespace {

// How often the window reads the batch's progress while others scan.
constexpr int kCountProgressMs = 15000;

} // namespace

BookCountForm::BookCountForm(AppContext &context, const BarcodeSettings &barcode, FormServices services,
                             QWidget *parent)
    : ScanForm(context, QStringLiteral("frmHold_BookCount_New"), QStringLiteral("馆藏清点"), parent), context_(context),
      services_(std::move(services)), count_(context, barcode)
{
    attach(count_);
    bind(QStringLiteral("SelectBatch"), QStringLiteral("选择批次"),
         [this]() { takeBatch(CountBatchDialog::choose(context_, this)); });
    bindImportAndSearch();
    bind(QStringLiteral("ShowAllItem"), QStringLiteral("所有复本"), [this]() {
        const int row = list()->currentIndex().row();
        if (count_.showAllItems(row) > 0)
            spdItemAll_->show();
    });
    bindSelectAndUndo(QStringLiteral("UndoCheck"), QStringLiteral("取消清点"));
    bind(QStringLiteral("CheckStat"), QStringLiteral("清点统计"), [this]() {
        services_.open(QStringLiteral("frmHold_BookCount_Report"),
                       {{QStringLiteral("countBatchNo"), count_.batch().number}});
    });
    bind(QStringLiteral("LostView"), QStringLiteral("未清点到书刊"), [this]() {
        services_.open(QStringLiteral("frmHold_BookCount_LostView"),
                       {{QStringLiteral("location"), count_.batch().location}});
    });
    bindExit();

    txtShelfNo_ = makeLineEdit(QStringLiteral("txtShelfNo"), 30, this);
    chkModifyShelf_ = new QCheckBox(QStringLiteral("修改排架号"), this);
    chkModifyShelf_->setObjectName(QStringLiteral("chkModifyShelf"));
    lblBatch_ = new QLabel(this);
    lblBatch_->setObjectName(QStringLiteral("lblBatch"));
    lblProgress_ = new QLabel(this);
    lblProgress_->setObjectName(QStringLiteral("lblProgress"));
    lblWaiting_ = new QLabel(this);
    lblWaiting_->setObjectName(QStringLiteral("lblWaiting"));
    spdItemAll_ = makeRowGrid(&count_.titleCopies(), QStringLiteral("spdItemAll"), this);
    spdItemAll_->hide();

    auto *top = new QHBoxLayout;
    top->addWidget(lblBatch_, 1);
    top->addWidget(lblWaiting_);
    top->addWidget(lblProgress_);
    auto *shelf = new QHBoxLayout;
    shelf->addWidget(new QLabel(QStringLiteral("排架号："), this));
    shelf->addWidget(txtShelfNo_);
    shelf->addWidget(chkModifyShelf_);
    shelf->addStretch();
    auto *input = new QHBoxLayout;
    input->addWidget(scanInput().byBarcode);
    input->addWidget(scanInput().byAccession);
    input->addWidget(scanInput().code, 1);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(list());
    split->addWidget(spdItemAll_);
    QVBoxLayout *layout = beginLayout();
    layout->addLayout(top);
    layout->addLayout(shelf);
    layout->addLayout(input);
    endLayout(layout, split);

    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this]() { refreshProgress(true); });
    timer->start(kCountProgressMs);
    showCommands();
}

void BookCountForm::setArguments(const FormArgs &args)
{
    const QString number = args.value(QStringLiteral("countBatchNo")).toString();
    if (!number.isEmpty())
        takeBatch(number);
}

void BookCountForm::takeBatch(const QString &number)
{
    if (number.isEmpty() || count_.chooseBatch(number) != 0)
        return;
    const CountBatch &b = count_.batch();
    lblBatch_->setText(QStringLiteral("清点批次：") + b.number + QStringLiteral("  ") + count_.batchTitle());
    setWindowTitle(QStringLiteral("馆藏清点 - ") + count_.batchTitle());
    spdItemAll_->hide();
    // Scans a lost connection kept, in this window or an earlier run.
    if (count_.waiting() > 0 &&
        context_.showMsg(QStringLiteral("Q该批次有%1条扫描尚未写入数据库，现在写入吗？").arg(count_.waiting())) ==
            AnswerOk)
        count_.replayJournal();
    refreshProgress(true);
    showCommands();
}

void BookCountForm::closeEvent(QCloseEvent *event)
{
    if (count_.waiting() > 0 &&
        context_.showMsg(QStringLiteral("Q还有%1条扫描因数据库连接中断尚未写入，它们保存在本机，下次选择该批次时写入。"
                                        "是否关闭？")
                             .arg(count_.waiting())) != AnswerOk) {
        event->ignore();
        return;
    }
    ScanForm::closeEvent(event);
}

void BookCountForm::refreshProgress(bool countExpected)
{
    lblWaiting_->setText(count_.waiting() > 0 ? QStringLiteral("暂存%1册").arg(count_.waiting()) : QString());
    CountProgress p;
    if (count_.batch().isEmpty() || !count_.progress(p, countExpected)) {
        lblProgress_->clear();
        return;
    }
    lblProgress_->setText(p.text());
}

void BookCountForm::beforeScan()
{
    count_.setShelfNo(txtShelfNo_->text());
    count_.setModifyShelf(chkModifyShelf_->isChecked());
}

void BookCountForm::afterScan(const ScanReport &)
{
    refreshProgress(false);
}

void BookCountForm::showCommands()
{
    ScanForm::showCommands();
    const bool has = !count_.batch().isEmpty();
    commandBar()->setCommandEnabled(QStringLiteral("Import"), has);
    commandBar()->setCommandEnabled(QStringLiteral("SearchBook"), has && hasCopySearch());
    commandBar()->setCommandEnabled(QStringLiteral("CheckStat"),
                                    has && context_.session().hasRight(QStringLiteral("3005")));
    commandBar()->setCommandEnabled(QStringLiteral("LostView"), context_.session().hasRight(QStringLiteral("3005")));
}

} // namespace kestra
