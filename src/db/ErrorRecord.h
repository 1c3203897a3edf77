#pragma once

#include <QString>

namespace kestra {

// The details of the last failure of a database or log operation. One record
// per application context; each failing operation overwrites it.
struct ErrorRecord {
    // Which operation failed.
    enum Location {
        Elsewhere = 0,
        Connect = 1001,
        Close = 1002,
        Query = 1003,
        Execute = 1005,
        LogWrite = 1007,
    };

    int location = Elsewhere;
    int oraCode = 0; // the Oracle error number ("ORA-nnnnn")
    QString text;    // the error description
    QString proc;    // "LIB_DB_Connect", "LIB_DB_Select", ...

    void set(int loc, int code, const QString &description, const QString &procName)
    {
        location = loc;
        oraCode = code;
        text = description;
        proc = procName;
    }
    void clear() { *this = ErrorRecord(); }
};

} // namespace kestra
