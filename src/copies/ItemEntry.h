#pragma once

#include "copies/ItemRecord.h"
#include "core/SettingsFiles.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace kestra {

class AppContext;

// One item of the barcode conversion rule (BAR_STRUCT): a code of `length`
// characters (0: any length) that begins with `prefix` (empty: any) has the
// `count` characters from position `start` (1-based) replaced by `insert`.
// "length:prefix:start:count:insert", items separated by ",". The first
// item that applies is used.
//
// The main window and the entry read the rule with the same parser: a rule
// the one accepts, the other applies.
struct BarcodeRule {
    int length = 0;
    QString prefix;
    int start = 1;
    int count = 0;
    QString insert;
};
// Nothing when an item does not parse (a field that is not a number, a
// start below 1, a negative length or count) or there is no item at all.
std::optional<QList<BarcodeRule>> parseBarcodeRules(const QString &text);
QString applyBarcodeRules(const QList<BarcodeRule> &rules, const QString &code);

// How a processing form turns the text of txtInputCode into the code it
// looks up.
class CodeNormaliser {
public:
    // dropCheckCharacter is the per-user setting Sdsd.
    CodeNormaliser(const BarcodeSettings &settings, bool dropCheckCharacter);

    // Barcodes: upper case, then BAR_PREFIX and BAR_SUFFIX around a numeric
    // code within BAR_MIN..BAR_MAX (BAR_USE 1), then the conversion rules
    // (BAR_STRUCT_USE 1), then the check character dropped (Sdsd).
    // Accession numbers are only trimmed and upper-cased.
    QString normalise(const QString &text, InputType type) const;

private:
    BarcodeSettings settings_;
    QList<BarcodeRule> rules_;
    bool dropCheck_;
};

// The detail boxes of a processing form after a successful lookup
// (txtPropno, txtBarCode, txtLocation, txtState, ...): names, not codes.
struct CopyDetails {
    QString propNo;
    QString barCode;
    QString location;
    QString state;
    QString callNo;
    QString bookName;
    QString author;
    QString publisher;
    QString price;
    QString inDate;
    QString attach;
    QString yearVolPeri;
};
CopyDetails copyDetails(AppContext &context, const ItemRow &row);

// The result of entering one code.
struct Entry {
    enum class Status { Empty, Found, NotFound, NoRight, Failed };
    Status status = Status::Empty;
    QString code; // the normalised code (written back into txtInputCode)
    ItemRow row;
    // The answers to the form's own selects read along with the lookup
    // (ItemEntry::setAlong), in their order.
    QList<QueryResult> along;

    bool found() const { return status == Status::Found; }
};

// What a form does with an entry: its step on the copy found; nothing to do
// for an empty entry; a refusal (the entry's message already shown) when no
// copy was found; a failure when the lookup failed.
template <class Outcome, class Step>
Outcome withFoundCopy(const Entry &e, Step &&step)
{
    if (e.status == Entry::Status::Failed)
        return Outcome::Failed;
    if (!e.found())
        return e.status == Entry::Status::Empty ? Outcome::Empty : Outcome::Refused;
    return step(e.row);
}

// The copy search as a form uses it (the copy search dialog): given the form's
// processing location ("All" for none), the accession number of the copy
// chosen, or nothing when the person cancelled.
using CopyPicker = std::function<std::optional<QString>(const QString &location)>;

// The entry pattern every processing form shares: input type, processing
// location, normalisation, the lookup with its messages and the right on
// the copy's location.
class ItemEntry {
public:
    ItemEntry(AppContext &context, const BarcodeSettings &barcode);

    InputType inputType() const { return inputType_; }
    void setInputType(InputType type) { inputType_ = type; }
    // Empty: no location restriction.
    const QString &processingLocation() const { return processingLocation_; }
    void setProcessingLocation(const QString &location) { processingLocation_ = location; }
    // Whether the lookup tests the operator's right on the copy's location.
    void setCheckRights(bool on) { checkRights_ = on; }
    // Whether the lookup reads the copy's circulation row along with it
    // (ItemRow::circulation), for a form whose checks need it.
    void setReadCirculation(bool on) { readCirculation_ = on; }
    // Selects of the form's own, made from the normalised code, read in the
    // lookup's round trip (Entry::along): the reads a form's step needs
    // before its transaction, at no round trip of their own. None given: the
    // lookup alone.
    using AlongReads = std::function<QStringList(const QString &code, InputType type)>;
    void setAlong(AlongReads along) { along_ = std::move(along); }
    // Whether a failed lookup shows the database error (the default), or
    // leaves it in the error record for the form to show or not (a lost
    // session the form deals with itself).
    void setShowFailure(bool on) { showFailure_ = on; }

    QString normalise(const QString &text) const;

    // Normalises the text of the input box and looks the copy up, showing
    // the refusals (an import collects them: kit/MessageCollector).
    Entry enter(const QString &text);
    // Looks up a code that is already normalised (a search result).
    Entry lookup(const QString &code, InputType type);

    // Whether a copy's location is the processing location (always true
    // without one).
    bool atProcessingLocation(const ItemRow &row) const;

private:
    AppContext &context_;
    BarcodeSettings barcode_;
    InputType inputType_ = InputType::Barcode;
    QString processingLocation_;
    bool checkRights_ = true;
    bool readCirculation_ = false;
    bool showFailure_ = true;
    AlongReads along_;
};

} // namespace kestra
