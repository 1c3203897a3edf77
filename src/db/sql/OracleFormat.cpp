#include "db/sql/OracleFormat.h"

#include <cmath>

namespace kestra {

namespace {

// The value's 15 significant decimal digits and its decimal exponent:
// value = 0.d1d2...d15 * 10^(exp + 1), trailing zeros kept.
struct Decimal {
    bool negative = false;
    QString digits; // 15 digits
    int exp = 0;
};

Decimal toDecimal(double value)
{
    Decimal d;
    const QString s = QString::number(value, 'e', 14); // d.dddddddddddddde+XX
    int i = 0;
    if (s.startsWith(u'-')) {
        d.negative = true;
        i = 1;
    }
    const qsizetype e = s.indexOf(u'e');
    d.digits = s.mid(i, e - i);
    d.digits.remove(u'.');
    d.exp = s.mid(e + 1).toInt();
    return d;
}

// Keeps `keep` leading digits, rounding half away from zero or truncating.
double cutDecimal(double value, int decimals, bool round)
{
    if (!std::isfinite(value) || value == 0)
        return value;
    decimals = qBound(-60, decimals, 60);
    const Decimal d = toDecimal(value);
    const int keep = d.exp + 1 + decimals;
    if (keep >= d.digits.size())
        return value;
    if (keep < 0)
        return 0;
    QString mant = d.digits.left(keep);
    if (round && d.digits[keep] >= u'5') {
        int k = keep - 1;
        while (k >= 0 && mant[k] == u'9') {
            mant[k] = u'0';
            --k;
        }
        if (k < 0)
            mant.prepend(u'1');
        else
            mant[k] = QChar(mant[k].unicode() + 1);
    }
    if (mant.isEmpty())
        return 0;
    const double r = QStringView(QString(mant + u'e' + QString::number(-decimals))).toDouble();
    return d.negative ? -r : r;
}

const char *const kMonths[] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                               "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
const char *const kDays[] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};

// The case of a name follows the case of the format element: MON, Mon, mon.
QString caseLike(QStringView element, QString upper)
{
    if (element[0].isLower())
        return upper.toLower();
    if (element.size() > 1 && element[1].isLower()) {
        QString out = upper.toLower();
        out[0] = out[0].toUpper();
        return out;
    }
    return upper;
}

QString padNumber(int value, int width, bool fill)
{
    const QString s = QString::number(value);
    return fill ? s : s.rightJustified(width, u'0');
}

// The date format elements, longest first where one begins another.
const char *const kDateElements[] = {
    "SYYYY", "YYYY", "RRRR", "YYY",   "YY", "RR",   "Y",    "MONTH", "MON", "MM", "MI", "DDD", "DD", "DAY", "DY", "D",
    "HH24",  "HH12", "HH",   "SSSSS", "SS", "A.M.", "P.M.", "AM",    "PM",  "Q",  "WW", "W",   "J",  "CC",  "FM", "FX"};

int matchElement(QStringView format, qsizetype i, QStringView *element)
{
    for (const char *e : kDateElements) {
        const QLatin1StringView el(e);
        if (format.mid(i).startsWith(el, Qt::CaseInsensitive)) {
            *element = format.mid(i, el.size());
            return static_cast<int>(el.size());
        }
    }
    return 0;
}

bool isFormatPunctuation(QChar c)
{
    return !c.isLetterOrNumber() && c != u'"';
}

} // namespace

QString oracleNumberText(qint64 value)
{
    return QString::number(value);
}

QString oracleNumberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("Nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf");
    if (value == 0)
        return QStringLiteral("0");
    Decimal d = toDecimal(value);
    while (d.digits.size() > 1 && d.digits.endsWith(u'0'))
        d.digits.chop(1);
    const int k = static_cast<int>(d.digits.size());
    QString out = d.negative ? QStringLiteral("-") : QString();
    if (d.exp >= 40 || d.exp < -130) {
        out += d.digits.left(1);
        if (k > 1)
            out += u'.' + d.digits.mid(1);
        out += u'E' + QChar(d.exp < 0 ? u'-' : u'+') + QStringLiteral("%1").arg(std::abs(d.exp), 2, 10, QChar(u'0'));
        return out;
    }
    const int point = d.exp + 1; // digits before the decimal point
    if (point >= k)
        out += d.digits + QString(point - k, u'0');
    else if (point > 0)
        out += d.digits.left(point) + u'.' + d.digits.mid(point);
    else
        out += u'.' + QString(-point, u'0') + d.digits;
    return out;
}

OracleFormatKind classifyOracleFormat(QStringView format)
{
    bool quoted = false;
    bool dateLetter = false;
    for (const QChar c : format) {
        if (c == u'"') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == u'9' || c == u'0')
            return OracleFormatKind::Number;
        if (QStringView(u"YyMmDdHhSsRrQqJjWw").contains(c))
            dateLetter = true;
    }
    return dateLetter ? OracleFormatKind::Date : OracleFormatKind::Unknown;
}

std::optional<OracleDateTime> parseStoredDateTime(QStringView text)
{
    text = text.trimmed();
    auto num = [&](qsizetype at, int len, int *out) {
        if (at + len > text.size())
            return false;
        int v = 0;
        for (int k = 0; k < len; ++k) {
            const QChar c = text[at + k];
            if (c < u'0' || c > u'9')
                return false;
            v = v * 10 + (c.unicode() - u'0');
        }
        *out = v;
        return true;
    };
    int y, mo, d;
    if (!num(0, 4, &y) || text.size() < 10 || (text[4] != u'-' && text[4] != u'/') || text[7] != text[4] ||
        !num(5, 2, &mo) || !num(8, 2, &d))
        return std::nullopt;
    OracleDateTime v;
    v.date = QDate(y, mo, d);
    if (!v.date.isValid())
        return std::nullopt;
    if (text.size() == 10)
        return v;
    int h, mi, s = 0, ms = 0;
    if ((text[10] != u' ' && text[10] != u'T') || !num(11, 2, &h) || text.size() < 16 || text[13] != u':' ||
        !num(14, 2, &mi))
        return std::nullopt;
    qsizetype at = 16;
    if (at < text.size()) {
        if (text[at] != u':' || !num(at + 1, 2, &s))
            return std::nullopt;
        at += 3;
        if (at < text.size()) {
            if (text[at] != u'.')
                return std::nullopt;
            int digits = 0;
            for (++at; at < text.size() && text[at].isDigit(); ++at, ++digits) {
                if (digits < 3)
                    ms = ms * 10 + (text[at].unicode() - u'0');
            }
            if (at != text.size() || digits == 0)
                return std::nullopt;
            for (; digits < 3; ++digits)
                ms *= 10;
        }
    }
    v.time = QTime(h, mi, s, ms);
    if (!v.time.isValid())
        return std::nullopt;
    return v;
}

QString storedDateTimeText(const OracleDateTime &value)
{
    return value.date.toString(u"yyyy-MM-dd") + u' ' + value.time.toString(u"HH:mm:ss");
}

std::optional<QString> formatOracleDate(const OracleDateTime &value, QStringView format, QString *error)
{
    QString out;
    bool fill = false; // FM
    const QDate &d = value.date;
    const QTime &t = value.time;
    const int year = d.year();
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == u'"') {
            const qsizetype close = format.indexOf(u'"', i + 1);
            const qsizetype stop = close < 0 ? format.size() : close;
            out += format.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        if (isFormatPunctuation(c)) {
            out += c;
            ++i;
            continue;
        }
        QStringView el;
        const int len = matchElement(format, i, &el);
        if (len == 0) {
            if (error)
                *error = QStringLiteral("ORA-01821: date format not recognized");
            return std::nullopt;
        }
        i += len;
        const QString up = el.toString().toUpper();
        const int h12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
        if (up == u"FM")
            fill = !fill;
        else if (up == u"FX")
            ;
        else if (up == u"YYYY" || up == u"RRRR" || up == u"SYYYY")
            out += (up == u"SYYYY" && year < 0 ? u"-" : u"") + padNumber(std::abs(year), 4, fill);
        else if (up == u"YYY")
            out += padNumber(std::abs(year) % 1000, 3, fill);
        else if (up == u"YY" || up == u"RR")
            out += padNumber(std::abs(year) % 100, 2, fill);
        else if (up == u"Y")
            out += QString::number(std::abs(year) % 10);
        else if (up == u"CC")
            out += padNumber((std::abs(year) - 1) / 100 + 1, 2, fill);
        else if (up == u"MM")
            out += padNumber(d.month(), 2, fill);
        else if (up == u"MON")
            out += caseLike(el, QLatin1StringView(kMonths[d.month() - 1]).left(3).toString());
        else if (up == u"MONTH") {
            const QString name = caseLike(el, QString::fromLatin1(kMonths[d.month() - 1]));
            out += fill ? name : name.leftJustified(9);
        } else if (up == u"DD")
            out += padNumber(d.day(), 2, fill);
        else if (up == u"DDD")
            out += padNumber(d.dayOfYear(), 3, fill);
        else if (up == u"D")
            out += QString::number(d.dayOfWeek() % 7 + 1);
        else if (up == u"DY")
            out += caseLike(el, QLatin1StringView(kDays[d.dayOfWeek() % 7]).left(3).toString());
        else if (up == u"DAY") {
            const QString name = caseLike(el, QString::fromLatin1(kDays[d.dayOfWeek() % 7]));
            out += fill ? name : name.leftJustified(9);
        } else if (up == u"HH24")
            out += padNumber(t.hour(), 2, fill);
        else if (up == u"HH" || up == u"HH12")
            out += padNumber(h12, 2, fill);
        else if (up == u"MI")
            out += padNumber(t.minute(), 2, fill);
        else if (up == u"SS")
            out += padNumber(t.second(), 2, fill);
        else if (up == u"SSSSS")
            out += padNumber(t.msecsSinceStartOfDay() / 1000, 5, fill);
        else if (up == u"AM" || up == u"PM")
            out += caseLike(el, t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
        else if (up == u"A.M." || up == u"P.M.")
            out += caseLike(el, t.hour() < 12 ? QStringLiteral("A.M.") : QStringLiteral("P.M."));
        else if (up == u"Q")
            out += QString::number((d.month() - 1) / 3 + 1);
        else if (up == u"WW")
            out += padNumber((d.dayOfYear() - 1) / 7 + 1, 2, fill);
        else if (up == u"W")
            out += QString::number((d.day() - 1) / 7 + 1);
        else if (up == u"J")
            out += padNumber(static_cast<int>(d.toJulianDay()), 7, fill);
    }
    return out;
}

std::optional<QString> formatOracleNumber(double value, QStringView format, QString *error)
{
    auto invalid = [&]() -> std::optional<QString> {
        if (error)
            *error = QStringLiteral("ORA-01481: invalid number format model");
        return std::nullopt;
    };
    QString f = format.toString().toUpper();
    bool fill = false;
    if (f.startsWith(u"FM")) {
        fill = true;
        f.remove(0, 2);
    }
    bool signLead = false, signTrail = false, mi = false, pr = false, dollar = false;
    if (f.startsWith(u'S')) {
        signLead = true;
        f.remove(0, 1);
    } else if (f.endsWith(u"MI")) {
        mi = true;
        f.chop(2);
    } else if (f.endsWith(u"PR")) {
        pr = true;
        f.chop(2);
    } else if (f.endsWith(u'S')) {
        signTrail = true;
        f.chop(1);
    }
    if (f.startsWith(u'$')) {
        dollar = true;
        f.remove(0, 1);
    }
    qsizetype point = -1;
    for (qsizetype k = 0; k < f.size(); ++k) {
        const QChar c = f[k];
        if (c == u'.' || c == u'D') {
            if (point >= 0)
                return invalid();
            point = k;
        } else if (c == u',' || c == u'G') {
            if (point >= 0)
                return invalid();
        } else if (c != u'9' && c != u'0') {
            return invalid();
        }
    }
    const QString intPat = point >= 0 ? f.left(point) : f;
    const QString fracPat = point >= 0 ? f.mid(point + 1) : QString();
    if (!std::isfinite(value))
        return invalid();
    const int fracDigits = static_cast<int>(fracPat.size());
    const double r = cutDecimal(std::fabs(value), fracDigits, true);
    const bool negative = value < 0 && r != 0;
    const QString fixed = QString::number(r, 'f', fracDigits);
    QString intStr = fracDigits > 0 ? fixed.left(fixed.indexOf(u'.')) : fixed;
    QString fracStr = fracDigits > 0 ? fixed.mid(fixed.indexOf(u'.') + 1) : QString();
    if (intStr == u"0" && fracDigits > 0)
        intStr.clear();
    const qsizetype slots = intPat.count(u'9') + intPat.count(u'0');
    if (intStr.size() > slots)
        return QString(format.size() + 1, u'#');
    const qsizetype zeroFrom = intPat.indexOf(u'0');
    QString intPart(intPat.size(), u' ');
    qsizetype di = intStr.size() - 1;
    for (qsizetype p = intPat.size() - 1; p >= 0; --p) {
        const QChar c = intPat[p];
        const bool zeroFill = zeroFrom >= 0 && p >= zeroFrom;
        if (c == u'9' || c == u'0')
            intPart[p] = di >= 0 ? intStr[di--] : (zeroFill ? u'0' : u' ');
        else
            intPart[p] = di >= 0 || (zeroFrom >= 0 && p > zeroFrom) ? u',' : u' ';
    }
    if (fill) {
        qsizetype k = fracStr.size();
        while (k > 0 && fracStr[k - 1] == u'0' && fracPat[k - 1] == u'9')
            --k;
        fracStr.truncate(k);
    }
    qsizetype lead = 0;
    while (lead < intPart.size() && intPart[lead] == u' ')
        ++lead;
    const QString blanks(lead, u' ');
    QString core = (dollar ? QStringLiteral("$") : QString()) + intPart.mid(lead);
    if (point >= 0)
        core += u'.' + fracStr;
    QString out;
    if (signLead)
        out = blanks + (negative ? u'-' : u'+') + core;
    else if (signTrail)
        out = blanks + core + (negative ? u'-' : u'+');
    else if (mi)
        out = blanks + core + (negative ? u'-' : u' ');
    else if (pr)
        out = negative ? blanks + u'<' + core + u'>' : blanks + u' ' + core + u' ';
    else
        out = blanks + (negative ? u'-' : u' ') + core;
    return fill ? out.trimmed() : out;
}

std::optional<OracleDateTime> parseOracleDate(QStringView text, QStringView format, QString *error)
{
    auto fail = [&](const char *msg) -> std::optional<OracleDateTime> {
        if (error)
            *error = QString::fromLatin1(msg);
        return std::nullopt;
    };
    const QDate today = QDate::currentDate();
    int year = today.year(), month = today.month(), day = 1, dayOfYear = 0;
    int hour = 0, minute = 0, second = 0;
    int meridian = 0; // 1 AM, 2 PM
    bool hour12 = false;
    qsizetype p = 0;
    auto skipSeparators = [&]() {
        while (p < text.size() && isFormatPunctuation(text[p]))
            ++p;
    };
    auto readNumber = [&](int width, int *out) {
        while (p < text.size() && text[p] == u' ')
            ++p;
        int v = 0, n = 0;
        while (p < text.size() && n < width && text[p].isDigit()) {
            v = v * 10 + text[p].digitValue();
            ++p;
            ++n;
        }
        *out = v;
        return n > 0;
    };
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == u'"') {
            const qsizetype close = format.indexOf(u'"', i + 1);
            const qsizetype stop = close < 0 ? format.size() : close;
            p += stop - i - 1;
            i = stop + 1;
            continue;
        }
        if (isFormatPunctuation(c)) {
            skipSeparators();
            ++i;
            continue;
        }
        QStringView el;
        const int len = matchElement(format, i, &el);
        if (len == 0)
            return fail("ORA-01821: date format not recognized");
        i += len;
        const QString up = el.toString().toUpper();
        bool ok = true;
        if (up == u"YYYY" || up == u"RRRR" || up == u"SYYYY") {
            ok = readNumber(4, &year);
        } else if (up == u"YY" || up == u"RR" || up == u"YYY" || up == u"Y") {
            int yy = 0;
            const qsizetype at = p;
            ok = readNumber(static_cast<int>(up.size()), &yy);
            if (ok && p - at <= 2) {
                const int century = today.year() / 100 * 100;
                if (up == u"RR") {
                    const int cur = today.year() % 100;
                    year = (yy < 50 ? (cur < 50 ? century : century + 100) : (cur < 50 ? century - 100 : century)) + yy;
                } else {
                    year = century + yy;
                }
            } else {
                year = yy;
            }
        } else if (up == u"MM") {
            ok = readNumber(2, &month);
        } else if (up == u"MON" || up == u"MONTH") {
            ok = false;
            for (int m = 0; m < 12 && !ok; ++m) {
                const QLatin1StringView full(kMonths[m]);
                if (text.mid(p).startsWith(full, Qt::CaseInsensitive)) {
                    p += full.size();
                    month = m + 1;
                    ok = true;
                } else if (text.mid(p).startsWith(full.left(3), Qt::CaseInsensitive)) {
                    p += 3;
                    month = m + 1;
                    ok = true;
                }
            }
            if (!ok)
                return fail("ORA-01843: not a valid month");
        } else if (up == u"DD") {
            ok = readNumber(2, &day);
        } else if (up == u"DDD") {
            ok = readNumber(3, &dayOfYear);
        } else if (up == u"HH24") {
            ok = readNumber(2, &hour);
        } else if (up == u"HH" || up == u"HH12") {
            ok = readNumber(2, &hour);
            hour12 = true;
        } else if (up == u"MI") {
            ok = readNumber(2, &minute);
        } else if (up == u"SS") {
            ok = readNumber(2, &second);
        } else if (up == u"AM" || up == u"PM" || up == u"A.M." || up == u"P.M.") {
            const QStringView rest = text.mid(p);
            for (const char *m : {"A.M.", "P.M.", "AM", "PM"}) {
                if (rest.startsWith(QLatin1StringView(m), Qt::CaseInsensitive)) {
                    meridian = m[0] == 'A' ? 1 : 2;
                    p += static_cast<qsizetype>(qstrlen(m));
                    break;
                }
            }
            ok = meridian != 0;
        } else if (up == u"DY" || up == u"DAY") {
            ok = false;
            for (const char *dn : kDays) {
                const QLatin1StringView full(dn);
                const qsizetype n = text.mid(p).startsWith(full, Qt::CaseInsensitive)           ? full.size()
                                    : text.mid(p).startsWith(full.left(3), Qt::CaseInsensitive) ? 3
                                                                                                : 0;
                if (n > 0) {
                    p += n;
                    ok = true;
                    break;
                }
            }
        } else if (up != u"FM" && up != u"FX") {
            return fail("ORA-01821: date format not recognized");
        }
        if (!ok)
            return fail("ORA-01858: a non-numeric character was found where a numeric was expected");
    }
    while (p < text.size() && text[p].isSpace())
        ++p;
    if (p < text.size())
        return fail("ORA-01830: date format picture ends before converting entire input string");
    if (hour12) {
        if (hour < 1 || hour > 12)
            return fail("ORA-01849: hour must be between 1 and 12");
        hour = hour % 12 + (meridian == 2 ? 12 : 0);
    } else if (meridian == 2 && hour < 12) {
        hour += 12;
    }
    if (month < 1 || month > 12)
        return fail("ORA-01843: not a valid month");
    if (hour > 23)
        return fail("ORA-01850: hour must be between 0 and 23");
    if (minute > 59)
        return fail("ORA-01851: minutes must be between 0 and 59");
    if (second > 59)
        return fail("ORA-01852: seconds must be between 0 and 59");
    OracleDateTime v;
    if (dayOfYear > 0) {
        v.date = QDate(year, 1, 1).addDays(dayOfYear - 1);
        if (v.date.year() != year)
            return fail("ORA-01848: day of year must be between 1 and 365 (366 for leap year)");
    } else {
        v.date = QDate(year, month, day);
    }
    if (!v.date.isValid())
        return fail("ORA-01847: day of month must be between 1 and last day of month");
    v.time = QTime(hour, minute, second);
    return v;
}

std::optional<double> parseOracleNumber(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && text[i].isDigit()) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && text[i].isDigit()) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        const qsizetype expStart = i;
        while (i < text.size() && text[i].isDigit())
            ++i;
        if (i == expStart)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

double oracleRound(double value, int decimals)
{
    return cutDecimal(value, decimals, true);
}

double oracleTrunc(double value, int decimals)
{
    return cutDecimal(value, decimals, false);
}

QString oracleDump(QStringView text, int format)
{
    if (text.isEmpty())
        return QStringLiteral("NULL");
    int base = format % 1000;
    if (base != 8 && base != 16 && base != 17)
        base = 10;
    QString bytes;
    bytes.reserve(text.size() * 6);
    auto append = [&](int b) {
        if (!bytes.isEmpty())
            bytes += u',';
        if (base == 17 && b >= 0x20 && b < 0x7f)
            bytes += QChar(b);
        else
            bytes += QString::number(b, base == 17 ? 16 : base);
    };
    for (const QChar c : text) {
        append(c.unicode() >> 8);
        append(c.unicode() & 0xff);
    }
    return QStringLiteral("Typ=1 Len=%1%2: ")
               .arg(text.size() * 2)
               .arg(format >= 1000 ? QStringLiteral(" CharacterSet=AL16UTF16") : QString()) +
           bytes;
}

std::optional<QString> decodeUnistr(QStringView text, QString *error)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == u'\\') {
            out += u'\\';
            ++i;
            continue;
        }
        bool ok = i + 4 < text.size();
        ushort unit = 0;
        if (ok)
            unit = text.mid(i + 1, 4).toUShort(&ok, 16);
        for (qsizetype k = 1; ok && k <= 4; ++k)
            ok = isxdigit(text[i + k].toLatin1()) != 0;
        if (!ok) {
            if (error)
                *error =
                    QStringLiteral("ORA-30186: '\\' must be followed by four hexdecimal characters or another '\\'");
            return std::nullopt;
        }
        out += QChar(unit);
        i += 4;
    }
    return out;
}

} // namespace kestra
