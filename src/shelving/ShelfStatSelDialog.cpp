#include "shelving/ShelfStatSelDialog.h"

#include "core/AppContext.h"
#include "ui/FormParts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kestra {

ShelfStatSelDialog::ShelfStatSelDialog(AppContext &context, const ShelfStatSettings &start, QWidget *parent)
    : QDialog(parent), context_(context)
{
    setObjectName(QStringLiteral("frmCompactStatSel"));
    setWindowTitle(QStringLiteral("排架号统计条件"));
    auto *modeBox = new QGroupBox(QStringLiteral("统计方式"), this);
    auto *modeLayout = new QHBoxLayout(modeBox);
    optMode_ = new QButtonGroup(this);
    modeLayout->addWidget(addOption(optMode_, QStringLiteral("optMode_0"), 0, QStringLiteral("按排架号"), modeBox));
    modeLayout->addWidget(addOption(optMode_, QStringLiteral("optMode_1"), 1, QStringLiteral("合计"), modeBox));
    optMode_->button(start.mode == ShelfStatSettings::Mode::Total ? 1 : 0)->setChecked(true);

    auto *matchBox = new QGroupBox(QStringLiteral("限制条件"), this);
    auto *matchLayout = new QVBoxLayout(matchBox);
    chkShelf_ = new QCheckBox(QStringLiteral("排架号"), matchBox);
    chkShelf_->setObjectName(QStringLiteral("chkShelf"));
    chkShelf_->setChecked(start.restrict);
    txtShelf_ = makeLineEdit(QStringLiteral("txtShelf"), 40, matchBox);
    txtShelf_->setText(start.text);
    optMatch_ = new QButtonGroup(this);
    auto *matchRow = new QHBoxLayout;
    matchRow->addWidget(addOption(optMatch_, QStringLiteral("optMatch_0"), 0, QStringLiteral("完全匹配"), matchBox));
    matchRow->addWidget(addOption(optMatch_, QStringLiteral("optMatch_1"), 1, QStringLiteral("前方匹配"), matchBox));
    matchRow->addWidget(addOption(optMatch_, QStringLiteral("optMatch_2"), 2, QStringLiteral("任意匹配"), matchBox));
    optMatch_->button(static_cast<int>(start.match))->setChecked(true);
    auto *shelfRow = new QHBoxLayout;
    shelfRow->addWidget(chkShelf_);
    shelfRow->addWidget(txtShelf_, 1);
    matchLayout->addLayout(shelfRow);
    matchLayout->addLayout(matchRow);

    QPushButton *cmdOK = dialogButton(this, "cmdOK", QStringLiteral("确定"));
    QPushButton *cmdCancel = dialogButton(this, "cmdCancel", QStringLiteral("取消"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(modeBox);
    layout->addWidget(matchBox);
    layout->addLayout(makeFootRow({}, {cmdOK, cmdCancel}));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

ShelfStatSettings ShelfStatSelDialog::settings() const
{
    ShelfStatSettings s;
    s.mode = optMode_->checkedId() == 1 ? ShelfStatSettings::Mode::Total : ShelfStatSettings::Mode::PerShelf;
    s.restrict = chkShelf_->isChecked();
    s.match = static_cast<ShelfStatSettings::Match>(qBound(0, optMatch_->checkedId(), 2));
    s.text = txtShelf_->text().trimmed();
    return s;
}

void ShelfStatSelDialog::accept()
{
    ShelfStatSettings s = settings();
    const QString refusal = shelf_stat::refusal(s);
    if (!refusal.isEmpty()) {
        context_.showMsg(refusal);
        txtShelf_->setFocus();
        return;
    }
    s.run = true;
    result_ = s;
    QDialog::accept();
}

} // namespace kestra
