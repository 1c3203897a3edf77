// The group of codes an import commits at once, shared by the scan and the
// import halves of the stock-taking scan.

#pragma once

#include "core/Session.h"
#include "inventory/BookCount.h"

#include <QElapsedTimer>

namespace kestra {

QString countFinishFlagSql(const QString &batch);

// The import writes its codes in groups, one transaction each, so that the
// disk's flush is paid once per group and not once per copy. Each code runs
// under a savepoint: a refused or failed code undoes only what it wrote,
// its shelf correction included. The batch's state and the date are read
// once per group inside its transaction, the workload logged once with its
// commit, and its copies listed once it is committed. A group the
// connection went away under leaves its codes in the journal, in order, as
// single scans would.
struct BookCount::ImportGroup {
    explicit ImportGroup(Session &db) : tx(db) { age.start(); }
    Transaction tx;
    QElapsedTimer age;
    QString date;
    QList<JournalScan> scans; // recorded in it, in order
    QList<CountedCopy> rows;
};

} // namespace kestra
