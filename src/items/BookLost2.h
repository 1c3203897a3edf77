#pragma once

#include "copies/ItemRecord.h"
#include "kit/RowModel.h"

#include <QList>
#include <QString>

namespace kestra {

class AppContext;

// The reader header of the lost-items form.
struct LostReader {
    QString certId;
    QString idCard;
    QString name;
    QString dept;
    QString occupation;
    QString voltFlag;
    QString debtFlag;
    QString gradeName; // lend_grd.remark
    QString typeName;  // reader_type.redr_type_name
    QString cardNo;    // reader_cert.redr_cert_id
};

// One copy on the reader's loan list.
struct LoanCopy {
    ItemRow row; // status and lending flag as read
    QString lendFlag;
};

// frmHold_BookLost2 without its widgets: a reader's loans declared lost in
// one step, with the reader's card and reader rows, all or nothing.
class BookLost2 {
public:
    explicit BookLost2(AppContext &context);

    // Reads the reader of a card number and the loan list. 1 found, 0 no
    // such card (ELT201 shown), -1 failed (shown).
    int readReader(const QString &cardNo);
    bool hasReader() const { return !reader_.certId.isEmpty(); }
    const LostReader &reader() const { return reader_; }

    // The reason written to the reader row (position 25).
    QString reason = QStringLiteral("声明丢失");

    // cmdOK: QDC013, then every copy on the reader's loan list to 3B, the
    // card made invalid and the reader deregistered, in one transaction.
    // The loans are read again inside it: a copy returned since the card
    // was entered is no longer the reader's to lose. Once done, the form is
    // disarmed until a card is entered again: a second OK says there is
    // nothing to do. 1 done, 0 declined or nothing to do, -1 failed
    // (everything rolled back).
    int declareLost();
    bool declared() const { return declared_; }

    RowModel<LoanCopy> &model() { return rows_; }
    const QList<LoanCopy> &rows() const { return rows_.rows(); }

private:
    int readLoans(QList<LoanCopy> &loans);

    AppContext &context_;
    LostReader reader_;
    RowModel<LoanCopy> rows_;
    bool declared_ = false;
};

} // namespace kestra
