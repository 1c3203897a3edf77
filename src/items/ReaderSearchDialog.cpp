#include "items/ReaderSearchDialog.h"

#include "core/AppContext.h"
#include "items/SearchRowsWidget.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

ReaderSearchDialog::ReaderSearchDialog(AppContext &context, QWidget *parent) : QDialog(parent), search_(context)
{
    setObjectName(QStringLiteral("frmHold_BookRedrQuery"));
    setWindowTitle(QStringLiteral("读者查询"));
    cboQuery_ = new QComboBox(this);
    cboQuery_->setObjectName(QStringLiteral("cboQuery"));
    for (ReaderSearch::Kind k :
         {ReaderSearch::Kind::CertId, ReaderSearch::Kind::IdCard, ReaderSearch::Kind::Name, ReaderSearch::Kind::CardNo})
        cboQuery_->addItem(ReaderSearch::kindName(k), int(k));
    txtQuery_ = new QLineEdit(this);
    txtQuery_->setObjectName(QStringLiteral("txtQuery"));
    cmdQuery_ = dialogButton(this, "cmdQuery", QStringLiteral("查询"));
    cmdOK_ = dialogButton(this, "cmdOK", QStringLiteral("确定"));
    cmdCancel_ = dialogButton(this, "cmdCancel", QStringLiteral("取消"));
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    spdRedr_ = makeResultGrid(this, QStringLiteral("spdRedr"),
                              {QStringLiteral("读者证号"), QStringLiteral("证件号"), QStringLiteral("姓名"),
                               QStringLiteral("身份证号"), QStringLiteral("单位"), QStringLiteral("职业"),
                               QStringLiteral("读者类型"), QStringLiteral("借阅等级"), QStringLiteral("证状态")},
                              false);

    auto *query = new QHBoxLayout;
    query->addWidget(cboQuery_);
    query->addWidget(txtQuery_, 1);
    query->addWidget(cmdQuery_);
    auto *output = new GridOutput(context, spdRedr_, windowTitle());
    QHBoxLayout *buttons = makeFootRow({output->makeButton(this), lblStatus_}, {cmdOK_, cmdCancel_});
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(query);
    layout->addWidget(spdRedr_, 1);
    layout->addLayout(buttons);
    resize(760, 420);

    connect(txtQuery_, &QLineEdit::returnPressed, this, &ReaderSearchDialog::clickQuery);
    connect(cmdQuery_, &QPushButton::clicked, this, &ReaderSearchDialog::clickQuery);
    connect(cmdOK_, &QPushButton::clicked, this, &ReaderSearchDialog::clickOK);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(spdRedr_, &QTableWidget::cellDoubleClicked, this, [this](int, int) { clickOK(); });
}

std::optional<QString> ReaderSearchDialog::run(AppContext &context, QWidget *parent)
{
    ReaderSearchDialog dialog(context, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}

void ReaderSearchDialog::clickQuery()
{
    const auto kind = static_cast<ReaderSearch::Kind>(cboQuery_->currentData().toInt());
    // A name prefix can take a while on a large reader table.
    if (kind == ReaderSearch::Kind::Name) {
        lblStatus_->setText(ReaderSearch::waitText());
        lblStatus_->repaint();
    }
    search_.search(kind, txtQuery_->text());
    lblStatus_->clear();
    QList<QStringList> rows;
    for (const FoundReader &r : search_.readers()) {
        rows.append({r.cardNo, r.certId, r.name, r.idCard, r.dept, r.occupation, r.typeName, r.gradeName,
                     r.certFlag == QLatin1String("0") ? QStringLiteral("失效") : QStringLiteral("有效")});
    }
    fillResultGrid(spdRedr_, rows);
    if (rows.isEmpty())
        txtQuery_->selectAll();
}

void ReaderSearchDialog::clickOK()
{
    const std::optional<QString> card = search_.choose(spdRedr_->currentRow());
    if (!card)
        return;
    chosen_ = card;
    accept();
}

} // namespace kestra
