#pragma once

// What a command-line tool wrote, caught in memory: the tools write to the
// streams they are given, so a test hands them temporary files and reads
// those back.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace kestra::test {

// The whole file; empty when it cannot be read.
inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Everything written to a temporary file, which is closed.
inline QByteArray drain(std::FILE *f)
{
    if (!f)
        return QByteArray();
    std::rewind(f);
    QByteArray bytes;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        bytes.append(buf, qsizetype(n));
    std::fclose(f);
    return bytes;
}

struct CommandRun {
    int status = 0;
    QByteArray out;
    QByteArray err;
};

using CommandMain = int (*)(const QStringList &args, std::FILE *out, std::FILE *err);

inline CommandRun runCommand(CommandMain command, const QStringList &args)
{
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    CommandRun r;
    if (!out || !err) {
        drain(out);
        drain(err);
        r.status = -1;
        r.err = QByteArrayLiteral("no temporary file for the output");
        return r;
    }
    r.status = command(args, out, err);
    r.out = drain(out);
    r.err = drain(err);
    return r;
}

} // namespace kestra::test
