// The titles of a virtual shelf: listing, the catalogue search, adding,
// ordering, removing and the recommendation text.

#include "shelving/VirtualShelf.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "items/SearchConditions.h"
#include "marc/BibParams.h"
#include "marc/MarcCodec.h"

namespace kestra {

int VirtualShelf::select(const QString &id)
{
    current_ = id;
    return loadTitles();
}

int VirtualShelf::loadTitles()
{
    if (current_.isEmpty()) {
        titles_.reset();
        return 0;
    }
    QueryResult r;
    if (context_.db().query(QStringLiteral(" SELECT m_title,m_author,m_publisher,m_pub_year,m_call_no,in_date,"
                                           "marc_rec_no,book_order,remark  FROM virtual_shelf_book  WHERE class_id=") +
                                sqlQuote(current_) + QStringLiteral(" ORDER BY book_order,marc_rec_no"),
                            r) < 0) {
        context_.db().showDbError();
        return -1;
    }
    QList<ShelfTitle> list;
    for (int i = 0; i < r.rowCount(); ++i) {
        list.append(ShelfTitle{r.text(i, 0), r.text(i, 1), r.text(i, 2), r.text(i, 3), r.text(i, 4), r.text(i, 5),
                               r.text(i, 6), static_cast<int>(r.number(i, 7)), r.text(i, 8)});
    }
    titles_.reset(std::move(list));
    return titles_.count();
}

int VirtualShelf::search(int type, const QString &text)
{
    const QList<SearchIndex> types = searchTypes();
    const SearchIndex *index = findIndex(types, type);
    if (index == nullptr || params_ == nullptr)
        return 0;
    const QString term = searchTerm(*index, text, *params_, MarcCodec(context_.codePage()));
    if (term.isEmpty()) {
        context_.showMsg(QStringLiteral("E请输入查询内容。"));
        return 0;
    }
    QString from;
    if (type == IndexBarcode || type == IndexPropNo) {
        from =
            QStringLiteral(" FROM marc,indi_acct WHERE ") +
            matchSql(type == IndexBarcode ? QStringLiteral("indi_acct.bar_code") : QStringLiteral("indi_acct.prop_no"),
                     MatchMode::Prefix, term, false) +
            QStringLiteral(" AND marc.marc_rec_no=indi_acct.marc_rec_no ");
    } else if (type == IndexCallNo) {
        from = QStringLiteral(" FROM marc,call_no_lst WHERE ") +
               matchSql(QStringLiteral("call_no_lst.call_no"), MatchMode::Prefix, term, false) +
               QStringLiteral(" AND marc.marc_rec_no=call_no_lst.marc_rec_no ");
    } else {
        from = QStringLiteral(" FROM marc,marc_idx WHERE marc_idx.marc_idx_grp=") +
               sqlQuote(QStringLiteral("%1").arg(type, 2, 10, QLatin1Char('0'))) + QStringLiteral(" AND ") +
               matchSql(QStringLiteral("marc_idx.marc_idx_cont"), MatchMode::Prefix, term, params_->unicodeMode) +
               QStringLiteral(" AND marc.marc_rec_no=marc_idx.marc_rec_no ");
    }
    QueryResult r;
    if (context_.db().query(QStringLiteral(" SELECT DISTINCT marc.m_title,marc.m_author,marc.m_publisher,"
                                           "marc.m_pub_year,marc.m_call_no,marc.doc_type_code,marc.marc_use_flag,"
                                           "marc.marc_rec_no ") +
                                from + QStringLiteral(" ORDER BY marc.marc_rec_no"),
                            r) < 0) {
        context_.db().showDbError();
        return -1;
    }
    QList<FoundTitle> list;
    for (int i = 0; i < r.rowCount(); ++i) {
        list.append(FoundTitle{r.text(i, 0), r.text(i, 1), r.text(i, 2), r.text(i, 3), r.text(i, 4), r.text(i, 5),
                               r.text(i, 6), r.text(i, 7)});
    }
    found_.reset(std::move(list));
    return found_.count();
}

int VirtualShelf::lockShelf(const QString &id)
{
    return context_.db().execute(QStringLiteral(" UPDATE virtual_shelf_class SET book_count=book_count "
                                                "WHERE class_id=") +
                                 sqlQuote(id));
}

int VirtualShelf::recount(const QString &id)
{
    return context_.db().execute(QStringLiteral(" UPDATE virtual_shelf_class SET  book_count=(SELECT count(*) FROM "
                                                "virtual_shelf_book WHERE class_id=") +
                                 sqlQuote(id) + QStringLiteral(") WHERE class_id=") + sqlQuote(id));
}

int VirtualShelf::addMarked()
{
    const QList<int> marked = found_.markedRows();
    if (current_.isEmpty() || marked.isEmpty())
        return 0;
    Session &db = context_.db();
    const bool legacy = current_ == virtual_shelf::Legacy;
    const QString shelfKey = sqlQuote(current_);
    int added = 0;
    Transaction tx(db);
    const auto failed = [&]() {
        tx.rollback();
        db.showDbError();
        return -1;
    };
    if (lockShelf(current_) < 0)
        return failed();
    const QString date = db.serverDate().left(10);
    for (int r : marked) {
        const FoundTitle &t = found_.at(r);
        QueryResult there;
        if (db.query(QStringLiteral(" SELECT marc_rec_no FROM virtual_shelf_book  WHERE marc_rec_no=") +
                         sqlQuote(t.marcRecNo) + QStringLiteral(" AND class_id=") + shelfKey,
                     there) < 0)
            return failed();
        if (there.rowCount() > 0)
            continue;
        QStringList values = {shelfKey,           sqlQuote(t.marcRecNo), sqlQuote(t.title),
                              sqlQuote(t.author), sqlQuote(t.publisher), sqlQuote(t.pubYear),
                              sqlQuote(t.callNo), sqlQuote(date)};
        QString columns = QStringLiteral("class_id,marc_rec_no,m_title,m_author,m_publisher,m_pub_year,m_call_no,"
                                         "in_date");
        if (!legacy) {
            // Appended after the titles there now, read under the shelf's lock.
            QueryResult last;
            if (db.query(QStringLiteral(" SELECT max(book_order) FROM virtual_shelf_book WHERE class_id=") + shelfKey,
                         last) < 0)
                return failed();
            columns += QStringLiteral(",book_order");
            values.append(QString::number(static_cast<int>(last.number(0, 0)) + 1));
        }
        if (db.execute(QStringLiteral(" INSERT INTO virtual_shelf_book(") + columns + QStringLiteral(") VALUES( ") +
                       values.join(u',') + u')') < 0 ||
            logOperation(context_, QStringLiteral("30025"), t.marcRecNo, QString(), QString(), current_) < 0)
            return failed();
        ++added;
    }
    if (recount(current_) < 0 || tx.commit() < 0)
        return failed();
    context_.showMsg(QStringLiteral("I书目增加完成。"));
    load();
    loadTitles();
    return added;
}

int VirtualShelf::moveTitle(int direction)
{
    const QList<int> marked = titles_.markedRows();
    if (marked.size() != 1) {
        context_.showMsg(QStringLiteral("E必须并且只能选择一条数据进行顺序调整。"));
        return 0;
    }
    if (current_ == virtual_shelf::Legacy) {
        context_.showMsg(QStringLiteral("E该书架为升级前所建旧书架，不可在本书架下进行顺序调整。"));
        return 0;
    }
    const int row = marked.first();
    const int other = row + direction;
    if (other < 0 || other >= titles_.count())
        return 0;
    const ShelfTitle a = titles_.at(row);
    const ShelfTitle b = titles_.at(other);
    Session &db = context_.db();
    Transaction tx(db);
    const auto setOrder = [&](const ShelfTitle &t, int order) {
        return db.execute(QStringLiteral(" UPDATE virtual_shelf_book  SET book_order=") + QString::number(order) +
                          QStringLiteral(" WHERE class_id=") + sqlQuote(current_) +
                          QStringLiteral(" AND marc_rec_no=") + sqlQuote(t.marcRecNo));
    };
    if (setOrder(a, b.order) < 0 || setOrder(b, a.order) < 0 || tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    if (loadTitles() < 0)
        return -1;
    for (int i = 0; i < titles_.count(); ++i)
        titles_.setMarked(i, titles_.at(i).marcRecNo == a.marcRecNo);
    return 1;
}

int VirtualShelf::removeMarked()
{
    const QList<int> marked = titles_.markedRows();
    if (current_.isEmpty() || marked.isEmpty())
        return 0;
    if (context_.showMsg(QStringLiteral("Q是否确认移除选择的书目？")) != AnswerOk)
        return 0;
    Session &db = context_.db();
    const QString shelfKey = sqlQuote(current_);
    int removed = 0;
    for (int r : marked) {
        const QString no = titles_.at(r).marcRecNo;
        Transaction tx(db);
        QueryResult place;
        // Its place as it stands now, read under the shelf's lock.
        if (lockShelf(current_) < 0 ||
            db.query(QStringLiteral(" SELECT book_order FROM virtual_shelf_book WHERE class_id=") + shelfKey +
                         QStringLiteral(" AND marc_rec_no=") + sqlQuote(no),
                     place) < 0 ||
            db.execute(QStringLiteral(" DELETE FROM virtual_shelf_book  WHERE class_id=") + shelfKey +
                       QStringLiteral(" AND marc_rec_no=") + sqlQuote(no)) < 0 ||
            (current_ != virtual_shelf::Legacy && place.rowCount() > 0 && !place.value(0, 0).isNull() &&
             db.execute(QStringLiteral(" UPDATE virtual_shelf_book  SET book_order=book_order-1 WHERE class_id=") +
                        shelfKey + QStringLiteral(" AND book_order>") +
                        QString::number(static_cast<int>(place.number(0, 0)))) < 0) ||
            recount(current_) < 0 ||
            logOperation(context_, QStringLiteral("30026"), no, QString(), QString(), current_) < 0 ||
            tx.commit() < 0) {
            tx.rollback();
            db.showDbError();
            load();
            loadTitles();
            return -1;
        }
        ++removed;
    }
    load();
    loadTitles();
    return removed;
}

int VirtualShelf::editRemark(int row)
{
    if (row < 0 || row >= titles_.count())
        return 0;
    const ShelfTitle t = titles_.at(row);
    const std::optional<QString> text = context_.prompter().inputText(
        QStringLiteral("添加说明"), QStringLiteral("请输入图书介绍以及推荐原因。"), t.remark);
    if (!text)
        return 0;
    Session &db = context_.db();
    Transaction tx(db);
    if (db.execute(QStringLiteral(" UPDATE virtual_shelf_book SET remark=") + sqlQuote(*text) +
                   QStringLiteral(" WHERE class_id=") + sqlQuote(current_) + QStringLiteral(" AND marc_rec_no=") +
                   sqlQuote(t.marcRecNo)) < 0 ||
        tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    ShelfTitle changed = t;
    changed.remark = *text;
    titles_.replace(row, std::move(changed));
    return 1;
}

} // namespace kestra
