#include "shelving/ShelfStatForm.h"

#include "shelving/ShelfStatSelDialog.h"
#include "ui/FormParts.h"

#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

ShelfStatForm::ShelfStatForm(AppContext &context, QWidget *parent) : QWidget(parent), context_(context), stat_(context)
{
    setObjectName(QStringLiteral("frmCompactStat"));
    setWindowTitle(QStringLiteral("排架号浏览"));
    chooser_ = [this](const ShelfStatSettings &previous) {
        ShelfStatSelDialog dialog(context_, previous, this);
        dialog.exec();
        return dialog.result();
    };
    QTableView *lvShelf = makeRowGrid(&stat_.model(), QStringLiteral("lvShelf"), this);
    QTableView *detail = makeRowGrid(&stat_.detailModel(), QStringLiteral("spdBookLst"), this);
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("splitShelf"));
    split->addWidget(lvShelf);
    split->addWidget(detail);
    split->setStretchFactor(1, 3);
    QPushButton *cmdStat = makeButton(QStringLiteral("cmdStat"), QStringLiteral("统计"), this);
    QPushButton *cmdPrintShelf = makeButton(QStringLiteral("cmdPrintShelf"), QStringLiteral("打印排架号"), this);
    QPushButton *cmdPrintDetail = makeButton(QStringLiteral("cmdPrintDetail"), QStringLiteral("打印清单"), this);
    QPushButton *cmdExit = makeButton(QStringLiteral("cmdExit"), QStringLiteral("退出"), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(makeFootRow({cmdStat, cmdPrintShelf, cmdPrintDetail}, {cmdExit}));

    connect(cmdStat, &QPushButton::clicked, this, [this]() { stat_.run(chooser_(stat_.settings())); });
    connect(lvShelf, &QTableView::doubleClicked, this, [this](const QModelIndex &index) { stat_.detail(index.row()); });
    connect(detail, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        const ShelvedCopy &c = stat_.detailModel().at(index.row());
        Q_EMIT recordWanted(c.row.marcRecNo, c.row.propNo);
    });
    connect(cmdPrintShelf, &QPushButton::clicked, this, [this]() { stat_.printShelf(); });
    connect(cmdPrintDetail, &QPushButton::clicked, this, [this]() { stat_.printDetail(); });
    connect(cmdExit, &QPushButton::clicked, this, [this]() { closeForm(this); });
}

} // namespace kestra
