#pragma once

#include "assign/AssignBatch.h"
#include "ui/FormRegistry.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;

namespace kestra {

// frmAssignLocation (扫描分配): the handover batch (cmbBatch), subscriber
// (cmbIndiLoca), target (cmbItemLoca), status (cmbBookStatus), chkLt
// (送交流通), the code box txtCode with optSelect (条码号/财产号), the list
// spdBookLst, cmdView, cmdClear, cmdExit. Argument: "moveBatch".
class AssignLocationForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    AssignLocationForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent = nullptr);
    void setArguments(const FormArgs &args) override;
    AssignLocation &controller() { return assign_; }

private:
    void takeChoices();

    AssignLocation assign_;
    QComboBox *batch_ = nullptr;
    QComboBox *subscribers_ = nullptr;
    QComboBox *locations_ = nullptr;
    QComboBox *statuses_ = nullptr;
    QCheckBox *release_ = nullptr;
    QButtonGroup *select_ = nullptr;
};

} // namespace kestra
