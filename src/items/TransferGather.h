#pragma once

#include "copies/ItemRecord.h"
#include "items/Transfer.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kestra {

class AppContext;

// One copy gathered for a transfer: the lookup row with the circulation
// data of its item row.
struct GatheredCopy {
    ItemRow row;
    bool circulates = false; // has an item row
    QString lendFlag;
    int circTimes = 0;
};

// The bulk ways of gathering copies at the source: by class number and by
// handover batch (both shown in the pick dialog first) and by a range of
// codes (each code then gathered as if scanned).
class TransferGather {
public:
    explicit TransferGather(AppContext &context) : context_(context) {}

    // The copies whose call number begins with the class, at the source
    // (every location for "All"), of the document type when one is chosen,
    // in call-number order. Empty class, or none found: the message, an
    // empty list. -1 on failure (shown).
    int byClass(const TransferPlan &plan, const QString &cls, QList<GatheredCopy> &copies);
    // The copies of a handover batch at the source, in call-number order.
    int byHandoverBatch(const TransferPlan &plan, const QString &batch, QList<GatheredCopy> &copies);

    // The codes from start to end, by bar code or accession number, of the
    // same length as the two ends, at the source. Ends of different
    // lengths are refused before any query. -1 on failure (shown).
    int range(const TransferPlan &plan, InputType type, const QString &start, const QString &end, QStringList &codes);

private:
    int gather(const QString &where, const QString &noneMessage, QList<GatheredCopy> &copies);

    AppContext &context_;
};

} // namespace kestra
