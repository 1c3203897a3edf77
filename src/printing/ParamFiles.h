#pragma once

#include <QList>
#include <QString>

namespace kestra {

// A parameter file the installation starts with, by its name in the
// card-parameter folder.
struct ParamFile {
    QString name;
    QString text;
};

// BM_ComposeParam and the three files it names: labels for the common A4
// sheet of 65 (5 × 13 labels of 38.1 × 21.2 mm), the standard 7.5 × 12.5 cm
// catalogue card and its field layout for UNIMARC (CN) and MARC 21 (US)
// records, so that a new installation prints sensibly at once.
const QList<ParamFile> &defaultPrintParamFiles();

} // namespace kestra
