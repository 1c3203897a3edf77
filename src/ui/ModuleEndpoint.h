#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace kestra {

// Every running client of the suite listens on a local endpoint named after
// its window caption, so that a module switch can find it and bring it to
// the front instead of starting a second copy.
class ModuleEndpoint : public QObject {
    Q_OBJECT
public:
    explicit ModuleEndpoint(QObject *parent = nullptr);

    // Listens under the caption; false when another client already does.
    bool listen(const QString &caption);

    // Asks the client with that caption to come to the front; false when
    // none is running.
    static bool raiseRunning(const QString &caption);

    // The endpoint name of a caption (per user, safe for a socket name).
    static QString endpointName(const QString &caption);

Q_SIGNALS:
    void raiseRequested();

private:
    QLocalServer *server_;
};

} // namespace kestra
