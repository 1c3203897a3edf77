#include "shell/Startup.h"

#include "core/Session.h"

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

QString Startup::clientVersion()
{
    return QStringLiteral("%1.%2.%3").arg(KESTRA_VERSION_MAJOR).arg(KESTRA_VERSION_MINOR).arg(KESTRA_VERSION_PATCH);
}

int Startup::run()
{
    status_(QStringLiteral("取系统环境变量..."));
    if (context_.loadIniSettings() < 0) {
        context_.showMsg(QStringLiteral("E系统环境出错，启动失败！"));
        return -1;
    }

    status_(QStringLiteral("连接数据库..."));
    Session &db = context_.db();
    if (db.connect() < 0) {
        db.showDbError();
        return -1;
    }

    status_(QStringLiteral("初始化系统使用的基本数据..."));
    if (context_.loadMessagesAndParams() < 0) {
        db.showDbError();
        context_.showMsg(QStringLiteral("E系统初始化出错，启动失败！"));
        return -1;
    }

    if (context_.params().text(99) != clientVersion()) {
        MessageBox box{u'E', QStringLiteral("Orvane文献信息服务系统"), QStringLiteral("客户端和服务端版本不一致。"),
                       messageStyle(u'E')};
        context_.prompter().showMessage(box);
        return -1;
    }

    status_(QStringLiteral("用户登录"));
    return 0;
}

} // namespace kestra
