#include "marc/BibStore.h"

#include "core/IniFile.h"
#include "db/QueryResult.h"
#include "marc/MarcText.h"

namespace kestra {

namespace {

const char *const kSummaryColumns = "MARC_REC_NO,DOC_TYPE_CODE,MARC_TYPE,LANG_CODE,COUNTRY_CODE,"
                                    "M_CALL_NO,M_TITLE,M_AUTHOR,M_PUBLISHER,M_PUB_YEAR,M_ISBN,"
                                    "M_INFO1,M_INFO2,M_INFO3,M_INFO4,M_INFO5,M_INFO6,M_INFO7,M_INFO8,M_INFO9,M_INFO10,"
                                    "M_INFO11,M_INFO12,M_INFO13,M_INFO14,M_INFO15,M_INFO16,M_INFO17,M_INFO18,M_INFO19,"
                                    "M_INFO20,M_INFO21,M_INFO22 ";

// The summary members, each cut or padded to its width.
void fillSummary(BibSummary &s, const QueryResult &row)
{
    s.marcType = fixedWidth(row.text(0, 0), 1);
    s.docTypeCode = fixedWidth(row.text(0, 1), 2);
    s.langCode = fixedWidth(row.text(0, 2), 3);
    s.countryCode = fixedWidth(row.text(0, 3), 2);
    s.marcUseFlag = fixedWidth(row.text(0, 4), 1);
    s.cataOper = fixedWidth(row.text(0, 5), 4);
    s.cataDate = fixedWidth(row.text(0, 6), 10);
    s.createOper = fixedWidth(row.text(0, 7), 4);
    s.createDate = fixedWidth(row.text(0, 8), 10);
    s.opacFlag = fixedWidth(row.text(0, 9), 1);
    s.catalogLevel = fixedWidth(row.text(0, 10), 1);
}

int failLoad(Session &session)
{
    session.showDbError();
    return -1;
}

} // namespace

QString bibSummarySql(const QString &marcRecNo)
{
    return QStringLiteral(" SELECT marc_type, doc_type_code, lang_code, country_code, marc_use_flag, cata_oper, "
                          "cata_date ,create_oper,create_date,opac_flag,catalog_level ") +
           QStringLiteral(" FROM marc WHERE marc_rec_no=") + sqlQuote(marcRecNo);
}

QString bibDataSql(const QString &marcRecNo, bool unicodeMode)
{
    const QString where = QStringLiteral(" FROM marc_data WHERE marc_rec_no=") + sqlQuote(marcRecNo) +
                          QStringLiteral(" ORDER BY data_serial");
    if (!unicodeMode) {
        // The lengths give back the blanks that end a chunk: query results
        // are right-trimmed, and a record's blanks are data.
        return QStringLiteral("SELECT marc01,marc02,marc03,length(marc01),length(marc02),length(marc03)") + where;
    }
    QString sql = QStringLiteral("SELECT ");
    for (int c = 1; c <= 3; ++c) {
        const QString col = QStringLiteral("marc0%1").arg(c);
        sql += QStringLiteral("dump(substr(%1,1,500),16),dump(substr(%1,501,500),16),dump(substr(%1,1001,500),16),"
                              "dump(substr(%1,1501),16)")
                   .arg(col);
        if (c < 3)
            sql += QLatin1Char(',');
    }
    return sql + where;
}

QString assembleBibText(const QueryResult &rows, bool unicodeMode, bool *padded)
{
    if (padded)
        *padded = false;
    QString text;
    for (int r = 0; r < rows.rowCount(); ++r) {
        if (unicodeMode) {
            for (int c = 0; c < 12; ++c) {
                const QString cell = rows.text(r, c);
                if (cell.startsWith(QLatin1String("Typ=")))
                    text += decodeDump(cell);
                else if (cell != QLatin1String("NULL"))
                    text += cell;
            }
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            const QString chunk = rows.text(r, c);
            text += chunk;
            const int stored = int(rows.number(r, c + 3));
            if (stored > chunk.size()) {
                text += QString(stored - chunk.size(), QLatin1Char(' '));
                if (padded)
                    *padded = true;
            }
        }
    }
    return text;
}

BibRecord readBibRecord(Session &session, const QString &marcRecNo, const MarcCodec &codec, ParseReport *report)
{
    if (report)
        *report = ParseReport{ParseOutcome::Blank, {}};
    QueryResult summary;
    if (session.query(bibSummarySql(marcRecNo), summary) < 0 || summary.rowCount() == 0)
        return BibRecord(codec);
    QueryResult data;
    const bool unicodeMode = session.unicodeMode();
    if (session.query(bibDataSql(marcRecNo, unicodeMode), data) < 0)
        return BibRecord(codec);
    bool padded = false;
    ParseReport parsed;
    BibRecord record = BibRecord::fromText(assembleBibText(data, unicodeMode, &padded), codec, &parsed);
    // Blanks put back where other whitespace was dropped shift every later
    // position, which the parser would otherwise "repair" by recounting.
    if (padded && parsed.outcome == ParseOutcome::Repaired)
        parsed.add(ParseIssue::StoredTextLost);
    if (report)
        *report = parsed;
    if (record.isBlank())
        return record;
    fillSummary(record.summary, summary);
    record.summary.marcRecNo = marcRecNo;
    record.status = 0;
    return record;
}

int loadBibParams(Session &session, const InstallFolders &folders, const CodePage &codePage, BibParams &params)
{
    // The index width comes from the probe after the connection, which
    // runs before this load; the storage mode is the session's.
    const int indexWidth = params.indexWidth;
    params = BibParams();
    params.indexWidth = indexWidth;
    params.unicodeMode = session.unicodeMode();
    QueryResult rows;
    for (int type = 0; type < 2; ++type) {
        for (int use = 0; use < 2; ++use) {
            const QString sql = QStringLiteral(" SELECT marc_idx_grp,marc_idx_grp_name,stopword_flag,marc_field") +
                                QStringLiteral("   FROM marc_idx_para ") + QStringLiteral("  WHERE marc_type_id=") +
                                QString::number(type) + QStringLiteral("    AND use_type=") + QString::number(use) +
                                QStringLiteral("  ORDER BY marc_idx_grp");
            if (session.query(sql, rows) < 0)
                return failLoad(session);
            for (int r = 0; r < rows.rowCount(); ++r) {
                params.addIndexRow(
                    type, use,
                    IndexParaRow{rows.value(r, 0).toInt(), rows.text(r, 1), rows.value(r, 2).toInt(), rows.text(r, 3)});
            }
        }
        const QString titles = QStringLiteral(" SELECT marc_field") + QStringLiteral("   FROM title_field ") +
                               QStringLiteral("  WHERE marc_type_id=") + QString::number(type) +
                               QStringLiteral("  ORDER BY serial");
        if (session.query(titles, rows) < 0)
            return failLoad(session);
        for (int r = 0; r < rows.rowCount(); ++r)
            params.titleFields[std::size_t(type)].append(rows.text(r, 0));
    }

    QueryResult uses;
    if (session.query(QStringLiteral("SELECT DISTINCT use_type FROM marc_idx_para WHERE use_type>=2 ORDER BY use_type"),
                      uses) < 0)
        return failLoad(session);
    for (int u = 0; u < uses.rowCount(); ++u) {
        const int use = uses.value(u, 0).toInt();
        if (session.query(QStringLiteral("SELECT marc_idx_grp,marc_field FROM marc_idx_para WHERE use_type=") +
                              QString::number(use),
                          rows) < 0)
            return failLoad(session);
        for (int r = 0; r < rows.rowCount(); ++r)
            params.addGroupByUse(use, rows.value(r, 0).toInt(), rows.text(r, 1));
    }

    if (session.query(QStringLiteral(" SELECT stopword_cont,stopword_type ") + QStringLiteral("   FROM stopword") +
                          QStringLiteral("  ORDER BY stopword_type"),
                      rows) < 0)
        return failLoad(session);
    for (int r = 0; r < rows.rowCount(); ++r)
        params.addStopword(rows.value(r, 1).toInt(), rows.text(r, 0));

    if (session.query(QStringLiteral("select serial_no,name,cn_field,us_field,field_len from marc_info_field "
                                     "order by serial_no"),
                      rows) < 0)
        return failLoad(session);
    for (int r = 0; r < rows.rowCount(); ++r) {
        params.infoFields.append(InfoFieldRow{rows.value(r, 0).toInt(), rows.text(r, 1), rows.text(r, 2),
                                              rows.text(r, 3), rows.value(r, 4).toInt()});
    }

    if (session.query(QStringLiteral("SELECT sys_para_value FROM sys_comm_para WHERE sys_para_code='20'"), rows) < 0)
        return failLoad(session);
    params.callNoSeparator = callNoSeparatorOf(rows.rowCount() > 0 ? rows.text(0, 0) : QString());
    if (session.query(QStringLiteral("SELECT cls_id,marc_field FROM classifica_code WHERE code_use_flag='1' "
                                     "ORDER BY cls_id"),
                      rows) < 0)
        return failLoad(session);
    for (int r = 0; r < rows.rowCount(); ++r)
        params.classifications.append({rows.text(r, 0).trimmed(), rows.text(r, 1).trimmed()});

    const QString ini = folders.file(InstallFolders::BaseParam, QStringLiteral("MarcInfo.ini"));
    loadMarcInfo(IniFile::load(ini, codePage), params);
    addFieldNamesFromMarcInfo(params);
    return 0;
}

QString summaryRowsSql(const QStringList &recordNumbers, bool fromOrders)
{
    QString columns = QString::fromLatin1(kSummaryColumns);
    QString sql;
    QString key;
    if (fromOrders) {
        columns.replace(0, int(qstrlen("MARC_REC_NO")), QStringLiteral("ASORD_MARC_REC_NO"));
        key = QStringLiteral("asord_marc_rec_no");
        sql = QStringLiteral("SELECT /*+ INDEX(asord_marc) */  ") + columns + QStringLiteral(" FROM asord_marc WHERE ");
    } else {
        key = QStringLiteral("marc_rec_no");
        sql = QStringLiteral("SELECT /*+ INDEX(marc) */  ") + columns +
              QStringLiteral(",MARC_USE_FLAG,opac_flag FROM marc WHERE ");
    }
    // Oracle takes at most 1,000 values in one IN list (ORA-01795): longer
    // lists are joined by OR.
    QStringList lists;
    for (qsizetype at = 0; at < recordNumbers.size(); at += MaxInList) {
        QStringList quoted;
        for (const QString &n : recordNumbers.mid(at, MaxInList))
            quoted.append(sqlQuote(n));
        lists.append(key + QStringLiteral(" in (") + quoted.join(QLatin1Char(',')) + QLatin1Char(')'));
    }
    if (lists.size() > 1)
        return sql + QLatin1Char('(') + lists.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    return sql + lists.value(0);
}

int loadSummaryRows(Session &session, const QStringList &recordNumbers, bool fromOrders, QueryResult &rows)
{
    rows = QueryResult();
    if (recordNumbers.isEmpty())
        return 0;
    // In Unicode mode the summary columns are national characters, read
    // through dump() like every other summary read.
    if (session.querySummary(summaryRowsSql(recordNumbers, fromOrders), rows) < 0) {
        session.showDbError();
        return -1;
    }
    return 0;
}

int probeBibStorage(Session &session, BibParams &params)
{
    QueryResult data;
    if (session.query(QStringLiteral("select marc03 from marc_data where rownum=1"), data) < 0)
        return 0;
    params.unicodeMode = unicodeModeForSize(data.columnCount() > 0 ? data.column(0).size : -1);
    session.setUnicodeMode(params.unicodeMode);
    session.setDumpDecoder([](QStringView cell) { return decodeDump(cell); });
    QueryResult index;
    if (session.query(QStringLiteral("select marc_idx_cont from marc_idx where rownum=1"), index) < 0)
        return 0;
    params.indexWidth = indexWidthFor(params.unicodeMode, index.columnCount() > 0 ? index.column(0).size : -1);
    return 0;
}

} // namespace kestra
