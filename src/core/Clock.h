#pragma once

#include <QDateTime>

namespace kestra {

// The workstation's clock. Tests give the context a clock of their own so
// that day changes and timeouts are driven, not waited for.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// The database server's clock: "yyyy-mm-ddhh:mm:ss", read on every call.
class ServerClock {
public:
    virtual ~ServerClock() = default;
    virtual QString serverDate() = 0;
};

} // namespace kestra
