// The statistics package's one-pass tally: the base query's rows read once,
// the class conditions tested per distinct call number in memory.

#include "db/procs/StatTally.h"

#include "db/procs/Procedures.h"
#include "db/procs/StatCondition.h"

#include <QHash>

#include <bit>
#include <vector>

namespace kestra {

namespace {

__extension__ typedef __int128 Units;

// A sum of decimal numbers kept exact: `units` at `scale` decimal places.
class DecimalSum {
public:
    // False for a value that is not a decimal number within reach (the
    // caller then leaves the sum to the database).
    bool add(const QVariant &value)
    {
        if (value.isNull())
            return true;
        if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
            return add(Units(value.toLongLong()), 0);
        // A binary number reads as its text does in the database: fifteen
        // significant digits.
        const QString text =
            value.typeId() == QMetaType::Double ? QString::number(value.toDouble(), 'g', 15) : value.toString();
        if (text.isEmpty())
            return true; // Oracle's empty text is NULL
        Units units = 0;
        int scale = 0;
        return parse(text, units, scale) && add(units, scale);
    }
    bool add(const DecimalSum &other) { return !other.any_ || add(other.units_, other.scale_); }
    bool any() const { return any_; }
    QString text() const
    {
        Units v = units_ < 0 ? -units_ : units_;
        QString digits;
        do {
            digits.prepend(QChar(u'0' + int(v % 10)));
            v /= 10;
        } while (v != 0);
        if (scale_ > 0) {
            if (digits.size() <= scale_)
                digits.prepend(QString(scale_ - digits.size() + 1, u'0'));
            digits.insert(digits.size() - scale_, u'.');
        }
        return units_ < 0 ? u'-' + digits : digits;
    }

private:
    static constexpr int MaxScale = 18;
    static constexpr int MaxDigits = 30;

    static Units power(int n)
    {
        Units p = 1;
        while (n-- > 0)
            p *= 10;
        return p;
    }
    static bool within(Units v) { return v < power(MaxDigits + 3) && v > -power(MaxDigits + 3); }

    // [-]digits[.digits][e[+-]digits]
    static bool parse(QStringView text, Units &units, int &scale)
    {
        text = text.trimmed();
        qsizetype i = 0;
        const bool negative = i < text.size() && text[i] == u'-';
        if (negative || (i < text.size() && text[i] == u'+'))
            ++i;
        int digits = 0;
        bool point = false;
        for (; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == u'.' && !point) {
                point = true;
            } else if (c.isDigit() && c.unicode() < 128) {
                if (++digits > MaxDigits)
                    return false;
                units = units * 10 + (c.unicode() - u'0');
                scale += point ? 1 : 0;
            } else {
                break;
            }
        }
        if (digits == 0)
            return false;
        if (i < text.size()) {
            if (text[i] != u'e' && text[i] != u'E')
                return false;
            bool ok = false;
            const int exponent = text.mid(i + 1).toInt(&ok);
            if (!ok || exponent > MaxDigits || exponent < -MaxDigits)
                return false;
            scale -= exponent;
        }
        if (scale < 0) {
            units *= power(-scale);
            scale = 0;
        }
        if (negative)
            units = -units;
        return scale <= MaxScale && within(units);
    }

    bool add(Units units, int scale)
    {
        if (scale > scale_) {
            units_ *= power(scale - scale_);
            scale_ = scale;
        } else {
            units *= power(scale_ - scale);
        }
        units_ += units;
        any_ = true;
        return within(units_);
    }

    Units units_ = 0;
    int scale_ = 0;
    bool any_ = false;
};

// What each aggregate call of the base query reads from a row.
enum class Role { Distinct, Count, Sum };

struct TallyPlan {
    QList<StatCondition> conditions;
    QList<StatColumn> columns;
    QList<Role> roles;   // per call
    QList<int> at;       // per call: its index among the calls of its role
    int distinct = 0;    // calls per role
    int counts = 0;
    int sums = 0;
    QString rowsSql;     // [distinct args][columns][count values][sum values]
};

std::optional<TallyPlan> tallyPlan(const AggregateQuery &q, const QStringList &conditions)
{
    TallyPlan plan;
    for (const QString &condition : conditions) {
        const std::optional<QString> test = conditionTest(condition);
        std::optional<StatCondition> c = test ? StatCondition::compile(*test, plan.columns) : std::nullopt;
        if (!c)
            return std::nullopt;
        plan.conditions.append(std::move(*c));
    }
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
            counts.append(QStringLiteral("CASE WHEN (") + call.argument + QStringLiteral(") IS NULL THEN 0 ELSE 1 END"));
        } else if (call.function == u"COUNT") {
            plan.roles.append(Role::Count);
            plan.at.append(plan.counts++);
            counts.append(QStringLiteral("1"));
        } else if (call.function == u"SUM" && !call.distinct) {
            plan.roles.append(Role::Sum);
            plan.at.append(plan.sums++);
            // As text, so that a decimal keeps its places.
            sums.append(u'(' + call.argument + QStringLiteral(") || ''"));
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
          distinctMasks_(plan.distinct), lastDistinct_(plan.distinct), lastDistinctId_(plan.distinct, -1)
    {
    }

    bool failed() const { return failed_; }

    bool take(const Row &row)
    {
        const int set = setOf(row);
        if (set < 0)
            return false;
        const int countsAt = plan_.distinct + int(plan_.columns.size());
        for (int k = 0; k < plan_.counts; ++k)
            setCounts_[std::size_t(set) * plan_.counts + k] += row.at(countsAt + k).toLongLong();
        for (int s = 0; s < plan_.sums; ++s) {
            if (!setSums_[std::size_t(set) * plan_.sums + s].add(row.at(countsAt + plan_.counts + s)))
                return fail();
        }
        for (int d = 0; d < plan_.distinct; ++d) {
            const QVariant &v = row.at(d);
            if (v.isNull())
                continue;
            int id = lastDistinctId_[d];
            if (id < 0 || v != lastDistinct_[d]) {
                const QString key = v.typeId() == QMetaType::QString ? v.toString() : u'\x01' + v.toString();
                id = int(distinctIds_[d].value(key, -1));
                if (id < 0) {
                    id = int(distinctIds_[d].size());
                    distinctIds_[d].insert(key, id);
                    distinctMasks_[d].resize(distinctMasks_[d].size() + words_);
                }
                lastDistinct_[d] = v;
                lastDistinctId_[d] = id;
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

    // The set of the row's condition values, tested when first met; -1 when
    // a condition cannot be asked in memory.
    int setOf(const Row &row)
    {
        const int first = plan_.distinct;
        const int width = int(plan_.columns.size());
        if (lastSet_ >= 0) {
            bool same = true;
            for (int c = 0; c < width && same; ++c)
                same = row.at(first + c) == lastValues_.at(c);
            if (same)
                return lastSet_;
        }
        key_.clear();
        for (int c = 0; c < width; ++c) {
            const QVariant &v = row.at(first + c);
            const QString text = v.isNull() ? QString() : v.toString();
            key_ += v.isNull() ? u'N' : (v.typeId() == QMetaType::QString ? u'T' : u'D');
            key_ += QChar(char16_t(std::min<qsizetype>(text.size(), 0xFFFF)));
            key_ += text;
        }
        int set = int(setIds_.value(key_, -1));
        if (set < 0) {
            QList<StatValue> values;
            for (int c = 0; c < width; ++c)
                values.append(StatValue::of(row.at(first + c)));
            set = int(setIds_.size());
            setMasks_.resize(setMasks_.size() + words_);
            bool unanswerable = false;
            for (qsizetype i = 0; i < plan_.conditions.size(); ++i) {
                if (plan_.conditions.at(i).evaluate(values, unanswerable) == StatCondition::Truth::True)
                    setMasks_[std::size_t(set) * words_ + std::size_t(i) / 64] |= quint64(1) << (i % 64);
            }
            if (unanswerable) {
                fail();
                return -1;
            }
            setIds_.insert(key_, set);
            setCounts_.resize(setCounts_.size() + plan_.counts);
            setSums_.resize(setSums_.size() + plan_.sums);
        }
        lastSet_ = set;
        lastValues_ = row.mid(first, width);
        return set;
    }

    const TallyPlan &plan_;
    std::size_t words_;
    QHash<QString, qsizetype> setIds_;
    std::vector<quint64> setMasks_;
    std::vector<qint64> setCounts_;
    std::vector<DecimalSum> setSums_;
    std::vector<QHash<QString, qsizetype>> distinctIds_;
    std::vector<std::vector<quint64>> distinctMasks_;
    std::vector<QVariant> lastDistinct_;
    std::vector<int> lastDistinctId_;
    QString key_;
    int lastSet_ = -1;
    Row lastValues_;
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
    Tally tally(*plan);
    if (!forEachOracleRow(host, plan->rowsSql, [&tally](const Row &row) { return tally.take(row); }, error))
        return TallyOutcome::Failed;
    QList<QStringList> literals;
    if (tally.failed() || !tally.figures(literals))
        return TallyOutcome::NotMine;
    return formatValues(host, q, literals, values, error) ? TallyOutcome::Counted : TallyOutcome::Failed;
}

} // namespace kestra
