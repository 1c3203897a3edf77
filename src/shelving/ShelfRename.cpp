#include "shelving/ShelfRename.h"

#include "copies/ItemWrite.h"
#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/Session.h"
#include "kit/MessageCollector.h"
#include "shelving/CompactWork.h"

namespace kestra {

namespace {

// Statements of a few hundred accession numbers each: a shelf of thousands
// of copies is renamed in a handful of round trips.
constexpr int RenameChunk = 400;

} // namespace

ShelfRename::ShelfRename(AppContext &context) : context_(context), rows_(shelf_list::columns(context), true) {}

int ShelfRename::search()
{
    if (oldShelf.isEmpty()) {
        context_.showMsg(QStringLiteral("E原排架号不能为空。"));
        return 0;
    }
    QList<ShelvedCopy> list;
    const int n = shelf_list::load(context_, QStringLiteral(" AND indi_acct.shelf_no=") + sqlQuote(oldShelf), list);
    if (n < 0)
        return -1;
    rows_.reset(std::move(list));
    searched_ = oldShelf;
    if (n == 0)
        context_.showMsg(QStringLiteral("I该排架号下没有任何书刊。"));
    return n;
}

int ShelfRename::modify()
{
    if (newShelf.trimmed().isEmpty()) {
        context_.showMsg(QStringLiteral("E新排架号不能为空。"));
        return 0;
    }
    if (rows_.isEmpty()) {
        context_.showMsg(QStringLiteral("I该排架号下没有任何书刊。"));
        return 0;
    }
    const QList<int> marked = rows_.markedRows();
    if (marked.isEmpty()) {
        context_.showMsg(QStringLiteral("E请选择需要修改排架号的书刊。"));
        return 0;
    }
    // Every ticked copy's location is tested before anything is written; one
    // the operator may not process refuses the whole rename (one message,
    // not one per location).
    bool allowed = true;
    {
        MessageCollector quiet(context_);
        for (int r : marked) {
            if (!context_.codes().checkLocationRight(rows_.at(r).row.disLocation)) {
                allowed = false;
                break;
            }
        }
    }
    if (!allowed) {
        context_.showMsg(QStringLiteral("E选择数据中包含不可处理馆藏地，无法操作。"));
        return 0;
    }
    ItemTransaction tx(context_);
    for (int from = 0; from < marked.size(); from += RenameChunk) {
        QStringList props;
        for (int i = from; i < marked.size() && i < from + RenameChunk; ++i) {
            props.append(sqlQuote(rows_.at(marked.at(i)).row.propNo));
            tx.touched(rows_.at(marked.at(i)).row.propNo);
        }
        if (tx.execute(QStringLiteral(" UPDATE indi_acct SET shelf_no=") + sqlQuote(newShelf) +
                       QStringLiteral(" WHERE shelf_no=") + sqlQuote(searched_) + QStringLiteral(" AND prop_no IN (") +
                       props.join(u',') + u')') < 0)
            return -1;
    }
    if (tx.commit() < 0)
        return -1;
    newShelfCount_ = compact::shelfCount(context_, newShelf);
    // The renamed copies leave the old shelf's list.
    QList<ShelvedCopy> kept;
    for (int r = 0; r < rows_.count(); ++r) {
        if (!marked.contains(r))
            kept.append(rows_.at(r));
    }
    rows_.reset(std::move(kept));
    context_.showMsg(QStringLiteral("I更改排架号完成。"));
    return static_cast<int>(marked.size());
}

} // namespace kestra
