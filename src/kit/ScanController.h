#pragma once

#include "copies/ItemEntry.h"
#include "kit/Outcome.h"
#include "kit/RowModel.h"

#include <QString>

namespace kestra {

// The operations every scan form's controller offers under the same names,
// so that the shared scan-form widgets drive any of them and a new scan form
// writes only its own rules. Each returns one ScanReport; the messages of
// refusals and questions are the controller's, shown as they happen.
class ScanController {
public:
    virtual ~ScanController() = default;

    // The scan box's entry (normalisation, barcode or accession number).
    virtual ItemEntry &entry() = 0;
    // spdBookLst: the rows the form has taken, first column the mark.
    virtual RowModelBase &listModel() = 0;

    // Enter in txtInputCode: normalise, look up, check and take the copy.
    virtual ScanReport enter(const QString &text) = 0;
    // A code that needs no normalising (the copy search gives accession
    // numbers).
    virtual ScanReport enterCode(const QString &code, InputType type) = 0;
    // "SearchBook": asks the copy search for a copy and enters it; an empty
    // report when none was chosen.
    virtual ScanReport searchAndEnter(const CopyPicker &search) = 0;
    // "Import": asks for a text file of codes and enters each; importFile
    // runs a file already chosen.
    virtual ScanReport importCodes() = 0;
    virtual ScanReport importFile(const QString &path) = 0;
    // The form's undo key: the marked rows, from the last one up.
    virtual ScanReport undoMarked() = 0;
    // "SelectAll".
    void markAll() { listModel().markAll(); }
};

} // namespace kestra
