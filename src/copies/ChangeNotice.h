#pragma once

#include <QObject>
#include <QStringList>

namespace kestra {

class AppContext;

// Said after a commit, so that an open window (the record window, a batch
// list) can read its rows again instead of showing stale ones. One per run,
// kept in the context; logic emits, windows connect.
class ChangeNotice : public QObject {
    Q_OBJECT
public:
    static ChangeNotice &of(AppContext &context);

Q_SIGNALS:
    // The copies whose rows changed; empty when a set-based change touched
    // more than can be named (read everything again).
    void copiesChanged(const QStringList &propNos);
    // A batch table (deal_batch_lst, goto_batch, count_data) changed.
    void batchesChanged(const QString &table);
};

} // namespace kestra
