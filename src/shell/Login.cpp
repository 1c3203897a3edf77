#include "shell/Login.h"

#include "core/AppContext.h"
#include "core/DateText.h"
#include "core/Session.h"
#include "core/WorkLog.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSysInfo>

namespace kestra {

namespace {

const QString kRoot = QStringLiteral("ROOT");
const QString kModuleTitle = QStringLiteral("典藏");

// The first word of SSH_CLIENT or SSH_CONNECTION: the client's address. An
// IPv4 client seen through an IPv6 socket is given in its IPv4 form.
QString sshClientAddress(const QString &variable)
{
    const QString first = variable.section(u' ', 0, 0, QString::SectionSkipEmpty);
    if (first.startsWith(QLatin1String("::ffff:"), Qt::CaseInsensitive) && first.contains(u'.'))
        return first.mid(7);
    return first;
}

// The host of a DISPLAY that names another machine; empty for a local one.
QString remoteDisplayHost(const QString &display)
{
    const QString d = display.trimmed();
    if (d.isEmpty() || d.startsWith(u'/'))
        return {};
    const qsizetype colon = d.lastIndexOf(u':');
    if (colon <= 0)
        return {};
    QString host = d.left(colon);
    const qsizetype slash = host.lastIndexOf(u'/'); // "tcp/host"
    if (slash >= 0)
        host = host.mid(slash + 1);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    static const QStringList local = {QStringLiteral("unix"), QStringLiteral("localhost"), QStringLiteral("127.0.0.1"),
                                      QStringLiteral("::1")};
    if (host.isEmpty() || local.contains(host, Qt::CaseInsensitive))
        return {};
    return host;
}

// Puts the typed operator and the workstation into the session values for
// the length of one operation-log call, so that a refused attempt is logged
// under the number that was typed without making it the session's operator.
class SessionStamp {
public:
    SessionStamp(SessionValues &values, const QString &operatorNo, const QString &workstation)
        : values_(values), operatorNo_(values.operatorNo), workstation_(values.workstation)
    {
        values_.operatorNo = operatorNo;
        values_.workstation = workstation;
    }
    ~SessionStamp()
    {
        values_.operatorNo = operatorNo_;
        values_.workstation = workstation_;
    }
    SessionStamp(const SessionStamp &) = delete;
    SessionStamp &operator=(const SessionStamp &) = delete;

private:
    SessionValues &values_;
    QString operatorNo_;
    QString workstation_;
};

struct BusyPointer {
    Prompter &prompter;
    explicit BusyPointer(Prompter &p) : prompter(p) { prompter.setBusy(true); }
    ~BusyPointer() { prompter.setBusy(false); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

QString withRule(const QString &lead, const QString &rule)
{
    return rule.isEmpty() ? lead : QString(lead + u'，' + rule);
}

} // namespace

WorkstationEnvironment WorkstationEnvironment::fromSystem()
{
    return {QSysInfo::machineHostName(), qEnvironmentVariable("SSH_CLIENT"), qEnvironmentVariable("SSH_CONNECTION"),
            qEnvironmentVariable("DISPLAY")};
}

QString terminalClientName(const WorkstationEnvironment &env)
{
    QString client = sshClientAddress(env.sshClient);
    if (client.isEmpty())
        client = sshClientAddress(env.sshConnection);
    if (client.isEmpty())
        client = remoteDisplayHost(env.display);
    return client;
}

QString workstationName(const WorkstationEnvironment &env, bool terminal)
{
    QString name = terminal ? terminalClientName(env).trimmed() : QString();
    if (name.isEmpty())
        name = env.hostName.trimmed();
    return name.toUpper();
}

PasswordRule PasswordRule::parse(const QString &parameter)
{
    PasswordRule rule;
    const QString p = parameter.trimmed();
    if (p.isEmpty() || p == QLatin1String("00000"))
        return rule;
    auto flag = [&p](int i) { return i < p.size() && p.at(i) == u'1'; };
    rule.present = true;
    rule.mixedCase = flag(0);
    rule.letter = flag(1);
    rule.digit = flag(2);
    rule.symbol = flag(3);
    rule.minLength = leadingInteger(p.mid(4));
    return rule;
}

bool PasswordRule::accepts(const QString &password) const
{
    if (!present)
        return true;
    if (password.size() < minLength)
        return false;
    bool upper = false;
    bool lower = false;
    bool digits = false;
    bool other = false;
    for (const QChar ch : password) {
        const char16_t c = ch.unicode();
        if (c >= u'A' && c <= u'Z')
            upper = true;
        else if (c >= u'a' && c <= u'z')
            lower = true;
        else if (c >= u'0' && c <= u'9')
            digits = true;
        else
            other = true;
    }
    if (mixedCase && !(upper && lower))
        return false;
    if (letter && !(upper || lower))
        return false;
    if (digit && !digits)
        return false;
    return !(symbol && !other);
}

QString PasswordRule::text() const
{
    if (!present)
        return {};
    QString out = QStringLiteral("长度不少于") + QString::number(minLength) + u'位';
    if (mixedCase || letter || digit || symbol) {
        QString listed;
        if (mixedCase)
            listed += QStringLiteral("大小写");
        if (letter)
            listed += QStringLiteral("字母");
        if (digit)
            listed += (listed.isEmpty() ? QString() : QStringLiteral("、")) + QStringLiteral("数字");
        if (symbol)
            listed += (listed.isEmpty() ? QString() : QStringLiteral("、")) + QStringLiteral("符号");
        out += QStringLiteral(",包含") + listed;
    }
    return out;
}

QString passwordDigest(const QString &password, const CodePage &codePage)
{
    const QByteArray digest = QCryptographicHash::hash(codePage.encode(password), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex().toUpper());
}

// What the password check found out about the operator.
struct Login::Verified {
    QString workstation;
    int lockMinutes = 0;
    int lockCount = 0;
    bool lockout = false;
    bool logRow = false; // login_log has a row for the operator
    int errorCount = 0;
    QString email;
    QString telephone;
    QString catalogLevel;
    QString passwordDate;
    bool code2 = false;
};

Login::Login(AppContext &context)
    : context_(context),
      resolver_([](bool terminal) { return workstationName(WorkstationEnvironment::fromSystem(), terminal); })
{}

bool Login::terminalSwitch(const QString &commandLine)
{
    const QStringList words = commandLine.split(QRegularExpression(QStringLiteral("[ \\t]+")), Qt::SkipEmptyParts);
    return words.size() >= 2 && words.at(1).compare(QLatin1String("-t"), Qt::CaseInsensitive) == 0;
}

QString Login::loginText(const QString &commandLine)
{
    const QString text = commandLine.trimmed();
    if (!terminalSwitch(text))
        return text;
    // Cut the switch word and the blanks before it out of the text.
    const QRegularExpression secondWord(QStringLiteral("^(\\S+)[ \\t]+\\S+"));
    const QRegularExpressionMatch m = secondWord.match(text);
    return QString(m.captured(1) + text.mid(m.capturedEnd(0))).trimmed();
}

PasswordRule Login::passwordRule() const
{
    return PasswordRule::parse(context_.params().text(73));
}

QString Login::storedForm(const QString &password) const
{
    if (!context_.params().isOn(74))
        return password;
    return passwordDigest(passwordRule().present ? password : password.toUpper(), context_.codePage());
}

int Login::verify(const QString &operatorNo, const QString &password, Verified &v)
{
    SysParams &params = context_.params();
    Session &db = context_.db();
    const QString who = sqlQuote(operatorNo);
    v.lockMinutes = params.integer(70);
    v.lockCount = params.integer(71);
    v.lockout = v.lockMinutes > 0;
    v.workstation = resolver_(terminalSwitch(commandLine_));

    if (v.lockout) {
        QueryResult log;
        if (db.query(QStringLiteral("SELECT error_count, to_char(limit_login_time,'yyyy-mm-dd hh24:mi:ss') FROM "
                                    "login_log WHERE wkr_no=") +
                         who,
                     log) < 0) {
            // The login goes on without the lock-out, as the suite's other
            // clients do; whoever looks after the workstation finds why here.
            context_.writeLog(QStringLiteral("login_log unreadable, no lock-out for this login: ") +
                              context_.errors().text);
            v.lockout = false;
        } else if (log.rowCount() > 0) {
            v.logRow = true;
            v.errorCount = leadingInteger(log.text(0, 0));
            const QString lockedAt = log.text(0, 1).trimmed();
            if (!lockedAt.isEmpty()) {
                // Both clocks are the server's: the lock began on it and the
                // comparison reads it again.
                const QDateTime at(QDate::fromString(lockedAt.left(10), QStringLiteral("yyyy-MM-dd")),
                                   QTime::fromString(lockedAt.mid(11, 8), QStringLiteral("HH:mm:ss")), Qt::UTC);
                const QString unlock =
                    at.isValid() ? at.addSecs(60LL * v.lockMinutes).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                 : QString();
                if (context_.getEnv(9).toString() < unlock) {
                    context_.showMsg(QStringLiteral("E账号被限制登录，请在 ") + unlock.right(8) +
                                     QStringLiteral(" 之后重试"));
                    return -1;
                }
                if (db.execute(QStringLiteral("delete from login_log WHERE wkr_no=") + who) < 0) {
                    db.showDbError();
                    return -1;
                }
                // The count went with the row: the next failure starts again at one.
                v.logRow = false;
                v.errorCount = 0;
            }
        }
    }

    QueryResult worker;
    if (db.query(QStringLiteral("SELECT password, wkr_flag, code2,wkr_email, wkr_tele, catalog_level,modi_pwd_date "
                                "FROM LIB_WORKER WHERE wkr_no=") +
                     who,
                 worker) < 0) {
        db.showDbError();
        return -1;
    }
    if (worker.rowCount() == 0) {
        context_.showMsg(QStringLiteral("ECM500"));
        return -1;
    }
    if (worker.text(0, 1) == QLatin1String("0")) {
        context_.showMsg(QStringLiteral("ECM501"));
        return -1;
    }

    const QString stored = worker.text(0, 0);
    const bool rule = passwordRule().present;
    const bool hashing = params.isOn(74);
    // With hashing on only the digest of what was typed counts: a plain
    // comparison would let anyone who has read the stored digest type it.
    const bool matches = hashing ? stored == storedForm(password)
                                 : (rule ? stored == password : stored.compare(password, Qt::CaseInsensitive) == 0);
    if (!matches)
        return refusePassword(operatorNo, v);

    if (v.lockout && v.logRow && v.errorCount > 0) {
        if (db.execute(QStringLiteral("delete from login_log where wkr_no=") + who) < 0) {
            db.showDbError();
            return -1;
        }
    }
    v.code2 = worker.text(0, 2) == QLatin1String("1");
    v.email = worker.text(0, 3);
    v.telephone = worker.text(0, 4);
    v.catalogLevel = worker.text(0, 5);
    v.passwordDate = worker.text(0, 6);
    return 0;
}

int Login::refusePassword(const QString &operatorNo, const Verified &v)
{
    if (!v.lockout) {
        context_.showMsg(QStringLiteral("ECM502"));
        return -1;
    }
    Session &db = context_.db();
    const QString who = sqlQuote(operatorNo);
    const QString count =
        v.logRow ? QString(QStringLiteral("update login_log set error_count=error_count+1  where wkr_no=") + who)
                 : QString(QStringLiteral("insert into login_log(wkr_no,error_count) values(") + who +
                           QStringLiteral(",1)"));
    if (db.execute(count) < 0) {
        db.showDbError();
        return -1;
    }
    // At or past the limit locks: a count left above a lowered limit must
    // not keep the account open for good.
    const bool lock = v.lockCount > 0 && v.errorCount + 1 >= v.lockCount;
    if (lock && db.execute(QStringLiteral("update login_log set limit_login_time=sysdate where wkr_no=") + who) < 0) {
        db.showDbError();
        return -1;
    }
    {
        SessionStamp stamp(context_.session(), operatorNo, v.workstation);
        if (logOperation(context_, QStringLiteral("60042"), QString(), QString(), QString(), kModuleTitle,
                         QStringLiteral("密码输入错误,登录失败")) < 0)
            db.showDbError();
    }
    context_.showMsg(lock ? QString(QStringLiteral("E密码输入错误过多，账号被限制登录") +
                                    QString::number(v.lockMinutes) + QStringLiteral("分钟"))
                          : QStringLiteral("ECM502"));
    return -1;
}

int Login::checkPassword(const QString &operatorNo, const QString &password)
{
    Verified v;
    return verify(operatorNo, password, v);
}

int Login::checkLogin(const QString &operatorNo, const QString &password)
{
    Verified v;
    if (verify(operatorNo, password, v) < 0)
        return -1;

    Session &db = context_.db();
    const QString who = sqlQuote(operatorNo);
    QueryResult bound;
    if (db.query(QStringLiteral(" SELECT loca_comp_lst.comp_name, loca_comp_lst.location FROM "
                                "USER_COMP_LST,LOCA_COMP_LST  WHERE user_comp_lst.wkr_no=") +
                     who + QStringLiteral(" AND user_comp_lst.comp_name=loca_comp_lst.comp_name"),
                 bound) < 0) {
        db.showDbError();
        return -1;
    }
    int row = -1;
    for (int r = 0; r < bound.rowCount() && row < 0; ++r) {
        if (bound.text(r, 0).toUpper() == v.workstation)
            row = r;
    }
    if (row < 0 && operatorNo != kRoot) {
        context_.showMsg(QStringLiteral("ECM503"));
        return -1;
    }
    const QString location = row >= 0 ? bound.text(row, 1) : QStringLiteral("99999");

    QString branch;
    if (context_.params().isOn(47)) {
        QueryResult b;
        if (db.query(QStringLiteral("select branch_id from location_lst where location=") + sqlQuote(location), b) <
            0) {
            db.showDbError();
            return -1;
        }
        branch = b.text(0, 0);
    }

    QueryResult rights;
    QueryResult locations;
    if (db.query(QStringLiteral("SELECT user_auth_lst.modu_code") + QStringLiteral(" FROM user_auth_lst") +
                     QStringLiteral(" WHERE user_auth_lst.wkr_no = ") + who,
                 rights) < 0 ||
        db.query(QStringLiteral("SELECT location FROM user_location WHERE wkr_no = ") + who, locations) < 0) {
        db.showDbError();
        return -1;
    }

    SessionValues &s = context_.session();
    s.operatorNo = operatorNo;
    s.password = password;
    s.workstation = v.workstation;
    s.currentLocation = location;
    s.branch = branch;
    s.rights.clear();
    for (int r = 0; r < rights.rowCount(); ++r)
        s.rights.append(rights.text(r, 0));
    s.locations.clear();
    for (int r = 0; r < locations.rowCount(); ++r)
        s.locations.append(locations.text(r, 0));
    s.email = v.email;
    s.telephone = v.telephone;
    s.catalogLevel = v.catalogLevel;
    s.passwordDate = v.passwordDate;
    s.code2 = v.code2;
    return 0;
}

bool Login::changePassword(const QString &operatorNo, const QString &newPassword, const QString &confirmation)
{
    const PasswordRule rule = passwordRule();
    if (!rule.accepts(newPassword)) {
        context_.showMsg(QStringLiteral("E密码") + rule.text());
        return false;
    }
    if (newPassword != confirmation) {
        context_.showMsg(QStringLiteral("ECM510"));
        return false;
    }
    Session &db = context_.db();
    const QString today = context_.getEnv(1).toString();
    Transaction tx(db);
    if (db.execute(QStringLiteral(" UPDATE lib_worker SET password=") + sqlQuote(storedForm(newPassword)) +
                   QStringLiteral(",modi_pwd_date=") + sqlQuote(today) + QStringLiteral("  WHERE wkr_no=") +
                   sqlQuote(operatorNo)) < 0 ||
        tx.commit() < 0) {
        // A silent failure would leave the operator believing the new
        // password is in force.
        db.showDbError();
        tx.rollback();
        return false;
    }
    if (operatorNo == context_.session().operatorNo)
        context_.session().passwordDate = today;
    context_.showMsg(QStringLiteral("I成功修改登录口令！"));
    return true;
}

bool Login::checkRight(const QString &moduleCode, bool show)
{
    if (context_.session().hasRight(moduleCode))
        return true;
    if (show)
        context_.showMsg(QStringLiteral("ECM504") + moduleCode);
    return false;
}

bool Login::passwordExpired()
{
    const int maxAge = context_.params().integer(77);
    if (maxAge <= 0)
        return false;
    const QString date = context_.session().passwordDate.trimmed();
    if (date.isEmpty())
        return true;
    const std::optional<QDateTime> changed = parseDateText(date);
    if (!changed)
        return true; // an unreadable date is no proof of a recent change
    const QDate today = QDate::fromString(context_.getEnv(1).toString(), QStringLiteral("yyyy-MM-dd"));
    if (!today.isValid())
        return false;
    return changed->date().daysTo(today) >= maxAge;
}

Login::Attempt Login::attempt(const QString &userText, const QString &password, bool relogin)
{
    BusyPointer busy(context_.prompter());
    const QString operatorNo = userText.trimmed().toUpper();
    if (checkLogin(operatorNo, password) < 0)
        return {};
    if (context_.codes().loadLocations(QStringLiteral("2")) < 0) {
        context_.db().showDbError();
        return {};
    }
    const QString rule = passwordRuleText();
    if (!passwordComplex(password))
        return {Outcome::ChangePassword, withRule(QStringLiteral("密码过于简单,请重新设置密码"), rule)};
    if (passwordExpired())
        return {Outcome::ChangePassword, withRule(QStringLiteral("密码过期，请重新设置密码"), rule)};
    if (!checkRight(QStringLiteral("3000"), true))
        return {Outcome::NoRight, relogin ? QStringLiteral("用户重新登录") : QString()};
    return {Outcome::Accepted, QStringLiteral("用户成功登录，正在初始化主窗体...")};
}

} // namespace kestra
