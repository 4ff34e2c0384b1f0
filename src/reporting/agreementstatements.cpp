#include "reporting/agreementstatements.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "accounting/earnings.h"
#include "accounting/vocabulary.h"
#include "common/agency.h"
#include "common/calendar.h"
#include "common/ini.h"
#include "common/mask.h"
#include "common/printjob.h"
#include "common/report.h"
#include "common/text.h"
#include "records/lookups.h"
#include "registry/companies.h"
#include "reporting/periods.h"
#include "reporting/scan.h"
#include "store/files.h"

namespace arv::reporting {

using namespace store;

namespace {

constexpr const char* kSuspendedOnAgreement = "Sospesi compagnie/rapporti";
constexpr const char* kAmountMask = "@E 9,999,999.99";
constexpr const char* kBlankZeroMask = "@EZ 9,999,999.99";

bool isRemittance(std::string_view description) { return accounting::isRemittance(trim(description)); }
bool isIndemnity(std::string_view description) { return beginsWith(description, "INDENNIT"); }

// The withholding rates of the agreements, read once each.
class Rates {
public:
    explicit Rates(Workspace& ws) : ws_(ws) {}
    Decimal of(const std::string& agreement)
    {
        const std::string key = upper(agreement);
        auto it = rates_.find(key);
        if (it == rates_.end()) it = rates_.emplace(key, registry::agreementTerms(ws_, agreement).withholdingRate).first;
        return it->second;
    }

private:
    Workspace& ws_;
    std::map<std::string, Decimal> rates_;
};

} // namespace

Decimal RITENUTA(Workspace& ws, const std::string& agreement, const Decimal& amount)
{
    return amount * registry::agreementTerms(ws, agreement).withholdingRate / Decimal(100);
}

// ---------------------------------------------------------------- the statement of account

Statement agreementStatement(Workspace& ws, const std::string& agreement, const std::string& company, Date from, Date to)
{
    Statement s;
    scanMovements(ws, from, to, [&](const Table& t) {
        if (!sameName(t.text("RAPPORTO"), agreement) || !beginsWith(t.text("COMPAGNIA"), company)) return;
        const std::string description = t.text("DESCRIZIO");
        if (isRemittance(description)) return;
        StatementLine l;
        l.date = t.date("DATA");
        l.description = description;
        l.insured = t.text("ASSICURATO");
        l.company = t.text("COMPAGNIA");
        l.branch = t.text("RAMO");
        l.policy = t.text("POLIZZA");
        l.due = t.date("SCADENZA");
        const bool suspended = trim(t.text("CONTO")) == kSuspendedOnAgreement;
        const std::string d = trim(description);
        l.shown = suspended ? Decimal() : t.number("IMPORTO");
        l.owed = suspended || d == "Incasso diretto" || d == "Incasso provvisorio" ? Decimal() : t.number("IMPORTO");
        l.commission = t.number("PROVVAGEN");
        s.amounts += l.owed;
        s.commissions += l.commission;
        s.lines.push_back(std::move(l));
    });
    s.amounts = printed(s.amounts);
    s.commissions = printed(s.commissions);
    s.withholding = printed(RITENUTA(ws, agreement, s.commissions));
    s.balance = s.amounts - s.commissions + s.withholding;
    return s;
}

PrintDocument printAgreementStatement(Workspace& ws, const std::string& agreement, const std::string& company, Date from,
                                      Date to, bool preview)
{
    const Statement s = agreementStatement(ws, agreement, company, from, to);
    const records::AgreementData a = records::ADATICOMP(ws, agreement);
    const AgencyIdentity agency = agencyOf(ws);
    size_t i = 0;
    auto line = [&s, &i]() -> const StatementLine& { return s.lines[i]; };
    ReportDescription d;
    d.title = "Estratto conto rapporto";
    d.headings = {"ESTRATTO CONTO RAPPORTO " + DAL_AL(from, to), "", "", trim(agreement), trim(a.address),
                  joinFilled({a.postCode, a.town, a.province})};
    d.font = PrintFont("Arial", 8);
    d.landscape = true;
    ReportColumn amount = amountColumn("IMPORTO", [&] { return line().shown; }, kBlankZeroMask);
    amount.totalValue = [&] { return ReportValue(line().owed); };
    d.columns = {dateColumn("DATA", [&] { return line().date; }),
                 textColumn("DESCRIZIONE", [&] { return line().description; }, 16),
                 textColumn("ASSICURATO", [&] { return line().insured; }, 23),
                 textColumn("COMPAGNIA", [&] { return line().company; }, 23),
                 textColumn("RAMO", [&] { return line().branch; }, 20),
                 textColumn("POLIZZA N.", [&] { return line().policy; }, 16),
                 dateColumn("SCADENZA", [&] { return line().due; }, 9),
                 amount,
                 amountColumn("PROVV.AGEN.", [&] { return line().commission; })};
    d.totalLabel = "TOTALE";
    d.closingFigures = {{"RITENUTA D'ACCONTO", money(s.withholding)}, {"SALDO DI RIMESSA", money(s.balance)}};
    d.footer = joinFilled({agency.name, joinFilled({agency.address, agency.townLine()}),
                             agency.vatNumber.empty() ? std::string() : "P.IVA " + agency.vatNumber},
                            " - ");
    return runReport(d, indexRows(s.lines.size(), i), preview);
}

// ---------------------------------------------------------------- commissions earned

std::vector<EarnedLine> agreementCommissions(Workspace& ws, const std::string& agreement, Date from, Date to)
{
    std::map<Date, EarnedLine> byDate;
    scanAllMovements(ws, [&](const Table& t) {
        const Date registered = t.date("CORRISP");
        if (!registered || !within(registered, from, to) || !sameName(t.text("RAPPORTO"), agreement)) return;
        const Decimal c = t.number("PROVVAGEN");
        if (c.isZero()) return;
        EarnedLine& l = byDate[registered];
        l.key = registered.dtos();
        (isIndemnity(t.text("DESCRIZIO")) ? l.indemnities : l.commissions) += c;
    });
    std::vector<EarnedLine> out;
    for (auto& [date, line] : byDate) out.push_back(line);
    return out;
}

PrintDocument printAgreementCommissions(Workspace& ws, const std::string& agreement, Date from, Date to, bool preview)
{
    const std::vector<EarnedLine> lines = agreementCommissions(ws, agreement, from, to);
    Decimal commissions, indemnities;
    for (const EarnedLine& l : lines) {
        commissions += printed(l.commissions);
        indemnities += printed(l.indemnities);
    }
    size_t i = 0;
    ReportDescription d;
    d.title = "Corrispettivi - provvigioni rapporto";
    d.headings = {"CORRISPETTIVI - PROVVIGIONI RAPPORTO", trim(agreement) + " " + DAL_AL(from, to)};
    d.font = PrintFont("Arial", 10);
    d.columns = {dateColumn("DATA REGISTRAZIONE", [&] { return Date::fromDtos(lines[i].key); }, 18),
                 amountColumn("PROVVIGIONI", [&] { return lines[i].commissions; }),
                 amountColumn("INDENNITA'", [&] { return lines[i].indemnities; })};
    d.totalLabel = "TOTALE";
    d.closingLines = {""};
    d.closingFigures = {{"TOTALE COMPLESSIVO", money(commissions + indemnities)}};
    return runReport(d, indexRows(lines.size(), i), preview);
}

std::vector<EarnedLine> allAgreementCommissions(Workspace& ws, Date from, Date to)
{
    struct Row {
        std::string key, agreement;
        Date date;
        uint32_t recno;
        std::string description;
        Decimal commission;
    };
    std::vector<Row> rows;
    scanAllMovements(ws, [&](const Table& t) {
        const Date registered = t.date("CORRISP");
        const std::string agreement = t.text("RAPPORTO");
        if (!registered || !filled(agreement) || !within(registered, from, to)) return;
        rows.push_back({upper(agreement), trim(agreement), t.date("DATA"), t.recno(), t.text("DESCRIZIO"),
                        t.number("PROVVAGEN")});
    });
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.key != b.key) return a.key < b.key;
        if (a.date != b.date) return a.date > b.date;
        return a.recno > b.recno;
    });
    std::vector<EarnedLine> out;
    accounting::EarnedWalk walk;
    std::string last;
    for (const Row& r : rows) {
        if (out.empty() || r.key != last) {
            if (!out.empty() && out.back().commissions.isZero() && out.back().indemnities.isZero()) out.pop_back();
            out.push_back({r.agreement, {}, {}});
            last = r.key;
        }
        if (!walk.counts(r.key, r.description)) continue;
        (isIndemnity(r.description) ? out.back().indemnities : out.back().commissions) += r.commission;
    }
    if (!out.empty() && out.back().commissions.isZero() && out.back().indemnities.isZero()) out.pop_back();
    return out;
}

PrintDocument printAllAgreementCommissions(Workspace& ws, Date from, Date to, bool preview)
{
    const std::vector<EarnedLine> lines = allAgreementCommissions(ws, from, to);
    const PrintFont font("Arial", 10), bold("Arial", 10, true);
    const char* title = "CORRISPETTIVI - PROVVIGIONI RAPPORTI";
    const std::string period = periodTitle(from, to);
    TPRINTER job("Corrispettivi - provvigioni rapporti", preview);
    const int edges[3] = {42, 56, 70};
    auto pageTop = [&] {
        job.startPage();
        SAYHEADER(title, job, font);
        PRINTTXT(job, {title}, TxtOptions().centred().withFont(PrintFont("Arial", 12, true)));
        if (!period.empty()) PRINTTXT(job, {period}, TxtOptions().centred().withFont(font));
        PRINTTXT(job, {});
        PRINTTXT(job, {"RAPPORTO"}, TxtOptions().withFont(bold));
        PRINTTXT(job, {"PROVVIGIONI"}, endingAt(edges[0], bold));
        PRINTTXT(job, {"INDENNITA'"}, endingAt(edges[1], bold));
        PRINTTXT(job, {"TOTALE"}, endingAt(edges[2], bold));
        job.rule(job.row() + 1, job.margin(), job.margin() + edges[2]);
    };
    auto figures = [&](const Decimal& a, const Decimal& b, const PrintFont& f) {
        PRINTTXT(job, {money(a)}, endingAt(edges[0], f));
        PRINTTXT(job, {money(b)}, endingAt(edges[1], f));
        PRINTTXT(job, {money(printed(a) + printed(b))}, endingAt(edges[2], f));
    };
    pageTop();
    Decimal commissions, indemnities;
    for (const EarnedLine& l : lines) {
        if (std::lround(job.row()) >= 57) {
            job.endPage();
            pageTop();
        }
        PRINTTXT(job, {utf8Left(l.key, 30)}, TxtOptions().withFont(font));
        figures(l.commissions, l.indemnities, font);
        commissions += printed(l.commissions);
        indemnities += printed(l.indemnities);
    }
    job.rule(job.row() + 1.2, job.margin(), job.margin() + edges[2]);
    PRINTTXT(job, {});
    PRINTTXT(job, {"TOTALE"}, TxtOptions().withFont(bold));
    figures(commissions, indemnities, bold);
    return finishJob(job);
}

// ---------------------------------------------------------------- premium and commission summary

std::vector<SummaryLine> agreementSummary(Workspace& ws, Date from, Date to)
{
    Rates rates(ws);
    std::map<std::string, SummaryLine> by;
    scanMovements(ws, from, to, [&](const Table& t) {
        const std::string agreement = t.text("RAPPORTO");
        // A remittance settles the collections already counted: its amount is no premium.
        if (!filled(agreement) || isRemittance(t.text("DESCRIZIO"))) return;
        SummaryLine& l = by[upper(agreement)];
        if (l.agreement.empty()) l.agreement = trim(agreement);
        const Decimal c = t.number("PROVVAGEN");
        l.premium += t.number("IMPORTO");
        l.commissions += c;
        l.withholding += c * rates.of(agreement) / Decimal(100);
    });
    std::vector<SummaryLine> out;
    for (auto& [key, l] : by) {
        if (l.premium.isZero() && l.commissions.isZero()) continue;
        l.premium = printed(l.premium);
        l.commissions = printed(l.commissions);
        l.withholding = printed(l.withholding);
        l.net = l.premium - l.commissions + l.withholding;
        out.push_back(l);
    }
    return out;
}

PrintDocument printAgreementSummary(Workspace& ws, Date from, Date to, bool preview)
{
    const std::vector<SummaryLine> lines = agreementSummary(ws, from, to);
    const PrintFont font("Arial", 8), bold("Arial", 8, true);
    const char* title = "RIEPILOGO STATISTICHE RAPPORTI";
    const std::string period = periodTitle(from, to);
    TPRINTER job("Riepilogo statistiche rapporti", preview, false, {}, true);
    const int edges[4] = {34, 46, 58, 70};
    auto pageTop = [&] {
        job.startPage();
        SAYHEADER(title, job, font);
        PRINTTXT(job, {title}, TxtOptions().centred().withFont(PrintFont("Arial", 11, true)));
        if (!period.empty()) PRINTTXT(job, {period}, TxtOptions().centred().withFont(font));
        PRINTTXT(job, {});
        PRINTTXT(job, {"RAPPORTO"}, TxtOptions().withFont(bold));
        int k = 0;
        for (const char* h : {"PREMIO", "PROVVIGIONI", "RITENUTA D'ACCONTO", "NETTO A PAGARE"})
            PRINTTXT(job, {h}, endingAt(edges[k++], bold));
        job.rule(job.row() + 1, job.margin(), job.margin() + edges[3]);
    };
    auto figures = [&](const SummaryLine& l, const PrintFont& f) {
        int k = 0;
        for (const Decimal* v : {&l.premium, &l.commissions, &l.withholding, &l.net})
            PRINTTXT(job, {money(*v)}, endingAt(edges[k++], f));
    };
    pageTop();
    SummaryLine total;
    for (const SummaryLine& l : lines) {
        if (std::lround(job.row()) >= 57) {
            job.endPage();
            pageTop();
        }
        PRINTTXT(job, {utf8Left(l.agreement, 35)}, TxtOptions().withFont(font));
        figures(l, font);
        total.premium += l.premium;
        total.commissions += l.commissions;
        total.withholding += l.withholding;
        total.net += l.net;
    }
    job.rule(job.row() + 1.2, job.margin(), job.margin() + edges[3]);
    PRINTTXT(job, {});
    PRINTTXT(job, {"TOTALE"}, TxtOptions().withFont(bold));
    figures(total, bold);
    return finishJob(job);
}

// ---------------------------------------------------------------- statistics of one agreement

std::vector<YearTotal> oneAgreementYears(Workspace& ws, const std::string& agreement, Date from, Date to)
{
    std::map<int, Decimal> years;
    scanAllMovements(ws, [&](const Table& t) {
        const Date registered = t.date("CORRISP");
        if (!registered || !sameName(t.text("RAPPORTO"), agreement) || !PERIODO(registered, from, to)) return;
        years[registered.year()] += t.number("PROVVAGEN");
    });
    std::vector<YearTotal> out;
    for (const auto& [year, total] : years) out.push_back({year, total});
    return out;
}

PrintDocument printOneAgreementStatistics(Workspace& ws, const std::string& agreement, Date from, Date to, bool preview)
{
    return printYearTable("Statistiche rapporto", {"STATISTICHE RAPPORTO", trim(agreement) + " " + DAL_AL(from, to)},
                          oneAgreementYears(ws, agreement, from, to), preview);
}

// ---------------------------------------------------------------- "Carichi mensili"

std::vector<std::string> monthlyLoadAgreements(Workspace& ws, Date from, Date to)
{
    std::set<std::string> used;
    if (fileExists(ws.folder(), "POLIZZE.DBF")) {
        OwnTable p(ws, "POLIZZE", true);
        for (p->goTop(); !p->eof(); p->skip(1)) {
            const Date coverage = p->date("COPERTURA");
            const std::string agreement = p->text("RAPPORTO");
            if (coverage && filled(agreement) && within(coverage, from, to)) used.insert(upper(agreement));
        }
    }
    std::vector<std::string> out;
    if (used.empty() || !fileExists(ws.folder(), "COMPAGN.DBF")) return out;
    OwnTable c(ws, "COMPAGN", true);
    c->ordAdd("COMPAGN");
    for (c->goTop(); !c->eof(); c->skip(1))
        if (used.count(upper(c->text("COMPAGNIA")))) out.push_back(trim(c->text("COMPAGNIA")));
    return out;
}

PrintDocument printMonthlyLoads(Workspace& ws, Date from, Date to, bool preview)
{
    const std::vector<std::string> names = monthlyLoadAgreements(ws, from, to);
    const PrintFont font("Arial", 12), bold("Arial", 12, true);
    TPRINTER job("Carichi mensili", preview);
    auto pageTop = [&] {
        job.startPage();
        PRINTTXT(job, {"I CONTRATTI IN SCADENZA NEL PERIODO"}, TxtOptions().centred().withFont(bold));
        PRINTTXT(job, {Mask::upper(periodTitle(from, to))}, TxtOptions().centred().withFont(bold));
        PRINTTXT(job, {"INTERESSANO I SEGUENTI RAPPORTI"}, TxtOptions().centred().withFont(bold));
        PRINTTXT(job, {});
    };
    pageTop();
    for (const std::string& name : names) {
        // A long list goes on over further pages, each with the title.
        if (std::lround(job.row()) + 2 > 60) {
            job.endPage();
            pageTop();
        }
        PRINTTXT(job, {});
        PRINTTXT(job, {});
        PRINTTXT(job, {name}, TxtOptions::at(20).withFont(font));
    }
    return finishJob(job);
}

// ---------------------------------------------------------------- the dialog's choice

bool agreementChosenRight(const AgreementChoice& c)
{
    const bool chosen = filled(c.agreement);
    return (chosen && c.report == AgreementReport::Statement) || (!chosen && c.report == AgreementReport::MonthlyLoads) ||
           c.report == AgreementReport::Commissions || c.statistics;
}

ChoiceProblem agreementChoiceProblem(const AgreementChoice& c)
{
    if (!agreementChosenRight(c))
        return {101, c.report == AgreementReport::MonthlyLoads ? "Per i carichi mensili non indicare il rapporto."
                                                               : "Indicare il rapporto."};
    if (c.report == AgreementReport::MonthlyLoads) {
        if (!c.from) return {103, "Indicare il periodo."};
        if (!c.to) return {104, "Indicare il periodo."};
    }
    return {};
}

PrintDocument runAgreementReport(Workspace& ws, const AgreementChoice& c, bool preview)
{
    switch (c.report) {
    case AgreementReport::Statement:
        if (c.statistics) return printAgreementSummary(ws, c.from, c.to, preview);
        return printAgreementStatement(ws, c.agreement, c.company, c.from, c.to, preview);
    case AgreementReport::Commissions:
        if (filled(c.agreement))
            return c.statistics ? printOneAgreementStatistics(ws, c.agreement, c.from, c.to, preview)
                                : printAgreementCommissions(ws, c.agreement, c.from, c.to, preview);
        return c.statistics ? printAgreementStatistics(ws, c.from, c.to, preview)
                            : printAllAgreementCommissions(ws, c.from, c.to, preview);
    case AgreementReport::MonthlyLoads: return printMonthlyLoads(ws, c.from, c.to, preview);
    }
    return {};
}

} // namespace arv::reporting
