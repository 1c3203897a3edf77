#pragma once

#include "items/DealBatch.h"
#include "ui/BatchDialog.h"

#include <QDialog>
#include <optional>

class QLineEdit;

namespace kestra {

class AppContext;

// frmHold_BookBatch (choose, create, amend, delete a processing batch of
// one type) and its twin frmHold_BookBatch_Done (choose and delete only):
// the batch dialog over deal_batch_lst.
class BookBatchDialog : public BatchDialog {
    Q_OBJECT
public:
    enum class Kind { Full, Done };

    BookBatchDialog(AppContext &context, const QString &type, const QString &location, Kind kind,
                    QWidget *parent = nullptr);

    // The batch chosen with OK; nothing when cancelled.
    static std::optional<DealBatch> choose(AppContext &context, const QString &type, const QString &location, Kind kind,
                                           QWidget *parent);

    std::optional<DealBatch> chosen() const;
};

// frmHold_BookBatchRemark: a new batch (number, location, remark) or the
// remark of an existing one.
class BookBatchRemarkDialog : public QDialog {
    Q_OBJECT
public:
    // Creation mode when batch is empty.
    BookBatchRemarkDialog(AppContext &context, const QString &type, const DealBatch &batch, QWidget *parent = nullptr);

    const DealBatch &batch() const { return batch_; }

private:
    void accept() override;

    AppContext &context_;
    QString type_;
    DealBatch batch_;
    QLineEdit *txtBatch_;
    class LocationBox *cboLocation_;
    QLineEdit *txtRemark_;
};

} // namespace kestra
