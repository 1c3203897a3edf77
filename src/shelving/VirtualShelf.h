#pragma once

#include "kit/RowModel.h"
#include "kit/TreeModel.h"

#include <QList>
#include <QString>
#include <optional>

namespace kestra {

class AppContext;
struct BibParams;
struct SearchIndex;

// One public virtual shelf (virtual_shelf_class).
struct ShelfClass {
    QString id;
    QString name;
    QString remark;
    int bookCount = 0;
    QString inDate;
    QString userId;
    int order = 0;
};

// A title on a shelf (virtual_shelf_book), in spdBook.
struct ShelfTitle {
    QString title;
    QString author;
    QString publisher;
    QString pubYear;
    QString callNo;
    QString inDate;
    QString marcRecNo;
    int order = 0;
    QString remark;
};

// A title the catalogue search found.
struct FoundTitle {
    QString title;
    QString author;
    QString publisher;
    QString pubYear;
    QString callNo;
    QString docType;
    QString useFlag;
    QString marcRecNo;
};

namespace virtual_shelf {

// The shelf carried over from before shelves had levels and order.
inline constexpr QLatin1String Legacy("000");
// 1, 2 or 3 by the length of the code (3, 6, 10); 0 for the root (empty).
int level(const QString &id);
// The parent's code, empty on level 1.
QString parentOf(const QString &id);
// The tree key: "R" for the root, "R1".."R3" followed by the code.
QString keyOf(const QString &id);
QString idOfKey(const QString &key);
// The next code under a parent (empty: level 1) after the highest one
// there; empty with the message when the level is full or none may be
// added there.
QString nextCode(AppContext &context, const QString &parentId, const QString &highest);

} // namespace virtual_shelf

// The virtual-shelf window (frmVirtualShelf) without its widgets: the tree
// trvClass, the titles of the chosen shelf (spdBook), the catalogue search
// (cboType, txtContent, spdSearch), and every write, each in one
// transaction.
class VirtualShelf {
public:
    explicit VirtualShelf(AppContext &context);

    // Reads the shelves and rebuilds the tree; -1 on failure.
    int load();
    TreeModel &tree() { return tree_; }
    const QList<ShelfClass> &shelves() const { return shelves_; }
    std::optional<ShelfClass> shelf(const QString &id) const;

    // The code a new shelf under the parent gets (empty: level 1); empty
    // with the message when refused. -1-free: a failed read shows itself.
    QString newCode(const QString &parentId);
    // frmVirtualShelfClass's OK: a new shelf or a changed one. 1 saved, 0
    // refused (message), -1 failed.
    int save(const ShelfClass &shelf, bool isNew);
    // cmdDelete: refused while it has sub-shelves, then the question.
    int remove(const QString &id);
    // cmdUpClass (-1) and cmdDownClass (+1).
    int moveShelf(const QString &id, int direction);

    // A shelf chosen in the tree: its titles; -1 on failure.
    int select(const QString &id);
    const QString &current() const { return current_; }
    RowModel<ShelfTitle> &titles() { return titles_; }

    // The search types (cboType): the index groups, then barcode,
    // accession number and call number.
    QList<SearchIndex> searchTypes();
    // cmdSearch: the titles whose keys of the type begin with the text.
    int search(int type, const QString &text);
    RowModel<FoundTitle> &found() { return found_; }

    // cmdAdd: the marked search results onto the current shelf, skipping
    // titles already there, then "书目增加完成。". The titles added, -1 on
    // failure.
    int addMarked();
    // cmdUpBook (-1) / cmdDownBook (+1): exactly one marked title.
    int moveTitle(int direction);
    // cmdRemove: the marked titles after the question, each in its own
    // transaction.
    int removeMarked();
    // cmdRemark: asks for the recommendation text of a title ("添加说明")
    // and stores it; 1 stored, 0 cancelled, -1 failed.
    int editRemark(int row);

private:
    int loadTitles();
    // Inside a write's transaction: locks the shelf's row, so that a second
    // operator's additions or removals on it wait for this one's commit and
    // then count and order what it left.
    int lockShelf(const QString &id);
    int recount(const QString &id);

    AppContext &context_;
    TreeModel tree_;
    QList<ShelfClass> shelves_;
    QString current_;
    RowModel<ShelfTitle> titles_;
    RowModel<FoundTitle> found_;
    const BibParams *params_ = nullptr;
};

} // namespace kestra
