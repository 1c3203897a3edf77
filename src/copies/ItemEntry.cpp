#include "copies/ItemEntry.h"

#include "copies/ItemCodes.h"
#include "core/AppContext.h"
#include "core/Session.h"

#include <algorithm>

namespace kestra {

std::optional<QList<BarcodeRule>> parseBarcodeRules(const QString &text)
{
    QList<BarcodeRule> rules;
    for (const QString &raw : text.split(u',')) {
        const QString item = raw.trimmed();
        if (item.isEmpty())
            continue;
        const QStringList f = item.split(u':');
        if (f.size() != 5)
            return std::nullopt;
        bool ok1 = false;
        bool ok2 = false;
        bool ok3 = false;
        BarcodeRule rule;
        rule.length = f.at(0).trimmed().toInt(&ok1);
        rule.prefix = f.at(1).trimmed().toUpper();
        rule.start = f.at(2).trimmed().toInt(&ok2);
        rule.count = f.at(3).trimmed().toInt(&ok3);
        rule.insert = f.at(4).trimmed().toUpper();
        if (!ok1 || !ok2 || !ok3 || rule.length < 0 || rule.start < 1 || rule.count < 0)
            return std::nullopt;
        rules.append(rule);
    }
    if (rules.isEmpty())
        return std::nullopt;
    return rules;
}

QString applyBarcodeRules(const QList<BarcodeRule> &rules, const QString &code)
{
    for (const BarcodeRule &rule : rules) {
        if (rule.length != 0 && code.size() != rule.length)
            continue;
        if (!code.startsWith(rule.prefix))
            continue;
        const qsizetype at = qMin<qsizetype>(rule.start - 1, code.size());
        QString out = code;
        out.replace(at, rule.count, rule.insert);
        return out;
    }
    return code;
}

CodeNormaliser::CodeNormaliser(const BarcodeSettings &settings, bool dropCheckCharacter)
    : settings_(settings),
      // A rule that does not parse converts nothing: the main window has
      // already said so and switched it off.
      rules_(settings.structUse == 1 ? parseBarcodeRules(settings.structRule).value_or(QList<BarcodeRule>{})
                                     : QList<BarcodeRule>{}),
      dropCheck_(dropCheckCharacter)
{}

QString CodeNormaliser::normalise(const QString &text, InputType type) const
{
    QString code = text.trimmed().toUpper();
    if (type == InputType::Accession || code.isEmpty())
        return code;
    if (settings_.use == 1) {
        // Only a code of digits is completed: letters mean it already
        // carries its prefix.
        const bool digits = std::all_of(code.cbegin(), code.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        const double value = code.toDouble();
        if (digits && value >= settings_.min && value <= settings_.max)
            code = settings_.prefix + code + settings_.suffix;
    }
    code = applyBarcodeRules(rules_, code);
    if (dropCheck_ && !code.isEmpty())
        code.chop(1);
    return code;
}

CopyDetails copyDetails(AppContext &context, const ItemRow &row)
{
    CopyDetails d;
    d.propNo = row.propNo;
    d.barCode = row.barCode;
    d.location = context.codes().locationName(row.disLocation);
    d.state = item_status::name(row.status);
    d.callNo = row.callNo;
    d.bookName = row.title;
    d.author = row.author;
    d.publisher = row.publisher;
    d.price = QString::number(row.price, 'f', 2);
    d.inDate = row.inDate;
    d.attach = row.attachment;
    d.yearVolPeri = row.yearVolume;
    return d;
}

ItemEntry::ItemEntry(AppContext &context, const BarcodeSettings &barcode) : context_(context), barcode_(barcode) {}

QString ItemEntry::normalise(const QString &text) const
{
    // Sdsd is read at every entry: the preferences can change while the
    // form is open.
    return CodeNormaliser(barcode_, context_.preferences().sdsd == 1).normalise(text, inputType_);
}

Entry ItemEntry::enter(const QString &text)
{
    const QString code = normalise(text);
    if (code.isEmpty()) {
        Entry empty;
        return empty;
    }
    return lookup(code, inputType_);
}

Entry ItemEntry::lookup(const QString &code, InputType type)
{
    Entry e;
    e.code = code;
    if (code.isEmpty())
        return e;
    const QStringList along = along_ ? along_(code, type) : QStringList();
    const int found = readItemRow(context_.db(), code, type, e.row, readCirculation_, along, e.along);
    if (found < 0) {
        e.status = Entry::Status::Failed;
        if (showFailure_)
            context_.db().showDbError();
        return e;
    }
    if (found == 0) {
        e.status = Entry::Status::NotFound;
        context_.showMsg(type == InputType::Barcode ? QStringLiteral("E该条码号不存在")
                                                    : QStringLiteral("E该财产号不存在"));
        return e;
    }
    if (checkRights_ && !context_.codes().checkLocationRight(e.row.disLocation)) {
        e.status = Entry::Status::NoRight;
        return e;
    }
    e.status = Entry::Status::Found;
    return e;
}

bool ItemEntry::atProcessingLocation(const ItemRow &row) const
{
    return processingLocation_.isEmpty() || processingLocation_ == QLatin1String("All") ||
           processingLocation_ == row.disLocation;
}

} // namespace kestra
