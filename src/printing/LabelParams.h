#pragma once

#include "core/Distance.h"

#include <QString>
#include <array>

namespace kestra {

class AppContext;
class CodePage;
class IniFile;

// One of the eight print items of a spine label (sections 1PrintItem ..
// 8PrintItem): whether it prints, where inside the label (mm from the
// label's top left corner) and in which font.
struct LabelItem {
    int print = 0;
    Distance left;
    Distance top;
    bool bold = false;
    bool italic = false;
    QString fontName;
    int fontSize = 0; // points; 0 reads as the label's default size
};

// The label parameter file: the label's size and the sheet's margins (mm),
// the grid, what each copy gets, and the print items.
struct LabelParams {
    Distance width;
    Distance height;
    Distance top;
    Distance bottom;
    Distance left;
    Distance right;
    int rows = 0;
    int cols = 0;
    int numPerItem = 0;
    bool center = false;
    bool centerV = false;
    int callNoAlign = 0; // 0 left, 1 centre, 2 right
    int callNoReturn = 0;
    bool callNoStop = false;
    QString customText;
    bool attachment = false;
    bool autoSize = false;
    std::array<LabelItem, 8> items{};
};

// A profile value by its leading number, as the suite's files are read:
// "12.5mm" is 12.5, "abc" or nothing 0.
double profileNumber(const QString &text);
// The same, held in 16 bits: values beyond them saturate instead of wrapping.
int profileShort(const QString &text);

// LoadLabelParams: 0 when read, -1 when the file cannot be read (params is
// left as it was). Missing keys read as 0 or empty text.
int loadLabelParams(const QString &path, const CodePage &codePage, LabelParams &params);
LabelParams labelParamsFrom(const IniFile &ini);

// The three files BM_ComposeParam names, in the card-parameter folder.
struct ComposeFiles {
    QString cardParams;
    QString cardLayout;
    QString labelParams;
};

// Reads BM_ComposeParam of the installation's CardParam folder: its first
// three lines, each a file name relative to that folder (empty when the
// file or the line is missing). False when BM_ComposeParam cannot be read.
bool readComposeParam(AppContext &context, ComposeFiles &files);

// The label parameters of the installation: BM_ComposeParam's third file.
// Empty text when read; else the reason, for the message.
QString loadInstalledLabelParams(AppContext &context, LabelParams &params);

} // namespace kestra
