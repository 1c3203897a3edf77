#pragma once

// A small holdings library for the copy-processing tests, over a fresh suite
// database: two locations the operator W001 works with (L1 中文图书库 and
// L2 外文书库), a third one (L9 保存本库) outside the operator's list, and
// helpers that add records, copies, circulation rows and readers and read
// the state back.

#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/Session.h"
#include "support/SuiteFixture.h"

#include <QStringList>
#include <memory>

namespace kestra::test {

class CopyTestLib {
public:
    SuiteFixture f;

    bool open(int backend, QString *why)
    {
        if (!f.open(backend, why))
            return false;
        SessionValues &s = f.context().session();
        s.operatorNo = QStringLiteral("W001");
        s.workstation = QStringLiteral("PC-DESK1");
        s.currentLocation = QStringLiteral("L1");
        s.rights = QStringList{QStringLiteral("3010")};
        const bool ok = f.exec(QStringLiteral("DELETE FROM location_lst")) && location("L1", "中文图书库", 1) &&
                        location("L2", "外文书库", 2) && location("L9", "保存本库", 0) &&
                        f.exec(QStringLiteral("INSERT INTO user_location (wkr_no,location) VALUES ('W001','L1')")) &&
                        f.exec(QStringLiteral("INSERT INTO user_location (wkr_no,location) VALUES ('W001','L2')")) &&
                        reload();
        if (!ok)
            *why = QStringLiteral("library set-up failed: ") + f.context().errors().text;
        return ok;
    }

    // The location caches as start-up and the login leave them.
    bool reload()
    {
        CodeTables &codes = f.context().codes();
        f.context().setAllLocations(QueryResult());
        return codes.load(CodeCache::AllLocations) == 0 && codes.loadLocations(QStringLiteral("2")) == 0;
    }

    // sortOrder 0: not offered for holdings work (no location_sort row).
    bool location(const char *code, const char *name, int sortOrder)
    {
        const QString c = QString::fromLatin1(code);
        return f.exec(QStringLiteral("INSERT INTO location_lst (location,location_name,loca_use) VALUES (%1,%2,'1')")
                          .arg(sqlQuote(c), sqlQuote(QString::fromUtf8(name)))) &&
               (sortOrder == 0 ||
                f.exec(QStringLiteral("INSERT INTO location_sort (location,oper_type,sequence) VALUES (%1,'2',%2)")
                           .arg(sqlQuote(c))
                           .arg(sortOrder)));
    }

    bool record(const QString &no, const QString &title, const QString &author = QStringLiteral("张三"))
    {
        return f.exec(QStringLiteral("INSERT INTO marc (marc_rec_no,marc_type,m_title,m_author,m_publisher) "
                                     "VALUES (%1,'C',%2,%3,'中华书局')")
                          .arg(sqlQuote(no), sqlQuote(title), sqlQuote(author)));
    }

    // A copy of record no (NULL when empty) with its public-catalogue flag.
    bool copy(const QString &prop, const QString &no, const QString &bar, const QString &location,
              const QString &status, const QString &callNo = QStringLiteral("I247.5/1"),
              const QString &opac = QStringLiteral("1"))
    {
        return f.exec(QStringLiteral("INSERT INTO indi_acct (prop_no,marc_rec_no,bar_code,dis_location,location,"
                                     "book_stat_code,call_no,price,in_date,year,vol_peri,indi_opac_flag) "
                                     "VALUES (%1,%2,%3,%4,%4,%5,%6,25.5,'2025-09-01','2025','1',%7)")
                          .arg(sqlQuote(prop), no.isEmpty() ? QStringLiteral("NULL") : sqlQuote(no), sqlQuote(bar),
                               sqlQuote(location), sqlQuote(status), sqlQuote(callNo), sqlQuote(opac)));
    }

    // The copy's circulation row, made from its indi_acct row.
    bool item(const QString &prop, const QString &lendFlag = QStringLiteral("0"))
    {
        return f.exec(QStringLiteral("INSERT INTO item (prop_no,marc_rec_no,call_no,location,bar_code,book_stat_code,"
                                     "book_lend_flag) SELECT prop_no,marc_rec_no,call_no,dis_location,bar_code,"
                                     "book_stat_code,%1 FROM indi_acct WHERE prop_no=%2")
                          .arg(sqlQuote(lendFlag), sqlQuote(prop)));
    }

    bool reader(const QString &cert, const QString &flag)
    {
        return f.exec(QStringLiteral("INSERT INTO reader (cert_id,name,redr_flag) VALUES (%1,'读者',%2)")
                          .arg(sqlQuote(cert), sqlQuote(flag)));
    }

    // A call number of record no; with a circulation type, in class 1.
    bool callNumber(const QString &callNo, const QString &no, const QString &circType = QString())
    {
        const QString cls = circType.isEmpty() ? QStringLiteral("NULL") : QStringLiteral("'1'");
        const QString type = circType.isEmpty() ? QStringLiteral("NULL") : sqlQuote(circType);
        return f.exec(QStringLiteral("INSERT INTO call_no_lst (call_no,marc_rec_no,cls_id,circ_type_code) "
                                     "VALUES (%1,%2,%3,%4)")
                          .arg(sqlQuote(callNo), sqlQuote(no), cls, type));
    }

    // A reader's reservation of a call number at a location; its flag NULL
    // when empty.
    bool reservation(const QString &no, const QString &cert, const QString &callNo, const QString &location,
                     const QString &flag = QString())
    {
        return f.exec(QStringLiteral("INSERT INTO preg_lst (preg_no,cert_id,call_no,location,preg_flag) "
                                     "VALUES (%1,%2,%3,%4,%5)")
                          .arg(sqlQuote(no), sqlQuote(cert), sqlQuote(callNo), sqlQuote(location),
                               flag.isEmpty() ? QStringLiteral("NULL") : sqlQuote(flag)));
    }

    // A handover row of a record: its batches, copies, stored flag, sending
    // date and cataloguing kind.
    bool transferDoc(const QString &batch, const QString &checkBatch, const QString &no, int copies,
                     const QString &stored, const QString &sent, const QString &kind)
    {
        return f.exec(QStringLiteral("INSERT INTO transfer_doc (move_batch,chk_batch_no,marc_rec_no,copys,store_flag,"
                                     "send_store_date,cata_flag) VALUES (%1,%2,%3,%4,%5,%6,%7)")
                          .arg(sqlQuote(batch), sqlQuote(checkBatch), sqlQuote(no), QString::number(copies),
                               sqlQuote(stored), sqlQuote(sent), sqlQuote(kind)));
    }

    // An open processing batch at L1 made on 2026-01-01 by W001, remark 说明.
    bool dealBatch(const char *number, const char *type)
    {
        return f.db().callProc(QStringLiteral("LT_deal_batch_lst 'L1',%1,%2,'2026-01-01',NULL,'0','W001','说明'")
                                   .arg(sqlQuote(QString::fromLatin1(number)), sqlQuote(QString::fromLatin1(type)))) ==
               0;
    }
    // The processing batches: number, type, state, end date.
    QString dealBatches()
    {
        return snapshot(u"SELECT deal_batch_no,deal_type_code,deal_stat_flag,deal_end_date FROM deal_batch_lst "
                        "ORDER BY deal_batch_no,deal_type_code"_qs);
    }
    bool dealRow(const QString &location, const QString &batch, const QString &type, const QString &prop,
                 const QString &source = QStringLiteral("41"))
    {
        return f.db().callProc(QStringLiteral("LT_deal_log %1,%2,%3,%4,'2025-10-01',0,NULL,%5,'W009',NULL")
                                   .arg(sqlQuote(location), sqlQuote(batch), sqlQuote(type), sqlQuote(prop),
                                        sqlQuote(source))) == 0;
    }

    QString status(const QString &prop)
    {
        return f.one(QStringLiteral("SELECT book_stat_code FROM indi_acct WHERE prop_no=") + sqlQuote(prop));
    }
    QString itemStatus(const QString &prop)
    {
        return f.one(QStringLiteral("SELECT book_stat_code FROM item WHERE prop_no=") + sqlQuote(prop));
    }
    QString lendFlag(const QString &prop)
    {
        return f.one(QStringLiteral("SELECT book_lend_flag FROM item WHERE prop_no=") + sqlQuote(prop));
    }
    QString opac(const QString &prop)
    {
        return f.one(QStringLiteral("SELECT indi_opac_flag FROM indi_acct WHERE prop_no=") + sqlQuote(prop));
    }
    int count(const QString &fromWhere) { return f.one(QStringLiteral("SELECT count(*) FROM ") + fromWhere).toInt(); }
    QString today() { return f.db().serverDate().left(10); }

    // Every row of a query as text, for before-and-after comparisons.
    QString snapshot(const QString &sql)
    {
        QueryResult r;
        if (f.db().query(sql, r) < 0)
            return QStringLiteral("<error>");
        QStringList rows;
        for (int i = 0; i < r.rowCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < r.columnCount(); ++c)
                cells.append(r.text(i, c));
            rows.append(cells.join(u'|'));
        }
        return rows.join(u'\n');
    }

    // Everything a change of one copy may write.
    QString state(const QString &prop)
    {
        const QString p = sqlQuote(prop);
        return snapshot(QStringLiteral("SELECT * FROM indi_acct WHERE prop_no=") + p) + u'#' +
               snapshot(QStringLiteral("SELECT * FROM item WHERE prop_no=") + p) + u'#' +
               snapshot(QStringLiteral("SELECT * FROM deal_log ORDER BY deal_no")) + u'#' +
               snapshot(QStringLiteral("SELECT * FROM preg_arri_lst ORDER BY prop_no")) + u'#' +
               snapshot(QStringLiteral("SELECT * FROM wkr_job_qty ORDER BY job_type")) + u'#' +
               snapshot(QStringLiteral("SELECT * FROM log_detl ORDER BY log_type,prop_no")) + u'#' +
               snapshot(QStringLiteral("SELECT marc_rec_no,lendable_copies FROM marc ORDER BY marc_rec_no"));
    }

    // Makes the operation-log insert of one code fail with a check
    // violation, on either backend, keeping the rows the table has.
    bool failLogCode(const char *code)
    {
        return f.exec(QStringLiteral("ALTER TABLE log_detl RENAME TO log_detl_real")) &&
               f.exec(QStringLiteral("CREATE TABLE log_detl (log_type VARCHAR(5) CHECK (log_type <> '%1'),"
                                     "log_date VARCHAR(19),log_time VARCHAR(8),wkr_no VARCHAR(20),"
                                     "computer VARCHAR(64),location_name VARCHAR(60),marc_rec_no VARCHAR(20),"
                                     "prop_no VARCHAR(30),cert_id VARCHAR(30),data1 VARCHAR(400),"
                                     "data2 VARCHAR(400),data3 VARCHAR(400))")
                          .arg(QLatin1String(code))) &&
               f.exec(QStringLiteral("INSERT INTO log_detl SELECT * FROM log_detl_real"));
    }

    // A second operator's client on the same database, waiting lockMs for
    // a lock another session holds (kestra.ini's LOCK_WAIT).
    std::unique_ptr<TestContext> secondOperator(const QString &operatorNo, int lockMs = 5000)
    {
        auto other = std::make_unique<TestContext>();
        other->writeText(QStringLiteral("kestra.ini"),
                         QStringLiteral("[LIB-DATA]\nLIB_SERVER=SUITE\n[SUITE]\nDSN=%1\nUID=\nPWD=\nLOCK_WAIT=%2\n")
                             .arg(f.database->dsn(), QString::number(lockMs)));
        AppContext &c = other->context();
        if (c.loadIniSettings() < 0 || c.db().connect() < 0 || c.loadMessagesAndParams() < 0)
            return nullptr;
        c.session().operatorNo = operatorNo;
        c.session().workstation = QStringLiteral("PC-DESK2");
        c.session().currentLocation = QStringLiteral("L1");
        return other;
    }
};

#define OPEN_LIB(lib)                                                                                                  \
    QFETCH(int, backend);                                                                                              \
    CopyTestLib lib;                                                                                                   \
    {                                                                                                                  \
        QString why_;                                                                                                  \
        if (!lib.open(backend, &why_)) {                                                                               \
            if (!lib.f.database)                                                                                       \
                QSKIP(qPrintable(why_));                                                                               \
            QFAIL(qPrintable(why_));                                                                                   \
        }                                                                                                              \
    }

} // namespace kestra::test
