#pragma once

#include "core/CodePage.h"
#include "core/InstallFolders.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kestra {

// The small settings files under CFG/ that the suite's modules share. Each
// loader reads its file once; a missing file gives the empty table.

// Dc/DCcfg.ini: groups of holdings locations for new-book assignment.
struct LocationGroup {
    QString name;
    QStringList members;
};
struct AssignGroups {
    QList<LocationGroup> groups;
    bool hadLines = false;
    int orphanLines = 0; // member lines before the first group, which belong to none
};
AssignGroups loadAssignGroups(const InstallFolders &folders, const CodePage &cp);
AssignGroups parseAssignGroups(const QString &text);

// Dc/dccfg1.ini: location, status code, release flag per line. Lines
// without a location or a status are left out.
struct InitialStatus {
    QString location;
    QString status;
    QString release;
};
struct InitialStatusTable {
    QList<InitialStatus> rows;
    bool hadLines = false;
};
InitialStatusTable loadInitialStatus(const InstallFolders &folders, const CodePage &cp);
InitialStatusTable parseInitialStatus(const QString &text);

// cf/cfCfg.ini, section FUND_TYPE: fund types "code:name" under keys 000, 001, ...
struct FundType {
    QString code;
    QString name;
};
constexpr int MaxFundTypes = 11;
QList<FundType> loadFundTypes(const InstallFolders &folders, const CodePage &cp);

// LT/LT_reader.ini: reader-category and reader-certificate texts, keys R000, R001, ...
struct ReaderTexts {
    QStringList categories;
    QStringList certificates;
};
constexpr int MaxReaderTexts = 40;
ReaderTexts loadReaderTexts(const InstallFolders &folders, const CodePage &cp);

// lt/book_config.ini, section BOOK-CONFIG: how scanned barcodes are completed,
// and the barcode structure rule (BAR_STRUCT_USE, BAR_STRUCT).
struct BarcodeSettings {
    int use = 0;
    double max = 0;
    double min = 0;
    QString prefix;
    QString suffix;
    int structUse = 0;
    QString structRule;
    bool fileFound = false;
};
BarcodeSettings loadBarcodeSettings(const InstallFolders &folders, const CodePage &cp);

// sound/snd.ini, sound/snd_loca.ini, sound/other_loca.ini: "key,file" lines.
struct SoundAssignment {
    QString key;
    QString file;
};
constexpr int MaxOtherLocationSounds = 4;
struct SoundSettings {
    QList<SoundAssignment> messages;  // message code -> sound file
    QList<SoundAssignment> locations; // location code -> sound file
    QList<SoundAssignment> others;    // name -> sound file, at most four
};
SoundSettings loadSoundSettings(const InstallFolders &folders, const CodePage &cp);
QList<SoundAssignment> parseSoundLines(const QString &text, int maxLines = -1);

// Reads a whole text file as the suite writes them; a missing file gives an
// empty text and sets *exists to false.
QString readSettingsText(const QString &path, const CodePage &cp, bool *exists = nullptr);

// Replaces a settings file as a whole in the code page: the old file stays
// until the new one is complete, so a crash never leaves half a file.
bool writeSettingsText(const QString &path, const QString &text, const CodePage &cp, QString *error = nullptr);

// The automatic assignment rules (Dc/DCcfg.ini) and the initial statuses of
// their target locations (Dc/dccfg1.ini) under the configuration folder.
QString ruleFilePath(const InstallFolders &folders);
QString statusFilePath(const InstallFolders &folders);

} // namespace kestra
