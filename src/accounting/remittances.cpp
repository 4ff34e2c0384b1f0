#include "accounting/remittances.h"

#include <vector>

#include "accounting/vocabulary.h"
#include "common/cp1252.h"
#include "registry/companies.h"

namespace arv::accounting {

using namespace store;

namespace {

std::string trimmed(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    const size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b);
}

std::string padded(const std::string& utf8, size_t width)
{
    std::string k = utf8ToCp1252(utf8);
    while (!k.empty() && k.back() == ' ') k.pop_back();
    k.resize(width, ' ');
    return k;
}

Date referenceDate(const Table& t)
{
    const Date end = t.date("FINEPER");
    return end ? end : t.date("DATA");
}

bool isPlainRemittance(const Table& t) { return trimmed(t.text("DESCRIZIO")) == "Rimessa"; }

// Positions T (in MOVIPERI) on the last record whose reference date is not after REF; false when
// there is none.
bool lastUpTo(Table& t, Date ref)
{
    t.goBottom();
    if (t.eof()) return false;
    while (referenceDate(t) > ref) {
        t.skip(-1);
        if (t.bof()) return false;
    }
    return true;
}

} // namespace

RemittanceTotals remittanceTotals(Workspace& ws, const std::string& agreement, Date date, Date periodEnd)
{
    RemittanceTotals totals;
    if (trimmed(agreement).empty() || !date) return totals;
    const Date ref = periodEnd ? periodEnd : date;
    OwnTable own(ws, "MOVICOMP", true);
    Table& t = *own;
    t.ordAdd("MOVIPERI");
    if (!lastUpTo(t, ref)) return totals;
    const std::string key = padded(agreement, 35);
    do {
        if (t.raw("RAPPORTO") != key) continue;
        if (isPlainRemittance(t)) {
            if (referenceDate(t) >= ref) {
                totals = RemittanceTotals();
                continue;
            }
            break; // the previous remittance
        }
        const std::string d = trimmed(t.text("DESCRIZIO"));
        if (d != "Incasso diretto" && d != "Incasso provvisorio") totals.premiums += t.number("IMPORTO");
        totals.fees += t.number("DIRITTI");
        totals.commissions += t.number("PROVVAGEN");
        if (d.rfind("Rilievi", 0) == 0) totals.corrections += t.number("IMPORTO");
    } while (t.skip(-1), !t.bof());
    return totals;
}

Decimal remittanceFigure(Workspace& ws, const std::string& agreement, Date date, Date periodEnd, RemittanceFigure figure)
{
    const RemittanceTotals totals = remittanceTotals(ws, agreement, date, periodEnd);
    if (trimmed(agreement).empty() || !date) return Decimal();
    const registry::AgreementTerms terms = registry::agreementTerms(ws, agreement);
    const Decimal withheld = totals.commissions * terms.withholdingRate / Decimal(100);
    if (figure == RemittanceFigure::NetCommission) return totals.commissions - withheld;
    if (terms.remittancesWithoutCommissions) return totals.premiums;
    return totals.premiums - totals.commissions + withheld;
}

size_t markRegistered(Workspace& ws, const std::string& agreement, Date date, Date periodEnd, Date today,
                      uint32_t excluded)
{
    if (trimmed(agreement).empty() || !date) return 0;
    const Date ref = periodEnd ? periodEnd : date;
    OwnTable own(ws, "MOVICOMP");
    Table& t = *own;
    t.ordAdd("MOVIPERI");
    if (!lastUpTo(t, ref)) return 0;
    const std::string key = padded(agreement, 35);
    // The records first, then the writes: a write never moves the walk.
    std::vector<uint32_t> marked;
    do {
        if (t.recno() == excluded || t.raw("RAPPORTO") != key || t.date("CORRISP")) continue;
        if (isPlainRemittance(t)) break;
        marked.push_back(t.recno());
    } while (t.skip(-1), !t.bof());
    for (uint32_t r : marked) {
        t.goTo(r);
        t.lock(true);
        t.setDate("CORRISP", today);
        t.commit();
        t.unlock();
    }
    return marked.size();
}

} // namespace arv::accounting
