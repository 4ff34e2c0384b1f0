#include "reporting/producerstatements.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

#include "accounting/earnings.h"
#include "common/calendar.h"
#include "common/mask.h"
#include "common/numfmt.h"
#include "common/printjob.h"
#include "common/report.h"
#include "common/sheet.h"
#include "common/text.h"
#include "records/lookups.h"
#include "reporting/periods.h"
#include "reporting/scan.h"
#include "store/files.h"
#include "store/keys.h"

namespace arv::reporting {

using namespace store;

namespace {

constexpr const char* kSuspendedAtProducer = "Sospesi da produttori";

// The clients' groups by name (upper case), read once.
std::unordered_map<std::string, std::string> clientGroups(Workspace& ws)
{
    std::unordered_map<std::string, std::string> out;
    if (!fileExists(ws.folder(), "CLIENTI.DBF")) return out;
    OwnTable c(ws, "CLIENTI", true);
    for (c->goTop(); !c->eof(); c->skip(1)) out.emplace(upper(c->text("CLIENTE")), c->text("GRUPPO"));
    return out;
}

} // namespace

// ---------------------------------------------------------------- the statement of account

ProducerStatement producerStatement(Workspace& ws, const ProducerSelection& s)
{
    ProducerStatement out;
    const bool byGroup = filled(s.group);
    const auto groups = byGroup ? clientGroups(ws) : std::unordered_map<std::string, std::string>();
    scanMovements(ws, s.from, s.to, [&](const Table& t) {
        if (!sameName(t.text("PRODUTTORE"), s.producer) || !beginsWith(t.text("RAMO"), s.branch)) return;
        const Decimal amount = t.number("IMPORTO"), producer = t.number("PROVVPROD");
        if (amount.isZero() && producer.isZero()) return;
        if (s.suspendedOnly && trim(t.text("CONTO")) != kSuspendedAtProducer) return;
        if (byGroup) {
            auto g = groups.find(upper(t.text("ASSICURATO")));
            if (g == groups.end() || !beginsWith(g->second, s.group)) return;
        }
        ProducerLine l{t.date("DATA"), t.text("COMPAGNIA"), t.text("DESCRIZIO"), t.text("ASSICURATO"), t.text("TIPO"),
                       t.text("RAMO"), t.text("POLIZZA"), t.date("SCADENZA"), amount, t.number("PROVVAGEN"), producer};
        out.amounts += amount;
        out.agency += l.agency;
        out.producer += producer;
        out.lines.push_back(std::move(l));
    });
    out.amounts = printed(out.amounts);
    out.agency = printed(out.agency);
    out.producer = printed(out.producer);
    return out;
}

PrintDocument printProducerStatement(Workspace& ws, const ProducerSelection& s, bool preview)
{
    const ProducerStatement st = producerStatement(ws, s);
    size_t i = 0;
    auto line = [&st, &i]() -> const ProducerLine& { return st.lines[i]; };
    ReportDescription d;
    d.title = "Estratto conto produttore";
    std::string second = trim(s.producer) + " " + DAL_AL(s.from, s.to);
    if (filled(s.group)) second += "     GRUPPO: " + trim(s.group);
    d.headings = {"ESTRATTO CONTO PRODUTTORE", second};
    d.font = PrintFont("Arial", 8);
    d.landscape = true;
    d.columns = {dateColumn("DATA", [&] { return line().date; }),
                 textColumn("COMPAGNIA", [&] { return line().company; }, 20),
                 textColumn("DESCRIZIONE", [&] { return line().description; }, 18),
                 textColumn("ASSICURATO", [&] { return line().insured; }, 20),
                 textColumn("TIPO", [&] { return line().type; }, 14),
                 textColumn("RAMO", [&] { return line().branch; }, 16),
                 textColumn("POLIZZA N.", [&] { return line().policy; }, 16),
                 textColumn("SCAD.", [&] { return line().due ? line().due.toDisplay().substr(0, 5) : std::string(); }, 7),
                 s.productivity ? amountColumn("PROVV.AGEN", [&] { return line().agency; })
                                : amountColumn("IMPORTO", [&] { return line().amount; }),
                 amountColumn("PROVV.PROD.", [&] { return line().producer; })};
    d.totalLabel = "TOTALE";
    if (s.productivity) {
        d.closingLines = {""};
        d.closingFigures = {{"SALDO", money(st.agency - st.producer)}};
    }
    return runReport(d, indexRows(st.lines.size(), i), preview);
}

// ---------------------------------------------------------------- the commission receipt

ReceiptFigures receiptFigures(const Decimal& gross, const Decimal& rate)
{
    ReceiptFigures f;
    f.gross = printed(gross);
    f.withheld = printed(f.gross * rate / Decimal(100));
    f.net = f.gross - f.withheld;
    return f;
}

PrintDocument printProducerReceipt(Workspace& ws, const std::string& producer, const Decimal& gross, Date from, Date to,
                                   Date today, bool preview)
{
    struct Person {
        std::string name, town, province, address, taxCode, vat;
        Decimal rate;
    } p{trim(producer), {}, {}, {}, {}, {}, {}};
    if (fileExists(ws.folder(), "PRODUTT.DBF")) {
        OwnTable t(ws, "PRODUTT", true);
        t->ordAdd("PRODUTT");
        if (t->seek(indexKey(producer, 35, true)))
            p = {trim(t->text("PRODUTTORE")), t->text("CITTA"),      t->text("PROVINCIA"), t->text("INDIRIZZO"),
                 t->text("CODICEFISC"),       t->text("PARTITAIVA"), t->number("ALIQPR")};
    }
    const AgencyIdentity agency = agencyOf(ws);
    const ReceiptFigures f = receiptFigures(gross, p.rate);

    TPRINTER job("Stampa ricevuta", preview);
    job.setMargin(0);
    Sheet s(job);
    const PrintFont body("Arial", 10), small("Arial", 8), label("Arial", 8, true), title("Arial", 10, true);
    // The agency, the place of issue and the date.
    s.box(1, 7, 0, 32);
    s.put(1.2, 1, "Agenzia", label);
    double row = 2.2;
    for (const std::string& l : {agency.name, agency.address, agency.townLine(),
                                 agency.telephone.empty() ? std::string() : "Tel. " + agency.telephone,
                                 agency.vatNumber.empty() ? std::string() : "P.IVA " + agency.vatNumber})
        if (!l.empty()) s.put(row++, 1, utf8Left(l, 40), body);
    s.box(1, 3, 35, 50);
    s.put(1.2, 36, "Luogo emissione", label);
    s.put(2.4, 36, agency.placeOfIssue(), body);
    s.box(1, 3, 55, 70);
    s.put(1.2, 56, "Data", label);
    s.put(2.4, 56, today.toDisplay(), body);
    s.put(9, 29, "RICEVUTA PAGAMENTO PROVVIGIONI ASSOGGETTATE", title);
    s.put(10, 29, "A R.A. AI SENSI ART. 25-bis D.P.R. 29-9-73 N. 600", title);

    // Label and value boxes side by side.
    auto pair = [&](double top, double bottom, const std::vector<std::string>& labels) {
        s.box(top, bottom, 0, 70);
        for (double r = top; r <= bottom; ++r) s.bars(r, {33});
        for (size_t k = 0; k < labels.size(); ++k) s.put(top + 0.2 + static_cast<double>(k), 1, labels[k], label);
    };
    auto wrapped = [](const std::string& text, size_t width) {
        std::vector<std::string> out;
        std::string rest = trim(text);
        while (utf8Length(rest) > width) {
            std::string head = utf8Left(rest, width);
            const size_t blank = head.rfind(' ');
            if (blank != std::string::npos && blank > 0) head = head.substr(0, blank);
            out.push_back(trim(head));
            rest = trim(rest.substr(head.size()));
        }
        if (!rest.empty() || out.empty()) out.push_back(rest);
        return out;
    };
    s.put(12, 0, "DATI PERCIPIENTE", label);
    pair(13, 14, {"COGNOME NOME O RAGIONE SOCIALE"});
    s.put(13.5, 34, p.name, body);
    pair(16, 19, {"DOMICILIO FISCALE", "(Residenza anagrafica o sede legale)"});
    s.put(16.2, 34, "Città", label);
    s.put(16.2, 50, "Pr.", label);
    s.put(16.2, 55, "Via e n° civico", label);
    row = 17.2;
    for (const std::string& l : wrapped(p.town, 13)) s.put(row++, 34, l, body);
    s.put(17.2, 50, trim(p.province), body);
    row = 17.2;
    for (const std::string& l : wrapped(p.address, 17)) s.put(row++, 55, l, body);
    pair(21, 22, {"CODICE FISCALE"});
    s.put(21.5, 34, trim(p.taxCode), body);
    s.put(21.5, 50, "Partita IVA: " + trim(p.vat), body);
    pair(24, 25, {"QUALIFICA"});
    s.put(24.5, 34, "Produttore", body);

    s.put(28, 0, "SOMMA EROGATA", label);
    pair(29, 30, {"PERIODO DI COMPETENZA"});
    s.put(29.5, 34, periodTitle(from, to), body);
    const std::pair<const char*, Decimal> amounts[] = {
        {"PROVVIGIONI AL LORDO R.A.", f.gross}, {"R.A. APPLICATA", f.withheld}, {"NETTO PAGATO", f.net}};
    row = 32;
    for (const auto& [text, value] : amounts) {
        pair(row, row + 1, {text});
        s.put(row + 0.2, 34, "Euro", body);
        s.put(row + 0.2, 39, trim(ENSTR(value)), body, TextAlign::Right, 11);
        row += 3;
    }

    s.box(42, 43, 0, 33);
    s.put(42.2, 1, "ESENTE DA BOLLO ART. 16 LEGGE 29-10-61", small);
    s.put(43.2, 1, "N. 1216 E ART. 34 5° COMMA D.P.R. 29-9-73 N. 601", small);
    s.box(42, 46, 35, 70);
    row = 42.2;
    for (const char* l : {"ESENTE IVA ART. 10 N. 9 D.P.R. 26-10-72 N. 633", "SE SOTTOSCRITTA DA INTERMEDIARI PROFESSIO-",
                          "NISTI, NON SOGGETTA AD IVA ART. 4 STESSO", "DECRETO SE SOTTOSCRITTA DA PRODUTTORI",
                          "OCCASIONALI"})
        s.put(row++, 36, l, small);

    const PrintFont italic("Arial", 8, false, true);
    row = 49;
    for (const char* l : {"Il sottoscritto con la firma del presente documento rilascia ampia e",
                          "liberatoria quietanza della somma ricevuta e dichiara che i dati iden-",
                          "tificativi ed anagrafici sopra indicati sono esatti, esonerando l'agenzia",
                          "erogante da ogni responsabilità con particolare riferimento a quelle",
                          "connesse alle funzioni di sostituto d'imposta.",
                          "Dichiara inoltre, se intermediario professionale, di essere esonerato",
                          "dall'emissione di fattura ai sensi dell'art. 36-bis D.P.R. 26-10-72 n. 633."})
        s.put(row++, 0, l, italic);
    s.put(58, 10, "In fede.", body);
    s.rule(62, 10, 30);
    return finishJob(job);
}

// ---------------------------------------------------------------- commissions and statistics

std::vector<ProducerCommission> producerCommissions(Workspace& ws, const std::string& producer,
                                                    const std::string& branch, Date from, Date to)
{
    const bool one = filled(producer);
    std::map<std::string, ProducerCommission> by;
    scanAllMovements(ws, [&](const Table& t) {
        const Date closed = t.date("CHIUSURA");
        const std::string who = t.text("PRODUTTORE");
        if (!closed || !within(closed, from, to) || !beginsWith(t.text("RAMO"), branch)) return;
        if (one ? !sameName(who, producer) : !filled(who)) return;
        const Decimal c = t.number("PROVVPROD");
        if (c.isZero()) return;
        ProducerCommission& l = by[one ? closed.dtos() : upper(who)];
        if (l.key.empty()) l.key = one ? closed.dtos() : trim(who);
        l.commissions += c;
    });
    std::vector<ProducerCommission> out;
    for (auto& [key, line] : by) out.push_back(line);
    return out;
}

PrintDocument printProducerCommissions(Workspace& ws, const std::string& producer, const std::string& branch, Date from,
                                       Date to, bool preview)
{
    const std::vector<ProducerCommission> lines = producerCommissions(ws, producer, branch, from, to);
    const bool one = filled(producer);
    size_t i = 0;
    ReportDescription d;
    d.font = PrintFont("Arial", 10);
    if (one) {
        d.title = "Provvigioni produttore";
        d.headings = {"PROVVIGIONI PRODUTTORE", trim(producer) + " " + DAL_AL(from, to)};
        d.columns = {dateColumn("DATA CHIUSURA PERIODO", [&] { return Date::fromDtos(lines[i].key); }, 21)};
    } else {
        d.title = "Provvigioni produttori";
        d.headings = {"PROVVIGIONI PRODUTTORI", periodTitle(from, to)};
        d.columns = {textColumn("PRODUTTORE", [&] { return lines[i].key; }, 35)};
    }
    d.columns.push_back(amountColumn("PROVVIGIONI", [&] { return lines[i].commissions; }));
    d.totalLabel = "TOTALE";
    return runReport(d, indexRows(lines.size(), i), preview);
}

std::vector<YearTotal> oneProducerYears(Workspace& ws, const std::string& producer, const std::string& branch, Date from,
                                        Date to)
{
    std::map<int, Decimal> years;
    scanAllMovements(ws, [&](const Table& t) {
        const Date closed = t.date("CHIUSURA");
        if (!closed || !sameName(t.text("PRODUTTORE"), producer) || !beginsWith(t.text("RAMO"), branch)) return;
        if (PERIODO(closed, from, to)) years[closed.year()] += t.number("PROVVPROD");
    });
    std::vector<YearTotal> out;
    for (const auto& [year, total] : years) out.push_back({year, total});
    return out;
}

PrintDocument printOneProducerStatistics(Workspace& ws, const std::string& producer, const std::string& branch,
                                         Date from, Date to, bool preview)
{
    return printYearTable("Statistiche produttore", {"STATISTICHE PRODUTTORE", trim(producer) + " " + DAL_AL(from, to)},
                          oneProducerYears(ws, producer, branch, from, to), preview);
}

// ---------------------------------------------------------------- productivity

std::vector<Productivity> producerProductivity(Workspace& ws, const std::string& branch, Date from, Date to)
{
    std::map<std::string, Productivity> by;
    scanMovements(ws, from, to, [&](const Table& t) {
        if (t.number("IMPORTO").isZero() && t.number("PROVVPROD").isZero()) return;
        if (!beginsWith(t.text("RAMO"), branch)) return;
        const std::string who = t.text("PRODUTTORE");
        Productivity& p = by[upper(who)];
        if (p.producer.empty()) p.producer = trim(who);
        p.agency += t.number("PROVVAGEN");
        p.producerShare += t.number("PROVVPROD");
    });
    std::vector<Productivity> out;
    for (auto& [key, p] : by) {
        if (p.agency.isZero() && p.producerShare.isZero()) continue;
        p.agency = printed(p.agency);
        p.producerShare = printed(p.producerShare);
        p.productivity = p.agency - p.producerShare;
        out.push_back(p);
    }
    return out;
}

PrintDocument printProducerProductivity(Workspace& ws, const std::string& branch, Date from, Date to, bool preview)
{
    const std::vector<Productivity> lines = producerProductivity(ws, branch, from, to);
    size_t i = 0;
    ReportDescription d;
    d.title = "Produttività produttori";
    d.headings = {"PRODUTTIVITA' PRODUTTORI", periodTitle(from, to)};
    d.font = PrintFont("Arial", 10);
    d.columns = {textColumn("PRODUTTORE", [&] { return lines[i].producer; }, 30),
                 amountColumn("PROVV.AGENZIA", [&] { return lines[i].agency; }),
                 amountColumn("PROVV.PRODUTT.", [&] { return lines[i].producerShare; }),
                 amountColumn("PRODUTTIVITA'", [&] { return lines[i].productivity; })};
    d.totalLabel = "PRODUTTIVITA' TOTALE";
    return runReport(d, indexRows(lines.size(), i), preview);
}

// ---------------------------------------------------------------- overdue collections

std::vector<OverduePolicy> overdueCollections(Workspace& ws, const std::string& producer, Date from, Date to, Date today)
{
    std::vector<OverduePolicy> out;
    if (!fileExists(ws.folder(), "POLIZZE.DBF")) return out;
    OwnTable p(ws, "POLIZZE", true);
    for (p->goTop(); !p->eof(); p->skip(1)) {
        if (filled(p->text("SOSTDA")) || p->logical("DISDETTA") || beginsWith(p->text("PAGAMENTO"), "SOSPESO")) continue;
        const Date coverage = p->date("COPERTURA");
        if (!coverage || !(today > coverage.addDays(10)) || !within(coverage, from, to)) continue;
        if (filled(producer) && !sameName(p->text("PRODUTTORE"), producer)) continue;
        out.push_back({p->text("COMPAGNIA"), p->text("ASSICURATO"), p->text("PRODUTTORE"), p->text("RAPPORTO"),
                       p->text("POLIZZA"), p->text("RAMO"), coverage, p->number("IMPORTO")});
    }
    std::stable_sort(out.begin(), out.end(), [](const OverduePolicy& a, const OverduePolicy& b) {
        const std::string ca = upper(a.company), cb = upper(b.company);
        if (ca != cb) return ca < cb;
        if (a.coverage != b.coverage) return a.coverage < b.coverage;
        return upper(a.insured) < upper(b.insured);
    });
    return out;
}

PrintDocument printOverdueCollections(Workspace& ws, const std::string& producer, Date from, Date to, Date today,
                                      bool preview)
{
    const std::vector<OverduePolicy> rows = overdueCollections(ws, producer, from, to, today);
    const PrintFont font("Arial", 10), bold("Arial", 10, true);
    const char* title = "INCASSI SCADUTI PRODUTTORI";
    const std::string period = periodTitle(from, to);
    TPRINTER job("Incassi scaduti produttori", preview);
    const int at[] = {0, 9, 22, 35, 48, 58};
    const int amountEdge = 75;
    auto pageTop = [&] {
        job.startPage();
        SAYHEADER(title, job, font);
        PRINTTXT(job, {title}, TxtOptions().centred().withFont(PrintFont("Arial", 12, true)));
        if (!period.empty()) PRINTTXT(job, {period}, TxtOptions().centred().withFont(font));
    };
    auto headings = [&](const std::string& company) {
        PRINTTXT(job, {});
        PRINTTXT(job, {"COMPAGNIA: " + company}, TxtOptions().withFont(bold));
        PRINTTXT(job, {"RATA"}, TxtOptions().withFont(bold));
        const char* heads[] = {"ASSICURATO", "PRODUTTORE", "RAPPORTO", "POLIZZA N.", "RAMO"};
        for (int k = 0; k < 5; ++k) PRINTTXT(job, {heads[k]}, TxtOptions::at(at[k + 1]).withFont(bold));
        PRINTTXT(job, {"IMPORTO"}, endingAt(amountEdge, bold));
        job.rule(job.row() + 1, job.margin(), job.margin() + amountEdge);
    };
    auto newPage = [&] {
        job.endPage();
        pageTop();
    };
    auto total = [&](const char* label, const Decimal& amount) {
        job.rule(job.row() + 1.1, job.margin() + at[5], job.margin() + amountEdge);
        PRINTTXT(job, {label}, TxtOptions().withFont(bold));
        PRINTTXT(job, {money(amount)}, endingAt(amountEdge, bold));
    };
    pageTop();
    Decimal grand;
    for (size_t r = 0; r < rows.size();) {
        const std::string company = rows[r].company;
        if (std::lround(job.row()) >= 54) newPage();
        headings(company);
        Decimal sum;
        for (; r < rows.size() && upper(rows[r].company) == upper(company); ++r) {
            const OverduePolicy& o = rows[r];
            const std::vector<std::vector<std::string>> cells = {utf8Pieces(trim(o.insured), 12), utf8Pieces(trim(o.producer), 12),
                                                                 utf8Pieces(trim(o.agreement), 12), utf8Pieces(trim(o.policy), 9),
                                                                 utf8Pieces(trim(o.branch), 9)};
            size_t height = 1;
            for (const auto& c : cells) height = std::max(height, c.size());
            if (std::lround(job.row()) + static_cast<long>(height) > 58) {
                newPage();
                headings(company);
            }
            PRINTTXT(job, {o.coverage.toDisplay()}, TxtOptions().withFont(font));
            PRINTTXT(job, {money(o.amount)}, endingAt(amountEdge, font));
            const double first = job.row();
            for (size_t line = 0; line < height; ++line) {
                job.setRow(first + static_cast<double>(line));
                for (size_t k = 0; k < cells.size(); ++k)
                    if (line < cells[k].size()) PRINTTXT(job, {cells[k][line]}, TxtOptions::at(at[k + 1]).withFont(font));
            }
            sum += printed(o.amount);
        }
        total("TOTALE", sum);
        grand += sum;
    }
    PRINTTXT(job, {});
    total("TOTALE GENERALE", grand);
    return finishJob(job);
}

// ---------------------------------------------------------------- missing documents

PrintDocument printMissingDocuments(Workspace& ws, const std::string& producer, bool preview)
{
    struct Row {
        std::string insured, company, policy, document;
        Date effect;
    };
    std::vector<Row> rows;
    if (fileExists(ws.folder(), "POLIZZE.DBF")) {
        OwnTable p(ws, "POLIZZE", true);
        p->ordAdd("POLIZZE"); // by insured
        for (p->goTop(); !p->eof(); p->skip(1)) {
            if (filled(producer) && !sameName(p->text("PRODUTTORE"), producer)) continue;
            if (beginsWith(p->text("DOCUMENTO"), "COMPLETA")) continue;
            rows.push_back({p->text("ASSICURATO"), p->text("COMPAGNIA"), p->text("POLIZZA"), p->text("DOCUMENTO"),
                            p->date("EFFETTO")});
        }
    }
    size_t i = 0;
    ReportDescription d;
    d.title = "Documentazione mancante";
    d.headings = {"DOCUMENTAZIONE CONTRATTI AUTO MANCANTE",
                  "PRODUTTORE: " + (filled(producer) ? trim(producer) : std::string("Tutti"))};
    d.font = PrintFont("Arial", 10);
    d.columns = {textColumn("ASSICURATO", [&] { return rows[i].insured; }, 18),
                 textColumn("COMPAGNIA", [&] { return rows[i].company; }, 20),
                 textColumn("POLIZZA N.", [&] { return rows[i].policy; }, 16),
                 dateColumn("DATA EFF.", [&] { return rows[i].effect; }, 9),
                 textColumn("DOCUMENTO", [&] { return rows[i].document; }, 15)};
    return runReport(d, indexRows(rows.size(), i), preview);
}

// ---------------------------------------------------------------- the dialog's choice

ProducerProblem producerChoiceProblem(const ProducerChoice& c)
{
    if (c.report == ProducerReport::MissingDocuments && !filled(c.producer)) return {101, "Indicare il produttore."};
    return {};
}

std::vector<PrintDocument> runProducerReport(Workspace& ws, const ProducerChoice& c, Date today, bool preview)
{
    std::vector<PrintDocument> out;
    const bool one = filled(c.producer);
    auto statement = [&](const std::string& producer, bool withPreview, bool productivity) {
        ProducerSelection s{producer, c.branch, c.group, c.from, c.to, c.suspended, productivity};
        out.push_back(printProducerStatement(ws, s, withPreview));
        if (c.receipt && !productivity && !sameName(producer, kAgencyProducer))
            out.push_back(printProducerReceipt(ws, producer, producerStatement(ws, s).producer, c.from, c.to, today,
                                               withPreview));
    };
    switch (c.report) {
    case ProducerReport::Statement:
        if (one) {
            statement(c.producer, preview, false);
        } else {
            // Every producer in turn, straight to the printer.
            for (const std::string& p : records::APRODUTT(ws))
                if (filled(p)) statement(p, false, false);
        }
        break;
    case ProducerReport::Commissions:
        if (c.statistics)
            out.push_back(one ? printOneProducerStatistics(ws, c.producer, c.branch, c.from, c.to, preview)
                              : printProducerStatistics(ws, c.from, c.to, c.branch, preview));
        else
            out.push_back(printProducerCommissions(ws, c.producer, c.branch, c.from, c.to, preview));
        break;
    case ProducerReport::Productivity:
        if (one) statement(c.producer, preview, true);
        else out.push_back(printProducerProductivity(ws, c.branch, c.from, c.to, preview));
        break;
    case ProducerReport::Overdue:
        out.push_back(printOverdueCollections(ws, c.producer, c.from, c.to, today, preview));
        break;
    case ProducerReport::MissingDocuments:
        if (one) out.push_back(printMissingDocuments(ws, c.producer, preview));
        break;
    }
    return out;
}

} // namespace arv::reporting
