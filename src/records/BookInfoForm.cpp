#include "records/BookInfoForm.h"

#include "core/Preferences.h"
#include "output/ListReport.h"
#include "ui/FormParts.h"
#include "ui/GridOutput.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestra {

namespace {

const QString SettingsSection = QStringLiteral("Settings");
const QString QuickListKey = QStringLiteral("QuickList");

} // namespace

BookInfoForm::BookInfoForm(AppContext &context, UserSettingsStore &settings, QWidget *parent)
    : QWidget(parent), info_(context), settings_(settings)
{
    setObjectName(QStringLiteral("frmBookInfo"));
    setWindowTitle(QStringLiteral("书刊信息查询"));

    QWidget *search = buildSearchRow();
    lblTitle_ = new QLabel(this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblTitle_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chkOnly_ = new QCheckBox(info_.onlyCaption(), this);
    chkOnly_->setObjectName(QStringLiteral("chkOnly"));
    chkOnly_->setEnabled(false);

    tbsBookInfo_ = new QTabBar(this);
    tbsBookInfo_->setObjectName(QStringLiteral("tbsBookInfo"));
    tbsBookInfo_->setExpanding(false);
    for (const InfoTab &t : BookInfo::tabs()) {
        const int at = tbsBookInfo_->addTab(t.caption);
        tbsBookInfo_->setTabData(at, t.key);
    }
    vsInfo_ = makeRowGrid(&info_.model(BookInfo::tabs().first().key), QStringLiteral("vsInfo"), this);
    vsInfo_->horizontalHeader()->setStretchLastSection(true);
    output_ = new GridOutput(context, vsInfo_, QStringLiteral("书刊信息"));
    output_->setDecorator([this](ListReport &report) { report.title = lblTitle_->text(); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(search);
    layout->addWidget(lblTitle_);
    layout->addLayout(buildFilterRow());
    layout->addWidget(tbsBookInfo_);
    layout->addWidget(vsInfo_, 1);
    layout->addLayout(makeFootRow({output_->makeButton(this)}, {}));

    connect(tbsBookInfo_, &QTabBar::currentChanged, this, &BookInfoForm::currentTabChanged);
    connect(chkOnly_, &QCheckBox::toggled, this, [this](bool on) {
        info_.setOnly(on);
        currentTabChanged(tbsBookInfo_->currentIndex());
    });
    resize(900, 560);
}

QHBoxLayout *BookInfoForm::buildFilterRow()
{
    // Each choice reloads the tab shown.
    const auto choices = [this](const QString &name, void (BookInfo::*set)(int)) {
        auto *box = new QComboBox(this);
        box->setObjectName(name);
        for (const PeriodChoice &choice : BookInfo::periodChoices())
            box->addItem(choice.name, choice.months);
        connect(box, &QComboBox::currentIndexChanged, this, [this, box, set]() {
            (info_.*set)(box->currentData().toInt());
            currentTabChanged(tbsBookInfo_->currentIndex());
        });
        return box;
    };
    QComboBox *cboLendPeriod = choices(QStringLiteral("cboLendPeriod"), &BookInfo::setLendPeriod);
    QComboBox *cboReturnPeriod = choices(QStringLiteral("cboReturnPeriod"), &BookInfo::setReturnPeriod);

    auto *row = new QHBoxLayout;
    row->addWidget(chkOnly_);
    row->addStretch(1);
    row->addWidget(new QLabel(QStringLiteral("借阅时间范围"), this));
    row->addWidget(cboLendPeriod);
    row->addWidget(new QLabel(QStringLiteral("还书时间范围"), this));
    row->addWidget(cboReturnPeriod);
    return row;
}

QWidget *BookInfoForm::buildSearchRow()
{
    auto *row = new QWidget(this);
    cboQuickSearch_ = new QComboBox(row);
    cboQuickSearch_->setObjectName(QStringLiteral("cboQuickSearch"));
    for (const QuickIndex &index : info_.quickIndexes())
        cboQuickSearch_->addItem(index.name, index.group);
    const int kept = cboQuickSearch_->findText(settings_.value(SettingsSection, QuickListKey, QString()));
    if (kept >= 0)
        cboQuickSearch_->setCurrentIndex(kept);
    txtQuickSearch_ = makeLineEdit(QStringLiteral("txtQuickSearch"), 120, row);
    QPushButton *cmdQuickSearch = makeButton(QStringLiteral("cmdQuickSearch"), QStringLiteral("检索"), row);

    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("快速检索"), row));
    layout->addWidget(cboQuickSearch_);
    layout->addWidget(txtQuickSearch_, 1);
    layout->addWidget(cmdQuickSearch);

    connect(cboQuickSearch_, &QComboBox::currentTextChanged, this,
            [this](const QString &text) { settings_.setValue(SettingsSection, QuickListKey, text); });
    connect(txtQuickSearch_, &QLineEdit::returnPressed, this, &BookInfoForm::runQuickSearch);
    connect(cmdQuickSearch, &QPushButton::clicked, this, &BookInfoForm::runQuickSearch);
    return row;
}

void BookInfoForm::setArguments(const FormArgs &args)
{
    const QString record = args.value(QStringLiteral("marcRecNo")).toString();
    const QString propNo = args.value(QStringLiteral("propNo")).toString();
    const QString barCode = args.value(QStringLiteral("barCode")).toString();
    if (record.isEmpty() && propNo.isEmpty() && barCode.isEmpty())
        return;
    if (info_.open(record, propNo, barCode) == BookInfo::Opened::Shown)
        recordChanged();
}

void BookInfoForm::runQuickSearch()
{
    if (info_.quickSearch(cboQuickSearch_->currentData().toInt(), txtQuickSearch_->text()) == BookInfo::Opened::Shown)
        recordChanged();
}

void BookInfoForm::recordChanged()
{
    lblTitle_->setText(info_.summary(QStringLiteral("m_title")) + QStringLiteral("  ") +
                       info_.summary(QStringLiteral("m_author")) + QStringLiteral("  (") + info_.marcRecNo() + u')');
    {
        const QSignalBlocker block(chkOnly_);
        chkOnly_->setText(info_.onlyCaption());
        chkOnly_->setEnabled(info_.hasCopy());
        chkOnly_->setChecked(false);
        info_.setOnly(false);
    }
    // A copy given: its copies first, else the record's call numbers.
    showTab(info_.hasCopy() ? QStringLiteral("CallNoInfo") : QStringLiteral("BaseInfo"));
}

void BookInfoForm::showTab(const QString &key)
{
    for (int i = 0; i < tbsBookInfo_->count(); ++i) {
        if (tbsBookInfo_->tabData(i).toString() == key) {
            if (tbsBookInfo_->currentIndex() == i)
                currentTabChanged(i);
            else
                tbsBookInfo_->setCurrentIndex(i);
            return;
        }
    }
}

void BookInfoForm::currentTabChanged(int index)
{
    const QString key = tbsBookInfo_->tabData(index).toString();
    info_.loadTab(key);
    if (vsInfo_->model() != &info_.model(key))
        vsInfo_->setModel(&info_.model(key));
    vsInfo_->resizeColumnsToContents();
}

} // namespace kestra
