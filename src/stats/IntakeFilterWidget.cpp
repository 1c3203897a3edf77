#include "stats/IntakeFilterWidget.h"

#include "core/AppContext.h"
#include "kit/Days.h"
#include "ui/FormParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

namespace kestra {

namespace {

const QString AllEntry = QStringLiteral("[全部]");

QComboBox *makeFilterList(const QString &name, const QList<FilterCode> &codes, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItem(AllEntry, QString());
    for (const FilterCode &c : codes)
        box->addItem(c.name.isEmpty() ? c.code : c.name, c.code);
    return box;
}

QStringList checkedTexts(const QListWidget *list, int role)
{
    QStringList out;
    for (int i = 0; list != nullptr && i < list->count(); ++i) {
        if (list->item(i)->checkState() == Qt::Checked)
            out.append(list->item(i)->data(role).toString());
    }
    return out;
}

} // namespace

IntakeFilterWidget::IntakeFilterWidget(AppContext &context, bool withSpan, LocationChoice locations, QWidget *parent)
    : QWidget(parent), context_(context), withSpan_(withSpan), locationChoice_(locations)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    if (withSpan)
        grid->addWidget(buildSpan(day::today(context)), row++, 0, 1, 2);

    QList<FilterCode> codes;
    intake_filter::docTypes(context, codes);
    cboDocType_ = makeFilterList(QStringLiteral("cboDocType"), codes, this);
    intake_filter::languages(context, codes);
    cboLanguage_ = makeFilterList(QStringLiteral("cboLanguage"), codes, this);
    grid->addWidget(new QLabel(QStringLiteral("文献类型"), this), row, 0);
    grid->addWidget(cboDocType_, row++, 1);
    grid->addWidget(new QLabel(QStringLiteral("语种"), this), row, 0);
    grid->addWidget(cboLanguage_, row++, 1);

    if (locations != LocationChoice::None) {
        intake_filter::locations(context, codes);
        grid->addWidget(new QLabel(QStringLiteral("馆藏地"), this), row, 0);
        if (locations == LocationChoice::One) {
            locationBox_ = new QComboBox(this);
            locationBox_->setObjectName(QStringLiteral("cobLoca"));
            for (const FilterCode &c : codes)
                locationBox_->addItem(c.name, c.code);
            grid->addWidget(locationBox_, row++, 1);
        } else {
            locationList_ = new QListWidget(this);
            locationList_->setObjectName(QStringLiteral("cobLoca"));
            for (const FilterCode &c : codes) {
                auto *item = new QListWidgetItem(c.name, locationList_);
                item->setData(Qt::UserRole, c.code);
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(Qt::Unchecked);
            }
            grid->addWidget(locationList_, row++, 0, 1, 2);
        }
    }

    if (withSpan) {
        chkBatch_ = new QCheckBox(QStringLiteral("按交接批次"), this);
        chkBatch_->setObjectName(QStringLiteral("chkBatch"));
        lstBatch_ = new QListWidget(this);
        lstBatch_->setObjectName(QStringLiteral("lstBatch"));
        lstBatch_->setEnabled(false);
        QPushButton *cmdAll = makeButton(QStringLiteral("cmdAll"), QStringLiteral("全选"), this);
        QPushButton *cmdNone = makeButton(QStringLiteral("cmdNone"), QStringLiteral("全清"), this);
        grid->addWidget(chkBatch_, row++, 0, 1, 2);
        grid->addWidget(lstBatch_, row, 0, 1, 2);
        grid->setRowStretch(row++, 1);
        auto *buttons = new QHBoxLayout;
        buttons->addWidget(cmdAll);
        buttons->addWidget(cmdNone);
        grid->addLayout(buttons, row++, 0, 1, 2);
        connect(chkBatch_, &QCheckBox::toggled, this, &IntakeFilterWidget::fillBatches);
        connect(cmdAll, &QPushButton::clicked, this, [this]() { markBatches(true); });
        connect(cmdNone, &QPushButton::clicked, this, [this]() { markBatches(false); });
        spanChanged();
    } else {
        grid->setRowStretch(row, 1);
    }
}

QWidget *IntakeFilterWidget::buildSpan(const QDate &today)
{
    cobStatType_ = new QComboBox(this);
    cobStatType_->setObjectName(QStringLiteral("cobStatType"));
    cobStatType_->addItems({QStringLiteral("年度"), QStringLiteral("月度"), QStringLiteral("时期")});
    txtYear_ = new QSpinBox(this);
    txtYear_->setObjectName(QStringLiteral("txtYear"));
    txtYear_->setRange(1900, 9999);
    txtYear_->setValue(today.year());
    cobMonth_ = new QComboBox(this);
    cobMonth_->setObjectName(QStringLiteral("cobMonth"));
    for (int m = 1; m <= 12; ++m)
        cobMonth_->addItem(QString::number(m) + QStringLiteral("月"));
    cobMonth_->setCurrentIndex(today.month() - 1);
    // The twelve months up to today, so that a first look shows recent
    // intake even early in a year.
    dtpBegin_ = makeDateEdit(QStringLiteral("dtpBegin"), today.addYears(-1).addDays(1), this);
    dtpEnd_ = makeDateEdit(QStringLiteral("dtpEnd"), today, this);
    cobStatType_->setCurrentIndex(int(IntakeSpan::Period));
    txtStatTime_ = new QLineEdit(this);
    txtStatTime_->setObjectName(QStringLiteral("txtStatTime"));
    txtStatTime_->setReadOnly(true);

    auto *box = new QWidget(this);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    const QList<std::pair<const char *, QWidget *>> rows{{"统计类型", cobStatType_}, {"年份", txtYear_},
                                                         {"月份", cobMonth_},        {"起始日期", dtpBegin_},
                                                         {"终止日期", dtpEnd_},      {"统计时期", txtStatTime_}};
    for (int r = 0; r < rows.size(); ++r) {
        grid->addWidget(new QLabel(QString::fromUtf8(rows.at(r).first), box), r, 0);
        grid->addWidget(rows.at(r).second, r, 1);
    }
    connect(cobStatType_, &QComboBox::currentIndexChanged, this, &IntakeFilterWidget::spanChanged);
    connect(txtYear_, &QSpinBox::valueChanged, this, &IntakeFilterWidget::spanChanged);
    connect(cobMonth_, &QComboBox::currentIndexChanged, this, &IntakeFilterWidget::spanChanged);
    connect(dtpBegin_, &QDateEdit::dateChanged, this, &IntakeFilterWidget::spanChanged);
    connect(dtpEnd_, &QDateEdit::dateChanged, this, &IntakeFilterWidget::spanChanged);
    return box;
}

void IntakeFilterWidget::spanChanged()
{
    if (!withSpan_ || chkBatch_ == nullptr)
        return;
    const auto span = IntakeSpan(cobStatType_->currentIndex());
    txtYear_->setEnabled(span != IntakeSpan::Period);
    cobMonth_->setEnabled(span == IntakeSpan::Month);
    dtpBegin_->setEnabled(span == IntakeSpan::Period);
    dtpEnd_->setEnabled(span == IntakeSpan::Period);
    txtStatTime_->setText(intake_filter::spanText(conditions()));
    fillBatches();
}

void IntakeFilterWidget::fillBatches()
{
    lstBatch_->clear();
    lstBatch_->setEnabled(chkBatch_->isChecked());
    if (!chkBatch_->isChecked())
        return;
    QStringList batches;
    intake_filter::batches(context_, conditions(), batches);
    for (const QString &batch : batches) {
        auto *item = new QListWidgetItem(batch, lstBatch_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void IntakeFilterWidget::markBatches(bool marked)
{
    for (int i = 0; i < lstBatch_->count(); ++i)
        lstBatch_->item(i)->setCheckState(marked ? Qt::Checked : Qt::Unchecked);
}

IntakeConditions IntakeFilterWidget::conditions() const
{
    IntakeConditions c;
    if (withSpan_) {
        c.span = IntakeSpan(cobStatType_->currentIndex());
        c.year = txtYear_->value();
        c.month = intake_filter::monthOf(cobMonth_->currentText());
        c.begin = dtpBegin_->date();
        c.end = dtpEnd_->date();
        if (chkBatch_ != nullptr && chkBatch_->isChecked())
            c.batches = checkedTexts(lstBatch_, Qt::DisplayRole);
    }
    c.docType = cboDocType_->currentData().toString();
    c.language = cboLanguage_->currentData().toString();
    if (locationBox_ != nullptr && locationBox_->currentIndex() >= 0)
        c.locations = QStringList{locationBox_->currentData().toString()};
    else if (locationList_ != nullptr)
        c.locations = checkedTexts(locationList_, Qt::UserRole);
    return c;
}

QStringList IntakeFilterWidget::headerLines() const
{
    const IntakeConditions c = conditions();
    QStringList lines;
    if (withSpan_)
        lines.append(QStringLiteral("统计时期 : ") + intake_filter::spanText(c));
    lines.append(QStringLiteral("文献类型: ") + cboDocType_->currentText());
    if (locationChoice_ != LocationChoice::None) {
        QStringList names;
        if (locationBox_ != nullptr)
            names.append(locationBox_->currentText());
        for (int i = 0; locationList_ != nullptr && i < locationList_->count(); ++i) {
            if (locationList_->item(i)->checkState() == Qt::Checked)
                names.append(locationList_->item(i)->text());
        }
        lines.append(QStringLiteral("馆藏地：") + names.join(u','));
    }
    lines.append(QStringLiteral("语种：") + cboLanguage_->currentText());
    if (withSpan_)
        lines.append(QStringLiteral("交接批次：") + (c.batches.isEmpty() ? AllEntry : c.batches.join(u',')));
    return lines;
}

void IntakeFilterWidget::setLocations(const QStringList &codes)
{
    if (locationBox_ != nullptr) {
        const int at = locationBox_->findData(codes.value(0));
        if (at >= 0)
            locationBox_->setCurrentIndex(at);
    }
    for (int i = 0; locationList_ != nullptr && i < locationList_->count(); ++i) {
        QListWidgetItem *item = locationList_->item(i);
        item->setCheckState(codes.contains(item->data(Qt::UserRole).toString()) ? Qt::Checked : Qt::Unchecked);
    }
}

} // namespace kestra
