#pragma once

#include "copies/ItemRecord.h"

#include <QList>
#include <QString>

namespace kestra {

// One scan that could not be written: the code as scanned and the shelf
// settings it was scanned with.
struct JournalScan {
    QString code;
    InputType type = InputType::Barcode;
    QString shelfNo;
    bool modifyShelf = false;
};

// The scans of one count batch that waited for the database, kept in order
// in a file of the workstation (the TMP folder, one file per batch), so
// that neither a lost connection nor closing the window loses them. The
// file is written at every change; an empty journal has no file.
class CountJournal {
public:
    explicit CountJournal(QString folder);

    // The journal of a batch, as the last run left it.
    void open(const QString &batch);
    const QString &path() const { return path_; }
    const QList<JournalScan> &scans() const { return scans_; }
    int size() const { return static_cast<int>(scans_.size()); }
    bool isEmpty() const { return scans_.isEmpty(); }

    // False when the file cannot be written (the scan is still kept in
    // memory).
    bool append(const JournalScan &scan);
    bool append(const QList<JournalScan> &scans);
    // The first `count` scans were written: they leave the journal.
    bool dropFirst(int count);

private:
    bool save() const;

    QString folder_;
    QString path_;
    QList<JournalScan> scans_;
};

// The Oracle numbers of a session lost (server gone, restarting, link
// down): a write that failed with one of them is kept, not refused.
bool isLostSession(int oraCode);

} // namespace kestra
