#pragma once

#include "printing/SpineLabels.h"

#include <QStringList>

namespace kestra {

class AppContext;

enum class LabelOrder { PropNo = 0, CallNo = 1, CheckIn = 2 };
enum class LabelRange { All = 0, PropNo = 1, CallNo = 2 };

// What the selection form (书标打印选择) hands over: the cataloguer ("" or
// "全部" for every one), the order, the range with its bounds (as stored;
// an empty bound is open), the start position as typed, class breaks.
struct LabelChoice {
    QString cataloguer;
    LabelOrder order = LabelOrder::PropNo;
    LabelRange range = LabelRange::All;
    QString from;
    QString to;
    QString startRow = QStringLiteral("1");
    QString startCol = QStringLiteral("1");
    bool classBreaks = false;
};

// The spine labels of one batch: its cataloguers and copies, the choice,
// the layout on the device's paper and the work quantity. Messages are
// shown through the context.
class SpineLabelPrint {
public:
    static const QString AllCataloguers; // "全部"

    explicit SpineLabelPrint(AppContext &context);

    // The label parameters of the installation (BM_ComposeParam); -1 with
    // the reason shown when they cannot be read.
    int loadParams();
    void setParams(const LabelParams &params) { params_ = params; }
    const LabelParams &params() const { return params_; }

    // The batch, and its cataloguers ("全部" first); -1 on a failed query.
    int setBatch(const QString &moveBatch);
    const QString &batch() const { return batch_; }
    const QStringList &cataloguers() const { return cataloguers_; }
    bool fromTransferDoc() const { return fromTransferDoc_; }

    // The statement that reads the batch's copies in an order.
    QString copiesSql(LabelOrder order) const;

    // The chosen copies, in order: -1 on a failed query, 0 with
    // "E该批次没有任何财产信息!" shown when none remain, else their number.
    int chooseCopies(const LabelChoice &choice, QList<LabelCopy> &copies);

    // The whole run: the start fields checked, the copies chosen and laid
    // out on the paper; the work quantity (210) is recorded for the labels.
    // 1 with the layout, -1 when a message was shown instead.
    int layout(const LabelChoice &choice, const DevicePaper &paper, LabelLayout &out);

private:
    QString materialDesignation(const QString &marcRecNo);

    AppContext &context_;
    LabelParams params_;
    QString batch_;
    QStringList cataloguers_;
    bool fromTransferDoc_ = false;
    QHash<QString, QString> designations_;
};

} // namespace kestra
