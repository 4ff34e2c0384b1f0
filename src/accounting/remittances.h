// What a remittance to an agreement settles: the premiums and commissions collected for it since
// its previous remittance, and the marking of those movements as registered when a remittance is
// written. Movements are read through MOVIPERI: a movement's reference date is its period end
// when it has one, else its date.
#pragma once

#include <cstdint>
#include <string>

#include "common/date.h"
#include "common/decimal.h"
#include "store/workspace.h"

namespace arv::accounting {

enum class RemittanceFigure { Amount, NetCommission };

struct RemittanceTotals {
    Decimal premiums, fees, commissions, corrections;
};
// The totals of AGREEMENT up to the reference date (PERIODEND, else DATE), back to its previous
// remittance. Zero for an empty agreement or date.
RemittanceTotals remittanceTotals(store::Workspace& ws, const std::string& agreement, Date date, Date periodEnd);
// The amount to remit (premiums less the commissions net of the withholding, or the premiums alone
// for an agreement that remits without commissions), or the net commission.
Decimal remittanceFigure(store::Workspace& ws, const std::string& agreement, Date date, Date periodEnd,
                         RemittanceFigure figure);

// Gives CORRISP = TODAY to the agreement's movements not yet registered, from the reference date
// backwards up to the previous unregistered remittance. The record EXCLUDED (the remittance just
// written) is passed over. Gives the number marked.
size_t markRegistered(store::Workspace& ws, const std::string& agreement, Date date, Date periodEnd, Date today,
                      uint32_t excluded = 0);

} // namespace arv::accounting
