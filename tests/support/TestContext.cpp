#include "support/TestContext.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

namespace kestra::test {

TestContext::TestContext()
{
    InstallFolders(dir_.path()).createAll();
    context_ = std::make_unique<AppContext>(dir_.path(), AppServices{prompter_, sounds_, clock_});
}

void TestContext::writeFile(const QString &relative, const QByteArray &bytes) const
{
    const QString path = dir_.path() + u'/' + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray TestContext::readFile(const QString &relative) const
{
    QFile file(dir_.path() + u'/' + relative);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray gbk(const QString &text)
{
    QStringEncoder enc("GBK", QStringConverter::Flag::Stateless);
    return enc.encode(text);
}

} // namespace kestra::test
