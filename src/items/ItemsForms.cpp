// The forms of the item processing subsystem, and the copy search that the
// processing forms of every subsystem share.

#include "items/ItemsForms.h"

#include "items/BookDealForm.h"
#include "items/BookGotoForm.h"
#include "items/BookLost2Form.h"
#include "items/BookStateForm.h"
#include "items/CopySearchDialog.h"
#include "items/NormStatDialog.h"
#include "items/TransferDocForm.h"
#include "ui/FormParts.h"
#include "ui/FormRegistry.h"

#include <QTableView>

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

// A double-click on a copy of the form's list opens the record window on
// the copy (the window finds its record; a row without an accession number
// opens nothing).
void openRecordOnDoubleClick(ScanForm *form, const FormServices &s)
{
    auto *list = form->findChild<QTableView *>(QStringLiteral("spdBookLst"));
    if (list == nullptr)
        return;
    QObject::connect(list, &QAbstractItemView::doubleClicked, form, [s, list](const QModelIndex &index) {
        const QAbstractItemModel *model = list->model();
        const int propColumn = columnOf(*model, QStringLiteral("财产号"));
        const int recordColumn = columnOf(*model, QStringLiteral("记录号"));
        auto textAt = [&](int column) {
            return column < 0 ? QString() : model->index(index.row(), column).data().toString();
        };
        const QString propNo = textAt(propColumn);
        if (propNo.isEmpty())
            return;
        s.open(QStringLiteral("frmBookInfo"),
               {{QStringLiteral("marcRecNo"), textAt(recordColumn)}, {QStringLiteral("propNo"), propNo}});
    });
}

} // namespace

void registerItemsForms(FormRegistry &registry)
{
    registry.pickers().copySearch = copySearchFor;
    registry.add(QStringLiteral("frmHold_BookState"), [](const FormServices &s, const FormArgs &) -> QWidget * {
        auto *form = new BookStateForm(s.context, s.barcode);
        if (s.pickers.copySearch)
            form->setCopySearch(s.pickers.copySearch(s.context, form));
        openRecordOnDoubleClick(form, s);
        return form;
    });
    registry.add(QStringLiteral("frmHold_BookGoto_New"), [](const FormServices &s, const FormArgs &) -> QWidget * {
        auto *form = new BookGotoForm(s.context, s.barcode);
        if (s.pickers.copySearch)
            form->setCopySearch(s.pickers.copySearch(s.context, form));
        openRecordOnDoubleClick(form, s);
        return form;
    });
    // The handover batches: opened by the window that needs a batch (its
    // name as "caller"), which gets the chosen one back through the door.
    registry.add(
        QStringLiteral("frmTransferDoc"),
        [](const FormServices &s, const FormArgs &) -> QWidget * {
            auto *form = new TransferDocForm(s.context);
            QObject::connect(form, &TransferDocForm::batchChosen, form, [s, form](const QString &moveBatch) {
                if (!form->caller().isEmpty())
                    s.open(form->caller(), {{QStringLiteral("moveBatch"), moveBatch}});
            });
            QObject::connect(form, &TransferDocForm::printRequested, form,
                             [s](const QString &name, const QString &moveBatch) {
                                 s.open(name, {{QStringLiteral("moveBatch"), moveBatch}});
                             });
            return form;
        },
        QStringLiteral("3001"));
    // Repair (01), check-back (02), and weeding, gift and exchange (the
    // command's mode: 03, 04, 05) share one form.
    auto dealForm = [](const QString &type) {
        return [type](const FormServices &s, const FormArgs &args) -> QWidget * {
            const QString t = type.isEmpty() ? formMode(args) : type;
            if (deal_form::caption(t).isEmpty())
                return nullptr;
            auto *form = new BookDealForm(s.context, s.barcode, t);
            if (s.pickers.copySearch)
                form->setCopySearch(s.pickers.copySearch(s.context, form));
            form->setNormStatChooser(normStatDialogChooser(form));
            openRecordOnDoubleClick(form, s);
            return form;
        };
    };
    registry.add(QStringLiteral("frmHold_BookRepair"), dealForm(QStringLiteral("01")));
    registry.add(QStringLiteral("frmHold_BookCheckBack"), dealForm(QStringLiteral("02")));
    registry.add(QStringLiteral("frmHold_BookPR_EX_RJ"), dealForm(QString()));
    registry.add(QStringLiteral("frmHold_BookLost2"),
                 [](const FormServices &s, const FormArgs &) -> QWidget * { return new BookLost2Form(s.context); });
}

} // namespace kestra
