#pragma once

#include "core/Clock.h"
#include "core/InstallFolders.h"
#include "db/ErrorRecord.h"

#include <QString>

namespace kestra {

// The daily log file: LOG/yyyy-mm-dd_Log.log, named by the workstation's
// date, one line per entry: "yyyy-mm-dd hh:mm:ss;" and the text. The file is
// UTF-8. Each entry opens, writes and closes the file, so a crash loses
// nothing already logged.
class LogFile {
public:
    enum Mode { Append = 0, Replace = 1 };

    LogFile(const InstallFolders &folders, const Clock &clock, ErrorRecord &errors);

    // WriteLog: 0 on success; -1 with the error record set (location 1007,
    // "LIB_WriteLogFile"). The title is accepted and not written.
    int write(const QString &title, const QString &text, int mode = Append);

    QString pathForToday() const;

private:
    const InstallFolders &folders_;
    const Clock &clock_;
    ErrorRecord &errors_;
};

} // namespace kestra
