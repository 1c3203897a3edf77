#pragma once

#include "copies/NormStat.h"
#include "items/DealProcess.h"

namespace kestra {

// frmHold_BookRepair (01) and frmHold_BookPR_EX_RJ (03 weeding, 04 gift,
// 05 exchange) without their widgets.
class BookDeal : public DealProcess {
public:
    BookDeal(AppContext &context, const BarcodeSettings &barcode, const QString &type);

    void setNormStatChooser(NormStatChooser choose) { choose_ = std::move(choose); }

    // "UndoRepair" / "UndoDelete": after the confirmation, the marked rows
    // from the last one up, each in its own transaction.
    CancelResult cancelMarked() override;

protected:
    Outcome add(const ItemRow &row) override;
    bool hasFee() const override { return type_ == QLatin1String("01"); }

private:
    Outcome write(ItemTransaction &tx, ItemRow row, const QString &lendFlag, const QString &source, double feeValue);

    NormStatChooser choose_;
};

} // namespace kestra
