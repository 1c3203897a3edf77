#include "core/AppContext.h"

#include "core/Session.h"

namespace kestra {

namespace {

// Programs without a device (the admin tools, a context built for a test
// that never prints) say so instead of dropping the pages.
class NoPrinter final : public PagePrinter {
public:
    explicit NoPrinter(Messages &messages) : messages_(messages) {}
    int print(const PageDocument &, PrintTarget, const QString &) override
    {
        messages_.showMsg(QStringLiteral("E没有可用的打印设备"));
        return -1;
    }

private:
    Messages &messages_;
};

} // namespace

AppContext::AppContext(const QString &installRoot, AppServices services)
    : services_(services), folders_(installRoot), messages_(services.prompter, services.sounds, folders_),
      log_(folders_, services.clock, errors_), noPrinter_(std::make_unique<NoPrinter>(messages_)),
      db_(std::make_unique<Session>(*this))
{}

AppContext::~AppContext()
{
    // The session refers back to the context; it goes first.
    db_.reset();
}

QString AppContext::locationName(const QString &code) const
{
    const int row = allLocations_.findRow(0, code);
    return row < 0 ? QString() : allLocations_.text(row, 1);
}

int AppContext::loadMessagesAndParams()
{
    QueryResult messages;
    if (db_->query(QStringLiteral("SELECT msg_id, msg_content FROM msg_mst ORDER BY msg_id DESC"), messages) < 0)
        return -1;
    QueryResult params;
    if (db_->query(QStringLiteral("SELECT sys_para_code,sys_para_value FROM sys_comm_para ORDER BY sys_para_code"),
                   params) < 0)
        return -1;
    messages_.setTable(std::move(messages));
    params_.setTable(std::move(params));
    messages_.setTitle(params_.text(1));
    return 0;
}

int AppContext::loadIniSettings()
{
    IniLoadResult loaded = kestra::loadIniSettings(folders_);
    codePage_ = loaded.codePage;
    connection_ = loaded.connection;
    if (connection_.lockWaitMs > 0)
        db().setLockTimeout(connection_.lockWaitMs);
    if (loaded.status < 0) {
        // Log first: a failing log write would otherwise replace the reason
        // in the error record with its own.
        writeLog(loaded.error);
        errors_.set(ErrorRecord::Elsewhere, 0, loaded.error, QString());
    }
    return loaded.status;
}

QVariant AppContext::getEnv(int index)
{
    auto server = [this]() { return serverClock_ != nullptr ? serverClock_->serverDate() : QString(); };
    switch (index) {
    case 0:
        return server();
    case 1:
        return server().left(10);
    case 2:
        return server().right(8);
    case 3:
        return session_.currentLocation;
    case 4:
        return session_.operatorNo;
    case 5:
        return session_.password;
    case 7:
        return server().left(4);
    case 8:
        return true;
    case 9: {
        const QString now = server();
        return QString(now.left(10) + u' ' + now.mid(10));
    }
    case 10:
        return folders_.folder(InstallFolders::Root);
    case 11:
        return folders_.folder(InstallFolders::Bin);
    case 12:
        return folders_.folder(InstallFolders::Doc);
    case 13:
        return folders_.folder(InstallFolders::Tmp);
    case 14:
        return folders_.folder(InstallFolders::Cfg);
    case 15:
        return folders_.folder(InstallFolders::Log);
    case 16:
        return folders_.folder(InstallFolders::Dat);
    case 17:
        return folders_.folder(InstallFolders::BaseParam);
    case 18:
        return folders_.folder(InstallFolders::CardParam);
    case 19:
        return folders_.folder(InstallFolders::Template);
    case 20:
        return folders_.folder(InstallFolders::Z3950);
    default:
        return QString();
    }
}

QString installRootFor(const QStringList &arguments, const QString &programFolder)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--root"));
    if (at >= 0 && at + 1 < arguments.size())
        return arguments.at(at + 1);
    for (const QString &arg : arguments) {
        if (arg.startsWith(QStringLiteral("--root=")))
            return arg.mid(7);
    }
    const QByteArray env = qgetenv("KESTRA_ROOT");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return programFolder;
}

} // namespace kestra
