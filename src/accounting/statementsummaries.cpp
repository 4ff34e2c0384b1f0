#include "accounting/statementsummaries.h"

#include <algorithm>
#include <map>

#include "accounting/invoices.h"
#include "accounting/remittances.h"
#include "common/calendar.h"
#include "common/mask.h"
#include "common/numfmt.h"
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

std::vector<InvoiceStatementRow> invoiceStatementRows(Workspace& ws, Date from, Date to)
{
    std::vector<InvoiceStatementRow> rows;
    if (fileExists(ws.folder(), "FATTBSA.DBF")) {
        OwnTable f(ws, "FATTBSA", true);
        for (f->goTop(); !f->eof(); f->skip(1)) {
            const long number = static_cast<long>(f->number("NUMERO").toLongLong());
            const Date date = f->date("DATA");
            if (number == 0 || (from && !(date && date >= from)) || (to && !(date && date <= to))) continue;
            InvoiceStatementRow r{number, date, trim(f->text("CLIENTE")), {}, {}, {}};
            const Decimal amount = invoiceTotals(*f).amount;
            (isConsultancy(f->memo("TESTO")) ? r.consultancyInvoice : r.commissionInvoice) = amount;
            rows.push_back(std::move(r));
        }
    }
    for (const StatementRemittance& s : statementRemittances(ws, from, to))
        rows.push_back({0, s.date, s.agreement, {}, {}, s.gross});
    std::stable_sort(rows.begin(), rows.end(),
                     [](const InvoiceStatementRow& a, const InvoiceStatementRow& b) { return a.date < b.date; });
    return rows;
}

PrintDocument printInvoiceStatementSummary(Workspace& ws, Date from, Date to, bool preview)
{
    const std::vector<InvoiceStatementRow> rows = invoiceStatementRows(ws, from, to);
    Decimal all;
    for (const InvoiceStatementRow& r : rows)
        all += r.commissionInvoice.round(2) + r.consultancyInvoice.round(2) + r.statement.round(2);
    size_t i = 0;
    constexpr const char* kMask = "@EZ 9,999,999.99";
    auto amount = [&](const char* heading, Decimal InvoiceStatementRow::*field) {
        return ReportColumn{heading, [&rows, &i, field] { return ReportValue(rows[i].*field); }, kMask, 0, true,
                            ReportAlign::Right};
    };
    ReportDescription d;
    d.title = "Riepilogo fatture/estratti conto";
    d.headings = {"RIEPILOGO FATTURE/ESTRATTI CONTO"};
    const std::string period = DAL_AL(from, to);
    if (!period.empty()) d.headings.push_back(period.substr(2));
    d.font = PrintFont("Arial", 10);
    d.columns = {ReportColumn{"NUMERO",
                              [&] { return ReportValue(rows[i].number ? std::to_string(rows[i].number) : std::string()); },
                              "", 6, false, ReportAlign::Right},
                 ReportColumn{"DATA", [&] { return ReportValue(rows[i].date); }, "", 8},
                 ReportColumn{"CLIENTE", [&] { return ReportValue(rows[i].customer); }, "", 30},
                 amount("FATT.PROVV.", &InvoiceStatementRow::commissionInvoice),
                 amount("FATT.CONS.", &InvoiceStatementRow::consultancyInvoice),
                 amount("E.CONTO", &InvoiceStatementRow::statement)};
    d.totalLabel = "TOTALE";
    d.closingLines = {""};
    d.closingFigures = {{"TOTALE GENERALE:", trim(ENSTR(all))}};
    return runReport(d, indexRows(rows.size(), i), preview);
}

} // namespace arv::accounting
