#include "claims/statistics.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

#include "common/calendar.h"
#include "common/ini.h"
#include "common/mask.h"
#include "common/movementkinds.h"
#include "common/printjob.h"
#include "common/report.h"
#include "common/text.h"
#include "records/lookups.h"
#include "store/files.h"

namespace arv::claims {

using namespace store;

namespace {

const char* const kSections[] = {"Auto", "Elementare-Inf", "Elementare-Malattia"};
const char* const kMonths[] = {"GENNAIO", "FEBBRAIO", "MARZO",     "APRILE",  "MAGGIO",   "GIUGNO",
                               "LUGLIO",  "AGOSTO",   "SETTEMBRE", "OTTOBRE", "NOVEMBRE", "DICEMBRE"};

std::string upper(const std::string& s) { return Mask::upper(trim(s)); }
bool beginsWith(const std::string& upperText, const std::string& upperStart)
{
    return upperText.compare(0, upperStart.size(), upperStart) == 0;
}

// What the statistics read of a policy, by internal code.
struct PolicyLine {
    std::string producer, branch, insured; // upper case
    std::string insuredShown;
};
std::unordered_map<std::string, PolicyLine> policiesByCode(Workspace& ws)
{
    std::unordered_map<std::string, PolicyLine> out;
    if (!fileExists(ws.folder(), "POLIZZE.DBF")) return out;
    OwnTable p(ws, "POLIZZE", true);
    for (p->goTop(); !p->eof(); p->skip(1)) {
        PolicyLine l{upper(p->text("PRODUTTORE")), upper(p->text("RAMO")), upper(p->text("ASSICURATO")),
                     p->text("ASSICURATO")};
        out.emplace(p->raw("CODICE"), std::move(l));
    }
    return out;
}

std::string amount(const Decimal& d) { return trim(Mask("@E 9,999,999.99").formatNumber(d)); }

// A text ending at column END of the line being printed.
TxtOptions endingAt(int end, const PrintFont& font) { return TxtOptions::at(end - 12).alignRight(12).withFont(font); }

bool inPeriod(Date d, Date from, Date to) { return (!from && !to) || inCalendarWindow(d, from, to); }

} // namespace

// ---------------------------------------------------------------- "Reporting"

int claimChange(const Decimal& p0, const Decimal& pk, int n0, int nk)
{
    if (p0.isZero() || nk == 0) return 0;
    const double c = (pk.toDouble() / p0.toDouble() * n0 / nk - 1) * 100;
    const long r = std::lround(c);
    return r == -100 ? 0 : static_cast<int>(r);
}

std::string changeText(int change) { return change ? std::to_string(change) + "%" : std::string(); }

std::vector<ReportingSection> reportingSections(Workspace& ws, const ReportingCriteria& c, Date today)
{
    const int y = c.to ? c.to.year() : today.year();
    const std::string producer = upper(c.producer);
    // Per section, per company (upper case): the counts and the premiums of the three years.
    std::map<std::string, ReportingLine> found[3];
    auto yearIndex = [y](Date d) { return d ? y - d.year() : -1; };
    auto add = [&](const std::string& branch, const std::string& company, auto&& fn) {
        for (int s = 0; s < 3; ++s)
            if (beginsWith(branch, upper(kSections[s]))) fn(found[s][upper(company)]);
    };
    if (fileExists(ws.folder(), "SINISTRI.DBF")) {
        const auto policies = policiesByCode(ws);
        OwnTable t(ws, "SINISTRI", true);
        for (t->goTop(); !t->eof(); t->skip(1)) {
            if (t->logical("NOREPORT")) continue;
            const int k = yearIndex(t->date("APERTURA"));
            if (k < 0 || k > 2 || !inPeriod(t->date("APERTURA"), c.from, c.to)) continue;
            auto p = policies.find(t->raw("CODPOL"));
            const PolicyLine none;
            const PolicyLine& pl = p == policies.end() ? none : p->second;
            if (!beginsWith(pl.producer, producer)) continue;
            add(pl.branch, t->text("COMPAGNIA"), [k](ReportingLine& l) { ++l.claims[static_cast<size_t>(k)]; });
        }
    }
    if (fileExists(ws.folder(), "MOVICOMP.DBF")) {
        OwnTable m(ws, "MOVICOMP", true);
        for (m->goTop(); !m->eof(); m->skip(1)) {
            if (!isCollection(m->text("DESCRIZIO"))) continue;
            const Date d = m->date("DATA");
            const int k = yearIndex(d);
            if (k < 0 || k > 2 || !inPeriod(d, c.from, c.to)) continue;
            if (!beginsWith(upper(m->text("PRODUTTORE")), producer)) continue;
            const Decimal premium = signedAmount(m->text("CONTO"), m->number("IMPORTO"));
            add(upper(m->text("RAMO")), m->text("COMPAGNIA"),
                [k, &premium](ReportingLine& l) { l.premiums[static_cast<size_t>(k)] += premium; });
        }
    }
    // The companies of the register, in name order.
    std::vector<std::string> companies;
    if (fileExists(ws.folder(), "COMPAGN.DBF")) {
        OwnTable t(ws, "COMPAGN", true);
        t->ordAdd("COMPAGN");
        for (t->goTop(); !t->eof(); t->skip(1)) companies.push_back(t->text("COMPAGNIA"));
    }
    std::vector<ReportingSection> out;
    for (int s = 0; s < 3; ++s) {
        ReportingSection sec;
        sec.branch = kSections[s];
        sec.total.company = "TOTALE";
        const bool motor = beginsWith(upper(sec.branch), "AUTO");
        for (const std::string& name : companies) {
            auto it = found[s].find(upper(name));
            if (it == found[s].end()) continue;
            ReportingLine l = it->second;
            l.company = name;
            const int n = l.claims[0] + l.claims[1] + l.claims[2];
            const Decimal p = l.premiums[0] + l.premiums[1] + l.premiums[2];
            if (!((n > 0 || motor) && p > Decimal())) continue;
            for (size_t k = 0; k < 3; ++k) {
                sec.total.claims[k] += l.claims[k];
                sec.total.premiums[k] += l.premiums[k];
            }
            sec.lines.push_back(std::move(l));
        }
        out.push_back(std::move(sec));
    }
    return out;
}

std::array<std::array<int, 3>, 12> monthlyClaims(Workspace& ws, const ReportingCriteria& c, Date today)
{
    std::array<std::array<int, 3>, 12> out{};
    if (!fileExists(ws.folder(), "SINISTRI.DBF")) return out;
    const auto policies = policiesByCode(ws);
    const std::string company = upper(c.company), branch = upper(c.branch);
    const int first = today.year() - 2;
    OwnTable t(ws, "SINISTRI", true);
    for (t->goTop(); !t->eof(); t->skip(1)) {
        if (t->logical("NOREPORT") || upper(t->text("COMPAGNIA")) != company) continue;
        const int year = std::atoi(trim(t->text("ANNO")).c_str());
        const Date opened = t->date("APERTURA");
        if (year < first || year > today.year() || !opened) continue;
        if (!branch.empty()) {
            auto p = policies.find(t->raw("CODPOL"));
            if (p == policies.end() || !beginsWith(p->second.branch, branch)) continue;
        }
        ++out[static_cast<size_t>(opened.month() - 1)][static_cast<size_t>(year - first)];
    }
    return out;
}

namespace {

void printSections(TPRINTER& job, const ReportingCriteria& c, const std::vector<ReportingSection>& sections, int y)
{
    const PrintFont font("Arial", 7.5), bold("Arial", 7.5, true);
    std::string period = DAL_AL(c.from, c.to);
    period = period.size() > 2 ? period.substr(2) : std::string();
    auto pageTop = [&] {
        job.startPage();
        SAYHEADER("REPORTING SINISTRI", job, font);
        PRINTTXT(job, {"REPORTING SINISTRI"}, TxtOptions().centred().withFont(PrintFont("Arial", 12, true)));
        if (!period.empty()) PRINTTXT(job, {period}, TxtOptions().centred().withFont(font));
        if (filled(c.producer)) PRINTTXT(job, {"PRODUTTORE: " + trim(c.producer)}, TxtOptions().centred().withFont(font));
        PRINTTXT(job, {});
    };
    // Right edges of the figures, on the grid.
    const int numberAt[3] = {22, 40, 58}, premiumAt[3] = {32, 50, 68}, percentAt[3] = {0, 54, 72};
    auto cellRight = [&](int col, const std::string& text, const PrintFont& f) {
        PRINTTXT(job, {text}, endingAt(col, f));
    };
    auto heads = [&](const std::string& branch) {
        PRINTTXT(job, {"RAMO: " + branch}, TxtOptions().withFont(bold));
        for (int k = 0; k < 3; ++k) cellRight(premiumAt[k], "ANNO " + std::to_string(y - k), bold);
        PRINTTXT(job, {"COMPAGNIA"}, TxtOptions().withFont(bold));
        for (int k = 0; k < 3; ++k) {
            cellRight(numberAt[k], "NUM.", bold);
            cellRight(premiumAt[k], "SU PORT.INC.", bold);
            if (k) cellRight(percentAt[k], "PERC.", bold);
        }
        job.rule(job.row() + 1, job.margin(), 78);
    };
    auto line = [&](const ReportingLine& l, const PrintFont& f) {
        PRINTTXT(job, {utf8Left(l.company, 30)}, TxtOptions().withFont(f));
        for (size_t k = 0; k < 3; ++k) {
            cellRight(numberAt[k], std::to_string(l.claims[k]), f);
            cellRight(premiumAt[k], amount(l.premiums[k]), f);
            if (k) cellRight(percentAt[k], changeText(claimChange(l.premiums[0], l.premiums[k], l.claims[0], l.claims[k])), f);
        }
    };
    pageTop();
    for (const ReportingSection& s : sections) {
        if (std::lround(job.row()) > 55) {
            job.endPage();
            job.setRow(2);
            pageTop();
        }
        PRINTTXT(job, {});
        heads(s.branch);
        for (const ReportingLine& l : s.lines) {
            if (std::lround(job.row()) > 60) {
                job.endPage();
                job.setRow(2);
                pageTop();
                heads(s.branch);
            }
            line(l, font);
        }
        line(s.total, bold);
    }
    job.endPage();
}

void printMonthly(TPRINTER& job, const ReportingCriteria& c, const std::array<std::array<int, 3>, 12>& counts, int year)
{
    const PrintFont font("Arial", 10), bold("Arial", 10, true);
    job.startPage();
    SAYHEADER("REPORTING NUMERICO SINISTRI", job, font);
    PRINTTXT(job, {"REPORTING NUMERICO SINISTRI"}, TxtOptions().centred().withFont(PrintFont("Arial", 14, true)));
    PRINTTXT(job, {});
    PRINTTXT(job, {"COMPAGNIA: " + trim(c.company)}, TxtOptions().withFont(bold));
    if (filled(c.branch)) PRINTTXT(job, {"RAMO: " + trim(c.branch)}, TxtOptions().withFont(bold));
    PRINTTXT(job, {});
    const int at[3] = {30, 45, 60};
    PRINTTXT(job, {"MESE"}, TxtOptions().withFont(bold));
    for (int k = 0; k < 3; ++k)
        PRINTTXT(job, {std::to_string(year - 2 + k)}, endingAt(at[k], bold));
    job.rule(job.row() + 1, job.margin(), 70);
    std::array<int, 3> totals{};
    for (size_t m = 0; m < 12; ++m) {
        PRINTTXT(job, {kMonths[m]}, TxtOptions().withFont(font));
        for (size_t k = 0; k < 3; ++k) {
            totals[k] += counts[m][k];
            PRINTTXT(job, {std::to_string(counts[m][k])}, endingAt(at[k], font));
        }
    }
    job.rule(job.row() + 1, job.margin(), 70);
    PRINTTXT(job, {"TOTALE"}, TxtOptions().withFont(bold));
    for (size_t k = 0; k < 3; ++k)
        PRINTTXT(job, {std::to_string(totals[k])}, endingAt(at[k], bold));
    job.endPage();
}

} // namespace

PrintDocument printReporting(Workspace& ws, const ReportingCriteria& c, Date today, bool preview)
{
    const bool monthly = filled(c.company);
    TPRINTER job(monthly ? "Reporting numerico sinistri" : "Reporting sinistri", preview, false, {}, !monthly);
    if (monthly) printMonthly(job, c, monthlyClaims(ws, c, today), today.year());
    else printSections(job, c, reportingSections(ws, c, today), c.to ? c.to.year() : today.year());
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

// ---------------------------------------------------------------- "Rapporto S/P"

LossRatio lossRatio(const Decimal& gross, const Decimal& paid)
{
    LossRatio r;
    r.gross = gross;
    r.net = (gross / Decimal(2)).round(2);
    r.paid = paid;
    r.margin = r.net - paid;
    r.percent = gross.isZero() ? Decimal() : (paid / gross * Decimal(200)).round(2);
    return r;
}

LossRatioReport lossRatioReport(Workspace& ws, const LossRatioCriteria& c)
{
    LossRatioReport out;
    const std::string company = upper(c.company), producer = upper(c.producer), branch = upper(c.branch);
    auto inDates = [&c](Date d) { return (!c.from || (d && d >= c.from)) && (!c.to || (d && d <= c.to)); };
    Decimal paid, gross;
    if (fileExists(ws.folder(), "SINISTRI.DBF")) {
        const auto policies = policiesByCode(ws);
        struct Row {
            Date opened;
            std::string insured;
            uint32_t recno;
        };
        std::vector<Row> rows;
        OwnTable t(ws, "SINISTRI", true);
        for (t->goTop(); !t->eof(); t->skip(1)) {
            if (t->logical("NOREPORT") || !inDates(t->date("APERTURA"))) continue;
            if (!beginsWith(upper(t->text("COMPAGNIA")), company)) continue;
            auto p = policies.find(t->raw("CODPOL"));
            const PolicyLine none;
            const PolicyLine& pl = p == policies.end() ? none : p->second;
            if (!beginsWith(pl.producer, producer) || !beginsWith(pl.branch, branch)) continue;
            rows.push_back({t->date("APERTURA"), pl.insured, t->recno()});
            paid += t->number("IMPORTO");
        }
        std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            return a.opened != b.opened ? a.opened < b.opened : a.insured < b.insured;
        });
        for (const Row& r : rows) out.claims.push_back(r.recno);
    }
    if (fileExists(ws.folder(), "MOVICOMP.DBF")) {
        OwnTable m(ws, "MOVICOMP", true);
        for (m->goTop(); !m->eof(); m->skip(1)) {
            if (!isCollection(m->text("DESCRIZIO")) || !inDates(m->date("DATA"))) continue;
            if (!beginsWith(upper(m->text("COMPAGNIA")), company) || !beginsWith(upper(m->text("PRODUTTORE")), producer) ||
                !beginsWith(upper(m->text("RAMO")), branch))
                continue;
            gross += signedAmount(m->text("CONTO"), m->number("IMPORTO"));
        }
    }
    out.figures = lossRatio(gross, paid);
    return out;
}

PrintDocument printLossRatio(Workspace& ws, const LossRatioCriteria& c, bool preview)
{
    const LossRatioReport r = lossRatioReport(ws, c);
    OwnTable t(ws, "SINISTRI", true);
    size_t current = 0;
    auto at = [&] {
        t->goTo(r.claims[current]);
        return &*t;
    };
    Workspace* w = &ws;
    auto text = [&](const char* heading, std::function<std::string(const Table&)> value, int width) {
        return ReportColumn{heading, [&, value] { return ReportValue(value(*at())); }, "", width};
    };
    ReportDescription d;
    d.title = "Stampa rapporto s/p";
    d.headings = {"STAMPA RAPPORTO S/P"};
    d.font = PrintFont("Arial", 8);
    d.landscape = true;
    d.columns = {ReportColumn{"DATA", [&] { return ReportValue(at()->date("APERTURA")); }, "", 8},
                 text("COMPAGNIA", [](const Table& x) { return x.text("COMPAGNIA"); }, 25),
                 text("NUM.", [](const Table& x) { return x.text("NUMERO"); }, 12),
                 text("PRODUTTORE", [w](const Table& x) { return records::PRODUTT(*w, x.text("POLIZZA")); }, 25),
                 text("ASSICURATO", [w](const Table& x) { return records::ASSICURATO(*w, x.text("POLIZZA")); }, 25),
                 text("POLIZZA N.", [](const Table& x) { return x.text("POLIZZA"); }, 16),
                 text("TIPO", [](const Table& x) { return x.text("TIPO"); }, 15),
                 ReportColumn{"LIQUIDATO", [&] { return ReportValue(at()->number("IMPORTO")); }, "@E 9,999,999.99", 12,
                              false, ReportAlign::Right}};
    const LossRatio& f = r.figures;
    d.closingLines = {""};
    d.closingFigures = {{"TOTALE PREMI LORDI INCASSATI COMPRESO ARD", amount(f.gross)},
                        {"TOTALE PREMI NETTI CALCOLO APPROSSIMATO", amount(f.net)},
                        {"TOTALE LIQUIDATO", amount(f.paid)},
                        {"CALCOLO RAPPORTO S/P SUL NETTO APPROSSIMATO", amount(f.margin)},
                        {"% RAPPORTO S/P", trim(Mask("@E 9999.99").formatNumber(f.percent))}};
    return runReport(d, indexRows(r.claims.size(), current), preview);
}

// ---------------------------------------------------------------- "Riepilogo"

std::vector<SummaryLine> claimSummary(Workspace& ws, const std::string& iniPath, Date today)
{
    const int first = today.year() - 4;
    // The motor claims by the client of their policy (the policy's insured as it is now).
    std::unordered_map<std::string, std::array<int, 5>> counted;
    if (fileExists(ws.folder(), "SINISTRI.DBF")) {
        const auto policies = policiesByCode(ws);
        OwnTable t(ws, "SINISTRI", true);
        for (t->goTop(); !t->eof(); t->skip(1)) {
            auto p = policies.find(t->raw("CODPOL"));
            if (p == policies.end() || p->second.branch != "AUTO") continue;
            const Date opened = t->date("APERTURA");
            if (!opened || opened.year() < first || opened.year() > today.year()) continue;
            ++counted[p->second.insured][static_cast<size_t>(opened.year() - first)];
        }
    }
    const IniFile ini(iniPath);
    std::vector<SummaryLine> out;
    if (!fileExists(ws.folder(), "CLIENTI.DBF")) return out;
    OwnTable c(ws, "CLIENTI", true);
    c->ordAdd("CLIENTI");
    for (c->goTop(); !c->eof(); c->skip(1)) {
        SummaryLine l;
        l.client = trim(c->text("CLIENTE"));
        auto it = counted.find(Mask::upper(l.client));
        for (size_t k = 0; k < 5; ++k) {
            l.years[k] = it == counted.end() ? 0 : it->second[k];
            l.years[k] += ini.getInt("Sinistri", std::to_string(first + static_cast<int>(k)) + " " + l.client, 0);
            l.total += l.years[k];
        }
        if (l.total != 0) out.push_back(std::move(l));
    }
    return out;
}

PrintDocument printSummary(Workspace& ws, const std::string& iniPath, Date today, bool preview)
{
    const std::vector<SummaryLine> lines = claimSummary(ws, iniPath, today);
    const int first = today.year() - 4;
    TPRINTER job("Riepilogo sinistri", preview);
    const PrintFont font("Arial", 9), bold("Arial", 9, true);
    const int at[6] = {45, 51, 57, 63, 69, 76};
    auto pageTop = [&] {
        job.startPage();
        SAYHEADER("RIEPILOGO SINISTRI", job, font);
        PRINTTXT(job, {"RIEPILOGO SINISTRI"}, TxtOptions().centred().withFont(PrintFont("Arial", 12, true)));
        PRINTTXT(job, {});
        PRINTTXT(job, {"ASSICURATO"}, TxtOptions().withFont(bold));
        for (int k = 0; k < 5; ++k)
            PRINTTXT(job, {std::to_string(first + k)}, endingAt(at[k] - 5, bold));
        PRINTTXT(job, {"TOTALE"}, endingAt(at[5] - 5, bold));
        job.rule(job.row() + 1, job.margin(), 78);
    };
    pageTop();
    for (const SummaryLine& l : lines) {
        if (std::lround(job.row()) > 60) {
            job.endPage();
            job.setRow(2);
            pageTop();
        }
        PRINTTXT(job, {utf8Left(l.client, 40)}, TxtOptions().withFont(font));
        for (size_t k = 0; k < 5; ++k)
            PRINTTXT(job, {std::to_string(l.years[k])}, endingAt(at[k] - 5, font));
        PRINTTXT(job, {std::to_string(l.total)}, endingAt(at[5] - 5, bold));
    }
    job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

} // namespace arv::claims
