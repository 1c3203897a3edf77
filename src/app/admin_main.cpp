// kestra-admin: installation and database tool for whoever runs the client.

#include "admin/AdminMain.h"

#include <QCoreApplication>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // A packaged program's folder holds no kestra.ini: the site's
    // installation folder is the default then.
    QString folder = QCoreApplication::applicationDirPath();
    if (!QFileInfo::exists(folder + QStringLiteral("/kestra.ini")))
        folder = QStringLiteral(KESTRA_SITE_ROOT);
    return kestra::adminMain(QCoreApplication::arguments(), folder);
}
