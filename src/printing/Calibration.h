#pragma once

#include "core/PagePrinter.h"
#include "output/PrintCalibration.h"

#include <optional>

namespace kestra {

class AppContext;
class UserSettingsStore;

// The test sheet a workstation's printer is measured on: cross A 20 mm
// from the top and left edges, cross B 20 mm from the bottom and right
// ones, and a 100 mm ruler.
PageDocument calibrationSheet(QSizeF paper);

// The correction from what the ruler shows on the printed sheet: cross A's
// distances from the left and top edges, and the distance from A to B
// across. Null when a measure is not a positive number.
std::optional<PrintCalibration> calibrationFromMeasures(QSizeF paper, double ax, double ay, double abAcross);

// Prints the test sheet, asks for the three measures and keeps the
// correction for labels or cards ("Label", "Card") in the per-user
// settings. True when a new correction was kept (then in *calibration).
bool calibratePrinter(AppContext &context, UserSettingsStore &store, const QString &kind,
                      PrintCalibration *calibration);

} // namespace kestra
