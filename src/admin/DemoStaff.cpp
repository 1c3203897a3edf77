// The demo library's people and places: locations with their lists,
// workstations, operators with passwords and rights, the locked-out account,
// readers with their cards, and the heads of the batches the copies join.

#include "admin/DemoBuilder.h"
#include "admin/DemoNames.h"

#include "core/CodePage.h"
#include "shell/Login.h"

namespace kestra {

namespace {

// What each demo operator may do. ROOT holds every right without rows.
struct AccountSpec {
    const char *wkrNo;
    const char *name;
    const char *password;
    const char *role;
    const char *flag; // wkr_flag: 0 disabled
    const char *dept;
    const char *rights;       // comma-separated module codes; "*" every holdings right
    const char *locations;    // location codes; "*" every location in use
    const char *workstations; // named workstations; "+" adds this machine
    int passwordAge;          // days since the password was set
};

const AccountSpec kAccounts[] = {
    {"ROOT", "系统管理员", "root123", "系统管理员，拥有全部权限", "1", "05", "", "*", "", 0},
    {"DC01", "张敏", "super123", "典藏部主任：全部典藏权限 3000-3022", "1", "02", "*", "*", "+,DC-01,DC-02,MJ-01,FG-01",
     12},
    {"DC02", "李静", "clerk123", "典藏员：新书分配、修补、回验、清点、调拨、状态修改、排架", "1", "02",
     "3000,3001,3002,3003,3004,3009,3010,3014", "SK,ZK,XS,MJ,DC", "+,DC-02,SK-01,ZK-01", 30},
    {"DC03", "王磊", "locked123", "典藏员，因连续输错口令被锁定", "1", "02", "3000,3001,3002", "SK,ZK", "+,DC-01", 45},
    {"DC04", "赵强", "retired123", "已停用的账号", "0", "02", "3000,3001", "SK", "DC-01", 200},
    {"DC05", "刘洋", "expired123", "典藏员，口令已过期，登录时须修改", "1", "02", "3000,3001,3004,3014",
     "SK,ZK,MJ,BC,TC", "+,DC-02", 120},
    {"LT01", "陈芳", "circ123", "流通部馆员，没有典藏权限", "1", "03", "4000,4001,4002", "SK,ZK,XS", "+,LT-01", 20},
    {"BM01", "周杰", "catalog123", "采编部编目员，没有典藏权限", "1", "01", "2000,2001", "CB", "CB-01", 25},
};

QStringList split(const char *list)
{
    return QString::fromLatin1(list).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

} // namespace

const QList<DemoAccount> &demoAccounts()
{
    static const QList<DemoAccount> accounts = [] {
        QList<DemoAccount> list;
        for (const AccountSpec &a : kAccounts)
            list.append(
                {QString::fromLatin1(a.wkrNo), demo::zh(a.name), QString::fromLatin1(a.password), demo::zh(a.role)});
        return list;
    }();
    return accounts;
}

namespace demo {

namespace {

struct LocationSpec {
    const char *code;
    const char *name;
    const char *shortName;
    const char *property;
    bool inUse;
};

// In the order of LocationIndex.
const LocationSpec kLocations[] = {
    {"SK", "社科图书借阅室", "社科", "1", true}, {"ZK", "自科图书借阅室", "自科", "1", true},
    {"WW", "外文图书借阅室", "外文", "1", true}, {"XS", "新书阅览室", "新书", "1", true},
    {"GJ", "工具书阅览室", "工具书", "2", true}, {"TC", "特藏书库", "特藏", "3", true},
    {"BC", "保存本书库", "保存本", "3", true},   {"MJ", "密集书库", "密集库", "3", true},
    {"FG", "东校区分馆", "东校区", "1", true},   {"CB", "采编部", "采编", "0", true},
    {"DC", "典藏部", "典藏", "0", true},         {"JK", "旧书库（已停用）", "旧库", "3", false},
};

// The named workstations and where they stand.
const std::pair<const char *, int> kWorkstations[] = {
    {"DC-01", DC}, {"DC-02", DC}, {"SK-01", SK}, {"ZK-01", ZK},
    {"MJ-01", MJ}, {"FG-01", FG}, {"LT-01", XS}, {"CB-01", CB},
};

// Location lists per operation type: 0 the lending desks, 2 holdings work
// (every location in use), 3 stock-taking.
struct SortList {
    const char *type;
    int locations[12]; // ended by -1
};
const SortList kSortLists[] = {
    {"0", {SK, ZK, WW, XS, FG, -1}},
    {"2", {SK, ZK, WW, XS, GJ, TC, BC, MJ, FG, DC, CB, -1}},
    {"3", {MJ, SK, ZK, WW, BC, TC, GJ, FG, -1}},
};

// GB 11643 check character of the first seventeen digits.
QChar idCheck(const QString &seventeen)
{
    static const int weights[] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    int sum = 0;
    for (int i = 0; i < 17; ++i)
        sum += (seventeen.at(i).unicode() - '0') * weights[i];
    return QStringLiteral("10X98765432").at(sum % 11);
}

} // namespace

bool Builder::staff()
{
    progress(QStringLiteral("locations, workstations and operators"));
    for (const LocationSpec &s : kLocations) {
        Location l;
        l.code = QString::fromLatin1(s.code);
        l.name = zh(s.name);
        l.shortName = zh(s.shortName);
        l.property = QString::fromLatin1(s.property);
        l.inUse = s.inUse;
        const bool east = l.code == QLatin1String("FG");
        l.group = east ? QStringLiteral("02") : QStringLiteral("01");
        l.branch = east ? QStringLiteral("002") : QStringLiteral("001");
        l.campus = east ? QStringLiteral("02") : QStringLiteral("01");
        locations_.push_back(l);
    }

    w_[QStringLiteral("loca_group")].add({QStringLiteral("01"), zh("总馆")});
    w_[QStringLiteral("loca_group")].add({QStringLiteral("02"), zh("东校区分馆")});
    w_[QStringLiteral("campus")].add({QStringLiteral("01"), zh("本部"), QStringLiteral("SK"), zh("主校区图书馆")});
    w_[QStringLiteral("campus")].add({QStringLiteral("02"), zh("东校区"), QStringLiteral("FG"), zh("东校区分馆")});
    const int year = today_.year();
    for (const Location &l : locations_) {
        const bool desk = l.property == QLatin1String("1") || l.property == QLatin1String("2");
        w_[QStringLiteral("location_lst")].add(
            {l.code, l.name, l.property, l.shortName, l.inUse ? QStringLiteral("1") : QStringLiteral("0"),
             desk ? QVariant(l.code) : QVariant(), desk ? QVariant(l.code) : QVariant(),
             desk ? QVariant(l.code) : QVariant(), l.group, l.branch, l.campus});
        if (!desk || !l.inUse)
            continue;
        w_[QStringLiteral("close_day")].add(
            {l.code, QStringLiteral("%1-01-01").arg(year), QStringLiteral("%1-01-01").arg(year), 1});
        w_[QStringLiteral("close_day")].add(
            {l.code, QStringLiteral("%1-10-01").arg(year), QStringLiteral("%1-10-07").arg(year), 7});
        for (int week = 1; week <= 7; ++week) {
            w_[QStringLiteral("open_time")].add({l.code, QString::number(week), QStringLiteral("08:00-12:00"),
                                                 QStringLiteral("14:00-18:00"),
                                                 week <= 5 ? QVariant(QStringLiteral("19:00-22:00")) : QVariant()});
        }
    }
    for (const SortList &list : kSortLists) {
        for (int i = 0; list.locations[i] >= 0; ++i)
            w_[QStringLiteral("location_sort")].add(
                {locations_[std::size_t(list.locations[i])].code, QString::fromLatin1(list.type), i + 1});
    }

    // This machine counts as a workstation of the holdings department.
    w_[QStringLiteral("loca_comp_lst")].add({workstation_, locations_[DC].code});
    for (const auto &[name, index] : kWorkstations) {
        const QString ws = QString::fromLatin1(name);
        if (ws != workstation_)
            w_[QStringLiteral("loca_comp_lst")].add({ws, locations_[std::size_t(index)].code});
    }

    // Passwords are stored the way the login compares them.
    QList<Row> rows;
    if (!w_.select(QStringLiteral("SELECT sys_para_code, sys_para_value FROM sys_comm_para "
                                  "WHERE sys_para_code IN ('70','71','73','74')"),
                   {}, &rows))
        return false;
    QHash<QString, QString> params;
    for (const Row &row : rows)
        params.insert(row.value(0).toString().trimmed(), row.value(1).toString());
    const PasswordRule rule = PasswordRule::parse(params.value(QStringLiteral("73")));
    const bool digests = params.value(QStringLiteral("74")).trimmed() == QLatin1String("1");
    const CodePage codePage(options_.codePage);
    auto stored = [&](const QString &password) {
        if (!digests)
            return password;
        return passwordDigest(rule.present ? password : password.toUpper(), codePage);
    };

    QStringList everyLocation;
    for (const Location &l : locations_) {
        if (l.inUse)
            everyLocation.append(l.code);
    }
    int accountIndex = 0;
    for (const AccountSpec &a : kAccounts) {
        ++accountIndex;
        const QString no = QString::fromLatin1(a.wkrNo);
        const QString password = QString::fromLatin1(a.password);
        if (!rule.accepts(password))
            progress(QStringLiteral("note: the password of %1 breaks this database's password rule; the login "
                                    "will ask for a new one")
                         .arg(no));
        const QString pwdDate = day(a.passwordAge);
        if (no == QLatin1String("ROOT")) {
            if (!w_.exec(
                    QStringLiteral("UPDATE lib_worker SET password=?, modi_pwd_date=?, remark=? WHERE wkr_no='ROOT'"),
                    {stored(password), pwdDate, zh("演示口令root123")}))
                return false;
        } else {
            w_[QStringLiteral("lib_worker")].add(
                {no, zh(a.name), stored(password), QString::fromLatin1(a.flag), QStringLiteral("0"),
                 QString(no.toLower() + QStringLiteral("@lib.example.edu.cn")),
                 QStringLiteral("0571-882010%1").arg(accountIndex, 2, 10, QLatin1Char('0')), QStringLiteral("1"),
                 pwdDate, QString::fromLatin1(a.dept), zh(a.role)});
        }
        QStringList rights = split(a.rights);
        if (rights == QStringList{QStringLiteral("*")}) {
            rights.clear();
            for (int code = 3000; code <= 3022; ++code)
                rights.append(QString::number(code));
        }
        for (const QString &right : rights)
            w_[QStringLiteral("user_auth_lst")].add({no, right});
        const QStringList places =
            QString::fromLatin1(a.locations) == QLatin1String("*") ? everyLocation : split(a.locations);
        if (no != QLatin1String("ROOT")) {
            for (const QString &place : places)
                w_[QStringLiteral("user_location")].add({no, place});
        }
        QStringList stations = split(a.workstations);
        for (QString &ws : stations) {
            if (ws == QLatin1String("+"))
                ws = workstation_;
        }
        stations.removeDuplicates();
        for (const QString &ws : stations)
            w_[QStringLiteral("user_comp_lst")].add({no, ws});
    }

    // DC03 has just failed as often as the lock-out allows.
    bool ok = false;
    int failures = params.value(QStringLiteral("71")).trimmed().toInt(&ok);
    if (!ok || failures <= 0)
        failures = 5;
    w_[QStringLiteral("login_log")].add({QStringLiteral("DC03"), failures, now_});
    for (int i = 0; i < failures; ++i) {
        const QString time = QTime::fromString(now_.mid(11), QStringLiteral("hh:mm:ss"))
                                 .addSecs(-60 * (failures - i))
                                 .toString(QStringLiteral("hh:mm:ss"));
        w_[QStringLiteral("log_detl")].add({QStringLiteral("60042"), now_.left(10), time, QStringLiteral("DC03"),
                                            workstation_, locations_[DC].name, QVariant(), QVariant(), QVariant(),
                                            zh("典藏"), zh("密码输入错误,登录失败"), QVariant()});
        ++logRows_;
    }

    // Circulation rules bound to the lending locations and reader types.
    if (!w_.exec(QStringLiteral("INSERT INTO circ_rule (rule_no, rule_name, time_unit, norm_term, limt_lend_qty, "
                                "max_lend_qty, perg_ysno, renew_ysno, max_renew_times, preg_keep_days, "
                                "fst_fine_price, other_fine_price, rule_flag, rele_keep_days) VALUES "
                                "('02', ?, 'D', 90, 20, 30, '1', '1', 2, 7, 0.10, 0.20, '1', 7), "
                                "('03', ?, 'D', 14, 2, 2, '0', '0', 0, 3, 0.50, 0.50, '1', 3)"),
                 {zh("教师借阅规则"), zh("新书短期借阅规则")}))
        return false;
    w_[QStringLiteral("rule_comp")].add({1, QStringLiteral("01"), QVariant(), QVariant(), QVariant(), QVariant()});
    w_[QStringLiteral("rule_comp")].add(
        {2, QStringLiteral("02"), QVariant(), QStringLiteral("01"), QStringLiteral("03"), QVariant()});
    w_[QStringLiteral("rule_comp")].add(
        {3, QStringLiteral("03"), QStringLiteral("XS"), QStringLiteral("99"), QVariant(), QVariant()});
    w_[QStringLiteral("group_rule_comp")].add({QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("01"), 10});
    w_[QStringLiteral("group_rule_comp")].add({QStringLiteral("01"), QStringLiteral("03"), QStringLiteral("01"), 20});
    w_[QStringLiteral("group_rule_comp")].add({QStringLiteral("02"), QStringLiteral("02"), QStringLiteral("01"), 5});
    return w_.flush();
}

bool Builder::readers()
{
    readerCount_ = std::max(100, options_.scale / 2);
    readerActive_.assign(std::size_t(readerCount_), true);
    progress(QStringLiteral("%1 readers").arg(readerCount_));
    static const char *const regions[] = {"110108", "310104", "440106", "330106", "510107", "420111", "320102"};
    static const char *const roads[] = {"学院路", "文一路", "天目山路", "教工路", "求是路", "余杭塘路"};
    DemoTable &reader = w_[QStringLiteral("reader")];
    DemoTable &cert = w_[QStringLiteral("reader_cert")];
    for (int i = 0; i < readerCount_; ++i) {
        DemoRandom r = stream(options_.seed, 2, quint64(i));
        const Person p = person(r);
        // 01 public, 02 students (most), 03 teachers, 04 staff, 05 groups.
        const int t = r.below(100);
        const QString type = t < 70   ? QStringLiteral("02")
                             : t < 85 ? QStringLiteral("03")
                             : t < 93 ? QStringLiteral("01")
                             : t < 97 ? QStringLiteral("04")
                                      : QStringLiteral("05");
        const int age = type == QLatin1String("02") ? r.between(18, 26) : r.between(24, 62);
        const QDate birthday = today_.addYears(-age).addDays(-r.below(365));
        const QString seventeen = QString::fromLatin1(regions[r.below(int(std::size(regions)))]) +
                                  birthday.toString(QStringLiteral("yyyyMMdd")) +
                                  QStringLiteral("%1").arg(r.below(1000), 3, 10, QLatin1Char('0'));
        const QString idCard = seventeen + idCheck(seventeen);
        const int registered = r.between(30, 1800);
        const bool cancelled = r.chance(2);
        readerActive_[std::size_t(i)] = !cancelled;
        const QString dept = type == QLatin1String("05") ? QString(p.department + zh("资料室")) : p.department;
        const QString id = readerId(i);
        const QString validDay = dateText(today_.addDays(-registered).addYears(type == QLatin1String("02") ? 4 : 3));
        reader.add({id,
                    type == QLatin1String("05") ? dept : p.name,
                    p.male ? QStringLiteral("M") : QStringLiteral("F"),
                    dateText(birthday),
                    idCard,
                    type,
                    QStringLiteral("01"),
                    dept,
                    type == QLatin1String("02")   ? zh("学生")
                    : type == QLatin1String("03") ? zh("教师")
                                                  : zh("职工"),
                    QString(zh("杭州市西湖区") + zh(roads[r.below(int(std::size(roads)))]) +
                            QString::number(r.between(1, 399)) + zh("号")),
                    QStringLiteral("310012"),
                    QStringLiteral("13%1").arg(r.below(1000000000), 9, 10, QLatin1Char('0')),
                    r.chance(80) ? QVariant(QStringLiteral("%1@stu.example.edu.cn").arg(id.toLower())) : QVariant(),
                    day(registered),
                    validDay,
                    type == QLatin1String("01") ? 100.0 : 0.0,
                    0.0,
                    QStringLiteral("0"),
                    QStringLiteral("0"),
                    QString::number(2000000000 + i),
                    cancelled ? QVariant(zh("毕业离校")) : QVariant(),
                    cancelled ? QVariant(day(r.between(1, 29))) : QVariant(),
                    cancelled ? QStringLiteral("0") : QStringLiteral("1"),
                    QStringLiteral("LT01")});
        // Some readers lost a card and got a new one: the old one is invalid.
        int cards = r.chance(6) ? 2 : 1;
        for (int c = 0; c < cards; ++c) {
            const bool current = c == cards - 1;
            const int issued = current ? registered - (cards - 1) * 100 : registered;
            cert.add({QStringLiteral("D%1").arg(10000000 + i * 2 + c), id, QStringLiteral("01"),
                      day(std::max(1, issued)), validDay, 0.0,
                      current && !cancelled ? QStringLiteral("1") : QStringLiteral("0"), day(std::max(1, issued)),
                      QStringLiteral("LT01"), current ? QVariant() : QVariant(zh("挂失换证"))});
        }
        if (!w_.flushIfFull())
            return false;
    }
    return w_.flush();
}

} // namespace demo
} // namespace kestra
