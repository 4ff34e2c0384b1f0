// Calendar date with the empty value the tables use for blank date fields.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace arv {

class Date {
public:
    constexpr Date() = default; // the empty date

    // A valid date, or the empty date when the parts do not form one.
    static Date fromYmd(int year, int month, int day);
    // "YYYYMMDD" as stored in tables and keys; blanks or anything invalid give the empty date.
    static Date fromDtos(std::string_view text);
    // Typed/displayed "dd/mm/yy" or "dd/mm/yyyy" (any of / . - as separators); two-digit
    // years fall in the 1930 window: 30..99 -> 1930..1999, 00..29 -> 2000..2029.
    static Date fromDisplay(std::string_view text);
    static Date fromSerial(int64_t serial) { Date d; d.serial_ = serial; return d; }
    static Date today();

    // Two-digit year window shared by every date conversion.
    static constexpr int kYearWindowStart = 1930;
    static int expandYear(int twoDigitYear);

    bool isEmpty() const { return serial_ == 0; }
    explicit operator bool() const { return serial_ != 0; }

    int year() const;
    int month() const;
    int day() const;
    // 1 = Sunday ... 7 = Saturday (0 for the empty date).
    int dow() const;

    // "YYYYMMDD", or 8 blanks for the empty date.
    std::string dtos() const;
    // "dd/mm/yy", or "  /  /  " for the empty date.
    std::string toDisplay() const;
    // "dd/mm/yyyy", or "  /  /    " for the empty date.
    std::string toDisplayLong() const;

    // Days since the proleptic epoch (1 = 0001-01-01); 0 is the empty date.
    int64_t serial() const { return serial_; }

    Date addDays(int64_t days) const;
    // Same day n months later (earlier when negative); a day the target month lacks becomes its last day.
    Date addMonths(int months) const;

    // Differences in days (b - a); 0 when either is empty.
    friend int64_t operator-(const Date& b, const Date& a)
    {
        return (a.isEmpty() || b.isEmpty()) ? 0 : b.serial_ - a.serial_;
    }
    friend auto operator<=>(const Date&, const Date&) = default;
    friend bool operator==(const Date&, const Date&) = default;

    static bool isLeap(int year);
    static int daysInMonth(int year, int month);

private:
    int64_t serial_ = 0;
};

} // namespace arv
