#include "shelving/VirtualShelf.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "items/SearchConditions.h"

#include <QMap>

#include <algorithm>

namespace kestra {

namespace virtual_shelf {

int level(const QString &id)
{
    switch (id.size()) {
    case 3:
        return 1;
    case 6:
        return 2;
    case 10:
        return 3;
    default:
        return 0;
    }
}

QString parentOf(const QString &id)
{
    const int l = level(id);
    return l == 2 ? id.left(3) : l == 3 ? id.left(6) : QString();
}

QString keyOf(const QString &id)
{
    const int l = level(id);
    return l == 0 ? QStringLiteral("R") : QStringLiteral("R") + QString::number(l) + id;
}

QString idOfKey(const QString &key)
{
    return key.size() > 2 ? key.mid(2) : QString();
}

QString nextCode(AppContext &context, const QString &parentId, const QString &highest)
{
    const int parentLevel = level(parentId);
    if (parentLevel >= 3) {
        context.showMsg(QStringLiteral("E书架层级最多三层，不可在本书架下增加子书架。"));
        return {};
    }
    if (parentId == Legacy) {
        context.showMsg(QStringLiteral("E该书架为升级前所建旧书架，不可在本书架下增加子书架。"));
        return {};
    }
    const int digits = parentLevel == 2 ? 4 : 3;
    const int limit = parentLevel == 2 ? 9999 : 999;
    const int next = highest.isEmpty() ? 1 : highest.right(digits).toInt() + 1;
    if (next > limit) {
        context.showMsg(parentLevel == 2 ? QStringLiteral("E本层书架最多9999个，不可继续增加。")
                                         : QStringLiteral("E本层书架最多999个，不可继续增加。"));
        return {};
    }
    return parentId + QStringLiteral("%1").arg(next, digits, 10, QLatin1Char('0'));
}

} // namespace virtual_shelf

namespace {

QList<Column<ShelfTitle>> titleColumns()
{
    return {
        {QStringLiteral("题名"), [](const ShelfTitle &t) { return t.title; }},
        {QStringLiteral("责任者"), [](const ShelfTitle &t) { return t.author; }},
        {QStringLiteral("出版社"), [](const ShelfTitle &t) { return t.publisher; }},
        {QStringLiteral("出版年"), [](const ShelfTitle &t) { return t.pubYear; }},
        {QStringLiteral("索书号"), [](const ShelfTitle &t) { return t.callNo; }},
        {QStringLiteral("加入日期"), [](const ShelfTitle &t) { return t.inDate; }},
        {QStringLiteral("顺序"), [](const ShelfTitle &t) { return t.order > 0 ? QString::number(t.order) : QString(); },
         true},
        {QStringLiteral("推荐说明"), [](const ShelfTitle &t) { return t.remark; }},
    };
}

QList<Column<FoundTitle>> foundColumns()
{
    return {
        {QStringLiteral("题名"), [](const FoundTitle &t) { return t.title; }},
        {QStringLiteral("责任者"), [](const FoundTitle &t) { return t.author; }},
        {QStringLiteral("出版社"), [](const FoundTitle &t) { return t.publisher; }},
        {QStringLiteral("出版年"), [](const FoundTitle &t) { return t.pubYear; }},
        {QStringLiteral("索书号"), [](const FoundTitle &t) { return t.callNo; }},
        {QStringLiteral("记录号"), [](const FoundTitle &t) { return t.marcRecNo; }},
    };
}

// The siblings' condition of a shelf's level: level 1 alone, or the codes of
// the same length under the same parent.
QString siblingsOf(const QString &id)
{
    const QString parent = virtual_shelf::parentOf(id);
    QString sql = QStringLiteral(" WHERE user_type='0' AND length(class_id)=") + QString::number(id.size());
    if (!parent.isEmpty())
        sql += QStringLiteral(" AND class_id LIKE ") + sqlQuote(parent + u'%');
    return sql;
}

} // namespace

VirtualShelf::VirtualShelf(AppContext &context)
    : context_(context), titles_(titleColumns(), true), found_(foundColumns(), true)
{}

int VirtualShelf::load()
{
    QueryResult r;
    if (context_.db().query(QStringLiteral(" SELECT class_id,class_name,class_remark,book_count,in_date,user_id,"
                                           "class_order FROM virtual_shelf_class WHERE user_type='0' "
                                           "ORDER BY length(class_id),class_order "),
                            r) < 0) {
        context_.db().showDbError();
        return -1;
    }
    shelves_.clear();
    for (int i = 0; i < r.rowCount(); ++i) {
        shelves_.append(ShelfClass{r.text(i, 0), r.text(i, 1), r.text(i, 2), static_cast<int>(r.number(i, 3)),
                                   r.text(i, 4), r.text(i, 5), static_cast<int>(r.number(i, 6))});
    }
    // Built bottom up: a shelf's children are complete before it hangs
    // under its parent. A shelf whose parent is gone hangs under the root.
    QMap<QString, QList<TreeNode>> children;
    for (qsizetype i = shelves_.size() - 1; i >= 0; --i) {
        const ShelfClass &s = shelves_.at(i);
        TreeNode node{virtual_shelf::keyOf(s.id), s.name, virtual_shelf::level(s.id), children.take(s.id)};
        const QString parent = virtual_shelf::parentOf(s.id);
        const bool known = parent.isEmpty() || std::any_of(shelves_.cbegin(), shelves_.cend(),
                                                           [&](const ShelfClass &c) { return c.id == parent; });
        children[known ? parent : QString()].prepend(std::move(node));
    }
    tree_.reset({TreeNode{QStringLiteral("R"), QStringLiteral("公共书架"), 0, children.take(QString())}});
    return static_cast<int>(shelves_.size());
}

std::optional<ShelfClass> VirtualShelf::shelf(const QString &id) const
{
    for (const ShelfClass &s : shelves_) {
        if (s.id == id)
            return s;
    }
    return std::nullopt;
}

QString VirtualShelf::newCode(const QString &parentId)
{
    if (virtual_shelf::level(parentId) >= 3 || parentId == virtual_shelf::Legacy)
        return virtual_shelf::nextCode(context_, parentId, QString());
    const int length = parentId.isEmpty() ? 3 : parentId.size() == 3 ? 6 : 10;
    QString sql = QStringLiteral(" SELECT max(class_id) FROM virtual_shelf_class WHERE user_type='0' AND "
                                 "length(class_id)=") +
                  QString::number(length);
    if (!parentId.isEmpty())
        sql += QStringLiteral(" AND class_id LIKE ") + sqlQuote(parentId + u'%');
    QueryResult r;
    if (context_.db().query(sql, r) < 0) {
        context_.db().showDbError();
        return {};
    }
    return virtual_shelf::nextCode(context_, parentId, r.rowCount() > 0 ? r.text(0, 0) : QString());
}

int VirtualShelf::save(const ShelfClass &s, bool isNew)
{
    if (s.name.trimmed().isEmpty()) {
        context_.showMsg(QStringLiteral("E名称不能为空！"));
        return 0;
    }
    Session &db = context_.db();
    Transaction tx(db);
    if (!isNew) {
        if (db.execute(QStringLiteral(" UPDATE virtual_shelf_class SET  class_name=") + sqlQuote(s.name) +
                       QStringLiteral(", class_remark=") + sqlQuote(s.remark) + QStringLiteral(" WHERE class_id=") +
                       sqlQuote(s.id)) < 0 ||
            logOperation(context_, QStringLiteral("30023"), QString(), QString(), QString(), s.id, s.name) < 0 ||
            tx.commit() < 0) {
            tx.rollback();
            db.showDbError();
            return -1;
        }
        return load() < 0 ? -1 : 1;
    }
    QueryResult r;
    if (db.query(QStringLiteral(" SELECT class_id FROM virtual_shelf_class WHERE class_id=") + sqlQuote(s.id), r) < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    if (r.rowCount() > 0) {
        context_.showMsg(QStringLiteral("E代码已经存在！"));
        return 0;
    }
    // The place among the siblings is counted inside the transaction: it
    // appends after them.
    const QString date = db.serverDate().left(10);
    if (db.query(QStringLiteral(" SELECT count(*) FROM virtual_shelf_class") + siblingsOf(s.id), r) < 0 ||
        db.execute(QStringLiteral(" INSERT INTO virtual_shelf_class(class_id,class_name,class_remark,book_count,"
                                  "in_date,user_id,user_type,class_order) VALUES( ") +
                   QStringList{sqlQuote(s.id), sqlQuote(s.name), sqlQuote(s.remark), QStringLiteral("0"),
                               sqlQuote(date), sqlQuote(context_.session().operatorNo), QStringLiteral("'0'"),
                               QString::number(static_cast<int>(r.number(0, 0)) + 1)}
                       .join(u',') +
                   u')') < 0 ||
        logOperation(context_, QStringLiteral("30022"), QString(), QString(), QString(), s.id, s.name) < 0 ||
        tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    return load() < 0 ? -1 : 1;
}

int VirtualShelf::remove(const QString &id)
{
    const std::optional<ShelfClass> s = shelf(id);
    if (!s)
        return 0;
    Session &db = context_.db();
    QueryResult r;
    if (db.query(QStringLiteral(" SELECT class_id FROM virtual_shelf_class WHERE user_type='0' AND class_id LIKE ") +
                     sqlQuote(id + u'%'),
                 r) < 0) {
        db.showDbError();
        return -1;
    }
    if (r.rowCount() > 1) {
        context_.showMsg(QStringLiteral("E该书架下还有其他子书架，不能删除？"));
        return 0;
    }
    if (context_.showMsg(QStringLiteral("Q删除书架的同时将将把该书架下的书目全部移除，是否确认删除？")) != AnswerOk)
        return 0;
    Transaction tx(db);
    const QString key = sqlQuote(id);
    if (db.execute(QStringLiteral(" DELETE FROM virtual_shelf_book WHERE class_id=") + key) < 0 ||
        db.execute(QStringLiteral(" DELETE FROM virtual_shelf_class WHERE class_id=") + key) < 0 ||
        db.execute(QStringLiteral(" UPDATE virtual_shelf_class  SET class_order=class_order-1") + siblingsOf(id) +
                   QStringLiteral(" AND class_order>") + QString::number(s->order)) < 0 ||
        logOperation(context_, QStringLiteral("30024"), QString(), QString(), QString(), id, s->name) < 0 ||
        tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    if (current_ == id) {
        current_.clear();
        titles_.reset();
    }
    return load() < 0 ? -1 : 1;
}

int VirtualShelf::moveShelf(const QString &id, int direction)
{
    if (id == virtual_shelf::Legacy) {
        context_.showMsg(QStringLiteral("E该书架为升级前所建旧书架，不可对本书架进行顺序调整。"));
        return 0;
    }
    const std::optional<ShelfClass> s = shelf(id);
    if (!s)
        return 0;
    // The neighbour by place among the same parent's shelves; the old shelf
    // keeps its place at the head.
    std::optional<ShelfClass> other;
    for (const ShelfClass &c : shelves_) {
        if (c.id.size() == id.size() && virtual_shelf::parentOf(c.id) == virtual_shelf::parentOf(id) &&
            c.id != virtual_shelf::Legacy && c.order == s->order + direction)
            other = c;
    }
    if (!other)
        return 0;
    Session &db = context_.db();
    Transaction tx(db);
    if (db.execute(QStringLiteral(" UPDATE virtual_shelf_class  SET class_order=") + QString::number(other->order) +
                   QStringLiteral(" WHERE class_id=") + sqlQuote(id)) < 0 ||
        db.execute(QStringLiteral(" UPDATE virtual_shelf_class  SET class_order=") + QString::number(s->order) +
                   QStringLiteral(" WHERE class_id=") + sqlQuote(other->id)) < 0 ||
        tx.commit() < 0) {
        tx.rollback();
        db.showDbError();
        return -1;
    }
    return load() < 0 ? -1 : 1;
}

QList<SearchIndex> VirtualShelf::searchTypes()
{
    if (params_ == nullptr)
        params_ = runParams(context_);
    return params_ != nullptr ? searchIndexes(*params_, true) : QList<SearchIndex>{};
}

} // namespace kestra
