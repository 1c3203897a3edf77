#pragma once

#include "copies/NormStat.h"
#include "items/DealProcess.h"
#include "ui/ScanForm.h"

#include <QList>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace kestra {

class AppContext;

// The processing forms frmHold_BookRepair (01), frmHold_BookCheckBack (02)
// and frmHold_BookPR_EX_RJ (03 weeding, 04 gift, 05 exchange): one scan form
// over the type's controller. Controls keep the suite's names: txtBatch,
// txtLocaName, lblState, txtFee, txtBook_Target, txtRemark, cmdChange, the
// detail boxes of the copy last found (txtPropno ...), spdItemAll under the
// skeleton's list, and the command bar tbDC.
class BookDealForm : public ScanForm {
    Q_OBJECT
public:
    BookDealForm(AppContext &context, const BarcodeSettings &barcode, const QString &type, QWidget *parent = nullptr);
    ~BookDealForm() override;

    // The form name of a processing type.
    static QString formName(const QString &type);

    void setNormStatChooser(NormStatChooser choose);

    DealProcess &controller() { return *deal_; }

protected:
    void beforeScan() override;
    void afterScan(const ScanReport &report) override;
    void showCommands() override;
    void listChanged() override;

private:
    void buildControls();
    void bindCommands();
    void selectBatch();
    void showAllItems();

    AppContext &context_;
    QString type_;
    std::unique_ptr<DealProcess> deal_;

    QLineEdit *txtBatch_ = nullptr;
    QLineEdit *txtLocaName_ = nullptr;
    QLabel *lblState_ = nullptr;
    QLineEdit *txtFee_ = nullptr;
    QLineEdit *txtBookTarget_ = nullptr;
    QLineEdit *txtRemark_ = nullptr;
    QPushButton *cmdChange_ = nullptr;
    QTableView *spdItemAll_ = nullptr;
    QList<QLineEdit *> details_;
};

} // namespace kestra
