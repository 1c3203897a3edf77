#pragma once

#include "ui/FormRegistry.h"

#include <QWidget>

class QCheckBox;
class QComboBox;

namespace kestra {

// The subscribers, target locations and statuses of the assignment
// windows, each as code + name; with "<不定>"/"<不变>" (code empty) first or
// last when asked.
void fillAssignChoices(AppContext &context, QComboBox *subscribers, QComboBox *locations, QComboBox *statuses,
                       bool anyEntries);

// frmAssignBatch (批量分配): cmbIndiLoca (订户：, "<不定>" first),
// cmbItemLoca (分配地：, "<不变>" first), cmbBookStatus (书刊状态：, the
// six statuses and "<不变>"), chkLt (送交流通), cmdOK (分配(&O)), cmdExit
// (退出(&E)). Argument: "moveBatch".
class AssignBatchForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    explicit AssignBatchForm(AppContext &context, QWidget *parent = nullptr);
    void setArguments(const FormArgs &args) override;

private:
    AppContext &context_;
    QString batch_;
    QComboBox *subscribers_ = nullptr;
    QComboBox *locations_ = nullptr;
    QComboBox *statuses_ = nullptr;
    QCheckBox *release_ = nullptr;
};

// frmShowAllAssign: where the copies of a title went (spdAssign: 馆藏地,
// 财产号/复本数). Argument: "marcRecNo".
class ShowAllAssignForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    explicit ShowAllAssignForm(AppContext &context, QWidget *parent = nullptr);
    void setArguments(const FormArgs &args) override;

private:
    AppContext &context_;
    class QTableWidget *grid_ = nullptr;
};

} // namespace kestra
