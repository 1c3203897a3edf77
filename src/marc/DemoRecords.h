#pragma once

#include "marc/BibRecord.h"

#include <QString>

namespace kestra {

// The small deterministic generator behind demo records: the same seed
// gives the same numbers on every platform (splitmix64).
class DemoRandom {
public:
    explicit DemoRandom(quint64 seed) : state_(seed) {}
    quint64 next();
    // 0 .. n-1 (n > 0).
    int below(int n) { return int(next() % quint64(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    quint64 state_;
};

// What a demo record describes; the demo-data generator also fills the
// summary columns and copies from it.
struct DemoBook {
    QString recordId;
    QString title;
    QString titlePinyin;
    QString otherTitle; // 200$e / 245$b, may be empty
    QString author;
    QString authorPinyin; // "Wang, Wei"
    QString role;         // 著, 编, 主编, 编著
    QString translator;   // may be empty
    QString publisher;
    QString publisherPinyin;
    QString place;
    QString placePinyin;
    int year = 2000;
    QString isbn;  // hyphenated ISBN-13
    QString price; // "CNY35.00"
    int pages = 0;
    int heightCm = 0;
    QString clc;     // Chinese Library Classification number
    QString callNo;  // clc + "/" + book number
    QString subject; // Chinese subject heading
    QString subjectEnglish;
    QString series; // may be empty
    QString summary;
};

DemoBook demoBook(quint64 seed);
// A UNIMARC (Chinese scheme) record: marc_type "C".
BibRecord demoUnimarcRecord(const DemoBook &book, const MarcCodec &codec);
// A MARC 21 record with romanized fields and their 880 originals:
// marc_type "U"; leader position 10 is "a" when the codec is UTF-8.
BibRecord demoMarc21Record(const DemoBook &book, const MarcCodec &codec);
inline BibRecord demoRecord(quint64 seed, bool marc21, const MarcCodec &codec)
{
    const DemoBook book = demoBook(seed);
    return marc21 ? demoMarc21Record(book, codec) : demoUnimarcRecord(book, codec);
}

// The check digit of the first twelve digits of an ISBN-13.
int isbn13CheckDigit(QStringView twelveDigits);

} // namespace kestra
