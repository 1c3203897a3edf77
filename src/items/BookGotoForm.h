#pragma once

#include "items/BookGoto.h"
#include "ui/ScanForm.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace kestra {

class ClassNumberBox;
class CodeBox;

// frmHold_BookGoto_New (书刊调拨): the scan form over BookGoto. Controls
// keep the suite's names: the kinds optItem, optKind, optBatch and
// optLocation, optGotoBatch with lblGotoBatch, cmbLoca_Src, cmbLoca_Dst,
// cmbNewState, cmbDoc, the range txtStartCode/txtEndCode with cmdRange,
// txtInputKind with cmdKind, txtMoveBatch with cmdMoveBatch, cmdLocation,
// spdItemAll under the skeleton's list, and the command bar tbDC with
// SelectBatch, Import, SearchBook, ShowAllItem, SelectAll, UndoGoto, Print
// (Print1 the list, Print2 its preview), Connect, Detail and Exit.
class BookGotoForm : public ScanForm {
    Q_OBJECT
public:
    BookGotoForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent = nullptr);

    BookGoto &controller() { return goto_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showCommands() override { showPlan(); }

private:
    void bindCommands();
    void buildControls(AppContext &context);
    QWidget *buildGathering();
    void chooseKind(int id);
    void chooseSource();
    void selectBatch();
    void toggleBatch(bool on);
    void showPlan();
    void pick(bool byClass);
    void showAllItems();

    AppContext &context_;
    BookGoto goto_;
    QButtonGroup *optKind_ = nullptr;
    QCheckBox *optGotoBatch_ = nullptr;
    QLabel *lblGotoBatch_ = nullptr;
    CodeBox *cmbSource_ = nullptr;
    CodeBox *cmbDestination_ = nullptr;
    CodeBox *cmbNewState_ = nullptr;
    CodeBox *cmbDoc_ = nullptr;
    QLineEdit *txtStartCode_ = nullptr;
    QLineEdit *txtEndCode_ = nullptr;
    ClassNumberBox *txtInputKind_ = nullptr;
    QLineEdit *txtMoveBatch_ = nullptr;
    QTableView *spdItemAll_ = nullptr;
    QList<QWidget *> byCopy_;
    QList<QWidget *> byClass_;
    QList<QWidget *> byBatch_;
    QList<QWidget *> byLocation_;
};

} // namespace kestra
