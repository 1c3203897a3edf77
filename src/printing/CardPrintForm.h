#pragma once

#include "output/PrintCalibration.h"
#include "printing/CardPrint.h"
#include "ui/FormRegistry.h"

#include <QWidget>

class QCheckBox;
class QLabel;

namespace kestra {

// frmPrintCard (卡片打印): the catalogue cards of a batch ("moveBatch") or
// of one record ("marcRecNo"). lblRecords tells what is printed; the kinds
// chkMain, chkTitle, chkAuthor, chkSubject, chkSeries start from the Print
// flags of the card parameters; cmdPrint previews, cmdPrintNow prints,
// cmdPdf writes a PDF, cmdCalibrate measures the printer for cards,
// cmdCancel closes.
class CardPrintForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    CardPrintForm(AppContext &context, UserSettingsStore &settings, QWidget *parent = nullptr);

    void setArguments(const FormArgs &args) override;
    CardPrint &controller() { return print_; }

private:
    void run(PrintTarget target);

    AppContext &context_;
    UserSettingsStore &settings_;
    PrintCalibration calibration_;
    CardPrint print_;
    bool loaded_ = false;
    QLabel *lblRecords_ = nullptr;
    std::array<QCheckBox *, CardKindCount> kinds_{};
};

} // namespace kestra
