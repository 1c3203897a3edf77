// The statistics package's class conditions evaluated in memory: compiled
// once from their SQL text, then asked of each distinct set of the values
// they read.

#include "db/procs/StatConditionNode.h"

#include <cstring>
#include <vector>

namespace kestra {

namespace stat_condition {

bool isAscii(QByteArrayView s)
{
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace stat_condition

StatValue StatValue::ofText(QByteArray utf8)
{
    StatValue value;
    value.kind = Text;
    value.ascii = stat_condition::isAscii(utf8);
    value.text = std::move(utf8);
    return value;
}

StatValue StatValue::of(const QVariant &v)
{
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double: {
        StatValue value;
        value.kind = Number;
        value.number = v.toDouble();
        return value;
    }
    default:
        return ofText(v.toString().toUtf8());
    }
}

StatValue StatValue::of(const RowView &row, int column)
{
    switch (row.type(column)) {
    case RowView::Null:
        return {};
    case RowView::Integer:
    case RowView::Real:
    case RowView::Decimal: {
        StatValue value;
        value.kind = Number;
        value.number = row.type(column) == RowView::Integer ? double(row.integer(column))
                       : row.type(column) == RowView::Real  ? row.real(column)
                                                            : row.text(column).toByteArray().toDouble();
        return value;
    }
    case RowView::Text:
        break;
    }
    return ofText(row.text(column).toByteArray());
}

// Named rather than anonymous: the compiled condition's nodes hold them.
namespace stat_condition {

// UTF-8 compared byte by byte is in the order of the code points, as a
// binary collation compares.
int compareText(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), std::size_t(n));
    if (c != 0)
        return c < 0 ? -1 : 1;
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where the n-th character (0-based) of UTF-8 text begins, n at most its
// length in characters.
qsizetype charOffset(QByteArrayView s, qint64 n)
{
    qsizetype at = 0;
    for (; n > 0 && at < s.size(); --n) {
        ++at;
        while (at < s.size() && continuation(s[at]))
            ++at;
    }
    return at;
}

qint64 charLength(QByteArrayView s)
{
    qint64 n = 0;
    for (const char c : s)
        n += continuation(c) ? 0 : 1;
    return n;
}

template <typename C>
bool likeMatch(const C *s, qsizetype n, const std::vector<LikeStep> &p)
{
    const qsizetype m = qsizetype(p.size());
    qsizetype si = 0;
    qsizetype pi = 0;
    qsizetype starP = -1;
    qsizetype starS = 0;
    while (si < n) {
        if (pi < m && (p[pi].kind == LikeStep::One || (p[pi].kind == LikeStep::Char && p[pi].c == char32_t(s[si])))) {
            ++si;
            ++pi;
        } else if (pi < m && p[pi].kind == LikeStep::Many) {
            starP = pi++;
            starS = si;
        } else if (starP >= 0) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < m && p[pi].kind == LikeStep::Many)
        ++pi;
    return pi == m;
}

} // namespace stat_condition
using namespace stat_condition;

namespace {

using CondTruth = StatConditions::Truth;

CondTruth notOf(CondTruth t)
{
    return t == CondTruth::Unknown ? t : (t == CondTruth::True ? CondTruth::False : CondTruth::True);
}

} // namespace

Seen StatConditions::Node::value(const QList<StatValue> &values, bool &failed) const
{
    switch (kind) {
    case Column: {
        const StatValue &v = values.at(slot);
        return Seen{v.kind, QByteArrayView(v.text), v.number, v.ascii};
    }
    case Literal:
        return Seen{literal.kind, QByteArrayView(literal.text), literal.number, literal.ascii};
    case Substr: {
        const Seen s = children.front().value(values, failed);
        if (s.kind == StatValue::Number)
            failed = true;
        if (s.kind != StatValue::Text || length == 0)
            return {};
        const bool wide = !s.ascii;
        const qint64 total = wide ? charLength(s.text) : s.text.size();
        const qint64 from = position < 0 ? total + position + 1 : position;
        if (from < 1 || from > total)
            return {};
        const qint64 count = length < 0 ? total - from + 1 : std::min(length, total - from + 1);
        if (!wide)
            return Seen{StatValue::Text, s.text.sliced(from - 1, count), 0, true};
        const qsizetype begin = charOffset(s.text, from - 1);
        const qsizetype end = begin + charOffset(s.text.sliced(begin), count);
        return Seen{StatValue::Text, s.text.sliced(begin, end - begin), 0, false};
    }
    default:
        failed = true;
        return {};
    }
}

StatConditions::Truth StatConditions::Node::truth(const QList<StatValue> &values, std::vector<signed char> &asked,
                                                  bool &failed) const
{
    // A test is asked once per set of values; its answer is kept for the
    // other conditions that share it.
    const auto of = [&](const Node &n) {
        if (n.shared < 0)
            return n.truth(values, asked, failed);
        signed char &known = asked[std::size_t(n.shared)];
        if (known < 0)
            known = static_cast<signed char>(n.test(values, failed));
        return static_cast<Truth>(known);
    };
    switch (kind) {
    case Or:
    case And: {
        // OR stops at the first true term, AND at the first false one; an
        // unknown term leaves the rest unknown unless one of them decides.
        const Truth decides = kind == Or ? Truth::True : Truth::False;
        Truth result = kind == Or ? Truth::False : Truth::True;
        for (const Node &c : children) {
            const Truth t = of(c);
            if (t == decides)
                return t;
            if (t == Truth::Unknown)
                result = t;
        }
        return result;
    }
    case Not:
        return notOf(of(children.front()));
    default:
        return of(*this);
    }
}

StatConditions::Truth StatConditions::Node::test(const QList<StatValue> &values, bool &failed) const
{
    switch (kind) {
    case IsNull: {
        const bool isNull = children.front().value(values, failed).kind == StatValue::Null;
        return isNull != negated ? Truth::True : Truth::False;
    }
    case Compare: {
        const Seen a = children.at(0).value(values, failed);
        const Seen b = children.at(1).value(values, failed);
        if (a.kind == StatValue::Null || b.kind == StatValue::Null)
            return Truth::Unknown;
        if (a.kind != b.kind) {
            failed = true;
            return Truth::Unknown;
        }
        if (a.kind == StatValue::Text && (op == Eq || op == Ne) && a.text.size() != b.text.size())
            return op == Ne ? Truth::True : Truth::False;
        const int c = a.kind == StatValue::Number ? (a.number < b.number ? -1 : (a.number > b.number ? 1 : 0))
                                                  : compareText(a.text, b.text);
        bool holds = false;
        switch (op) {
        case Eq:
            holds = c == 0;
            break;
        case Ne:
            holds = c != 0;
            break;
        case Lt:
            holds = c < 0;
            break;
        case Le:
            holds = c <= 0;
            break;
        case Gt:
            holds = c > 0;
            break;
        case Ge:
            holds = c >= 0;
            break;
        }
        return holds ? Truth::True : Truth::False;
    }
    case Like: {
        const Seen s = children.front().value(values, failed);
        if (s.kind == StatValue::Number)
            failed = true;
        if (s.kind != StatValue::Text || children.size() > 1) // a NULL pattern is the second child
            return Truth::Unknown;
        bool match = false;
        if (prefixOnly) {
            match = s.text.size() >= prefix.size() &&
                    std::memcmp(s.text.data(), prefix.constData(), std::size_t(prefix.size())) == 0;
        } else if (s.ascii) {
            match = likeMatch(reinterpret_cast<const unsigned char *>(s.text.data()), s.text.size(), steps);
        } else {
            const QList<uint> wide = QString::fromUtf8(s.text).toUcs4();
            match = likeMatch(wide.constData(), wide.size(), steps);
        }
        return match != negated ? Truth::True : Truth::False;
    }
    default:
        failed = true;
        return Truth::Unknown;
    }
}

void StatConditions::evaluate(const QList<StatValue> &values, QList<Truth> &truths, bool &failed) const
{
    std::fill(shared_.begin(), shared_.end(), -1);
    truths.resize(size());
    for (std::size_t i = 0; i < roots_.size(); ++i)
        truths[qsizetype(i)] = roots_[i]->truth(values, shared_, failed);
}

} // namespace kestra
