// The statistics package's one-pass tally: the base query's rows read once,
// the class conditions tested per distinct call number in memory.

#include "db/procs/StatTally.h"

#include "db/procs/DecimalSum.h"
#include "db/procs/KeyTable.h"
#include "db/procs/Procedures.h"
#include "db/procs/RowPipeline.h"
#include "db/procs/StatCondition.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace kestra {

namespace {

// What each aggregate call of the base query reads from a row.
enum class Role { Distinct, Count, Sum };

struct TallyPlan {
    StatConditions conditions;
    QList<StatColumn> columns;
    QList<Role> roles; // per call
    QList<int> at;     // per call: its index among the calls of its role
    int distinct = 0;  // calls per role
    int counts = 0;
    int sums = 0;
    QString rowsSql; // [distinct args][columns][count values][sum values]
};

std::optional<TallyPlan> tallyPlan(const AggregateQuery &q, const QStringList &conditions)
{
    TallyPlan plan;
    QStringList tests;
    for (const QString &condition : conditions) {
        const std::optional<QString> test = conditionTest(condition);
        if (!test)
            return std::nullopt;
        tests.append(*test);
    }
    std::optional<StatConditions> compiled = StatConditions::compile(tests, plan.columns);
    if (!compiled)
        return std::nullopt;
    plan.conditions = std::move(*compiled);
    QStringList distinct;
    QStringList counts;
    QStringList sums;
    for (const AggregateCall &call : q.calls) {
        if (call.function == u"COUNT" && call.distinct) {
            plan.roles.append(Role::Distinct);
            plan.at.append(plan.distinct++);
            distinct.append(call.argument);
        } else if (call.function == u"COUNT" && call.argument != u"*" && !call.argument.isEmpty()) {
            plan.roles.append(Role::Count);
            plan.at.append(plan.counts++);
            counts.append(QStringLiteral("CASE WHEN (") + call.argument +
                          QStringLiteral(") IS NULL THEN 0 ELSE 1 END"));
        } else if (call.function == u"COUNT") {
            plan.roles.append(Role::Count);
            plan.at.append(plan.counts++);
            counts.append(QStringLiteral("1"));
        } else if (call.function == u"SUM" && !call.distinct) {
            plan.roles.append(Role::Sum);
            plan.at.append(plan.sums++);
            sums.append(call.argument);
        } else {
            return std::nullopt;
        }
    }
    QStringList columns;
    for (const StatColumn &c : std::as_const(plan.columns))
        columns.append(c.sql());
    plan.rowsSql = QStringLiteral("SELECT ") + (distinct + columns + counts + sums).join(u',') + u' ' + q.from;
    return plan;
}

// The tally's state while the rows go by. A "set" is one distinct set of the
// values the conditions read; a set's conditions are a bit mask.
class Tally {
public:
    explicit Tally(const TallyPlan &plan)
        : plan_(plan), words_((plan.conditions.size() + 63) / 64), distinctIds_(plan.distinct),
          distinctMasks_(plan.distinct), distinctKey_(plan.distinct), lastDistinct_(plan.distinct),
          lastDistinctId_(plan.distinct, -1)
    {}

    bool failed() const { return failed_; }

    bool take(const RowView &row)
    {
        const int set = setOf(row);
        if (set < 0)
            return false;
        const int countsAt = plan_.distinct + int(plan_.columns.size());
        for (int k = 0; k < plan_.counts; ++k)
            setCounts_[std::size_t(set) * plan_.counts + k] += row.integer(countsAt + k);
        for (int s = 0; s < plan_.sums; ++s) {
            if (!setSums_[std::size_t(set) * plan_.sums + s].add(row, countsAt + plan_.counts + s))
                return fail();
        }
        for (int d = 0; d < plan_.distinct; ++d) {
            if (row.type(d) == RowView::Null)
                continue;
            std::string &key = distinctKey_[d];
            key.clear();
            appendKey(key, row, d);
            qsizetype &id = lastDistinctId_[d];
            if (id < 0 || key != lastDistinct_[d]) {
                bool added = false;
                id = distinctIds_[d].find(key, added);
                if (added)
                    distinctMasks_[d].resize(distinctMasks_[d].size() + words_);
                lastDistinct_[d] = key;
            }
            for (std::size_t w = 0; w < words_; ++w)
                distinctMasks_[d][std::size_t(id) * words_ + w] |= setMasks_[std::size_t(set) * words_ + w];
        }
        return true;
    }

    // Each condition's figures, in the order of the calls.
    bool figures(QList<QStringList> &literals) const
    {
        const qsizetype n = plan_.conditions.size();
        std::vector<qint64> counts(std::size_t(n) * plan_.counts);
        std::vector<DecimalSum> sums(std::size_t(n) * plan_.sums);
        std::vector<qint64> distinct(std::size_t(n) * plan_.distinct);
        const std::size_t sets = words_ == 0 ? 0 : setMasks_.size() / words_;
        for (std::size_t set = 0; set < sets; ++set) {
            bool ok = true;
            eachCondition(&setMasks_[set * words_], [&](std::size_t i) {
                for (int k = 0; k < plan_.counts; ++k)
                    counts[i * plan_.counts + k] += setCounts_[set * plan_.counts + k];
                for (int s = 0; s < plan_.sums; ++s)
                    ok = sums[i * plan_.sums + s].add(setSums_[set * plan_.sums + s]) && ok;
            });
            if (!ok)
                return false;
        }
        for (int d = 0; d < plan_.distinct; ++d) {
            for (std::size_t at = 0; at < distinctMasks_[d].size(); at += words_)
                eachCondition(&distinctMasks_[d][at], [&](std::size_t i) { ++distinct[i * plan_.distinct + d]; });
        }
        literals.clear();
        for (qsizetype i = 0; i < n; ++i) {
            QStringList calls;
            for (qsizetype c = 0; c < plan_.roles.size(); ++c) {
                const int r = plan_.at.at(c);
                switch (plan_.roles.at(c)) {
                case Role::Distinct:
                    calls.append(QString::number(distinct[std::size_t(i) * plan_.distinct + r]));
                    break;
                case Role::Count:
                    calls.append(QString::number(counts[std::size_t(i) * plan_.counts + r]));
                    break;
                case Role::Sum: {
                    const DecimalSum &sum = sums[std::size_t(i) * plan_.sums + r];
                    calls.append(sum.any() ? u'(' + sum.text() + u')' : QStringLiteral("NULL"));
                    break;
                }
                }
            }
            literals.append(calls);
        }
        return true;
    }

private:
    bool fail()
    {
        failed_ = true;
        return false;
    }

    template <typename Fn>
    void eachCondition(const quint64 *mask, Fn fn) const
    {
        for (std::size_t w = 0; w < words_; ++w) {
            for (quint64 bits = mask[w]; bits != 0; bits &= bits - 1)
                fn(w * 64 + std::size_t(std::countr_zero(bits)));
        }
    }

    // A value as a key: its kind, then its bytes. Equal numbers give equal
    // keys whatever their type (1 and 1.0, as SQL's DISTINCT takes them), a
    // decimal without the zeros after its point.
    static void appendKey(std::string &key, const RowView &row, int column)
    {
        const RowView::Type type = row.type(column);
        if (type == RowView::Null) {
            key += 'N';
            return;
        }
        if (type == RowView::Integer || type == RowView::Real) {
            const double real = type == RowView::Real ? row.real(column) : 0;
            if (type == RowView::Integer || (real == double(qint64(real)) && std::abs(real) < 9e15)) {
                const qint64 v = type == RowView::Integer ? row.integer(column) : qint64(real);
                key += 'I';
                key.append(reinterpret_cast<const char *>(&v), sizeof v);
            } else {
                key += 'R';
                key.append(reinterpret_cast<const char *>(&real), sizeof real);
            }
            return;
        }
        QByteArrayView text = row.text(column);
        if (type == RowView::Decimal && text.contains('.')) {
            while (text.endsWith('0'))
                text.chop(1);
            if (text.endsWith('.'))
                text.chop(1);
        }
        const auto size = quint32(text.size());
        key += type == RowView::Decimal ? 'D' : 'T';
        key.append(reinterpret_cast<const char *>(&size), sizeof size);
        key.append(text.data(), std::size_t(text.size()));
    }

    // The set of the row's condition values, tested when first met; -1 when
    // a condition cannot be asked in memory.
    int setOf(const RowView &row)
    {
        const int first = plan_.distinct;
        const int width = int(plan_.columns.size());
        key_.clear();
        for (int c = 0; c < width; ++c)
            appendKey(key_, row, first + c);
        if (lastSet_ >= 0 && key_ == lastKey_)
            return lastSet_;
        bool added = false;
        const int set = int(setIds_.find(key_, added));
        if (added) {
            values_.resize(width);
            for (int c = 0; c < width; ++c)
                values_[c] = StatValue::of(row, first + c);
            setMasks_.resize(setMasks_.size() + words_);
            bool unanswerable = false;
            plan_.conditions.evaluate(values_, truths_, unanswerable);
            for (qsizetype i = 0; i < truths_.size(); ++i) {
                if (truths_.at(i) == StatConditions::Truth::True)
                    setMasks_[std::size_t(set) * words_ + std::size_t(i) / 64] |= quint64(1) << (i % 64);
            }
            if (unanswerable) {
                fail();
                return -1;
            }
            setCounts_.resize(setCounts_.size() + plan_.counts);
            setSums_.resize(setSums_.size() + plan_.sums);
        }
        lastSet_ = set;
        lastKey_ = key_;
        return set;
    }

    const TallyPlan &plan_;
    std::size_t words_;
    KeyTable setIds_;
    std::vector<quint64> setMasks_;
    std::vector<qint64> setCounts_;
    std::vector<DecimalSum> setSums_;
    std::vector<KeyTable> distinctIds_;
    std::vector<std::vector<quint64>> distinctMasks_;
    std::vector<std::string> distinctKey_;
    std::vector<std::string> lastDistinct_;
    std::vector<qsizetype> lastDistinctId_;
    std::string key_;
    std::string lastKey_;
    QList<StatValue> values_;
    QList<StatConditions::Truth> truths_;
    int lastSet_ = -1;
    bool failed_ = false;
};

// The figures put into the base query's select list by the database, so
// that each value is formatted as the query itself would give it; several
// queries when the lists would pass PostgreSQL's 1,664 columns.
bool formatValues(ProcHost &host, const AggregateQuery &q, const QList<QStringList> &literals, QList<Row> &values,
                  DbError &error)
{
    const qsizetype perQuery = std::max<qsizetype>(1, 1000 / q.columns);
    values.clear();
    for (qsizetype from = 0; from < literals.size(); from += perQuery) {
        QStringList lists;
        for (qsizetype i = from; i < std::min(literals.size(), from + perQuery); ++i)
            lists.append(aggregateList(q, [&](qsizetype c) { return literals.at(i).at(c); }));
        QList<Row> rows;
        if (!selectOracle(host, QStringLiteral("SELECT ") + lists.join(u',') + QStringLiteral(" FROM dual"), rows,
                          error))
            return false;
        for (qsizetype i = 0; i < lists.size(); ++i)
            values.append(rows.isEmpty() ? Row() : rows.first().mid(i * q.columns, q.columns));
    }
    return true;
}

} // namespace

TallyOutcome statTally(ProcHost &host, const AggregateQuery &q, const QStringList &conditions, QList<Row> &values,
                       DbError &error)
{
    const std::optional<TallyPlan> plan = tallyPlan(q, conditions);
    if (!plan)
        return TallyOutcome::NotMine;
    // The rows are tallied on a thread of their own while the database
    // reads on.
    Tally tally(*plan);
    RowPipeline pipeline([&tally](const RowView &row) { return tally.take(row); });
    const auto push = [&pipeline](const RowView &row) { return pipeline.push(row); };
    const bool read = forEachOracleRow(host, plan->rowsSql, push, error);
    pipeline.finish();
    if (!read)
        return TallyOutcome::Failed;
    QList<QStringList> literals;
    if (tally.failed() || !tally.figures(literals))
        return TallyOutcome::NotMine;
    return formatValues(host, q, literals, values, error) ? TallyOutcome::Counted : TallyOutcome::Failed;
}

} // namespace kestra
