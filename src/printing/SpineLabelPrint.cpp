#include "printing/SpineLabelPrint.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "marc/BibStore.h"
#include "marc/FieldReader.h"
#include "marc/MarcCodec.h"

#include <QSet>

namespace kestra {

const QString SpineLabelPrint::AllCataloguers = QStringLiteral("全部");

SpineLabelPrint::SpineLabelPrint(AppContext &context) : context_(context) {}

int SpineLabelPrint::loadParams()
{
    const QString problem = loadInstalledLabelParams(context_, params_);
    if (problem.isEmpty())
        return 0;
    context_.showMsg(u'E' + problem);
    return -1;
}

int SpineLabelPrint::setBatch(const QString &moveBatch)
{
    batch_ = moveBatch;
    cataloguers_ = {AllCataloguers};
    designations_.clear();
    QueryResult found;
    if (context_.db().query(QStringLiteral("SELECT COUNT(*) FROM transfer_doc WHERE move_batch=") + sqlQuote(moveBatch),
                            found) < 0) {
        context_.db().showDbError();
        return -1;
    }
    fromTransferDoc_ = found.number(0, 0) > 0;
    QueryResult rows;
    const QString sql = QStringLiteral("SELECT DISTINCT marc.cata_oper FROM marc,indi_acct ") +
                        QStringLiteral(" WHERE indi_acct.move_batch=") + sqlQuote(moveBatch) +
                        QStringLiteral("   AND marc.marc_rec_no=indi_acct.marc_rec_no ");
    if (context_.db().query(sql, rows) < 0) {
        context_.db().showDbError();
        return -1;
    }
    QStringList names;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString name = rows.text(r, 0).trimmed();
        if (!name.isEmpty())
            names.append(name);
    }
    names.sort();
    cataloguers_.append(names);
    return 0;
}

QString SpineLabelPrint::copiesSql(LabelOrder order) const
{
    const QString batch = sqlQuote(batch_);
    if (order == LabelOrder::CheckIn) {
        return QStringLiteral("SELECT DISTINCT call_no,year,vol_peri,"
                              "dis_location,prop_no,bar_code,marc_rec_no,check_time,shelf_no "
                              " FROM indi_acct  WHERE move_batch=") +
               batch + QStringLiteral(" and chk_batch_no is not null ORDER BY check_time,prop_no");
    }
    if (fromTransferDoc_) {
        return QStringLiteral(" SELECT DISTINCT indi_acct.call_no,indi_acct.year,indi_acct.vol_peri,"
                              "indi_acct.dis_location,indi_acct.prop_no,indi_acct.bar_code,indi_acct.marc_rec_no,"
                              "indi_acct.shelf_no  FROM indi_acct,transfer_doc  WHERE transfer_doc.move_batch=") +
               batch +
               QStringLiteral(" AND transfer_doc.marc_rec_no=indi_acct.marc_rec_no "
                              " AND transfer_doc.chk_batch_no=indi_acct.chk_batch_no "
                              " AND indi_acct.move_batch=") +
               batch +
               (order == LabelOrder::CallNo ? QStringLiteral(" ORDER BY indi_acct.call_no")
                                            : QStringLiteral(" ORDER BY indi_acct.prop_no"));
    }
    return QStringLiteral(" SELECT DISTINCT call_no,year,vol_peri,"
                          "dis_location,prop_no,bar_code,marc_rec_no,shelf_no  FROM indi_acct  WHERE move_batch=") +
           batch +
           (order == LabelOrder::CallNo ? QStringLiteral(" ORDER BY call_no") : QStringLiteral(" ORDER BY prop_no"));
}

QString SpineLabelPrint::materialDesignation(const QString &marcRecNo)
{
    const auto known = designations_.constFind(marcRecNo);
    if (known != designations_.cend())
        return *known;
    const MarcCodec codec(context_.codePage());
    const BibRecord record = readBibRecord(context_.db(), marcRecNo, codec);
    FieldReader reader(record);
    const QString gmd = reader.getFieldValue(u"200b");
    designations_.insert(marcRecNo, gmd);
    return gmd;
}

int SpineLabelPrint::chooseCopies(const LabelChoice &choice, QList<LabelCopy> &copies)
{
    copies.clear();
    QueryResult rows;
    if (context_.db().query(copiesSql(choice.order), rows) < 0) {
        context_.db().showDbError();
        return -1;
    }
    QSet<QString> records;
    const bool oneCataloguer = !choice.cataloguer.isEmpty() && choice.cataloguer != AllCataloguers;
    if (oneCataloguer) {
        QueryResult pairs;
        const QString sql = QStringLiteral(" SELECT marc.cata_oper,marc.marc_rec_no FROM marc,indi_acct ") +
                            QStringLiteral(" WHERE indi_acct.move_batch=") + sqlQuote(batch_) +
                            QStringLiteral("   AND marc.marc_rec_no=indi_acct.marc_rec_no ");
        if (context_.db().query(sql, pairs) < 0) {
            context_.db().showDbError();
            return -1;
        }
        for (int r = 0; r < pairs.rowCount(); ++r) {
            if (pairs.text(r, 0).trimmed() == choice.cataloguer)
                records.insert(pairs.text(r, 1));
        }
    }
    const int callNo = rows.columnIndex(QStringLiteral("call_no"));
    const int year = rows.columnIndex(QStringLiteral("year"));
    const int vol = rows.columnIndex(QStringLiteral("vol_peri"));
    const int loc = rows.columnIndex(QStringLiteral("dis_location"));
    const int prop = rows.columnIndex(QStringLiteral("prop_no"));
    const int bar = rows.columnIndex(QStringLiteral("bar_code"));
    const int rec = rows.columnIndex(QStringLiteral("marc_rec_no"));
    const auto inRange = [&choice](const QString &value) {
        return (choice.from.isEmpty() || value >= choice.from) && (choice.to.isEmpty() || value <= choice.to);
    };
    for (int r = 0; r < rows.rowCount(); ++r) {
        if (oneCataloguer && !records.contains(rows.text(r, rec)))
            continue;
        if (choice.range == LabelRange::PropNo && !inRange(rows.text(r, prop)))
            continue;
        if (choice.range == LabelRange::CallNo && !inRange(rows.text(r, callNo)))
            continue;
        LabelCopy copy;
        copy.callNo = rows.text(r, callNo);
        copy.year = rows.text(r, year);
        copy.volPeri = rows.text(r, vol);
        const QString code = rows.text(r, loc);
        copy.location = context_.locationName(code);
        if (copy.location.isEmpty())
            copy.location = code;
        copy.propNo = rows.text(r, prop);
        copy.barCode = rows.text(r, bar);
        if (params_.items[0].print == 1)
            copy.materialDesignation = materialDesignation(rows.text(r, rec));
        copies.append(copy);
    }
    if (copies.isEmpty()) {
        context_.showMsg(QStringLiteral("E该批次没有任何财产信息!"));
        return 0;
    }
    return static_cast<int>(copies.size());
}

int SpineLabelPrint::layout(const LabelChoice &choice, const DevicePaper &paper, LabelLayout &out)
{
    out = {};
    bool rowOk = false;
    bool colOk = false;
    LabelRun run;
    run.startRow = choice.startRow.trimmed().toInt(&rowOk);
    run.startCol = choice.startCol.trimmed().toInt(&colOk);
    if (!rowOk || !colOk) {
        context_.showMsg(QStringLiteral("E输入的值不正确"));
        return -1;
    }
    QString message;
    if (!checkStartPosition(params_, run.startRow, run.startCol, &message)) {
        context_.showMsg(u'E' + message);
        return -1;
    }
    QList<LabelCopy> copies;
    if (chooseCopies(choice, copies) <= 0)
        return -1;
    run.classBreaks = choice.classBreaks;
    run.separator = context_.params().text(20);
    out = layoutSpineLabels(params_, copies, run, paper);
    if (!out.error.isEmpty()) {
        context_.showMsg(u'E' + out.error);
        return -1;
    }
    logWorkQty(context_, QStringLiteral("210"), 0, out.labels, 0);
    return 1;
}

} // namespace kestra
