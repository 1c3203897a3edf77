// kestra-admin: installation and database tool for whoever runs the client.

#include "admin/AdminMain.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return kestra::adminMain(QCoreApplication::arguments());
}
