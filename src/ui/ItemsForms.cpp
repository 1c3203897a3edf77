// The forms of the item processing subsystem, and the copy search that the
// processing forms of every subsystem share.

#include "items/BookGotoForm.h"
#include "items/BookStateForm.h"
#include "items/CopySearchDialog.h"
#include "items/TransferDocForm.h"
#include "ui/FormRegistry.h"

#include <QPointer>
#include <memory>

namespace kestra {

namespace {

// One search per form, so that its history lasts as long as the form; it
// gives the chosen copy's accession number.
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

void registerItemsForms(FormRegistry &registry)
{
    registry.pickers().copySearch = copySearchFor;
    registry.add(QStringLiteral("frmHold_BookState"), [](const FormServices &s, const QString &) -> QWidget * {
        auto *form = new BookStateForm(s.context, s.barcode);
        if (s.pickers.copySearch)
            form->setCopySearch(s.pickers.copySearch(s.context, form));
        return form;
    });
    registry.add(QStringLiteral("frmHold_BookGoto_New"), [](const FormServices &s, const QString &) -> QWidget * {
        auto *form = new BookGotoForm(s.context, s.barcode);
        if (s.pickers.copySearch)
            form->setCopySearch(s.pickers.copySearch(s.context, form));
        return form;
    });
    registry.add(QStringLiteral("frmTransferDoc"),
                 [](const FormServices &s, const QString &) -> QWidget * { return new TransferDocForm(s.context); });
}

} // namespace kestra
