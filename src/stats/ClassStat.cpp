#include "stats/ClassStat.h"

#include "core/AppContext.h"
#include "core/Session.h"

namespace kestra {

const QString ClassStat::CustomEntry = QStringLiteral("[自定义]");
const QString ClassStat::NoCallNumber = QStringLiteral("未分配索书号");
const QString ClassStat::Total = QStringLiteral("馆藏合计");

namespace {

QString classStatAmount(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? QString::number(value, 'f', 2) : text.trimmed();
}

Column<CustomClassRow> customColumn(const QString &heading, QString CustomClassRow::*member)
{
    Column<CustomClassRow> c{heading, [member](const CustomClassRow &r) { return r.*member; }};
    c.editor = CellEditor::Text;
    c.set = [member](CustomClassRow &r, const QString &value) {
        r.*member = value.trimmed();
        return QString();
    };
    return c;
}

} // namespace

ClassStat::ClassStat(AppContext &context, ClassStatKind kind, bool needsLocation)
    : context_(context), kind_(kind), needsLocation_(needsLocation),
      grid_({{QStringLiteral("分类"), [](const ClassStatRow &r) { return r.name; }},
             {QStringLiteral("种数"), [](const ClassStatRow &r) { return r.figures.titles; }, true},
             {QStringLiteral("册数"), [](const ClassStatRow &r) { return r.figures.copies; }, true},
             {QStringLiteral("金额"), [](const ClassStatRow &r) { return classStatAmount(r.figures.amount); }, true}},
            false),
      custom_({customColumn(QStringLiteral("子统计项"), &CustomClassRow::name),
               customColumn(QStringLiteral("分类法"), &CustomClassRow::clsId),
               customColumn(QStringLiteral("分类号（A,B~D）"), &CustomClassRow::spec)},
              false)
{
    custom_.reset(QList<CustomClassRow>(8));
}

int ClassStat::useCustomRows()
{
    StatTemplate t;
    for (const CustomClassRow &row : custom_.rows()) {
        const QString name = row.name.trimmed();
        if (name.isEmpty() || row.spec.trimmed().isEmpty())
            continue;
        QString code;
        for (const SubStat &s : std::as_const(t.subs)) {
            if (s.name == name)
                code = s.code;
        }
        if (code.isEmpty()) {
            code = QString::number(t.subs.size() + 1);
            t.subs.append(SubStat{code, name});
        }
        const QString scheme = row.clsId.trimmed().isEmpty() ? QStringLiteral("1") : row.clsId.trimmed();
        if (!t.schemes.contains(scheme))
            t.schemes.append(scheme);
        t.comps.append(ClassComp{code, scheme, row.spec.trimmed()});
    }
    if (t.subs.isEmpty()) {
        context_.showMsg(QStringLiteral("E自定义模板为空，请输入子统计项及其分类号"));
        return -1;
    }
    setCustom(std::move(t));
    return 0;
}

int ClassStat::templates(bool holdingsOnly, QList<FilterCode> &out)
{
    out.clear();
    QueryResult rows;
    const QString sql = QStringLiteral("SELECT stat_type_name,stat_type_code FROM stat_type_code") +
                        (holdingsOnly ? QStringLiteral(" WHERE substr(stat_type_code,1,1) in ('S','U')") : QString()) +
                        QStringLiteral(" ORDER BY stat_type_code");
    if (context_.db().query(sql, rows) < 0) {
        context_.db().showDbError();
        return -1;
    }
    for (int r = 0; r < rows.rowCount(); ++r)
        out.append(FilterCode{rows.text(r, 1), rows.text(r, 0)});
    return 0;
}

int ClassStat::chooseTemplate(const QString &code)
{
    const int status = template_.load(context_, code);
    showEmptyRows();
    return status;
}

void ClassStat::setCustom(StatTemplate custom)
{
    template_ = std::move(custom);
    showEmptyRows();
}

void ClassStat::showEmptyRows()
{
    QList<ClassStatRow> rows;
    for (const SubStat &s : template_.subs)
        rows.append(ClassStatRow{s.name, {}});
    rows.append(ClassStatRow{NoCallNumber, {}});
    rows.append(ClassStatRow{Total, {}});
    grid_.reset(std::move(rows));
}

QString ClassStat::filterSql(const IntakeConditions &conditions) const
{
    // Holdings: neither before the collection (acceptance, cataloguing,
    // handed over) nor out of it (scrapped, weeded, given, exchanged, lost).
    const QString sql = kind_ == ClassStatKind::Intake
                            ? intake_filter::intakeSql(conditions)
                            : intake_filter::recordSql(conditions) +
                                  QStringLiteral(" AND indi_acct.book_stat_code NOT IN ('11','12','13','14','15','16',"
                                                 "'17','34','35','36','37','38','39')");
    return sql + intake_filter::locationSql(conditions.locations);
}

int ClassStat::run(const IntakeConditions &conditions)
{
    if (needsLocation_ && conditions.locations.isEmpty()) {
        context_.showMsg(QStringLiteral("I请选择馆藏地"));
        return -1;
    }
    if (template_.subs.isEmpty()) {
        context_.showMsg(QStringLiteral("E模板没有子统计项"));
        return -1;
    }
    QStringList classConditions;
    for (const SubStat &s : template_.subs) {
        const QString c = template_.classCondition(QStringLiteral("call_no_lst"), s.code);
        // A sub-statistic without classes counts nothing, rather than the
        // whole collection.
        const QString piece = QStringLiteral(" AND ") + (c.isEmpty() ? QStringLiteral("1=0") : c);
        if (piece.size() > StatTemplate::MaxCondition) {
            context_.showMsg(QStringLiteral("E子统计项“%1”的分类条件超过%2个字符，请拆分该项")
                                 .arg(s.name)
                                 .arg(StatTemplate::MaxCondition));
            return -1;
        }
        classConditions.append(piece);
    }
    // One package call over every copy the filters take, each joined to its
    // call number when it has one: the sub-statistics (a class condition
    // reads the call number's scheme, so a copy without one never meets
    // it), the copies without call number and the total. A call number is
    // listed once (the key of call_no_lst) and a copy once (prop_no), so
    // each copy is one row and COUNT(prop_no) counts it once in the total;
    // the figures are those of the three queries counted apart, from one
    // pass over the copies.
    classConditions.append(QStringLiteral(" AND indi_acct.call_no is null"));
    classConditions.append(QStringLiteral(" AND 1=1"));
    // The record's table only where a filter reads it: a copy's record
    // number always names a record (the foreign key), so the join would
    // cost a lookup per copy and change nothing but drop the copies without
    // one, which the test of the number drops as well.
    const bool readsRecord = !intake_filter::recordSql(conditions).isEmpty();
    const QString base =
        QStringLiteral(" SELECT COUNT(distinct indi_acct.marc_rec_no)|| ',' ||"
                       " COUNT(indi_acct.prop_no)|| ',' ||SUM(indi_acct.price)"
                       " FROM indi_acct LEFT JOIN call_no_lst ON indi_acct.call_no = call_no_lst.call_no") +
        (readsRecord ? QStringLiteral(", marc WHERE indi_acct.marc_rec_no=marc.marc_rec_no ")
                     : QStringLiteral(" WHERE indi_acct.marc_rec_no is not null ")) +
        filterSql(conditions);
    QStringList figures;
    context_.prompter().setBusy(true);
    const bool ok = statSortData(context_.db(), base, classConditions, figures) == 0;
    context_.prompter().setBusy(false);
    if (!ok) {
        context_.db().showDbError();
        return -1;
    }
    QList<ClassStatRow> rows;
    for (qsizetype i = 0; i < template_.subs.size(); ++i)
        rows.append(ClassStatRow{template_.subs.at(i).name, StatFigures::parse(figures.value(i))});
    rows.append(ClassStatRow{NoCallNumber, StatFigures::parse(figures.value(template_.subs.size()))});
    rows.append(ClassStatRow{Total, StatFigures::parse(figures.value(template_.subs.size() + 1))});
    grid_.reset(std::move(rows));
    return 0;
}

} // namespace kestra
