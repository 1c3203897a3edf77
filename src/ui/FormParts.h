#pragma once

#include "copies/ItemCodes.h"

#include <QList>
#include <QString>

class QAbstractItemModel;
class QButtonGroup;
class QDate;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QWidget;

namespace kestra {

class CodeBox;
class CodeEntry;
class ItemEntry;

// Small builders every form uses, so that a form file holds its layout and
// wiring only.

// A named radio button with its id in a group.
QRadioButton *addOption(QButtonGroup *group, const QString &name, int id, const QString &text, QWidget *parent);

// A named text box that takes at most maxLength characters.
QLineEdit *makeLineEdit(const QString &name, int maxLength, QWidget *parent);

// A named date box with a calendar, showing days as the suite stores them.
QDateEdit *makeDateEdit(const QString &name, const QDate &date, QWidget *parent);

// A named push button.
QPushButton *makeButton(const QString &name, const QString &text, QWidget *parent);

// The find row over a list: a caption, the box txtFind taking the free
// width, the button cmdFind (查询), which Enter in the box clicks.
struct FindRow {
    QHBoxLayout *row;
    QLineEdit *text;
    QPushButton *button;
};
FindRow makeFindRow(const QString &caption, QWidget *parent);

// A named button that never takes Enter, for dialogs in which Enter belongs
// to a text box (it searches or finds).
QPushButton *dialogButton(QWidget *parent, const char *objectName, const QString &text);

// The row of buttons at the foot of a window: `left` from the left edge,
// `right` against the right edge, the free width between them.
QHBoxLayout *makeFootRow(const QList<QWidget *> &left, const QList<QWidget *> &right);

// The scan box of a processing form (txtInputCode, at most 60 characters)
// with its choice of what is scanned: barcode (optSelect_0, chosen) or
// accession number (optSelect_1), in the group optSelect whose ids are those
// numbers. A choice goes to the form's entry and puts the focus back in the
// box, ready for the next scan.
struct ScanInput {
    QButtonGroup *group;
    QRadioButton *byBarcode;
    QRadioButton *byAccession;
    CodeEntry *code;
};
ScanInput makeScanInput(ItemEntry &entry, QWidget *owner, QWidget *parent);

// A named drop-down of code names.
CodeBox *makeCodeBox(const QString &name, const QList<CodeName> &entries, QWidget *parent);

// A read-only grid of whole rows over a model the form's controller keeps:
// rows are selected whole, a RowModel's mark column is narrow, the copy
// title wide.
QTableView *makeRowGrid(QAbstractItemModel *model, const QString &name, QWidget *parent);

// The model column under a heading; -1 when none has it.
int columnOf(const QAbstractItemModel &model, const QString &heading);

// The label under a grid that says how many copies it lists ("共N册").
QLabel *makeCountLabel(QWidget *parent);
void showCopyCount(QLabel *label, qsizetype copies);

// Closes a form: its workspace window when it has one, else the form itself.
void closeForm(QWidget *form);

} // namespace kestra
