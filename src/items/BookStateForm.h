#pragma once

#include "items/BookState.h"
#include "ui/ScanForm.h"

class QButtonGroup;
class QCheckBox;

namespace kestra {

class CodeBox;

// frmHold_BookState (书刊状态特别处理): the scan form over BookState.
// Controls keep the suite's names: optType (0 single copies, 1 by
// location), the scan box, cmbNewState, chkOpac, cmbDisLoca, cmbOldState,
// cmdChange, and the skeleton's list, output and command bar with the keys
// Import, SearchBook, SelectAll, UndoState and Exit.
class BookStateForm : public ScanForm {
    Q_OBJECT
public:
    BookStateForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent = nullptr);

    BookState &controller() { return state_; }

protected:
    void showCommands() override;

private:
    void buildControls(AppContext &context);
    void setMode(BookState::Mode mode);

    BookState state_;
    QButtonGroup *optType_ = nullptr;
    CodeBox *cmbNewState_ = nullptr;
    QCheckBox *chkOpac_ = nullptr;
    CodeBox *cmbDisLoca_ = nullptr;
    CodeBox *cmbOldState_ = nullptr;
    QList<QWidget *> singleOnly_;
    QList<QWidget *> locationOnly_;
};

} // namespace kestra
