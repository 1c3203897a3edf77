#include "shell/Startup.h"

#include "core/Session.h"

namespace kestra {

Startup::Startup(AppContext &context, StatusSink status) : context_(context), status_(std::move(status)) {}

void Startup::addLoader(Stage stage, const QString &name, Loader load)
{
    loaders_.push_back(Registered{stage, name, std::move(load)});
}

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

QString Startup::commandLineText(const QStringList &arguments)
{
    QStringList words;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--root")) {
            ++i; // and its folder
            continue;
        }
        if (a.startsWith(QLatin1String("--root=")))
            continue;
        words.append(a);
    }
    return words.join(u' ');
}

int Startup::runLoaders(Stage stage)
{
    for (const Registered &r : loaders_) {
        if (r.stage == stage && r.load(context_) < 0)
            return -1;
    }
    return 0;
}

int Startup::unexpected(const QString &what)
{
    context_.showMsg(QStringLiteral("E启动时发生意外错误（") + what + QStringLiteral("），启动失败！"));
    return -1;
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

    status_(QStringLiteral("初始化代码基本数据..."));
    CodeTables &codes = context_.codes();
    if (codes.loadCodeTables() < 0) {
        db.showDbError();
        return unexpected(QStringLiteral("代码表"));
    }
    for (const Registered &r : loaders_) {
        if (r.stage == Stage::AfterCodeTables && r.load(context_) < 0)
            return unexpected(r.name);
    }
    if (runLoaders(Stage::PrintParameters) < 0) {
        context_.showMsg(QStringLiteral("E系统初始化出错，启动失败！"));
        return -1;
    }

    SharedSettings &files = codes.settings();
    if (codes.loadLocationLists() < 0) {
        db.showDbError();
        return unexpected(QStringLiteral("馆藏地列表"));
    }
    files.readerTexts = loadReaderTexts(context_.folders(), context_.codePage());
    if (codes.loadAcquisitionLists() < 0) {
        db.showDbError();
        return unexpected(QStringLiteral("采访代码表"));
    }
    for (const Registered &r : loaders_) {
        if (r.stage == Stage::AfterLocationLists && r.load(context_) < 0)
            return unexpected(r.name);
    }

    // Nothing here stops the run: each list stays empty when it cannot be read.
    files.assignGroups = loadAssignGroups(context_.folders(), context_.codePage());
    files.initialStatus = loadInitialStatus(context_.folders(), context_.codePage());
    codes.loadOptionalLists();
    files.sounds = loadSoundSettings(context_.folders(), context_.codePage());
    context_.messages().applySounds(files.sounds.messages);
    codes.applyLocationSounds();
    runLoaders(Stage::Optional);

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
