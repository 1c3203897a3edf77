#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QtPlugin>

namespace kestra {

// One argument of a call into an add-in: the text the manifest wrote and the
// value it stands for. A variable such as "%C001%" arrives with its value;
// "%OBJECT%name" arrives as the host's QObject of that name (or null); any
// other text arrives as written.
struct AddinArgument {
    QString written;
    QVariant value;
};

// The two variables that carry passwords. An add-in that shows or records
// its arguments must mask these; the host never writes them anywhere.
inline bool addinArgumentIsSecret(const AddinArgument &argument)
{
    return argument.written.compare(QLatin1String("%B004%"), Qt::CaseInsensitive) == 0 ||
           argument.written.compare(QLatin1String("%C002%"), Qt::CaseInsensitive) == 0;
}

// What an "Interface" add-in's Qt plugin implements: its root object (the one
// QPluginLoader::instance() returns) is called by method name with at most
// five arguments. The plugin is built against the same Qt as the client and
// loaded into its process; it runs on the user-interface thread and may show
// widgets.
class AddinObject {
public:
    virtual ~AddinObject() = default;
    // Runs one method; false with *error when the object has no such method
    // or the call failed.
    virtual bool invoke(const QString &method, const QList<AddinArgument> &arguments, QString *error) = 0;
};

} // namespace kestra

#define KestraAddinObject_iid "org.kestra.holdings.AddinObject/1"
Q_DECLARE_INTERFACE(kestra::AddinObject, KestraAddinObject_iid)
