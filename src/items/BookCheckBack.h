#pragma once

#include "items/DealProcess.h"

namespace kestra {

// frmHold_BookCheckBack without its widgets: copies back from repair are
// entered into the check-back batch of their repair batch's number and get
// their status before repair again.
class BookCheckBack : public DealProcess {
public:
    BookCheckBack(AppContext &context, const BarcodeSettings &barcode);

    // Cancelling marked rows (after the confirmation): each copy back to 33
    // and its check-back row removed, from the last row up, each in its own
    // transaction; EDC010 when the copy is on loan again.
    ScanReport undoMarked() override;

protected:
    Outcome add(const ItemRow &row) override;
};

} // namespace kestra
