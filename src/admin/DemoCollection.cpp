// The titles of the demo library: one bibliographic record each, and its
// copies. Every twentieth title (from the eighth) is still in acceptance or
// cataloguing (statuses 11-16), every tenth (from the fifth) is in one of the
// handover batches that wait for assignment, and the rest are in the
// collection, handed over month by month in the last ten years.

#include "admin/DemoBuilder.h"

#include "marc/BibWriter.h"

#include <cmath>

namespace kestra::demo {

namespace {

bool naturalScience(const QString &clc)
{
    return !clc.isEmpty() && QStringLiteral("NOPQRSTUVX").contains(clc.at(0));
}

double priceOf(const DemoBook &b)
{
    return b.price.mid(3).toDouble(); // "CNY35.00"
}

QVariant text(const QString &s)
{
    return s.isEmpty() ? QVariant() : QVariant(s);
}

QVariant dayOrNull(const Builder &b, int daysBack)
{
    return daysBack < 0 ? QVariant() : QVariant(b.day(daysBack));
}

} // namespace

bool Builder::collection()
{
    const int titles = options_.scale;
    progress(QStringLiteral("%1 titles").arg(titles));
    const int step = std::max(1, titles / 10);
    for (int i = 0; i < titles; ++i) {
        if (!title(i) || !w_.flushIfFull())
            return false;
        if ((i + 1) % step == 0 && i + 1 < titles)
            progress(QStringLiteral("  %1 of %2 titles, %3 copies").arg(i + 1).arg(titles).arg(copyCount_));
    }
    progress(QStringLiteral("  %1 titles, %2 copies").arg(titles).arg(copyCount_));
    return w_.flush();
}

QString Builder::nextCollectionStatus(DemoRandom &r)
{
    // The first copies show every collection status once; then the shares
    // of a working library, in thousandths.
    static const char *const showcase[] = {"41", "42", "43", "44", "45", "46", "3C", "33",
                                           "34", "35", "36", "37", "38", "39", "3A", "3B"};
    static const std::pair<const char *, int> shares[] = {
        {"41", 820}, {"42", 30}, {"43", 35}, {"44", 10}, {"45", 20}, {"46", 30}, {"3C", 8}, {"33", 12},
        {"34", 4},   {"35", 10}, {"36", 3},  {"37", 3},  {"38", 5},  {"39", 3},  {"3A", 3}, {"3B", 4},
    };
    if (collectionCopies_ < int(std::size(showcase)))
        return QString::fromLatin1(showcase[collectionCopies_++]);
    ++collectionCopies_;
    int x = r.below(1000);
    for (const auto &[code, share] : shares) {
        if (x < share)
            return QString::fromLatin1(code);
        x -= share;
    }
    return QStringLiteral("41");
}

int Builder::locationFor(const QString &status, const TitleFacts &t, DemoRandom &r) const
{
    if (status == QLatin1String("43"))
        return GJ;
    if (status == QLatin1String("44"))
        return DC;
    if (status == QLatin1String("45"))
        return BC;
    if (status == QLatin1String("46"))
        return FG;
    if (status == QLatin1String("42"))
        return r.chance(50) ? TC : MJ;
    if (t.arrivalDay <= 60)
        return XS;
    // Older books go to the compact stacks.
    if (t.book.year < 1998 && r.chance(60))
        return MJ;
    return t.home;
}

bool Builder::storeRecord(const TitleFacts &t, BibRecord &record, const QString &useFlag, int cataDay)
{
    // The rows storeBibRecord writes for a new record, made by the same
    // functions, but loaded in bulk: storing one record is a transaction of
    // its own there, far too slow for a million copies.
    BibSummary &s = record.summary;
    s.marcRecNo = t.marcRecNo;
    s.docTypeCode = QStringLiteral("01");
    s.langCode = QStringLiteral("CHI");
    s.countryCode = QStringLiteral("CN");
    s.marcUseFlag = useFlag;
    s.cataOper = s.createOper = QStringLiteral("BM01");
    s.cataDate = day(cataDay);
    s.createDate = day(cataDay + 3);
    s.opacFlag = s.catalogLevel = QStringLiteral("1");
    const BibSummaryColumns cols = summaryColumns(record, params_);
    QVariantList row = {t.marcRecNo,        s.marcType,       s.docTypeCode,     s.langCode,
                        s.countryCode,      s.marcUseFlag,    s.cataOper,        s.cataDate,
                        s.createOper,       s.createDate,     s.opacFlag,        s.catalogLevel,
                        text(cols.callNo),  text(cols.title), text(cols.author), text(cols.publisher),
                        text(cols.pubYear), text(cols.isbn),  text(cols.classNo)};
    for (const QString &info : cols.info)
        row.append(text(info));
    w_[QStringLiteral("marc")].addRow(row);

    const QStringList chunks = bibChunks(record.serializeText(), 2000, params_.unicodeMode, codePage_);
    DemoTable &data = w_[QStringLiteral("marc_data")];
    for (qsizetype i = 0; i < chunks.size(); i += 3) {
        data.add({t.marcRecNo, int(i / 3 + 1), chunks[i], i + 1 < chunks.size() ? QVariant(chunks[i + 1]) : QVariant(),
                  i + 2 < chunks.size() ? QVariant(chunks[i + 2]) : QVariant()});
    }
    DemoTable &index = w_[QStringLiteral("marc_idx")];
    for (const IndexKey &key : indexKeys(record, params_, codePage_))
        index.add({t.marcRecNo, key.group, key.content});
    // Call numbers are the library's own: unique by their book numbers, in
    // the circulation type of their class.
    for (const QString &callNo : recordCallNumbers(record)) {
        w_[QStringLiteral("call_no_lst")].add(
            {callNo, t.marcRecNo, QStringLiteral("1"),
             callNo.startsWith(QLatin1Char('Z')) ? QStringLiteral("02") : QStringLiteral("01"), QStringLiteral("01")});
    }
    return true;
}

void Builder::writeCopy(const TitleFacts &t, const CopyFacts &c)
{
    const QString year = QString::number(t.book.year);
    const bool accepted = c.status < QLatin1String("16"); // no call number before cataloguing
    const QString callNo = accepted ? QString() : t.book.callNo;
    const QString getMode = c.status == QLatin1String("12")   ? QStringLiteral("02")
                            : c.status == QLatin1String("13") ? QStringLiteral("03")
                            : c.status == QLatin1String("14") ? QStringLiteral("05")
                                                              : QStringLiteral("01");
    const QString location = locationCode(c.location);
    w_[QStringLiteral("indi_acct")].add({c.propNo,
                                         t.marcRecNo,
                                         text(c.chkBatch),
                                         text(c.moveBatch),
                                         c.price,
                                         c.realPrice,
                                         locationCode(c.subscriber),
                                         QStringLiteral("01"),
                                         QStringLiteral("0"),
                                         text(callNo),
                                         text(c.remark),
                                         QStringLiteral("01"),
                                         text(c.barCode),
                                         dayOrNull(*this, c.inDay),
                                         c.status,
                                         day(c.statusDay),
                                         getMode,
                                         QVariant(),
                                         c.worker,
                                         year,
                                         QVariant(),
                                         location,
                                         location,
                                         text(c.asordNo),
                                         text(c.shelfNo),
                                         QStringLiteral("1"),
                                         day(std::max(c.statusDay, c.inDay) + 2),
                                         QVariant()});
    if (!c.hasItem)
        return;
    w_[QStringLiteral("item")].add({c.propNo,
                                    t.marcRecNo,
                                    text(callNo),
                                    location,
                                    text(c.barCode),
                                    QStringLiteral("01"),
                                    c.status,
                                    c.lendFlag,
                                    year,
                                    QVariant(),
                                    c.price,
                                    QVariant(),
                                    dayOrNull(*this, c.inDay),
                                    c.circYear,
                                    c.circTotal,
                                    dayOrNull(*this, c.firstUse),
                                    day(c.statusDay),
                                    dayOrNull(*this, c.lastUse),
                                    dayOrNull(*this, c.inDay),
                                    QStringLiteral("01"),
                                    text(c.remark),
                                    c.worker});
}

void Builder::transferDoc(const QString &batch, const QString &chk, const TitleFacts &t, int copies, bool stored,
                          int sendDay, const QString &worker)
{
    w_[QStringLiteral("transfer_doc")].add({batch, chk, t.marcRecNo, copies,
                                            stored ? QStringLiteral("1") : QStringLiteral("0"), day(sendDay),
                                            stored ? QVariant(worker) : QVariant(), QStringLiteral("3"), QVariant()});
}

QString Builder::order(const TitleFacts &t, int subscriber, int copies, int sendDay)
{
    // Readers asked for this title; the order number ties them to the copies.
    const QString asord = QStringLiteral("DD%1%2").arg(today_.year()).arg(++orders_, 6, 10, QLatin1Char('0'));
    w_[QStringLiteral("order_lst")].add({asord, QVariant(), t.marcRecNo, locationCode(subscriber), day(sendDay + 60),
                                         copies, t.price, QStringLiteral("CNY"), QStringLiteral("01"),
                                         QStringLiteral("3"), QVariant(), QStringLiteral("BM01"), QVariant()});
    DemoRandom r = stream(options_.seed, 12, quint64(t.index));
    w_[QStringLiteral("recm_doc")].add({asord, readerId(pickReader(r)), t.book.title, t.book.author, t.book.publisher,
                                        t.book.isbn, day(sendDay + 70), QStringLiteral("0"), QVariant()});
    if (r.chance(40)) {
        w_[QStringLiteral("suggest")].add({asord, readerId(pickReader(r)), t.book.title, t.book.author,
                                           t.book.publisher, t.book.isbn, day(sendDay + 65), QVariant(),
                                           zh("希望图书馆尽快采购")});
    }
    return asord;
}

bool Builder::title(int index)
{
    DemoRandom r = stream(options_.seed, 10, quint64(index));
    TitleFacts t;
    t.index = index;
    t.marcRecNo = marcRecNo(index);
    t.book = demoBook(stream(options_.seed, 11, quint64(index)).next());
    t.book.recordId = t.marcRecNo;
    // A call number of its own: the class and the next book number in it.
    t.book.callNo = t.book.clc + QLatin1Char('/') + QString::number(++classSerial_[t.book.clc]);
    t.marc21 = r.chance(12);
    t.price = priceOf(t.book);
    t.home = t.marc21 ? WW : naturalScience(t.book.clc) ? ZK : SK;
    publishers_.insert(t.book.publisher, t.book.place);
    BibRecord record = t.marc21 ? demoMarc21Record(t.book, codec_) : demoUnimarcRecord(t.book, codec_);

    auto newCopy = [&](const QString &status, int location) {
        CopyFacts c;
        c.index = copyCount_++;
        c.propNo = propNo(c.index);
        c.status = status;
        c.location = location;
        c.subscriber = location == FG ? FG : t.home;
        c.price = t.price;
        c.realPrice = std::round(t.price * (70 + r.below(31))) / 100.0;
        return c;
    };

    const int kind = index % 20;
    if (kind == 7) {
        // In acceptance or cataloguing: the record is not finished (待编).
        const int cataDay = r.between(1, 30);
        if (!storeRecord(t, record, QStringLiteral("2"), cataDay))
            return false;
        const int copies = 2 + r.below(3);
        for (int i = 0; i < copies; ++i) {
            CopyFacts c = newCopy(QString::number(11 + catalogueCopies_++ % 6), t.home);
            c.statusDay = cataDay;
            c.chkBatch = QStringLiteral("YS") + today_.addDays(-cataDay).toString(QStringLiteral("yyyyMM"));
            c.worker = QStringLiteral("BM01");
            writeCopy(t, c);
        }
        return true;
    }

    if (kind == 4 || kind == 14) {
        // Handed over, waiting for assignment (or partly assigned).
        const Handover &h = handovers_[std::size_t(index / 10) % handovers_.size()];
        const int cataDay = h.sendDay + r.between(1, 10);
        if (!storeRecord(t, record, r.chance(20) ? QStringLiteral("4") : QStringLiteral("3"), cataDay))
            return false;
        const int copies = 1 + r.below(4);
        const bool stored = r.chance(h.storedPercent);
        const bool split = !h.chkLater.isEmpty() && copies >= 2 && r.chance(35);
        const int storedCopies = split ? (copies + 1) / 2 : stored ? copies : 0;
        const int subscriber = r.chance(15) ? FG : t.home;
        const QString asord =
            storedCopies < copies && r.chance(20) ? order(t, subscriber, copies, h.sendDay) : QString();
        double storedAmount = 0;
        for (int i = 0; i < copies; ++i) {
            const bool assigned = i < storedCopies;
            CopyFacts c = newCopy(QStringLiteral("17"), subscriber);
            c.subscriber = subscriber;
            c.moveBatch = h.number;
            c.chkBatch = split && !assigned ? h.chkLater : h.chk;
            c.statusDay = h.sendDay;
            c.worker = QStringLiteral("BM01");
            if (assigned) {
                c.status = r.chance(85) ? QStringLiteral("41") : QStringLiteral("43");
                c.location = c.status == QLatin1String("43") ? GJ : subscriber == FG ? FG : XS;
                c.inDay = r.between(0, h.sendDay - 1);
                c.statusDay = c.inDay;
                c.barCode = barCode(c.index);
                c.hasItem = true;
                c.worker = QStringLiteral("DC02");
                storedAmount += c.price;
                // Some assigned new books have been lent and returned since:
                // the new-book window's undo refuses their titles.
                DemoRandom lent = stream(options_.seed, 13, quint64(c.index));
                if (c.status == QLatin1String("41") && c.inDay > 1 && lent.chance(15)) {
                    c.circTotal = 1;
                    c.circYear = today_.addDays(-(c.inDay - 1)).year() == today_.year() ? 1 : 0;
                    c.firstUse = c.inDay - 1;
                    c.lastUse = c.inDay - 1;
                }
            } else if (h.labelled == 2 ? r.chance(60) : h.labelled == 1 && i == 0 && r.chance(50)) {
                // Cataloguing labels some copies before handing them over.
                c.barCode = barCode(c.index);
            }
            if (!assigned)
                c.asordNo = asord;
            writeCopy(t, c);
        }
        if (split) {
            transferDoc(h.number, h.chk, t, storedCopies, true, h.sendDay, QStringLiteral("DC02"));
            transferDoc(h.number, h.chkLater, t, copies - storedCopies, false, h.sendDay, QString());
        } else {
            transferDoc(h.number, h.chk, t, copies, stored, h.sendDay, QStringLiteral("DC02"));
        }
        if (storedCopies > 0) {
            work(QStringLiteral("DC02"), QStringLiteral("301"), h.sendDay / 2, 1, storedCopies, storedAmount);
            log(QStringLiteral("30001"), h.sendDay / 2, QStringLiteral("DC02"), DC, t.marcRecNo, QString(), QString(),
                h.number, zh("新书分配"), QString::number(storedCopies));
        }
        return true;
    }

    // In the collection.
    t.arrivalDay = r.chance(5) ? r.between(20, 60) : r.between(61, 3650);
    const int sendDay = t.arrivalDay + r.between(1, 6);
    const QDate sent = today_.addDays(-sendDay);
    const QString moveBatch = QStringLiteral("JJ") + sent.toString(QStringLiteral("yyyyMM"));
    const QString chk = QStringLiteral("YS") + sent.addDays(-10).toString(QStringLiteral("yyyyMM"));
    if (!storeRecord(t, record, r.chance(10) ? QStringLiteral("4") : QStringLiteral("3"), sendDay + r.between(1, 20)))
        return false;
    const int workerDraw = r.below(100);
    const QString worker = workerDraw < 60   ? QStringLiteral("DC02")
                           : workerDraw < 85 ? QStringLiteral("DC01")
                                             : QStringLiteral("DC05");
    const int copies = 1 + r.below(4);
    double amount = 0;
    for (int i = 0; i < copies; ++i) {
        const QString status = nextCollectionStatus(r);
        CopyFacts c = newCopy(status, locationFor(status, t, r));
        c.inDay = t.arrivalDay;
        c.statusDay = t.arrivalDay;
        c.barCode = barCode(c.index);
        c.hasItem = status != QLatin1String("45") && status != QLatin1String("44");
        c.moveBatch = moveBatch;
        c.chkBatch = chk;
        c.worker = worker;
        if (c.location == MJ || c.location == BC) {
            c.shelfNo = QStringLiteral("%1%2-%3-%4")
                            .arg(c.location == MJ ? QLatin1Char('A') : QLatin1Char('B'))
                            .arg(1 + r.below(6))
                            .arg(1 + r.below(24), 2, 10, QLatin1Char('0'))
                            .arg(1 + r.below(7));
        }
        circulate(t, c, r);
        history(t, c, r);
        process(t, c, r);
        transfer(t, c, r);
        count(t, c, r);
        transport(t, c);
        writeCopy(t, c);
        amount += c.price;
    }
    transferDoc(moveBatch, chk, t, copies, true, sendDay, worker);
    work(worker, QStringLiteral("301"), t.arrivalDay, 1, copies, amount);
    if (t.arrivalDay <= 90)
        log(QStringLiteral("30001"), t.arrivalDay, worker, DC, t.marcRecNo, QString(), QString(), moveBatch,
            zh("新书分配"), QString::number(copies));

    // Now and then a further copy of a title the library has comes in the
    // newest handover batch, so that the batch shows titles already held.
    if (r.chance(3)) {
        const Handover &h = handovers_.front();
        CopyFacts c = newCopy(QStringLiteral("17"), t.home);
        c.moveBatch = h.number;
        c.chkBatch = h.chk;
        c.statusDay = h.sendDay;
        c.worker = QStringLiteral("BM01");
        writeCopy(t, c);
        transferDoc(h.number, h.chk, t, 1, false, h.sendDay, QString());
    }

    const bool literature = t.book.clc.startsWith(QLatin1Char('I'));
    if ((t.arrivalDay <= 60 || literature) && shelfTitles_.size() < 400) {
        shelfTitles_.push_back({t.marcRecNo, t.book.title, t.book.author, t.book.publisher,
                                QString::number(t.book.year), t.book.callNo, literature, t.arrivalDay <= 60});
    }
    return true;
}

} // namespace kestra::demo
