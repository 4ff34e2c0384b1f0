// Exact decimal number for amounts, percentages and numeric fields.
//
// Values are held as a 128-bit integer count of 10^-8 units, so sums of money never drift and
// every numeric field of the tables (at most 19 characters) fits. Rounding is explicit: round()
// rounds half away from zero, as the printed listings and the stored fields expect.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace arv {

class Decimal {
public:
    using Rep = __int128;
    static constexpr int kDigits = 8;

    constexpr Decimal() = default;
    constexpr Decimal(int v) : units_(static_cast<Rep>(v) * scale()) {}
    constexpr Decimal(long v) : units_(static_cast<Rep>(v) * scale()) {}
    constexpr Decimal(long long v) : units_(static_cast<Rep>(v) * scale()) {}

    // Plain decimal text: optional blanks, optional sign, digits, optional '.' and decimals.
    // Extra decimals beyond 8 are rounded half away from zero. nullopt for anything else.
    static std::optional<Decimal> parse(std::string_view text);
    // Like parse(), but an empty/blank or unreadable text gives zero (as numeric fields read).
    static Decimal parseOrZero(std::string_view text);
    // value = mantissa * 10^-decimals, e.g. fromScaled(12345, 2) == 123.45
    static Decimal fromScaled(long long mantissa, int decimals);
    static Decimal fromDouble(double v);
    static constexpr Decimal fromUnits(Rep units) { Decimal d; d.units_ = units; return d; }

    constexpr Rep units() const { return units_; }
    static constexpr Rep scale() { return 100000000; }

    // Rounded half away from zero to the given number of decimals (0..8).
    Decimal round(int decimals) const;
    // Truncated toward zero to the given number of decimals.
    Decimal trunc(int decimals) const;
    // Integer part (toward zero).
    long long toLongLong() const;
    double toDouble() const;

    // "-1234.50" with exactly `decimals` decimals (rounded half away from zero); no grouping.
    std::string toString(int decimals) const;
    // Shortest text that gives the value back ("12.5", "-3", "0").
    std::string toShortString() const;

    bool isZero() const { return units_ == 0; }
    bool isNegative() const { return units_ < 0; }
    int sign() const { return units_ < 0 ? -1 : (units_ > 0 ? 1 : 0); }
    Decimal abs() const { return units_ < 0 ? fromUnits(-units_) : *this; }

    Decimal operator-() const { return fromUnits(-units_); }
    Decimal& operator+=(const Decimal& o) { units_ += o.units_; return *this; }
    Decimal& operator-=(const Decimal& o) { units_ -= o.units_; return *this; }
    Decimal& operator*=(const Decimal& o) { return *this = *this * o; }
    Decimal& operator/=(const Decimal& o) { return *this = *this / o; }
    friend Decimal operator+(Decimal a, const Decimal& b) { return a += b; }
    friend Decimal operator-(Decimal a, const Decimal& b) { return a -= b; }
    // Product rounded half away from zero to 8 decimals.
    friend Decimal operator*(const Decimal& a, const Decimal& b);
    // Quotient rounded half away from zero to 8 decimals; division by zero gives 0.
    friend Decimal operator/(const Decimal& a, const Decimal& b);

    friend constexpr auto operator<=>(const Decimal& a, const Decimal& b) { return a.units_ <=> b.units_; }
    friend constexpr bool operator==(const Decimal& a, const Decimal& b) { return a.units_ == b.units_; }

private:
    Rep units_ = 0;
};

} // namespace arv
