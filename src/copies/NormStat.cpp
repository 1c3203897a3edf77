#include "copies/NormStat.h"

#include "copies/ItemWrite.h"
#include "core/AppContext.h"

#include <algorithm>

namespace kestra {

const QList<CodeName> &normStatuses()
{
    static const QList<CodeName> list = {
        {QStringLiteral("41"), QStringLiteral("可借")},   {QStringLiteral("42"), QStringLiteral("非可借")},
        {QStringLiteral("43"), QStringLiteral("阅览")},   {QStringLiteral("44"), QStringLiteral("业务用书")},
        {QStringLiteral("45"), QStringLiteral("保留本")}, {QStringLiteral("46"), QStringLiteral("分馆藏书")},
    };
    return list;
}

NormStat::NormStat(ItemTransaction &tx, QString propNo) : tx_(tx), propNo_(std::move(propNo)) {}

int NormStat::apply(const QString &status)
{
    const bool listed = std::any_of(normStatuses().cbegin(), normStatuses().cend(),
                                    [&](const CodeName &entry) { return entry.code == status; });
    if (!listed || !tx_.isOpen())
        return -1;
    QString date;
    if (tx_.serverDate(date) < 0)
        return -1;
    CopyChange change;
    change.propNo = propNo_;
    change.status = status;
    change.date = date;
    change.itemOperator = tx_.context().session().operatorNo;
    if (tx_.updateCopy(change) < 0)
        return -1;
    // The title's lendable count follows at once: the caller may write no
    // recount of its own (a transfer without a new status).
    QueryResult title;
    if (tx_.db().query(QStringLiteral("select marc_rec_no from indi_acct where prop_no=") + sqlQuote(propNo_), title) <
        0)
        return tx_.fail();
    const QString marcRecNo = title.rowCount() > 0 ? title.text(0, 0).trimmed() : QString();
    if (!marcRecNo.isEmpty() && tx_.callProc(QStringLiteral("update_lendable_copies ") + sqlQuote(marcRecNo)) < 0)
        return -1;
    chosen_ = status;
    return 0;
}

} // namespace kestra
