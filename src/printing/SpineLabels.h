#pragma once

#include "core/PagePrinter.h"
#include "printing/LabelParams.h"

#include <QStringList>

namespace kestra {

// What one copy's spine label can show, names already looked up.
struct LabelCopy {
    QString callNo;
    QString year;
    QString volPeri;
    QString location; // the location's name
    QString propNo;
    QString barCode;
    QString materialDesignation; // 200$b of the copy's record
};

// The choices of one run: the first free position of the first sheet
// (row and column from 1), class breaks, and the call-number separator as
// system parameter 20 gives it ("_" stands for a blank).
struct LabelRun {
    int startRow = 1;
    int startCol = 1;
    bool classBreaks = false;
    QString separator;
};

struct LabelLayout {
    PageDocument document;
    QString error;  // the message when nothing was laid out
    int across = 0; // labels across and down a sheet
    int down = 0;
    int labels = 0;    // positions printed: copies × labels per copy
    QList<int> sheets; // the copy that begins each sheet (index into the copies)
};

// The call number in lines, by CallNoReturn:
//   0 (or no separator in it): one line as it is;
//   1: before the first separator / after it, the separator dropped;
//   2: up to and including the first separator / each further piece on a
//      line of its own;
//   3: every piece between separators on a line of its own.
QStringList callNumberLines(const QString &callNo, const QString &separatorParam, int mode);

// The start position is inside the sheet of the parameters and of the
// paper; false with the message to show.
bool checkStartPosition(const LabelParams &params, int startRow, int startCol, QString *message);

// The label sheets: labels across and down the printable part of the paper
// (less the sheet's margins), the grid centred in it; the first sheet
// begins at the start position; each copy takes NumPerItem positions in
// row order; with class breaks a new sheet begins where the first letter of
// the call number changes.
LabelLayout layoutSpineLabels(const LabelParams &params, const QList<LabelCopy> &copies, const LabelRun &run,
                              const DevicePaper &paper);

} // namespace kestra
