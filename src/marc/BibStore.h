#pragma once

#include "core/InstallFolders.h"
#include "core/Session.h"
#include "marc/BibParams.h"
#include "marc/BibRecord.h"

#include <QStringList>

namespace kestra {

class QueryResult;

// The statements of ReadBibRecord, for the log and the tests.
QString bibSummarySql(const QString &marcRecNo);
QString bibDataSql(const QString &marcRecNo, bool unicodeMode);

// ReadBibRecord: the summary row of marc and the record text of marc_data
// in data_serial order, in the session's storage mode, parsed with byte
// positions in the codec (the workstation code page). Blank when the
// summary query fails or finds no row, when the data query fails, or when
// the text is blank; report (optional) tells what the parse found. A record
// whose chunk came back short and then does not fit together lost more
// than blanks: it is reported Damaged, never Repaired.
BibRecord readBibRecord(Session &session, const QString &marcRecNo, const MarcCodec &codec,
                        ParseReport *report = nullptr);

// The record text from the rows of bibDataSql: ANSI chunks (padded back to
// their stored length with blanks, because query results drop trailing
// whitespace), or the twelve dump pieces per row in Unicode mode. padded
// (optional) tells whether a chunk had to be padded: the padding is right
// only when what was dropped were blanks.
QString assembleBibText(const QueryResult &rows, bool unicodeMode, bool *padded = nullptr);

// The probes that follow a connection: the storage mode from the declared
// size of marc_data.marc03 and the index-content width from marc_idx_cont,
// set on the session and in params. A database without those tables keeps
// the defaults (ANSI, 30); the loads that follow say what is missing.
int probeBibStorage(Session &session, BibParams &params);

// The parameter tables: index groups of use types 0 and 1 for types "C"
// and "U", the title fields, the groups of the further use types, the stop
// words, marc_info_field, and MarcInfo.ini from the BaseParam folder. The
// storage mode comes from the session; the index width already in params
// (set by the probe after the connection) is kept. 0, or -1 after showing
// the database error (the caller decides what start-up does then).
int loadBibParams(Session &session, const InstallFolders &folders, const CodePage &codePage, BibParams &params);

// The most values one IN list of a statement holds.
inline constexpr int MaxInList = 1000;
// The statement of LoadSummaryRows: one IN list per 1,000 numbers.
QString summaryRowsSql(const QStringList &recordNumbers, bool fromOrders);
// LoadSummaryRows: the summary columns of the records, from marc or, for
// records on order, from asord_marc, read the way the session's storage
// mode needs. -1 after showing the database error.
int loadSummaryRows(Session &session, const QStringList &recordNumbers, bool fromOrders, QueryResult &rows);

} // namespace kestra
