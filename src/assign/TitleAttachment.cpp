// The accompanying-material note of a title, kept in the record's physical
// description and written with the record's data alone.

#include "assign/TitleAttachment.h"

#include "assign/NewBookAssign.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "db/Backend.h"
#include "db/QueryResult.h"
#include "marc/BibStore.h"
#include "marc/BibWriter.h"
#include "marc/FieldReader.h"

#include <algorithm>

namespace kestra {

namespace {

// The note of a record already read, or why the key refuses it.
int attachmentNoteOf(const BibRecord &record, const ParseReport &report, QString &note, QString &problem)
{
    if (record.isBlank()) {
        problem = QStringLiteral("该书目记录没有MARC数据，不能进行附件管理。");
        return 0;
    }
    // Writing back a record that lost data on reading would make the loss
    // permanent.
    if (!report.accepted() || report.outcome == ParseOutcome::Damaged) {
        QString why;
        if (!report.items.isEmpty())
            why = QStringLiteral("（%1）").arg(describeIssue(report.items.constFirst().issue));
        problem = QStringLiteral("该书目记录已损坏%1，不能进行附件管理，请先在编目中修复。").arg(why);
        return 0;
    }
    const QString path = attachmentPath(record.summary.marcType.trimmed());
    if (path.isEmpty()) {
        problem = QStringLiteral("该书目记录的格式（%1）没有附件字段，不能进行附件管理。")
                      .arg(record.summary.marcType.trimmed());
        return 0;
    }
    // The subfield written is that of the first field with the tag, so it
    // is the one that must hold data.
    const int at = record.findField(path.left(3).toLatin1().constData());
    if (at >= 0)
        note = record.decode(FieldReader::getSubfield(withoutIndicators(record.fieldBytes(at)), 'e')).trimmed();
    if (at < 0 || note.isEmpty()) {
        problem = path + QStringLiteral("子字段存在数据才可以进行附件管理。");
        return 0;
    }
    return 1;
}

// Holds the record's marc row until the commit. SQLite has one writer: the
// transaction takes it before reading, with a column that is no key.
int lockAttachmentRecord(Session &db, const QString &quoted, bool &found)
{
    if (db.backend() != nullptr && db.backend()->kind() == BackendTarget::Kind::Sqlite &&
        db.execute(QStringLiteral(" UPDATE marc SET marc_type=marc_type WHERE marc_rec_no=") + quoted) < 0)
        return -1;
    QueryResult row;
    if (db.query(QStringLiteral(" SELECT marc_rec_no FROM marc WHERE marc_rec_no=") + quoted +
                     QStringLiteral(" FOR UPDATE WAIT %1").arg(std::max(1, (db.lockTimeout() + 999) / 1000)),
                 row) < 0)
        return -1;
    found = row.rowCount() > 0;
    return 0;
}

} // namespace

QString attachmentPath(const QString &marcType)
{
    if (marcType == u"C")
        return QStringLiteral("215e");
    if (marcType == u"U")
        return QStringLiteral("300e");
    return {};
}

QString attachmentNoteFrom(const QString &typed, QString &problem)
{
    QStringList materials;
    for (const QString &part : typed.split(u'|')) {
        const QString material = part.trimmed();
        for (const QChar c : material) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
                problem = QStringLiteral("附件不能包含换行、制表符等控制字符。");
                return {};
            }
        }
        if (!material.isEmpty())
            materials.append(material);
    }
    if (materials.isEmpty()) {
        problem = QStringLiteral("附件不能为空。");
        return {};
    }
    return materials.join(u'|');
}

int readAttachmentNote(Session &db, const CodePage &codePage, const QString &marcRecNo, QString &note, QString &problem)
{
    ParseReport report;
    db.error().clear();
    const BibRecord record = readBibRecord(db, marcRecNo, MarcCodec(codePage), &report);
    // A blank record may be a failed read: the error record tells.
    if (record.isBlank() && !db.error().text.isEmpty())
        return -1;
    return attachmentNoteOf(record, report, note, problem);
}

int writeAttachmentNote(Session &db, const CodePage &codePage, const QString &marcRecNo, const QString &note,
                        QString &problem)
{
    const QString stored = attachmentNoteFrom(note, problem);
    if (stored.isEmpty())
        return 0;
    Transaction tx(db);
    bool found = false;
    if (lockAttachmentRecord(db, sqlQuote(marcRecNo), found) < 0)
        return -1;
    if (!found) {
        problem = QStringLiteral("书目记录%1不存在。").arg(marcRecNo);
        return 0;
    }
    // Read again under the lock: cataloguing may have changed the record
    // since the note was shown, and that change must not be written over.
    ParseReport report;
    db.error().clear();
    BibRecord record = readBibRecord(db, marcRecNo, MarcCodec(codePage), &report);
    if (record.isBlank() && !db.error().text.isEmpty())
        return -1;
    QString before;
    if (attachmentNoteOf(record, report, before, problem) <= 0)
        return 0;
    // The record keeps code-page bytes: a character the code page cannot
    // hold would be stored as something else without a word.
    if (const qsizetype at = record.codec().firstUnencodable(stored); at >= 0) {
        const char32_t c = QStringView(stored).mid(at).toUcs4().value(0);
        problem = QStringLiteral("附件中的字符“%1”（U+%2）不能保存在代码页%3中。")
                      .arg(QString::fromUcs4(&c, 1), QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'),
                           record.codec().name());
        return 0;
    }
    if (record.setSubfield(attachmentPath(record.summary.marcType.trimmed()), stored) < 0) {
        problem = QStringLiteral("附件过长：书目记录将超过99999字节。");
        return 0;
    }
    if (storeBibData(db, record, codePage) < 0)
        return -1;
    return tx.commit() < 0 ? -1 : 1;
}

int editAttachmentNote(AppContext &context, const QString &marcRecNo)
{
    Session &db = context.db();
    QString note;
    QString problem;
    const int read = readAttachmentNote(db, context.codePage(), marcRecNo, note, problem);
    if (read <= 0) {
        if (read < 0)
            db.showDbError();
        else
            showAssignMessage(context, QLatin1Char('W') + problem);
        return read;
    }
    QueryResult batches;
    if (db.query(QStringLiteral("SELECT DISTINCT move_batch FROM indi_acct WHERE marc_rec_no=") + sqlQuote(marcRecNo) +
                     QStringLiteral(" ORDER BY move_batch"),
                 batches) < 0) {
        db.showDbError();
        return -1;
    }
    QStringList batchNames;
    for (int i = 0; i < batches.rowCount(); ++i)
        batchNames.append(batches.text(i, 0));
    const std::optional<QString> typed = context.prompter().inputText(
        QStringLiteral("附件"),
        QStringLiteral("本种书的交接批次：%1\n附件（多种附件以“|”分隔）：").arg(batchNames.join(QStringLiteral("、"))),
        note);
    if (!typed)
        return 0;
    const QString wanted = attachmentNoteFrom(*typed, problem);
    if (wanted.isEmpty()) {
        showAssignMessage(context, QLatin1Char('W') + problem);
        return 0;
    }
    if (wanted == note)
        return 0;
    const int written = writeAttachmentNote(db, context.codePage(), marcRecNo, wanted, problem);
    if (written < 0)
        db.showDbError();
    else if (written == 0)
        showAssignMessage(context, QLatin1Char('W') + problem);
    return written;
}

} // namespace kestra
