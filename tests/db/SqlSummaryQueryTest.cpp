// DbQuerySummary's Unicode-mode rewrite.

#include "db/sql/SummaryQuery.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;

class SqlSummaryQueryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rewrites_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("distinct list")
            << " SELECT DISTINCT marc.m_title,marc.m_author,marc.m_publisher,marc.m_pub_year,marc.m_call_no,"
               "marc.doc_type_code,marc.marc_use_flag,marc.marc_rec_no  FROM marc,indi_acct WHERE indi_acct.prop_no='1'"
            << " SELECT DISTINCT dump( marc.m_title,16) , dump(marc.m_author,16) , dump(marc.m_publisher,16) , "
               "dump(marc.m_pub_year,16) , dump(marc.m_call_no,16) ,marc.doc_type_code,marc.marc_use_flag,"
               "marc.marc_rec_no   FROM  marc,indi_acct WHERE indi_acct.prop_no='1'";
        QTest::newRow("words upper-cased")
            << "select m_isbn, marc_rec_no from marc where m_isbn in (select x from y)"
            << "SELECT dump( m_isbn,16) , marc_rec_no  FROM  marc where m_isbn in (SELECT x FROM y)";
        QTest::newRow("every summary column")
            << "SELECT M_CLASSNO,m_heading,M_See,m_seealso,m_info,flag FROM marc"
            << "SELECT dump( M_CLASSNO,16) , dump(m_heading,16) , dump(M_See,16) , dump(m_seealso,16) , "
               "dump(m_info,16) ,flag  FROM  marc";
        QTest::newRow("alias stays outside")
            << "SELECT m_title 题名, m_author AS \"责任者\", price 出版年 FROM marc"
            << "SELECT dump( m_title,16) 题名, dump( m_author,16) AS \"责任者\", dump( price,16) 出版年 FROM  marc";
        QTest::newRow("commas inside a call stay")
            << "SELECT nvl(m_title,'-'), substr(m_author, 1, 10), a FROM marc"
            << "SELECT dump( nvl(m_title,'-'),16) , dump( substr(m_author, 1, 10),16) , a  FROM  marc";
        QTest::newRow("literals untouched")
            << "SELECT m_title, 'select, from distinct' FROM marc WHERE m_author = 'from, M_TITLE'"
            << "SELECT dump( m_title,16) , 'select, from distinct'  FROM  marc WHERE m_author = 'from, M_TITLE'";
        QTest::newRow("distinct after a long prefix") << "      SELECT   DISTINCT m_title FROM marc"
                                                      << "      SELECT   DISTINCT dump( m_title ,16)  FROM  marc";
        QTest::newRow("no select list") << "update marc set m_title = 'x'"
                                        << "update marc set m_title = 'x'";
        QTest::newRow("no from") << "select m_title"
                                 << "SELECT m_title";
    }
    void rewrites()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(rewriteSummaryQuery(in), out);
    }
};

KESTRA_TEST(SqlSummaryQueryTest)
#include "SqlSummaryQueryTest.moc"
