#include "accounting/remittances.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

#include "accounting/vocabulary.h"
#include "common/agency.h"
#include "common/calendar.h"
#include "common/ini.h"
#include "common/numfmt.h"
#include "common/printjob.h"
#include "common/sendmail.h"
#include "common/sheet.h"
#include "common/text.h"
#include "registry/companies.h"
#include "records/lookups.h"
#include "store/keys.h"

namespace arv::accounting {

using namespace store;
using namespace records;

namespace {

Date referenceDate(const Table& t)
{
    const Date end = t.date("FINEPER");
    return end ? end : t.date("DATA");
}

bool isPlainRemittance(const Table& t) { return trim(t.text("DESCRIZIO")) == "Rimessa"; }

// What a movement other than a remittance adds to the totals of its agreement.
void addMovement(RemittanceTotals& totals, const Table& t)
{
    const std::string d = trim(t.text("DESCRIZIO"));
    if (d != "Incasso diretto" && d != "Incasso provvisorio") totals.premiums += t.number("IMPORTO");
    totals.fees += t.number("DIRITTI");
    totals.commissions += t.number("PROVVAGEN");
    if (d.rfind("Rilievi", 0) == 0) totals.corrections += t.number("IMPORTO");
}

// Positions T (in MOVIPERI) on the last record whose reference date is not after REF; false when
// there is none. A soft seek finds the first key past REF; the record before it is the one.
bool lastUpTo(Table& t, Date ref)
{
    t.seek(ref.addDays(1).dtos(), true);
    if (t.eof()) t.goBottom();
    else t.skip(-1);
    if (t.eof() || t.bof()) return false;
    while (referenceDate(t) > ref) {
        t.skip(-1);
        if (t.bof()) return false;
    }
    return true;
}

} // namespace

RemittanceTotals remittanceTotals(Workspace& ws, const std::string& agreement, Date date, Date periodEnd)
{
    if (!filled(agreement) || !date) return RemittanceTotals();
    OwnTable own(ws, "MOVICOMP", true);
    own->ordAdd("MOVIPERI");
    return remittanceTotals(*own, agreement, date, periodEnd);
}

RemittanceTotals remittanceTotals(Table& t, const std::string& agreement, Date date, Date periodEnd)
{
    RemittanceTotals totals;
    if (!filled(agreement) || !date) return totals;
    const Date ref = periodEnd ? periodEnd : date;
    if (!lastUpTo(t, ref)) return totals;
    const std::string key = indexKey(agreement, 35);
    do {
        if (t.raw("RAPPORTO") != key) continue;
        if (isPlainRemittance(t)) {
            if (referenceDate(t) >= ref) {
                totals = RemittanceTotals();
                continue;
            }
            break; // the previous remittance
        }
        addMovement(totals, t);
    } while (t.skip(-1), !t.bof());
    return totals;
}

std::map<std::pair<std::string, Date>, RemittanceTotals>
remittanceTotals(Workspace& ws, const std::vector<std::pair<std::string, Date>>& asked)
{
    std::map<std::pair<std::string, Date>, RemittanceTotals> out;
    // The reference dates asked, per agreement key.
    std::map<Date, std::vector<std::string>> byDate;
    for (const auto& [agreement, ref] : asked) {
        if (!filled(agreement) || !ref) continue;
        byDate[ref].push_back(indexKey(agreement, 35));
        out[{agreement, ref}];
    }
    if (byDate.empty()) return out;
    // One pass in reference-date order: each agreement's totals since its latest remittance, and
    // the totals a remittance found on reaching its date (the first remittance of a date settles).
    std::map<std::string, RemittanceTotals> running;
    std::map<std::pair<std::string, Date>, RemittanceTotals> settled;
    OwnTable own(ws, "MOVICOMP", true);
    Table& t = *own;
    t.ordAdd("MOVIPERI");
    const Date last = byDate.rbegin()->first;
    auto answer = [&](Date ref) {
        auto it = byDate.find(ref);
        if (it == byDate.end()) return;
        for (const std::string& key : it->second) {
            auto s = settled.find({key, ref});
            const RemittanceTotals totals = s != settled.end() ? s->second : running[key];
            for (const auto& [agreement, date] : asked)
                if (date == ref && indexKey(agreement, 35) == key) out[{agreement, ref}] = totals;
        }
        byDate.erase(it);
    };
    Date group;
    for (t.goTop(); !t.eof(); t.skip(1)) {
        const Date ref = referenceDate(t);
        if (ref > last) break;
        if (ref != group) {
            // Every date asked before this one is complete.
            while (!byDate.empty() && byDate.begin()->first < ref) answer(byDate.begin()->first);
            group = ref;
        }
        const std::string key = t.raw("RAPPORTO");
        if (isPlainRemittance(t)) {
            settled.emplace(std::make_pair(key, ref), running[key]);
            running[key] = RemittanceTotals();
            continue;
        }
        addMovement(running[key], t);
    }
    while (!byDate.empty()) answer(byDate.begin()->first);
    return out;
}

Decimal remittanceFigure(Workspace& ws, const std::string& agreement, Date date, Date periodEnd, RemittanceFigure figure)
{
    const RemittanceTotals totals = remittanceTotals(ws, agreement, date, periodEnd);
    if (!filled(agreement) || !date) return Decimal();
    const registry::AgreementTerms terms = registry::agreementTerms(ws, agreement);
    const Decimal withheld = totals.commissions * terms.withholdingRate / Decimal(100);
    if (figure == RemittanceFigure::NetCommission) return totals.commissions - withheld;
    if (terms.remittancesWithoutCommissions) return totals.premiums;
    return totals.premiums - totals.commissions + withheld;
}

size_t markRegistered(Workspace& ws, const std::string& agreement, Date date, Date periodEnd, Date today,
                      uint32_t excluded)
{
    if (!filled(agreement) || !date) return 0;
    const Date ref = periodEnd ? periodEnd : date;
    OwnTable own(ws, "MOVICOMP");
    Table& t = *own;
    t.ordAdd("MOVIPERI");
    if (!lastUpTo(t, ref)) return 0;
    const std::string key = indexKey(agreement, 35);
    // The records first, then the writes: a write never moves the walk.
    std::vector<uint32_t> marked;
    do {
        if (t.recno() == excluded || t.raw("RAPPORTO") != key || t.date("CORRISP")) continue;
        if (isPlainRemittance(t)) break;
        marked.push_back(t.recno());
    } while (t.skip(-1), !t.bof());
    return writeRecords(t, marked, [today](Table& r) {
        r.setDate("CORRISP", today);
        return true;
    });
}

size_t writeRecords(Table& t, const std::vector<uint32_t>& recnos, const std::function<bool(Table&)>& change)
{
    size_t changed = 0;
    for (uint32_t r : recnos) {
        t.goTo(r);
        if (t.eof() || t.deleted()) continue;
        t.lock(true);
        if (change(t)) {
            t.commit();
            ++changed;
        }
        t.unlock();
    }
    return changed;
}

// ---------------------------------------------------------------- documents of a remittance

namespace {

// What the documents print of an agreement, read from COMPAGN under an alias of its own.
struct AgreementAddress {
    std::string name1, name2, street, postCode, town, province, vat;
};

AgreementAddress agreementAddress(Workspace& ws, const std::string& agreement)
{
    AgreementAddress a;
    try {
        OwnTable own(ws, "COMPAGN", true);
        own->ordAdd("COMPAGN");
        if (!own->seek(indexKey(agreement, 35, true))) return a;
        a.name1 = own->text("RAGSOC1");
        a.name2 = own->text("RAGSOC2");
        a.street = own->text("INDIRIZZO");
        a.postCode = own->text("CAP");
        a.town = own->text("CITTA");
        a.province = own->text("PROVINCIA");
        a.vat = own->text("PARTITAIVA");
    } catch (const std::exception&) {
    }
    return a;
}

// The job's pages, then the job ended (preview or printer).
PrintDocument finish(TPRINTER& job)
{
    PrintDocument made = job.document();
    job.end();
    return made;
}

PrintDocument commissionReceipt(const AgencyIdentity& issuer, const AgreementAddress& to, const Decimal& net,
                                const Decimal& rate, Date today, bool preview)
{
    TPRINTER job("Stampa ricevuta", preview);
    job.setMargin(0);
    Sheet s(job);
    const PrintFont body("Arial", 12), name("Arial", 15, true), small("Arial", 9);
    s.box(1, 7, 0, 70);
    s.put(2.5, 0, issuer.name, name, TextAlign::Center, 70);
    s.put(4.5, 0, issuer.activity, body, TextAlign::Center, 70);
    s.put(10, 57, issuer.placeAndDate(today), body);
    s.put(14, 3, joinFilled({"La", issuer.name, "con sede in", issuer.town, "in", issuer.address}), body);
    s.put(15, 3, joinFilled({"titolare della Partita Iva n°", issuer.vatNumber}) + ", dichiara di ricevere da:", body);
    double row = 17;
    s.put(row++, 8, to.name1, name);
    if (filled(to.name2)) s.put(row++, 8, to.name2, name);
    s.put(row++, 8, to.street, body);
    s.put(row++, 8, joinFilled({to.postCode, to.town, to.province}), body);
    if (filled(to.vat)) s.put(row++, 8, "P.I. " + trim(to.vat), body);
    row += 2;
    s.put(row, 3, "l'importo sotto indicato quali provvigioni assicurative.", body);
    row += 3;
    // A rate of 100 % leaves nothing to divide by: the figures are then 0.
    const Decimal rest = Decimal(100) - rate;
    const Decimal gross = rest.isZero() ? Decimal() : net * Decimal(100) / rest;
    const Decimal withheld = rest.isZero() ? Decimal() : net * rate / rest;
    auto amount = [&](const std::string& label, const Decimal& value) {
        s.put(row, 3, label, body);
        s.put(row, 45, "E", body);
        s.put(row, 47, trim(ENSTR(value.round(2))), body, TextAlign::Right, 11);
        row += 1.5;
    };
    amount("Provvigioni lorde", gross);
    amount("Ritenuta d'acconto (" + trim(ENSTR(rate)) + "%)", withheld);
    s.rule(row, 44, 63);
    row += 0.5;
    amount("Netto pagato", net);
    row += 2;
    s.put(row, 3, "Esente da IVA ai sensi dell'Art. 10 del DPR 633/72.", body);
    row += 3;
    s.put(row++, 35, "In fede", body, TextAlign::Center, 30);
    s.put(row, 35, issuer.name, body, TextAlign::Center, 30);
    s.box(60, 62, 0, 79);
    s.put(60, 1, joinFilled({issuer.address, issuer.townLine(), "Partita IVA:", issuer.vatNumber}), small);
    s.put(61, 1, joinFilled({"Tel.", issuer.telephone}), small);
    s.put(61, 49, joinFilled({"Fax:", issuer.fax}), small);
    return finish(job);
}

PrintDocument bankTransferReminder(const AgencyIdentity& issuer, const std::string& agreement, const Decimal& amount,
                                   Date day, Date today, bool preview)
{
    TPRINTER job("Stampa promemoria bonifico", preview);
    job.setMargin(0);
    Sheet s(job);
    const PrintFont body("Arial", 12), title("Arial", 18, true), under("Arial", 12, false, false, true);
    s.put(3, 5, issuer.name, title);
    s.put(8, 5, "PROMEMORIA DI BONIFICO", PrintFont("Arial", 18, true, false, true));
    s.put(14, 5, "Rapporto destinatario", under);
    s.put(14, 35, trim(agreement), body);
    s.put(18, 5, "Effettuare un bonifico per un importo di E " + trim(ENSTR(amount.round(2))) + ".", body);
    s.put(21, 5, "CAUSALE: RIMESSA", body);
    s.put(24, 5, "BONIFICO DA ESEGUIRE IL GIORNO:", body);
    s.put(24, 30, day.toDisplay(), body);
    s.put(30, 5, issuer.placeAndDate(today), body);
    return finish(job);
}

PrintDocument commissionTransferReminder(const AgencyIdentity& issuer, const std::string& agreement,
                                         const Decimal& net, Date today, bool preview)
{
    TPRINTER job("Stampa promemoria giroconto", preview);
    job.setMargin(0);
    Sheet s(job);
    const PrintFont body("Arial", 12), under("Arial", 12, false, false, true);
    s.put(3, 5, issuer.name, PrintFont("Arial", 18, true));
    s.put(8, 5, "PROMEMORIA DI GIROCONTO", PrintFont("Arial", 18, true, false, true));
    s.put(14, 5, "Chiusura provvigioni", under);
    s.put(14, 35, trim(agreement), body);
    s.put(18, 5, "Effettuare un giroconto per un importo di E " + trim(ENSTR(net.round(2))) + ".", body);
    s.put(21, 5, "CAUSALE: PROVVIGIONI", body);
    s.put(30, 5, issuer.placeAndDate(today), body);
    return finish(job);
}

} // namespace

Date transferDay(int day, Date today)
{
    const int days = Date::daysInMonth(today.year(), today.month());
    const int wanted = day <= 0 ? today.day() : std::min(day, days);
    Date d = ADDMONTH(Date::fromYmd(today.year(), today.month(), wanted), 1);
    while (ISFEST(d)) d = d.addDays(-1);
    return d;
}

std::string transferReminderBody(const std::string& agreement, const Decimal& amount)
{
    return "Si ricorda di effettuare un bonifico per un importo di  " + trim(ENSTR(amount.round(2))) +
           " al rapporto\r\n\r\n" + trim(agreement) + "\r\n\r\ncon causale \"RIMESSA INCASSI\".";
}

std::vector<PrintDocument> remittanceDocuments(Workspace& ws, const std::string& agreement, Date date, Date periodEnd,
                                               Date today, bool preview,
                                               const std::function<void(const std::string&)>& tell)
{
    std::vector<PrintDocument> out;
    const registry::AgreementTerms terms = registry::agreementTerms(ws, agreement);
    const Decimal net = remittanceFigure(ws, agreement, date, periodEnd, RemittanceFigure::NetCommission);
    const IniFile ini((std::filesystem::path(ws.folder()) / "ARV.INI").string());
    AgencyIdentity issuer;
    issuer.load(ini);
    out.push_back(commissionReceipt(issuer, agreementAddress(ws, agreement), net, terms.withholdingRate, today, preview));
    if (terms.bankTransferReminder) {
        const Decimal amount = remittanceFigure(ws, agreement, date, periodEnd, RemittanceFigure::Amount);
        out.push_back(bankTransferReminder(issuer, agreement, amount, transferDay(terms.remittanceDay, today), today,
                                           preview));
        const MailSettings mail = MailSettings::load(ini);
        MailMessage m = mail.message();
        m.to = mail.promemoriaBonifico;
        m.subject = "Promemoria bonifico di rimessa";
        m.body = transferReminderBody(agreement, amount);
        m.html = false;
        if (!SENDMAIL(m) && tell) tell(kMsgReminderNotSent);
    }
    if (terms.transferReminder) out.push_back(commissionTransferReminder(issuer, agreement, net, today, preview));
    return out;
}

} // namespace arv::accounting
