#include "assign/AutoAssignCfgDialog.h"

#include "assign/AssignRules.h"
#include "assign/RuleEditor.h"
#include "copies/ItemCodes.h"
#include "core/AppContext.h"
#include "ui/CodeBoxes.h"
#include "ui/FormParts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kestra {

namespace {

// OK and Cancel at the foot of a dialog.
void addOkCancel(QDialog *dialog, QVBoxLayout *layout)
{
    auto *ok = makeButton(QStringLiteral("cmdOK"), QStringLiteral("确定"), dialog);
    auto *cancel = makeButton(QStringLiteral("cmdCancel"), QStringLiteral("取消"), dialog);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    layout->addLayout(makeFootRow({}, {ok, cancel}));
}

QList<CodeName> collectionStatuses()
{
    QList<CodeName> list;
    for (const CodeName &status : item_status::all()) {
        if (status.code.startsWith(u'4'))
            list.append(status);
    }
    return list;
}

// Chooses a code in a box; a code the box does not list (a location since
// removed, a status of another group) is added as it is and shown as
// unknown, so that OK writes back what the file held rather than the box's
// first entry.
void chooseOrKeep(CodeBox *box, const QString &code)
{
    if (code.isEmpty() || box->setCurrentCode(code))
        return;
    box->addItem(code + QStringLiteral("（未知）"), code);
    box->setCurrentIndex(box->count() - 1);
}

} // namespace

SubscriberDialog::SubscriberDialog(const QueryResult &choices, const QString &caption, const QString &current,
                                   QWidget *parent)
    : QDialog(parent), lstSubscriber_(new QListWidget(this))
{
    setObjectName(QStringLiteral("frmAutoAssignCfg1"));
    setWindowTitle(QStringLiteral("订户") + caption);
    lstSubscriber_->setObjectName(QStringLiteral("lstSubscriber"));
    for (int r = 0; r < choices.rowCount(); ++r) {
        auto *item = new QListWidgetItem(choices.text(r, 1), lstSubscriber_);
        item->setData(Qt::UserRole, choices.text(r, 0));
        if (choices.text(r, 0) == current)
            lstSubscriber_->setCurrentItem(item);
    }
    connect(lstSubscriber_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lstSubscriber_);
    addOkCancel(this, layout);
}

QString SubscriberDialog::chosen() const
{
    const QListWidgetItem *item = lstSubscriber_->currentItem();
    return item != nullptr ? item->data(Qt::UserRole).toString() : QString();
}

ClassRuleDialog::ClassRuleDialog(AppContext &context, const QString &caption, const ClassInput &current,
                                 QWidget *parent)
    : QDialog(parent), context_(context), txtLabel_(makeLineEdit(QStringLiteral("txtLabel"), 40, this)),
      txtSpec_(makeLineEdit(QStringLiteral("txtSpec"), 200, this)),
      txtMaximum_(makeLineEdit(QStringLiteral("txtMaximum"), 3, this)),
      chkAll_(new QCheckBox(QStringLiteral("所有类别"), this))
{
    setObjectName(QStringLiteral("frmAutoAssignCfg2"));
    setWindowTitle(QStringLiteral("类别") + caption);
    chkAll_->setObjectName(QStringLiteral("chkAll"));
    txtLabel_->setText(current.label);
    txtSpec_->setText(current.all ? QString() : current.spec);
    txtMaximum_->setText(current.maximum);
    chkAll_->setChecked(current.all);
    txtSpec_->setEnabled(!current.all);
    connect(chkAll_, &QCheckBox::toggled, txtSpec_, [this](bool on) { txtSpec_->setEnabled(!on); });
    auto *layout = new QVBoxLayout(this);
    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("类别标识"), txtLabel_);
    fields->addRow(QStringLiteral("类别代码"), txtSpec_);
    fields->addRow(QString(), chkAll_);
    fields->addRow(QStringLiteral("最大复本数"), txtMaximum_);
    layout->addLayout(fields);
    addOkCancel(this, layout);
}

ClassInput ClassRuleDialog::input() const
{
    const bool all = chkAll_->isChecked();
    return ClassInput{txtLabel_->text().trimmed(), all ? QStringLiteral("*") : txtSpec_->text().trimmed(),
                      txtMaximum_->text().trimmed(), all};
}

void ClassRuleDialog::accept()
{
    const ClassInput in = input();
    const QString refusal = RuleEditor::checkClass(in.label, in.all ? QString() : in.spec, in.maximum, in.all);
    if (!refusal.isEmpty()) {
        context_.showMsg(refusal);
        return;
    }
    QDialog::accept();
}

InitialStatusDialog::InitialStatusDialog(AppContext &context, const QueryResult &locations, QWidget *parent)
    : QDialog(parent), context_(context), locations_(locations), spdStatus_(new QTableWidget(0, 3, this))
{
    setObjectName(QStringLiteral("frmAutoAssignStatus"));
    setWindowTitle(QStringLiteral("初始状态设置"));
    spdStatus_->setObjectName(QStringLiteral("spdStatus"));
    spdStatus_->setHorizontalHeaderLabels({QStringLiteral("馆藏地"), QStringLiteral("状态"), QStringLiteral("流通")});
    spdStatus_->horizontalHeader()->setStretchLastSection(true);
    for (const InitialStatus &row : loadInitialStatus(context.folders(), context.codePage()).rows)
        addRow(row);
    auto *add = makeButton(QStringLiteral("cmdAddRow"), QStringLiteral("增加"), this);
    auto *remove = makeButton(QStringLiteral("cmdRemoveRow"), QStringLiteral("删除"), this);
    connect(add, &QPushButton::clicked, this, [this] { addRow({}); });
    connect(remove, &QPushButton::clicked, this, [this] { spdStatus_->removeRow(spdStatus_->currentRow()); });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(spdStatus_);
    layout->addLayout(makeFootRow({add, remove}, {}));
    addOkCancel(this, layout);
    resize(480, 360);
}

void InitialStatusDialog::addRow(const InitialStatus &row)
{
    const int r = spdStatus_->rowCount();
    spdStatus_->insertRow(r);
    // A new row starts blank: OK refuses it until a location and a status
    // are chosen.
    auto *location = new CodeBox(spdStatus_);
    location->setEntries(locations_, QStringLiteral("（请选择）"));
    chooseOrKeep(location, row.location);
    auto *status = new CodeBox(spdStatus_);
    status->setEntries(collectionStatuses(), QStringLiteral("（请选择）"));
    chooseOrKeep(status, row.status);
    auto *release = new QCheckBox(spdStatus_);
    release->setChecked(row.release.trimmed() == u"1");
    spdStatus_->setCellWidget(r, 0, location);
    spdStatus_->setCellWidget(r, 1, status);
    spdStatus_->setCellWidget(r, 2, release);
}

void InitialStatusDialog::accept()
{
    InitialStatusTable table;
    for (int r = 0; r < spdStatus_->rowCount(); ++r) {
        const auto *location = qobject_cast<CodeBox *>(spdStatus_->cellWidget(r, 0));
        const auto *status = qobject_cast<CodeBox *>(spdStatus_->cellWidget(r, 1));
        const auto *release = qobject_cast<QCheckBox *>(spdStatus_->cellWidget(r, 2));
        table.rows.append(InitialStatus{location->currentCode(), status->currentCode(),
                                        release->isChecked() ? QStringLiteral("1") : QStringLiteral("0")});
    }
    const QString refusal = checkInitialStatus(table);
    if (!refusal.isEmpty()) {
        context_.showMsg(refusal);
        return;
    }
    QString error;
    if (!writeSettingsText(statusFilePath(context_.folders()), formatInitialStatus(table), context_.codePage(),
                           &error)) {
        context_.showMsg(QStringLiteral("E初始状态文件写入失败：") + error);
        return;
    }
    QDialog::accept();
}

} // namespace kestra
