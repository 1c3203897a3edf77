#include "items/BookLost2.h"

#include "copies/ItemCodes.h"
#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "kit/CopyColumns.h"

namespace kestra {

namespace {

QList<Column<LoanCopy>> loanColumns(AppContext &context)
{
    QList<Column<LoanCopy>> list = columnsOf(copyColumns(context, lookupFields()), &LoanCopy::row);
    list.append({QStringLiteral("状态"), [](const LoanCopy &c) { return cell::status(c.row.status); }});
    list.append({QStringLiteral("流通状态"), [](const LoanCopy &c) { return lend_flag::name(c.lendFlag); }});
    return list;
}

QString q(const QString &text)
{
    return sqlQuote(text);
}

} // namespace

BookLost2::BookLost2(AppContext &context) : context_(context), rows_(loanColumns(context), false) {}

int BookLost2::readReader(const QString &cardNo)
{
    reader_ = LostReader();
    rows_.reset();
    declared_ = false;
    const QString card = cardNo.trimmed();
    if (card.isEmpty())
        return 0;
    Session &db = context_.db();
    QueryResult r;
    const QString sql =
        QStringLiteral(" SELECT reader.cert_id, reader.id_card, reader.name, reader.dept, reader.occupation, "
                       "reader.volt_flag, reader.debt_flag, lend_grd.remark, reader_type.redr_type_name, "
                       "reader_cert.redr_cert_id FROM reader, reader_cert, lend_grd, reader_type "
                       " WHERE reader_cert.redr_cert_id = ") +
        q(card) +
        QStringLiteral(" AND reader.cert_id = reader_cert.cert_id "
                       " AND reader.redr_type_code = reader_type.redr_type_code "
                       " AND reader.lend_grd = lend_grd.lend_grd ");
    if (db.query(sql, r) < 0) {
        db.showDbError();
        return -1;
    }
    if (r.rowCount() == 0) {
        context_.showMsg(QStringLiteral("ELT201"));
        return 0;
    }
    reader_ = LostReader{r.text(0, 0), r.text(0, 1), r.text(0, 2), r.text(0, 3), r.text(0, 4),
                         r.text(0, 5), r.text(0, 6), r.text(0, 7), r.text(0, 8), r.text(0, 9)};
    QList<LoanCopy> loans;
    if (readLoans(loans) < 0) {
        context_.db().showDbError();
        return -1;
    }
    rows_.reset(std::move(loans));
    return 1;
}

int BookLost2::readLoans(QList<LoanCopy> &loans)
{
    const QString sql =
        QStringLiteral(" SELECT item.prop_no, item.marc_rec_no, item.location, item.call_no, item.bar_code, "
                       "item.book_stat_code, item.book_lend_flag, item.rec_flag_upt_date, item.price, item.in_date, "
                       "item.attachment, marc.m_title, marc.m_author, marc.m_publisher "
                       " FROM item,lend_lst,marc  WHERE lend_lst.cert_id=") +
        q(reader_.certId) +
        QStringLiteral(" AND lend_lst.prop_no=item.prop_no  AND item.marc_rec_no=marc.marc_rec_no "
                       " ORDER BY item.prop_no ");
    QueryResult r;
    if (context_.db().querySummary(sql, r) < 0)
        return -1;
    QList<LoanCopy> &list = loans;
    list.clear();
    for (int i = 0; i < r.rowCount(); ++i) {
        LoanCopy c;
        c.row.propNo = r.text(i, 0);
        c.row.marcRecNo = r.text(i, 1);
        c.row.disLocation = r.text(i, 2);
        c.row.callNo = r.text(i, 3);
        c.row.barCode = r.text(i, 4);
        c.row.status = r.text(i, 5);
        c.lendFlag = r.text(i, 6);
        c.row.statusDate = r.text(i, 7);
        c.row.price = r.number(i, 8);
        c.row.inDate = r.text(i, 9);
        c.row.attachment = r.text(i, 10);
        c.row.title = r.text(i, 11);
        c.row.author = r.text(i, 12);
        c.row.publisher = r.text(i, 13);
        list.append(std::move(c));
    }
    return 0;
}

int BookLost2::declareLost()
{
    if (!hasReader())
        return 0;
    if (declared_) {
        // The reader's card is invalid by now: a second run would count the
        // work and log the declaration again.
        context_.showMsg(QStringLiteral("I该读者的借阅已经声明丢失，没有需要处理的内容。"));
        return 0;
    }
    if (context_.showMsg(QStringLiteral("QDC013")) != AnswerOk)
        return 0;
    ItemTransaction tx(context_);
    QString date;
    if (tx.serverDate(date) < 0)
        return -1;
    // The list on the screen was read when the card was entered; what the
    // reader has on loan now is what is declared lost.
    QList<LoanCopy> loans;
    if (readLoans(loans) < 0)
        return tx.fail();
    const QString op = context_.session().operatorNo;
    for (const LoanCopy &c : std::as_const(loans)) {
        CopyChange change;
        change.propNo = c.row.propNo;
        change.status = QStringLiteral("3B");
        change.date = date;
        change.itemOperator = op;
        if (tx.updateCopy(change) < 0)
            return -1;
        QueryResult title;
        if (tx.db().query(QStringLiteral("select marc_rec_no from indi_acct where prop_no=") + q(c.row.propNo), title) <
            0)
            return tx.fail();
        if (title.rowCount() > 0 && tx.callProc(QStringLiteral("update_lendable_copies ") + q(title.text(0, 0))) < 0)
            return -1;
    }
    // The card row passed back as it is, with its flag (7) "0" and the last
    // column NULL.
    QueryResult card;
    if (tx.db().query(QStringLiteral(" SELECT redr_cert_id, cert_id, cert_type, issue_date, valid_date, deposit, "
                                     "cert_flag, oper_date, resp_wkr, remark FROM reader_cert WHERE redr_cert_id=") +
                          q(reader_.cardNo),
                      card) < 0)
        return tx.fail();
    if (card.rowCount() == 0) {
        tx.cancel();
        context_.showMsg(QStringLiteral("ELT201"));
        return -1;
    }
    QStringList cardArgs;
    for (int col = 0; col < 10; ++col) {
        if (col == 6)
            cardArgs.append(QStringLiteral("'0'"));
        else if (col == 9 || card.value(0, col).isNull() || card.text(0, col).isEmpty())
            cardArgs.append(QStringLiteral("NULL"));
        else
            cardArgs.append(q(card.text(0, col)));
    }
    if (tx.callProc(QStringLiteral("LT_UPD_reader_cert ") + cardArgs.join(u',')) < 0)
        return -1;
    QStringList readerArgs(31, QStringLiteral("NULL"));
    readerArgs[0] = q(reader_.certId);
    readerArgs[24] = q(reason);
    readerArgs[26] = q(date);
    readerArgs[28] = QStringLiteral("'0'");
    if (tx.callProc(QStringLiteral("LT_UPD_reader_new ") + readerArgs.join(u',')) < 0)
        return -1;
    const double copies = static_cast<double>(loans.size());
    if (logWorkQty(context_, QStringLiteral("311"), 1, copies, 0) < 0 ||
        logOperation(context_, QStringLiteral("30021"), QString(), QString(), reader_.cardNo, reader_.name,
                     QString::number(loans.size()), reader_.certId) < 0)
        return tx.fail();
    if (tx.commit() < 0)
        return -1;
    for (LoanCopy &c : loans)
        c.row.status = QStringLiteral("3B");
    rows_.reset(std::move(loans));
    declared_ = true;
    return 1;
}

} // namespace kestra
