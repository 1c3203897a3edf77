#pragma once

#include "marc/BibRecord.h"

#include <QByteArrayView>
#include <QString>

namespace kestra {

// Field and subfield access through the two cursors of the suite's field
// operations. The cursors belong to one reader over one record, not to the
// process, but a sequence of calls on a reader gives the values the suite's
// callers rely on: a path asked again continues with the next repetition,
// and a caller that mixes paths resets the cursors first (the path lists do).
//
// Values are byte views into the record and decoded only at the end, so a
// search costs no conversion of the fields it passes over.
class FieldReader {
public:
    explicit FieldReader(const BibRecord &record) : rec_(record) {}
    // A reader keeps a reference: a temporary record would be gone before
    // the first value is read.
    explicit FieldReader(const BibRecord &&record) = delete;

    const BibRecord &record() const { return rec_; }

    // ResetCursors: the field cursor to the first entry, the subfield
    // cursor to the start of the field.
    void resetCursors()
    {
        fieldCursor_ = 0;
        subfieldCursor_ = 0;
    }
    int fieldCursor() const { return fieldCursor_; }
    // Byte offset within the current field's subfields (after the
    // indicators) where the next subfield search starts.
    qsizetype subfieldCursor() const { return subfieldCursor_; }

    // GetFieldData: the first field with the tag from the field cursor on,
    // the cursor left on it; -1 (cursor past the end) when none.
    int getField(const char *tag);
    // NextFieldData: the same, the cursor moved past the field found.
    int nextField(const char *tag);
    QString getFieldData(QStringView tag);
    QString nextFieldData(QStringView tag);

    // NextSubfield: the next subfield with the code at or after the
    // subfield cursor, which moves past it. Empty when there is none.
    QByteArrayView nextSubfield(QByteArrayView field, char code);
    // GetSubfield: the first subfield with the code; no cursor involved.
    static QByteArrayView getSubfield(QByteArrayView field, char code);

    // GetFieldValue: one value of a field path, continuing from the cursors.
    QString getFieldValue(QStringView path);
    // FirstFieldValue: the first non-empty value of a comma-separated list.
    QString firstFieldValue(QStringView pathList);
    // AllFieldValues: like FirstFieldValue, but a path with a subfield
    // yields all its values joined by ", ".
    QString allFieldValues(QStringView pathList);

    // The bytes of one value of a path (a view into the record).
    QByteArrayView fieldValueBytes(QStringView path);

private:
    QByteArrayView subfieldPath(const char *tag, char code);
    QByteArrayView linkedScriptPath(const char *path);
    QByteArrayView embeddedPath(const char *path);
    QString bareTagText(const char *tag);
    QString pathListValue(QStringView pathList, bool all);
    void endSearch() { resetCursors(); }

    const BibRecord &rec_;
    int fieldCursor_ = 0;
    qsizetype subfieldCursor_ = 0;
};

// GetSubfield over text.
QString getSubfield(const QString &fieldText, QChar code);
// FieldPlainText: the field without its indicators, each subfield
// delimiter and its code made one blank, trimmed.
QString fieldPlainText(const QString &fieldText);
QString fieldPlainText(QByteArrayView field, const MarcCodec &codec);
// A field's bytes without its two indicators (fewer when it is shorter).
inline QByteArrayView withoutIndicators(QByteArrayView field)
{
    return field.sliced(std::min<qsizetype>(2, field.size()));
}

} // namespace kestra
