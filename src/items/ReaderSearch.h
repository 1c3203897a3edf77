#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kestra {

class AppContext;

// One reader card the reader search lists (a row of spdRedr).
struct FoundReader {
    QString cardNo; // reader_cert.redr_cert_id
    QString certId; // reader.cert_id
    QString name;
    QString idCard;
    QString dept;
    QString occupation;
    QString typeName;  // reader_type.redr_type_name
    QString gradeName; // lend_grd.remark
    QString certFlag;  // reader_cert.cert_flag
};

// frmHold_BookRedrQuery without its widgets: finds readers by certificate
// id, identity card, name prefix or card number, with the checks of each
// kind, for the lost-items form, which reads the reader by the card number.
class ReaderSearch {
public:
    // cboQuery, in list order.
    enum class Kind { CertId = 0, IdCard = 1, Name = 2, CardNo = 3 };
    static QString kindName(Kind kind);
    // The text shown while a name search runs.
    static QString waitText() { return QStringLiteral("数据正在检索中,请稍候..."); }

    enum class Outcome {
        Listed,
        NoValue,     // EBM003
        NotFound,    // ELT201
        Deleted,     // ELT202: the reader is cancelled
        CardInvalid, // ELT203: the card is no longer valid
        Failed       // the database error was shown
    };

    explicit ReaderSearch(AppContext &context);

    // The listing statement of a kind for a typed value; empty when the
    // value leaves nothing to search for.
    QString buildSql(Kind kind, const QString &value) const;

    Outcome search(Kind kind, const QString &value);
    const QList<FoundReader> &readers() const { return readers_; }
    // The card number of a listed row; nothing for a row that is not.
    std::optional<QString> choose(int row) const;

private:
    AppContext &context_;
    QList<FoundReader> readers_;
};

} // namespace kestra
