#include "accounting/movementletters.h"

#include <algorithm>
#include <filesystem>

#include "common/docx.h"
#include "common/error.h"
#include "common/mask.h"
#include "common/numfmt.h"
#include "common/office.h"
#include "common/printjob.h"
#include "common/sheet.h"
#include "common/text.h"
#include "records/lookups.h"
#include "store/files.h"
#include "store/keys.h"

namespace arv::accounting {

using namespace store;
using namespace records;

namespace {

constexpr const char* kMsgPrintingReceipt = "Stampa in corso...";
constexpr const char* kSuspendedTitle = "ESTRATTO CONTO POLIZZE IN SOSPESO";
constexpr const char* kSuspendedIntro = "Di seguito le polizze anticipate per Vs. conto che risultano da pagare:";

std::string amountText(const Decimal& d) { return trim(ENSTR(d.round(2))); }
std::string fullDate(Date d) { return d ? d.toDisplayLong() : std::string(); }

// A message per recipient, the agency's copy address as copy; stops at the first that fails.
template <typename Each>
MailRun sendEach(const MailMessage& base, const std::string& copy, const MailSender& send, Each each,
                 const char* none, const char* sentSuffix)
{
    MailRun run;
    each([&](const std::string& name, const std::string& to, const std::string& subject, const std::string& body) {
        MailMessage m = base;
        m.to = to;
        if (filled(copy)) m.cc = {trim(copy)};
        m.subject = subject;
        m.body = body;
        m.html = false;
        if (!send(m)) {
            run.failed = name;
            return false;
        }
        ++run.sent;
        return true;
    });
    run.message = mailRunMessage(run.sent, run.failed, none, sentSuffix);
    return run;
}

} // namespace

// ---------------------------------------------------------------- immediate coverage

CoverageLetter immediateCoverage(Workspace& ws, const Table& movement)
{
    CoverageLetter l;
    l.agreement = ADATICOMP(ws, movement.text("RAPPORTO"));
    if (!filled(l.agreement.companyLine1)) l.agreement.companyLine1 = trim(movement.text("RAPPORTO"));
    l.date = movement.date("DATA");
    l.lines.push_back(coverageLine(movement));
    return l;
}

PrintDocument printImmediateCoverage(Workspace& ws, const Table& movement, const AgencyIdentity& issuer, bool preview,
                                     std::string* message)
{
    TPRINTER job("Stampa coperture immediate", preview, false, {}, true);
    if (movement.eof()) {
        if (message) *message = kMsgNoCoveragePrinted;
        return job.document();
    }
    printCoverageLetter(job, immediateCoverage(ws, movement), issuer);
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

MailRun mailImmediateCoverage(Workspace& ws, const Table& movement, const AgencyIdentity& issuer,
                              const MailMessage& base, const std::string& copy, const MailSender& send)
{
    return sendEach(
        base, copy, send,
        [&](const auto& mail) {
            if (movement.eof()) return;
            const CoverageLetter letter = immediateCoverage(ws, movement);
            if (!filled(letter.agreement.coverageEmail)) return;
            mail(letter.agreement.companyLine1, trim(letter.agreement.coverageEmail), kCoverageSubject,
                 coverageMailBody(letter, issuer));
        },
        kMsgNoCoverageSent, kMsgCoveragesSent);
}

// ---------------------------------------------------------------- payment receipt

std::map<std::string, std::string> receiptPlaceholders(Workspace& ws, const Table& movement, const AgencyIdentity& issuer)
{
    std::map<std::string, std::string> p = {
        {"<societa>", issuer.name},         {"<indirizzo>", issuer.address}, {"<cap>", issuer.postCode},
        {"<citta>", issuer.town},           {"<pr>", issuer.province},       {"<telefono>", issuer.telephone},
        {"<fax>", issuer.fax},              {"<email>", issuer.email},       {"<cellulare>", issuer.mobile},
        {"<scadenza>", fullDate(movement.date("SCADENZA"))},
        {"<data>", fullDate(movement.date("DATA"))},
        {"<totale>", amountText(movement.number("IMPORTO") + movement.number("DIRITTI") + movement.number("COMMISS"))},
        {"<polizza>", trim(movement.text("POLIZZA"))},
    };
    // The policy, its insured and its motor sheet.
    std::string insured = movement.text("ASSICURATO"), company = movement.text("COMPAGNIA"),
                branch = movement.text("RAMO"), fraction, code;
    Date coverage, expiry;
    if (fileExists(ws.folder(), "POLIZZE.DBF") && filled(movement.text("POLIZZA"))) {
        OwnTable pol(ws, "POLIZZE", true);
        pol->ordAdd("NUMPOL");
        if (pol->seek(indexKey(movement.text("POLIZZA"), 25))) {
            insured = pol->text("ASSICURATO");
            company = pol->text("COMPAGNIA");
            branch = pol->text("RAMO");
            fraction = pol->text("FRAZIONAM");
            coverage = pol->date("COPERTURA");
            expiry = pol->date("SCADENZA");
            code = pol->raw("CODICE");
        }
    }
    std::string vehicle, plate;
    if (!code.empty() && fileExists(ws.folder(), "DATIAUTO.DBF")) {
        OwnTable car(ws, "DATIAUTO", true);
        car->ordAdd("DATIAUTO");
        if (car->seek(indexKey(trim(code), 10))) {
            vehicle = joinFilled({car->text("MARCA"), car->text("MODELLO")});
            if (vehicle.empty()) vehicle = trim(car->text("VEICOLO"));
            plate = trim(car->text("TARGA"));
        }
    }
    const ClientData c = ADATIASSI(ws, insured);
    p["<contraente>"] = trim(insured);
    p["<indirizzoc>"] = trim(c.address);
    p["<capc>"] = trim(c.postCode);
    p["<cittac>"] = trim(c.town);
    p["<prc>"] = trim(c.province);
    p["<codfiscc>"] = trim(c.taxCode);
    p["<veicolo>"] = vehicle;
    p["<targa>"] = plate;
    p["<copertura>"] = fullDate(coverage);
    p["<frazionamento>"] = trim(fraction);
    p["<scadenzap>"] = fullDate(expiry);
    p["<compagnia>"] = trim(company);
    p["<ramo>"] = trim(branch);
    return p;
}

std::string printPaymentReceipt(Workspace& ws, const Table& movement, const AgencyIdentity& issuer)
{
    const std::string path = (std::filesystem::path(ws.folder()) / kReceiptTemplate).string();
    if (std::optional<std::string> m = missingTemplateMessage(path)) return *m;
    OfficeHooks& hooks = officeHooks();
    if (hooks.message) hooks.message(kMsgPrintingReceipt, false);
    struct Closer {
        OfficeHooks& h;
        ~Closer()
        {
            if (h.closeMessage) h.closeMessage();
        }
    } closer{hooks};
    std::unique_ptr<WordDocument> doc;
    try {
        doc = WordDocument::open(path);
    } catch (const Error&) {
        return std::string("Impossibile leggere il modello ") + kReceiptTemplate + ".";
    }
    for (const auto& [marker, value] : receiptPlaceholders(ws, movement, issuer)) {
        WORDREPLACEALL(*doc, marker, value);
        WORDREPLACERNGALL(*doc, marker, value);
    }
    if (WORDSHOW(*doc).empty()) return std::string("Impossibile aprire il documento ") + kReceiptTemplate + ".";
    return {};
}

// ---------------------------------------------------------------- suspended items

std::vector<SuspendedClient> suspendedClients(Table& view)
{
    struct Row {
        std::string key, insured;
        SuspendedItem item;
    };
    std::vector<Row> rows;
    const bool none = view.eof();
    const uint32_t here = none ? 0 : view.recno();
    for (view.goTop(); !view.eof(); view.skip(1)) {
        SuspendedItem i{trim(view.text("POLIZZA")), trim(view.text("COMPAGNIA")), trim(view.text("RAMO")),
                        view.date("SCADENZA"), view.date("DATA"),
                        view.number("IMPORTO") + view.number("DIRITTI") + view.number("COMMISS")};
        rows.push_back({Mask::upper(trim(view.text("ASSICURATO"))), trim(view.text("ASSICURATO")), i});
    }
    if (here) view.goTo(here);
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.key != b.key ? a.key < b.key : a.item.date < b.item.date;
    });
    std::vector<SuspendedClient> out;
    std::string last;
    for (const Row& r : rows) {
        if (out.empty() || r.key != last) {
            out.push_back({r.insured, {}});
            last = r.key;
        }
        out.back().items.push_back(r.item);
    }
    return out;
}

namespace {

void suspendedLetter(TPRINTER& job, const ClientData& c, const SuspendedClient& client, const AgencyIdentity& issuer)
{
    const PrintFont body("Arial", 10), bold("Arial", 10, true), head("Arial", 9, true), small("Arial", 9);
    Sheet s(job);
    const double left = 3;
    auto page = [&] {
        job.startPage();
        letterFrame(job, issuer, true);
    };
    page();
    double row = 8;
    for (const std::string& line : {trim(c.title), trim(client.insured), trim(c.address),
                                    joinFilled({c.postCode, c.town, c.province}),
                                    filled(c.fax) ? "Fax: " + trim(c.fax) : std::string()})
        if (!line.empty()) s.put(row++, left + 45, line, body);
    s.put(15.5, left, kSuspendedTitle, PrintFont("Arial", 11, true, false, true));
    s.put(17.5, left, kSuspendedIntro, body);
    auto headings = [&](double at) {
        s.put(at, left, "POLIZZA N.", head);
        s.put(at, left + 20, "SCAD.", head);
        s.put(at, left + 30, "COMPAGNIA", head);
        s.put(at, left + 50, "RAMO", head);
        s.put(at, left + 62, "PREMIO", head, TextAlign::Right, 10);
        job.rule(at + 1.1, left, left + 72);
        return at + 1.5;
    };
    row = headings(20);
    Decimal total;
    for (const SuspendedItem& i : client.items) {
        if (row >= 50) {
            job.endPage();
            page();
            s.put(8, left, kSuspendedTitle, PrintFont("Arial", 11, true, false, true));
            row = headings(10);
        }
        s.put(row, left, utf8Left(i.policy, 20), small);
        s.put(row, left + 20, i.due ? i.due.toDisplay() : std::string(), small);
        s.put(row, left + 30, utf8Left(i.company, 22), small);
        s.put(row, left + 50, utf8Left(i.branch, 14), small);
        s.put(row, left + 62, amountText(i.premium), small, TextAlign::Right, 10);
        total += i.premium.round(2);
        ++row;
    }
    job.rule(row + 0.2, left, left + 72);
    row += 0.5;
    s.put(row, left, "TOTALE", bold);
    s.put(row, left + 62, amountText(total), bold, TextAlign::Right, 10);
    s.put(row + 2, left, "Distinti saluti.", body);
    job.endPage();
}

} // namespace

SuspendedPrint printSuspendedStatements(Workspace& ws, const std::vector<SuspendedClient>& clients,
                                        const AgencyIdentity& issuer, bool preview)
{
    SuspendedPrint out;
    TPRINTER job("Stampa estratto sospesi cliente", preview);
    job.setMargin(3);
    for (const SuspendedClient& client : clients) {
        if (job.cancelled()) break;
        const ClientData c = ADATIASSI(ws, client.insured);
        if (filled(c.email)) {
            ++out.skipped;
            continue;
        }
        suspendedLetter(job, c, client, issuer);
        ++out.printed;
    }
    out.doc = job.document();
    if (out.printed) job.end();
    if (out.printed == 0) out.messages.push_back(kMsgNoSuspendedPrinted);
    if (out.skipped)
        out.messages.push_back("Non stampati " + std::to_string(out.skipped) +
                               " assicurati perché dotati di indirizzo email.");
    return out;
}

std::string suspendedMailBody(const SuspendedClient& client, const AgencyIdentity& issuer)
{
    const std::string crlf = "\r\n";
    std::string b = std::string(kSuspendedTitle) + crlf + crlf + kSuspendedIntro + crlf + crlf + crlf;
    Decimal total;
    for (const SuspendedItem& i : client.items) {
        b += "POLIZZA N.: " + i.policy + crlf;
        b += "SCADENZA: " + (i.due ? i.due.toDisplay() : std::string()) + crlf;
        b += "COMPAGNIA: " + i.company + crlf;
        b += "RAMO: " + i.branch + crlf;
        b += "IMPORTO: " + amountText(i.premium) + crlf + crlf;
        total += i.premium.round(2);
    }
    b += "TOTALE: " + amountText(total) + crlf + crlf + crlf;
    b += "Cordiali saluti." + crlf + crlf;
    for (const std::string& line : issuer.signatureBlock()) b += line + crlf;
    if (filled(issuer.iban)) b += "IBAN: " + trim(issuer.iban) + crlf;
    b += crlf + issuer.confidentialityNotice() + crlf;
    return b;
}

size_t mailableClients(Workspace& ws, const std::vector<SuspendedClient>& clients)
{
    return static_cast<size_t>(std::count_if(clients.begin(), clients.end(), [&ws](const SuspendedClient& c) {
        return filled(ADATIASSI(ws, c.insured).email);
    }));
}

std::string suspendedMailQuestion(size_t clients)
{
    return "Inviare l'estratto conto delle polizze in sospeso a " + std::to_string(clients) +
           (clients == 1 ? " assicurato?" : " assicurati?");
}

MailRun mailSuspendedStatements(Workspace& ws, const std::vector<SuspendedClient>& clients,
                                const AgencyIdentity& issuer, const MailMessage& base, const std::string& copy,
                                const MailSender& send)
{
    return sendEach(
        base, copy, send,
        [&](const auto& mail) {
            for (const SuspendedClient& client : clients) {
                const ClientData c = ADATIASSI(ws, client.insured);
                if (!filled(c.email)) continue;
                if (!mail(client.insured, trim(c.email), kSuspendedSubject, suspendedMailBody(client, issuer))) return;
            }
        },
        kMsgNoSuspendedSent, kMsgSuspendedSent);
}

} // namespace arv::accounting
