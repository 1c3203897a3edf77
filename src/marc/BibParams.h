#pragma once

#include "core/IniFile.h"
#include "marc/MarcText.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace kestra {

// One row of marc_idx_para as the start-up loads it.
struct IndexParaRow {
    int group = 0; // marc_idx_grp
    QString name;  // marc_idx_grp_name
    int stopwordFlag = 0;
    QString marcField; // comma-separated field paths, in priority order
};

struct IndexGroupCell {
    bool present = false;
    QString name;
    int stopwordFlag = 0;
    QString marcField;
};

// Retrieval groups or display items: indexed by group number (the row
// index, so the table grows to the largest group met) and type index 0..3.
class IndexGroupTable {
public:
    void setRow(int typeIndex, const IndexParaRow &row);
    // nullptr when the group or type has no row.
    const IndexGroupCell *cell(int group, int typeIndex) const;
    int groupCount() const { return int(rows_.size()); }

private:
    QList<std::array<IndexGroupCell, 4>> rows_;
};

// Groups of a further use type (2 and up): parallel lists.
struct GroupsByUse {
    int useType = 0;
    QList<int> groups;
    QStringList fields;
};

// One MarcInfo.ini entry: the label, and the display specification (a tag,
// then the subfield codes to show with their punctuation).
struct MarcInfoEntry {
    QString label;
    QString display;
};

// One marc_info_field row.
struct InfoFieldRow {
    int serialNo = 0;
    QString name;
    QString cnField;
    QString usField;
    int fieldLength = 0;
};

// The bibliographic parameter tables: loaded once after the session opens,
// read-only afterwards. The loading from the database fills them through
// the add/set functions below; tests fill them directly.
struct BibParams {
    static constexpr int MaxMarcInfoEntries = 151;
    static constexpr int MaxFieldNames = 301;

    IndexGroupTable retrievalGroups;        // use_type 0
    IndexGroupTable displayItems;           // use_type 1
    std::array<QStringList, 2> titleFields; // type "C", type "U", in serial order
    QList<GroupsByUse> groupsByUse;
    StopWords stopWords;
    std::array<QList<MarcInfoEntry>, 2> marcInfo; // sections CN and US
    QList<InfoFieldRow> infoFields;
    std::array<QHash<QString, QString>, 4> fieldNames; // tag -> name, per type index
    bool unicodeMode = false;
    int indexWidth = 30;
    // System parameter 20: between the class and the book number of a call
    // number ("_" there stands for a blank).
    QString callNoSeparator = QStringLiteral("/");
    // classifica_code rows in use: the scheme (cls_id) and the field path
    // that holds its class numbers in the Chinese scheme, by cls_id.
    QList<std::pair<QString, QString>> classifications;

    // A marc_idx_para row of type 0 ("C") or 1 ("U").
    void addIndexRow(int typeIndex, int useType, const IndexParaRow &row);
    void addGroupByUse(int useType, int group, const QString &field);
    // Several rows of one type add up: words of types 0 and 1 joined by a
    // comma, the character sets of types 2 and 3 run together.
    void addStopword(int type, const QString &content);
    // False when the type already has the most names it can hold.
    bool addFieldName(int typeIndex, const QString &tag, const QString &name);
};

// The call-number separator from the value of system parameter 20: "_"
// stands for a blank, an unset parameter for "/".
QString callNoSeparatorOf(const QString &value);
// The storage mode from the declared size of marc_data.marc03.
bool unicodeModeForSize(int marc03Size);
// The width of index content from the declared size of marc_idx.marc_idx_cont.
int indexWidthFor(bool unicodeMode, int indexContentSize);

// One value of MarcInfo.ini: the label before the first "|"; after it the
// specification, trimmed, its last character dropped.
MarcInfoEntry parseMarcInfoValue(const QString &value);
// Reads sections CN and US: keys "001", "002", ... up to the first missing
// one, at most 151 per section.
void loadMarcInfo(const IniFile &ini, BibParams &params);
// Names for FieldLabel taken from the MarcInfo.ini labels, for the tags
// that have no name yet.
void addFieldNamesFromMarcInfo(BibParams &params);

} // namespace kestra
