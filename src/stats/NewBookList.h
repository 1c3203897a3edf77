#pragma once

#include "kit/QueryModel.h"
#include "stats/IntakeFilter.h"

namespace kestra {

// The list behind the new-book statistic's "book": the new copies of a
// location (and document type, language, batches) in a period, one row per
// copy with its record's title. It changes nothing.
class NewBookList {
public:
    explicit NewBookList(AppContext &context);

    QString sql(const IntakeConditions &conditions) const;
    // -1 after showing the database error (the list then empty).
    int load(const IntakeConditions &conditions);

    QueryModel &model() { return model_; }
    AppContext &context() { return context_; }

private:
    AppContext &context_;
    QueryModel model_;
};

} // namespace kestra
