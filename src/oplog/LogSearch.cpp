#include "oplog/LogSearch.h"

#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/Session.h"
#include "kit/CopyColumns.h"
#include "kit/Days.h"
#include "oplog/LogCodes.h"

namespace kestra {

namespace {

std::array<QString, 3> defaultCaptions()
{
    return {QStringLiteral("事务内容一"), QStringLiteral("事务内容二"), QStringLiteral("事务内容三")};
}

// A name from a code table, or the code when the table has none.
QString nameOr(const QString &name, const QString &code)
{
    return name.isEmpty() ? code : name;
}

void appendEqual(QString &sql, const char *column, const QString &value)
{
    if (!value.isEmpty())
        sql += QStringLiteral(" AND ") + QLatin1String(column) + QStringLiteral(" = ") + sqlQuote(value);
}

// The list shows a service code of three letters by those letters alone;
// the interfaces may have logged it four wide, with the blank.
void appendWorker(QString &sql, const QString &code)
{
    for (const CodeName &service : log_codes::serviceCodes()) {
        if (service.code != code && service.code.trimmed() == code) {
            sql += QStringLiteral(" AND a.WKR_NO IN (") + sqlQuote(code) + QLatin1Char(',') + sqlQuote(service.code) +
                   QLatin1Char(')');
            return;
        }
    }
    appendEqual(sql, "a.WKR_NO", code);
}

// The search's end is a day: a row stored with a time of day ("2026-03-02
// 10:00:00") sorts after "2026-03-02" but belongs to it. The rows below the
// next day are the day's, and the index on log_date still bounds both ends.
QString logDayAfter(const QString &endDay)
{
    const QDate end = day::from(endDay);
    return end.isValid() ? day::text(end.addDays(1)) : endDay;
}

} // namespace

// The log grid: fixed columns, except that the three data columns are headed
// with the captions of the chosen operation type.
class LogSearch::LogModel final : public RowModelBase {
public:
    explicit LogModel(const std::array<QString, 3> &captions) : RowModelBase(false), captions_(captions) {}

    void reset(QList<LogRow> rows = {})
    {
        beginResetModel();
        rows_ = std::move(rows);
        marks_ = QList<bool>(rows_.size(), false);
        endResetModel();
    }
    void captionsChanged() { Q_EMIT headerDataChanged(Qt::Horizontal, 9, 11); }

    QList<LogRow> rows_;

protected:
    int size() const override { return static_cast<int>(rows_.size()); }
    int fields() const override { return 12; }
    bool isNumber(int) const override { return false; }
    QString heading(int field) const override
    {
        static const QStringList fixed = {
            QStringLiteral("操作日期"),   QStringLiteral("操作类型"), QStringLiteral("业务类型"),
            QStringLiteral("工作人员"),   QStringLiteral("计算机名"), QStringLiteral("计算机馆藏地"),
            QStringLiteral("MARC记录号"), QStringLiteral("财产号"),   QStringLiteral("读者证件号")};
        return field < fixed.size() ? fixed.at(field) : captions_.at(std::size_t(field - fixed.size()));
    }
    QString cell(int row, int field) const override
    {
        const LogRow &r = rows_.at(row);
        switch (field) {
        case 0:
            return r.when;
        case 1:
            return r.typeName;
        case 2:
            return log_codes::moduleName(r.type.left(1));
        case 3:
            return r.worker;
        case 4:
            return r.computer;
        case 5:
            return r.location;
        case 6:
            return r.marcRecNo;
        case 7:
            return r.propNo;
        case 8:
            return r.certId;
        default:
            return r.data.at(std::size_t(field - 9));
        }
    }

private:
    const std::array<QString, 3> &captions_;
};

LogSearch::LogSearch(AppContext &context, int maxRows)
    : context_(context), maxRows_(maxRows), captions_(defaultCaptions()), log_(std::make_unique<LogModel>(captions_)),
      info_({{QStringLiteral("项目"), [](const InfoLine &l) { return l.field; }},
             {QStringLiteral("内容"), [](const InfoLine &l) { return l.value; }}},
            false)
{}

LogSearch::~LogSearch() = default;

RowModelBase &LogSearch::log()
{
    return *log_;
}

const QList<LogRow> &LogSearch::rows() const
{
    return log_->rows_;
}

RowModelBase &LogSearch::info()
{
    return info_;
}

const QList<InfoLine> &LogSearch::infoLines() const
{
    return info_.rows();
}

int LogSearch::fillList(const QString &sql, QStringList &entries,
                        const std::function<QString(const QueryResult &, int)> &entryOf)
{
    entries = {log_codes::anyEntry()};
    QueryResult result;
    if (context_.db().query(sql, result) < 0) {
        context_.db().showDbError();
        return -1;
    }
    for (int r = 0; r < result.rowCount(); ++r)
        entries.append(entryOf(result, r));
    return 0;
}

int LogSearch::typeEntries(const QString &moduleCode, QStringList &entries)
{
    QString sql = QStringLiteral("SELECT distinct log_type,log_name FROM log_type");
    if (!moduleCode.isEmpty())
        sql += QStringLiteral(" WHERE substr(log_type,1,1) = ") + sqlQuote(moduleCode);
    return fillList(sql + QStringLiteral(" ORDER BY log_type"), entries,
                    [](const QueryResult &q, int r) { return log_codes::entry(q.text(r, 0), q.text(r, 1), 0, 4); });
}

int LogSearch::workerEntries(const QString &only, bool services, QStringList &entries)
{
    QString sql = QStringLiteral("SELECT distinct wkr_no, wkr_name FROM lib_worker");
    if (!only.isEmpty())
        sql += QStringLiteral(" WHERE wkr_no = ") + sqlQuote(only);
    const int status = fillList(sql + QStringLiteral(" ORDER BY wkr_no"), entries, [](const QueryResult &q, int r) {
        return log_codes::entry(q.text(r, 0), q.text(r, 1), 4, 4);
    });
    if (status == 0 && services) {
        for (const CodeName &s : log_codes::serviceCodes())
            entries.append(log_codes::entry(s.code, s.name, 4, 4));
    }
    return status;
}

int LogSearch::computerEntries(QStringList &entries)
{
    return fillList(QStringLiteral("SELECT distinct comp_name FROM loca_comp_lst ORDER BY comp_name"), entries,
                    [](const QueryResult &q, int r) { return q.text(r, 0); });
}

int LogSearch::setDataCaptions(const QString &typeCode)
{
    captions_ = defaultCaptions();
    int status = 0;
    if (!typeCode.isEmpty()) {
        QueryResult result;
        status = context_.db().query(
            QStringLiteral("SELECT distinct data_name1,data_name2,data_name3 FROM log_type WHERE log_type = ") +
                sqlQuote(typeCode),
            result);
        if (status < 0)
            context_.db().showDbError();
        else if (result.rowCount() > 0)
            captions_ = {result.text(0, 0), result.text(0, 1), result.text(0, 2)};
    }
    log_->captionsChanged();
    return status;
}

QString LogSearch::buildSql(const LogConditions &c) const
{
    QString sql = QStringLiteral("SELECT a.LOG_DATE || ' ' || a.LOG_TIME,b.LOG_NAME,a.LOG_TYPE,a.WKR_NO,a.COMPUTER, "
                                 "a.LOCATION_NAME,a.MARC_REC_NO,a.PROP_NO,a.CERT_ID, a.DATA1,a.DATA2,a.DATA3 "
                                 "FROM LOG_DETL a , LOG_TYPE b WHERE a.LOG_DATE >= ") +
                  sqlQuote(c.begin) + QStringLiteral(" AND a.LOG_DATE < ") + sqlQuote(logDayAfter(c.end)) +
                  QStringLiteral(" AND a.LOG_TYPE = b.LOG_TYPE");
    appendEqual(sql, "SUBSTR(a.LOG_TYPE,1,1)", c.module);
    appendEqual(sql, "b.LOG_TYPE", c.type);
    appendWorker(sql, c.worker);
    appendEqual(sql, "a.COMPUTER", c.computer);
    appendEqual(sql, "a.MARC_REC_NO", c.marcRecNo.trimmed());
    appendEqual(sql, "a.PROP_NO", c.propNo.trimmed());
    appendEqual(sql, "a.CERT_ID", c.certId.trimmed());
    appendEqual(sql, "a.DATA1", c.data[0].trimmed());
    appendEqual(sql, "a.DATA2", c.data[1].trimmed());
    appendEqual(sql, "a.DATA3", c.data[2].trimmed());
    return sql + QStringLiteral(" ORDER BY a.LOG_DATE,a.LOG_TIME");
}

LogSearch::Outcome LogSearch::search(const LogConditions &conditions)
{
    log_->reset();
    info_.reset();
    // One row beyond the limit tells a cut list from a complete one.
    const QString sql = QStringLiteral("SELECT * FROM (") + buildSql(conditions) +
                        QStringLiteral(") WHERE ROWNUM <= ") + QString::number(maxRows_ + 1);
    QueryResult result;
    context_.prompter().setBusy(true);
    const int status = context_.db().query(sql, result);
    context_.prompter().setBusy(false);
    if (status < 0) {
        context_.db().showDbError();
        return Outcome::Failed;
    }
    const int count = std::min(result.rowCount(), maxRows_);
    QList<LogRow> rows;
    rows.reserve(count);
    for (int r = 0; r < count; ++r) {
        auto t = [&result, r](int column) { return result.text(r, column); };
        rows.append(LogRow{t(0), t(1), t(2), t(3), t(4), t(5), t(6), t(7), t(8), {t(9), t(10), t(11)}});
    }
    log_->reset(std::move(rows));
    if (result.rowCount() > maxRows_) {
        context_.showMsg(QStringLiteral("I查询结果超过%1条，只列出最早的%1条，请缩小查询范围。").arg(maxRows_));
        return Outcome::TooMany;
    }
    return Outcome::Listed;
}

int LogSearch::showDetail(int row)
{
    if (row < 0 || row >= log_->rows_.size())
        return 0;
    info_.reset();
    const LogRow r = log_->rows_.at(row);
    // A copy deleted since the operation no longer names its record: the
    // row's record number still does.
    int status = 0;
    if (!r.propNo.trimmed().isEmpty()) {
        status = addRecord(QStringLiteral("SELECT a.CALL_NO,b.M_TITLE,b.M_AUTHOR, b.M_ISBN,b.M_PUBLISHER, "
                                          "b.M_PUB_YEAR,b.DOC_TYPE_CODE FROM INDI_ACCT a ,MARC b WHERE a.PROP_NO = ") +
                           sqlQuote(r.propNo.trimmed()) + QStringLiteral(" AND a.MARC_REC_NO = b.MARC_REC_NO"));
    }
    if (status == 0 && !r.marcRecNo.trimmed().isEmpty()) {
        status = addRecord(QStringLiteral("SELECT M_CALL_NO,M_TITLE,M_AUTHOR, M_ISBN,M_PUBLISHER, M_PUB_YEAR,"
                                          "DOC_TYPE_CODE FROM MARC WHERE MARC.MARC_REC_NO = ") +
                           sqlQuote(r.marcRecNo.trimmed()));
    }
    if (status >= 0 && !r.certId.trimmed().isEmpty())
        status = addReader(r.certId.trimmed());
    if (status < 0) {
        context_.db().showDbError();
        return -1;
    }
    return 0;
}

int LogSearch::addRecord(const QString &sql)
{
    QueryResult result;
    if (context_.db().querySummary(sql, result) < 0)
        return -1;
    if (result.rowCount() == 0)
        return 0;
    const QStringList fields = {copyHeading(CopyField::CallNo),    copyHeading(CopyField::Title),
                                copyHeading(CopyField::Author),    QStringLiteral("标准号"),
                                copyHeading(CopyField::Publisher), QStringLiteral("出版年"),
                                QStringLiteral("文献类型")};
    for (int c = 0; c < fields.size(); ++c) {
        QString value = result.text(0, c);
        if (c == 6)
            value = nameOr(context_.codes().docTypeName(value), value);
        info_.append(InfoLine{fields.at(c), value});
    }
    return 1;
}

int LogSearch::addReader(const QString &certId)
{
    QueryResult result;
    const QString sql =
        QStringLiteral("SELECT reader.name,reader.cert_id,reader_cert.redr_cert_id,reader.redr_type_code,"
                       "reader.dept,reader.code01,reader.r_dep_id FROM reader,reader_cert WHERE reader.cert_id = ") +
        sqlQuote(certId) +
        QStringLiteral(" AND reader.cert_id = reader_cert.cert_id ORDER BY reader_cert.cert_flag,"
                       "reader_cert.oper_date DESC");
    if (context_.db().query(sql, result) < 0)
        return -1;
    if (result.rowCount() == 0)
        return 0;
    const QStringList fields = {QStringLiteral("读者姓名"), QStringLiteral("读者证件号"), QStringLiteral("读者条码号"),
                                QStringLiteral("读者类型"), QStringLiteral("单位"),       QStringLiteral("读者代码一"),
                                QStringLiteral("部门")};
    for (int c = 0; c < fields.size(); ++c) {
        QString value = result.text(0, c);
        if (c == 3)
            value = nameOr(context_.codes().readerTypeName(value), value);
        else if (c == 6)
            value = nameOr(context_.codes().departmentName(value), value);
        info_.append(InfoLine{fields.at(c), value});
    }
    return 0;
}

} // namespace kestra
