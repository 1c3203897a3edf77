#pragma once

#include "copies/ItemCodes.h"

#include <QString>
#include <functional>
#include <optional>

namespace kestra {

class ItemTransaction;

// The collection statuses a lost copy that turns up again can be given, in
// the order the dialog lists them.
const QList<CodeName> &normStatuses();

// frmNormStat's work: gives a found copy (status 38 or 3B) one of the
// collection statuses inside the caller's open transaction, so that the
// caller's later "no" or failure takes it back as well.
class NormStat {
public:
    NormStat(ItemTransaction &tx, QString propNo);

    const QString &propNo() const { return propNo_; }
    // update00_indi_acct with the status and the server date and, when the
    // copy has a circulation row, update01_item with the status, the date
    // and the operator. -1 on failure: the transaction is rolled back and
    // the error shown, and the caller stops.
    int apply(const QString &status);
    // The status written; empty until apply succeeded.
    const QString &chosen() const { return chosen_; }

private:
    ItemTransaction &tx_;
    QString propNo_;
    QString chosen_;
};

// How an operation asks for that status: the dialog in the program, a
// script in tests. The status now written, or nothing when the person
// cancelled or the write failed (then the caller stops and rolls back).
using NormStatChooser = std::function<std::optional<QString>(ItemTransaction &tx, const QString &propNo)>;

} // namespace kestra
