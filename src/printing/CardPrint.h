#pragma once

#include "printing/CatalogueCard.h"

#include <QStringList>
#include <array>

namespace kestra {

class AppContext;

// The catalogue cards of a handover batch or of one record: the records,
// the installation's card parameters and layout (BM_ComposeParam's first
// two files), each record composed and the set laid out. Messages are
// shown through the context.
class CardPrint {
public:
    explicit CardPrint(AppContext &context);

    // -1 with the reason shown when a file cannot be read.
    int loadParams();
    void setParams(const CardParams &params, const std::array<CardLayout, 2> &layouts);
    CardParams &params() { return params_; }

    // The records of a batch (its handover rows), or one record; -1 on a
    // failed query.
    int setBatch(const QString &moveBatch);
    void setRecord(const QString &marcRecNo);
    const QStringList &records() const { return records_; }
    const QString &batch() const { return batch_; }

    // Every record composed; records of other types than C and U, and
    // numbers without a record, are left out and counted in skipped().
    int compose(QList<CardData> &cards);
    int skipped() const { return skipped_; }

    // The set laid out; -1 with a message when there is nothing to print.
    int layout(PageDocument &document);

private:
    AppContext &context_;
    CardParams params_;
    std::array<CardLayout, 2> layouts_{};
    QStringList records_;
    QString batch_;
    int skipped_ = 0;
};

} // namespace kestra
