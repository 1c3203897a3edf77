// bench-printing: laying out the spine labels of a batch of 5,000 copies and
// the catalogue cards of 1,000 records with the parameter files a new
// installation gets, against the budgets of one and three seconds.
//
//   bench-printing [--copies N] [--records M] [--runs R]
//
// The copies have call numbers of the demo library's classes, one label
// each, class breaks on; the records are demo records (UNIMARC and MARC 21
// in turn) composed and laid out with all five kinds printed. Each run
// times the whole producer (data to pages); the lines give medians.

#include "core/IniFile.h"
#include "marc/DemoRecords.h"
#include "marc/MarcCodec.h"
#include "printing/CatalogueCard.h"
#include "printing/LabelParams.h"
#include "printing/ParamFiles.h"
#include "printing/SpineLabels.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

using namespace kestra;

namespace {

double medianOf(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0.0 : v.at(v.size() / 2);
}

QString paramFileText(const QString &name)
{
    for (const ParamFile &f : defaultPrintParamFiles()) {
        if (f.name == name)
            return f.text;
    }
    return {};
}

int option(const QStringList &args, const char *name, int fallback)
{
    const qsizetype i = args.indexOf(QLatin1String(name));
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1).toInt() : fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int copyCount = option(args, "--copies", 5000);
    const int recordCount = option(args, "--records", 1000);
    const int runs = std::max(1, option(args, "--runs", 5));
    const CodePage codePage;

    LabelParams label = labelParamsFrom(IniFile(paramFileText(QStringLiteral("Label65.ini")), codePage));
    label.items[3].print = 1; // the location too
    QList<LabelCopy> copies;
    const QStringList classes{u"B22"_qs, u"I247.5"_qs, u"K825.6"_qs, u"TP311.13"_qs, u"Z228.1"_qs};
    for (int i = 0; i < copyCount; ++i) {
        LabelCopy c;
        c.callNo = classes.at(i * classes.size() / copyCount) + u'/' + QString::number(i % 97 + 1);
        c.propNo = QStringLiteral("%1").arg(i + 1, 8, 10, QChar(u'0'));
        c.location = QStringLiteral("中文图书库");
        copies.append(c);
    }
    LabelRun run;
    run.classBreaks = true;
    run.separator = QStringLiteral("/");

    CardParams cardParams = cardParamsFrom(IniFile(paramFileText(QStringLiteral("CardParam.ini")), codePage));
    for (CardKindParams &k : cardParams.kinds)
        k.print = true;
    const IniFile formats(paramFileText(QStringLiteral("CardFormat.ini")), codePage);
    const std::array<CardLayout, 2> layouts{cardLayoutFrom(formats, QStringLiteral("CN")),
                                            cardLayoutFrom(formats, QStringLiteral("US"))};
    const MarcCodec codec;
    QList<BibRecord> records;
    for (int i = 0; i < recordCount; ++i) {
        BibRecord r = demoRecord(static_cast<quint64>(i) + 1, i % 2 == 1, codec);
        r.summary.marcType = i % 2 == 1 ? QStringLiteral("U") : QStringLiteral("C");
        records.append(r);
    }
    CardRecordInfo info;
    info.separator = QStringLiteral("/");
    info.holdings = {QStringLiteral("00000001"), QStringLiteral("00000002")};

    QList<double> labelTimes;
    QList<double> cardTimes;
    qsizetype labelPages = 0;
    qsizetype cardPages = 0;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        const LabelLayout sheets = layoutSpineLabels(label, copies, run, DevicePaper{});
        labelTimes.append(t.nsecsElapsed() / 1e9);
        labelPages = sheets.document.pages.size();

        t.restart();
        QList<CardData> cards;
        cards.reserve(records.size());
        for (const BibRecord &record : records)
            cards.append(
                composeCard(record, cardParams, layouts[static_cast<std::size_t>(cardTypeOf(record) == 1)], info));
        const PageDocument set = layoutCards(cards, cardParams);
        cardTimes.append(t.nsecsElapsed() / 1e9);
        cardPages = set.pages.size();
    }
    const double labels = medianOf(labelTimes);
    const double cards = medianOf(cardTimes);
    std::printf("labels: %d copies, %lld sheets, median %.3f s over %d runs (budget 1 s)\n", copyCount,
                static_cast<long long>(labelPages), labels, runs);
    std::printf("cards: %d records, %lld cards, median %.3f s over %d runs (budget 3 s)\n", recordCount,
                static_cast<long long>(cardPages), cards, runs);
    std::printf("BENCH printing-labels s=%.3f budget_s=1 ratio=%.3f\n", labels, labels / 1.0);
    std::printf("BENCH printing-cards s=%.3f budget_s=3 ratio=%.3f\n", cards, cards / 3.0);
    return 0;
}
