#pragma once

#include "db/procs/ProcHost.h"

#include <charconv>
#include <cmath>

namespace kestra {

__extension__ typedef __int128 DecimalUnits;

// A sum of decimal numbers kept exact: `units` at `scale` decimal places.
class DecimalSum {
public:
    // False for a value that is not a decimal number within reach (the
    // caller then leaves the sum to the database).
    bool add(const RowView &row, int column)
    {
        DecimalUnits units = 0;
        int scale = 0;
        switch (row.type(column)) {
        case RowView::Null:
            return true;
        case RowView::Integer:
            return add(DecimalUnits(row.integer(column)), 0);
        case RowView::Real: {
            // A binary number stands for the shortest decimal that reads
            // back as it: the price as it was typed. Most have few places,
            // found without printing the number.
            const double v = row.real(column);
            double p = 1;
            for (int places = 0; places <= 4; ++places, p *= 10) {
                const double scaled = std::nearbyint(v * p);
                if (std::abs(scaled) < 1e15 && scaled / p == v)
                    return add(DecimalUnits(qint64(scaled)), places);
            }
            char digits[64];
            const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, v);
            return ec == std::errc() && parse(digits, end - digits, units, scale) && add(units, scale);
        }
        case RowView::Decimal:
        case RowView::Text:
            break;
        }
        const QByteArrayView text = row.text(column);
        if (text.isEmpty())
            return true; // Oracle's empty text is NULL
        return parse(text.data(), text.size(), units, scale) && add(units, scale);
    }
    bool add(const DecimalSum &other) { return !other.any_ || add(other.units_, other.scale_); }
    bool any() const { return any_; }
    QString text() const
    {
        DecimalUnits v = units_ < 0 ? -units_ : units_;
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

    static DecimalUnits power(int n)
    {
        DecimalUnits p = 1;
        while (n-- > 0)
            p *= 10;
        return p;
    }
    static bool within(DecimalUnits v) { return v < power(MaxDigits + 3) && v > -power(MaxDigits + 3); }

    // [-]digits[.digits][e[+-]digits]
    template <typename C>
    static bool parse(const C *text, qsizetype size, DecimalUnits &units, int &scale)
    {
        const auto at = [&](qsizetype i) { return char16_t(static_cast<unsigned char>(text[i])); };
        qsizetype i = 0;
        while (i < size && at(i) == u' ')
            ++i;
        const bool negative = i < size && at(i) == u'-';
        if (negative || (i < size && at(i) == u'+'))
            ++i;
        int digits = 0;
        bool point = false;
        for (; i < size; ++i) {
            const char16_t c = at(i);
            if (c == u'.' && !point) {
                point = true;
            } else if (c >= u'0' && c <= u'9') {
                if (++digits > MaxDigits)
                    return false;
                units = units * 10 + (c - u'0');
                scale += point ? 1 : 0;
            } else {
                break;
            }
        }
        if (digits == 0)
            return false;
        if (i < size) {
            if (at(i) != u'e' && at(i) != u'E')
                return false;
            int exponent = 0;
            const bool down = ++i < size && at(i) == u'-';
            if (i < size && (at(i) == u'-' || at(i) == u'+'))
                ++i;
            if (i == size)
                return false;
            for (; i < size; ++i) {
                if (at(i) < u'0' || at(i) > u'9' || (exponent = exponent * 10 + (at(i) - u'0')) > MaxDigits)
                    return false;
            }
            scale += down ? exponent : -exponent;
        }
        if (scale < 0) {
            units *= power(-scale);
            scale = 0;
        }
        if (negative)
            units = -units;
        return scale <= MaxScale && within(units);
    }

    bool add(DecimalUnits units, int scale)
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

    DecimalUnits units_ = 0;
    int scale_ = 0;
    bool any_ = false;
};

} // namespace kestra
