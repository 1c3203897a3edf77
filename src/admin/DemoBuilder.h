#pragma once

// The demo generator's working state, shared by its phases (DemoStaff.cpp,
// DemoCollection.cpp, DemoCirculation.cpp, DemoActivity.cpp). Not for use
// outside src/admin.

#include "admin/DemoData.h"
#include "admin/DemoWriter.h"
#include "marc/BibParams.h"
#include "marc/DemoRecords.h"
#include "marc/MarcCodec.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <map>
#include <tuple>
#include <vector>

namespace kestra {

class Session;

namespace demo {

// A seeded stream per purpose and index, so that one part's draws never
// shift another's.
DemoRandom stream(quint64 seed, quint64 purpose, quint64 index = 0);

QString dateText(const QDate &date);
QString zh(const char *utf8);
QString marcRecNo(int title);
QString propNo(qint64 copy);
QString barCode(qint64 copy);

struct Location {
    QString code;
    QString name;
    QString shortName;
    QString property; // 0 workroom, 1 lending, 2 reading room, 3 stacks
    QString group;
    QString branch;
    QString campus;
    bool inUse = true;
};

// Indexes into Builder::locations_, in the order of the location table.
enum LocationIndex { SK, ZK, WW, XS, GJ, TC, BC, MJ, FG, CB, DC, JK, LocationCount };

// A processing batch (deal_batch_lst); its rows are written as copies join.
struct DealBatch {
    QString number;
    QString type; // 01 repair, 02 check-back, 03 weeding, 04 gift, 05 exchange
    int location = DC;
    int beginDay = 0; // days before today
    int endDay = -1;  // -1: open
    QString worker;
    QString remark;
    QString target;
};

// A handover batch still being worked on.
struct Handover {
    QString number;
    int sendDay = 0;
    QString chk;      // acceptance batch of its copies
    QString chkLater; // a second acceptance batch for titles split in two
    int storedPercent = 0;
    bool newBookType = false; // call numbers in the new-book circulation type
    int labelled = 0;         // bar codes before assignment: 0 none, 1 some first copies, 2 most
};

struct TitleFacts {
    int index = 0;
    QString marcRecNo;
    DemoBook book;
    bool marc21 = false;
    int home = SK; // where its lendable copies stand
    int arrivalDay = -1;
    double price = 0;
};

// One copy while its rows are being decided.
struct CopyFacts {
    qint64 index = 0;
    QString propNo;
    QString barCode;
    QString status;
    int location = SK;   // dis_location
    int subscriber = SK; // location: where it was ordered for
    int inDay = -1;      // in_date, days back; -1 none
    int statusDay = 0;   // rec_flag_upt_date
    double price = 0;
    double realPrice = 0;
    bool hasItem = false;
    QString lendFlag = QStringLiteral("0");
    int circTotal = 0;
    int circYear = 0;
    int firstUse = -1;
    int lastUse = -1;
    QString shelfNo;
    QString moveBatch;
    QString chkBatch;
    QString asordNo;
    QString worker;
    QString remark;
};

struct ShelfTitle {
    QString marcRecNo;
    QString title;
    QString author;
    QString publisher;
    QString year;
    QString callNo;
    bool literature = false;
    bool recent = false;
};

struct WorkKey {
    QString worker;
    QString job;
    int day = 0;
    bool operator<(const WorkKey &o) const { return std::tie(worker, job, day) < std::tie(o.worker, o.job, o.day); }
};
struct WorkSum {
    qint64 titles = 0;
    qint64 copies = 0;
    double amount = 0;
};

class Builder {
public:
    Builder(Session &session, DemoWriter &writer, const DemoOptions &options, const QDate &today, const QString &now,
            const QString &workstation, const BibParams &params);

    // The phases, in this order; each false with the writer's error set.
    bool staff();      // locations, workstations, operators, rights, lock-out
    bool readers();    // readers and their cards
    bool batchHeads(); // acceptance, transfer and count batches the copies join
    bool collection(); // titles with their records, copies and circulation
    bool activity();   // processing batches, shelves, counters, operation log
    bool finish();     // copy counts on marc, call-number types, the sequence
    bool statistics(); // the statistics templates of the demo (DemoStatistics.cpp)

    QString day(int daysBack) const { return dateText(today_.addDays(-daysBack)); }
    void progress(const QString &text) const
    {
        if (options_.progress)
            options_.progress(text);
    }
    void work(const QString &worker, const QString &job, int day, qint64 titles, qint64 copies, double amount);
    void log(const QString &type, int day, const QString &worker, int location, const QString &marcRecNo,
             const QString &propNo, const QString &certId, const QString &data1, const QString &data2,
             const QString &data3);
    QString readerId(int i) const;
    int pickReader(DemoRandom &r) const;
    qint64 nextDealNo() { return sequenceNext_++; }
    // The first processing-log number this run may give (drawn from s_deal_log).
    void setSequenceFirst(qint64 first) { sequenceFirst_ = sequenceNext_ = first; }
    const QString &locationCode(int index) const { return locations_[std::size_t(index)].code; }
    const QString &locationName(int index) const { return locations_[std::size_t(index)].name; }

private:
    // DemoCollection.cpp
    bool title(int index);
    bool storeRecord(const TitleFacts &t, BibRecord &record, const QString &useFlag, int cataDay);
    QString nextCollectionStatus(DemoRandom &r);
    int locationFor(const QString &status, const TitleFacts &t, DemoRandom &r) const;
    void writeCopy(const TitleFacts &t, const CopyFacts &c);
    void transferDoc(const QString &batch, const QString &chk, const TitleFacts &t, int copies, bool stored,
                     int sendDay, const QString &worker);
    QString order(const TitleFacts &t, int subscriber, int copies, int sendDay);
    // DemoCirculation.cpp
    void circulate(const TitleFacts &t, CopyFacts &c, DemoRandom &r);
    void history(const TitleFacts &t, CopyFacts &c, DemoRandom &r);
    void lostClaim(const TitleFacts &t, CopyFacts &c, DemoRandom &r);
    // DemoActivity.cpp
    void process(const TitleFacts &t, CopyFacts &c, DemoRandom &r);
    void processRow(int batch, const TitleFacts &t, const CopyFacts &c, const QString &source, int day, DemoRandom &r);
    int dealBatch(const QString &type, int location, bool open);
    void transfer(const TitleFacts &t, CopyFacts &c, DemoRandom &r);
    void count(const TitleFacts &t, const CopyFacts &c, DemoRandom &r);
    // DemoStatistics.cpp
    void transport(const TitleFacts &t, const CopyFacts &c);
    bool shelves();
    bool counters();

    Session &session_;
    DemoWriter &w_;
    const DemoOptions &options_;
    QDate today_;
    QString now_; // "yyyy-mm-dd hh:mm:ss" on the server
    QString workstation_;
    CodePage codePage_;
    MarcCodec codec_;
    BibParams params_; // how records are indexed and summarised

    std::vector<Location> locations_;

    int readerCount_ = 0;
    std::vector<bool> readerActive_;

    std::vector<Handover> handovers_;
    std::vector<DealBatch> dealBatches_;
    std::map<std::tuple<QString, int, bool>, int> dealBatchIndex_;
    QHash<QString, int> classSerial_;    // book numbers given per class
    QHash<QString, QString> publishers_; // name -> place
    std::vector<ShelfTitle> shelfTitles_;
    qint64 sequenceFirst_ = 1;
    qint64 sequenceNext_ = 1;
    qint64 copyCount_ = 0;
    int collectionCopies_ = 0;
    int catalogueCopies_ = 0;
    int circulationShowcase_ = 0;
    qint64 reservations_ = 0;
    qint64 orders_ = 0;

    std::map<WorkKey, WorkSum> work_;
    qint64 logRows_ = 0;
    bool transportBatches_ = false;
};

} // namespace demo
} // namespace kestra
