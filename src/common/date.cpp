#include "common/date.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace arv {

namespace {

// Days from 0000-03-01 based civil algorithm; shifted so that 0001-01-01 is serial 1.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468; // days since 1970-01-01
}

constexpr int64_t kSerialOf1970 = 719163; // serial number of 1970-01-01 (0001-01-01 = 1)

void civilFromDays(int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

bool allDigits(std::string_view s)
{
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

int toInt(std::string_view s)
{
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

} // namespace

bool Date::isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int Date::daysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12) return 0;
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

int Date::expandYear(int yy)
{
    const int century = kYearWindowStart / 100 * 100;
    int y = century + yy;
    if (y < kYearWindowStart) y += 100;
    return y;
}

Date Date::fromYmd(int y, int m, int d)
{
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return Date();
    Date r;
    r.serial_ = daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) + kSerialOf1970;
    return r;
}

Date Date::fromDtos(std::string_view t)
{
    if (t.size() < 8) return Date();
    t = t.substr(0, 8);
    if (!allDigits(t)) return Date();
    return fromYmd(toInt(t.substr(0, 4)), toInt(t.substr(4, 2)), toInt(t.substr(6, 2)));
}

Date Date::fromDisplay(std::string_view t)
{
    // Split on separators into at most three numeric groups.
    std::string_view parts[3];
    int n = 0;
    size_t i = 0;
    while (i < t.size() && n < 3) {
        while (i < t.size() && (t[i] == ' ')) ++i;
        size_t start = i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
        if (i > start) parts[n++] = t.substr(start, i - start);
        while (i < t.size() && (t[i] == ' ')) ++i;
        if (i < t.size()) {
            if (t[i] == '/' || t[i] == '.' || t[i] == '-') ++i;
            else if (!std::isdigit(static_cast<unsigned char>(t[i]))) return Date();
        }
    }
    if (n != 3) return Date();
    for (size_t k = i; k < t.size(); ++k)
        if (t[k] != ' ') return Date();
    if (parts[0].size() > 2 || parts[1].size() > 2 || parts[2].size() > 4) return Date();
    int y = toInt(parts[2]);
    if (parts[2].size() <= 2) y = expandYear(y);
    return fromYmd(y, toInt(parts[1]), toInt(parts[0]));
}

Date Date::today()
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return fromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

int Date::year() const
{
    if (isEmpty()) return 0;
    int y, m, d;
    civilFromDays(serial_ - kSerialOf1970, y, m, d);
    return y;
}

int Date::month() const
{
    if (isEmpty()) return 0;
    int y, m, d;
    civilFromDays(serial_ - kSerialOf1970, y, m, d);
    return m;
}

int Date::day() const
{
    if (isEmpty()) return 0;
    int y, m, d;
    civilFromDays(serial_ - kSerialOf1970, y, m, d);
    return d;
}

int Date::dow() const
{
    if (isEmpty()) return 0;
    // 1970-01-01 was a Thursday (5 in the 1 = Sunday numbering).
    int64_t z = serial_ - kSerialOf1970;
    int64_t w = ((z % 7) + 7 + 4) % 7; // 0 = Sunday
    return static_cast<int>(w) + 1;
}

std::string Date::dtos() const
{
    if (isEmpty()) return std::string(8, ' ');
    int y, m, d;
    civilFromDays(serial_ - kSerialOf1970, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    return buf;
}

std::string Date::toDisplay() const
{
    if (isEmpty()) return "  /  /  ";
    int y, m, d;
    civilFromDays(serial_ - kSerialOf1970, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", d, m, y % 100);
    return buf;
}

std::string Date::toDisplayLong() const
{
    if (isEmpty()) return "  /  /    ";
    int y, m, d;
    civilFromDays(serial_ - kSerialOf1970, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d, m, y);
    return buf;
}

Date Date::addDays(int64_t days) const
{
    if (isEmpty()) return Date();
    Date r;
    r.serial_ = serial_ + days;
    if (r.serial_ < 1) return Date();
    return r;
}

Date Date::addMonths(int months) const
{
    if (isEmpty()) return Date();
    int y, m, d;
    civilFromDays(serial_ - kSerialOf1970, y, m, d);
    int total = y * 12 + (m - 1) + months;
    int ny = total / 12;
    int nm = total % 12 + 1;
    int dim = daysInMonth(ny, nm);
    return fromYmd(ny, nm, d > dim ? dim : d);
}

} // namespace arv
