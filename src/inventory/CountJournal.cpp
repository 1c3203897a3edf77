#include "inventory/CountJournal.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace kestra {

CountJournal::CountJournal(QString folder) : folder_(std::move(folder)) {}

void CountJournal::open(const QString &batch)
{
    scans_.clear();
    // The batch number may hold any character: the file is named by its
    // bytes.
    path_ = QDir(folder_).filePath(QStringLiteral("count-") + QString::fromLatin1(batch.toUtf8().toHex()) +
                                   QStringLiteral(".journal"));
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QStringList f = line.split(u'\t');
        if (f.size() != 4 || f.at(3).isEmpty())
            continue;
        scans_.append({f.at(3), f.at(0) == QLatin1String("A") ? InputType::Accession : InputType::Barcode, f.at(2),
                       f.at(1) == QLatin1String("1")});
    }
}

bool CountJournal::append(const JournalScan &scan)
{
    scans_.append(scan);
    return save();
}

bool CountJournal::append(const QList<JournalScan> &scans)
{
    scans_.append(scans);
    return save();
}

bool CountJournal::dropFirst(int count)
{
    scans_.remove(0, qMin(count, size()));
    return save();
}

bool CountJournal::save() const
{
    if (path_.isEmpty())
        return false;
    if (scans_.isEmpty())
        return !QFile::exists(path_) || QFile::remove(path_);
    QString text;
    for (const JournalScan &s : scans_) {
        // Tabs and line ends cannot come from a scanner; they are dropped
        // so that a line stays one scan.
        const auto clean = [](QString v) { return v.remove(u'\t').remove(u'\n').remove(u'\r'); };
        text += (s.type == InputType::Accession ? QStringLiteral("A") : QStringLiteral("B")) + u'\t' +
                (s.modifyShelf ? QStringLiteral("1") : QStringLiteral("0")) + u'\t' + clean(s.shelfNo) + u'\t' +
                clean(s.code) + u'\n';
    }
    QDir().mkpath(folder_);
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.toUtf8());
    return file.commit();
}

bool isLostSession(int oraCode)
{
    return oraCode == 28 || oraCode == 1012 || oraCode == 1041 || oraCode == 3113 || oraCode == 3114 ||
           oraCode == 12541 || oraCode == 12560;
}

} // namespace kestra
