// The reader search on both backends: each query kind with its checks.

#include "items/ReaderSearch.h"
#include "items/SearchTestData.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

using Kind = ReaderSearch::Kind;
using Outcome = ReaderSearch::Outcome;

QStringList cards(const ReaderSearch &s)
{
    QStringList out;
    for (const FoundReader &r : s.readers())
        out.append(r.cardNo);
    return out;
}

} // namespace

class ReaderSearchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void certificateAndCard_data() { addBackendRows(); }
    void certificateAndCard()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedReaders(f));
        ReaderSearch s(f.context());

        // A certificate lists the reader's valid cards only, as the card
        // number would: the lapsed K000 is not offered.
        QCOMPARE(s.search(Kind::CertId, QStringLiteral(" C001 ")), Outcome::Listed);
        QCOMPARE(cards(s), QStringList{QStringLiteral("K001")});
        const FoundReader &r = s.readers().at(0);
        QCOMPARE(r.name, QStringLiteral("王小明"));
        QCOMPARE(r.typeName, QStringLiteral("普通读者"));
        QCOMPARE(r.gradeName, QStringLiteral("普通外借"));
        QCOMPARE(r.dept, QStringLiteral("历史系"));
        QCOMPARE(*s.choose(0), QStringLiteral("K001"));
        QVERIFY(!s.choose(1));
        // With no valid card left: ELT203, like the card number.
        QVERIFY(f.exec(QStringLiteral("UPDATE reader_cert SET cert_flag='0' WHERE redr_cert_id='K001'")));
        QCOMPARE(s.search(Kind::CertId, QStringLiteral("C001")), Outcome::CardInvalid);
        QCOMPARE(f.prompter().lastText(), QStringLiteral("该读者证已经失效，不能使用！"));
        QVERIFY(s.readers().isEmpty());
        QVERIFY(f.exec(QStringLiteral("UPDATE reader_cert SET cert_flag='1' WHERE redr_cert_id='K001'")));

        QCOMPARE(s.search(Kind::CertId, QStringLiteral("C002")), Outcome::Deleted);
        QCOMPARE(f.prompter().lastText(), QStringLiteral("该读者已经注销！注销日期：2024-05-01"));
        QVERIFY(s.readers().isEmpty());
        QCOMPARE(s.search(Kind::CertId, QStringLiteral("C999")), Outcome::NotFound);
        QCOMPARE(f.prompter().lastText(), QStringLiteral("没有找到该读者！"));

        QCOMPARE(s.search(Kind::CardNo, QStringLiteral("K001")), Outcome::Listed);
        QCOMPARE(cards(s), QStringList{QStringLiteral("K001")});
        QCOMPARE(s.search(Kind::CardNo, QStringLiteral("K000")), Outcome::CardInvalid);
        QCOMPARE(f.prompter().lastText(), QStringLiteral("该读者证已经失效，不能使用！"));
        QVERIFY(s.readers().isEmpty());
        QCOMPARE(s.search(Kind::CardNo, QStringLiteral("K999")), Outcome::NotFound);
    }

    void identityCardAndName_data() { addBackendRows(); }
    void identityCardAndName()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedReaders(f));
        ReaderSearch s(f.context());

        // Only valid cards.
        QCOMPARE(s.search(Kind::IdCard, QStringLiteral("11010119900101123X")), Outcome::Listed);
        QCOMPARE(cards(s), QStringList{QStringLiteral("K001")});
        QCOMPARE(s.search(Kind::IdCard, QStringLiteral("110101199202022345")), Outcome::Listed); // card valid
        QCOMPARE(s.search(Kind::IdCard, QStringLiteral("1101")), Outcome::NotFound);

        // A name prefix, valid readers and cards only.
        QCOMPARE(s.search(Kind::Name, QStringLiteral("王")), Outcome::Listed);
        QCOMPARE(cards(s), QStringList{QStringLiteral("K001")});
        QCOMPARE(s.search(Kind::Name, QStringLiteral("O'B")), Outcome::Listed);
        QCOMPARE(cards(s), QStringList{QStringLiteral("K003")});
        for (const QString &v : {QStringLiteral("%"), QStringLiteral("_"), QStringLiteral("王大"),
                                 QStringLiteral("' OR '1'='1"), QString(10000, QChar(0x738B))}) {
            QCOMPARE(s.search(Kind::Name, v), Outcome::NotFound);
        }
        f.prompter().clear();
        QCOMPARE(s.search(Kind::Name, QStringLiteral("  ")), Outcome::NoValue);
        QCOMPARE(f.prompter().lastText(), QStringLiteral("请输入检索条件！"));
        QCOMPARE(f.one(QStringLiteral("SELECT count(*) FROM reader")), QStringLiteral("3"));
    }
};

KESTRA_TEST(ReaderSearchTest)
#include "ReaderSearchTest.moc"
