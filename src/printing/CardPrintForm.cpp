#include "printing/CardPrintForm.h"

#include "core/AppContext.h"
#include "printing/Calibration.h"
#include "printing/PrintRun.h"
#include "ui/FormParts.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestra {

CardPrintForm::CardPrintForm(AppContext &context, UserSettingsStore &settings, QWidget *parent)
    : QWidget(parent), context_(context), settings_(settings),
      calibration_(loadCalibration(settings, QStringLiteral("Card"))), print_(context)
{
    setObjectName(QStringLiteral("frmPrintCard"));
    setWindowTitle(QStringLiteral("卡片打印"));
    lblRecords_ = new QLabel(this);
    lblRecords_->setObjectName(QStringLiteral("lblRecords"));
    loaded_ = print_.loadParams() == 0;
    auto *kinds = new QHBoxLayout;
    const std::array<const char *, CardKindCount> captions{"主要款目卡", "书名卡", "著者卡", "主题卡", "丛书卡"};
    for (int k = 0; k < CardKindCount; ++k) {
        const CardKindParams &p = print_.params().kinds[static_cast<std::size_t>(k)];
        auto *box =
            new QCheckBox(p.name.isEmpty() ? QString::fromUtf8(captions[static_cast<std::size_t>(k)]) : p.name, this);
        box->setObjectName(QStringLiteral("chk") + cardKindKey(static_cast<CardKind>(k)));
        box->setChecked(p.print);
        kinds_[static_cast<std::size_t>(k)] = box;
        kinds->addWidget(box);
    }
    QPushButton *preview = makeButton(QStringLiteral("cmdPrint"), QStringLiteral("预览"), this);
    QPushButton *now = makeButton(QStringLiteral("cmdPrintNow"), QStringLiteral("打印"), this);
    QPushButton *pdf = makeButton(QStringLiteral("cmdPdf"), QStringLiteral("保存PDF"), this);
    QPushButton *cancel = makeButton(QStringLiteral("cmdCancel"), QStringLiteral("取消"), this);
    QPushButton *calibrate = makeButton(QStringLiteral("cmdCalibrate"), QStringLiteral("打印校准"), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblRecords_);
    layout->addLayout(kinds);
    layout->addStretch(1);
    layout->addLayout(makeFootRow({calibrate}, {preview, now, pdf, cancel}));
    connect(calibrate, &QPushButton::clicked, this,
            [this]() { calibratePrinter(context_, settings_, QStringLiteral("Card"), &calibration_); });
    connect(preview, &QPushButton::clicked, this, [this]() { run(PrintTarget::Preview); });
    connect(now, &QPushButton::clicked, this, [this]() { run(PrintTarget::Printer); });
    connect(pdf, &QPushButton::clicked, this, [this]() { run(PrintTarget::Pdf); });
    connect(cancel, &QPushButton::clicked, this, [this]() { closeForm(this); });
}

void CardPrintForm::setArguments(const FormArgs &args)
{
    const QString batch = args.value(QStringLiteral("moveBatch")).toString();
    const QString record = args.value(QStringLiteral("marcRecNo")).toString();
    // Both: the record's cards with its copies of the batch.
    if (!batch.isEmpty()) {
        print_.setBatch(batch);
        lblRecords_->setText(QStringLiteral("交接批次：%1，共%2种").arg(batch).arg(print_.records().size()));
    }
    if (!record.isEmpty()) {
        print_.setRecord(record);
        lblRecords_->setText(lblRecords_->text() + QStringLiteral(" 记录号：") + record);
    }
}

void CardPrintForm::run(PrintTarget target)
{
    if (!loaded_ || print_.records().isEmpty())
        return;
    for (int k = 0; k < CardKindCount; ++k)
        print_.params().kinds[static_cast<std::size_t>(k)].print = kinds_[static_cast<std::size_t>(k)]->isChecked();
    QString path;
    if (target == PrintTarget::Pdf) {
        const QString name = print_.batch().isEmpty() ? print_.records().first() : print_.batch();
        path = context_.prompter().chooseSaveFile(QStringLiteral("保存PDF"),
                                                  QDir::home().filePath(name + QStringLiteral("-卡片.pdf")),
                                                  QStringLiteral("PDF (*.pdf)"));
        if (path.isEmpty())
            return;
    }
    PageDocument document;
    if (print_.layout(document) != 1)
        return;
    printPages(context_, document, target, path, calibration_);
}

} // namespace kestra
