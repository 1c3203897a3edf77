#include "admin/DemoBuilder.h"

#include "core/Session.h"

#include <QTime>

namespace kestra::demo {

DemoRandom stream(quint64 seed, quint64 purpose, quint64 index)
{
    // splitmix64 of the three numbers: neighbouring indexes give unrelated
    // streams.
    DemoRandom mix(seed * 0x9E3779B97F4A7C15ULL ^ (purpose << 40) ^ index);
    mix.next();
    return DemoRandom(mix.next());
}

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QString marcRecNo(int title)
{
    return QStringLiteral("%1").arg(title + 1, 10, 10, QLatin1Char('0'));
}

QString propNo(qint64 copy)
{
    return QStringLiteral("%1").arg(copy + 1, 8, 10, QLatin1Char('0'));
}

QString barCode(qint64 copy)
{
    return QStringLiteral("C") + QString::number(10000000 + copy + 1);
}

Builder::Builder(Session &session, DemoWriter &writer, const DemoOptions &options, const QDate &today,
                 const QString &now, const QString &workstation, const BibParams &params)
    : session_(session), w_(writer), options_(options), today_(today), now_(now), workstation_(workstation),
      codePage_(options.codePage), codec_(codePage_), params_(params)
{}

QString Builder::readerId(int i) const
{
    return QStringLiteral("R%1").arg(i + 1, 7, 10, QLatin1Char('0'));
}

int Builder::pickReader(DemoRandom &r) const
{
    // Cancelled readers are rare; a few tries always find an active one.
    for (int tries = 0; tries < 16; ++tries) {
        const int i = r.below(readerCount_);
        if (readerActive_[std::size_t(i)])
            return i;
    }
    return 0;
}

void Builder::work(const QString &worker, const QString &job, int day, qint64 titles, qint64 copies, double amount)
{
    WorkSum &sum = work_[WorkKey{worker, job, day}];
    sum.titles += titles;
    sum.copies += copies;
    sum.amount += amount;
}

void Builder::log(const QString &type, int day, const QString &worker, int location, const QString &marcRecNo,
                  const QString &propNo, const QString &certId, const QString &data1, const QString &data2,
                  const QString &data3)
{
    // Times within the working day, spread by the row's number; today's
    // work lies before the moment the library was made.
    const quint64 spread = quint64(logRows_) * 7919 + quint64(day) * 104729;
    int seconds = 8 * 3600 + int(spread % (9 * 3600));
    if (day <= 0) {
        const int now = QTime::fromString(now_.mid(11), QStringLiteral("hh:mm:ss")).msecsSinceStartOfDay() / 1000;
        seconds = std::max(0, now - 1 - int(spread % 3600));
    }
    const QString time = QTime(0, 0).addSecs(seconds).toString(QStringLiteral("hh:mm:ss"));
    const QString computer = worker == QLatin1String("LT01")   ? QStringLiteral("LT-01")
                             : worker == QLatin1String("BM01") ? QStringLiteral("CB-01")
                                                               : workstation_;
    auto orNull = [](const QString &s) { return s.isEmpty() ? QVariant() : QVariant(s); };
    w_[QStringLiteral("log_detl")].add({type, this->day(day), time, worker, computer,
                                        locations_[std::size_t(location)].name, orNull(marcRecNo), orNull(propNo),
                                        orNull(certId), orNull(data1), orNull(data2), orNull(data3)});
    ++logRows_;
}

} // namespace kestra::demo
