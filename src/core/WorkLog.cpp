#include "core/WorkLog.h"

#include "core/AppContext.h"
#include "core/Session.h"

namespace kestra {

namespace {

QString number(double v)
{
    return QString::number(v, 'g', 15);
}

} // namespace

int logOperation(AppContext &context, const QString &jobCode, const QString &p1, const QString &p2, const QString &p3,
                 const QString &p4, const QString &remark, const QString &p6)
{
    Session &db = context.db();
    const SessionValues &s = context.session();
    const QString call = QStringLiteral("xt_log_detl ") + QStringList{sqlQuote(jobCode),
                                                                      sqlQuote(s.operatorNo),
                                                                      sqlQuote(s.workstation),
                                                                      sqlQuote(context.locationName(s.currentLocation)),
                                                                      sqlQuote(p1),
                                                                      sqlQuote(p2),
                                                                      sqlQuote(p3),
                                                                      sqlQuote(p4),
                                                                      sqlQuote(remark),
                                                                      sqlQuote(p6)}
                                                              .join(u',');
    if (db.callProc(call) < 0)
        return -1;
    const bool lendableOnly =
        jobCode == QLatin1String("42020") || jobCode == QLatin1String("42021") || jobCode == QLatin1String("42038");
    const bool bothCounts = jobCode >= QLatin1String("50036") && jobCode <= QLatin1String("50042");
    if (lendableOnly || bothCounts) {
        if ((bothCounts && db.callProc(QStringLiteral("update_copies ") + sqlQuote(p1)) < 0) ||
            db.callProc(QStringLiteral("update_lendable_copies ") + sqlQuote(p1)) < 0) {
            db.showDbError();
            return -1;
        }
    }
    return 0;
}

int logWorkQty(AppContext &context, const QString &workCode, double quantity1, double quantity2, double amount)
{
    const QString call = QStringLiteral("XT_wkr_job_qty ") + sqlQuote(workCode) + u',' +
                         sqlQuote(context.session().operatorNo) + u',' + number(quantity1) + u',' + number(quantity2) +
                         u',' + number(amount);
    return context.db().callProc(call) < 0 ? -1 : 0;
}

} // namespace kestra
