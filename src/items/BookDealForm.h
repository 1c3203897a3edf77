#pragma once

#include "copies/NormStat.h"
#include "items/DealProcess.h"

#include <QList>
#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace kestra {

class AppContext;
class CodeEntry;
class CommandBar;

// The processing forms frmHold_BookRepair (01), frmHold_BookCheckBack (02)
// and frmHold_BookPR_EX_RJ (03 weeding, 04 gift, 05 exchange): one layout
// over the type's controller. Controls keep the suite's names: txtBatch,
// txtLocaName, optSelect, txtInputCode, txtFee, txtBook_Target, txtRemark,
// cmdChange, the detail boxes of the copy last found (txtPropno ...), the lists spdBookLst (first column the undo mark)
// and spdItemAll, and the command bar tbDC.
class BookDealForm : public QWidget {
    Q_OBJECT
public:
    BookDealForm(AppContext &context, const BarcodeSettings &barcode, const QString &type, QWidget *parent = nullptr);
    ~BookDealForm() override;

    // The form name of a processing type.
    static QString formName(const QString &type);

    // The copy search behind "SearchBook"; without one the button stays
    // disabled.
    void setCopySearch(CopyPicker search);
    void setNormStatChooser(NormStatChooser choose);

    DealProcess &controller() { return *deal_; }

private:
    void buildControls();
    void runCommand(const QString &key);
    void selectBatch();
    void showBatch();
    void enterCode(const QString &text);
    void showAllItems();
    void print();
    void exportMarc();
    void finish(bool reopen);
    void showBatchState();
    void syncInputs();
    void showInputs();

    AppContext &context_;
    QString type_;
    std::unique_ptr<DealProcess> deal_;
    CopyPicker search_;

    CommandBar *tbDC_ = nullptr;
    QLineEdit *txtBatch_ = nullptr;
    QLineEdit *txtLocaName_ = nullptr;
    QLabel *lblState_ = nullptr;
    CodeEntry *txtInputCode_ = nullptr;
    QLineEdit *txtFee_ = nullptr;
    QLineEdit *txtBookTarget_ = nullptr;
    QLineEdit *txtRemark_ = nullptr;
    QPushButton *cmdChange_ = nullptr;
    QTableView *spdBookLst_ = nullptr;
    QTableView *spdItemAll_ = nullptr;
    QLabel *lblCount_ = nullptr;
    QList<QLineEdit *> details_;
};

} // namespace kestra
