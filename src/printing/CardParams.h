#pragma once

#include "core/Distance.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace kestra {

class CodePage;
class IniFile;

// The five kinds of catalogue card, in the order of the files' keys.
enum class CardKind { Main = 0, Title, Author, Subject, Series };
inline constexpr int CardKindCount = 5;
QString cardKindKey(CardKind kind); // "Main", "Title", ...

// What a kind of card carries ([CardStock], [Heading], [TracingList]).
struct CardKindParams {
    QString name;
    bool print = false;
    bool baseNumber = false;
    bool cardIndex = false;
    bool continued = false;
    bool note = false;
    bool trace = false;
    bool summary = false;
    bool isbn = false;
    QString trace_list; // the tracing entries this kind carries, "1,2"; empty: all
};

// The per-record-type keys, "CN" for type C and "US" for type U.
struct CardTypeParams {
    QStringList docTypes; // up to three header items: TYPE, DOC, USER or a field path
    bool materialDesignation = false;
    QString fieldTag; // the call-number field
    QString classSubfield;
    QString accessSubfield;
    std::array<QString, CardKindCount> headings; // field paths of each kind's heading
    bool printFooter = false;
    QStringList noteFields;
    QStringList isbnFields;
    QStringList summaryFields;
    QStringList traceIds;    // at most 10 tags
    QStringList subTraceIds; // the subfield codes, one per tag
};

// The card parameter file.
struct CardParams {
    int lines = 0;
    int columns = 0;
    QString omitChar;
    QString sectionChar;
    QString sepChar;
    bool yornIndex = false;
    bool chinesePy = false;
    bool chineseUpcase = false;
    int pyMaxLine = 0;
    std::array<CardKindParams, CardKindCount> kinds{};
    std::array<CardTypeParams, 2> types{}; // CN, US
    int classRow = 0;
    int classCol = 0;
    int maxCharacters = 0;
    int maxLineChars = 0;
    int maxLines = 0;
    QString lineReturn;
    bool classOnly = false;
    int classFontSize = 0;
    Distance leftMargin;
    Distance rightMargin;
    Distance topMargin;
    Distance bottomMargin;
    int indentionSpace = 0;
    bool printBorder = false;
    bool compressLine = false;
    int headingLine = 0;
    bool headingUpCase = false;
    int footLine = 0;
    QList<QList<int>> footers; // Footer01, Footer02, ...: paragraph numbers
    bool holdingYorn = false;
    int holdingRow = 0;
    int holdingCol = 0;
    int holdingMax = 0;
    QString traceOmitLead;
};

// One subfield element of a layout field: the code and the four texts the
// layout gives it — punctuation before the value, text after it, text
// before it when it opens its paragraph, and the separator between
// repetitions of the subfield.
struct CardElement {
    QChar code;
    QString before;
    QString after;
    QString first;
    QString repeat;
};

struct CardField {
    QString tag;
    QList<CardElement> elements;
};

struct CardSection {
    int number = 0;
    QList<CardField> fields;
};

struct CardParagraph {
    int fontSize = 0;
    bool bold = false;
    QList<CardSection> sections;
};

// The field layout of one record type: paragraphs, sections, fields and
// subfield elements in file order.
struct CardLayout {
    QList<CardParagraph> paragraphs;
};

// LoadCardParams and LoadCardLayout: 0 when read; -1 when the file cannot
// be read, the previous values left in force.
int loadCardParams(const QString &path, const CodePage &codePage, CardParams &params);
int loadCardLayout(const QString &path, const CodePage &codePage, std::array<CardLayout, 2> &layouts);
CardParams cardParamsFrom(const IniFile &ini);
CardLayout cardLayoutFrom(const IniFile &ini, const QString &type);

// One field of the layout file: "TTT" then elements separated by "#" (the
// ISBD marks are all taken),
// each "c:before|after|first|repeat" (texts may be left out at the end).
CardField parseCardField(const QString &text);

} // namespace kestra
