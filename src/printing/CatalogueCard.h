#pragma once

#include "core/PagePrinter.h"
#include "printing/CardParams.h"

#include <QStringList>

namespace kestra {

class BibRecord;

// What composing a card needs beside the record: the names of its type and
// document type (code tables), its copies' accession numbers, and the
// call-number separator (system parameter 20).
struct CardRecordInfo {
    QString typeName;
    QString docTypeName;
    QStringList holdings;
    QString separator;
};

// The card working data of one record.
struct CardData {
    QString marcRecNo;
    int type = 0; // 0 CN (type C), 1 US (type U)
    QStringList header;
    bool serial = false;
    QString materialDesignation;
    QString classNumber;
    QString bookNumber;
    QString callNumber;
    QString pinyin;
    QStringList paragraphs; // the layout's paragraphs, composed
    QList<int> paragraphFonts;
    QStringList notes;
    QStringList isbns;
    QStringList summaries;
    QStringList tracing;                             // the tracing entries, numbered
    std::array<QStringList, CardKindCount> headings; // the access points of each kind
    QStringList holdings;
};

// The record's type index for cards: 0 for "C", 1 for "U", -1 for records
// that print no card.
int cardTypeOf(const BibRecord &record);

// ComposeCard: header items, serial flag, material designation, call
// number, pinyin, the layout's paragraphs with their punctuation, the
// note, ISBN and summary sections, tracing and headings. A record without
// a title or without the fields a layout names composes what it has.
CardData composeCard(const BibRecord &record, const CardParams &params, const CardLayout &layout,
                     const CardRecordInfo &info);

// The call number's lines on the card: ClassOnly, MaxCharactor, LineReturn
// (a blank when empty), MaxLineChar and MaxLine.
QStringList cardCallNumberLines(const CardData &card, const CardParams &params);

// The text cut into lines of `firstWidth` then `width` display columns (a
// wide character takes two), broken where WidthCutPosition says.
QStringList fitCardLines(const QString &text, int firstWidth, int width);

// The cards of a set, one page each on paper of the card's size (7.5 ×
// 12.5 cm lying, unless given): for every kind whose Print flag is set,
// one card per access point (the main card always one), continuation cards
// when the body runs over and the kind allows it, else the last line cut
// with OmitChar.
PageDocument layoutCards(const QList<CardData> &cards, const CardParams &params, QSizeF cardSize = {125.0, 75.0});

} // namespace kestra
