#include "items/BookState.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "items/ItemWrite.h"

#include <QFile>
#include <QRegularExpression>
#include <array>

namespace kestra {

namespace book_state {

const QList<CodeName> &targetStatuses()
{
    static const QList<CodeName> list = {
        {QStringLiteral("41"), QStringLiteral("可借")},     {QStringLiteral("42"), QStringLiteral("非可借")},
        {QStringLiteral("38"), QStringLiteral("丢失")},     {QStringLiteral("3C"), QStringLiteral("停借")},
        {QStringLiteral("3B"), QStringLiteral("声明丢失")}, {QStringLiteral("43"), QStringLiteral("阅览")},
        {QStringLiteral("44"), QStringLiteral("业务用书")}, {QStringLiteral("45"), QStringLiteral("保留本")},
        {QStringLiteral("46"), QStringLiteral("分馆藏书")}, {QStringLiteral("33"), QStringLiteral("书刊修补")},
        {QString(Unchanged), QStringLiteral("不变")},
    };
    return list;
}

QList<CodeName> sourceStatuses()
{
    QList<CodeName> list;
    for (const CodeName &entry : targetStatuses()) {
        if (entry.code != QLatin1String("33") && entry.code != Unchanged)
            list.append(entry);
    }
    return list;
}

} // namespace book_state

namespace {

constexpr int MaxRefusalsShown = 20;

} // namespace

BookState::BookState(AppContext &context, const BarcodeSettings &barcode) : context_(context), entry_(context, barcode)
{
    // The status change may touch copies of any location: it is a
    // supervisor's command of its own right.
    entry_.setCheckRights(false);
    location_ = context.session().currentLocation;
}

QString BookState::plainText(const QString &message) const
{
    // The text a box would show, without playing the message's sound.
    const QueryResult &table = context_.messages().table();
    const int row = table.findRow(0, message.left(6));
    if (row < 0)
        return message.mid(1);
    QString text = table.text(row, 1);
    return replaceFirstCaseInsensitive(text, QStringLiteral("%S"), message.mid(6));
}

BookState::Outcome BookState::refuse(const QString &message, bool quiet)
{
    lastRefusal_ = plainText(message);
    if (!quiet)
        context_.showMsg(message);
    return Outcome::Refused;
}

BookState::Outcome BookState::enter(const QString &text)
{
    if (mode_ != Mode::Single)
        return Outcome::Empty;
    const Entry e = entry_.enter(text);
    if (e.status == Entry::Status::Empty)
        return Outcome::Empty;
    if (e.status == Entry::Status::Failed)
        return Outcome::Failed;
    if (!e.found())
        return Outcome::Refused;
    return change(e.row, false);
}

BookState::Outcome BookState::changeCode(const QString &code, InputType type)
{
    const Entry e = entry_.lookup(code, type);
    if (e.status == Entry::Status::Failed)
        return Outcome::Failed;
    if (!e.found())
        return e.status == Entry::Status::Empty ? Outcome::Empty : Outcome::Refused;
    return change(e.row, false);
}

BookState::Outcome BookState::searchAndChange(const CopyPicker &search)
{
    if (!search || mode_ != Mode::Single)
        return Outcome::Empty;
    const std::optional<QString> propNo = search(QStringLiteral("All"));
    if (!propNo || propNo->isEmpty())
        return Outcome::Empty;
    return changeCode(*propNo, InputType::Accession);
}

BookState::Outcome BookState::change(const ItemRow &row, bool quiet)
{
    Session &db = context_.db();
    const QString &prop = row.propNo;
    if (item_status::beforeCollection(row.status, false))
        return refuse(QStringLiteral("EDC024"), quiet);

    CirculationRow circ;
    if (readCirculation(db, prop, circ) < 0) {
        db.showDbError();
        return Outcome::Failed;
    }
    if (row.status == QLatin1String("39")) {
        // A reader who still owes the replacement keeps the copy in 39.
        QueryResult claim;
        const QString sql = QStringLiteral(" SELECT reader.cert_id "
                                           " FROM   reader,lost_recoup_lst "
                                           " WHERE  reader.cert_id=lost_recoup_lst.cert_id "
                                           " AND    lost_recoup_lst.recoup_type='2' "
                                           " AND    reader.redr_flag<>'0' "
                                           " AND    lost_recoup_lst.prop_no=") +
                            sqlQuote(prop);
        if (db.query(sql, claim) < 0) {
            db.showDbError();
            return Outcome::Failed;
        }
        if (claim.rowCount() > 0)
            return refuse(QStringLiteral("EDC005"), quiet);
    }

    // "不变" keeps the status the copy has.
    const QString target = newStatus_ == book_state::Unchanged ? row.status : newStatus_;
    ItemTransaction tx(context_);
    QString lendFlag = circ.lendFlag;
    if (lendFlag.trimmed() == QLatin1String("2") && target != QLatin1String("41")) {
        QueryResult arrived;
        const QString sql = QStringLiteral(" SELECT preg_arri_lst.NOTI_SEND_DATE "
                                           " FROM   preg_arri_lst "
                                           " WHERE  preg_arri_lst.prop_no =  ") +
                            sqlQuote(prop) + QStringLiteral(" AND  preg_arri_lst.location_f = ") +
                            sqlQuote(row.disLocation);
        if (db.query(sql, arrived) < 0) {
            tx.fail();
            return Outcome::Failed;
        }
        if (arrived.rowCount() > 0) {
            const bool notified = !arrived.text(0, 0).trimmed().isEmpty();
            if (!tx.confirm(QStringLiteral("QDC001") + (notified ? QStringLiteral("已") : QStringLiteral("未"))))
                return Outcome::Cancelled;
            if (tx.dropArrivedReservation(prop) < 0)
                return Outcome::Failed;
            lendFlag = QStringLiteral("0");
        }
    }

    // A weeded, given or exchanged copy taken back leaves that record.
    static const QList<std::array<QLatin1String, 3>> outOfCollection = {
        {QLatin1String("35"), QLatin1String("QDC002"), deal_type::Weeding},
        {QLatin1String("37"), QLatin1String("QDC006"), deal_type::Exchange},
        {QLatin1String("36"), QLatin1String("QDC005"), deal_type::Gift},
    };
    for (const auto &[status, question, type] : outOfCollection) {
        if (row.status != status)
            continue;
        if (!tx.confirm(QString(question)))
            return Outcome::Cancelled;
        if (removeProcessingRow(tx, QStringLiteral(" WHERE deal_log.deal_type_code = ") + sqlQuote(QString(type)) +
                                        QStringLiteral(" AND deal_log.prop_no = ") + sqlQuote(prop)) < 0)
            return Outcome::Failed;
    }
    if (row.status == QLatin1String("33")) {
        QueryResult repair;
        const QString sql =
            QStringLiteral("SELECT location,deal_batch_no,deal_type_code,prop_no,source_state FROM deal_log "
                           "WHERE prop_no=") +
            sqlQuote(prop) + QStringLiteral(" AND deal_type_code IN ('01','02') AND location=") +
            sqlQuote(row.disLocation) + QStringLiteral(" ORDER BY deal_no DESC");
        if (db.query(sql, repair) < 0) {
            tx.fail();
            return Outcome::Failed;
        }
        if (repair.rowCount() > 0) {
            if (!tx.confirm(QStringLiteral("QDC007")))
                return Outcome::Cancelled;
            if (tx.deleteDealLog(repair.text(0, 0), repair.text(0, 1), repair.text(0, 2), repair.text(0, 3)) < 0)
                return Outcome::Failed;
        }
    }

    QString date;
    if (tx.serverDate(date) < 0)
        return Outcome::Failed;
    const QString &op = context_.session().operatorNo;
    const QString flag = opac_ ? QStringLiteral("1") : QStringLiteral("0");
    CopyChange c;
    c.propNo = prop;
    c.status = target;
    c.date = date;
    c.operatorNo = op;
    c.lendFlag = lendFlag;
    c.itemOperator = op;
    if (tx.updateCopy(c) < 0)
        return Outcome::Failed;
    if (tx.execute(QStringLiteral(" update indi_acct set INDI_OPAC_FLAG = ") + sqlQuote(flag) +
                   QStringLiteral(" where prop_no = ") + sqlQuote(prop)) < 0)
        return Outcome::Failed;
    WriteTail tail;
    tail.lendableRecord = row.marcRecNo;
    tail.jobCode = QStringLiteral("310");
    tail.logCode = QStringLiteral("30019");
    tail.marcRecNo = row.marcRecNo;
    tail.propNo = prop;
    tail.data1 = item_status::name(row.status);
    tail.data2 = item_status::name(target);
    if (tx.finish(tail) < 0)
        return Outcome::Failed;
    rows_.append(ChangedCopy{row, target, flag, false});
    return Outcome::Changed;
}

int BookState::removeProcessingRow(ItemTransaction &tx, const QString &condition)
{
    QueryResult found;
    const QString sql = QStringLiteral(" SELECT deal_log.location ,deal_log.deal_batch_no ,deal_log.deal_type_code ,"
                                       "deal_log.prop_no  FROM deal_log ") +
                        condition + QStringLiteral(" ORDER BY deal_log.deal_no DESC");
    if (tx.db().query(sql, found) < 0)
        return tx.fail();
    if (found.rowCount() == 0)
        return 0;
    return tx.deleteDealLog(found.text(0, 0), found.text(0, 1), found.text(0, 2), found.text(0, 3));
}

QStringList BookState::importLines(const QString &text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    static const QRegularExpression fieldEnd(QStringLiteral("[\t,;]"));
    QStringList codes;
    for (const QString &line : text.split(lineBreak)) {
        // A list exported with more columns contributes its first one.
        const QString code = line.section(fieldEnd, 0, 0).trimmed();
        if (!code.isEmpty())
            codes.append(code);
    }
    return codes;
}

BookState::ImportResult BookState::importCodes()
{
    const QString path =
        context_.prompter().chooseOpenFile(QStringLiteral("导入文件"), context_.folders().folder(InstallFolders::Dat),
                                           QStringLiteral("文本文件 (*.txt);;所有文件 (*)"));
    if (path.isEmpty())
        return {};
    return importFile(path);
}

BookState::ImportResult BookState::importFile(const QString &path)
{
    ImportResult result;
    if (mode_ != Mode::Single)
        return result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        context_.showMsg(QStringLiteral("E无法打开文件：") + path);
        result.stopped = true;
        return result;
    }
    const QStringList codes = importLines(context_.codePage().decodeFile(file.readAll()));
    result.codes = static_cast<int>(codes.size());
    if (codes.isEmpty()) {
        context_.showMsg(QStringLiteral("I文件中没有可导入的号码。"));
        return result;
    }
    Prompter &prompter = context_.prompter();
    prompter.beginProgress(QStringLiteral("正在修改书刊状态……"), result.codes);
    for (int i = 0; i < result.codes; ++i) {
        if (!prompter.stepProgress(i)) {
            result.stopped = true;
            break;
        }
        const QString &raw = codes.at(i);
        // Refusals are gathered and reported once at the end, so that a long
        // file is not a long row of boxes; questions are still asked.
        const Entry e = entry_.enter(raw, true);
        Outcome outcome = Outcome::Refused;
        if (e.status == Entry::Status::Failed) {
            outcome = Outcome::Failed;
        } else if (e.found()) {
            outcome = change(e.row, true);
        } else {
            lastRefusal_ = plainText(e.message);
        }
        if (outcome == Outcome::Changed) {
            ++result.changed;
        } else if (outcome == Outcome::Failed) {
            result.refused.append(raw + QStringLiteral("：") + QStringLiteral("数据库操作失败"));
            result.stopped = true;
            break;
        } else if (outcome == Outcome::Cancelled) {
            result.refused.append(raw + QStringLiteral("：") + QStringLiteral("未确认"));
        } else {
            result.refused.append(raw + QStringLiteral("：") + lastRefusal_);
        }
    }
    prompter.stepProgress(result.codes);
    prompter.endProgress();

    QString summary = QStringLiteral("I导入%1个号码，修改%2册书刊状态。").arg(result.codes).arg(result.changed);
    if (!result.refused.isEmpty()) {
        summary += QStringLiteral("\n未修改%1个：").arg(result.refused.size());
        for (int i = 0; i < result.refused.size() && i < MaxRefusalsShown; ++i)
            summary += u'\n' + result.refused.at(i);
        if (result.refused.size() > MaxRefusalsShown)
            summary += QStringLiteral("\n……");
    }
    context_.showMsg(summary);
    return result;
}

BookState::UndoResult BookState::undoMarked()
{
    UndoResult result;
    Session &db = context_.db();
    for (int i = static_cast<int>(rows_.size()) - 1; i >= 0; --i) {
        const ChangedCopy copy = rows_.at(i);
        if (!copy.marked)
            continue;
        const QString &prop = copy.row.propNo;
        QueryResult now;
        if (db.query(QStringLiteral(" SELECT indi_acct.prop_no,  indi_acct.book_stat_code  FROM indi_acct "
                                    " WHERE indi_acct.prop_no =  ") +
                         sqlQuote(prop),
                     now) < 0) {
            db.showDbError();
            result.stopped = true;
            break;
        }
        if (now.rowCount() == 0) {
            context_.showMsg(QStringLiteral("EDC001"));
            result.stopped = true;
            break;
        }
        // Changed again since (by anyone): the old status no longer applies.
        if (now.text(0, 1) != copy.newStatus) {
            context_.showMsg(QStringLiteral("EDC009"));
            result.stopped = true;
            break;
        }
        ItemTransaction tx(context_);
        QString date;
        if (tx.serverDate(date) < 0) {
            result.stopped = true;
            break;
        }
        CopyChange c;
        c.propNo = prop;
        c.status = copy.row.status;
        c.date = date;
        c.itemOperator = context_.session().operatorNo;
        bool ok = tx.updateCopy(c) == 0;
        // The catalogue flag and the lendable count go back with the status.
        if (ok && copy.row.opacFlag != copy.newOpacFlag)
            ok = tx.execute(QStringLiteral(" update indi_acct set INDI_OPAC_FLAG = ") + sqlQuote(copy.row.opacFlag) +
                            QStringLiteral(" where prop_no = ") + sqlQuote(prop)) == 0;
        if (ok && !copy.row.marcRecNo.isEmpty())
            ok = tx.callProc(QStringLiteral("update_lendable_copies ") + sqlQuote(copy.row.marcRecNo)) == 0;
        if (!ok || tx.commit() < 0) {
            result.stopped = true;
            break;
        }
        rows_.removeAt(i);
        ++result.undone;
    }
    return result;
}

int BookState::changeByLocation()
{
    if (mode_ != Mode::ByLocation)
        return 0;
    if (location_.isEmpty()) {
        context_.showMsg(QStringLiteral("E请选择馆藏地。"));
        return 0;
    }
    if (item_status::name(sourceStatus_).isEmpty()) {
        context_.showMsg(QStringLiteral("E请选择原书刊状态。"));
        return 0;
    }
    if (context_.showMsg(QStringLiteral("Q按地修改书刊状态不可恢复，是否继续？")) != AnswerOk)
        return 0;
    Session &db = context_.db();
    const QString loc = sqlQuote(location_);
    const QString source = sqlQuote(sourceStatus_);
    QueryResult counted;
    if (db.query(QStringLiteral(" SELECT count(*) FROM indi_acct  WHERE indi_acct.dis_location=") + loc +
                     QStringLiteral(" AND book_stat_code=") + source,
                 counted) < 0) {
        db.showDbError();
        return -1;
    }
    const int count = static_cast<int>(counted.number(0, 0));
    if (count == 0) {
        context_.showMsg(QStringLiteral("I该馆藏地无可修改书刊状态书刊。"));
        return 0;
    }
    const bool unchanged = newStatus_ == book_state::Unchanged;
    const QString target = unchanged ? sourceStatus_ : newStatus_;
    const QString next = sqlQuote(target);
    const QString flag = sqlQuote(opac_ ? QStringLiteral("1") : QStringLiteral("0"));
    QStringList steps;
    if (!unchanged) {
        steps << QStringLiteral(" DELETE FROM preg_lst  WHERE location=") + loc +
                     QStringLiteral(" AND call_no IN  (SELECT call_no FROM indi_acct  WHERE dis_location=") + loc +
                     QStringLiteral(" AND book_stat_code=") + source + u')'
              << QStringLiteral(" DELETE FROM preg_arri_lst  WHERE prop_no IN  (SELECT prop_no FROM indi_acct "
                                " WHERE dis_location=") +
                     loc + QStringLiteral(" AND book_stat_code=") + source + u')'
              << QStringLiteral(" UPDATE item SET  book_lend_flag='0' WHERE location=") + loc +
                     QStringLiteral(" AND book_stat_code=") + source + QStringLiteral(" AND book_lend_flag='2'")
              << QStringLiteral(" UPDATE item SET  book_stat_code=") + next + QStringLiteral(" WHERE location=") + loc +
                     QStringLiteral(" AND book_stat_code=") + source;
    }
    // The lendable count of every title with a copy about to change,
    // counted as it will be once the copies have the new status. Counting
    // before the change confines the recount to those titles: afterwards
    // they could not be told from the titles that merely have other copies
    // of that status here (with 41 as the new status, every lendable title
    // of the location). Between two statuses other than 41 nothing changes.
    const bool lendable = sourceStatus_ == QLatin1String("41") || target == QLatin1String("41");
    if (!unchanged && lendable && target != sourceStatus_) {
        steps << QStringLiteral("update marc A set lendable_copies=  (select count(*) from indi_acct B "
                                "    where A.marc_rec_no = B.marc_rec_no  and (CASE WHEN B.dis_location=") +
                     loc + QStringLiteral(" AND B.book_stat_code=") + source + QStringLiteral(" THEN ") + next +
                     QStringLiteral(" ELSE B.book_stat_code END)='41')   where marc_rec_no in "
                                    "       (select marc_rec_no from indi_acct          where dis_location=") +
                     loc + QStringLiteral(" AND book_stat_code=") + source + u')';
    }
    // With "不变" only the catalogue flag changes: the reservations and the
    // circulation rows stay as they are.
    steps << QStringLiteral(" UPDATE indi_acct SET  book_stat_code=") + next + QStringLiteral(" ,indi_opac_flag=") +
                 flag + QStringLiteral(" WHERE dis_location=") + loc + QStringLiteral(" AND book_stat_code=") + source;

    Prompter &prompter = context_.prompter();
    prompter.beginProgress(QStringLiteral("正在按馆藏地修改书刊状态……"), static_cast<int>(steps.size()) + 1);
    ItemTransaction tx(context_);
    for (int i = 0; i < steps.size(); ++i) {
        if (!prompter.stepProgress(i)) {
            tx.cancel();
            prompter.endProgress();
            return 0;
        }
        if (tx.execute(steps.at(i)) < 0) {
            prompter.endProgress();
            return -1;
        }
    }
    prompter.stepProgress(static_cast<int>(steps.size()));
    WriteTail tail;
    tail.jobCode = QStringLiteral("310");
    tail.titles = count;
    tail.copies = count;
    tail.logCode = QStringLiteral("30020");
    tail.data1 = context_.codes().locationName(location_);
    tail.data2 = item_status::name(sourceStatus_);
    tail.data3 = item_status::name(target);
    const int status = tx.finish(tail);
    prompter.endProgress();
    if (status < 0)
        return -1;
    context_.showMsg(QStringLiteral("I%1本书刊修改书刊状态完成。").arg(count));
    return count;
}

void BookState::setMarked(int row, bool marked)
{
    if (row >= 0 && row < rows_.size())
        rows_[row].marked = marked;
}

void BookState::markAll()
{
    for (ChangedCopy &copy : rows_)
        copy.marked = true;
}

} // namespace kestra
