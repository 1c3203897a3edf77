#include "core/DateText.h"

#include <QRegularExpression>

namespace kestra {

namespace {

int completeYear(int year, qsizetype digits)
{
    if (digits <= 2)
        return year < 50 ? 2000 + year : 1900 + year;
    return year;
}

std::optional<QDate> parseDatePart(QString text)
{
    bool minguo = false;
    if (text.startsWith(QStringLiteral("民国")) || text.startsWith(QStringLiteral("民國"))) {
        minguo = true;
        text = text.mid(2).trimmed();
    }
    text.replace(u'年', u'-').replace(u'月', u'-').remove(u'日');
    text.replace(u'.', u'-').replace(u'/', u'-');
    QStringList parts = text.split(u'-', Qt::SkipEmptyParts);
    if (parts.size() == 1 && !minguo) {
        const QString digits = parts.front();
        if (digits.size() == 8)
            parts = {digits.left(4), digits.mid(4, 2), digits.mid(6, 2)};
        else if (digits.size() == 6)
            parts = {digits.left(4), digits.mid(4, 2)};
    }
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    int numbers[3] = {0, 0, 1};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        numbers[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok || numbers[i] < 0)
            return std::nullopt;
    }
    int year = minguo ? 1911 + numbers[0] : completeYear(numbers[0], parts.front().trimmed().size());
    const QDate date(year, numbers[1], numbers[2]);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> parseTimePart(const QString &text)
{
    if (text.isEmpty())
        return QTime(0, 0);
    const QStringList parts = text.split(u':');
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    int numbers[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        numbers[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    const QTime time(numbers[0], numbers[1], numbers[2]);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

// Translates the suite's pattern letters into Qt's.
QString qtPattern(const QString &pattern)
{
    QString out;
    QChar previous;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i).toLower();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern.at(i + run).toLower() == c)
            ++run;
        switch (c.unicode()) {
        case u'y':
            out += run <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
            break;
        case u'm': {
            // Minutes when they follow hours or precede seconds.
            const qsizetype next = i + run;
            const bool beforeSeconds = next + 1 < pattern.size() && pattern.at(next + 1).toLower() == u's';
            const bool minutes = previous == u'h' || beforeSeconds;
            out += minutes ? QStringLiteral("mm") : (run == 1 ? QStringLiteral("M") : QStringLiteral("MM"));
            break;
        }
        case u'n':
            out += QStringLiteral("mm");
            break;
        case u'd':
            out += run == 1 ? QStringLiteral("d") : QStringLiteral("dd");
            break;
        case u'h':
            out += run == 1 ? QStringLiteral("H") : QStringLiteral("HH");
            break;
        case u's':
            out += run == 1 ? QStringLiteral("s") : QStringLiteral("ss");
            break;
        default:
            if (c.isLetter() || c == u'\'')
                out += u'\'' + pattern.mid(i, run).replace(u'\'', QStringLiteral("''")) + u'\'';
            else
                out += pattern.mid(i, run);
            break;
        }
        // Literal letters ("hh时mm分") do not count: "mm" after "hh" is minutes.
        if (QStringLiteral("ymdhns").contains(c))
            previous = c;
        i += run;
    }
    return out;
}

} // namespace

std::optional<QDateTime> parseDateText(const QString &value)
{
    QString text = value.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    // In "民国 89.5.1" the blank belongs to the date; it does not start a time.
    if (text.startsWith(QStringLiteral("民国")) || text.startsWith(QStringLiteral("民國")))
        text = text.left(2) + text.mid(2).trimmed();
    static const QRegularExpression split(QStringLiteral("[ T]+"));
    const qsizetype at = text.indexOf(split);
    const QString datePart = at < 0 ? text : text.left(at);
    const QString timePart = at < 0 ? QString() : text.mid(at).trimmed();
    const std::optional<QDate> date = parseDatePart(datePart);
    if (!date)
        return std::nullopt;
    const std::optional<QTime> time = parseTimePart(timePart);
    if (!time)
        return std::nullopt;
    return QDateTime(*date, *time);
}

QString formatDateText(const QString &value, const QString &pattern)
{
    const std::optional<QDateTime> when = parseDateText(value);
    if (!when)
        return value;
    return when->toString(qtPattern(pattern)).left(pattern.size());
}

} // namespace kestra
