#include "items/BookLost2Form.h"

#include "core/AppContext.h"
#include "items/ReaderSearchDialog.h"
#include "ui/FormParts.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

BookLost2Form::BookLost2Form(AppContext &context, QWidget *parent) : QWidget(parent), context_(context), lost_(context)
{
    setObjectName(QStringLiteral("frmHold_BookLost2"));
    setWindowTitle(QStringLiteral("读者异常注销"));
    search_ = [this]() { return ReaderSearchDialog::run(context_, this); };
    txtCardNo_ = makeLineEdit(QStringLiteral("txtCardNo"), 30, this);
    txtReason_ = makeLineEdit(QStringLiteral("txtReason"), 100, this);
    txtReason_->setText(lost_.reason);
    lblReader_ = new QLabel(this);
    lblReader_->setObjectName(QStringLiteral("lblReader"));
    lblReader_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    spdBookLst_ = makeRowGrid(&lost_.model(), QStringLiteral("spdBookLst"), this);
    QPushButton *cmdRedrQuery = makeButton(QStringLiteral("cmdRedrQuery"), QStringLiteral("读者查询"), this);
    QPushButton *cmdReaderInfo = makeButton(QStringLiteral("cmdReaderInfo"), QStringLiteral("读者信息"), this);
    QPushButton *cmdOK = makeButton(QStringLiteral("cmdOK"), QStringLiteral("声明丢失"), this);
    QPushButton *cmdExit = makeButton(QStringLiteral("cmdExit"), QStringLiteral("退出"), this);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("读者证号"), this));
    top->addWidget(txtCardNo_, 1);
    top->addWidget(cmdRedrQuery);
    top->addWidget(cmdReaderInfo);
    auto *reason = new QFormLayout;
    reason->addRow(QStringLiteral("注销原因"), txtReason_);
    QHBoxLayout *buttons = makeFootRow({}, {cmdOK, cmdExit});
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblReader_);
    layout->addLayout(reason);
    layout->addWidget(spdBookLst_, 1);
    layout->addLayout(buttons);

    connect(txtCardNo_, &QLineEdit::returnPressed, this, [this] { readCard(txtCardNo_->text()); });
    connect(cmdRedrQuery, &QPushButton::clicked, this, [this] {
        if (!search_)
            return;
        if (const std::optional<QString> card = search_()) {
            txtCardNo_->setText(*card);
            readCard(*card);
        }
    });
    connect(cmdReaderInfo, &QPushButton::clicked, this, &BookLost2Form::showReader);
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        lost_.reason = txtReason_->text().trimmed();
        lost_.declareLost();
    });
    connect(cmdExit, &QPushButton::clicked, this, [this] { closeForm(this); });
    setFocusProxy(txtCardNo_);
}

void BookLost2Form::readCard(const QString &card)
{
    lost_.readReader(card);
    lblReader_->setText(lost_.readerLine());
}

void BookLost2Form::showReader()
{
    if (lost_.hasReader())
        context_.showMsg(QStringLiteral("I") + lost_.readerDetails());
}

} // namespace kestra
