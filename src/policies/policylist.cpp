#include "policies/policylist.h"

#include <memory>

#include "common/instalments.h"
#include "common/mask.h"
#include "common/report.h"
#include "policies/policies.h"
#include "records/reportrows.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

constexpr const char* kAmountMask = "@E 9,999,999.99";
constexpr const char* kTotalMask = "@E 999,999,999.99";

ReportColumn textColumn(Table& t, const char* heading, FieldName field, int width)
{
    return ReportColumn{heading, [&t, field] { return ReportValue(t.text(field)); }, "", width};
}

// Dates take eight characters ("dd/mm/yy"): a narrower column would cut the year.
ReportColumn dateColumn(Table& t, const char* heading, FieldName field)
{
    return ReportColumn{heading, [&t, field] { return ReportValue(t.date(field)); }, "", 8};
}

ReportColumn amountColumn(const char* heading, std::function<Decimal()> value)
{
    ReportColumn c{heading, [value] { return ReportValue(value()); }, kAmountMask, 12, true};
    c.totalMask = kTotalMask;
    return c;
}

// The register's view again: its filter in its own order (no view for no filter).
void restoreFilter(Table& t, const RecordPredicate& filter)
{
    if (t.hasView()) t.clearView();
    if (filter) t.setView(filter, Table::ViewOptions{});
}

// The view key of "Per numero": the number's value in twenty digits, then the number itself.
std::string numberKey(const Table& t)
{
    const std::string n = t.text("POLIZZA");
    std::string value = std::to_string(policyNumberValue(n));
    return std::string(value.size() < 20 ? 20 - value.size() : 0, '0') + value + n;
}

} // namespace

unsigned long long policyNumberValue(const std::string& number)
{
    size_t i = 0;
    while (i < number.size() && number[i] == ' ') ++i;
    unsigned long long v = 0;
    for (; i < number.size() && number[i] >= '0' && number[i] <= '9'; ++i) {
        if (v > (~0ULL - 9) / 10) break; // longer than any key: the digits that fit
        v = v * 10 + static_cast<unsigned long long>(number[i] - '0');
    }
    return v;
}

PrintDocument printPolicyList(Workspace& ws, Table& t, const PolicyListOptions& o)
{
    ReportDescription d;
    d.title = o.title;
    d.headings = {Mask::upper(o.title)};
    d.font = PrintFont("Arial", 8);
    d.landscape = true;
    d.totalLabel = "TOTALE";
    const bool expiryList = o.title == kExpiryListTitle;
    if (o.shortList) {
        d.columns = {textColumn(t, "ASSICURATO", "ASSICURATO", 30), textColumn(t, "COMPAGNIA", "COMPAGNIA", 30),
                     textColumn(t, "POLIZZA N.", "POLIZZA", 16),
                     ReportColumn{"TARGA", [&ws, &t] { return ReportValue(plateOf(ws, t.raw("CODICE"))); }, "", 12},
                     dateColumn(t, "SCAD.", "SCADENZA")};
    } else {
        d.columns = {textColumn(t, "ASSICURATO", "ASSICURATO", 18), textColumn(t, "PRODUTTORE", "PRODUTTORE", 15),
                     textColumn(t, "COMPAGNIA", "COMPAGNIA", 18),   textColumn(t, "RAPPORTO", "RAPPORTO", 18),
                     textColumn(t, "POLIZZA N.", "POLIZZA", 16),    textColumn(t, "RAMO", "RAMO", 14)};
        if (!expiryList) d.columns.push_back(dateColumn(t, "SCAD.", "SCADENZA"));
        d.columns.push_back(dateColumn(t, "COPER.", "COPERTURA"));
        d.columns.push_back(amountColumn("IMPORTO", [&t] {
            return t.number("IMPORTO") + t.number("COMMISS") + t.number("SPESE");
        }));
        if (!expiryList) {
            d.columns.push_back(amountColumn("PORTAFOGLIO", [&t] {
                return t.number("IMPORTO") * Decimal(RATE(t.text("FRAZIONAM")));
            }));
            d.columns.push_back(amountColumn("PROVVIGIONI", [&t] {
                const int times = MOLTIPRATE(t.text("RAMO"), t.date("EFFETTO"), t.date("COPERTURA"))
                                      ? RATE(t.text("FRAZIONAM"))
                                      : 1;
                return t.number("PROVVAGEN") * Decimal(times);
            }));
        }
        d.columns.push_back(textColumn(t, "PAGAMENTO", "PAGAMENTO", 20));
    }
    // The register's own list shows the active policies only; a list with a title of its own
    // prints every policy of its view.
    if (o.title == kDefaultListTitle) d.condition = [&t] { return ATTIVA(t); };
    const uint32_t here = t.eof() ? 0 : t.recno();
    if (o.filter) {
        if (t.hasView()) t.clearView();
        Table::ViewOptions view;
        if (!o.shortList) view.key = numberKey;
        t.setView(*o.filter, view);
    }
    PrintDocument doc;
    try {
        doc = runReport(d, tableRows(t), o.preview);
    } catch (...) {
        if (o.filter) restoreFilter(t, *o.filter);
        throw;
    }
    if (o.filter) restoreFilter(t, *o.filter);
    if (here) t.goTo(here);
    return doc;
}

} // namespace arv::policies
