#pragma once

#include "items/BookState.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QLabel;

namespace kestra {

class CodeBox;
class CodeEntry;
class CommandBar;

// frmHold_BookState (书刊状态特别处理): the widgets over BookState. Controls
// keep the suite's names: optType (0 single copies, 1 by location),
// optSelect (0 barcode, 1 accession number), txtInputCode, cmbNewState,
// chkOpac, cmbDisLoca, cmbOldState, cmdChange, the list spdBookLst (first
// column the undo mark, exported and printed through cmdOutput) and the
// command bar tbDC with the keys Import, SearchBook, SelectAll, UndoState
// and Exit.
class BookStateForm : public QWidget {
    Q_OBJECT
public:
    BookStateForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent = nullptr);

    // The copy search behind "SearchBook"; without one the button stays
    // disabled.
    void setCopySearch(CopyPicker search);

    BookState &controller() { return state_; }

private:
    void buildControls(AppContext &context);
    void setMode(BookState::Mode mode);
    void runCommand(const QString &key);
    void showCount();

    BookState state_;
    CopyPicker search_;
    QButtonGroup *optType_ = nullptr;
    CodeEntry *txtInputCode_ = nullptr;
    CodeBox *cmbNewState_ = nullptr;
    QCheckBox *chkOpac_ = nullptr;
    CodeBox *cmbDisLoca_ = nullptr;
    CodeBox *cmbOldState_ = nullptr;
    CommandBar *tbDC_ = nullptr;
    QLabel *lblCount_ = nullptr;
    QList<QWidget *> singleOnly_;
    QList<QWidget *> locationOnly_;
};

} // namespace kestra
