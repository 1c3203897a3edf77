#pragma once

#include <QString>
#include <QStringList>

namespace kestra {

class AppContext;
class CodePage;
class Session;

// The accompanying material of a title (附件: a disc, maps, a key ...) is
// noted in the record alone, in subfield e of the physical description:
// 215 in the Chinese scheme, 300 in MARC 21. Several materials are kept in
// the one subfield joined by "|". The copies' own attachment column is the
// circulation desk's and is not touched here.

// "215e" for a record of type "C", "300e" for "U", empty for any other.
QString attachmentPath(const QString &marcType);

// The note as stored from what the operator typed: each material trimmed,
// empty ones dropped, joined by "|". Empty, with the reason in problem,
// when nothing is left (an emptied subfield would shut the title out of
// this key for good) or a material holds a control character (a line
// break or a record separator would corrupt the record).
QString attachmentNoteFrom(const QString &typed, QString &problem);

// The note of a record as it stands: 1 with the note, 0 refused (problem
// says why: no record data, a damaged record, a format without the field,
// no data in the subfield), -1 failed (the session's error record).
int readAttachmentNote(Session &db, const CodePage &codePage, const QString &marcRecNo, QString &note,
                       QString &problem);

// Writes the note into the record in one transaction: the record's marc
// row locked, the record read again and checked as readAttachmentNote does,
// the subfield replaced and only the record's marc_data rewritten. 1
// written, 0 refused (problem; nothing written), -1 failed (rolled back;
// the session's error record).
int writeAttachmentNote(Session &db, const CodePage &codePage, const QString &marcRecNo, const QString &note,
                        QString &problem);

// The key: reads and checks the note, shows it with the title's handover
// batches for editing, and writes it. 1 written, 0 refused, unchanged or
// cancelled (shown), -1 failed (shown).
int editAttachmentNote(AppContext &context, const QString &marcRecNo);

} // namespace kestra
