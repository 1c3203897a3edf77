#pragma once

#include "copies/ItemCodes.h"
#include "core/CodeTables.h"

#include <QComboBox>

namespace kestra {

class AppContext;

// A drop-down of names whose item data are the codes: forms show names and
// work with codes.
class CodeBox : public QComboBox {
    Q_OBJECT
public:
    explicit CodeBox(QWidget *parent = nullptr);

    // Replaces the entries; a list with a blank entry first when blankFirst.
    void setEntries(const QList<CodeName> &entries, const QString &blankFirst = QString());
    // Columns 0 and 1 of a code table (code, name).
    void setEntries(const QueryResult &table, const QString &blankFirst = QString());

    QString currentCode() const { return currentData().toString(); }
    // Selects a code; false (selection unchanged) when the list lacks it.
    bool setCurrentCode(const QString &code);
};

// A list over one of the code tables read at start-up (document types,
// languages, circulation types ...).
class CodeTableBox : public CodeBox {
    Q_OBJECT
public:
    CodeTableBox(AppContext &context, CodeCache table, QWidget *parent = nullptr,
                 const QString &blankFirst = QString());
};

// The locations an operator may work with for one operation type: the
// current location list, rebuilt for that type, which under locations
// restricted per operator (system parameter 47) holds only the operator's
// own. The operator's current location is chosen when the list has it.
class LocationBox : public CodeBox {
    Q_OBJECT
public:
    // An empty operation type keeps the current list as it is.
    LocationBox(AppContext &context, const QString &operType, QWidget *parent = nullptr);

    // Rebuilds the list for an operation type; -1 (database error shown,
    // entries unchanged) on failure.
    int reload(const QString &operType);

private:
    AppContext &context_;
};

} // namespace kestra
