#include "items/BookLost2.h"

// The reader as the lost-items form shows it.

namespace kestra {

namespace {

QString lostReaderFlag(const QString &flag)
{
    return flag == QLatin1String("1") ? QStringLiteral("是") : QStringLiteral("否");
}

} // namespace

QString BookLost2::readerLine() const
{
    if (!hasReader())
        return {};
    const LostReader &r = reader_;
    return QStringLiteral("%1  %2  %3  %4  %5  违章：%6  欠款：%7")
        .arg(r.name, r.dept, r.occupation, r.typeName, r.gradeName, lostReaderFlag(r.voltFlag),
             lostReaderFlag(r.debtFlag));
}

QString BookLost2::readerDetails() const
{
    if (!hasReader())
        return {};
    const LostReader &r = reader_;
    return QStringLiteral(
               "读者证号：%1\n证件号：%2\n姓名：%3\n身份证号：%4\n单位：%5\n职业：%6\n读者类型：%7\n借阅等级：%8")
        .arg(r.cardNo, r.certId, r.name, r.idCard, r.dept, r.occupation, r.typeName, r.gradeName);
}

} // namespace kestra
