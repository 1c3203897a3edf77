#pragma once

#include "items/BookGoto.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;

namespace kestra {

class ClassNumberBox;
class CodeBox;
class CodeEntry;
class CommandBar;

// frmHold_BookGoto_New (书刊调拨): the widgets over BookGoto. Controls keep
// the suite's names: the kinds optItem, optKind, optBatch and optLocation,
// optGotoBatch with lblGotoBatch, cmbLoca_Src, cmbLoca_Dst, cmbNewState,
// cmbDoc, optSelect (0 barcode, 1 accession number), txtInputCode, the range
// txtStartCode/txtEndCode with cmdRange, txtInputKind with cmdKind,
// txtMoveBatch with cmdMoveBatch, cmdLocation, the list spdBookLst, and the
// command bar tbDC with SelectBatch, Import, SearchBook, SelectAll,
// UndoGoto, Print (Print1 the list, Print2 its preview), Connect, Detail
// and Exit.
class BookGotoForm : public QWidget {
    Q_OBJECT
public:
    BookGotoForm(AppContext &context, const BarcodeSettings &barcode, QWidget *parent = nullptr);

    void setCopySearch(CopyPicker search);
    BookGoto &controller() { return goto_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls(AppContext &context);
    QWidget *buildGathering();
    void chooseKind(int id);
    void chooseSource();
    void selectBatch();
    void toggleBatch(bool on);
    void showPlan();
    void pick(bool byClass);
    void runCommand(const QString &key);
    void showCount();

    AppContext &context_;
    BookGoto goto_;
    CopyPicker search_;
    QButtonGroup *optKind_ = nullptr;
    QCheckBox *optGotoBatch_ = nullptr;
    QLabel *lblGotoBatch_ = nullptr;
    CodeBox *cmbSource_ = nullptr;
    CodeBox *cmbDestination_ = nullptr;
    CodeBox *cmbNewState_ = nullptr;
    CodeBox *cmbDoc_ = nullptr;
    CodeEntry *txtInputCode_ = nullptr;
    QLineEdit *txtStartCode_ = nullptr;
    QLineEdit *txtEndCode_ = nullptr;
    ClassNumberBox *txtInputKind_ = nullptr;
    QLineEdit *txtMoveBatch_ = nullptr;
    CommandBar *tbDC_ = nullptr;
    QLabel *lblCount_ = nullptr;
    QList<QWidget *> byCopy_;
    QList<QWidget *> byClass_;
    QList<QWidget *> byBatch_;
    QList<QWidget *> byLocation_;
};

} // namespace kestra
