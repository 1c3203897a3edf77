#pragma once

#include "stats/ClassStat.h"

#include <QWidget>

class QComboBox;
class QTableView;

namespace kestra {

class GridOutput;
class IntakeFilterWidget;
class StatChartWidget;

// What sets the four class-statistics windows apart.
struct ClassStatWindow {
    QString formName;
    QString caption;
    QString printTitle;
    ClassStatKind kind = ClassStatKind::Intake;
    int locations = 0;              // LocationChoice
    bool holdingsTemplates = false; // only templates whose code begins with S or U
};

// The class-statistics windows over ClassStat: frmNewBookLocaClsStat (the
// intake of several locations, printed as "入藏图书分布统计"), frmNewBookLoca
// (the intake of one location), frmLocaStat (the holdings of one location)
// and frmAllLocaStat (the holdings of every location). Controls: cboTemplate
// (the templates, then "[自定义]", which shows the editable grid spdCustom),
// the shared filters, the grid spdStat with its chart chtStat, and the
// command bar Toolbar1 with go, print and exit.
class ClassStatForm : public QWidget {
    Q_OBJECT
public:
    ClassStatForm(AppContext &context, const ClassStatWindow &window, QWidget *parent = nullptr);

    ClassStat &controller() { return stat_; }
    static const QList<ClassStatWindow> &windows();

private:
    void runCommand(const QString &key);
    void chooseTemplate();
    void runStat();

    ClassStatWindow window_;
    ClassStat stat_;
    QComboBox *cboTemplate_ = nullptr;
    QTableView *spdCustom_ = nullptr;
    IntakeFilterWidget *filters_ = nullptr;
    QTableView *grid_ = nullptr;
    StatChartWidget *chart_ = nullptr;
    GridOutput *output_ = nullptr;
    QStringList shownLines_;
};

} // namespace kestra
