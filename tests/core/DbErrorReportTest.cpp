// ShowDbError's choice of message for each failure: every unique key of the
// suite by its whole name, the child-record words after "_RE", the lock, the
// lost session and the locations outside the database operations.

#include "core/DbErrorReport.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;

namespace {

ErrorRecord failure(int location, int code, const QString &text)
{
    ErrorRecord e;
    e.set(location, code, text, QStringLiteral("LIB_DB_Execute"));
    return e;
}

} // namespace

class DbErrorReportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyUniqueKeyShowsItsOwnMessage_data()
    {
        QTest::addColumn<QString>("constraint");
        QTest::addColumn<QString>("message");
        const QList<QPair<const char *, const char16_t *>> keys = {
            {"INDI_BARCODE_IDX", u"E条码号重复!"},
            {"PK_INDI_ACCT", u"E财产号重复!"},
            {"PK_CALL_NO_LST", u"E索书号重复!"},
            {"PK_WORKSPACE", u"E工作区名称重复!"},
            {"PK_MAX_CLASS_SERIAL", u"E该分类种次最大已存在!"},
            {"PK_ORDER", u"E订购号重复!"},
            {"PK_ASORD_CATA_DETL", u"E征订号重复!"},
            {"PK_ASORD_CATA", u"E征订目录号重复!"},
            {"PK_INPUT_BATCH", u"E批次号重复!"},
            {"PK_CHECK_ACCT", u"E验收批次号重复!"},
            {"PK_RECYCLE_SEC", u"E财产号废号重复!"},
            {"PK_ORDER_CHECK", u"E验收记录重复，该订购号已验收!"},
            {"PK_INVO", u"E发票号码及发票代码重复!"},
            {"PK_READER_CERT", u"E读者条码号重复!"},
            {"PK_READER", u"E读者证件号重复!"},
            {"PK_LOCATION_FUND_DETL", u"E订户经费重复!"},
            {"PK_SOMETHING_ELSE", u"ECM010"},
            {"PK_ORDER_X", u"ECM010"},
        };
        for (const auto &[name, message] : keys)
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf16(message);
    }
    void everyUniqueKeyShowsItsOwnMessage()
    {
        QFETCH(QString, constraint);
        QFETCH(QString, message);
        // As the backends word it, in any case: the mapping upper-cases.
        const QString text =
            QStringLiteral("ORA-00001: unique constraint (kestra.%1) violated").arg(constraint.toLower());
        const DbErrorAction action = chooseDbErrorAction(failure(ErrorRecord::Execute, 1, text));
        QCOMPARE(int(action.kind), int(DbErrorAction::Kind::Message));
        QCOMPARE(action.message, message);
        QVERIFY(action.logSql);
    }

    void childRecordWordsAfterRe_data()
    {
        QTest::addColumn<QString>("constraint");
        QTest::addColumn<QString>("message");
        QTest::newRow("copy") << "FK_ITEM_REFERENCE_ITEM" << QStringLiteral("E该财产已经被相关记录引用!");
        QTest::newRow("call number") << "FK_INDI_ACCT_REFERENCE_CALL" << QStringLiteral("E该索书号已经被相关记录引用!");
        QTest::newRow("record") << "FK_MARC_DATA_REFERENCE_MARC" << QStringLiteral("E该MARC已经被相关记录引用!");
        QTest::newRow("reader") << "FK_READER_CERT_REFERENCE_READER" << QStringLiteral("E该读者已经被相关记录引用!");
        QTest::newRow("none") << "FK_X_REFERENCE_Y" << QStringLiteral("ECM011");
        // The first "_RE" decides where the search starts: the child's own
        // name before it does not count.
        QTest::newRow("child named like a parent")
            << "FK_MARC_REFERENCE_READER" << QStringLiteral("E该读者已经被相关记录引用!");
    }
    void childRecordWordsAfterRe()
    {
        QFETCH(QString, constraint);
        QFETCH(QString, message);
        const QString text =
            QStringLiteral("ORA-02292: integrity constraint (KESTRA.%1) violated - child record found").arg(constraint);
        QCOMPARE(chooseDbErrorAction(failure(ErrorRecord::Execute, 2292, text)).message, message);
    }

    void otherFailures()
    {
        QCOMPARE(chooseDbErrorAction(failure(ErrorRecord::Query, 54, QString())).message,
                 QStringLiteral("E该记录已经被锁定!"));
        for (int code : {28, 1041, 3113, 3114})
            QCOMPARE(int(chooseDbErrorAction(failure(ErrorRecord::Execute, code, QString())).kind),
                     int(DbErrorAction::Kind::Reconnect));
        QCOMPARE(chooseDbErrorAction(failure(ErrorRecord::Execute, 942, QString())).message, QStringLiteral("ECM012"));
        QCOMPARE(chooseDbErrorAction(failure(ErrorRecord::Connect, 12154, QString())).message,
                 QStringLiteral("E与数据库连接失败，启动失败！"));
        QCOMPARE(chooseDbErrorAction(failure(ErrorRecord::Close, 0, QString())).message,
                 QStringLiteral("E关闭数据库出错！系统非正常退出！"));
        QCOMPARE(chooseDbErrorAction(failure(ErrorRecord::LogWrite, 0, QString())).message, QStringLiteral("ECM002"));
        QCOMPARE(chooseDbErrorAction(failure(ErrorRecord::Elsewhere, 5, QString())).message, QStringLiteral("ECM204"));
        QCOMPARE(chooseDbErrorAction(failure(ErrorRecord::Elsewhere, 6, QString())).message, QStringLiteral("ECM205"));
        QCOMPARE(int(chooseDbErrorAction(failure(ErrorRecord::Elsewhere, 364, QString())).kind),
                 int(DbErrorAction::Kind::Nothing));
        QCOMPARE(chooseDbErrorAction(failure(ErrorRecord::Elsewhere, 7, QString())).message, QStringLiteral("ECM206"));
    }
};

KESTRA_TEST(DbErrorReportTest)
#include "DbErrorReportTest.moc"
