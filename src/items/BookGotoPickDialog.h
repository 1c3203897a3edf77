#pragma once

#include <QDialog>

class QLabel;

namespace kestra {

class RowModelBase;

// frmHold_BookGoto_SearchResult: the copies a class number or handover
// batch found, each with a check mark (cmdSelectAll, cmdSelectUnAll); OK
// (cmdOK) takes the marked ones, cancel (cmdCancel) none.
class BookGotoPickDialog : public QDialog {
    Q_OBJECT
public:
    explicit BookGotoPickDialog(RowModelBase &picks, QWidget *parent = nullptr);

private:
    void showCount();

    RowModelBase &picks_;
    QLabel *lblCount_ = nullptr;
};

} // namespace kestra
