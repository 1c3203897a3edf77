#pragma once

#include "marc/BibParams.h"
#include "marc/BibRecord.h"

#include <QList>
#include <QString>

namespace kestra {

// The bibliographic items the screens, labels and cards ask for.
enum BibItem : int {
    ItemTitle = 0, // the composed title for types "C" and "U"
    ItemAuthor = 1,
    ItemGroup4All = 2,
    ItemGroup8 = 3,
    ItemGroup7All = 4,
    ItemGroup3 = 5,
    ItemGroup9 = 6,
    ItemGroup6 = 7,
    ItemGroup10 = 8,
    ItemTitleProper = 9,
    ItemMainAuthor = 10,
    ItemAuthorAgain = 11,
    ItemGroup3Again = 12,
    ItemGroup4First = 13,
};

// GetBibItem: request 0..13; empty text for any other request, a blank
// record, a type without parameters, or when no path yields a value.
QString getBibItem(const BibRecord &record, int request, const BibParams &params);

struct InfoItem {
    QString label;
    QString value;
};
using InfoList = QList<InfoItem>;

// BuildInfoList: one (label, value) pair per occurrence of each MarcInfo.ini
// entry's tag that has something to show; types "C" and "U" only.
InfoList buildInfoList(const BibRecord &record, const BibParams &params);

// DocTypeCodeIn11To19.
bool docTypeCodeIn11To19(const BibRecord &record);
// GroupUsesStopwords: the retrieval group with that number has stop-word
// flag 1 (the type "C" row, else the type "U" row, decides).
bool groupUsesStopwords(int groupCode, const BibParams &params);
// FieldLabel: the name of a tag for the record's type: the site's name
// (MarcInfo.ini), else the format's own name, else "非Marc字段" / "*No Marc*".
QString fieldLabel(const QString &tag, const BibRecord &record, const BibParams &params);

} // namespace kestra
