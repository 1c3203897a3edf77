#include "items/ReaderSearch.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "items/SearchConditions.h"

namespace kestra {

namespace {

// The typed key: trimmed, without control characters, and cut one past the
// width of its column, which still matches nothing longer than the column.
QString readerKey(const QString &value, int width)
{
    QString key;
    for (const QChar c : value) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            key.append(c);
    }
    key = key.trimmed();
    if (key.size() > width)
        key.truncate(width + 1);
    return key;
}

int keyWidth(ReaderSearch::Kind kind)
{
    return kind == ReaderSearch::Kind::Name ? 60 : 30; // reader.name; the ids and the card number
}

} // namespace

QString ReaderSearch::kindName(Kind kind)
{
    switch (kind) {
    case Kind::CertId:
        return QStringLiteral("证件号");
    case Kind::IdCard:
        return QStringLiteral("身份证号");
    case Kind::Name:
        return QStringLiteral("姓名");
    case Kind::CardNo:
        return QStringLiteral("读者证号");
    }
    return QString();
}

ReaderSearch::ReaderSearch(AppContext &context) : context_(context) {}

QString ReaderSearch::buildSql(Kind kind, const QString &value) const
{
    const QString key = readerKey(value, keyWidth(kind));
    if (key.isEmpty())
        return QString();
    // The flags are text columns: quoted, so that PostgreSQL compares them
    // (Oracle would convert a bare number).
    QString condition;
    switch (kind) {
    case Kind::CertId:
        condition = QStringLiteral("reader.cert_id=") + sqlQuote(key);
        break;
    case Kind::IdCard:
        condition =
            QStringLiteral("reader.id_card=") + sqlQuote(key) + QStringLiteral(" AND reader_cert.cert_flag<>'0'");
        break;
    case Kind::Name:
        condition = matchSql(QStringLiteral("reader.name"), MatchMode::Prefix, key, false) +
                    QStringLiteral(" AND reader.redr_flag='1' AND reader_cert.cert_flag<>'0'");
        break;
    case Kind::CardNo:
        condition = QStringLiteral("reader_cert.redr_cert_id=") + sqlQuote(key);
        break;
    }
    return QStringLiteral("SELECT reader_cert.redr_cert_id,reader.cert_id,reader.name,reader.id_card,reader.dept,"
                          "reader.occupation,reader_type.redr_type_name,lend_grd.remark,reader_cert.cert_flag"
                          " FROM reader,reader_cert,reader_type,lend_grd WHERE ") +
           condition +
           QStringLiteral(" AND reader.cert_id=reader_cert.cert_id AND reader.redr_type_code=reader_type.redr_type_code"
                          " AND reader.lend_grd=lend_grd.lend_grd ORDER BY reader.name,reader_cert.redr_cert_id");
}

ReaderSearch::Outcome ReaderSearch::search(Kind kind, const QString &value)
{
    readers_.clear();
    const QString sql = buildSql(kind, value);
    if (sql.isEmpty()) {
        context_.showMsg(QStringLiteral("EBM003"));
        return Outcome::NoValue;
    }
    Session &db = context_.db();
    QueryResult rows;
    if (kind == Kind::CertId) {
        // A cancelled reader is named as such rather than simply not found.
        const QString check = QStringLiteral(" SELECT reader.redr_flag ,reader.redr_del_day FROM reader"
                                             " WHERE reader.cert_id=") +
                              sqlQuote(readerKey(value, keyWidth(kind)));
        if (db.query(check, rows) < 0) {
            db.showDbError();
            return Outcome::Failed;
        }
        if (rows.rowCount() == 0) {
            context_.showMsg(QStringLiteral("ELT201"));
            return Outcome::NotFound;
        }
        if (rows.text(0, 0).trimmed() == QLatin1String("0")) {
            context_.showMsg(QStringLiteral("ELT202") + rows.text(0, 1));
            return Outcome::Deleted;
        }
    }
    context_.prompter().setBusy(true);
    const int status = db.query(sql, rows);
    context_.prompter().setBusy(false);
    if (status < 0) {
        db.showDbError();
        return Outcome::Failed;
    }
    if (rows.rowCount() == 0) {
        context_.showMsg(QStringLiteral("ELT201"));
        return Outcome::NotFound;
    }
    // A lapsed card (flag 0) is refused whichever key found it: by its own
    // card number, or by the reader's certificate id when it is the only
    // card the reader has; other lapsed cards of the reader are not listed.
    const bool byCard = kind == Kind::CardNo || kind == Kind::CertId;
    const auto lapsed = [&rows](int r) { return rows.text(r, 8).trimmed() == QLatin1String("0"); };
    bool anyValid = false;
    for (int r = 0; r < rows.rowCount() && !anyValid; ++r)
        anyValid = !lapsed(r);
    if (byCard && !anyValid) {
        context_.showMsg(QStringLiteral("ELT203"));
        return Outcome::CardInvalid;
    }
    readers_.reserve(rows.rowCount());
    for (int r = 0; r < rows.rowCount(); ++r) {
        if (byCard && lapsed(r))
            continue;
        readers_.append(FoundReader{rows.text(r, 0), rows.text(r, 1), rows.text(r, 2), rows.text(r, 3), rows.text(r, 4),
                                    rows.text(r, 5), rows.text(r, 6), rows.text(r, 7), rows.text(r, 8)});
    }
    return Outcome::Listed;
}

std::optional<QString> ReaderSearch::choose(int row) const
{
    if (row < 0 || row >= readers_.size())
        return std::nullopt;
    return readers_.at(row).cardNo;
}

} // namespace kestra
