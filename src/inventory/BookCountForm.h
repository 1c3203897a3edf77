#pragma once

#include "inventory/BookCount.h"
#include "ui/FormRegistry.h"
#include "ui/ScanForm.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace kestra {

// frmHold_BookCount_New (馆藏清点) on the scan-form skeleton: the batch
// (SelectBatch, or the argument countBatchNo), the shelf being scanned
// (txtShelfNo, chkModifyShelf), the scan box, the list of the copies this
// window recorded, the batch's progress by every operator (lblProgress),
// the scans waiting for the database (lblWaiting),
// ShowAllItem into spdItemAll, UndoCheck, and the statistics and
// missing-copy windows (CheckStat, LostView) opened with the batch.
class BookCountForm : public ScanForm, public FormTarget {
    Q_OBJECT
public:
    BookCountForm(AppContext &context, const BarcodeSettings &barcode, FormServices services,
                  QWidget *parent = nullptr);

    // countBatchNo: the batch to scan into, taken as the batch list's OK
    // takes it.
    void setArguments(const FormArgs &args) override;
    BookCount &controller() { return count_; }

protected:
    void beforeScan() override;
    void afterScan(const ScanReport &report) override;
    void showCommands() override;
    // Scans still waiting for the database are not dropped unasked.
    void closeEvent(QCloseEvent *event) override;

private:
    void takeBatch(const QString &number);
    void refreshProgress(bool countExpected);

    AppContext &context_;
    FormServices services_;
    BookCount count_;
    QLineEdit *txtShelfNo_;
    QCheckBox *chkModifyShelf_;
    QLabel *lblBatch_;
    QLabel *lblProgress_;
    QLabel *lblWaiting_;
    QTableView *spdItemAll_;
};

} // namespace kestra
