// What a remittance to an agreement settles: the premiums and commissions collected for it since
// its previous remittance, and the marking of those movements as registered when a remittance is
// written. Movements are read through MOVIPERI: a movement's reference date is its period end
// when it has one, else its date.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "store/workspace.h"

namespace arv::accounting {

enum class RemittanceFigure { Amount, NetCommission };

struct RemittanceTotals {
    Decimal premiums, fees, commissions, corrections;
};
// The totals of AGREEMENT up to the reference date (PERIODEND, else DATE), back to its previous
// remittance. Zero for an empty agreement or date.
RemittanceTotals remittanceTotals(store::Workspace& ws, const std::string& agreement, Date date, Date periodEnd);
// The same over MOVEMENTS, a cursor on MOVICOMP in its MOVIPERI order (the cursor moves).
RemittanceTotals remittanceTotals(store::Table& movements, const std::string& agreement, Date date, Date periodEnd);
// The totals of many remittances at once, each asked as its agreement and reference date, found in
// one pass over the table: for summaries of every remittance.
std::map<std::pair<std::string, Date>, RemittanceTotals>
remittanceTotals(store::Workspace& ws, const std::vector<std::pair<std::string, Date>>& asked);
// The amount to remit (premiums less the commissions net of the withholding, or the premiums alone
// for an agreement that remits without commissions), or the net commission.
Decimal remittanceFigure(store::Workspace& ws, const std::string& agreement, Date date, Date periodEnd,
                         RemittanceFigure figure);

// Gives CORRISP = TODAY to the agreement's movements not yet registered, from the reference date
// backwards up to the previous unregistered remittance. The record EXCLUDED (the remittance just
// written) is passed over. Gives the number marked.
size_t markRegistered(store::Workspace& ws, const std::string& agreement, Date date, Date periodEnd, Date today,
                      uint32_t excluded = 0);

// Each record of RECNOS (live ones) locked in turn, changed by CHANGE and, when it answers true,
// written; gives the number written. The cursor is left on the last record visited.
size_t writeRecords(store::Table& t, const std::vector<uint32_t>& recnos,
                    const std::function<bool(store::Table&)>& change);

inline constexpr const char* kMsgReminderNotSent = "Impossibile inviare email promemoria bonifico.";

// The day a transfer to an agreement is due: DAY of the month (0: today's; past the month's end:
// its last day) of this month, one month on, then back over holidays.
Date transferDay(int day, Date today);
// The text of the reminder e-mail of a transfer of AMOUNT to AGREEMENT.
std::string transferReminderBody(const std::string& agreement, const Decimal& amount);
// What a saved remittance prints: the commission receipt always, the bank-transfer reminder (then
// its e-mail to "Promemoria bonifico") and the commission-transfer reminder as the agreement's
// flags ask. A failed e-mail goes to TELL. Gives the documents in that order.
std::vector<PrintDocument> remittanceDocuments(store::Workspace& ws, const std::string& agreement, Date date,
                                               Date periodEnd, Date today, bool preview = true,
                                               const std::function<void(const std::string&)>& tell = {});

} // namespace arv::accounting
