// The holdings department's work on the demo library: acceptance, transfer
// and count batches, repair, check-back, weeding, gift and exchange batches
// with their logged copies, status changes, virtual shelves, the workload
// counters and the operation log.

#include "admin/DemoBuilder.h"
#include "admin/DemoNames.h"

#include "db/Backend.h"

#include <algorithm>
#include <cmath>

namespace kestra::demo {

namespace {

QVariant text(const QString &s)
{
    return s.isEmpty() ? QVariant() : QVariant(s);
}

struct GotoSpec {
    const char *suffix;
    const char *type; // 0 by location, 1 by class, 2 by handover batch, 3 by copy
    int source;
    int target;
    int day;
    const char *remark;
};

const GotoSpec kGotos[] = {
    {"001", "3", SK, MJ, 40, "社科借阅室旧书按册调入密集书库"},
    {"002", "1", ZK, MJ, 25, "自科借阅室按类调入密集书库"},
    {"003", "2", XS, SK, 5, "新书展示期满调回社科借阅室"},
    {"004", "0", JK, BC, 200, "旧书库停用，整库调入保存本书库"},
};

struct CountSpec {
    const char *suffix;
    int location;
    int day;
    bool finished;
    const char *classes;
    const char *worker;
    const char *remark;
};

const CountSpec kCounts[] = {
    {"01", MJ, 20, true, "", "DC05", "密集书库年度清点"},
    {"02", SK, 2, false, "I,K", "DC02", "社科借阅室文学、历史类清点"},
    {"00", MJ, 380, true, "", "DC05", "密集书库上年清点"},
};

QString dealTypeName(const QString &type)
{
    static const char *const names[] = {"书刊修补", "书刊回验", "书刊剔旧", "书刊赠送", "书刊交换"};
    const int i = type.toInt() - 1;
    return i >= 0 && i < 5 ? QString::fromUtf8(names[i]) : QString();
}

bool holding(const QString &status)
{
    return status == QLatin1String("3C") || (status >= QLatin1String("41") && status <= QLatin1String("46"));
}

QString gotoNumber(const QDate &today, int i)
{
    return QStringLiteral("DB%1-%2").arg(today.addDays(-kGotos[i].day).year()).arg(QLatin1String(kGotos[i].suffix));
}

// A number from an accession number that is the same in every run: Qt's
// qHash mixes in a key of its own per process, seed or not.
uint stablePick(const QString &text)
{
    quint64 h = 14695981039346656037ULL; // FNV-1a
    for (const QChar c : text) {
        h ^= c.unicode();
        h *= 1099511628211ULL;
    }
    return uint(h % 100U);
}

QString countNumber(const QDate &today, int i)
{
    return QStringLiteral("PD%1-%2").arg(today.addDays(-kCounts[i].day).year()).arg(QLatin1String(kCounts[i].suffix));
}

} // namespace

bool Builder::batchHeads()
{
    progress(QStringLiteral("batches"));
    // Acceptance batches: one a month for ten years, and those of the
    // handover batches still being worked on.
    DemoTable &acceptance = w_[QStringLiteral("check_acct")];
    for (int m = 0; m <= 122; ++m) {
        const QDate month = today_.addMonths(-m);
        const QDate checked(month.year(), month.month(), 5);
        acceptance.add({QString(QStringLiteral("YS") + month.toString(QStringLiteral("yyyyMM"))),
                        dateText(std::min(checked, today_)), QStringLiteral("BM01"), zh("月度验收批次")});
    }
    struct Plan {
        int sendDay;
        int storedPercent;
        bool split;
        bool newBookType;
        int labelled;
    };
    // Arrived three days ago (nothing assigned yet, with further copies of
    // titles the library holds); a week ago (half assigned, in the new-book
    // circulation type); a fortnight ago (nearly done); yesterday (no bar
    // codes yet).
    const Plan plans[] = {
        {3, 0, false, false, 1}, {8, 50, true, true, 2}, {15, 85, false, false, 2}, {1, 0, false, false, 0}};
    for (const Plan &p : plans) {
        Handover h;
        const QDate sent = today_.addDays(-p.sendDay);
        h.number = QStringLiteral("JJ") + sent.toString(QStringLiteral("yyyyMMdd"));
        h.sendDay = p.sendDay;
        h.chk = QStringLiteral("YS") + sent.addDays(-2).toString(QStringLiteral("yyyyMMdd"));
        h.chkLater = p.split ? h.chk + QLatin1Char('B') : QString();
        h.storedPercent = p.storedPercent;
        h.newBookType = p.newBookType;
        h.labelled = p.labelled;
        for (const QString &chk : {h.chk, h.chkLater}) {
            if (!chk.isEmpty())
                acceptance.add({chk, day(p.sendDay + 2), QStringLiteral("BM01"), zh("新书验收")});
        }
        handovers_.push_back(h);
    }

    for (int i = 0; i < int(std::size(kGotos)); ++i) {
        const GotoSpec &g = kGotos[i];
        w_[QStringLiteral("goto_batch")].add({gotoNumber(today_, i), QString::fromLatin1(g.type),
                                              locationCode(g.source), locationCode(g.target), QStringLiteral("AA"),
                                              zh(g.remark), day(g.day), QStringLiteral("DC02")});
        if (g.day <= 90)
            log(QStringLiteral("30011"), g.day, QStringLiteral("DC02"), DC, QString(), QString(), QString(),
                gotoNumber(today_, i), QString::fromLatin1(g.type), QString());
    }
    for (int i = 0; i < int(std::size(kCounts)); ++i) {
        const CountSpec &c = kCounts[i];
        const QString number = countNumber(today_, i);
        const QString classes = QString::fromLatin1(c.classes);
        w_[QStringLiteral("count_data")].add({number, locationCode(c.location), day(c.day),
                                              c.finished ? QStringLiteral("1") : QStringLiteral("0"), text(classes),
                                              QString::fromLatin1(c.worker), zh(c.remark)});
        log(QStringLiteral("30007"), c.day, QString::fromLatin1(c.worker), DC, QString(), QString(), QString(),
            QString(locationCode(c.location) + QLatin1Char('|') + classes), number, QString());
        if (c.finished)
            log(QStringLiteral("30009"), c.day - 2, QString::fromLatin1(c.worker), DC, QString(), QString(), QString(),
                locationName(c.location), number, QString());
    }
    return w_.flush();
}

int Builder::dealBatch(const QString &type, int location, bool open)
{
    const auto key = std::make_tuple(type, location, open);
    const auto found = dealBatchIndex_.find(key);
    if (found != dealBatchIndex_.end())
        return found->second;
    DealBatch b;
    b.type = type;
    b.location = location;
    const int t = type.toInt();
    static const char *const prefixes[] = {"XB", "XB", "TJ", "TJ", "ZS", "JH"};
    static const char *const remarks[] = {
        "", "破损图书送修", "修补回验", "剔除陈旧复本", "赠送希望小学", "与兄弟院校交换"};
    static const char *const targets[] = {"", "装订修复组", "", "", "希望小学图书室", "兄弟院校图书馆"};
    if (t == 2) {
        // A finished repair batch gets a check-back batch of its own number.
        const DealBatch &repair = dealBatches_[std::size_t(dealBatch(QStringLiteral("01"), location, false))];
        b.number = repair.number;
        b.beginDay = repair.endDay;
        // Some check-back batches are done with (every copy back), so that
        // the check-back form finds a finished batch as well as open ones.
        if (!open)
            b.endDay = 1;
    } else {
        b.beginDay = t == 1 ? (open ? 12 : 75) : t == 3 ? (open ? 20 : 300) : t == 4 ? 60 : 15;
        if (!open)
            b.endDay = t == 1 ? 50 : t == 3 ? 280 : b.beginDay - 2;
        b.number = QStringLiteral("%1%2-%3%4")
                       .arg(QLatin1String(prefixes[t]))
                       .arg(today_.addDays(-b.beginDay).year())
                       .arg(locationCode(location))
                       .arg(open ? 2 : 1);
    }
    b.worker = t <= 2 ? QStringLiteral("DC02") : QStringLiteral("DC01");
    b.remark = zh(remarks[t]);
    b.target = zh(targets[t]);
    dealBatches_.push_back(b);
    dealBatchIndex_.emplace(key, int(dealBatches_.size()) - 1);
    return int(dealBatches_.size()) - 1;
}

void Builder::processRow(int batch, const TitleFacts &t, const CopyFacts &c, const QString &source, int day,
                         DemoRandom &r)
{
    const DealBatch &b = dealBatches_[std::size_t(batch)];
    const double fee = b.type == QLatin1String("01") ? r.between(2, 20) : 0;
    w_[QStringLiteral("deal_log")].add({nextDealNo(), locationCode(b.location), b.number, b.type, c.propNo,
                                        this->day(day), fee, text(b.target), source, b.worker, QVariant()});
    static const char *const jobs[] = {"", "302", "303", "308", "306", "307"};
    work(b.worker, QString::fromLatin1(jobs[b.type.toInt()]), day, 1, 1, 0);
    if (day <= 90)
        log(QStringLiteral("30017"), day, b.worker, DC, t.marcRecNo, c.propNo, QString(), dealTypeName(b.type),
            locationName(b.location), b.number);
}

void Builder::process(const TitleFacts &t, CopyFacts &c, DemoRandom &r)
{
    const QString &s = c.status;
    // A day inside the batch's working time, and after the copy came.
    auto within = [&](const DealBatch &b) {
        const int last = std::max(b.endDay, 0);
        return std::min(r.between(last, b.beginDay), c.inDay);
    };
    if (s == QLatin1String("33")) {
        const int batch = dealBatch(QStringLiteral("01"), c.location, c.inDay < 75 || r.chance(70));
        c.statusDay = within(dealBatches_[std::size_t(batch)]);
        processRow(batch, t, c, QStringLiteral("41"), c.statusDay, r);
    } else if (s == QLatin1String("41") && c.lendFlag == QLatin1String("0") && c.inDay > 100 && r.chance(2)) {
        // Repaired and checked back.
        const int repair = dealBatch(QStringLiteral("01"), c.location, false);
        const int back = dealBatch(QStringLiteral("02"), c.location, c.location % 2 == 1);
        processRow(repair, t, c, QStringLiteral("41"), within(dealBatches_[std::size_t(repair)]), r);
        c.statusDay = r.between(1, dealBatches_[std::size_t(back)].beginDay);
        processRow(back, t, c, QStringLiteral("33"), c.statusDay, r);
    } else if (s == QLatin1String("35") || s == QLatin1String("36") || s == QLatin1String("37")) {
        const QString type = s == QLatin1String("35")   ? QStringLiteral("03")
                             : s == QLatin1String("36") ? QStringLiteral("04")
                                                        : QStringLiteral("05");
        // Every form finds an open and a finished batch of its type.
        const bool open = type == QLatin1String("03")   ? c.inDay < 300 || r.chance(40)
                          : type == QLatin1String("04") ? c.index % 3 == 0
                                                        : c.index % 3 != 0;
        const int batch = dealBatch(type, c.location, open);
        c.statusDay = within(dealBatches_[std::size_t(batch)]);
        processRow(batch, t, c, r.chance(80) ? QStringLiteral("41") : QStringLiteral("42"), c.statusDay, r);
    } else if (s == QLatin1String("34") || s == QLatin1String("38") || s == QLatin1String("3A") ||
               s == QLatin1String("3C")) {
        c.statusDay = r.between(1, std::max(1, std::min(180, c.inDay)));
        const QString worker = r.chance(50) ? QStringLiteral("DC01") : QStringLiteral("DC02");
        work(worker, QStringLiteral("310"), c.statusDay, 1, 1, 0);
        if (c.statusDay <= 90)
            log(QStringLiteral("30019"), c.statusDay, worker, DC, t.marcRecNo, c.propNo, QString(),
                statusName(QStringLiteral("41")), statusName(s), QString());
    } else if (s == QLatin1String("39") || s == QLatin1String("3B")) {
        lostClaim(t, c, r);
    }
}

void Builder::transfer(const TitleFacts &t, CopyFacts &c, DemoRandom &r)
{
    int g = -1;
    if (c.location == MJ && t.home == SK && r.chance(15))
        g = 0;
    else if (c.location == MJ && t.home == ZK && r.chance(15))
        g = 1;
    else if (c.location == SK && t.arrivalDay > 60 && t.arrivalDay <= 120 && r.chance(40))
        g = 2;
    else if (c.location == BC && r.chance(40))
        g = 3;
    if (g < 0 || c.inDay <= kGotos[g].day)
        return;
    const GotoSpec &spec = kGotos[g];
    const QString number = gotoNumber(today_, g);
    // A whole location moved by one statement leaves deal_no empty.
    const QVariant dealNo = spec.type[0] == '0' ? QVariant() : QVariant(nextDealNo());
    w_[QStringLiteral("goto_detl")].add({number, c.propNo, c.status, c.status, day(spec.day), QStringLiteral("DC02"),
                                         locationCode(spec.source), dealNo});
    work(QStringLiteral("DC02"), QStringLiteral("309"), spec.day, 1, 1, 0);
    if (spec.day <= 90)
        log(QStringLiteral("30013"), spec.day, QStringLiteral("DC02"), DC, t.marcRecNo, c.propNo, QString(),
            QString(locationName(spec.source) + QStringLiteral(" -> ") + locationName(spec.target)), zh("中文图书"),
            number);
}

void Builder::count(const TitleFacts &t, const CopyFacts &c, DemoRandom &r)
{
    const bool onLoan = c.lendFlag == QLatin1String("1");
    auto scan = [&](int batch, int day, const QString &worker) {
        const CountSpec &spec = kCounts[batch];
        w_[QStringLiteral("wait_count_lst")].add(
            {countNumber(today_, batch), c.propNo, locationCode(spec.location), this->day(day)});
        work(worker, QStringLiteral("304"), day, 1, 1, 0);
    };
    auto result = [&](const QString &flag, int batch = 0) {
        w_[QStringLiteral("count_lost_copy")].add({day(kCounts[batch].day), locationCode(kCounts[batch].location),
                                                   c.propNo, flag, countNumber(today_, batch)});
    };
    bool missedThisYear = false;
    // The finished count of the compact stacks: most copies found, some
    // missing, some found in an abnormal state, a few of another location.
    if (c.inDay > kCounts[0].day + 2) {
        const int scanned = kCounts[0].day - r.below(3);
        const QString worker = QString::fromLatin1(kCounts[0].worker);
        if (c.location == MJ && holding(c.status) && !onLoan) {
            if (r.chance(93)) {
                scan(0, scanned, worker);
            } else {
                result(QStringLiteral("0"));
                missedThisYear = true;
            }
        } else if (c.location == MJ && !holding(c.status) && r.chance(30)) {
            scan(0, scanned, worker);
            result(QStringLiteral("1"));
        } else if (c.location == TC && !onLoan && r.chance(10)) {
            scan(0, scanned, worker);
            result(QStringLiteral("2"));
        }
    }
    // Last year's count of the compact stacks: most copies missed this year
    // were missed then too (the missing-copy window's "missed at least
    // twice"). Picked by the accession number, so that the other draws of
    // the library stay as they were.
    if (c.inDay > kCounts[2].day + 2 && c.location == MJ && holding(c.status) && !onLoan) {
        const uint pick = stablePick(c.propNo);
        if (missedThisYear ? pick < 70U : pick < 3U)
            result(QStringLiteral("0"), 2);
        else
            scan(2, kCounts[2].day - int(pick % 3U), QString::fromLatin1(kCounts[2].worker));
    }
    // The literature and history shelves being counted now.
    const QString callNo = t.book.callNo;
    if (c.location == SK && holding(c.status) && !onLoan && c.inDay > kCounts[1].day &&
        (callNo.startsWith(QLatin1Char('I')) || callNo.startsWith(QLatin1Char('K'))) && r.chance(60))
        scan(1, r.below(kCounts[1].day + 1), QString::fromLatin1(kCounts[1].worker));
}

bool Builder::activity()
{
    progress(QStringLiteral("processing batches, shelves, workload and operation log"));
    for (const DealBatch &b : dealBatches_) {
        w_[QStringLiteral("deal_batch_lst")].add({b.number, locationCode(b.location), b.type, day(b.beginDay),
                                                  b.endDay < 0 ? QVariant() : QVariant(day(b.endDay)),
                                                  b.endDay < 0 ? QStringLiteral("0") : QStringLiteral("1"), b.worker,
                                                  text(b.remark)});
        if (b.beginDay <= 90)
            log(QStringLiteral("30014"), b.beginDay, b.worker, DC, QString(), QString(), QString(), b.number,
                dealTypeName(b.type), locationName(b.location));
    }
    return shelves() && counters() && w_.flush();
}

bool Builder::shelves()
{
    struct Shelf {
        const char *id;
        const char *name;
        const char *remark;
        int order;
        int day;
    };
    static const Shelf shelves[] = {
        {"000", "馆员推荐（旧）", "升级前建立的推荐书架", 1, 900},
        {"001", "新书推荐", "近两个月入藏的新书", 2, 60},
        {"001001", "文学新书", "", 1, 60},
        {"001002", "社科与科技新书", "", 2, 60},
        {"0010010001", "获奖小说", "茅盾文学奖等获奖作品", 1, 30},
        {"002", "经典阅读", "教师推荐的经典书目", 3, 200},
        {"002001", "中国文学经典", "", 1, 200},
        {"003", "考研参考书", "暂无书目", 4, 10},
    };
    // Which titles stand on which shelf.
    auto fits = [](const QString &id, const ShelfTitle &s) {
        if (id == QLatin1String("000"))
            return !s.recent;
        if (id == QLatin1String("001001") || id == QLatin1String("0010010001"))
            return s.recent && s.literature;
        if (id == QLatin1String("001002"))
            return s.recent && !s.literature;
        if (id == QLatin1String("002001"))
            return !s.recent && s.literature;
        return false;
    };
    static const char *const praise[] = {"文笔细腻，值得一读。", "适合入门阅读。", "本馆读者借阅最多的书之一。", ""};
    for (int index = 0; index < int(std::size(shelves)); ++index) {
        const Shelf &shelf = shelves[index];
        const QString id = QString::fromLatin1(shelf.id);
        const int limit = id == QLatin1String("000") ? 6 : id.size() == 10 ? 8 : 15;
        int count = 0;
        DemoRandom r = stream(options_.seed, 30, quint64(index));
        for (const ShelfTitle &s : shelfTitles_) {
            if (count >= limit || !fits(id, s) || !r.chance(60))
                continue;
            ++count;
            w_[QStringLiteral("virtual_shelf_book")].add({id, s.marcRecNo, s.title, s.author, s.publisher, s.year,
                                                          s.callNo, day(std::max(1, shelf.day - count)),
                                                          id == QLatin1String("000") ? QVariant() : QVariant(count),
                                                          text(zh(praise[r.below(int(std::size(praise)))]))});
        }
        w_[QStringLiteral("virtual_shelf_class")].add({id, zh(shelf.name), text(zh(shelf.remark)), count,
                                                       day(shelf.day), QStringLiteral("DC01"), QStringLiteral("0"),
                                                       shelf.order});
        if (shelf.day <= 90) {
            log(QStringLiteral("30022"), shelf.day, QStringLiteral("DC01"), DC, QString(), QString(), QString(), id,
                zh(shelf.name), QString());
            if (count > 0)
                log(QStringLiteral("30025"), std::max(1, shelf.day - 1), QStringLiteral("DC01"), DC, QString(),
                    QString(), QString(), id, zh("增加%1种书目").arg(count), QString());
        }
    }
    return true;
}

bool Builder::counters()
{
    // Logins and logouts of the working days of the last month.
    for (int d = 1; d <= 30; ++d) {
        if (today_.addDays(-d).dayOfWeek() > 5)
            continue;
        for (const char *worker : {"DC01", "DC02"}) {
            const QString who = QString::fromLatin1(worker);
            log(QStringLiteral("60042"), d, who, DC, QString(), QString(), QString(), zh("典藏"), zh("登录成功"),
                QString());
            log(QStringLiteral("60043"), d, who, DC, QString(), QString(), QString(), zh("典藏"), zh("正常退出"),
                QString());
        }
    }
    DemoTable &rows = w_[QStringLiteral("wkr_job_qty")];
    for (const auto &[key, sum] : work_)
        rows.add({key.worker, key.job, day(key.day), sum.titles, sum.copies, std::round(sum.amount * 100) / 100});
    return true;
}

bool Builder::finish()
{
    progress(QStringLiteral("copy counts, call-number types, class serials"));
    // What update_copies and update_lendable_copies would count.
    if (!w_.exec(QStringLiteral("UPDATE marc SET copies=(SELECT COUNT(*) FROM indi_acct B "
                                "WHERE B.marc_rec_no=marc.marc_rec_no), "
                                "lendable_copies=(SELECT COUNT(*) FROM indi_acct B "
                                "WHERE B.marc_rec_no=marc.marc_rec_no AND B.book_stat_code='41')")))
        return false;
    for (const Handover &h : handovers_) {
        if (h.newBookType && !w_.exec(QStringLiteral("UPDATE call_no_lst SET circ_type_code='99' WHERE call_no IN "
                                                     "(SELECT call_no FROM indi_acct WHERE move_batch=?)"),
                                      {h.number}))
            return false;
    }
    QStringList classes = classSerial_.keys();
    classes.sort();
    for (const QString &cls : classes)
        w_[QStringLiteral("max_class_serial")].add({QStringLiteral("1"), cls, classSerial_.value(cls)});
    QStringList names = publishers_.keys();
    names.sort();
    int code = 0;
    for (const QString &name : names)
        w_[QStringLiteral("publish_busi")].add(
            {QStringLiteral("P%1").arg(++code, 3, 10, QLatin1Char('0')), name, publishers_.value(name)});
    // The sequence goes on after the numbers this run gave (the first of
    // them was drawn from it before the run).
    const qint64 last = sequenceNext_ - 1;
    if (last <= sequenceFirst_)
        return true;
    const bool sqlite = w_.kind() == BackendTarget::Kind::Sqlite;
    return w_.exec(sqlite ? QStringLiteral("UPDATE kestra_sequence SET last_value=? WHERE seq_name='s_deal_log'")
                          : QStringLiteral("SELECT setval('s_deal_log', ?)"),
                   {last});
}

} // namespace kestra::demo
