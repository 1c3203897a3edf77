#include "shell/MainSession.h"

#include "copies/ItemEntry.h"
#include "core/Session.h"
#include "core/WorkLog.h"

namespace kestra {

MainSession::MainSession(AppContext &context) : context_(context) {}

void MainSession::open()
{
    if (logOperation(context_, QStringLiteral("60042"), QString(), QString(), QString(), QStringLiteral("典藏")) < 0)
        context_.db().showDbError();
    barcode_ = loadBarcodeSettings(context_.folders(), context_.codePage());
    if (barcode_.structUse == 1 && !parseBarcodeRules(barcode_.structRule)) {
        barcode_.structUse = 0;
        context_.showMsg(QStringLiteral("E图书条码结构规则参数有错误,请检查!"));
    }
    curOn_ = context_.params().byName(QStringLiteral("CUR_ON")).trimmed().toInt();
    reLoginHours_ = context_.params().text(72).trimmed().toInt();
    markLoggedIn();
}

int MainSession::close()
{
    const int status =
        logOperation(context_, QStringLiteral("60043"), QString(), QString(), QString(), QStringLiteral("典藏"));
    if (status < 0)
        context_.db().showDbError();
    return status;
}

void MainSession::markLoggedIn()
{
    lastLogin_ = context_.clock().now();
}

int MainSession::keepAlive()
{
    Session &db = context_.db();
    if (db.inTransaction())
        return 0;
    return db.keepAlive();
}

bool MainSession::reLoginDue() const
{
    if (reLoginHours_ <= 0 || context_.db().inTransaction())
        return false;
    return lastLogin_.secsTo(context_.clock().now()) >= qint64(reLoginHours_) * 3600;
}

} // namespace kestra
