#include "printing/HandoverBill.h"

#include "core/AppContext.h"
#include "core/Session.h"

#include <QHash>
#include <QMap>

namespace kestra {

void TextTable::reset(const QStringList &headings, const QList<QStringList> &rows, const QList<int> &numberColumns)
{
    beginResetModel();
    headings_ = headings;
    rows_ = rows;
    numbers_ = numberColumns;
    endResetModel();
}

int TextTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TextTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

QVariant TextTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    if (role == Qt::DisplayRole)
        return rows_.at(index.row()).value(index.column());
    if (role == Qt::TextAlignmentRole && isNumber(index.column()))
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant TextTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headings_.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

namespace {

// The text before the trailing digits, and the digits.
std::pair<QString, QString> propNoTrailingDigits(const QString &text)
{
    qsizetype i = text.size();
    while (i > 0 && text.at(i - 1).isDigit() && text.at(i - 1).unicode() < 128)
        --i;
    return {text.left(i), text.mid(i)};
}

QString billMoney(double v)
{
    return QString::number(v, 'f', 2);
}

} // namespace

bool propNoFollows(const QString &previous, const QString &next)
{
    const auto [prefixA, digitsA] = propNoTrailingDigits(previous);
    const auto [prefixB, digitsB] = propNoTrailingDigits(next);
    if (digitsA.isEmpty() || digitsB.isEmpty() || prefixA != prefixB || digitsA.size() > 18 || digitsB.size() > 18)
        return false;
    // Zero-padded numbers keep their width; "0999" is followed by "1000".
    if (digitsA.size() != digitsB.size() && (digitsA.startsWith(u'0') || digitsB.startsWith(u'0')))
        return false;
    return digitsA.toLongLong() + 1 == digitsB.toLongLong();
}

QString propNoIntervals(const QStringList &sorted)
{
    QStringList runs;
    qsizetype i = 0;
    while (i < sorted.size()) {
        qsizetype j = i;
        while (j + 1 < sorted.size() && propNoFollows(sorted.at(j), sorted.at(j + 1)))
            ++j;
        runs.append(j == i ? sorted.at(i) : sorted.at(i) + QStringLiteral(" - ") + sorted.at(j));
        i = j + 1;
    }
    return runs.join(QStringLiteral(" ; "));
}

HandoverBill::HandoverBill(AppContext &context) : context_(context) {}

int HandoverBill::fail()
{
    context_.db().showDbError();
    table_.reset({}, {}, {});
    titles_ = copies_ = 0;
    price_ = 0.0;
    return -1;
}

QString HandoverBill::locationName(const QString &code) const
{
    const QString name = context_.locationName(code);
    return name.isEmpty() ? code : name;
}

int HandoverBill::loadBatches(const QDate &begin, const QDate &end)
{
    batches_.clear();
    // Handover dates may carry a time: the end day counts whole.
    const QString sql = QStringLiteral(" SELECT DISTINCT move_batch,send_store_date  FROM transfer_doc "
                                       " WHERE send_store_date>=") +
                        sqlQuote(begin.toString(Qt::ISODate)) + QStringLiteral(" AND send_store_date<") +
                        sqlQuote(end.addDays(1).toString(Qt::ISODate)) +
                        QStringLiteral(" ORDER BY send_store_date DESC ");
    QueryResult rows;
    if (context_.db().query(sql, rows) < 0) {
        context_.db().showDbError();
        return -1;
    }
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString batch = rows.text(r, 0);
        if (!batch.isEmpty() && !batches_.contains(batch))
            batches_.append(batch);
    }
    return static_cast<int>(batches_.size());
}

int HandoverBill::loadLocations(const QString &moveBatch)
{
    locations_.clear();
    QueryResult rows;
    if (context_.db().query(QStringLiteral(" SELECT DISTINCT dis_location  FROM indi_acct  WHERE move_batch=") +
                                sqlQuote(moveBatch) + QStringLiteral(" ORDER BY dis_location "),
                            rows) < 0) {
        context_.db().showDbError();
        return -1;
    }
    for (int r = 0; r < rows.rowCount(); ++r)
        locations_.append(rows.text(r, 0));
    return static_cast<int>(locations_.size());
}

int HandoverBill::show(const QString &moveBatch, const QString &location, BillView view)
{
    batch_ = moveBatch;
    location_ = location;
    int done = -1;
    switch (view) {
    case BillView::Locations: {
        QStringList locations{location};
        if (location.isEmpty()) {
            if (loadLocations(moveBatch) < 0)
                return fail();
            locations = locations_;
        }
        done = showLocations(moveBatch, locations);
        break;
    }
    case BillView::Titles:
        done = showTitles(moveBatch, location);
        break;
    case BillView::Copies:
        done = showCopies(moveBatch, location);
        break;
    }
    if (done < 0 || loadTotals(moveBatch, location) < 0)
        return fail();
    return table_.rowCount();
}

int HandoverBill::showLocations(const QString &batch, const QStringList &locations)
{
    QList<QStringList> rows;
    for (const QString &loc : locations) {
        QueryResult r;
        const QString sql = QStringLiteral(" SELECT call_no,        price    FROM indi_acct   WHERE move_batch=") +
                            sqlQuote(batch) + QStringLiteral(" AND dis_location=") + sqlQuote(loc) +
                            QStringLiteral(" ORDER BY call_no ");
        if (context_.db().query(sql, r) < 0)
            return -1;
        QStringList calls;
        double price = 0.0;
        for (int i = 0; i < r.rowCount(); ++i) {
            if (!calls.contains(r.text(i, 0)))
                calls.append(r.text(i, 0));
            price += r.number(i, 1);
        }
        rows.append({locationName(loc), QString::number(calls.size()), QString::number(r.rowCount()), billMoney(price),
                     QString()});
    }
    table_.reset({QStringLiteral("分配地"), QStringLiteral("种数"), QStringLiteral("册数"), QStringLiteral("价格"),
                  QStringLiteral("说明")},
                 rows, {1, 2, 3});
    return 0;
}

int HandoverBill::showTitles(const QString &batch, const QString &location)
{
    const bool all = location.isEmpty();
    QString sql = QStringLiteral(" SELECT indi_acct.call_no,        indi_acct.marc_rec_no,        indi_acct.price,") +
                  (all ? QStringLiteral("        indi_acct.dis_location,") : QString()) +
                  QStringLiteral("        marc.m_title,        marc.m_author,        marc.m_publisher "
                                 "   FROM indi_acct,marc   WHERE indi_acct.move_batch=") +
                  sqlQuote(batch) + QStringLiteral("    AND indi_acct.marc_rec_no=marc.marc_rec_no ");
    sql += all ? QStringLiteral(" ORDER BY indi_acct.call_no,indi_acct.dis_location ")
               : QStringLiteral(" AND indi_acct.dis_location=") + sqlQuote(location) +
                     QStringLiteral(" ORDER BY indi_acct.call_no ");
    QueryResult r;
    if (context_.db().query(sql, r) < 0)
        return -1;
    // The accession numbers of the batch at once, rather than a query per
    // title: by record, in ascending order, each with its location.
    QString props =
        QStringLiteral("SELECT prop_no,dis_location,marc_rec_no FROM indi_acct WHERE move_batch=") + sqlQuote(batch);
    if (!all)
        props += QStringLiteral(" AND dis_location=") + sqlQuote(location);
    props += QStringLiteral(" ORDER BY prop_no ");
    QueryResult p;
    if (context_.db().query(props, p) < 0)
        return -1;
    QHash<QString, QMap<QString, QStringList>> numbers; // record -> location -> numbers
    QHash<QString, QStringList> locationOrder;
    for (int i = 0; i < p.rowCount(); ++i) {
        const QString rec = p.text(i, 2);
        const QString loc = p.text(i, 1);
        if (!numbers[rec].contains(loc))
            locationOrder[rec].append(loc);
        numbers[rec][loc].append(p.text(i, 0));
    }
    const auto intervals = [&](const QString &rec) {
        QStringList parts;
        QStringList locs = locationOrder.value(rec);
        locs.sort();
        for (const QString &loc : locs) {
            const QString runs = propNoIntervals(numbers[rec][loc]);
            parts.append(all ? locationName(loc) + QStringLiteral(": ") + runs : runs);
        }
        return parts.join(QStringLiteral(" ; "));
    };
    const int c = all ? 1 : 0;
    QList<QStringList> rows;
    QHash<QString, int> rowOf;
    QList<double> prices;
    for (int i = 0; i < r.rowCount(); ++i) {
        const QString rec = r.text(i, 1);
        const QString loc = all ? r.text(i, 3) : location;
        const QString key = rec + QChar(0x1f) + loc;
        auto found = rowOf.constFind(key);
        if (found == rowOf.cend()) {
            QStringList row{r.text(i, 0),     r.text(i, 3 + c),    r.text(i, 4 + c),
                            r.text(i, 5 + c), QStringLiteral("0"), QString()};
            if (all)
                row.append(locationName(loc));
            row.append(QString());
            row.append(intervals(rec));
            found = rowOf.insert(key, static_cast<int>(rows.size()));
            rows.append(row);
            prices.append(0.0);
        }
        QStringList &row = rows[*found];
        row[4] = QString::number(row[4].toInt() + 1);
        prices[*found] += r.number(i, 2);
        row[5] = billMoney(prices[*found]);
    }
    QStringList headings{QStringLiteral("索书号"), QStringLiteral("题名"), QStringLiteral("责任者"),
                         QStringLiteral("出版社"), QStringLiteral("册数"), QStringLiteral("价格")};
    if (all)
        headings.append(QStringLiteral("分配地"));
    headings.append({QStringLiteral("说明"), QStringLiteral("财产号区间")});
    table_.reset(headings, rows, {4, 5});
    return 0;
}

int HandoverBill::showCopies(const QString &batch, const QString &location)
{
    const bool all = location.isEmpty();
    QString sql = QStringLiteral(" SELECT indi_acct.prop_no,        indi_acct.marc_rec_no,        indi_acct.price,"
                                 "        indi_acct.remark,") +
                  (all ? QStringLiteral("        indi_acct.dis_location,") : QString()) +
                  QStringLiteral("        indi_acct.call_no,        marc.m_title,        marc.m_author,"
                                 "        marc.m_publisher,        indi_acct.attachment,        indi_acct.bar_code "
                                 "   FROM indi_acct,marc   WHERE indi_acct.move_batch=") +
                  sqlQuote(batch) + QStringLiteral("    AND indi_acct.marc_rec_no=marc.marc_rec_no ");
    sql += all ? QStringLiteral(" ORDER BY indi_acct.call_no,indi_acct.dis_location,indi_acct.prop_no ")
               : QStringLiteral(" AND indi_acct.dis_location=") + sqlQuote(location) +
                     QStringLiteral(" ORDER BY indi_acct.call_no,indi_acct.prop_no ");
    QueryResult r;
    if (context_.db().query(sql, r) < 0)
        return -1;
    const int c = all ? 1 : 0;
    QList<QStringList> rows;
    for (int i = 0; i < r.rowCount(); ++i) {
        QStringList row{r.text(i, 4 + c),          r.text(i, 5 + c), r.text(i, 6 + c), r.text(i, 7 + c),
                        billMoney(r.number(i, 2)), r.text(i, 0),     r.text(i, 9 + c)};
        if (all)
            row.append(locationName(r.text(i, 4)));
        row.append({r.text(i, 3), r.text(i, 8 + c)});
        rows.append(row);
    }
    QStringList headings{QStringLiteral("索书号"), QStringLiteral("题名"), QStringLiteral("责任者"),
                         QStringLiteral("出版社"), QStringLiteral("价格"), QStringLiteral("财产号"),
                         QStringLiteral("条码号")};
    if (all)
        headings.append(QStringLiteral("分配地"));
    headings.append({QStringLiteral("说明"), QStringLiteral("附件")});
    table_.reset(headings, rows, {4});
    return 0;
}

int HandoverBill::loadTotals(const QString &batch, const QString &location)
{
    const QString where =
        QStringLiteral("  WHERE indi_acct.move_batch=") + sqlQuote(batch) +
        (location.isEmpty() ? QString() : QStringLiteral(" AND indi_acct.dis_location=") + sqlQuote(location));
    QueryResult t;
    if (context_.db().query(QStringLiteral(" SELECT count(distinct indi_acct.call_no)    FROM indi_acct ") + where, t) <
        0)
        return -1;
    titles_ = static_cast<int>(t.number(0, 0));
    QueryResult s;
    if (context_.db().query(QStringLiteral(" SELECT count(*),sum(indi_acct.price) FROM indi_acct ") + where, s) < 0)
        return -1;
    copies_ = static_cast<int>(s.number(0, 0));
    price_ = s.number(0, 1);
    return 0;
}

ListReport HandoverBill::report(const QString &date, const QString &maker) const
{
    ListReport r;
    r.title = QStringLiteral("交接单");
    r.headerLines.append(QStringLiteral("交接批次：") + batch_);
    if (!location_.isEmpty())
        r.headerLines.append(QStringLiteral("分配地：") + locationName(location_));
    for (int c = 0; c < table_.columnCount(); ++c)
        r.columns.append({table_.headings().at(c), 25.0, table_.isNumber(c) ? TextAlign::Right : TextAlign::Left});
    r.rows = table_.rows();
    r.footer = {{QStringLiteral("总种数："), QString::number(titles_)},
                {QStringLiteral("总册数："), QString::number(copies_)},
                {QStringLiteral("总价格："), billMoney(price_)},
                {QStringLiteral("制表日期："), date},
                {QStringLiteral("制表人："), maker},
                {QStringLiteral("交接日期："), date},
                {QStringLiteral("送交人：        "), QString()},
                {QStringLiteral("接收人：        "), QString()}};
    return r;
}

} // namespace kestra
