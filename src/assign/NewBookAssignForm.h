#pragma once

#include "assign/NewBookAssign.h"
#include "ui/FormRegistry.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QTableView;
class QTimer;

namespace kestra {

class CommandBar;

// frmNewBookAssign (新书分配): the widgets over NewBookAssign. tbDC with
// the suite's keys; the search panel (cmbType, txtContent, cmdSearch); the
// list of titles (spdBatchList) and the title's copies (spdBook) beside its
// description (txtTitleInfo) in the splitter SplitH; lblStatus. Argument:
// "moveBatch", the handover batch to work through (frmTransferDoc hands it
// back here after SelectBatch).
class NewBookAssignForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    NewBookAssignForm(const FormServices &services, QWidget *parent = nullptr);

    NewBookAssign &controller() { return assign_; }
    void setArguments(const FormArgs &args) override;
    // Runs a command as its button does (unless it is disabled).
    void runCommand(const QString &key);
    bool batchRunning() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void refresh();
    void showTitleView(bool on);
    void startRun(const QString &key);
    void stopRun();
    void open(const QString &form, const FormArgs &args);

    FormServices services_;
    NewBookAssign assign_;
    CommandBar *bar_ = nullptr;
    QWidget *searchPanel_ = nullptr;
    QComboBox *cmbType_ = nullptr;
    QLineEdit *txtContent_ = nullptr;
    QStackedWidget *pages_ = nullptr;
    QTableView *spdBatchList_ = nullptr;
    QTableView *spdBook_ = nullptr;
    QLabel *titleInfo_ = nullptr;
    QLabel *lblStatus_ = nullptr;
    QTimer *runTimer_ = nullptr;
    QString runKey_;
    bool simple_ = false;
};

} // namespace kestra
