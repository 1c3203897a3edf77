#include "core/DbErrorReport.h"

namespace kestra {

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#';
}

struct KeyMessage {
    const char *constraint;
    const char16_t *message;
};

// Every unique key the suite's tables carry, with its message.
constexpr KeyMessage kUniqueKeys[] = {
    {"INDI_BARCODE_IDX", u"E条码号重复!"},
    {"PK_INDI_ACCT", u"E财产号重复!"},
    {"PK_CALL_NO_LST", u"E索书号重复!"},
    {"PK_WORKSPACE", u"E工作区名称重复!"},
    {"PK_MAX_CLASS_SERIAL", u"E该分类种次最大已存在!"},
    {"PK_ORDER", u"E订购号重复!"},
    {"PK_ASORD_CATA_DETL", u"E征订号重复!"},
    {"PK_ASORD_CATA", u"E征订目录号重复!"},
    {"PK_INPUT_BATCH", u"E批次号重复!"},
    {"PK_CHECK_ACCT", u"E验收批次号重复!"},
    {"PK_RECYCLE_SEC", u"E财产号废号重复!"},
    {"PK_ORDER_CHECK", u"E验收记录重复，该订购号已验收!"},
    {"PK_INVO", u"E发票号码及发票代码重复!"},
    {"PK_READER_CERT", u"E读者条码号重复!"},
    {"PK_READER", u"E读者证件号重复!"},
    {"PK_LOCATION_FUND_DETL", u"E订户经费重复!"},
};

} // namespace

bool containsWholeName(const QString &text, const QString &name)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(name, from);
        if (at < 0)
            return false;
        const qsizetype end = at + name.size();
        const bool startOk = at == 0 || !isNameChar(text.at(at - 1));
        const bool endOk = end >= text.size() || !isNameChar(text.at(end));
        if (startOk && endOk)
            return true;
        from = at + 1;
    }
}

QString uniqueKeyMessage(const QString &upperText)
{
    for (const KeyMessage &key : kUniqueKeys) {
        if (containsWholeName(upperText, QLatin1String(key.constraint)))
            return QString::fromUtf16(key.message);
    }
    return QStringLiteral("ECM010");
}

QString childRecordMessage(const QString &upperText)
{
    const qsizetype re = upperText.indexOf(QStringLiteral("_RE"));
    const qsizetype after = re < 0 ? 0 : re + 1;
    struct Word {
        const char *word;
        const char16_t *message;
    };
    static constexpr Word words[] = {
        {"ITEM", u"E该财产已经被相关记录引用!"},
        {"CALL", u"E该索书号已经被相关记录引用!"},
        {"MARC", u"E该MARC已经被相关记录引用!"},
        {"READER", u"E该读者已经被相关记录引用!"},
    };
    // The words are tried in this order; the first one found after the
    // "_RE" of the constraint name wins.
    for (const Word &w : words) {
        if (upperText.indexOf(QLatin1String(w.word), after) >= 0)
            return QString::fromUtf16(w.message);
    }
    return QStringLiteral("ECM011");
}

DbErrorAction chooseDbErrorAction(const ErrorRecord &error)
{
    DbErrorAction action;
    switch (error.location) {
    case ErrorRecord::Elsewhere:
        if (error.oraCode == 364)
            action.kind = DbErrorAction::Kind::Nothing;
        else
            action.message = error.oraCode == 5   ? QStringLiteral("ECM204")
                             : error.oraCode == 6 ? QStringLiteral("ECM205")
                                                  : QStringLiteral("ECM206");
        return action;
    case ErrorRecord::Connect:
        action.message = QStringLiteral("E与数据库连接失败，启动失败！");
        return action;
    case ErrorRecord::Close:
        action.message = QStringLiteral("E关闭数据库出错！系统非正常退出！");
        return action;
    case ErrorRecord::Query:
    case ErrorRecord::Execute:
        break;
    default:
        action.message = QStringLiteral("ECM002");
        return action;
    }
    action.logSql = true;
    const QString text = error.text.toUpper();
    switch (error.oraCode) {
    case 1:
        action.message = uniqueKeyMessage(text);
        break;
    case 54:
    case 30006: // Oracle's FOR UPDATE WAIT n, timed out
        action.message = QStringLiteral("E该记录已经被锁定!");
        break;
    case 2292:
        action.message = childRecordMessage(text);
        break;
    case 28:
    case 1041:
    case 3113:
    case 3114:
        action.kind = DbErrorAction::Kind::Reconnect;
        break;
    default:
        action.message = QStringLiteral("ECM012");
        break;
    }
    return action;
}

} // namespace kestra
