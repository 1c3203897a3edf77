#pragma once

#include <QString>
#include <QStringList>

namespace kestra {

class Session;

// Readers who asked for a title are told once that its copies came: one row
// of mail_data per recommendation (recm_doc, type "306") or suggestion
// (suggest, "305") still awaiting its reply, then the reply flag set, so that
// nothing that notices them later (the new-book save, the batch and scanned
// assignments, the handover batch window) queues the same request again.
//
// Which requests and which copy each notice names are two conditions over
// unqualified columns of indi_acct:
//   orders  the copies whose order numbers (asord_no) are answered;
//   named   among the copies of a request's order, those it may name: the
//           notice names the first of them by accession number, with its
//           title, call number and location (empty: the same as orders).
// Requests whose reader has no e-mail address (or no reader row) get no mail
// but are answered all the same.
struct NoticeScope {
    QString orders;
    QString named;
};

// The INSERT and UPDATE of recommendations, then of suggestions, in the order
// they run inside the caller's transaction. `today` is the server date of
// both mail dates.
QStringList readerNoticeStatements(const NoticeScope &scope, const QString &today);

// Locks every copy of the scope's orders until the transaction ends, as the
// other writers of those copies do before they notify (SQLite: the
// transaction becomes the writer), so that two of them never both find a
// request waiting. -1 on failure, a lock held past the session's lock
// timeout included (error record set).
int lockRequestedCopies(Session &db, const NoticeScope &scope);

// What those statements would do now: the requests awaiting a reply and the
// mails they would queue, recommendations first.
struct NoticeCounts {
    int recommendations = 0;
    int recommendationMails = 0;
    int suggestions = 0;
    int suggestionMails = 0;

    int requests() const { return recommendations + suggestions; }
    int mails() const { return recommendationMails + suggestionMails; }
    // Answered without a mail: no e-mail address.
    int unreachable() const { return requests() - mails(); }
};
// Read inside the transaction that then runs the statements, after the
// copies are locked, so that the counts are those of the writes. -1 on
// failure (error record set).
int countReaderNotices(Session &db, const NoticeScope &scope, NoticeCounts &counts);

} // namespace kestra
