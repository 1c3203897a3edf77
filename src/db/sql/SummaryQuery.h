#pragma once

#include <QString>
#include <QStringList>

namespace kestra {

// DbQuerySummary's rewrite for Unicode storage mode: the words select,
// distinct and from are upper-cased; every item of the select list (between
// SELECT, or a DISTINCT right after it, and FROM) that names a summary
// column (M_CALL_NO, M_TITLE, M_AUTHOR, M_PUBLISHER, M_PUB_YEAR, M_ISBN,
// M_CLASSNO, M_HEADING, M_SEE, M_SEEALSO, M_INFO, in any case) or a column
// title ("题名", "责任者", "出版社", "出版年", "标准号") becomes
// " dump(" + item + ",16) "; the items are joined with "," and followed by
// " FROM " and the rest of the statement.
//
// Unlike a textual rewrite, literals are never touched, the list is split
// only at its own commas (not those inside a call), and an item's alias
// stays outside the dump: "m_title 题名" becomes " dump(m_title,16) 题名".
// Text without SELECT ... FROM comes back with the words upper-cased only.
//
// The dump renames the columns; *names, when given, receives per item of the
// select list the name its column had before (the alias, the name of a
// column reference without its table, or else the item's text), empty for
// items left alone, so that the reader can give the columns their names back.
QString rewriteSummaryQuery(const QString &sql, QStringList *names = nullptr);

} // namespace kestra
