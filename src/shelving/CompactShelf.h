#pragma once

#include "shelving/CompactWork.h"

namespace kestra {

// frmCompactShelf without its widgets: names a shelf (txtShelf) and puts
// each copy scanned, imported or found onto it, moving it to the form's
// location or status on the way when asked (chkLoca, chkStat).
class CompactShelf : public CompactWork {
public:
    CompactShelf(AppContext &context, const BarcodeSettings &barcode);

    // txtShelf.
    QString shelf;
    // lblCount: the copies on the named shelf after the last copy put on it;
    // -1 before the first.
    int shelfCount() const { return shelfCount_; }

    // "Import": a text file of lines "shelf<sep>copy" (tab, comma or
    // semicolon); each line is put on its own shelf as if scanned. Lines not
    // taken go to the file "COMPACT_<server date and time>.txt" in DAT.
    ScanReport importCodes() override;
    ScanReport importFile(const QString &path) override;
    // The scan operations ask for the shelf first ("请先输入排架号。").
    ScanReport enter(const QString &text) override;
    ScanReport enterCode(const QString &code, InputType type) override;
    ScanReport searchAndEnter(const CopyPicker &search) override;
    // The path of the last import's problem file (empty before).
    const QString &problemPath() const { return problemPath_; }

protected:
    Outcome prepare(ItemTransaction &tx, ItemRow &row, const QString &now, Change &change) override;
    StepOutcome restore(ItemTransaction &tx, const DealRow &row, const ItemRow &now, const QString &stamp) override;
    void written(const ItemRow &row) override;

private:
    bool shelfNamed(const QString &text);
    ScanReport runImport(const QString &path);
    StepOutcome importLine(const QString &line);

    int shelfCount_ = -1;
    QString problemPath_;
};

// frmCompactBarCode without its widgets: the copy named in txtOldBarCode
// (the scan box) gets the barcode of txtNewBarCode, on the copy and its
// circulation row; chkLoca and chkStat as on the shelving form.
class CompactBarCode : public CompactWork {
public:
    CompactBarCode(AppContext &context, const BarcodeSettings &barcode);

    // txtNewBarCode.
    QString newBarCode;

    // The scan box names the copy; nothing happens without a new barcode
    // ("新条码号不能为空。").
    ScanReport enter(const QString &text) override;

    // No import on this form.
    ScanReport importCodes() override { return {}; }
    ScanReport importFile(const QString &) override { return {}; }

protected:
    Outcome prepare(ItemTransaction &tx, ItemRow &row, const QString &now, Change &change) override;
    StepOutcome restore(ItemTransaction &tx, const DealRow &row, const ItemRow &now, const QString &stamp) override;
};

} // namespace kestra
