#pragma once

#include "kit/RowModel.h"
#include "stats/IntakeFilter.h"
#include "stats/StatTemplate.h"

namespace kestra {

// One row of a class statistic: a sub-statistic, "未分配索书号" or
// "馆藏合计", with its figures.
struct ClassStatRow {
    QString name;
    StatFigures figures;
};

// A row of the custom template's grid: a sub-statistic's name, a scheme
// and its class specification. Rows of the same name make one
// sub-statistic over several schemes.
struct CustomClassRow {
    QString name;
    QString clsId;
    QString spec;
};

// What a class statistic counts: the intake of a period (the new-book
// windows), or the holdings as they stand (the location windows): every
// copy taken into the collection and not gone out of it again, whatever
// its period and batch.
enum class ClassStatKind { Intake, Holdings };

// frmNewBookLocaClsStat without its widgets, and the controller of its
// sibling windows: copies counted per sub-statistic of a template in one
// package call, with the copies without call number and the total beside
// them. It changes nothing.
class ClassStat {
public:
    static const QString CustomEntry;  // "[自定义]"
    static const QString NoCallNumber; // "未分配索书号"
    static const QString Total;        // "馆藏合计"

    // needsLocation: "I请选择馆藏地" when no location is chosen (the
    // all-location window counts every location instead).
    explicit ClassStat(AppContext &context, ClassStatKind kind = ClassStatKind::Intake, bool needsLocation = true);

    ClassStatKind kind() const { return kind_; }

    // The templates (code, name); with holdingsOnly those whose code begins
    // with S or U. -1 after showing the database error.
    int templates(bool holdingsOnly, QList<FilterCode> &out);
    // Loads a stored template; the grid gets its rows without figures.
    int chooseTemplate(const QString &code);
    // A custom template from the operator's grid.
    void setCustom(StatTemplate custom);
    // The custom grid (editable: name, scheme, classes) and the template it
    // makes: "E自定义模板为空" when no row names classes. -1 then.
    RowModel<CustomClassRow> &customRows() { return custom_; }
    int useCustomRows();
    const StatTemplate &current() const { return template_; }

    // The conditions after the joins: the intake filters (or the record
    // filters and the holdings' statuses), then the locations.
    QString filterSql(const IntakeConditions &conditions) const;
    // Counts. "I请选择馆藏地" without a location, "E模板没有子统计项" for a
    // template without sub-statistics, a message naming the sub-statistic
    // whose condition is too long; the grid keeps its figures then. The
    // database error on a failure. -1 when nothing was counted.
    int run(const IntakeConditions &conditions);

    RowModelBase &grid() { return grid_; }
    const QList<ClassStatRow> &rows() const { return grid_.rows(); }

private:
    void showEmptyRows();

    AppContext &context_;
    ClassStatKind kind_;
    bool needsLocation_;
    StatTemplate template_;
    RowModel<ClassStatRow> grid_;
    RowModel<CustomClassRow> custom_;
};

} // namespace kestra
