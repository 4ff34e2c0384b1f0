// The prima nota, the agency's daybook, without its windows: the accounts it is kept by, which
// side of an account an amount falls on, the movements of a period account by account (company
// movements by their effective date, accounting movements by their date), the printout "Stampa
// prima nota" and the year-by-year comparison "Statistiche prima nota". The year rows and their
// printout are shared with the accounting summary (accountsummary.h).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "store/workspace.h"

namespace arv::accounting {

// ---- accounts and sides

// The 28 accounts of the prima nota, "Cassa" ... "Assegni/bonifici C/C Post", in their order.
const std::vector<std::string>& primaNotaAccounts();
// The full (daily) prima nota prints the first six: "Cassa", "C/C Postale", "Banca 1" to "Banca 4".
inline constexpr size_t kFullPrimaNotaAccounts = 6;
// A movement's own account (CONTO, trailing blanks ignored) belongs to a prima-nota account when it
// begins with it: "Cassa" holds "Cassa entrate" and "Cassa uscite".
bool inPrimaNotaAccount(std::string_view conto, std::string_view account);

// The prima nota's sides: an amount is income on an account ending in "entrate" or beginning with
// "Sospesi", expense on one ending in "uscite" or beginning with "Assegni" or "Carta di credito";
// "Entrate compensate" is neither.
bool primaNotaIncome(std::string_view conto);
bool primaNotaExpense(std::string_view conto);

// The accounting summary's sides: income on "Cassa entrate", "C/C Postale entrate", "Banca 1
// entrate" ... "Banca 4 entrate", "Ricaricabile 1 entrate" ... "Ricaricabile 4 entrate"; neither
// on an account beginning with "Sospesi"; every other account is a cost ("Entrate compensate"
// too).
enum class SummarySide { Income, Cost, Neither };
SummarySide summarySide(std::string_view conto);

// ---- the selection

// DATE within FROM and TO, each bound applied only when given (an empty DATE is out of a bound).
bool withinPeriod(Date date, Date from, Date to);
// An amount as the books print it: "1.234,56", "-50,00".
std::string bookAmount(const Decimal& amount);

struct PrimaNotaCriteria {
    Date from, to;           // either may be empty (that side open)
    bool full = false;       // the six accounts of the daily prima nota
    std::string account;     // else one account of the list ...
    std::string description; // ... or a description (company movements: their description begins
                             // with its first 25 characters; accounting movements: their entry or
                             // their description begins with it)
    std::string entry;       // "Contabilità:": the accounting movements whose entry begins with it
};

inline constexpr const char* kMsgAccountOrDescription = "Scegliere il conto oppure la descrizione: uno dei due, non entrambi.";
// "" when the criteria choose exactly one of account and description, else the message above.
std::string primaNotaCriteriaProblem(const PrimaNotaCriteria& c);

struct CompanyRow {
    Date date;               // effective: RIENTRO when set, else DATA
    std::string description, producer, agreement, insured, policy;
    Date due;
    Decimal income, expense;
    uint32_t recno = 0;
};
struct LedgerRow {
    Date date;
    std::string description, detail, cheque;
    Date document;
    Decimal income, expense;
    uint32_t recno = 0;
};
template <class Row>
Decimal sectionBalance(const std::vector<Row>& rows)
{
    Decimal b;
    for (const Row& r : rows) b += r.income - r.expense;
    return b;
}

struct PrimaNotaSection {
    std::string account;              // the account printed above the sections (full prima nota)
    std::vector<CompanyRow> company;  // in effective-date order
    std::vector<LedgerRow> ledger;    // in date order
};
struct PrimaNota {
    std::vector<PrimaNotaSection> sections; // one per account (one for an account or a description)
    Decimal balance() const;                // the sum of every section's balance
};

// The movements of the criteria, each table read once: MOVICOMP in date order up to "al" (a
// returned movement's DATA is earlier than its effective date), MOVICONT from "dal" to "al".
// Movements with a zero amount are left out.
PrimaNota primaNota(store::Workspace& ws, const PrimaNotaCriteria& c);

// "PRIMA NOTA DEL 10/05/25", "PRIMA NOTA - Dal 01/05/25 al 31/05/25", "PRIMA NOTA CASSA - Dal ...".
std::string primaNotaTitle(const PrimaNotaCriteria& c);

// "Stampa prima nota" (landscape): per account a "MOVIMENTI COMPAGNIE" and a "MOVIMENTI
// CONTABILITA'" section with "TOTALE" and "SALDO", an empty section left out, then "SALDO TOTALE".
PrintDocument printPrimaNota(store::Workspace& ws, const PrimaNotaCriteria& c, bool preview = true);

// ---- year by year

struct YearFigures {
    Decimal income, expense;
};
// One printed year: its figures, each against the year before, the total and its percentage.
struct StatisticsLine {
    int year = 0;
    Decimal income, incomeChange, expense, expenseChange, total, totalChange;
    std::string percent; // "17%", blank when the previous total is not positive or it rounds to 0
};
// The lines of the years FIRST to LAST (none when FIRST is nullopt): a year is printed when its
// income or expense is not zero; every year, printed or not, becomes the previous one.
std::vector<StatisticsLine> statisticsLines(std::optional<int> first, int last, const std::map<int, YearFigures>& years);

// The years the statistics run over: from the first to the last year of the tables that hold
// movements; nullopt when none does.
struct YearSpan {
    std::optional<int> first;
    int last = 0;
    void add(Date d);
};

// "Statistiche prima nota" of an account or a description (criteria as above; "full" is not
// used): per year, within the calendar window of "dal" and "al" (day and month, round the year
// end when "dal" comes later), the income and expense of the company movements and of the
// accounting movements.
std::vector<StatisticsLine> primaNotaStatistics(store::Workspace& ws, const PrimaNotaCriteria& c);
PrintDocument printPrimaNotaStatistics(store::Workspace& ws, const PrimaNotaCriteria& c, bool preview = true);

// The year table both statistics print (Arial 10): the page header HEADER, SUBTITLE, two empty
// lines, "ANNO", "ENTRATE", "DIFFERENZA", "USCITE", "DIFFERENZA", "TOTALE", "DIFFERENZA",
// "PERC."; a new page with the heading again from line 60.
PrintDocument printStatisticsLines(const std::string& docName, const std::string& header, const std::string& subtitle,
                                   const std::vector<StatisticsLine>& lines, bool preview);

} // namespace arv::accounting
