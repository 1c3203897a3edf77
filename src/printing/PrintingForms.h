#pragma once

namespace kestra {

class FormRegistry;

// The printing forms: spine labels (frmPrintBookMark), catalogue cards
// (frmPrintCard) and the handover bill (frmOutChkBill).
void registerPrintingForms(FormRegistry &registry);

} // namespace kestra
