#include "common/decimal.h"

#include <cmath>

namespace arv {

namespace {

using Rep = Decimal::Rep;

Rep pow10(int n)
{
    Rep r = 1;
    while (n-- > 0) r *= 10;
    return r;
}

// a / b rounded half away from zero (b > 0).
Rep divRound(Rep a, Rep b)
{
    bool neg = a < 0;
    if (neg) a = -a;
    Rep q = a / b;
    Rep r = a % b;
    if (r * 2 >= b) ++q;
    return neg ? -q : q;
}

std::string repToString(Rep v)
{
    if (v == 0) return "0";
    std::string s;
    bool neg = v < 0;
    if (neg) v = -v;
    while (v > 0) {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    }
    if (neg) s.insert(s.begin(), '-');
    return s;
}

} // namespace

std::optional<Decimal> Decimal::parse(std::string_view t)
{
    size_t i = 0, n = t.size();
    while (i < n && t[i] == ' ') ++i;
    while (n > i && t[n - 1] == ' ') --n;
    if (i == n) return std::nullopt;
    bool neg = false;
    if (t[i] == '-' || t[i] == '+') {
        neg = t[i] == '-';
        ++i;
        while (i < n && t[i] == ' ') ++i;
    }
    Rep intPart = 0;
    Rep frac = 0;
    int fracDigits = 0;
    bool any = false, dot = false;
    int roundDigit = -1;
    for (; i < n; ++i) {
        char c = t[i];
        if (c == '.' && !dot) {
            dot = true;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;
        any = true;
        if (!dot) {
            if (intPart > pow10(27)) return std::nullopt;
            intPart = intPart * 10 + (c - '0');
        } else if (fracDigits < kDigits) {
            frac = frac * 10 + (c - '0');
            ++fracDigits;
        } else if (roundDigit < 0) {
            roundDigit = c - '0';
        }
    }
    if (!any) return std::nullopt;
    Rep units = intPart * scale() + frac * pow10(kDigits - fracDigits);
    if (roundDigit >= 5) ++units;
    return fromUnits(neg ? -units : units);
}

Decimal Decimal::parseOrZero(std::string_view t)
{
    auto d = parse(t);
    return d ? *d : Decimal();
}

Decimal Decimal::fromScaled(long long mantissa, int decimals)
{
    if (decimals <= kDigits) return fromUnits(static_cast<Rep>(mantissa) * pow10(kDigits - decimals));
    return fromUnits(divRound(mantissa, pow10(decimals - kDigits)));
}

Decimal Decimal::fromDouble(double v)
{
    if (!std::isfinite(v)) return Decimal();
    return fromUnits(static_cast<Rep>(std::llround(v * 1e8)));
}

Decimal Decimal::round(int decimals) const
{
    if (decimals >= kDigits) return *this;
    if (decimals < 0) decimals = 0;
    Rep step = pow10(kDigits - decimals);
    return fromUnits(divRound(units_, step) * step);
}

Decimal Decimal::trunc(int decimals) const
{
    if (decimals >= kDigits) return *this;
    if (decimals < 0) decimals = 0;
    Rep step = pow10(kDigits - decimals);
    return fromUnits(units_ / step * step);
}

long long Decimal::toLongLong() const { return static_cast<long long>(units_ / scale()); }

double Decimal::toDouble() const { return static_cast<double>(units_) / 1e8; }

std::string Decimal::toString(int decimals) const
{
    if (decimals < 0) decimals = 0;
    if (decimals > kDigits) decimals = kDigits;
    Rep step = pow10(kDigits - decimals);
    Rep v = divRound(units_, step); // value * 10^decimals
    bool neg = v < 0;
    if (neg) v = -v;
    Rep p = pow10(decimals);
    std::string s = repToString(v / p);
    if (decimals > 0) {
        std::string f = repToString(v % p);
        s += '.';
        s += std::string(static_cast<size_t>(decimals) - f.size(), '0') + f;
    }
    if (neg) s.insert(s.begin(), '-');
    return s;
}

std::string Decimal::toShortString() const
{
    std::string s = toString(kDigits);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

Decimal operator*(const Decimal& a, const Decimal& b)
{
    return Decimal::fromUnits(divRound(a.units_ * b.units_, Decimal::scale()));
}

Decimal operator/(const Decimal& a, const Decimal& b)
{
    if (b.units_ == 0) return Decimal();
    Rep num = a.units_ * Decimal::scale();
    Rep den = b.units_;
    if (den < 0) {
        den = -den;
        num = -num;
    }
    return Decimal::fromUnits(divRound(num, den));
}

} // namespace arv
