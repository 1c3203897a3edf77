#pragma once

#include "output/PrintCalibration.h"
#include "printing/SpineLabelPrint.h"
#include "ui/FormRegistry.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace kestra {

// frmPrintBookMark (书标打印选择): the spine labels of a batch. Opened with
// "moveBatch". cboWkr (the cataloguer, 全部 first), optOrd (0 accession
// number, 1 call number, 2 check-in time), optPrintSel (0 all, 1 accession
// numbers txtPropnoBegin..txtPropnoEnd, 2 call numbers txtCallnoBegin..
// txtCallnoEnd), the start position sldStart with txtStartRow and
// txtStartCol, chkClassBreak; cmdPrint previews the sheets, cmdPrintNow
// prints them, cmdPdf writes them to a PDF, cmdCalibrate measures the
// printer's offset and scale for labels (per user), cmdCancel closes.
class SpineLabelForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    SpineLabelForm(AppContext &context, UserSettingsStore &settings, QWidget *parent = nullptr);

    void setArguments(const FormArgs &args) override;
    SpineLabelPrint &controller() { return print_; }

private:
    LabelChoice choice() const;
    void run(PrintTarget target);
    void startMoved(int position);

    AppContext &context_;
    UserSettingsStore &settings_;
    PrintCalibration calibration_;
    SpineLabelPrint print_;
    QLabel *lblBatch_ = nullptr;
    QComboBox *cboWkr_ = nullptr;
    QButtonGroup *optOrd_ = nullptr;
    QButtonGroup *optPrintSel_ = nullptr;
    QLineEdit *txtPropnoBegin_ = nullptr;
    QLineEdit *txtPropnoEnd_ = nullptr;
    QLineEdit *txtCallnoBegin_ = nullptr;
    QLineEdit *txtCallnoEnd_ = nullptr;
    QSlider *sldStart_ = nullptr;
    QLineEdit *txtStartRow_ = nullptr;
    QLineEdit *txtStartCol_ = nullptr;
    QCheckBox *chkClassBreak_ = nullptr;
};

} // namespace kestra
