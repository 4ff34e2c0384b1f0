// Year-over-year rows and the commissions an agreement's newest remittance has settled.
#include <gtest/gtest.h>

#include <vector>

#include "accounting/earnings.h"

using namespace arv;
using namespace arv::accounting;

namespace {

Decimal dec(const char* s) { return *Decimal::parse(s); }

} // namespace

TEST(Earnings, YearOverYearDifferenceAndPercent)
{
    struct Case { const char* now; const char* before; const char* difference; const char* percent; };
    const Case cases[] = {
        {"150.00", "0", "150.00", ""},          // first year: the total itself, no percent
        {"150.00", "100.00", "50.00", "50%"},
        {"50.00", "100.00", "-50.00", "-50%"},
        {"100.40", "100.00", "0.40", ""},        // rounds to 0: blank
        {"100.50", "100.00", "0.50", "1%"},      // half away from zero
        {"99.50", "100.00", "-0.50", "-1%"},
        {"10.00", "-20.00", "30.00", ""},        // a negative previous total prints no percent
        {"0", "80.00", "-80.00", "-100%"},
    };
    for (const Case& c : cases) {
        const YearChange y = compareYears(dec(c.now), dec(c.before));
        EXPECT_EQ(y.difference, dec(c.difference)) << c.now << " vs " << c.before;
        EXPECT_EQ(y.percent, c.percent) << c.now << " vs " << c.before;
    }
}

TEST(Earnings, OnlyMovementsOlderThanTheNewestRemittanceAreEarned)
{
    struct Movement { const char* agreement; const char* description; bool earned; };
    // Agreement, then newest first.
    const std::vector<Movement> walk = {
        {"ALFA      ", "Incasso             ", false},  // newer than the remittance: not yet earned
        {"ALFA      ", "Rimessa             ", false},  // the remittance itself
        {"ALFA      ", "Incasso             ", true},
        {"ALFA      ", "Rimessa 2           ", true},   // an older remittance counts like the rest
        {"BETA      ", "Incasso diretto     ", false},  // no remittance: nothing earned
        {"BETA      ", "INDENNITA'          ", false},
        {"GAMMA     ", "Rimessa             ", false},
        {"GAMMA     ", "INDENNITA'          ", true},
    };
    EarnedWalk w;
    for (const Movement& m : walk)
        EXPECT_EQ(w.counts(m.agreement, m.description), m.earned) << m.agreement << m.description;
}
