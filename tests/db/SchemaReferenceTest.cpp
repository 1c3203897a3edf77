#include "SchemaTestDb.h"
#include "support/TestRunner.h"

#include <QCryptographicHash>
#include <QObject>
#include <QRegularExpression>
#include <QTest>

using namespace kestra;
using kestra::test::ScratchDb;

namespace {

// Every message code the client shows. The codes marked with a '+' get text
// appended by their callers (a name, a count, a right code) and must say
// where it goes.
const char *const kMessageCodes[] = {
    "ECM002",  "ECM010", "ECM011",  "ECM012",  "ECM204",  "ECM205", "ECM206",  "ECM500",  "ECM501", "ECM502", "ECM503",
    "+ECM504", "ECM510", "QCM000",  "QCM003",  "QCM005",  "QCM501", "ICM002",  "IBM001",  "EBM003", "ELT201", "+ELT202",
    "ELT203",  "EDC001", "+EDC002", "EDC003",  "EDC004",  "EDC005", "+EDC006", "EDC008",  "EDC009", "EDC010", "EDC011",
    "EDC012",  "EDC013", "EDC014",  "EDC015",  "EDC016",  "EDC017", "EDC018",  "EDC019",  "EDC020", "EDC021", "EDC022",
    "EDC024",  "EDC025", "EDC026",  "+IDC001", "+QDC001", "QDC002", "QDC003",  "QDC004",  "QDC005", "QDC006", "QDC007",
    "QDC008",  "QDC009", "QDC010",  "QDC013",  "QDC015",  "QDC016", "QDC017",  "+QDC018",
};

const char *const kParameters[] = {"1",  "4",  "5",  "6",  "7",  "8",  "9",  "10", "11",
                                   "12", "14", "20", "22", "28", "29", "39", "40", "47",
                                   "70", "71", "72", "73", "74", "77", "78", "99", "CUR_ON"};

const char *const kJobTypes[] = {"210", "301", "302", "303", "304", "305", "306", "307", "308", "309", "310", "311"};

QStringList logTypes()
{
    QStringList codes;
    for (int c = 30001; c <= 30026; ++c)
        codes.append(QString::number(c));
    for (int c = 50036; c <= 50042; ++c)
        codes.append(QString::number(c));
    codes << QStringLiteral("42020") << QStringLiteral("42021") << QStringLiteral("42038") << QStringLiteral("60042")
          << QStringLiteral("60043");
    return codes;
}

// The suite reads '' as NULL; a stored empty text would not be found by
// "IS NULL". Finds literals that are exactly ''.
int emptyLiterals(const QString &sql)
{
    int found = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (sql.at(i) == u'-' && i + 1 < sql.size() && sql.at(i + 1) == u'-') {
            i = sql.indexOf(u'\n', i);
            if (i < 0)
                break;
            continue;
        }
        if (sql.at(i) != u'\'')
            continue;
        qsizetype j = i + 1;
        while (j < sql.size()) {
            if (sql.at(j) == u'\'' && j + 1 < sql.size() && sql.at(j + 1) == u'\'')
                j += 2;
            else if (sql.at(j) == u'\'')
                break;
            else
                ++j;
        }
        if (j == i + 1)
            ++found;
        i = j;
    }
    return found;
}

} // namespace

class SchemaReferenceTest : public QObject {
    Q_OBJECT

    ScratchDb *db_ = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        db_ = new ScratchDb(SchemaDialect::Sqlite);
        QVERIFY(db_->ok());
        QString error;
        QVERIFY2(installSchema(db_->db(), SchemaDialect::Sqlite, &error), qPrintable(error));
    }
    void cleanupTestCase() { delete db_; }

    void everyMessageCodeHasItsText()
    {
        QSqlQuery q(db_->db());
        int count = 0;
        for (const char *entry : kMessageCodes) {
            const bool takesText = entry[0] == '+';
            const QString code = QLatin1String(takesText ? entry + 1 : entry);
            QVERIFY(q.exec(QStringLiteral("SELECT msg_content FROM msg_mst WHERE msg_id = '%1'").arg(code)));
            QVERIFY2(q.next(), qPrintable(code));
            const QString text = q.value(0).toString();
            QVERIFY2(!text.trimmed().isEmpty(), qPrintable(code));
            // One place for appended text at most; ShowMsg fills the first.
            QVERIFY2(text.count(QStringLiteral("%S")) == (takesText ? 1 : 0), qPrintable(code + u' ' + text));
            // Staff read Chinese.
            QVERIFY2(text.contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]"))), qPrintable(code));
            ++count;
        }
        QCOMPARE(db_->value(QStringLiteral("SELECT COUNT(*) FROM msg_mst")).toInt(), count);
        // The kind is the code's first letter.
        QCOMPARE(db_->value(QStringLiteral("SELECT COUNT(*) FROM msg_mst WHERE substr(msg_id, 1, 1) NOT IN "
                                           "('E', 'I', 'W', 'Q', 'S') OR length(msg_id) <> 6"))
                     .toInt(),
                 0);
    }

    void parametersHaveUsableDefaults()
    {
        for (const char *code : kParameters)
            QVERIFY2(db_->value(QStringLiteral("SELECT COUNT(*) FROM sys_comm_para WHERE sys_para_code = '%1'")
                                    .arg(QLatin1String(code)))
                             .toInt() == 1,
                     code);
        auto param = [this](const char *code) {
            return db_
                ->value(QStringLiteral("SELECT sys_para_value FROM sys_comm_para WHERE sys_para_code = '%1'")
                            .arg(QLatin1String(code)))
                .toString();
        };
        // Start-up compares the client's major.minor.revision with 99.
        QCOMPARE(
            param("99"),
            QStringLiteral("%1.%2.%3").arg(KESTRA_VERSION_MAJOR).arg(KESTRA_VERSION_MINOR).arg(KESTRA_VERSION_PATCH));
        for (const char *number : {"70", "71", "72", "77", "78"}) {
            bool ok = false;
            param(number).toInt(&ok);
            QVERIFY2(ok, number);
        }
        // The password rule: four flags, then the minimum length.
        QVERIFY(QRegularExpression(QStringLiteral("^[01]{4}\\d+$")).match(param("73")).hasMatch());
        QVERIFY(!param("1").isEmpty());
        QVERIFY(!param("20").isEmpty());
        QVERIFY(param("14").contains(u','));
    }

    void jobAndLogTypesAreNamed()
    {
        for (const char *code : kJobTypes)
            QVERIFY2(
                !db_->value(
                        QStringLiteral("SELECT job_name FROM job_type WHERE job_type = '%1'").arg(QLatin1String(code)))
                     .toString()
                     .isEmpty(),
                code);
        for (const QString &code : logTypes()) {
            QSqlQuery q(db_->db());
            QVERIFY(
                q.exec(QStringLiteral("SELECT log_name, data_name1 FROM log_type WHERE log_type = '%1'").arg(code)));
            QVERIFY2(q.next(), qPrintable(code));
            QVERIFY2(!q.value(0).toString().isEmpty() && !q.value(1).toString().isEmpty(), qPrintable(code));
        }
        // The workload window lists the holdings jobs by the prefix "3%".
        QCOMPARE(db_->value(QStringLiteral("SELECT COUNT(*) FROM job_type WHERE job_type LIKE '3%'")).toInt(), 11);
    }

    void codeTablesOfferEntriesInUse()
    {
        for (const char *table : {"circ_type_code", "classifica_code", "doc_type_code", "carrier_code", "get_mode_code",
                                  "language_code", "country_code", "reader_type", "lend_grd", "violate_code",
                                  "pay_mode_code", "fund_src_code", "send_time_type"})
            QVERIFY2(
                db_->value(
                       QStringLiteral("SELECT COUNT(*) FROM %1 WHERE code_use_flag = '1'").arg(QLatin1String(table)))
                        .toInt() > 0,
                table);
        // The handover form sets the new-book circulation type 99.
        QCOMPARE(db_->value(QStringLiteral("SELECT COUNT(*) FROM circ_type_code WHERE circ_type_code = '99'")).toInt(),
                 1);
        // The statistics compare languages with upper(marc.lang_code).
        QCOMPARE(db_->value(QStringLiteral("SELECT COUNT(*) FROM language_code WHERE lang_code <> upper(lang_code)"))
                     .toInt(),
                 0);
        // Every sub-statistic of a template has a class composition.
        QCOMPARE(db_->value(QStringLiteral("SELECT COUNT(*) FROM stat_type_detl d WHERE NOT EXISTS (SELECT 1 FROM "
                                           "stat_cls_comp c WHERE c.stat_type_code = d.stat_type_code AND "
                                           "c.sub_stat_code = d.sub_stat_code)"))
                     .toInt(),
                 0);
        // Title and author display items for both record schemes.
        QCOMPARE(db_->value(QStringLiteral("SELECT COUNT(*) FROM marc_idx_para WHERE use_type = 1 AND marc_idx_grp IN "
                                           "('01', '02')"))
                     .toInt(),
                 4);
    }

    void rootCanLogInOnce()
    {
        QSqlQuery q(db_->db());
        QVERIFY(
            q.exec(QStringLiteral("SELECT password, wkr_flag, modi_pwd_date FROM lib_worker WHERE wkr_no = 'ROOT'")));
        QVERIFY(q.next());
        const QByteArray digest = QCryptographicHash::hash("kestra", QCryptographicHash::Md5).toHex().toUpper();
        QCOMPARE(q.value(0).toString(), QString::fromLatin1(digest));
        QCOMPARE(q.value(1).toString(), QStringLiteral("1"));
        // No password date: the first login asks for a new password.
        QVERIFY(q.value(2).isNull());
    }

    void referenceDataWritesNoEmptyText()
    {
        const QString sql = schemaFile(QStringLiteral("reference.sql"));
        QVERIFY(!sql.isEmpty());
        QCOMPARE(emptyLiterals(sql), 0);
        QCOMPARE(emptyLiterals(QStringLiteral("VALUES ('', 'a''b', '''')")), 1);
        QCOMPARE(db_->value(QStringLiteral("SELECT COUNT(*) FROM sys_comm_para WHERE sys_para_value = ''")).toInt(), 0);
    }
};

KESTRA_TEST(SchemaReferenceTest)
#include "SchemaReferenceTest.moc"
