#pragma once

#include "copies/ItemEntry.h"
#include "core/AppContext.h"
#include "core/SettingsFiles.h"

#include <QHash>
#include <QString>
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

// What a form factory gets: the context, the barcode settings the main
// window read when it opened, the per-user store (sizes and column widths)
// and the shared pickers. Built by the main window for each form it opens,
// so no form has to look for the main window.
struct FormServices {
    AppContext &context;
    const BarcodeSettings &barcode;
    UserSettingsStore &settings;
    const FormPickers &pickers;
};

// The forms the main window can open, by form name ("frmHold_BookState").
// Each subsystem registers its own forms (registerItemsForms in
// src/items/ItemsForms.cpp ...); the composition root calls registerForms
// (src/shell/ProgramForms). A command whose form is not
// registered is shown disabled.
class FormRegistry {
public:
    // Creates the form for a mode ("" when the form has none). The main
    // window shows it as a child window and owns it.
    using Factory = std::function<QWidget *(const FormServices &services, const QString &mode)>;

    void add(const QString &formName, Factory factory) { factories_.insert(formName, std::move(factory)); }
    bool has(const QString &formName) const { return factories_.contains(formName); }
    QWidget *create(const QString &formName, const FormServices &services, const QString &mode) const;

    FormPickers &pickers() { return pickers_; }
    const FormPickers &pickers() const { return pickers_; }

private:
    QHash<QString, Factory> factories_;
    FormPickers pickers_;
};

} // namespace kestra
