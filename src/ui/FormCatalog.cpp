// The forms of the program. Each subsystem adds its forms here.

#include "ui/FormRegistry.h"

#include "items/BookStateForm.h"
#include "items/CopySearchDialog.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QPointer>
#include <memory>

namespace kestra {

namespace {

// The barcode settings the main window read when it opened; read from the
// file when a form is opened without one (a structure rule that does not
// parse is then ignored: the main window reports it).
BarcodeSettings barcodeSettings(AppContext &context)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *main = qobject_cast<MainWindow *>(w))
            return main->mainSession().barcode();
    }
    return loadBarcodeSettings(context.folders(), context.codePage());
}

// The copy search of a processing form: one search per form, so that its
// history lasts as long as the form; it gives the chosen copy's accession
// number.
CopyPicker copySearchFor(AppContext &context, QWidget *form)
{
    auto search = std::make_shared<CopySearch>(context);
    return [search, owner = QPointer<QWidget>(form)](const QString &location) -> std::optional<QString> {
        const std::optional<FoundCopy> copy = CopySearchDialog::run(*search, location, owner.data());
        if (!copy)
            return std::nullopt;
        return copy->propNo;
    };
}

} // namespace

void registerForms(FormRegistry &registry)
{
    registry.add(QStringLiteral("frmHold_BookState"), [](AppContext &context, const QString &) -> QWidget * {
        auto *form = new BookStateForm(context, barcodeSettings(context));
        form->setCopySearch(copySearchFor(context, form));
        return form;
    });
}

} // namespace kestra
