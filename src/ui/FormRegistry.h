#pragma once

#include "copies/ItemEntry.h"
#include "core/AppContext.h"
#include "core/SettingsFiles.h"

#include <QHash>
#include <QString>
#include <QVariantMap>
#include <functional>

class QWidget;

namespace kestra {

class UserSettingsStore;

// The choosers that forms of several subsystems share. A subsystem's
// registration sets the ones it owns (the items forms give the copy search);
// a form asks for its own instance, so that a chooser's history lasts as
// long as the form.
struct FormPickers {
    std::function<CopyPicker(AppContext &context, QWidget *form)> copySearch;
};

// What a form is opened with: named values that the opened form documents
// ("mode" for a command's mode; "batchNo", "propNo", "marcRecNo" and the like
// for a form opened on something another form holds).
using FormArgs = QVariantMap;

// The mode a command opens a form in ("" when none).
inline QString formMode(const FormArgs &args)
{
    return args.value(QStringLiteral("mode")).toString();
}

// A form that takes arguments. The door hands them to a new instance right
// after it is shown, and to an open instance instead of opening a second one,
// so the form has one way in whether it was open already or not.
class FormTarget {
public:
    virtual ~FormTarget() = default;
    virtual void setArguments(const FormArgs &args) = 0;
};

// The one door through which a form opens another (the main window is the
// one in the program): checks the operator's right for the form, brings an
// open instance forward and re-targets it, or makes one. Null when nothing
// was opened (no such form, no right: the reason was shown).
class FormOpener {
public:
    virtual ~FormOpener() = default;
    virtual QWidget *openForm(const QString &form, const FormArgs &args) = 0;
};

// What a form factory gets: the context, the barcode settings the main
// window read when it opened, the per-user store (sizes and column widths),
// the shared pickers and the door to other forms. Built by the main window
// for each form it opens, so no form has to look for the main window; a
// form that opens others keeps a copy.
struct FormServices {
    AppContext &context;
    const BarcodeSettings &barcode;
    UserSettingsStore &settings;
    const FormPickers &pickers;
    FormOpener *opener = nullptr;

    // Opens (or re-targets) another form; null when nothing was opened.
    QWidget *open(const QString &form, const FormArgs &args = {}) const
    {
        return opener != nullptr ? opener->openForm(form, args) : nullptr;
    }
};

// The forms the main window can open, by form name ("frmHold_BookState").
// Each subsystem registers its own forms (registerItemsForms in
// src/items/ItemsForms.cpp ...); the composition root calls registerForms
// (src/shell/ProgramForms). A command whose form is not
// registered is shown disabled.
class FormRegistry {
public:
    // Creates the form for its arguments (formMode(args) is the command's
    // mode). The main window shows it as a child window and owns it.
    using Factory = std::function<QWidget *(const FormServices &services, const FormArgs &args)>;

    // right: the module right a form needs when another form opens it and
    // no command of the main window names it (a command's own right
    // applies otherwise).
    void add(const QString &formName, Factory factory, const QString &right = {})
    {
        factories_.insert(formName, std::move(factory));
        if (!right.isEmpty())
            rights_.insert(formName, right);
    }
    bool has(const QString &formName) const { return factories_.contains(formName); }
    QString right(const QString &formName) const { return rights_.value(formName); }
    QWidget *create(const QString &formName, const FormServices &services, const FormArgs &args) const;

    FormPickers &pickers() { return pickers_; }
    const FormPickers &pickers() const { return pickers_; }

private:
    QHash<QString, Factory> factories_;
    QHash<QString, QString> rights_;
    FormPickers pickers_;
};

} // namespace kestra
