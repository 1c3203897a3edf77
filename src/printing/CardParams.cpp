#include "printing/CardParams.h"

#include "core/IniFile.h"
#include "printing/LabelParams.h"

namespace kestra {

QString cardKindKey(CardKind kind)
{
    static const std::array<const char *, CardKindCount> keys{"Main", "Title", "Author", "Subject", "Series"};
    return QString::fromLatin1(keys[static_cast<std::size_t>(kind)]);
}

namespace {

const std::array<const char *, 2> kCardTypeKeys{"CN", "US"};

QStringList commaList(const QString &text)
{
    QStringList out;
    for (const QString &part : text.split(u',')) {
        if (!part.trimmed().isEmpty())
            out.append(part.trimmed());
    }
    return out;
}

} // namespace

CardParams cardParamsFrom(const IniFile &ini)
{
    const auto text = [&](const char *section, const QString &key) {
        return ini.value(QString::fromLatin1(section), key, QString());
    };
    const auto num = [&](const char *section, const QString &key) { return profileShort(text(section, key)); };
    const auto flag = [&](const char *section, const QString &key) { return num(section, key) != 0; };
    const auto mm = [&](const char *section, const char *key) {
        return Distance::mm(profileNumber(text(section, QString::fromLatin1(key))));
    };
    const auto k = [](const char *key) { return QString::fromLatin1(key); };
    CardParams p;
    p.lines = num("BaseParam", k("Line"));
    p.columns = num("BaseParam", k("Colum"));
    p.omitChar = text("BaseParam", k("OmitChar"));
    p.sectionChar = text("BaseParam", k("SectionChar"));
    p.sepChar = text("BaseParam", k("SepChar"));
    p.yornIndex = flag("CardStock", k("YornIndex"));
    p.chinesePy = flag("CardStock", k("ChinesePy"));
    p.chineseUpcase = flag("CardStock", k("ChineseUpcase"));
    p.pyMaxLine = num("CardStock", k("PyMaxLine"));
    for (int i = 0; i < CardKindCount; ++i) {
        const QString kind = cardKindKey(static_cast<CardKind>(i));
        CardKindParams &c = p.kinds[static_cast<std::size_t>(i)];
        c.name = text("CardStock", kind + k("Name"));
        c.print = flag("CardStock", k("Print") + kind);
        c.baseNumber = flag("CardStock", kind + k("BaseNumber"));
        c.cardIndex = flag("CardStock", kind + k("CardIndex"));
        c.continued = flag("CardStock", kind + k("Continue"));
        c.note = flag("CardStock", kind + k("Note"));
        c.trace = flag("CardStock", kind + k("Trace"));
        c.summary = flag("CardStock", kind + k("Sumary"));
        c.isbn = flag("CardStock", kind + k("ISBN"));
        c.trace_list = text("TracingList", kind + k("Trace"));
    }
    for (std::size_t t = 0; t < kCardTypeKeys.size(); ++t) {
        const QString type = QString::fromLatin1(kCardTypeKeys[t]);
        CardTypeParams &c = p.types[t];
        c.docTypes = commaList(text("Classification", type + k("PrintDocType"))).mid(0, 3);
        c.materialDesignation = flag("CardStock", type + k("GMD"));
        c.fieldTag = text("Classification", type + k("FieldTag")).trimmed();
        c.classSubfield = text("Classification", type + k("ClassSubfldId")).trimmed();
        c.accessSubfield = text("Classification", type + k("AccessSubfldId")).trimmed();
        for (int i = 0; i < CardKindCount; ++i)
            c.headings[static_cast<std::size_t>(i)] =
                text("Heading", type + cardKindKey(static_cast<CardKind>(i)) + k("Heading")).trimmed();
        c.printFooter = flag("PrintFooter", type + k("PrintFooter"));
        c.noteFields = commaList(text("SpecialSection", type + k("Note")));
        c.isbnFields = commaList(text("SpecialSection", type + k("ISBN")));
        c.summaryFields = commaList(text("SpecialSection", type + k("Summary")));
        c.traceIds = commaList(text("Tracing", type + k("TraceID"))).mid(0, 10);
        c.subTraceIds = commaList(text("Tracing", type + k("SubTraceID"))).mid(0, 10);
    }
    p.classRow = num("Classification", k("PrintClassRow"));
    p.classCol = num("Classification", k("PrintClassCol"));
    p.maxCharacters = num("Classification", k("MaxCharactor"));
    p.maxLineChars = num("Classification", k("MaxLineChar"));
    p.maxLines = num("Classification", k("MaxLine"));
    p.lineReturn = text("Classification", k("LineReturn"));
    p.classOnly = flag("Classification", k("ClassOnly"));
    p.classFontSize = num("Classification", k("FontSize"));
    p.leftMargin = mm("Dimensions", "LeftMargin");
    p.rightMargin = mm("Dimensions", "RightMargin");
    p.topMargin = mm("Dimensions", "TopMargin");
    p.bottomMargin = mm("Dimensions", "BottomMargin");
    p.indentionSpace = num("Dimensions", k("IndentionSpace"));
    p.printBorder = flag("Dimensions", k("PrintBorder"));
    p.compressLine = flag("Dimensions", k("CompressLine"));
    p.headingLine = num("Heading", k("HeadingLine"));
    p.headingUpCase = flag("Heading", k("HeadingUpCase"));
    p.footLine = num("PrintFooter", k("FootLine"));
    for (int i = 1; i <= 99; ++i) {
        const QString key = QStringLiteral("Footer%1").arg(i, 2, 10, QChar(u'0'));
        if (!ini.hasKey(QStringLiteral("PrintFooter"), key))
            break;
        QList<int> numbers;
        for (const QString &n : commaList(text("PrintFooter", key)))
            numbers.append(profileShort(n));
        p.footers.append(numbers);
    }
    p.holdingYorn = flag("Holding", k("HoldingYorn"));
    p.holdingRow = num("Holding", k("PrintRow"));
    p.holdingCol = num("Holding", k("PrintCol"));
    p.holdingMax = num("Holding", k("HoldingMax"));
    p.traceOmitLead = text("Tracing", k("TraceOmitLead"));
    return p;
}

CardField parseCardField(const QString &text)
{
    CardField field;
    field.tag = text.left(3).trimmed();
    for (const QString &piece : text.mid(3).split(u'#')) {
        if (piece.trimmed().isEmpty())
            continue;
        const QString element = piece.startsWith(u' ') ? piece.mid(1) : piece;
        CardElement e;
        e.code = element.at(0);
        const QStringList texts = element.mid(2).split(u'|');
        e.before = texts.value(0);
        e.after = texts.value(1);
        e.first = texts.value(2);
        e.repeat = texts.value(3);
        field.elements.append(e);
    }
    return field;
}

CardLayout cardLayoutFrom(const IniFile &ini, const QString &type)
{
    CardLayout layout;
    const auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QChar(u'0')); };
    const int paragraphs = profileShort(ini.value(type + QStringLiteral("MARCParam"), QStringLiteral("paragraph")));
    for (int p = 1; p <= paragraphs && p <= 99; ++p) {
        const QString section = type + QStringLiteral("paragraph") + two(p);
        CardParagraph paragraph;
        const QStringList font = ini.value(section, QStringLiteral("font")).split(u',');
        paragraph.fontSize = profileShort(font.value(0));
        paragraph.bold = profileShort(font.value(1)) != 0;
        const QStringList numbers = commaList(ini.value(section, QStringLiteral("section")));
        for (const QString &n : numbers) {
            CardSection s;
            s.number = profileShort(n);
            const QString name = type + QStringLiteral("section") + two(s.number);
            const int fields = profileShort(ini.value(name, QStringLiteral("fieldnum")));
            for (int f = 1; f <= fields && f <= 99; ++f) {
                const QString value = ini.value(name, QStringLiteral("field") + two(f));
                if (value.size() >= 3)
                    s.fields.append(parseCardField(value));
            }
            paragraph.sections.append(s);
        }
        layout.paragraphs.append(paragraph);
    }
    return layout;
}

int loadCardParams(const QString &path, const CodePage &codePage, CardParams &params)
{
    bool exists = false;
    const IniFile ini = IniFile::load(path, codePage, &exists);
    if (!exists)
        return -1;
    params = cardParamsFrom(ini);
    return 0;
}

int loadCardLayout(const QString &path, const CodePage &codePage, std::array<CardLayout, 2> &layouts)
{
    bool exists = false;
    const IniFile ini = IniFile::load(path, codePage, &exists);
    if (!exists)
        return -1;
    for (std::size_t t = 0; t < kCardTypeKeys.size(); ++t)
        layouts[t] = cardLayoutFrom(ini, QString::fromLatin1(kCardTypeKeys[t]));
    return 0;
}

} // namespace kestra
