#pragma once

#include <QString>
#include <QStringList>

namespace kestra {

class AppContext;

// One count batch, a row of count_data: a location and, for a class batch,
// the class numbers whose call numbers it takes.
struct CountBatch {
    QString number;
    QString location;
    QString classes; // joined by ","; empty: the whole location
    QString date;
    QString finishFlag;
    QString operatorNo;
    QString remark;

    bool isEmpty() const { return number.isEmpty(); }
    bool finished() const { return finishFlag == QLatin1String("1"); }
    bool byClass() const { return !classes.trimmed().isEmpty(); }
    QStringList classList() const;
    // "按馆藏地", or "按类别：" and the classes.
    QString scopeText() const;
    // The call number begins with one of the classes (always true for a
    // whole-location batch).
    bool takesCallNo(const QString &callNo) const;
};

namespace count_batch {

// "处理中" or "处理结束".
QString stateText(const QString &finishFlag);

// The batch of that number: 0 read, 1 no such batch, -1 failed (shown).
int read(AppContext &context, const QString &number, CountBatch &batch);

// Taking a batch to work in (OK of the batch list): the operator's right on
// its location, and for a finished batch the question whether to count
// again, which drops its results (not what was scanned) and opens it again
// in one transaction. 0 taken (batch as it is now), 1 not taken, -1 failed.
int take(AppContext &context, const QString &number, CountBatch &batch);

// Deleting a batch with its scans and results: the right on its location,
// the right 3013, the question QDC009, then delete02_count_data and the
// operation log 30008 in one transaction. 0 deleted, 1 not, -1 failed.
int remove(AppContext &context, const QString &number);

// Clearing every batch and everything scanned and found, after a question,
// in one transaction (row deletes, so that it rolls back as a whole on every
// backend). 0 cleared, 1 not, -1 failed.
int clearAll(AppContext &context);

// The message refusing a class list in which one class begins with
// another ("类号 TP3 包含于类号 TP"); empty when none does.
QString nestedClasses(const QStringList &classes);

} // namespace count_batch

// frmHold_BookCount_InitCount without its widgets: a new count batch.
class CountBatchInit {
public:
    explicit CountBatchInit(AppContext &context);

    QString number;
    QString location;
    bool byClass = false;
    QString remark;

    const QStringList &classes() const { return classes_; }
    // cmdNew: a class some call number begins with (EDC014 otherwise), not
    // listed yet. 0 added, 1 refused, -1 failed.
    int addClass(const QString &text);
    void removeClass(int index);

    // cmdOK: the checks (an empty or taken number, a class batch without
    // classes, nested classes), then insert_count_data and the operation
    // log 30007 in one transaction. 0 created, 1 refused, -1 failed.
    int create();

private:
    AppContext &context_;
    QStringList classes_;
};

} // namespace kestra
