// What the statistics and summaries of every domain compare and count as earned: one year against
// the year before, and an agreement's commissions that its newest remittance has settled.
#pragma once

#include <string>
#include <string_view>

#include "common/decimal.h"

namespace arv::accounting {

// One year against the previous one, as every year-over-year table prints it.
struct YearChange {
    Decimal difference;    // this year's total - the previous one (the total itself for a first year)
    std::string percent;   // "12%", or "" when the previous total is not positive or it rounds to 0
};

// (THIS - PREVIOUS) x 100 / PREVIOUS rounded half away from zero to a whole number.
YearChange compareYears(const Decimal& thisYear, const Decimal& previousYear);

// Walks the movements of the agreements in the order "agreement, then newest first" and tells which
// commissions are earned: an agreement's movements up to and including its newest remittance (the
// newest whose description begins with "Rimessa") are passed over, the older ones count. An
// agreement without a remittance earns nothing. Feed every movement once, in that order; a change
// of agreement starts the walk again.
class EarnedWalk {
public:
    // True when the commission of this movement is earned.
    bool counts(std::string_view agreement, std::string_view description);

private:
    std::string agreement_;
    bool started_ = false;
    bool pastRemittance_ = false;
};

} // namespace arv::accounting
