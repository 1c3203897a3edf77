#include "shell/Startup.h"

namespace kestra {

Startup::Startup(AppContext &context, StatusSink status) : context_(context), status_(std::move(status)) {}

QString Startup::nextToken(QString &text, const QString &separator)
{
    const qsizetype at = text.indexOf(separator);
    if (at < 0) {
        QString all = text;
        text.clear();
        return all;
    }
    QString token = text.left(at);
    text = text.mid(at + separator.size());
    return token;
}

int Startup::run()
{
    status_(QStringLiteral("取系统环境变量..."));
    if (context_.loadIniSettings() < 0) {
        context_.showMsg(QStringLiteral("E系统环境出错，启动失败！"));
        return -1;
    }
    status_(QStringLiteral("连接数据库..."));
    const int connected = connect_ ? connect_() : -1;
    if (connected < 0) {
        if (!connect_) {
            context_.errors().set(ErrorRecord::Connect, 0, QStringLiteral("no database layer"),
                                  QStringLiteral("LIB_DB_Connect"));
            context_.showMsg(QStringLiteral("E与数据库连接失败，启动失败！"));
            context_.writeLog(context_.errors().text);
        }
        return -1;
    }
    status_(QStringLiteral("用户登录"));
    return 0;
}

} // namespace kestra
