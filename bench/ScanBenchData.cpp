// The generated library of bench-scan and its loaders. Every value is a
// function of the row's index, so that the SQLite and the PostgreSQL copy hold
// the same rows without keeping them in memory.

#include "ScanBench.h"

#include "db/SchemaInstaller.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QUrl>
#include <cstdio>
#include <functional>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace scanbench {

namespace {

std::uint64_t mix(std::uint64_t x, std::uint64_t salt)
{
    // splitmix64
    x += 0x9e3779b97f4a7c15ULL * (salt + 1);
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

template <std::size_t N>
const char *pick(const char *const (&list)[N], std::uint64_t h)
{
    return list[h % N];
}

QByteArray num(qint64 v, int width = 0)
{
    QByteArray s = QByteArray::number(v);
    if (s.size() < width)
        s.prepend(QByteArray(width - s.size(), '0'));
    return s;
}

QByteArray money(std::uint64_t cents)
{
    return num(static_cast<qint64>(cents / 100)) + '.' + num(static_cast<qint64>(cents % 100), 2);
}

QByteArray dateOf(std::uint64_t h, int firstYear, int years)
{
    const int year = firstYear + static_cast<int>(h % years);
    const int month = 1 + static_cast<int>((h >> 8) % 12);
    const int day = 1 + static_cast<int>((h >> 16) % 28);
    return num(year) + '-' + num(month, 2) + '-' + num(day, 2);
}

const char *const kWords[] = {"中国", "历史", "文化", "研究", "现代", "文学", "经济", "管理", "计算机", "程序",
                              "设计", "数据", "科学", "教育", "心理", "哲学", "艺术", "社会", "发展",   "理论",
                              "方法", "实践", "基础", "原理", "应用", "技术", "工程", "网络", "语言",   "数学",
                              "物理", "化学", "生物", "医学", "法律", "政治", "城市", "乡村", "建筑",   "音乐",
                              "古代", "地理", "信息", "系统", "结构", "思想", "传统", "当代", "世界",   "民族"};
const char *const kSuffixes[] = {"", "", "", "导论", "概论", "教程", "史", "研究", "（第二版）", "选集"};
const char *const kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴",
                                 "徐", "孙", "胡", "朱", "高", "林", "何", "郭", "马", "罗"};
const char *const kGiven[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军",   "洋", "勇",
                              "艳", "杰", "娟", "涛", "明", "超", "华", "平", "秀英", "刚", "桂英"};
const char *const kRoles[] = {"著", "著", "编著", "主编", "译"};
const char *const kPublishers[] = {"人民出版社",     "科学出版社",     "高等教育出版社", "清华大学出版社",
                                   "北京大学出版社", "商务印书馆",     "中华书局",       "机械工业出版社",
                                   "电子工业出版社", "人民文学出版社", "上海古籍出版社", "生活·读书·新知三联书店"};
const char *const kClasses[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K",
                                "N", "O", "P", "Q", "R", "S", "T", "U", "V", "X", "Z"};
const char *const kLocations[] = {"ZK01", "ZK02", "WX01", "LT01", "ZL01", "GJ01"};

QByteArray titleKey(int title)
{
    return num(title + 1, 10);
}

QByteArray classNo(int title)
{
    const std::uint64_t h = mix(static_cast<std::uint64_t>(title), 11);
    return QByteArray(pick(kClasses, h)) + num(static_cast<qint64>(10 + (h >> 8) % 990)) + '.' +
           num(static_cast<qint64>(1 + (h >> 20) % 9));
}

QByteArray callNo(int title)
{
    return classNo(title) + '/' + num(static_cast<qint64>(1 + mix(static_cast<std::uint64_t>(title), 12) % 9999));
}

// Status of a copy: mostly lendable, some in every other collection status.
QByteArray statusOf(int copy)
{
    const std::uint64_t h = mix(static_cast<std::uint64_t>(copy), 1) % 1000;
    static const struct {
        std::uint64_t below;
        const char *code;
    } table[] = {{800, "41"}, {870, "42"}, {920, "43"}, {935, "44"}, {945, "45"}, {955, "46"},
                 {970, "3C"}, {980, "33"}, {990, "38"}, {995, "17"}, {1000, "3B"}};
    for (const auto &row : table) {
        if (h < row.below)
            return row.code;
    }
    return "41";
}

int titleOf(const Shape &, int copy)
{
    return static_cast<int>(static_cast<qint64>(copy) * 3 / 10);
}

// The copies of a title: [first, end).
std::pair<int, int> copiesOf(const Shape &shape, int title)
{
    auto first = [](int t) { return static_cast<int>((static_cast<qint64>(t) * 10 + 2) / 3); };
    return {first(title), std::min(first(title + 1), shape.copies)};
}

QByteArray propNo(int copy)
{
    return 'C' + num(copy + 1, 8);
}

QByteArray dis(int copy)
{
    return pick(kLocations, mix(static_cast<std::uint64_t>(copy), 3));
}

} // namespace

const QStringList &marcColumns()
{
    static const QStringList columns =
        QStringLiteral("marc_rec_no,marc_type,doc_type_code,lang_code,country_code,marc_use_flag,"
                       "cata_oper,cata_date,create_oper,create_date,opac_flag,catalog_level,"
                       "m_call_no,m_title,m_author,m_publisher,m_pub_year,m_isbn,m_classno,copies,"
                       "lendable_copies")
            .split(u',');
    return columns;
}

const QStringList &copyColumns()
{
    static const QStringList columns =
        QStringLiteral("prop_no,marc_rec_no,chk_batch_no,move_batch,price,real_price,location,fund_src_code,bala_flag,"
                       "call_no,remark,carrier_code,bar_code,in_date,book_stat_code,rec_flag_upt_date,get_mode_code,"
                       "vol_peri,resp_wkr,year,attachment,dis_location,cur_loca,asord_no,shelf_no,indi_opac_flag,"
                       "reg_day,check_time")
            .split(u',');
    return columns;
}

const QStringList &itemColumns()
{
    static const QStringList columns =
        QStringLiteral("prop_no,marc_rec_no,call_no,location,bar_code,carrier_code,book_stat_code,book_lend_flag,year,"
                       "vol_peri,price,attachment,in_date,year_circ_times,total_circ_times,fst_use_date,"
                       "rec_flag_upt_date,last_use_date,reg_day,lend_grd,remark,resp_wkr")
            .split(u',');
    return columns;
}

QString barcodeOf(int copy)
{
    return QString::number(30000001 + copy);
}

LoadRow marcRow(const Shape &shape, int title)
{
    const std::uint64_t h = mix(static_cast<std::uint64_t>(title), 10);
    QByteArray name = pick(kWords, h);
    const int words = 1 + static_cast<int>((h >> 6) % 3);
    for (int w = 0; w < words; ++w)
        name += pick(kWords, h >> (10 + 6 * w));
    name += pick(kSuffixes, h >> 40);
    const std::uint64_t a = mix(static_cast<std::uint64_t>(title), 13);
    const QByteArray author = QByteArray(pick(kSurnames, a)) + pick(kGiven, a >> 8) + pick(kRoles, a >> 16);
    const QByteArray year = num(static_cast<qint64>(1980 + (h >> 48) % 46));
    const QByteArray isbn = "978-7-" + num(static_cast<qint64>(100 + a % 900)) + '-' +
                            num(static_cast<qint64>((a >> 20) % 100000), 5) + '-' + num(static_cast<qint64>(a % 10));
    const auto [first, end] = copiesOf(shape, title);
    int lendable = 0;
    for (int c = first; c < end; ++c)
        lendable += statusOf(c) == "41" ? 1 : 0;
    const QByteArray catalogued = dateOf(a >> 24, 2005, 20);
    return {titleKey(title),
            "1",
            "01",
            "chi",
            "CN",
            "1",
            "A0031",
            catalogued,
            "A0031",
            catalogued,
            "1",
            "1",
            callNo(title),
            name,
            author,
            pick(kPublishers, a >> 32),
            year,
            isbn,
            classNo(title),
            num(end - first),
            num(lendable)};
}

LoadRow copyRow(const Shape &shape, int copy)
{
    const int title = titleOf(shape, copy);
    const std::uint64_t h = mix(static_cast<std::uint64_t>(copy), 2);
    const QByteArray location = dis(copy);
    const QByteArray inDate = dateOf(h, 2005, 20);
    const std::uint64_t cents = 1000 + (mix(static_cast<std::uint64_t>(title), 14) % 12000);
    const QByteArray year = inDate.left(4);
    return {propNo(copy),
            titleKey(title),
            "YS" + year + num(copy / 2000 % 1000, 3),
            "M" + year + num(copy / 500 % 10000, 4),
            money(cents),
            money(cents * 8 / 10),
            location,
            "01",
            "0",
            callNo(title),
            QByteArray(),
            "01",
            barcodeOf(copy).toLatin1(),
            inDate,
            statusOf(copy),
            inDate,
            h % 10 == 0 ? "02" : "01",
            QByteArray(),
            "A00" + num(static_cast<qint64>(10 + (h >> 8) % 40)),
            QByteArray(),
            (h >> 16) % 33 == 0 ? QByteArray("光盘1张") : QByteArray(),
            location,
            location,
            "DD" + year + num(static_cast<qint64>((h >> 24) % 10000), 4),
            num(static_cast<qint64>(1 + (h >> 32) % 400), 3) + '-' + num(static_cast<qint64>(1 + (h >> 40) % 12), 2),
            "1",
            inDate,
            QByteArray()};
}

LoadRow itemRow(const Shape &shape, int copy)
{
    const QByteArray status = statusOf(copy);
    const std::uint64_t h = mix(static_cast<std::uint64_t>(copy), 4);
    if (status == "17" || h % 100 >= 95)
        return {};
    const LoadRow c = copyRow(shape, copy);
    const qint64 total = static_cast<qint64>((h >> 8) % 60);
    const bool used = total > 0;
    const QByteArray lent = status == "41" && (h >> 20) % 10 == 0 ? "1" : "0";
    return {c[0],         c[1],
            c[9],         c[21],
            c[12],        c[11],
            status,       lent,
            QByteArray(), QByteArray(),
            c[4],         c[20],
            c[13],        num(total % 12),
            num(total),   used ? dateOf(h >> 24, 2006, 10) : QByteArray(),
            c[15],        used ? dateOf(h >> 40, 2016, 9) : QByteArray(),
            c[13],        "01",
            QByteArray(), c[18]};
}

QList<Change> makeChanges(const Shape &shape, int count, std::uint64_t seed)
{
    // The status-change form's targets.
    static const char *const targets[] = {"41", "42", "38", "3C", "3B", "43", "44", "45", "46", "33"};
    QRandomGenerator random(static_cast<quint32>(seed ^ (seed >> 32)));
    QList<Change> changes;
    changes.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int copy = static_cast<int>(random.bounded(static_cast<quint32>(shape.copies)));
        changes.append({barcodeOf(copy), QString::fromLatin1(targets[random.bounded(10U)])});
    }
    return changes;
}

namespace {

void progress(const char *what, qint64 done, qint64 total, const QElapsedTimer &timer)
{
    std::fprintf(stderr, "\r  %s: %lld / %lld rows (%.0f s)   ", what, static_cast<long long>(done),
                 static_cast<long long>(total), static_cast<double>(timer.elapsed()) / 1000.0);
    if (done == total)
        std::fprintf(stderr, "\n");
}

// Installs the schema through Qt's driver, as kestra-admin init does.
bool installThroughQt(const QString &driver, const QString &dbName, const QString &host, int port, const QString &user,
                      kestra::SchemaDialect dialect, QString *error)
{
    const QString connection = QStringLiteral("bench-scan-install");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, connection);
        db.setDatabaseName(dbName);
        if (!host.isEmpty()) {
            db.setHostName(host);
            db.setPort(port);
            db.setUserName(user);
        }
        if (!db.open())
            *error = QStringLiteral("cannot open %1 for the schema").arg(dbName);
        else
            ok = kestra::installSchema(db, dialect, error);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

struct Sqlite {
    sqlite3 *db = nullptr;
    ~Sqlite() { sqlite3_close_v2(db); }
    bool run(const char *sql, QString *error)
    {
        char *message = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        *error = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
        return false;
    }
};

bool sqliteLoad(sqlite3 *db, const char *table, const QStringList &columns, qint64 count,
                const std::function<LoadRow(qint64)> &row, QString *error)
{
    QString marks = QStringLiteral("?");
    for (qsizetype i = 1; i < columns.size(); ++i)
        marks += QStringLiteral(",?");
    const QByteArray sql =
        QStringLiteral("INSERT INTO %1(%2) VALUES(%3)").arg(QLatin1String(table), columns.join(u','), marks).toUtf8();
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    bool ok = true;
    for (qint64 i = 0; i < count && ok; ++i) {
        if (i % 100000 == 0 || i + 1 == count)
            progress(table, i + 1, count, timer);
        const LoadRow values = row(i);
        if (values.isEmpty())
            continue;
        for (int c = 0; c < values.size(); ++c) {
            const QByteArray &v = values.at(c);
            if (v.isNull())
                sqlite3_bind_null(stmt, c + 1);
            else
                sqlite3_bind_text(stmt, c + 1, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        }
        if (sqlite3_step(stmt) != SQLITE_DONE) {
            *error = QStringLiteral("%1: %2").arg(QLatin1String(table), QString::fromUtf8(sqlite3_errmsg(db)));
            ok = false;
        }
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    return ok;
}

} // namespace

bool buildSqlite(const QString &path, const Shape &shape, QString *error)
{
    QFile::remove(path);
    if (!installThroughQt(QStringLiteral("QSQLITE"), path, {}, 0, {}, kestra::SchemaDialect::Sqlite, error))
        return false;
    Sqlite s;
    if (sqlite3_open_v2(path.toUtf8().constData(), &s.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        *error = QStringLiteral("cannot open %1").arg(path);
        return false;
    }
    // A load that fails is thrown away whole, so it needs no journal.
    if (!s.run("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-512000; BEGIN", error))
        return false;
    const bool ok = sqliteLoad(
                        s.db, "marc", marcColumns(), shape.titles(),
                        [&](qint64 i) { return marcRow(shape, static_cast<int>(i)); }, error) &&
                    sqliteLoad(
                        s.db, "indi_acct", copyColumns(), shape.copies,
                        [&](qint64 i) { return copyRow(shape, static_cast<int>(i)); }, error) &&
                    sqliteLoad(
                        s.db, "item", itemColumns(), shape.copies,
                        [&](qint64 i) { return itemRow(shape, static_cast<int>(i)); }, error);
    return ok && s.run("COMMIT", error);
}

QString databaseUri(const QString &serverUri, const QString &database)
{
    QUrl url(serverUri);
    url.setPath(u'/' + database);
    return url.toString();
}

namespace {

struct Pg {
    PGconn *conn = nullptr;
    ~Pg() { PQfinish(conn); }
    bool connect(const QString &uri, QString *error)
    {
        conn = PQconnectdb(uri.toUtf8().constData());
        if (PQstatus(conn) == CONNECTION_OK)
            return true;
        *error = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        return false;
    }
    bool run(const QString &sql, QString *error)
    {
        PGresult *res = PQexec(conn, sql.toUtf8().constData());
        const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK || PQresultStatus(res) == PGRES_TUPLES_OK;
        if (!ok)
            *error = QString::fromUtf8(PQresultErrorMessage(res)).trimmed();
        PQclear(res);
        return ok;
    }
};

void copyField(QByteArray &out, const QByteArray &value)
{
    if (value.isNull()) {
        out += "\\N";
        return;
    }
    for (const char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

bool pgLoad(PGconn *conn, const char *table, const QStringList &columns, qint64 count,
            const std::function<LoadRow(qint64)> &row, QString *error)
{
    const QByteArray sql =
        QStringLiteral("COPY %1(%2) FROM STDIN").arg(QLatin1String(table), columns.join(u',')).toUtf8();
    PGresult *res = PQexec(conn, sql.constData());
    const bool started = PQresultStatus(res) == PGRES_COPY_IN;
    if (!started)
        *error = QString::fromUtf8(PQresultErrorMessage(res)).trimmed();
    PQclear(res);
    if (!started)
        return false;
    QElapsedTimer timer;
    timer.start();
    QByteArray buffer;
    bool ok = true;
    for (qint64 i = 0; i < count && ok; ++i) {
        const LoadRow values = row(i);
        if (!values.isEmpty()) {
            for (int c = 0; c < values.size(); ++c) {
                if (c > 0)
                    buffer += '\t';
                copyField(buffer, values.at(c));
            }
            buffer += '\n';
        }
        if (buffer.size() > (1 << 20) || i + 1 == count) {
            ok = PQputCopyData(conn, buffer.constData(), static_cast<int>(buffer.size())) == 1;
            buffer.clear();
        }
        if (i % 100000 == 0 || i + 1 == count)
            progress(table, i + 1, count, timer);
    }
    if (PQputCopyEnd(conn, ok ? nullptr : "bench-scan stopped") != 1)
        ok = false;
    while (PGresult *r = PQgetResult(conn)) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK) {
            *error = QStringLiteral("%1: %2").arg(QLatin1String(table),
                                                  QString::fromUtf8(PQresultErrorMessage(r)).trimmed());
            ok = false;
        }
        PQclear(r);
    }
    return ok;
}

} // namespace

bool buildPostgres(const QString &serverUri, const Shape &shape, QString *database, QString *error)
{
    *database = QStringLiteral("kestra_scan_%1").arg(QRandomGenerator::global()->generate64(), 0, 36);
    {
        Pg admin;
        if (!admin.connect(serverUri, error) ||
            !admin.run(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(*database), error))
            return false;
    }
    const QUrl url(serverUri);
    if (!installThroughQt(QStringLiteral("QPSQL"), *database, url.host(), url.port(5432), url.userName(),
                          kestra::SchemaDialect::Postgres, error))
        return false;
    Pg pg;
    if (!pg.connect(databaseUri(serverUri, *database), error) || !pg.run(QStringLiteral("BEGIN"), error))
        return false;
    const bool ok = pgLoad(
                        pg.conn, "marc", marcColumns(), shape.titles(),
                        [&](qint64 i) { return marcRow(shape, static_cast<int>(i)); }, error) &&
                    pgLoad(
                        pg.conn, "indi_acct", copyColumns(), shape.copies,
                        [&](qint64 i) { return copyRow(shape, static_cast<int>(i)); }, error) &&
                    pgLoad(
                        pg.conn, "item", itemColumns(), shape.copies,
                        [&](qint64 i) { return itemRow(shape, static_cast<int>(i)); }, error);
    // A library in use has had its tables analysed long since.
    return ok && pg.run(QStringLiteral("COMMIT"), error) && pg.run(QStringLiteral("VACUUM ANALYZE"), error);
}

void dropPostgres(const QString &serverUri, const QString &database)
{
    Pg admin;
    QString ignored;
    if (admin.connect(serverUri, &ignored))
        admin.run(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database), &ignored);
}

} // namespace scanbench
