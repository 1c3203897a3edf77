#include "printing/SpineLabelForm.h"

#include "core/AppContext.h"
#include "printing/Calibration.h"
#include "printing/PrintRun.h"
#include "ui/FormParts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace kestra {

SpineLabelForm::SpineLabelForm(AppContext &context, UserSettingsStore &settings, QWidget *parent)
    : QWidget(parent), context_(context), settings_(settings),
      calibration_(loadCalibration(settings, QStringLiteral("Label"))), print_(context)
{
    setObjectName(QStringLiteral("frmPrintBookMark"));
    setWindowTitle(QStringLiteral("书标打印选择"));
    lblBatch_ = new QLabel(this);
    lblBatch_->setObjectName(QStringLiteral("lblBatch"));
    cboWkr_ = new QComboBox(this);
    cboWkr_->setObjectName(QStringLiteral("cboWkr"));
    cboWkr_->addItem(SpineLabelPrint::AllCataloguers);

    optOrd_ = new QButtonGroup(this);
    auto *orders = new QHBoxLayout;
    orders->addWidget(addOption(optOrd_, QStringLiteral("optOrd0"), 0, QStringLiteral("按财产号"), this));
    orders->addWidget(addOption(optOrd_, QStringLiteral("optOrd1"), 1, QStringLiteral("按索书号"), this));
    orders->addWidget(addOption(optOrd_, QStringLiteral("optOrd2"), 2, QStringLiteral("按验收时间"), this));
    optOrd_->button(0)->setChecked(true);

    optPrintSel_ = new QButtonGroup(this);
    txtPropnoBegin_ = makeLineEdit(QStringLiteral("txtPropnoBegin"), 40, this);
    txtPropnoEnd_ = makeLineEdit(QStringLiteral("txtPropnoEnd"), 40, this);
    txtCallnoBegin_ = makeLineEdit(QStringLiteral("txtCallnoBegin"), 60, this);
    txtCallnoEnd_ = makeLineEdit(QStringLiteral("txtCallnoEnd"), 60, this);
    auto *all = addOption(optPrintSel_, QStringLiteral("optPrintSel0"), 0, QStringLiteral("全部"), this);
    auto *byProp = addOption(optPrintSel_, QStringLiteral("optPrintSel1"), 1, QStringLiteral("财产号从"), this);
    auto *byCall = addOption(optPrintSel_, QStringLiteral("optPrintSel2"), 2, QStringLiteral("索书号从"), this);
    all->setChecked(true);
    auto *propRow = new QHBoxLayout;
    propRow->addWidget(byProp);
    propRow->addWidget(txtPropnoBegin_);
    propRow->addWidget(new QLabel(QStringLiteral("到"), this));
    propRow->addWidget(txtPropnoEnd_);
    auto *callRow = new QHBoxLayout;
    callRow->addWidget(byCall);
    callRow->addWidget(txtCallnoBegin_);
    callRow->addWidget(new QLabel(QStringLiteral("到"), this));
    callRow->addWidget(txtCallnoEnd_);

    sldStart_ = new QSlider(Qt::Horizontal, this);
    sldStart_->setObjectName(QStringLiteral("sldStart"));
    sldStart_->setMinimum(1);
    txtStartRow_ = makeLineEdit(QStringLiteral("txtStartRow"), 4, this);
    txtStartCol_ = makeLineEdit(QStringLiteral("txtStartCol"), 4, this);
    txtStartRow_->setText(QStringLiteral("1"));
    txtStartCol_->setText(QStringLiteral("1"));
    auto *startRow = new QHBoxLayout;
    startRow->addWidget(sldStart_, 1);
    startRow->addWidget(new QLabel(QStringLiteral("行"), this));
    startRow->addWidget(txtStartRow_);
    startRow->addWidget(new QLabel(QStringLiteral("列"), this));
    startRow->addWidget(txtStartCol_);
    chkClassBreak_ = new QCheckBox(QStringLiteral("按类分页"), this);
    chkClassBreak_->setObjectName(QStringLiteral("chkClassBreak"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("交接批次："), lblBatch_);
    form->addRow(QStringLiteral("编目员："), cboWkr_);
    form->addRow(QStringLiteral("顺序："), orders);
    form->addRow(QStringLiteral("范围："), all);
    form->addRow(QString(), propRow);
    form->addRow(QString(), callRow);
    form->addRow(QStringLiteral("起始位置："), startRow);
    form->addRow(QString(), chkClassBreak_);

    QPushButton *preview = makeButton(QStringLiteral("cmdPrint"), QStringLiteral("预览"), this);
    QPushButton *now = makeButton(QStringLiteral("cmdPrintNow"), QStringLiteral("打印"), this);
    QPushButton *pdf = makeButton(QStringLiteral("cmdPdf"), QStringLiteral("保存PDF"), this);
    QPushButton *cancel = makeButton(QStringLiteral("cmdCancel"), QStringLiteral("取消"), this);
    QPushButton *calibrate = makeButton(QStringLiteral("cmdCalibrate"), QStringLiteral("打印校准"), this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addLayout(makeFootRow({calibrate}, {preview, now, pdf, cancel}));
    connect(calibrate, &QPushButton::clicked, this,
            [this]() { calibratePrinter(context_, settings_, QStringLiteral("Label"), &calibration_); });

    connect(sldStart_, &QSlider::valueChanged, this, &SpineLabelForm::startMoved);
    connect(preview, &QPushButton::clicked, this, [this]() { run(PrintTarget::Preview); });
    connect(now, &QPushButton::clicked, this, [this]() { run(PrintTarget::Printer); });
    connect(pdf, &QPushButton::clicked, this, [this]() { run(PrintTarget::Pdf); });
    connect(cancel, &QPushButton::clicked, this, [this]() { closeForm(this); });

    if (print_.loadParams() == 0) {
        const LabelParams &p = print_.params();
        sldStart_->setMaximum(std::max(1, p.rows * p.cols));
    }
}

void SpineLabelForm::startMoved(int position)
{
    const int cols = std::max(1, print_.params().cols);
    txtStartRow_->setText(QString::number((position - 1) / cols + 1));
    txtStartCol_->setText(QString::number((position - 1) % cols + 1));
}

void SpineLabelForm::setArguments(const FormArgs &args)
{
    const QString batch = args.value(QStringLiteral("moveBatch")).toString();
    if (batch.isEmpty())
        return;
    lblBatch_->setText(batch);
    print_.setBatch(batch);
    cboWkr_->clear();
    cboWkr_->addItems(print_.cataloguers());
}

LabelChoice SpineLabelForm::choice() const
{
    LabelChoice c;
    c.cataloguer = cboWkr_->currentText();
    c.order = static_cast<LabelOrder>(std::max(0, optOrd_->checkedId()));
    c.range = static_cast<LabelRange>(std::max(0, optPrintSel_->checkedId()));
    if (c.range == LabelRange::PropNo) {
        c.from = txtPropnoBegin_->text().trimmed();
        c.to = txtPropnoEnd_->text().trimmed();
    } else if (c.range == LabelRange::CallNo) {
        c.from = txtCallnoBegin_->text().trimmed();
        c.to = txtCallnoEnd_->text().trimmed();
    }
    c.startRow = txtStartRow_->text();
    c.startCol = txtStartCol_->text();
    c.classBreaks = chkClassBreak_->isChecked();
    return c;
}

void SpineLabelForm::run(PrintTarget target)
{
    if (print_.batch().isEmpty())
        return;
    QString path;
    if (target == PrintTarget::Pdf) {
        path = context_.prompter().chooseSaveFile(QStringLiteral("保存PDF"),
                                                  QDir::home().filePath(print_.batch() + QStringLiteral("-书标.pdf")),
                                                  QStringLiteral("PDF (*.pdf)"));
        if (path.isEmpty())
            return;
    }
    // A PDF is the sheet as the parameters draw it; paper is what the
    // default printer reports.
    const DevicePaper paper = target == PrintTarget::Pdf ? DevicePaper{} : context_.printer().devicePaper();
    LabelLayout layout;
    if (print_.layout(choice(), paper, layout) != 1)
        return;
    printPages(context_, layout.document, target, path, calibration_, !layout.sheets.isEmpty() && choice().classBreaks);
}

} // namespace kestra
