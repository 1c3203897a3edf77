#include "assign/AssignLocationForm.h"

#include "assign/AssignBatchForm.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "ui/EntryBoxes.h"
#include "ui/FormParts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

AssignLocationForm::AssignLocationForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent)
    : QWidget(parent), assign_(context, barcode)
{
    setObjectName(QStringLiteral("frmAssignLocation"));
    setWindowTitle(QStringLiteral("扫描分配"));
    batch_ = new QComboBox(this);
    batch_->setObjectName(QStringLiteral("cmbBatch"));
    batch_->setEditable(true);
    // The batches that still wait for assignment, newest first.
    QueryResult batches;
    if (context.db().query(QStringLiteral("SELECT DISTINCT move_batch FROM transfer_doc WHERE cata_flag='3' "
                                          "AND (store_flag IS NULL OR store_flag<>'1') ORDER BY move_batch DESC"),
                           batches) >= 0) {
        for (int i = 0; i < batches.rowCount(); ++i)
            batch_->addItem(batches.text(i, 0));
    }
    subscribers_ = new QComboBox(this);
    subscribers_->setObjectName(QStringLiteral("cmbIndiLoca"));
    locations_ = new QComboBox(this);
    locations_->setObjectName(QStringLiteral("cmbItemLoca"));
    statuses_ = new QComboBox(this);
    statuses_->setObjectName(QStringLiteral("cmbBookStatus"));
    fillAssignChoices(context, subscribers_, locations_, statuses_, false);
    release_ = new QCheckBox(QStringLiteral("送交流通"), this);
    release_->setObjectName(QStringLiteral("chkLt"));
    select_ = new QButtonGroup(this);
    QRadioButton *byBar = addOption(select_, QStringLiteral("optSelect_0"), 0, QStringLiteral("条码号"), this);
    addOption(select_, QStringLiteral("optSelect_1"), 1, QStringLiteral("财产号"), this);
    byBar->setChecked(true);
    auto *code = new CodeEntry(this, QStringLiteral("txtCode"));
    QTableView *list = makeRowGrid(&assign_.listModel(), QStringLiteral("spdBookLst"), this);
    QPushButton *view = makeButton(QStringLiteral("cmdView"), QStringLiteral("查看已典"), this);
    QPushButton *clear = makeButton(QStringLiteral("cmdClear"), QStringLiteral("清空列表"), this);
    QPushButton *exit = makeButton(QStringLiteral("cmdExit"), QStringLiteral("退出"), this);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("交接批次："), this), 0, 0);
    grid->addWidget(batch_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("订户："), this), 0, 2);
    grid->addWidget(subscribers_, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("分配地："), this), 1, 0);
    grid->addWidget(locations_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("书刊状态："), this), 1, 2);
    grid->addWidget(statuses_, 1, 3);
    auto *codeRow = new QHBoxLayout;
    codeRow->addWidget(release_);
    codeRow->addWidget(select_->button(0));
    codeRow->addWidget(select_->button(1));
    codeRow->addWidget(code, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(codeRow);
    layout->addWidget(list, 1);
    layout->addLayout(makeFootRow({view, clear}, {exit}));

    connect(code, &CodeEntry::entered, this, [this](const QString &text) {
        takeChoices();
        assign_.enter(text, select_->checkedId() == 1 ? InputType::Accession : InputType::Barcode);
    });
    connect(view, &QPushButton::clicked, this, [this]() {
        takeChoices();
        assign_.view();
    });
    connect(clear, &QPushButton::clicked, this, [this]() { assign_.clear(); });
    connect(exit, &QPushButton::clicked, this, [this]() { closeForm(this); });
    connect(batch_, &QComboBox::currentTextChanged, this,
            [this](const QString &batch) { setWindowTitle(QStringLiteral("扫描分配-交接批次:") + batch); });
    setWindowTitle(QStringLiteral("扫描分配-交接批次:") + batch_->currentText());
}

void AssignLocationForm::takeChoices()
{
    AssignTarget &t = assign_.target();
    t.moveBatch = batch_->currentText().trimmed();
    t.subscriber = subscribers_->currentData().toString();
    t.location = locations_->currentData().toString();
    t.status = statuses_->currentData().toString();
    t.release = release_->isChecked();
}

void AssignLocationForm::setArguments(const FormArgs &args)
{
    const QString batch = args.value(QStringLiteral("moveBatch")).toString();
    if (!batch.isEmpty())
        batch_->setCurrentText(batch);
}

} // namespace kestra
