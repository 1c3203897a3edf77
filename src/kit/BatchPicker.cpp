#include "kit/BatchPicker.h"

#include "copies/ChangeNotice.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "kit/Days.h"

#include <QDate>

namespace kestra {

namespace batch_table {

const BatchTable &deal()
{
    static const BatchTable t{
        QStringLiteral("deal_batch_lst"),
        QStringLiteral("deal_batch_lst.deal_batch_no, location, deal_type_code, deal_bgn_date, deal_end_date, "
                       "deal_stat_flag, resp_wkr, remark"),
        QStringLiteral("deal_type_code"),
        QStringLiteral("location"),
        QStringLiteral("deal_bgn_date"),
        true,
        QStringLiteral("location,deal_batch_no"),
        QStringLiteral("deal_batch_no"),
    };
    return t;
}

const BatchTable &transfer()
{
    static const BatchTable t{
        QStringLiteral("goto_batch"),
        QStringLiteral("batch_no,batch_type,src_loca,dst_loca,doc_type_code,remark,deal_date,wkr_no"),
        QString(),
        QString(),
        QStringLiteral("deal_date"),
        true,
        QStringLiteral("deal_date desc,batch_no desc"),
        QStringLiteral("batch_no"),
    };
    return t;
}

const BatchTable &count()
{
    static const BatchTable t{
        QStringLiteral("count_data"),
        QStringLiteral("count_batch_no, location, count_date, finish_flag, count_class, resp_wkr, remark"),
        QString(),
        QString(),
        QStringLiteral("count_date"),
        false,
        QStringLiteral("count_batch_no"),
        QStringLiteral("count_batch_no"),
    };
    return t;
}

} // namespace batch_table

BatchPicker::BatchPicker(AppContext &context, const BatchTable &table, QString type)
    : context_(context), table_(table), type_(std::move(type))
{}

QString BatchPicker::startDate(const QString &showDate, const QString &today, bool months)
{
    const QString back = showDate.trimmed();
    const QDate date = day::from(today);
    bool ok = false;
    const int n = back.toInt(&ok);
    if (back.compare(QLatin1String("All"), Qt::CaseInsensitive) == 0 || !ok || !date.isValid())
        return {};
    return day::text(months ? date.addMonths(-n) : date.addDays(-n));
}

int BatchPicker::list(const QString &location)
{
    QStringList where;
    if (!table_.typeColumn.isEmpty())
        where.append(table_.typeColumn + u'=' + sqlQuote(type_));
    if (!table_.locationColumn.isEmpty() && !location.isEmpty() && location != QLatin1String("All"))
        where.append(table_.locationColumn + u'=' + sqlQuote(location));
    const QString start =
        startDate(context_.preferences().showDate, context_.db().serverDate(), table_.showDateInMonths);
    if (!start.isEmpty())
        where.append(table_.dateColumn + QStringLiteral(">=") + sqlQuote(start));
    QString sql = QStringLiteral(" SELECT ") + table_.columns + QStringLiteral(" FROM ") + table_.table;
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY ") + table_.orderBy;
    rows_ = QueryResult();
    if (context_.db().query(sql, rows_) < 0) {
        context_.db().showDbError();
        return -1;
    }
    return 0;
}

int nextFoundRow(const QList<int> &found, int after)
{
    for (int row : found) {
        if (row > after)
            return row;
    }
    return found.isEmpty() ? -1 : found.first();
}

int BatchPicker::find(const QString &text, int from, const QList<int> &columns)
{
    const QString needle = text.trimmed();
    if (needle.isEmpty()) {
        context_.showMsg(QStringLiteral("I请输入查询内容。"));
        return -1;
    }
    for (int r = qMax(0, from); r < rows_.rowCount(); ++r) {
        for (int c = 0; c < rows_.columnCount(); ++c) {
            if ((columns.isEmpty() || columns.contains(c)) && rows_.text(r, c).contains(needle, Qt::CaseInsensitive))
                return r;
        }
    }
    context_.showMsg(table_.table == QLatin1String("count_data") ? QStringLiteral("I未查询到相应清点批次。")
                                                                 : QStringLiteral("I未查询到相应调拨批次。"));
    return -1;
}

int BatchPicker::createDealBatch(const QString &location, const QString &number, const QString &remark)
{
    const QString no = number.trimmed();
    if (no.isEmpty()) {
        context_.showMsg(QStringLiteral("E处理批次不能能为空！"));
        return -1;
    }
    Session &db = context_.db();
    QueryResult taken;
    if (db.query(QStringLiteral(" SELECT deal_batch_no    FROM deal_batch_lst   WHERE deal_type_code=") +
                     sqlQuote(type_) + QStringLiteral("    AND deal_batch_no=") + sqlQuote(no),
                 taken) < 0) {
        db.showDbError();
        return -1;
    }
    if (taken.rowCount() > 0) {
        context_.showMsg(QStringLiteral("EDC008"));
        return -1;
    }
    const QString date = db.serverDate().left(10);
    Transaction tx(db);
    const QString call = QStringLiteral("LT_deal_batch_lst ") + QStringList{sqlQuote(location),
                                                                            sqlQuote(no),
                                                                            sqlQuote(type_),
                                                                            sqlQuote(date),
                                                                            QStringLiteral("NULL"),
                                                                            QStringLiteral("'0'"),
                                                                            sqlQuote(context_.session().operatorNo),
                                                                            sqlQuote(remark)}
                                                                    .join(u',');
    if (db.callProc(call) < 0 || logOperation(context_, QStringLiteral("30014"), QString(), QString(), no) < 0 ||
        tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    Q_EMIT ChangeNotice::of(context_).batchesChanged(table_.table);
    return 0;
}

} // namespace kestra
