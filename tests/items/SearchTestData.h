#pragma once

// A small library for the search tests: records with index keys as the
// catalogue stores them (upper case, title keys without stop words), copies
// in two locations, circulation rows, call numbers, records on order,
// authority records and readers.

#include "core/Session.h"
#include "support/SuiteFixture.h"

#include <QStringList>

namespace kestra::test {

inline bool addRecord(SuiteFixture &f, const QString &no, const QString &title, const QString &author)
{
    return f.exec(QStringLiteral("INSERT INTO marc (marc_rec_no,marc_type,m_title,m_author) VALUES (%1,'C',%2,%3)")
                      .arg(sqlQuote(no), sqlQuote(title), sqlQuote(author)));
}

inline bool addKey(SuiteFixture &f, const QString &no, const QString &group, const QString &key,
                   const QString &table = QStringLiteral("marc_idx"))
{
    return f.exec(
        QStringLiteral("INSERT INTO %1 VALUES (%2,%3,%4)").arg(table, sqlQuote(no), sqlQuote(group), sqlQuote(key)));
}

inline bool addCopy(SuiteFixture &f, const QString &prop, const QString &no, const QString &bar,
                    const QString &location, const QString &callNo = QString())
{
    return f.exec(QStringLiteral("INSERT INTO indi_acct (prop_no,marc_rec_no,bar_code,dis_location,book_stat_code,"
                                 "call_no,shelf_no) VALUES (%1,%2,%3,%4,'41',%5,'S-01')")
                      .arg(sqlQuote(prop), sqlQuote(no), sqlQuote(bar), sqlQuote(location), sqlQuote(callNo)));
}

// M1 中国历史 (张三): copies C1 in L1 and C2 in L2, C1 in circulation.
// M2 中国文学 (李四): copy C3 in L1, call number I206/2 in call_no_lst.
// M3 The History of Rome: copy C4 in L1.
// M4 中国地理: no copies.
// M5, M6: author keys with wildcards in them, no copies.
inline bool seedCatalogue(SuiteFixture &f)
{
    return addRecord(f, QStringLiteral("M1"), QStringLiteral("中国历史"), QStringLiteral("张三")) &&
           addRecord(f, QStringLiteral("M2"), QStringLiteral("中国文学"), QStringLiteral("李四")) &&
           addRecord(f, QStringLiteral("M3"), QStringLiteral("The History of Rome"), QStringLiteral("Gibbon")) &&
           addRecord(f, QStringLiteral("M4"), QStringLiteral("中国地理"), QStringLiteral("王五")) &&
           addRecord(f, QStringLiteral("M5"), QStringLiteral("折扣"), QStringLiteral("50%_OFF")) &&
           addRecord(f, QStringLiteral("M6"), QStringLiteral("折扣"), QStringLiteral("50XXOFF")) &&
           addKey(f, QStringLiteral("M1"), QStringLiteral("01"), QStringLiteral("中国历史")) &&
           addKey(f, QStringLiteral("M2"), QStringLiteral("01"), QStringLiteral("中国文学")) &&
           addKey(f, QStringLiteral("M3"), QStringLiteral("01"), QStringLiteral("HISTORY ROME")) &&
           addKey(f, QStringLiteral("M4"), QStringLiteral("01"), QStringLiteral("中国地理")) &&
           addKey(f, QStringLiteral("M1"), QStringLiteral("02"), QStringLiteral("张三")) &&
           addKey(f, QStringLiteral("M2"), QStringLiteral("02"), QStringLiteral("李四")) &&
           addKey(f, QStringLiteral("M3"), QStringLiteral("02"), QStringLiteral("GIBBON")) &&
           addKey(f, QStringLiteral("M5"), QStringLiteral("02"), QStringLiteral("50%_OFF")) &&
           addKey(f, QStringLiteral("M6"), QStringLiteral("02"), QStringLiteral("50XXOFF")) &&
           addCopy(f, QStringLiteral("C1"), QStringLiteral("M1"), QStringLiteral("B0001"), QStringLiteral("L1"),
                   QStringLiteral("K207/1")) &&
           addCopy(f, QStringLiteral("C2"), QStringLiteral("M1"), QStringLiteral("B0002"), QStringLiteral("L2"),
                   QStringLiteral("K207/1")) &&
           addCopy(f, QStringLiteral("C3"), QStringLiteral("M2"), QStringLiteral("B0003"), QStringLiteral("L1"),
                   QStringLiteral("I206/2")) &&
           addCopy(f, QStringLiteral("C4"), QStringLiteral("M3"), QStringLiteral("B1000"), QStringLiteral("L1"),
                   QStringLiteral("K126/3")) &&
           f.exec(QStringLiteral("INSERT INTO item (prop_no,marc_rec_no,bar_code,location,book_stat_code) "
                                 "VALUES ('C1','M1','B0001','L1','41')")) &&
           f.exec(QStringLiteral("INSERT INTO call_no_lst (call_no,marc_rec_no) VALUES ('I206/2','M2')"));
}

// Readers: 王小明 (C001) with a valid card K001 and a lapsed one K000;
// 王大力 (C002) cancelled on 2024-05-01, card K002; O'Brien (C003), card K003.
inline bool seedReaders(SuiteFixture &f)
{
    auto reader = [&f](const char *cert, const QString &name, const char *idCard, const char *flag,
                       const char *delDay) {
        return f.exec(
            QStringLiteral("INSERT INTO reader (cert_id,name,id_card,redr_type_code,lend_grd,dept,"
                           "occupation,redr_flag,redr_del_day) VALUES (%1,%2,%3,'01','01','历史系','教师',%4,%5)")
                .arg(sqlQuote(QString::fromLatin1(cert)), sqlQuote(name), sqlQuote(QString::fromLatin1(idCard)),
                     sqlQuote(QString::fromLatin1(flag)), sqlQuote(QString::fromLatin1(delDay))));
    };
    auto card = [&f](const char *card, const char *cert, const char *flag) {
        return f.exec(QStringLiteral("INSERT INTO reader_cert (redr_cert_id,cert_id,cert_flag) VALUES (%1,%2,%3)")
                          .arg(sqlQuote(QString::fromLatin1(card)), sqlQuote(QString::fromLatin1(cert)),
                               sqlQuote(QString::fromLatin1(flag))));
    };
    return reader("C001", QStringLiteral("王小明"), "11010119900101123X", "1", "") &&
           reader("C002", QStringLiteral("王大力"), "110101199202022345", "0", "2024-05-01") &&
           reader("C003", QStringLiteral("O'Brien"), "110101199303033456", "1", "") && card("K001", "C001", "1") &&
           card("K000", "C001", "0") && card("K002", "C002", "1") && card("K003", "C003", "1");
}

} // namespace kestra::test
