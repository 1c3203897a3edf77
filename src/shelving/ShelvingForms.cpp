// The forms of the compact stacks and the virtual shelves. A title listed in
// any of them opens the record window through the door.

#include "shelving/ShelvingForms.h"

#include "shelving/CompactShelfForm.h"
#include "shelving/ShelfRenameForm.h"
#include "shelving/ShelfStatForm.h"
#include "shelving/VirtualShelfForm.h"
#include "ui/FormRegistry.h"

namespace kestra {

namespace {

FormArgs recordArgs(const QString &marcRecNo, const QString &propNo)
{
    FormArgs args{{QStringLiteral("marcRecNo"), marcRecNo}};
    if (!propNo.isEmpty())
        args.insert(QStringLiteral("propNo"), propNo);
    return args;
}

} // namespace

void registerShelvingForms(FormRegistry &registry)
{
    const auto scanForm = [](CompactShelfForm::Kind kind) {
        return [kind](const FormServices &s, const FormArgs &) -> QWidget * {
            auto *form = new CompactShelfForm(s.context, s.barcode, kind);
            if (s.pickers.copySearch)
                form->setCopySearch(s.pickers.copySearch(s.context, form));
            return form;
        };
    };
    registry.add(QStringLiteral("frmCompactShelf"), scanForm(CompactShelfForm::Kind::Shelf));
    registry.add(QStringLiteral("frmCompactBarCode"), scanForm(CompactShelfForm::Kind::Barcode));
    registry.add(QStringLiteral("frmCompactModifyShelf"), [](const FormServices &s, const FormArgs &) -> QWidget * {
        auto *form = new ShelfRenameForm(s.context);
        QObject::connect(form, &ShelfRenameForm::recordWanted, form, [s](const QString &no, const QString &prop) {
            s.open(u"frmBookInfo"_qs, recordArgs(no, prop));
        });
        return form;
    });
    registry.add(QStringLiteral("frmCompactStat"), [](const FormServices &s, const FormArgs &) -> QWidget * {
        auto *form = new ShelfStatForm(s.context);
        QObject::connect(form, &ShelfStatForm::recordWanted, form, [s](const QString &no, const QString &prop) {
            s.open(u"frmBookInfo"_qs, recordArgs(no, prop));
        });
        return form;
    });
    registry.add(QStringLiteral("frmVirtualShelf"), [](const FormServices &s, const FormArgs &) -> QWidget * {
        auto *form = new VirtualShelfForm(s.context);
        QObject::connect(form, &VirtualShelfForm::recordWanted, form,
                         [s](const QString &no) { s.open(u"frmBookInfo"_qs, recordArgs(no, QString())); });
        return form;
    });
}

} // namespace kestra
