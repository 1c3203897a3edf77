#pragma once

#include "items/BookState.h"

#include <QWidget>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolBar;

namespace kestra {

// frmHold_BookState (书刊状态特别处理): the widgets over BookState. Controls
// keep the suite's names: optType (0 single copies, 1 by location),
// optSelect (0 barcode, 1 accession number), txtInputCode, cmbNewState,
// chkOpac, cmbDisLoca, cmbOldState, cmdChange, the list spdBookLst (first
// column the undo mark) and the command bar tbDC with the keys Import,
// SearchBook, SelectAll, UndoState and Exit.
class BookStateForm : public QWidget {
    Q_OBJECT
public:
    BookStateForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent = nullptr);

    // The copy search behind "SearchBook"; without one the button stays
    // disabled.
    void setCopySearch(CopyPicker search);

    BookState &controller() { return state_; }

private:
    void buildControls();
    void setMode(BookState::Mode mode);
    void processInput();
    void runImport();
    void runSearch();
    void selectAll();
    void runUndo();
    void runChangeByLocation();
    void closeForm();
    void showCount();

    AppContext &context_;
    BookState state_;
    CopyPicker search_;
    QButtonGroup *optType_ = nullptr;
    QButtonGroup *optSelect_ = nullptr;
    QLineEdit *txtInputCode_ = nullptr;
    QComboBox *cmbNewState_ = nullptr;
    QCheckBox *chkOpac_ = nullptr;
    QComboBox *cmbDisLoca_ = nullptr;
    QComboBox *cmbOldState_ = nullptr;
    QPushButton *cmdChange_ = nullptr;
    QTableView *spdBookLst_ = nullptr;
    QToolBar *tbDC_ = nullptr;
    QLabel *lblCount_ = nullptr;
    QList<QWidget *> singleOnly_;
    QList<QWidget *> locationOnly_;
    QAction *importAction_ = nullptr;
    QAction *searchAction_ = nullptr;
};

} // namespace kestra
