#pragma once

#include "items/BookLost2.h"

#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QTableView;

namespace kestra {

class AppContext;

// frmHold_BookLost2 (读者异常注销): a reader's card, the loans, and the
// declaration that all of them are lost.
class BookLost2Form : public QWidget {
    Q_OBJECT
public:
    // The reader search as the form uses it: the card number chosen, or
    // nothing.
    using ReaderPicker = std::function<std::optional<QString>()>;

    explicit BookLost2Form(AppContext &context, QWidget *parent = nullptr);

    void setReaderSearch(ReaderPicker search) { search_ = std::move(search); }
    BookLost2 &controller() { return lost_; }

private:
    void readCard(const QString &card);
    void showReader();

    AppContext &context_;
    BookLost2 lost_;
    ReaderPicker search_;
    QLineEdit *txtCardNo_;
    QLineEdit *txtReason_;
    QLabel *lblReader_;
    QTableView *spdBookLst_;
};

} // namespace kestra
