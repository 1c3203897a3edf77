#pragma once

#include "addins/AddinInterface.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

// A sample "Interface" add-in: its one method, ShowVariables, opens a small
// window listing the arguments it was handed, the passwords masked.
class ShowVariablesPlugin : public QObject, public kestra::AddinObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KestraAddinObject_iid)
    Q_INTERFACES(kestra::AddinObject)
public:
    ~ShowVariablesPlugin() override;
    bool invoke(const QString &method, const QList<kestra::AddinArgument> &arguments, QString *error) override;

private:
    // The window's code lives in this library: it must be gone before the
    // host unloads the library.
    QPointer<QWidget> window_;
};
