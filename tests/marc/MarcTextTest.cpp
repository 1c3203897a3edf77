#include "marc/MarcText.h"
#include "marc/MarcCodec.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

class MarcTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void codecTablesAgreeWithTheConverter()
    {
        // Every GBK character through the tables and through the platform
        // converter gives the same text and the same bytes.
        for (const char *name : {"GBK", "GB18030"}) {
            const CodePage page{QString::fromLatin1(name)};
            const MarcCodec codec{page};
            QString all;
            for (int lead = 0x81; lead <= 0xFE; ++lead) {
                for (int trail = 0x40; trail <= 0xFE; ++trail) {
                    const char pair[2] = {char(lead), char(trail)};
                    const QString viaCodec = codec.decode(QByteArrayView(pair, 2));
                    QCOMPARE(viaCodec, page.decode(QByteArray(pair, 2)));
                    if (viaCodec.size() == 1 && viaCodec.at(0).unicode() != 0xFFFD)
                        all += viaCodec;
                }
            }
            for (qsizetype at = 0; at < all.size(); at += 40) {
                const QString slice = all.mid(at, 40) + QStringLiteral("x");
                QCOMPARE(codec.encode(slice), page.encode(slice));
            }
        }
        // Four-byte GB18030 and invalid bytes go to the converter.
        const MarcCodec gb18030{CodePage(QStringLiteral("GB18030"))};
        QCOMPARE(gb18030.decode(QByteArray("\x81\x30\x81\x30"
                                           "A")),
                 QString(QChar(0x80)) + QLatin1Char('A'));
        QCOMPARE(gb18030.encode(QString(QChar(0x80))), QByteArray("\x81\x30\x81\x30"));
        const QString reused = u("书名");
        QString buffer = reused;
        MarcCodec().decodeInto(QByteArray("\xCA\xE9"), buffer);
        QCOMPARE(buffer, u("书"));
        QCOMPARE(reused, u("书名")); // the shared copy was not written through
        QCOMPARE(MarcCodec::utf8().decode(QByteArray("\xE4\xB9\xA6")), u("书"));
        // Whatever the bytes, UTF-8 decodes as the converter decodes it.
        for (const QByteArray &bytes : {QByteArray("a\xC3\xA9\xE4\xB9\xA6\xF0\x9F\x98\x80z"), QByteArray("\xC0\xAF"),
                                        QByteArray("\xED\xA0\x80"), QByteArray("\xE4\xB9"), QByteArray("x\xFF\x80y")})
            QCOMPARE(MarcCodec::utf8().decode(bytes), QString::fromUtf8(bytes));
        bool ok = true;
        MarcCodec::named(QStringLiteral("no-such-codepage"), &ok);
        QVERIFY(!ok);
        QVERIFY(MarcCodec::named(QStringLiteral("gbk"), &ok) == MarcCodec());
        QVERIFY(ok);
        QVERIFY(MarcCodec::named(QStringLiteral("utf8")) == MarcCodec::utf8());
    }

    void midByBytesCountsCodePageBytes()
    {
        const MarcCodec gbk;
        const QString text = u("ab红楼梦cd");
        QCOMPARE(midByBytes(text, 3, 4, gbk), u("红楼"));
        QCOMPARE(midByBytes(text, 9, -1, gbk), QStringLiteral("cd"));
        QCOMPARE(midByBytes(text, 1, 2, gbk), QStringLiteral("ab"));
        QCOMPARE(midByBytes(text, 0, 3, gbk), QStringLiteral("ab")); // half a character at the end is dropped
        QCOMPARE(midByBytes(text, 20, 2, gbk), QString());
        QCOMPARE(midByBytes(QString(), 1, -1, gbk), QString());
        QCOMPARE(midByBytes(text, 3, 0, gbk), QString());
    }

    void unicodeLiterals()
    {
        QCOMPARE(encodeUnistr(u("书A'")), QStringLiteral("\\4E66\\0041\\0027"));
        QCOMPARE(unicodeLiteral(u("书'"), true), QStringLiteral("unistr('\\4E66\\0027')"));
        QCOMPARE(unicodeLiteral(u("O'书"), false), u("'O''书'"));
        QCOMPARE(unicodeLiteral(QString(), false), QStringLiteral("''"));

        // A 2,000-character chunk is joined from literals Oracle takes, and
        // a surrogate pair on the cut stays in one of them.
        QString chunk = QString(798, QChar(0x4E66)) + u("\xf0\xa0\x80\x80") + QString(1200, QLatin1Char('\''));
        const QString sql = unicodeLiteral(chunk, true);
        QString back;
        for (const QString &piece : sql.split(QStringLiteral("||"))) {
            QVERIFY(piece.startsWith(QLatin1String("unistr('")) && piece.endsWith(QLatin1String("')")));
            const QString inner = piece.mid(8, piece.size() - 10);
            QVERIFY(inner.size() + 2 <= MaxSqlLiteral); // the quoted literal
            QVERIFY(!inner.endsWith(QLatin1String("\\D840")));
            for (qsizetype i = 0; i + 5 <= inner.size(); i += 5)
                back.append(QChar(char16_t(inner.mid(i + 1, 4).toUShort(nullptr, 16))));
        }
        QCOMPARE(back, chunk);
        QCOMPARE(sql.count(QLatin1String("unistr(")), 3);
    }

    void decodeDumpCells()
    {
        QCOMPARE(decodeDump(u"Typ=1 Len=6 CharacterSet=AL16UTF16: 4e,66,0,41,0,1e"), u("书A\x1e"));
        QCOMPARE(decodeDump(u"Typ=1 Len=2: 0,a"), QStringLiteral("\n"));
        QCOMPARE(decodeDump(u"NULL"), QString());
        QCOMPARE(decodeDump(u""), QString());
        QCOMPARE(decodeDump(u"Typ=1 Len=3: 0,41,0"), QStringLiteral("A"));
        QCOMPARE(decodeDump(u"Typ=1 Len=4: 0,41,zz,42"), QStringLiteral("A"));
        QCOMPARE(decodeDump(u"no colon here"), QString());
    }

    void isbnCounterparts()
    {
        QCOMPARE(isbnCounterpart(QStringLiteral("7-5600-1234-5")), QStringLiteral("978-7-5600-1234-"));
        QCOMPARE(isbnCounterpart(QStringLiteral("978-7-5600-1234-2")), QStringLiteral("7-5600-1234-"));
        QCOMPARE(isbnCounterpart(QStringLiteral("7560012345")), QStringLiteral("978756001234"));
        QCOMPARE(isbnCounterpart(QStringLiteral("9787560012342")), QStringLiteral("756001234"));
        QCOMPARE(isbnCounterpart(QStringLiteral("9771234567003")), QStringLiteral("1234567"));
        QCOMPARE(isbnCounterpart(QStringLiteral("12345")), QString());
        QCOMPARE(isbnCounterpart(QStringLiteral("7-56-1")), QString());
    }

    void searchKeys()
    {
        StopWords stop;
        stop[0] = QStringLiteral("THE, a");
        stop[1] = u("丛书,,文集");
        stop[2] = u("《》");
        stop[3] = QStringLiteral(".:");
        QCOMPARE(normaliseSearchKey(QStringLiteral("The History"), stop), QStringLiteral("History"));
        QCOMPARE(normaliseSearchKey(u("  《红楼梦》 A  study. "), stop), u("红楼梦 study"));
        QCOMPARE(normaliseSearchKey(u("鲁迅文集丛书"), stop), u("鲁迅"));
        QCOMPARE(normaliseSearchKey(QStringLiteral("   "), stop), QString());
        QCOMPARE(normaliseSearchKey(QStringLiteral("Theory"), stop), QStringLiteral("Theory"));

        // The index normalises then upper-cases, the searches upper-case
        // what was typed first: both must give the same key.
        stop[1] = QStringLiteral("l',d'");
        stop[2] = QStringLiteral("x");
        for (const QString &title : {u("L'Étranger"), u("The d'Artagnan saga"), QStringLiteral("Xanadu")})
            QCOMPARE(normaliseSearchKey(title, stop).toUpper(), normaliseSearchKey(title.toUpper(), stop));
        QCOMPARE(normaliseSearchKey(u("L'Étranger"), stop), u("Étranger"));

        QCOMPARE(isbnSearchForms(QStringLiteral(" 7-5600-1234-x")),
                 (QStringList{QStringLiteral("7-5600-1234-X"), QStringLiteral("978-7-5600-1234-")}));
        QCOMPARE(isbnSearchForms(QStringLiteral("12345")), QStringList{QStringLiteral("12345")});
        QCOMPARE(isbnCondition(QStringLiteral("c"), QStringLiteral("12345"), false), QStringLiteral("c LIKE '12345%'"));
    }

    void widthCuts()
    {
        const MarcCodec gbk;
        QCOMPARE(widthCutPosition(u("红楼梦记"), 5, gbk), 2);
        QCOMPARE(widthCutPosition(u("红楼梦记"), 20, gbk), 5);
        QCOMPARE(widthCutPosition(u("红楼梦记"), 8, gbk), 4);
        QCOMPARE(widthCutPosition(u("ab 红楼"), 4, gbk), 2); // the blank before the cut goes too
        QCOMPARE(widthCutPosition(QStringLiteral("abc"), 0, gbk), 0);
        QCOMPARE(widthCutPosition(QString(), 3, gbk), 1);
        // A character outside the BMP is one wide character, never halved.
        const MarcCodec gb18030{CodePage(QStringLiteral("GB18030"))};
        const QString pair = u("a\xf0\xa0\x80\x80"
                               "b");
        QCOMPARE(widthCutPosition(pair, 2, gb18030), 1);
        QCOMPARE(widthCutPosition(pair, 3, gb18030), 3);
        QCOMPARE(widthCutPosition(pair, 4, gb18030), 4);
    }

    void charactersCodePagesCannotHold()
    {
        const MarcCodec gbk;
        const MarcCodec gb18030{CodePage(QStringLiteral("GB18030"))};
        for (const QString &text : {u("ø"), u("\xcc\x88"), u("\xf0\xa0\x80\x80"), u("ς")}) {
            QVERIFY(gbk.firstUnencodable(QString(u("红") + text)) == 1);
            QCOMPARE(gb18030.firstUnencodable(text), -1);
        }
        QCOMPARE(gbk.firstUnencodable(u("红楼梦 Война é　")), -1);
        QCOMPARE(MarcCodec::utf8().firstUnencodable(QString(1, QChar(0xD800))), 0);
        // Bytes of one character, for a scan that moves by characters.
        const QByteArray bytes = gb18030.encode(u("a书\xf0\xa0\x80\x80"));
        QCOMPARE(gb18030.charLength(bytes, 0), 1);
        QCOMPARE(gb18030.charLength(bytes, 1), 2);
        QCOMPARE(gb18030.charLength(bytes, 3), 4);
        QCOMPARE(MarcCodec::utf8().charLength(QByteArrayView("\xe4\xb9\xa6"), 0), 3);
        QCOMPARE(MarcCodec::utf8().charLength(QByteArrayView("\xe4\x41"), 0), 1);
    }

    void leadingNumbers()
    {
        QCOMPARE(leadingNumber(u" 12a"), 12);
        QCOMPARE(leadingNumber(u"x1"), 0);
        QCOMPARE(leadingNumber(u"-3"), -3);
        QCOMPARE(leadingNumber(u"99999999999999"), 1000000000);
    }
};

KESTRA_TEST(MarcTextTest)
#include "MarcTextTest.moc"
