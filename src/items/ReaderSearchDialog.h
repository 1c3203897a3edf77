#pragma once

#include "items/ReaderSearch.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kestra {

class AppContext;

// frmHold_BookRedrQuery: the modal reader search of the lost-items form.
// cboQuery (the kind), txtQuery (Enter searches), cmdQuery, the grid
// spdRedr, lblStatus (the wait text of a name search), cmdOK, cmdCancel.
class ReaderSearchDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReaderSearchDialog(AppContext &context, QWidget *parent = nullptr);

    // The chosen reader's card number (reader_cert.redr_cert_id), nothing
    // on Cancel.
    static std::optional<QString> run(AppContext &context, QWidget *parent = nullptr);

    const std::optional<QString> &chosen() const { return chosen_; }
    ReaderSearch &controller() { return search_; }

    void clickQuery();
    void clickOK();

private:
    ReaderSearch search_;
    QComboBox *cboQuery_;
    QLineEdit *txtQuery_;
    QPushButton *cmdQuery_;
    QTableWidget *spdRedr_;
    QLabel *lblStatus_;
    QPushButton *cmdOK_;
    QPushButton *cmdCancel_;
    std::optional<QString> chosen_;
};

} // namespace kestra
