#pragma once

#include "items/GotoBatchDetail.h"

#include <QDialog>

namespace kestra {

// frmHold_BookGotoBatchDetail: the history rows of a transfer batch
// (spdDetail), cmdExport (a text file), cmdPrint, cmdPreview, cmdExit.
class GotoBatchDetailDialog : public QDialog {
    Q_OBJECT
public:
    GotoBatchDetailDialog(AppContext &context, const QString &batchNo, QWidget *parent = nullptr);

    GotoBatchDetail &detail() { return detail_; }

private:
    GotoBatchDetail detail_;
};

} // namespace kestra
