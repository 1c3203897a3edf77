#include "copies/ReaderNotices.h"

#include "core/Session.h"
#include "db/Backend.h"

#include <algorithm>
#include <array>

namespace kestra {

namespace {

struct RequestKind {
    const char *table;
    const char *typeCode;
};

constexpr std::array<RequestKind, 2> requestKinds{{{"recm_doc", "306"}, {"suggest", "305"}}};

QString requestTable(const RequestKind &kind)
{
    return QLatin1String(kind.table);
}

// The requests of the scope's orders that still await their reply.
QString waitingRequests(const RequestKind &kind, const NoticeScope &scope)
{
    return QStringLiteral(" (%1.dc_reply_flag='0' OR %1.dc_reply_flag is null) "
                          " AND %1.asord_no IN (SELECT asord_no FROM indi_acct WHERE ")
               .arg(requestTable(kind)) +
           scope.orders + QStringLiteral(") ");
}

// FROM and WHERE of the mails: one per waiting request whose reader has an
// address, joined with the first copy of its order that the scope may name.
QString mailSource(const RequestKind &kind, const NoticeScope &scope)
{
    const QString named = scope.named.isEmpty() ? scope.orders : scope.named;
    return QStringLiteral(" FROM reader,%1,indi_acct,marc,location_lst  WHERE reader.cert_id=%1.cert_id "
                          " AND indi_acct.asord_no=%1.asord_no  AND indi_acct.marc_rec_no=marc.marc_rec_no "
                          " AND indi_acct.dis_location=location_lst.location  AND ")
               .arg(requestTable(kind)) +
           waitingRequests(kind, scope) +
           QStringLiteral(" AND indi_acct.prop_no=(SELECT MIN(first_copy.prop_no) FROM indi_acct first_copy "
                          "WHERE first_copy.asord_no=indi_acct.asord_no AND ") +
           named + QStringLiteral(") AND reader.email is not null  AND reader.email<>' '");
}

} // namespace

QStringList readerNoticeStatements(const NoticeScope &scope, const QString &today)
{
    QStringList out;
    for (const RequestKind &kind : requestKinds) {
        const QString table = requestTable(kind);
        out.append(QStringLiteral(" INSERT INTO mail_data(cert_id,name,email,type_code,get_date,server_date,m_title,"
                                  "m_author,marc_rec_no,m_call_no,loca_name,prop_no)  (SELECT reader.cert_id,"
                                  "reader.name,reader.email,") +
                   sqlQuote(QString::fromLatin1(kind.typeCode)) + u',' + sqlQuote(today) + u',' + sqlQuote(today) +
                   QStringLiteral(",%1.m_title,%1.m_author,marc.marc_rec_no, marc.m_call_no,"
                                  "location_lst.location_name,indi_acct.prop_no ")
                       .arg(table) +
                   mailSource(kind, scope) + u')');
        out.append(QStringLiteral(" UPDATE %1 SET dc_reply_flag='1' WHERE ").arg(table) + waitingRequests(kind, scope));
    }
    return out;
}

int lockRequestedCopies(Session &db, const NoticeScope &scope)
{
    const QString copies =
        QStringLiteral(" WHERE asord_no IN (SELECT asord_no FROM indi_acct WHERE ") + scope.orders + u')';
    // The write leaves every column as it is, and the key alone (writing it
    // makes SQLite look for the copies in every table that refers to them).
    if (db.backend() != nullptr && db.backend()->kind() == BackendTarget::Kind::Sqlite)
        return db.execute(QStringLiteral(" UPDATE indi_acct SET resp_wkr=resp_wkr") + copies) < 0 ? -1 : 0;
    const int seconds = std::max(1, (db.lockTimeout() + 999) / 1000);
    QueryResult locked;
    return db.query(QStringLiteral(" SELECT prop_no FROM indi_acct") + copies +
                        QStringLiteral(" FOR UPDATE WAIT %1").arg(seconds),
                    locked) < 0
               ? -1
               : 0;
}

int countReaderNotices(Session &db, const NoticeScope &scope, NoticeCounts &counts)
{
    QStringList columns;
    for (const RequestKind &kind : requestKinds) {
        columns.append(QStringLiteral("(SELECT count(*) FROM %1 WHERE ").arg(requestTable(kind)) +
                       waitingRequests(kind, scope) + u')');
        columns.append(QStringLiteral("(SELECT count(*) ") + mailSource(kind, scope) + u')');
    }
    QueryResult r;
    if (db.query(QStringLiteral("SELECT ") + columns.join(u',') + QStringLiteral(" FROM dual"), r) < 0)
        return -1;
    counts.recommendations = static_cast<int>(r.number(0, 0));
    counts.recommendationMails = static_cast<int>(r.number(0, 1));
    counts.suggestions = static_cast<int>(r.number(0, 2));
    counts.suggestionMails = static_cast<int>(r.number(0, 3));
    return 0;
}

} // namespace kestra
