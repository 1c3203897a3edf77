#pragma once

#include "stats/IntakeFilter.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace kestra {

// Which locations a statistics window asks for.
enum class LocationChoice { None, One, Several };

// The filters every statistics window shares, with the suite's control
// names: the span cobStatType (年度, 月度, 时期) with txtYear, cobMonth, the
// period's dtpBegin and dtpEnd shown joined in txtStatTime; cboDocType and
// cboLanguage ("[全部]" first); chkBatch with lstBatch, cmdAll and cmdNone;
// the locations cobLoca (a drop-down for one, a list to tick for several).
// A window counting holdings as they stand shows no span and no batches.
class IntakeFilterWidget : public QWidget {
    Q_OBJECT
public:
    IntakeFilterWidget(AppContext &context, bool withSpan, LocationChoice locations, QWidget *parent = nullptr);

    IntakeConditions conditions() const;
    // The printed heading lines of the conditions: 统计时期, 文献类型,
    // 语种, 交接批次 and 馆藏地 as the window shows them.
    QStringList headerLines() const;
    // Ticks (or chooses) the locations of these codes only.
    void setLocations(const QStringList &codes);

private:
    QWidget *buildSpan(const QDate &today);
    void spanChanged();
    void fillBatches();
    void markBatches(bool marked);

    AppContext &context_;
    bool withSpan_;
    LocationChoice locationChoice_;
    QComboBox *cobStatType_ = nullptr;
    QSpinBox *txtYear_ = nullptr;
    QComboBox *cobMonth_ = nullptr;
    QDateEdit *dtpBegin_ = nullptr;
    QDateEdit *dtpEnd_ = nullptr;
    QLineEdit *txtStatTime_ = nullptr;
    QComboBox *cboDocType_ = nullptr;
    QComboBox *cboLanguage_ = nullptr;
    QCheckBox *chkBatch_ = nullptr;
    QListWidget *lstBatch_ = nullptr;
    QComboBox *locationBox_ = nullptr;
    QListWidget *locationList_ = nullptr;
};

} // namespace kestra
