#pragma once

#include "core/AppContext.h"

#include <QHash>
#include <QString>
#include <functional>

class QWidget;

namespace kestra {

// The forms the main window can open, by form name ("frmHold_BookState").
// Each subsystem registers its forms in FormCatalog.cpp; a command whose
// form is not registered is shown disabled.
class FormRegistry {
public:
    // Creates the form for a mode ("" when the form has none). The main
    // window shows it as a child window and owns it.
    using Factory = std::function<QWidget *(AppContext &context, const QString &mode)>;

    void add(const QString &formName, Factory factory) { factories_.insert(formName, std::move(factory)); }
    bool has(const QString &formName) const { return factories_.contains(formName); }
    QWidget *create(const QString &formName, AppContext &context, const QString &mode) const;

private:
    QHash<QString, Factory> factories_;
};

// Registers every form the program has.
void registerForms(FormRegistry &registry);

} // namespace kestra
