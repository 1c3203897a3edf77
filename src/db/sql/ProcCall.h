#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace kestra {

// One argument of a procedure block.
struct ProcArg {
    enum class Kind {
        Null,   // NULL, or '' (Oracle has no empty text)
        Text,   // a quoted literal
        Number, // a bare number, possibly signed
        Bind,   // a placeholder :NAME
    };
    Kind kind = Kind::Null;
    // Text: the value (quotes removed, doubled quotes undone); Number: the
    // number as written ("-12.50"); Bind: the name without the colon.
    QString text;

    bool isNull() const { return kind == Kind::Null; }
    // Null: an invalid QVariant; Text: QString; Number: qlonglong when it is
    // a whole number that fits, else double; Bind: the name.
    QVariant value() const;
    // What a VARCHAR2 parameter receives: the text, a number in Oracle's
    // text form ("-12.5"), empty for NULL.
    QString asText() const;
};

struct ProcCall {
    QString name;          // as written, dots included: "TJ_SORT.GetBulkData"
    QStringList nameParts; // {"TJ_SORT", "GetBulkData"}; quoted names without quotes
    QList<ProcArg> args;

    QString procedure() const { return nameParts.isEmpty() ? QString() : nameParts.last(); }
    // The package (or schema) part, empty when the name has none.
    QString qualifier() const { return nameParts.mid(0, nameParts.size() - 1).join(u'.'); }
};

// Recognises "Begin name(args); end;" (any case, any whitespace and
// comments, optional package or schema prefix, "name;" and "name();" for no
// arguments). An argument is a quoted literal, NULL, a bare number or a bind
// placeholder. Anything else is refused with an Oracle-style text in *error
// ("ORA-01756: quoted string not properly terminated ...",
// "ORA-06550: line 1, column 31: ...").
std::optional<ProcCall> parseProcBlock(const QString &sql, QString *error);

// DbCallProc's rewrite: "name args" becomes "Begin name(args); end;". The
// text is trimmed and split at its first blank (or other whitespace). With
// emptyToSpace the arguments' empty literals become one blank, as
// emptyLiteralsToSpace() does.
QString procCallBlock(const QString &call, bool emptyToSpace = false);

} // namespace kestra
