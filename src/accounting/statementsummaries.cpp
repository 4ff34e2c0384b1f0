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
    struct Listed {
        Date date, ref;
        std::string agreement;
        Decimal rate;
    };
    std::vector<Listed> listed;
    {
        OwnTable m(ws, "MOVICOMP", true);
        m->ordAdd("MOVIDATA");
        m->setScope(start.dtos(), to ? to.dtos() : std::string("99999999"));
        for (m->goTop(); !m->eof(); m->skip(1)) {
            if (!beginsRemittance(m->text("DESCRIZIO"))) continue;
            const std::string name = trim(m->text("RAPPORTO"));
            if (filled(agreement) && Mask::upper(name) != Mask::upper(trim(agreement))) continue;
            const registry::AgreementTerms& t = termsOf(name);
            if (!t.closesStatements) continue;
            const Date end = m->date("FINEPER");
            listed.push_back({m->date("DATA"), end ? end : m->date("DATA"), name, t.withholdingRate});
        }
    }
    // What each remittance settled, found in one pass over the movements.
    std::vector<std::pair<std::string, Date>> asked;
    for (const Listed& l : listed) asked.emplace_back(l.agreement, l.ref);
    const auto totals = remittanceTotals(ws, asked);
    for (const Listed& l : listed) {
        const Decimal commissions = totals.at({l.agreement, l.ref}).commissions;
        const Decimal net = commissions - commissions * l.rate / Decimal(100);
        out.push_back({l.date, l.agreement, grossCommission(net, l.rate).round(2)});
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
