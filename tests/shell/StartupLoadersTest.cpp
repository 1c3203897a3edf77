// The bibliographic probes that follow a connection: the storage mode from
// the declared width of marc03, the index width from marc_idx_cont, on the
// shipped schema and on a schema with national-character-width columns.

#include "shell/StartupLoaders.h"
#include "core/Session.h"
#include "marc/BibParams.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

class StartupLoadersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shippedSchemaIsAnsiWithWideIndex_data() { addBackendRows(); }
    void shippedSchemaIsAnsiWithWideIndex()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QCOMPARE(probeBibliographicStorage(f.context()), 0);
        const BibParams &p = f.context().cache<BibParams>();
        QVERIFY(!p.unicodeMode);
        QVERIFY(!f.db().unicodeMode());
        QCOMPARE(p.indexWidth, 60);
    }

    void widerMarc03MeansUnicodeMode()
    {
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, int(TestDatabase::Kind::Sqlite));
        // The Unicode-mode variant of the table: marc03 wider than 2000.
        QVERIFY(f.exec(QStringLiteral("drop table marc_data")));
        QVERIFY(f.exec(QStringLiteral("create table marc_data (marc_rec_no VARCHAR(20), data_serial INTEGER, "
                                      "marc01 VARCHAR(4000), marc02 VARCHAR(4000), marc03 VARCHAR(4000))")));
        QCOMPARE(probeBibliographicStorage(f.context()), 0);
        QVERIFY(f.context().cache<BibParams>().unicodeMode);
        QVERIFY(f.db().unicodeMode());
        QCOMPARE(f.context().cache<BibParams>().indexWidth, 60);
    }

    void databaseWithoutTablesKeepsDefaults()
    {
        TestContext tc;
        tc.writeFile(QStringLiteral("DAT/empty.db"), QByteArray());
        tc.writeText(QStringLiteral("kestra.ini"),
                     QStringLiteral("[LIB-DATA]\nLIB_SERVER=S\n[S]\nDSN=sqlite:DAT/empty.db\nUID=\nPWD=\n"));
        QCOMPARE(tc.context().loadIniSettings(), 0);
        tc.context().db().addConnectProbe([&tc](Session &) { return probeBibliographicStorage(tc.context()); });
        QCOMPARE(tc.context().db().connect(), 0);
        QVERIFY(!tc.context().cache<BibParams>().unicodeMode);
        QCOMPARE(tc.context().cache<BibParams>().indexWidth, 30);
    }
};

KESTRA_TEST(StartupLoadersTest)
#include "StartupLoadersTest.moc"
