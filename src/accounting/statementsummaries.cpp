#include "accounting/statementsummaries.h"

#include <map>

#include "accounting/remittances.h"
#include "common/calendar.h"
#include "common/mask.h"
#include "common/report.h"
#include "common/text.h"
#include "registry/companies.h"
#include "store/files.h"

namespace arv::accounting {

using namespace store;

namespace {

constexpr int kFirstYear = 2019;

bool beginsRemittance(const std::string& description)
{
    return Mask::upper(trim(description)).rfind("RIMESSA", 0) == 0;
}

} // namespace

Decimal grossCommission(const Decimal& net, const Decimal& rate)
{
    const Decimal rest = Decimal(100) - rate;
    return rest.isZero() ? Decimal() : net * Decimal(100) / rest;
}

std::vector<StatementRemittance> statementRemittances(Workspace& ws, Date from, Date to, const std::string& agreement)
{
    std::vector<StatementRemittance> out;
    if (!fileExists(ws.folder(), "MOVICOMP.DBF")) return out;
    std::map<std::string, registry::AgreementTerms> terms;
    auto termsOf = [&](const std::string& name) -> const registry::AgreementTerms& {
        const std::string key = Mask::upper(name);
        auto it = terms.find(key);
        if (it == terms.end()) it = terms.emplace(key, registry::agreementTerms(ws, name)).first;
        return it->second;
    };
    const Date first = Date::fromYmd(kFirstYear, 1, 1);
    const Date start = from && from > first ? from : first;
    OwnTable m(ws, "MOVICOMP", true);
    m->ordAdd("MOVIDATA");
    m->setScope(start.dtos(), to ? to.dtos() : std::string("99999999"));
    // A second cursor walks back from each remittance in the order of the reference dates.
    OwnTable periods(ws, "MOVICOMP", true);
    periods->ordAdd("MOVIPERI");
    for (m->goTop(); !m->eof(); m->skip(1)) {
        if (!beginsRemittance(m->text("DESCRIZIO"))) continue;
        const std::string name = trim(m->text("RAPPORTO"));
        if (filled(agreement) && Mask::upper(name) != Mask::upper(trim(agreement))) continue;
        const registry::AgreementTerms& t = termsOf(name);
        if (!t.closesStatements) continue;
        const RemittanceTotals totals = remittanceTotals(*periods, name, m->date("DATA"), m->date("FINEPER"));
        const Decimal net = totals.commissions - totals.commissions * t.withholdingRate / Decimal(100);
        out.push_back({m->date("DATA"), name, grossCommission(net, t.withholdingRate).round(2)});
    }
    return out;
}

PrintDocument printStatementSummary(Workspace& ws, Date from, Date to, const std::string& agreement, bool preview)
{
    const std::vector<StatementRemittance> rows = statementRemittances(ws, from, to, agreement);
    size_t i = 0;
    ReportDescription d;
    d.title = "Riepilogo estratti conto";
    d.headings = {"RIEPILOGO ESTRATTI CONTO"};
    const std::string period = DAL_AL(from, to);
    if (!period.empty()) d.headings.push_back(period.substr(2));
    d.font = PrintFont("Arial", 10);
    d.columns = {ReportColumn{"DATA", [&] { return ReportValue(rows[i].date); }, "", 8},
                 ReportColumn{"RAPPORTO", [&] { return ReportValue(rows[i].agreement); }, "", 35},
                 ReportColumn{"E.CONTO", [&] { return ReportValue(rows[i].gross); }, "@EZ 9,999,999.99", 0, true,
                              ReportAlign::Right}};
    d.totalLabel = "TOTALE";
    return runReport(d, indexRows(rows.size(), i), preview);
}

} // namespace arv::accounting
