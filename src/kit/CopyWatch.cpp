#include "kit/CopyWatch.h"

#include "core/Session.h"

namespace kestra {

bool refreshCopy(AppContext &context, ItemRow &row)
{
    ItemRow fresh;
    if (readItemRow(context.db(), row.propNo, InputType::Accession, fresh) != 1)
        return false;
    row = std::move(fresh);
    return true;
}

void reloadOnChange(AppContext &context, QObject &owner, bool copies, const QString &batchTable,
                    std::function<void()> reload)
{
    ChangeNotice &notice = ChangeNotice::of(context);
    if (copies)
        QObject::connect(&notice, &ChangeNotice::copiesChanged, &owner, [reload](const QStringList &) { reload(); });
    if (!batchTable.isEmpty()) {
        QObject::connect(&notice, &ChangeNotice::batchesChanged, &owner, [reload, batchTable](const QString &table) {
            if (table == batchTable)
                reload();
        });
    }
}

} // namespace kestra
