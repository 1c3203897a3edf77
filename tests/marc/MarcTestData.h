#pragma once

// Records assembled byte by byte, independently of the code under test, so
// that a fault in the serializer cannot hide the same fault in the parser.

#include "marc/MarcCodec.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

namespace kestra::test {

// A file under tests/marc/data. The folder comes from the build rather than
// from __FILE__, which a compiler cache may shorten to a relative path.
inline QString marcTestFile(const QString &name)
{
    return QStringLiteral(KESTRA_TESTS_DIR "/marc/data/") + name;
}

using RawField = std::pair<QByteArray, QByteArray>; // tag, body without terminator

inline QByteArray gbkBytes(const QString &text)
{
    return MarcCodec().encode(text);
}

inline QByteArray gbkBytes(const char *utf8)
{
    return gbkBytes(QString::fromUtf8(utf8));
}

// "\x1F" + code + value, the value given as UTF-8 source text in GBK bytes.
inline QByteArray sf(char code, const char *utf8)
{
    return QByteArray(1, 0x1F) + code + gbkBytes(utf8);
}

inline QByteArray isoRecord(const QList<RawField> &fields, QByteArray leader = "00000nam0 2200000   450 ")
{
    QByteArray directory;
    QByteArray data;
    for (const RawField &f : fields) {
        const QByteArray body = f.second + char(0x1E);
        directory += f.first + QByteArray::number(body.size()).rightJustified(4, '0') +
                     QByteArray::number(data.size()).rightJustified(5, '0');
        data += body;
    }
    const int base = 24 + int(directory.size()) + 1;
    const int total = base + int(data.size()) + 1;
    leader.replace(0, 5, QByteArray::number(total).rightJustified(5, '0'));
    leader.replace(12, 5, QByteArray::number(base).rightJustified(5, '0'));
    return leader + directory + char(0x1E) + data + char(0x1D);
}

// A UNIMARC record with Chinese text before later fields, so that byte
// positions and character positions part ways.
inline QByteArray chineseUnimarc()
{
    return isoRecord({
        {"001", "CAL012005000123"},
        {"010", "  " + sf('a', "978-7-02-012345-6") + sf('d', "CNY35.00")},
        {"200", "1 " + sf('a', "红楼梦") + sf('e', "校注本") + sf('f', "曹雪芹著") + sf('g', "无名氏续")},
        {"200", "1 " + sf('b', "专著")},
        {"210", "  " + sf('a', "北京") + sf('c', "人民文学出版社") + sf('d', "2008")},
        {"461", " 0" + sf('1', "001CAL0001") + sf('1', "2001 ") + sf('a', "中国古典文学读本丛书") + sf('1', "2001 ") +
                    sf('a', "四大名著")},
        {"690", "  " + sf('a', "I242.4") + sf('v', "5")},
        {"701", " 0" + sf('a', "曹雪芹") + sf('4', "著")},
        {"701", " 1" + sf('a', "高鹗") + sf('4', "续")},
    });
}

inline QByteArray chineseMarc21()
{
    return isoRecord(
        {
            {"001", "ocm00012345"},
            {"100", "1 " + sf('6', "880-01") + sf('a', "Cao, Xueqin.")},
            {"245", "10" + sf('6', "880-02") + sf('a', "Hong lou meng /") + sf('c', "Cao Xueqin zhu.")},
            {"245", "00" + sf('a', "Dream of the red chamber")},
            {"260", "  " + sf('6', "880-03") + sf('a', "Beijing :") + sf('b', "Ren min wen xue,")},
            {"880", "1 " + sf('6', "100-01/$1") + sf('a', "曹雪芹.")},
            {"880", "10" + sf('6', "245-02/$1") + sf('a', "红楼梦 /") + sf('c', "曹雪芹著.")},
            {"880", "  " + sf('6', "260-03/$1") + sf('a', "北京 :") + sf('b', "人民文学,")},
        },
        "00000nam  2200000 a 4500");
}

} // namespace kestra::test
