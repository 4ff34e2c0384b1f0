// The cash register (CASSA) without its windows: the payment computation of a row, the balance of
// the cash at a date over the register's current view, the initial balance kept in the settings,
// the fields and rules of the payment dialog, the search and the day's printout. The register
// screen (cashregister.cpp) only shows what is decided here.
#pragma once

#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/printjob.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::accounting {

// Balances and totals: a cash book kept for years passes a million.
inline constexpr const char* kBalanceMask = "@E 99,999,999.99";
// The amounts of a payment, as stored.
inline constexpr const char* kCashAmountMask = "@ZE 999,999.99";

// Values of the payment dialog that are not stored.
inline constexpr const char* kStillDue = "AVERE"; // "Avere:"
inline constexpr const char* kPaid = "PAGATO";    // "Pagato:"

// ---- the payment of one row
struct Payment {
    Decimal due;    // "Avere": what is still owed
    Decimal change; // "Resto": given back
    Decimal paid;   // "Pagato": what moves the cash
};
// From the amount due, the cheque and the cash: difference = amount - cheque - cash; still due the
// difference when positive, else 0; change its absolute value when negative, else 0; paid =
// cheque + cash - change.
Payment payment(const Decimal& amount, const Decimal& cheque, const Decimal& cash);
// The same with a change typed by hand, which is kept.
Payment paymentWithChange(const Decimal& amount, const Decimal& cheque, const Decimal& cash, const Decimal& change);
// The payment of the current record of CASH.
Payment paymentOf(const store::Table& cash);

// ---- balances
// "Cassa" / "Saldo iniziale" in ARV.INI of FOLDER (a plain number; empty or unreadable: 0).
Decimal initialBalance(const std::string& folder);
void setInitialBalance(const std::string& folder, const Decimal& balance);
// The initial balance plus the paid value of every row of the current view (in date order)
// dated on or before DATE. The cursor goes back to its record.
Decimal cashBalanceAt(store::Table& cash, Date date, const Decimal& initial);

// ---- the register's rows
// The client, or the description with its line breaks as blanks when there is no client.
std::string cashParty(const store::Table& cash);

// The fields of the dialog CASSA2, in tab order (ids 101-112); "Avere:" and "Pagato:" are shown only.
const std::vector<records::EditField>& cashFields();
// The copies before the dialog opens: a new row dated today; the derived values of the row.
void prepareCashEdit(records::EditValues& v, bool inserting);
// What leaving field ID (changed) does: the policy number gives the insured; the amount, the
// cheque and the cash compute the payment; a change typed by hand is kept and the rest follows.
void cashFieldLeft(store::Workspace& ws, int id, records::EditValues& v);

// The criteria of RCASSA.
std::vector<records::SearchField> cashSearch();

// "Stampa" of day DAY over the current view: the opening balance at the day before, the day's rows
// with the running balance, the totals and the closing balance. View and record are left as found.
PrintDocument printCashDay(store::Table& cash, Date day, const Decimal& initial, bool preview = true);

} // namespace arv::accounting
