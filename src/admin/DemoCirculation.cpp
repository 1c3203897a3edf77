// What readers did with the copies: open loans (some overdue), reservations
// waiting at the desk, delegated and interlibrary loans, loans of the past
// (with fines for late returns), and lost copies claimed or paid for.

#include "admin/DemoBuilder.h"

namespace kestra::demo {

namespace {

const QString kDesk = QStringLiteral("LT01");

} // namespace

void Builder::circulate(const TitleFacts &t, CopyFacts &c, DemoRandom &r)
{
    if (!c.hasItem || c.status != QLatin1String("41") || c.inDay < 3)
        return;
    // The first lendable copies show every kind once: an overdue loan, a
    // loan, a reservation at the desk, a delegated loan, an interlibrary loan
    // out and one back.
    int fate = -1;
    if (circulationShowcase_ < 6) {
        fate = circulationShowcase_++;
    } else {
        const int x = r.below(1000);
        fate = x < 18 ? 0 : x < 60 ? 1 : x < 64 ? 2 : x < 65 ? 3 : x < 66 ? 4 : x < 67 ? 5 : -1;
    }
    const QString location = locationCode(c.location);
    const QString campus = locations_[std::size_t(c.location)].campus;
    switch (fate) {
    case 0:
    case 1: {
        const QString reader = readerId(pickReader(r));
        const bool overdue = fate == 0 && c.inDay > 31;
        const int lendDay = overdue ? r.between(31, std::min(150, c.inDay)) : r.between(0, std::min(29, c.inDay));
        int dueDay = lendDay - 30; // negative: still to come
        QVariant renewDate;
        int renewals = 0;
        if (lendDay > 20 && r.chance(20)) {
            renewals = 1;
            renewDate = day(lendDay - 20);
            dueDay -= 30;
        }
        w_[QStringLiteral("lend_lst")].add({c.propNo, reader, location, day(lendDay), day(dueDay), renewDate, renewals,
                                            QVariant(), 0, QVariant(), QStringLiteral("01"), QStringLiteral("0"),
                                            kDesk});
        w_[QStringLiteral("lend_hist")].add({c.propNo,
                                             reader,
                                             t.marcRecNo,
                                             location,
                                             QStringLiteral("1"),
                                             day(lendDay),
                                             day(dueDay),
                                             QVariant(),
                                             QVariant(),
                                             renewDate,
                                             renewals,
                                             QVariant(),
                                             QVariant(),
                                             QVariant(),
                                             QStringLiteral("0"),
                                             QStringLiteral("0"),
                                             QStringLiteral("0"),
                                             QStringLiteral("01"),
                                             QStringLiteral("0"),
                                             QVariant(),
                                             QVariant(),
                                             kDesk,
                                             QVariant()});
        c.lendFlag = QStringLiteral("1");
        c.circTotal += 1;
        if (today_.addDays(-lendDay).year() == today_.year())
            c.circYear += 1;
        c.lastUse = lendDay;
        c.firstUse = std::max(c.firstUse, lendDay);
        if (lendDay <= 90)
            log(QStringLiteral("42020"), lendDay, kDesk, c.location, t.marcRecNo, c.propNo, reader, day(dueDay),
                zh("图书外借"), QString());
        // Another reader waits for the title.
        if (r.chance(8)) {
            const QString preg = QStringLiteral("Y%1").arg(++reservations_, 8, 10, QLatin1Char('0'));
            const int pregDay = r.between(0, lendDay);
            w_[QStringLiteral("preg_lst")].add({preg, readerId(pickReader(r)), t.book.callNo, location, day(pregDay),
                                                day(pregDay - 30), 7, location, QVariant(), QVariant(), campus,
                                                QStringLiteral("0"), kDesk});
        }
        break;
    }
    case 2: {
        // Reserved, arrived, waiting at the desk for its reader.
        const QString reader = readerId(pickReader(r));
        const QString preg = QStringLiteral("Y%1").arg(++reservations_, 8, 10, QLatin1Char('0'));
        const int pregDay = r.between(3, 12);
        const int arrived = r.between(0, 2);
        w_[QStringLiteral("preg_lst")].add({preg, reader, t.book.callNo, location, day(pregDay), day(pregDay - 30), 7,
                                            location, QVariant(), QVariant(), campus, QStringLiteral("1"), kDesk});
        w_[QStringLiteral("preg_arri_lst")].add({c.propNo, reader, preg, location, day(arrived),
                                                 r.chance(60) ? QVariant(day(arrived)) : QVariant(), day(arrived - 7),
                                                 7, location, QVariant(), QVariant(), campus, QStringLiteral("0"),
                                                 QStringLiteral("0"), kDesk});
        c.lendFlag = QStringLiteral("2");
        break;
    }
    case 3: {
        const QString reader = readerId(pickReader(r));
        const QString number = QStringLiteral("W%1").arg(++reservations_, 8, 10, QLatin1Char('0'));
        const int asked = r.between(2, 10);
        w_[QStringLiteral("relegate_lst")].add({number, reader, t.book.callNo, location, day(asked), day(asked - 14),
                                                location, QStringLiteral("1"), kDesk, QVariant()});
        w_[QStringLiteral("relegate_arri_lst")].add(
            {c.propNo, reader, number, location, day(asked - 1), day(asked - 8), location, QStringLiteral("0"), kDesk});
        c.lendFlag = QStringLiteral("3");
        break;
    }
    case 4:
        c.lendFlag = QStringLiteral("4");
        c.remark = zh("馆际互借：借给省图书馆");
        break;
    case 5:
        c.lendFlag = QStringLiteral("5");
        c.remark = zh("馆际互借已还回，待上架");
        break;
    default:
        break;
    }
}

void Builder::history(const TitleFacts &t, CopyFacts &c, DemoRandom &r)
{
    if (!c.hasItem || c.inDay < 60 || !r.chance(30))
        return;
    const QString location = locationCode(c.location);
    const int loans = 1 + r.below(3);
    for (int i = 0; i < loans; ++i) {
        const int lendDay = r.between(45, c.inDay - 1);
        const int kept = r.chance(85) ? r.between(7, 30) : r.between(31, 75);
        const int returned = lendDay - kept;
        if (returned < 1 || (c.lendFlag == QLatin1String("1") && returned < c.lastUse))
            continue;
        const QString reader = readerId(pickReader(r));
        const int late = std::max(0, kept - 30);
        w_[QStringLiteral("lend_hist")].add({c.propNo,
                                             reader,
                                             t.marcRecNo,
                                             location,
                                             QStringLiteral("1"),
                                             day(lendDay),
                                             day(lendDay - 30),
                                             day(returned),
                                             late,
                                             QVariant(),
                                             0,
                                             QVariant(),
                                             QVariant(),
                                             QVariant(),
                                             QStringLiteral("0"),
                                             QStringLiteral("0"),
                                             QStringLiteral("0"),
                                             QStringLiteral("01"),
                                             QStringLiteral("0"),
                                             QVariant(),
                                             QVariant(),
                                             kDesk,
                                             kDesk});
        if (late > 0) {
            const double fine = late * 0.10;
            w_[QStringLiteral("exceed_fine_lst")].add(
                {reader, c.propNo, day(lendDay), day(returned), day(lendDay - 30), fine, fine,
                 QStringLiteral("FK%1").arg(c.index, 8, 10, QLatin1Char('0')), day(returned), QStringLiteral("1"),
                 QStringLiteral("D"), kDesk, QVariant()});
            if (late > 30)
                w_[QStringLiteral("reader_volt_lst")].add({reader, c.propNo, QStringLiteral("01"), day(returned), fine,
                                                           QVariant(), day(returned), QVariant(), QStringLiteral("1"),
                                                           kDesk, zh("超期")});
        }
        c.circTotal += 1;
        if (today_.addDays(-lendDay).year() == today_.year())
            c.circYear += 1;
        c.firstUse = std::max(c.firstUse, lendDay);
        if (c.lastUse < 0 || lendDay < c.lastUse)
            c.lastUse = lendDay;
    }
}

void Builder::lostClaim(const TitleFacts &t, CopyFacts &c, DemoRandom &r)
{
    // 3B: a reader declared the copy lost and still owes a replacement;
    // 39: the reader has paid.
    const bool paid = c.status == QLatin1String("39");
    const QString reader = readerId(pickReader(r));
    const int claimed = r.between(1, std::max(1, std::min(200, c.inDay - 1)));
    const double owed = c.price * 3 + 2;
    w_[QStringLiteral("lost_recoup_lst")].add(
        {c.propNo, reader, day(claimed), c.price, 1.0, 1.0, paid ? QVariant(owed) : QVariant(),
         paid ? QVariant(QStringLiteral("PC%1").arg(c.index, 8, 10, QLatin1Char('0'))) : QVariant(),
         paid ? QStringLiteral("1") : QStringLiteral("2"), paid ? QStringLiteral("1") : QStringLiteral("0"), kDesk,
         paid ? zh("读者丢失已赔偿") : zh("读者声明丢失，待赔偿")});
    c.statusDay = claimed;
    if (claimed <= 90) {
        if (paid)
            log(QStringLiteral("42038"), claimed, kDesk, c.location, t.marcRecNo, c.propNo, reader,
                QString::number(owed, 'f', 2), zh("丢失赔偿"), QString());
        else
            log(QStringLiteral("30021"), claimed, QStringLiteral("DC01"), DC, t.marcRecNo, c.propNo, reader, reader,
                QStringLiteral("1"), QString());
    }
    if (!paid)
        work(QStringLiteral("DC01"), QStringLiteral("311"), claimed, 1, 1, 0);
}

} // namespace kestra::demo
