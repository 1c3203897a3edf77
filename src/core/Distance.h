#pragma once

#include <cmath>

namespace kestra {

// A length on paper. Parameter files give millimetres, fonts points, the
// suite's old layout arithmetic twips; keeping one internal unit (mm) and
// naming the unit wherever a number comes in or goes out stops a twip from
// being added to a millimetre.
class Distance {
public:
    constexpr Distance() = default;

    static constexpr Distance mm(double v) { return Distance(v); }
    static constexpr Distance inches(double v) { return Distance(v * kMmPerInch); }
    static constexpr Distance points(double v) { return Distance(v * kMmPerInch / 72.0); }
    static constexpr Distance twips(double v) { return Distance(v * kMmPerInch / 1440.0); }

    constexpr double toMm() const { return mm_; }
    constexpr double toInches() const { return mm_ / kMmPerInch; }
    constexpr double toPoints() const { return mm_ * 72.0 / kMmPerInch; }
    constexpr double toTwips() const { return mm_ * 1440.0 / kMmPerInch; }

    constexpr Distance operator+(Distance o) const { return Distance(mm_ + o.mm_); }
    constexpr Distance operator-(Distance o) const { return Distance(mm_ - o.mm_); }
    constexpr Distance operator*(double f) const { return Distance(mm_ * f); }
    constexpr Distance operator/(double f) const { return Distance(mm_ / f); }
    constexpr auto operator<=>(const Distance &) const = default;

    // How many whole `part`s fit in this length; 0 for a part that is not
    // positive. A hair of tolerance, so that 3 × 70 mm fit in 210 mm however
    // the millimetres were rounded on their way in.
    int fits(Distance part) const
    {
        if (!(part.mm_ > 0.0) || !(mm_ > 0.0))
            return 0;
        return static_cast<int>(std::floor(mm_ / part.mm_ + 1e-9));
    }

private:
    static constexpr double kMmPerInch = 25.4;
    constexpr explicit Distance(double mm) : mm_(mm) {}
    double mm_ = 0.0;
};

} // namespace kestra
