#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kestra {

class CodePage;

// A file of codes as scanners and exported lists write them: UTF-8 with or
// without byte-order mark, or the workstation code page; CRLF, LF or CR;
// blank lines; fields separated by tab, comma or semicolon.
namespace code_file {

// The fields of each non-blank line, trimmed.
QList<QStringList> rows(const QString &text);
// One column (0 the first) of each non-blank line; lines without a value
// there are left out.
QStringList codes(const QString &text, int column = 0);
// Reads and decodes a file; false when it cannot be read.
bool read(const CodePage &page, const QString &path, QString &text);

} // namespace code_file

// The file in which an import lists what it could not take, each entry its
// reason followed by the code. Each form gives the name, the heading line
// (none when empty) and the separator between entries.
class ProblemFile {
public:
    explicit ProblemFile(QString path, QString heading = QString(), QString separator = QStringLiteral("\r\n"));

    // The problem file beside an import file: its name with "_err" before
    // the extension.
    static QString besideFile(const QString &importPath);

    const QString &path() const { return path_; }
    void add(const QString &reason, const QString &code);
    bool isEmpty() const { return entries_.isEmpty(); }
    int size() const { return static_cast<int>(entries_.size()); }
    // Writes the file in the workstation code page; false when it cannot.
    bool write(const CodePage &page) const;
    // "某些书刊存在问题，详细情况请查看文件" with the path.
    QString notice() const;

private:
    QString path_;
    QString heading_;
    QString separator_;
    QStringList entries_;
};

} // namespace kestra
