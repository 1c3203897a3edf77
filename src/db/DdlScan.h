#pragma once

#include <QString>
#include <QStringList>

namespace kestra {

// Finds the name of a table constraint in the text of a CREATE TABLE
// statement: "CONSTRAINT name PRIMARY KEY (cols)", "... UNIQUE (cols)" or
// "... FOREIGN KEY (cols) REFERENCES parent". kind is "PRIMARY KEY",
// "UNIQUE" or "FOREIGN KEY"; columns compare as sets, case-insensitively.
// Empty when the statement names no such constraint.
QString findConstraintName(const QString &createTable, const QString &kind, const QStringList &columns,
                           const QString &parent = QString());

} // namespace kestra
