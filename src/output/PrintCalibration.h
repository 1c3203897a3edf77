#pragma once

#include "core/PagePrinter.h"

namespace kestra {

class UserSettingsStore;

// A workstation's correction of where its printer puts things: label and
// card printers feed with an offset and some stretch the paper a little.
// Measured on a printed test sheet with a ruler and kept per user: every
// position x becomes x × scale + offset (mm).
struct PrintCalibration {
    double offsetX = 0.0;
    double offsetY = 0.0;
    double scale = 1.0;

    bool isIdentity() const { return offsetX == 0.0 && offsetY == 0.0 && scale == 1.0; }
};

// The document with every box, line and font moved and scaled; the paper
// stays as it is.
PageDocument calibrated(PageDocument document, const PrintCalibration &calibration);

// Kept under "Settings" as <kind>OffsetX, <kind>OffsetY, <kind>Scale
// (kind "Label" or "Card"). Values that are not numbers, and scales outside
// 0.5..2, read as no correction.
PrintCalibration loadCalibration(const UserSettingsStore &store, const QString &kind);
void saveCalibration(UserSettingsStore &store, const QString &kind, const PrintCalibration &calibration);

} // namespace kestra
