#pragma once

#include "items/DealBatch.h"
#include "kit/BatchPicker.h"

#include <QDialog>
#include <optional>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kestra {

class AppContext;

// frmHold_BookBatch (choose, create, amend, delete a processing batch of
// one type) and its twin frmHold_BookBatch_Done (choose and delete only).
class BookBatchDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Full, Done };

    BookBatchDialog(AppContext &context, const QString &type, const QString &location, Kind kind,
                    QWidget *parent = nullptr);

    // The batch chosen with OK; nothing when cancelled.
    static std::optional<DealBatch> choose(AppContext &context, const QString &type, const QString &location, Kind kind,
                                           QWidget *parent);

    const std::optional<DealBatch> &chosen() const { return chosen_; }
    // Reads the list again (after a change).
    void reload();

private:
    void find();
    void create();
    void amend();
    void remove();
    void accept() override;
    std::optional<DealBatch> current() const;

    AppContext &context_;
    QString type_;
    QString location_;
    Kind kind_;
    BatchPicker picker_;
    QTableWidget *grid_;
    QLineEdit *txtFind_;
    std::optional<DealBatch> chosen_;
};

// frmHold_BookBatchRemark: a new batch (number, location, remark) or the
// remark of an existing one.
class BookBatchRemarkDialog : public QDialog {
    Q_OBJECT
public:
    // Creation mode when batch is empty.
    BookBatchRemarkDialog(AppContext &context, const QString &type, const DealBatch &batch, QWidget *parent = nullptr);

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
