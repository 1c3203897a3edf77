#include "assign/NewBookAssignForm.h"

#include "core/AppContext.h"
#include "ui/CellEditing.h"
#include "ui/CommandBar.h"
#include "ui/FormParts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace kestra {

namespace {

// The keys that act on the copies of the title shown.
const QStringList &newBookEditKeys()
{
    static const QStringList keys = {
        QStringLiteral("AllCirculate"), QStringLiteral("AllCirculateBatch"), QStringLiteral("AutoBarcode"),
        QStringLiteral("AutoAssign"),   QStringLiteral("AutoAssignBatch"),   QStringLiteral("Attachment"),
        QStringLiteral("Undo"),         QStringLiteral("AssignBatch"),       QStringLiteral("ShowAllItem"),
    };
    return keys;
}

// The columns the simple view keeps.
bool newBookSimpleColumn(const QString &heading)
{
    return heading == u"财产号" || heading == u"条码号" || heading == u"馆藏地" || heading == u"书刊状态";
}

} // namespace

NewBookAssignForm::NewBookAssignForm(const FormServices &services, QWidget *parent)
    : QWidget(parent), services_(services), assign_(services.context)
{
    setObjectName(QStringLiteral("frmNewBookAssign"));
    setWindowTitle(assign_.caption());
    bar_ = new CommandBar(this);
    const std::pair<const char *, const char16_t *> commands[] = {
        {"SelectBatch", u"选择批次"},
        {"SearchBook", u"条件查询"},
        {"Home", u"首种"},
        {"Preview", u"上一种"},
        {"Next", u"下一种"},
        {"End", u"末种"},
        {"Sheet", u"详细"},
        {"Simple", u"简单"},
        {"UpLevel", u"返回列表"},
        {"ShowExist", u"已有馆藏"},
        {"ShowAllItem", u"全部复本"},
        {"ShowAllAssign", u"分配情况"},
        {"PrintCard", u"打印卡片"},
        {"AutoBarcode", u"自动条码"},
        {"Attachment", u"附件"},
        {"Undo", u"取消典藏"},
        {"AutoAssign", u"自动分配"},
        {"AutoAssignBatch", u"批量自动分配"},
        {"AllCirculate", u"全部流通"},
        {"AllCirculateBatch", u"批量流通"},
        {"AssignBatch", u"批量分配"},
        {"Save", u"保存"},
        {"AssignLocation", u"扫描分配"},
        {"Exit", u"退出"},
    };
    for (const auto &[key, text] : commands)
        bar_->addCommand(QLatin1String(key), QString::fromUtf16(text));
    for (const char *toggle : {"Sheet", "Simple", "ShowAllItem"})
        bar_->command(QLatin1String(toggle))->setCheckable(true);

    searchPanel_ = new QWidget(this);
    cmbType_ = new QComboBox(searchPanel_);
    cmbType_->setObjectName(QStringLiteral("cmbType"));
    const std::pair<const char *, const char16_t *> types[] = {
        {"01", u"题名"},   {"02", u"责任者"}, {"03", u"主题词"}, {"05", u"ISBN"},
        {"91", u"索书号"}, {"92", u"财产号"}, {"93", u"条码号"},
    };
    for (const auto &[code, name] : types)
        cmbType_->addItem(QString::fromUtf16(name), QLatin1String(code));
    txtContent_ = makeLineEdit(QStringLiteral("txtContent"), 200, searchPanel_);
    QPushButton *cmdSearch = makeButton(QStringLiteral("cmdSearch"), QStringLiteral("查询"), searchPanel_);
    auto *searchRow = new QHBoxLayout(searchPanel_);
    searchRow->setContentsMargins(0, 0, 0, 0);
    searchRow->addWidget(cmbType_);
    searchRow->addWidget(txtContent_, 1);
    searchRow->addWidget(cmdSearch);
    searchPanel_->hide();

    spdBatchList_ = makeRowGrid(&assign_.titleModel(), QStringLiteral("spdBatchList"), this);
    spdBatchList_->setSelectionMode(QAbstractItemView::SingleSelection);
    spdBook_ = makeRowGrid(&assign_.copyModel(), QStringLiteral("spdBook"), this);
    makeEditable(spdBook_, services.context);
    titleInfo_ = new QLabel(this);
    titleInfo_->setObjectName(QStringLiteral("txtTitleInfo"));
    titleInfo_->setWordWrap(true);
    titleInfo_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    titleInfo_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("SplitH"));
    split->addWidget(titleInfo_);
    split->addWidget(spdBook_);
    split->setStretchFactor(1, 3);

    pages_ = new QStackedWidget(this);
    auto *empty = new QLabel(QStringLiteral("[必须先选择一个交接批次或查询一批图书]"), this);
    empty->setAlignment(Qt::AlignCenter);
    pages_->addWidget(empty);
    pages_->addWidget(spdBatchList_);
    pages_->addWidget(split);
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addWidget(searchPanel_);
    layout->addWidget(pages_, 1);
    layout->addWidget(lblStatus_);

    runTimer_ = new QTimer(this);
    runTimer_->setInterval(0);
    connect(runTimer_, &QTimer::timeout, this, [this]() {
        const auto fill =
            runKey_ == u"AutoAssignBatch" ? NewBookAssign::Fill::AutoAssign : NewBookAssign::Fill::AllCirculate;
        if (!assign_.runStep(fill))
            stopRun();
    });
    connect(bar_, &CommandBar::commandTriggered, this, &NewBookAssignForm::runCommand);
    connect(cmdSearch, &QPushButton::clicked, this, [this]() {
        if (assign_.search(cmbType_->currentData().toString(), txtContent_->text()) == 1)
            showTitleView(true);
    });
    connect(txtContent_, &QLineEdit::returnPressed, cmdSearch, &QPushButton::click);
    connect(spdBatchList_, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (assign_.show(index.row()))
            showTitleView(true);
    });
    connect(spdBook_, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        // Editable cells take the double click for their editor.
        if (index.flags() & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable))
            return;
        if (const AssignTitle *title = assign_.currentTitle())
            open(QStringLiteral("frmBookInfo"),
                 {{QStringLiteral("marcRecNo"), title->marcRecNo},
                  {QStringLiteral("propNo"), assign_.copyModel().at(index.row()).propNo}});
    });
    connect(&assign_, &NewBookAssign::stateChanged, this, &NewBookAssignForm::refresh);
    refresh();
}

void NewBookAssignForm::open(const QString &form, const FormArgs &args)
{
    services_.open(form, args);
}

void NewBookAssignForm::setArguments(const FormArgs &args)
{
    const QString batch = args.value(QStringLiteral("moveBatch")).toString();
    if (!batch.isEmpty() && !batchRunning() && assign_.loadBatch(batch) == 1)
        showTitleView(true);
}

bool NewBookAssignForm::batchRunning() const
{
    return runTimer_->isActive();
}

void NewBookAssignForm::showTitleView(bool on)
{
    if (assign_.titleModel().isEmpty()) {
        pages_->setCurrentIndex(0);
    } else if (on && assign_.currentTitle() != nullptr) {
        pages_->setCurrentIndex(2);
    } else {
        pages_->setCurrentIndex(1);
        if (assign_.position() >= 0)
            spdBatchList_->selectRow(assign_.position());
    }
    refresh();
}

void NewBookAssignForm::refresh()
{
    setWindowTitle(assign_.caption());
    lblStatus_->setText(assign_.statusLine());
    if (pages_->currentIndex() == 2 && assign_.currentTitle() == nullptr)
        pages_->setCurrentIndex(assign_.titleModel().isEmpty() ? 0 : 1);
    const bool titleView = pages_->currentIndex() == 2;
    if (const AssignTitle *t = assign_.currentTitle()) {
        titleInfo_->setText(QStringLiteral("%1/%2  %3  %4  %5  %6  %7")
                                .arg(assign_.position() + 1)
                                .arg(assign_.titleModel().count())
                                .arg(t->callNo, t->title, t->author, t->publisher, t->year));
    } else {
        titleInfo_->clear();
    }
    for (int c = 0; c < assign_.copyModel().columnCount(); ++c) {
        const QString heading = assign_.copyModel().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        spdBook_->setColumnHidden(c, simple_ && !newBookSimpleColumn(heading));
    }
    if (batchRunning()) {
        for (QAction *a : bar_->actions()) {
            if (!a->objectName().isEmpty())
                a->setEnabled(a->objectName() == runKey_);
        }
        return;
    }
    const bool hasList = !assign_.titleModel().isEmpty();
    const int pos = assign_.position();
    const int last = assign_.titleModel().count() - 1;
    for (QAction *a : bar_->actions()) {
        if (!a->objectName().isEmpty())
            a->setEnabled(true);
    }
    bar_->setCommandsEnabled({QStringLiteral("Home"), QStringLiteral("Preview")}, hasList && pos > 0);
    bar_->setCommandsEnabled({QStringLiteral("Next"), QStringLiteral("End")}, hasList && pos < last);
    bar_->setCommandsEnabled({QStringLiteral("UpLevel"), QStringLiteral("ShowAllAssign"), QStringLiteral("PrintCard")},
                             titleView);
    bar_->setCommandEnabled(QStringLiteral("ShowExist"), assign_.mode() == NewBookAssign::Mode::Batch);
    const bool editing = titleView && !simple_ && assign_.currentTitle() != nullptr;
    bar_->setCommandsEnabled(newBookEditKeys(), editing && assign_.mayEdit());
    bar_->setCommandEnabled(QStringLiteral("ShowAllItem"), editing);
    bar_->command(QStringLiteral("ShowAllItem"))->setChecked(assign_.showAllItems());
    bar_->setCommandEnabled(QStringLiteral("Save"), assign_.dirty());
    bar_->command(QStringLiteral("Sheet"))->setChecked(!simple_);
    bar_->command(QStringLiteral("Simple"))->setChecked(simple_);
}

void NewBookAssignForm::startRun(const QString &key)
{
    if (!assign_.batchWorkAllowed())
        return;
    runKey_ = key;
    runTimer_->start();
    refresh();
}

void NewBookAssignForm::stopRun()
{
    runTimer_->stop();
    runKey_.clear();
    refresh();
}

void NewBookAssignForm::runCommand(const QString &key)
{
    if (!bar_->isCommandEnabled(key))
        return;
    // The running key stops its run; nothing else runs meanwhile.
    if (batchRunning()) {
        if (key == runKey_)
            stopRun();
        return;
    }
    const AssignTitle *title = assign_.currentTitle();
    const QString marcRecNo = title != nullptr ? title->marcRecNo : QString();
    const QString batch = assign_.mode() == NewBookAssign::Mode::Batch ? assign_.moveBatch() : QString();
    if (key == u"SelectBatch") {
        open(QStringLiteral("frmTransferDoc"), {{QStringLiteral("caller"), QStringLiteral("frmNewBookAssign")}});
    } else if (key == u"SearchBook") {
        searchPanel_->setVisible(!searchPanel_->isVisible());
        if (searchPanel_->isVisible())
            txtContent_->setFocus();
    } else if (key == u"Home" || key == u"Preview" || key == u"Next" || key == u"End") {
        const int to = key == u"Home"      ? 0
                       : key == u"Preview" ? assign_.position() - 1
                       : key == u"Next"    ? assign_.position() + 1
                                           : assign_.titleModel().count() - 1;
        if (assign_.show(to))
            showTitleView(true);
    } else if (key == u"Sheet" || key == u"Simple") {
        simple_ = key == u"Simple";
        refresh();
    } else if (key == u"UpLevel") {
        showTitleView(false);
    } else if (key == u"ShowExist") {
        assign_.showExist();
    } else if (key == u"ShowAllItem") {
        if (assign_.dirty() && services_.context.showMsg(QStringLiteral("QDC017")) == AnswerCancel) {
            refresh();
            return;
        }
        assign_.setShowAllItems(!assign_.showAllItems());
        assign_.reloadCopies();
    } else if (key == u"ShowAllAssign") {
        open(QStringLiteral("frmShowAllAssign"), {{QStringLiteral("marcRecNo"), marcRecNo}});
    } else if (key == u"PrintCard") {
        FormArgs args{{QStringLiteral("marcRecNo"), marcRecNo}};
        if (!batch.isEmpty())
            args.insert(QStringLiteral("moveBatch"), batch);
        open(QStringLiteral("frmPrintCard"), args);
    } else if (key == u"AutoBarcode") {
        assign_.autoBarcode();
    } else if (key == u"Attachment") {
        assign_.attachment();
    } else if (key == u"AutoAssign") {
        assign_.autoAssign();
    } else if (key == u"AllCirculate") {
        assign_.allCirculate();
    } else if (key == u"AutoAssignBatch" || key == u"AllCirculateBatch") {
        startRun(key);
    } else if (key == u"Undo") {
        assign_.undo();
    } else if (key == u"Save") {
        assign_.save();
    } else if (key == u"AssignBatch") {
        if (assign_.batchWorkAllowed())
            open(QStringLiteral("frmAssignBatch"), {{QStringLiteral("moveBatch"), batch}});
    } else if (key == u"AssignLocation") {
        open(QStringLiteral("frmAssignLocation"), {{QStringLiteral("moveBatch"), batch}});
    } else if (key == u"Exit") {
        closeForm(this);
        return;
    }
    refresh();
}

void NewBookAssignForm::closeEvent(QCloseEvent *event)
{
    if (batchRunning())
        stopRun();
    if (!assign_.mayClose()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace kestra
