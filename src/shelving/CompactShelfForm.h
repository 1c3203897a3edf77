#pragma once

#include "shelving/CompactShelf.h"
#include "ui/ScanForm.h"

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace kestra {

class CodeBox;

// frmCompactShelf (分配排架号) and frmCompactBarCode (更改条码号), the two
// scan forms of the compact stacks. Controls keep the suite's names:
// txtShelf (shelving) or txtNewBarCode (barcode change), the scan box,
// chkLoca with cmbLocation, chkStat with cmbState, chkClear (barcode change:
// empty txtNewBarCode after each copy), lblShelfCount, and tbDC with Import
// (shelving), SearchBook, ShowAllItem, SelectAll, UndoDelete, Print,
// ExportMarc and Exit.
class CompactShelfForm : public ScanForm {
    Q_OBJECT
public:
    enum class Kind { Shelf, Barcode };
    CompactShelfForm(AppContext &context, const BarcodeSettings &barcode, Kind kind, QWidget *parent = nullptr);
    ~CompactShelfForm() override;

    CompactWork &controller() { return *work_; }

protected:
    void beforeScan() override;
    void afterScan(const ScanReport &report) override;
    void showCommands() override;

private:
    void buildControls(AppContext &context);

    Kind kind_;
    std::unique_ptr<CompactWork> work_;
    QLineEdit *txtShelf_ = nullptr;
    QLineEdit *txtNewBarCode_ = nullptr;
    QCheckBox *chkLoca_ = nullptr;
    QCheckBox *chkStat_ = nullptr;
    QCheckBox *chkClear_ = nullptr;
    CodeBox *cmbLocation_ = nullptr;
    CodeBox *cmbState_ = nullptr;
    QLabel *lblShelfCount_ = nullptr;
};

} // namespace kestra
