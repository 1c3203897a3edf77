#pragma once

#include "inventory/CountLost.h"
#include "ui/FormRegistry.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace kestra {

class CodeEntry;
class LocationBox;

// frmHold_BookCount_LostView (未清点到书刊处理): cmbLocation, cmbCountBatchNo
// (its finished batches, first the undetermined entry), chkCount with the
// spinner updCountNum, txtInputCode for copies found later, the grid
// spdBookLst, cmdView, cmdDeal, cmdPrint (the grid's output) and cmdExit.
// The location comes as the argument location.
class CountLostForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    explicit CountLostForm(AppContext &context, QWidget *parent = nullptr);

    void setArguments(const FormArgs &args) override;
    CountLost &controller() { return lost_; }

private:
    void fillBatches();
    void pass();

    AppContext &context_;
    CountLost lost_;
    LocationBox *cmbLocation_;
    QComboBox *cmbCountBatchNo_;
    QCheckBox *chkCount_;
    QSpinBox *updCountNum_;
};

} // namespace kestra
