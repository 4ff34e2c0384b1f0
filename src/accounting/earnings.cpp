#include "accounting/earnings.h"

#include "accounting/vocabulary.h"

namespace arv::accounting {

namespace {

std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string_view trimLeft(std::string_view s)
{
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}

} // namespace

YearChange compareYears(const Decimal& thisYear, const Decimal& previousYear)
{
    YearChange c;
    c.difference = thisYear - previousYear;
    if (previousYear > Decimal(0)) {
        const Decimal rounded = (c.difference * Decimal(100) / previousYear).round(0);
        if (!rounded.isZero()) c.percent = rounded.toString(0) + "%";
    }
    return c;
}

bool EarnedWalk::counts(std::string_view agreement, std::string_view description)
{
    agreement = trimRight(agreement);
    if (!started_ || agreement != agreement_) {
        agreement_ = std::string(agreement);
        started_ = true;
        pastRemittance_ = false;
    }
    if (pastRemittance_) return true;
    if (isRemittance(trimLeft(description))) pastRemittance_ = true;
    return false;
}

} // namespace arv::accounting
