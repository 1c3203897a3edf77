#pragma once

#include "stats/NewBookList.h"
#include "ui/FormRegistry.h"

#include <QWidget>

class QLabel;
class QTableView;

namespace kestra {

class GridOutput;

// frmNewBookList (新书清单): the new copies of a location for the period and
// filters of the statistic that opened it. Arguments: the conditions
// (intake_filter::toArgs) and "location". The list spdBookLst exports and
// prints with its totals (cmdOutput, its context menu); lblCount counts
// the copies; a double-click on a copy asks for the record window.
class NewBookListForm : public QWidget, public FormTarget {
    Q_OBJECT
public:
    explicit NewBookListForm(AppContext &context, QWidget *parent = nullptr);

    void setArguments(const FormArgs &args) override;
    NewBookList &controller() { return list_; }

Q_SIGNALS:
    void recordRequested(const QString &marcRecNo, const QString &propNo);

private:
    NewBookList list_;
    QTableView *spdBookLst_ = nullptr;
    QLabel *lblCount_ = nullptr;
    QLabel *lblCondition_ = nullptr;
    GridOutput *output_ = nullptr;
    QStringList headerLines_;
};

} // namespace kestra
