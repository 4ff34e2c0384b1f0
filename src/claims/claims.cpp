#include "claims/claims.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>

#include "claims/numbering.h"
#include "common/files.h"
#include "common/instalments.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/movementkinds.h"
#include "common/report.h"
#include "common/text.h"
#include "records/criteria.h"
#include "records/excel.h"
#include "records/lookups.h"
#include "records/reportrows.h"
#include "store/files.h"
#include "store/keys.h"

namespace arv::claims {

using namespace store;
using namespace records;

namespace {

constexpr size_t kPolicyWidth = 25;
constexpr size_t kNameWidth = 35;
constexpr int kGraceDays = 15;

// Dialog values read from the policy, never stored.
constexpr const char* kAgreement = "RAPPORTO";
constexpr const char* kBranch = "RAMO";
constexpr const char* kPolicyPlate = "TARGAPOL";
constexpr const char* kInsured = "ASSICURATO";
constexpr const char* kDue = "RATASCAD";
constexpr const char* kPaid = "RATAPAG";

std::string upper(const std::string& s) { return Mask::upper(trim(s)); }
bool beginsWith(const std::string& text, const std::string& start)
{
    const std::string t = upper(text), s = upper(start);
    return t.compare(0, s.size(), s) == 0;
}

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

std::vector<std::string> authorities() { return {"", "Carabinieri", "Polizia", "Vigili urbani", "Vigili del fuoco"}; }

std::string display(Date d) { return d ? d.toDisplay() : std::string(); }

EditField shown(EditField f)
{
    f.readOnly = true;
    f.stored = false;
    return f;
}

PolicyFacts readFacts(const Table& p)
{
    PolicyFacts f;
    f.found = true;
    f.code = p.raw("CODICE");
    f.number = p.text("POLIZZA");
    f.company = p.text("COMPAGNIA");
    f.agreement = p.text("RAPPORTO");
    f.branch = p.text("RAMO");
    f.insured = p.text("ASSICURATO");
    f.producer = p.text("PRODUTTORE");
    f.fraction = p.text("FRAZIONAM");
    f.replacedBy = p.text("SOSTDA");
    f.cancelled = p.logical("DISDETTA");
    f.expiry = p.date("SCADENZA");
    f.coverage = p.date("COPERTURA");
    return f;
}

// Policies by number through a cursor of their own.
class PolicyReader {
public:
    explicit PolicyReader(Workspace& ws)
    {
        if (!fileExists(ws.folder(), "POLIZZE.DBF")) return;
        table_ = std::make_unique<OwnTable>(ws, "POLIZZE", true);
        (*table_)->ordAdd("NUMPOL");
    }
    PolicyFacts operator()(const std::string& number) const
    {
        if (!table_ || !filled(number)) return {};
        Table& t = **table_;
        if (!t.seek(indexKey(rtrim(number), kPolicyWidth))) return {};
        return readFacts(t);
    }

private:
    std::unique_ptr<OwnTable> table_;
};

Date& todayOverride()
{
    static Date d;
    return d;
}

Date claimsToday() { return todayOverride() ? todayOverride() : Date::today(); }

} // namespace

// ---------------------------------------------------------------- fields

std::vector<EditField> claimFields()
{
    EditField opened = dateField(kFOpened, "Apertura sinistro:", "APERTURA");
    opened.rule = [](const std::string& s, const EditValues&) { return bool(Date::fromDisplay(s)); };
    EditField policy = textField(kFPolicy, "Polizza n.:", "POLIZZA", "@!");
    policy.rule = requiredRule;
    EditField reg = textField(kFRegister, "Num. rep. interno:", "REPERTORIO");
    reg.readOnly = true;
    reg.rule = requiredRule;
    EditField company = textField(kFCompany, "Compagnia:", "COMPAGNIA");
    company.readOnly = true;
    EditField type = choiceField(kFType, "Tipo sinistro:", "TIPO", [] { return withEmpty(ATIPISIN(workspace())); });
    type.rule = requiredRule;
    return {opened,
            policy,
            company,
            shown(textField(kFAgreement, "Rapporto:", dialogOnly(kAgreement))),
            textField(kFNumber, "Sinistro n.:", "NUMERO"),
            reg,
            textField(kFYear, "Anno:", "ANNO", "9999"),
            dateField(kFEvent, "Data sinistro:", "DATA"),
            dateField(kFSent, "Consegna:", "CONSEGNA"),
            shown(textField(kFBranch, "Ramo:", dialogOnly(kBranch))),
            shown(textField(kFPlate, "Targa:", dialogOnly(kPolicyPlate))),
            shown(textField(kFInsured, "Assicurato:", dialogOnly(kInsured))),
            shown(dateField(kFDue, "Rata scaduta il:", dialogOnly(kDue))),
            shown(dateField(kFPaid, "Rata pagata il:", dialogOnly(kPaid))),
            type,
            textField(kFCategory, "Categoria:", "CATEGORIA", "@!"),
            textField(kFCounterparty, "Controparte:", "CONTROP"),
            textField(kFAddress, "Indirizzo:", "INDIRIZZO"),
            textField(kFTown, "Città:", "CITTA"),
            choiceField(kFVehicle, "Tipo veicolo:", "VEICOLO", [] { return withEmpty(AVEICOLI()); }),
            textField(kFCounterPlate, "Targa:", "TARGA", "@!"),
            textField(kFPlace, "Luogo avvenimento:", "LUOGOAVV"),
            textField(kFProvince, "Provincia:", "PROVINCIA", "@! AA"),
            choiceField(kFAuthority, "Autorità intervenute:", "AUTORITA", authorities),
            textField(kFAdjuster, "Perito incaricato:", "PERITO"),
            logicalField(kFClosed, "Chiuso:", "CHIUSO"),
            dateField(kFClosing, "Data:", "CHIUSURA"),
            numberField(kFAmount, "Liquidato:", "IMPORTO", "@ZE 999,999.99"),
            memoField(kFNotes, "Note:", "NOTE"),
            logicalField(kFNoReport, "No reporting:", "NOREPORT")};
}

// ---------------------------------------------------------------- policies

PolicyFacts policyFacts(Workspace& ws, const std::string& number) { return PolicyReader(ws)(number); }

bool policyValid(const PolicyFacts& policy, const std::function<PolicyFacts(const std::string&)>& byNumber)
{
    if (!policy.found) return false;
    if (!filled(policy.replacedBy)) return !(policy.cancelled && policy.expiry == policy.coverage);
    std::set<std::string> seen{upper(policy.number)};
    const std::string company = upper(policy.company);
    for (std::string next = policy.replacedBy; filled(next);) {
        if (!seen.insert(upper(next)).second) break; // a loop of replacements ends here
        const PolicyFacts p = byNumber(next);
        if (!p.found) break;
        if (upper(p.company) != company) return false;
        next = p.replacedBy;
    }
    return true;
}

bool policyValid(Workspace& ws, const std::string& number)
{
    PolicyReader read(ws);
    return policyValid(read(number), std::cref(read));
}

// ---------------------------------------------------------------- observation

bool observed(const std::vector<ClaimCount>& claims, Date today)
{
    const bool anyLive = std::any_of(claims.begin(), claims.end(), [](const ClaimCount& c) { return !c.policyCancelled; });
    if (!anyLive) return false;
    int bands[3] = {0, 0, 0};
    for (const ClaimCount& c : claims) {
        if (!c.policyValid || !c.opened) continue;
        for (int b = 0; b < 3; ++b)
            if (c.opened.addMonths(12 * (b + 1)) >= today) {
                ++bands[b];
                break;
            }
    }
    return bands[0] >= 2 || bands[0] + bands[1] + bands[2] >= 3;
}

bool underObservation(Workspace& ws, const std::string& client, Date today, const RecordPredicate& condition)
{
    if (!filled(client) || !fileExists(ws.folder(), "SINISTRI.DBF")) return false;
    PolicyReader read(ws);
    OwnTable policies(ws, "POLIZZE", true);
    policies->ordAdd("POLIZZE");
    const std::string key = indexKey(rtrim(client), kNameWidth);
    policies->setScope(key, key);
    OwnTable claims(ws, "SINISTRI", true);
    claims->ordAdd("SINPOL");
    std::vector<ClaimCount> counted;
    for (policies->goTop(); !policies->eof(); policies->skip(1)) {
        const PolicyFacts p = readFacts(*policies);
        const bool valid = policyValid(p, std::cref(read));
        for (bool ok = claims->seek(p.code); ok && !claims->eof() && claims->raw("CODPOL") == p.code; claims->skip(1))
            if (!condition || condition(*claims)) counted.push_back({claims->date("APERTURA"), p.cancelled, valid});
    }
    return observed(counted, today);
}

std::vector<uint32_t> observedClaims(Workspace& ws, const RecordPredicate& condition, Date today)
{
    std::vector<uint32_t> out;
    if (!fileExists(ws.folder(), "SINISTRI.DBF") || !fileExists(ws.folder(), "POLIZZE.DBF")) return out;
    // Every policy once, by code and by number.
    std::vector<PolicyFacts> policies;
    std::unordered_map<std::string, size_t> byCode, byNumber;
    {
        OwnTable p(ws, "POLIZZE", true);
        for (p->goTop(); !p->eof(); p->skip(1)) {
            policies.push_back(readFacts(*p));
            byCode.emplace(policies.back().code, policies.size() - 1);
            byNumber.emplace(upper(policies.back().number), policies.size() - 1);
        }
    }
    auto read = [&](const std::string& number) {
        auto it = byNumber.find(upper(number));
        return it == byNumber.end() ? PolicyFacts() : policies[it->second];
    };
    std::vector<int> validity(policies.size(), -1);
    auto valid = [&](size_t i) {
        if (validity[i] < 0) validity[i] = policyValid(policies[i], read) ? 1 : 0;
        return validity[i] == 1;
    };
    // The claims chosen, by the client of their policy.
    struct Chosen {
        uint32_t recno;
        size_t policy;
        Date opened;
    };
    std::map<std::string, std::vector<Chosen>> byClient;
    {
        OwnTable c(ws, "SINISTRI", true);
        for (c->goTop(); !c->eof(); c->skip(1)) {
            auto it = byCode.find(c->raw("CODPOL"));
            if (it == byCode.end() || (condition && !condition(*c))) continue;
            const std::string client = upper(policies[it->second].insured);
            if (client.empty()) continue;
            byClient[client].push_back({c->recno(), it->second, c->date("APERTURA")});
        }
    }
    for (const auto& [client, chosen] : byClient) {
        std::vector<ClaimCount> counted;
        for (const Chosen& c : chosen) counted.push_back({c.opened, policies[c.policy].cancelled, valid(c.policy)});
        if (!observed(counted, today)) continue;
        for (const Chosen& c : chosen)
            if (valid(c.policy)) out.push_back(c.recno);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// ---------------------------------------------------------------- register number

std::string registerNumberAfter(const std::string& last, Date lastOpened, Date opened)
{
    int year = opened ? opened.year() : Date::today().year();
    int number = 1;
    if (lastOpened && year <= lastOpened.year()) {
        const std::string t = trim(last);
        const std::string digits = t.size() >= 4 ? t.substr(t.size() - 4) : t;
        int n = 0;
        for (char ch : digits)
            if (ch >= '0' && ch <= '9') n = n * 10 + (ch - '0');
        number = (n + 1) % 10000;
        year = std::max(year, lastOpened.year());
    }
    char out[16];
    std::snprintf(out, sizeof out, "%02d/%04d", year % 100, number);
    return out;
}

std::string nextRegisterNumber(Workspace& ws, Date opened)
{
    if (!fileExists(ws.folder(), "SINISTRI.DBF")) return registerNumberAfter({}, {}, opened);
    OwnTable c(ws, "SINISTRI", true);
    c->goBottom();
    if (c->eof()) return registerNumberAfter({}, {}, opened);
    return registerNumberAfter(c->text("REPERTORIO"), c->date("APERTURA"), opened);
}

namespace {

// Whether a live claim other than SKIP already has the register number.
bool registerNumberUsed(Workspace& ws, const std::string& number, uint32_t skip)
{
    OwnTable c(ws, "SINISTRI", true);
    const std::string raw = indexKey(number, 7);
    for (c->goTop(); !c->eof(); c->skip(1))
        if (c->recno() != skip && c->raw("REPERTORIO") == raw) return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------- coverage

Coverage coverageOf(const std::vector<Instalment>& collections, const std::string& fraction, Date expiry, Date event,
                    bool check)
{
    Coverage out;
    if (!event) {
        out.out = check;
        return out;
    }
    const Instalment* best = nullptr;
    for (const Instalment& i : collections)
        if (i.due && i.due <= event && (!best || i.due >= best->due)) best = &i;
    if (!best) {
        out.out = check;
        return out;
    }
    if (!check) {
        out.instalment = *best;
        return out;
    }
    // The end of the period the instalment pays; a single premium pays up to the policy's expiry.
    Date end = SOMMAFRAZ(best->due, trim(fraction));
    if (!end || upper(fraction) == "PREMIO UNICO") end = expiry;
    if (!end || event > end.addDays(kGraceDays)) {
        out.out = true;
        return out;
    }
    out.instalment = *best;
    const Date paid = best->paid;
    out.out = !paid || (paid > best->due.addDays(kGraceDays) && event <= paid);
    return out;
}

Coverage coverage(Workspace& ws, const PolicyFacts& policy, Date event, bool check)
{
    std::vector<Instalment> collections;
    if (policy.found && fileExists(ws.folder(), "MOVICOMP.DBF")) {
        OwnTable m(ws, "MOVICOMP", true);
        m->ordAdd("MOVIPOLI");
        const std::string key = indexKey(policy.number, kPolicyWidth);
        for (bool ok = m->seek(key); ok && !m->eof() && m->raw("POLIZZA") == key; m->skip(1))
            if (isCollection(m->text("DESCRIZIO"))) collections.push_back({m->date("SCADENZA"), m->date("INCASSO")});
    }
    return coverageOf(collections, policy.fraction, policy.expiry, event, check);
}

// ---------------------------------------------------------------- dialog

void loadPolicy(Workspace& ws, EditValues& v)
{
    const PolicyFacts p = policyFacts(ws, v.get("POLIZZA"));
    v.set("COMPAGNIA", p.company);
    v.set(kAgreement, p.agreement);
    v.set(kBranch, p.branch);
    v.set(kInsured, p.insured);
    v.set(kPolicyPlate, p.found ? TARGACODICE(ws, p.code) : std::string());
}

EditValues newClaimValues(Workspace& ws, Date today, const std::string& policy)
{
    EditValues v = blankValues(claimFields());
    v.set("APERTURA", today.toDisplay());
    v.set("REPERTORIO", nextRegisterNumber(ws, today));
    v.set("ANNO", std::to_string(today.year()));
    if (filled(policy)) {
        v.set("POLIZZA", rtrim(policy));
        loadPolicy(ws, v);
    }
    return v;
}

EditValues claimValues(Workspace& ws, const Table& claims)
{
    EditValues v = recordValues(claimFields(), claims);
    const std::string company = v.get("COMPAGNIA");
    loadPolicy(ws, v);
    v.set("COMPAGNIA", company); // the stored company stays
    const Coverage c = coverage(ws, policyFacts(ws, v.get("POLIZZA")), claims.date("DATA"), false);
    v.set(kDue, display(c.instalment.due));
    v.set(kPaid, display(c.instalment.paid));
    return v;
}

void checkCoverage(Workspace& ws, EditValues& v, const Interaction& io)
{
    const PolicyFacts p = policyFacts(ws, v.get("POLIZZA"));
    const Date event = v.date("DATA");
    if (!p.found || !event) return;
    const Coverage c = coverage(ws, p, event, true);
    v.set(kDue, display(c.instalment.due));
    v.set(kPaid, display(c.instalment.paid));
    // The mark of the notes follows the check; what the user wrote there stays.
    std::string notes = v.get("NOTE");
    const std::string mark = kOutOfCoverageNote;
    if (notes.compare(0, mark.size(), mark) == 0) {
        notes.erase(0, mark.size());
        if (notes.compare(0, 2, "\r\n") == 0) notes.erase(0, 2);
    }
    if (c.out) {
        if (io.tell) io.tell(kMsgOutOfCoverage);
        notes = notes.empty() ? mark : mark + "\r\n" + notes;
    }
    v.set("NOTE", notes);
}

void claimFieldLeft(Workspace& ws, int id, EditValues& v, bool newClaim, Date today, const Interaction& io)
{
    switch (id) {
    case kFOpened:
        if (newClaim && v.date("APERTURA")) v.set("REPERTORIO", nextRegisterNumber(ws, v.date("APERTURA")));
        break;
    case kFPolicy: {
        loadPolicy(ws, v);
        if (!filled(v.get("NUMERO"))) v.set("NUMERO", proposeNumber(ws, v.get("COMPAGNIA"), io.ask));
        if (!newClaim) break;
        checkCoverage(ws, v, io);
        if (policyValid(ws, v.get("POLIZZA")) && underObservation(ws, v.get(kInsured), today) && io.tell)
            io.tell(kMsgUnderObservation);
        break;
    }
    case kFNumber:
        if (!filled(v.get("REPERTORIO"))) v.set("REPERTORIO", utf8Left(trim(v.get("NUMERO")), 7));
        break;
    case kFEvent:
        if (newClaim) checkCoverage(ws, v, io);
        break;
    default: break;
    }
}

// ---------------------------------------------------------------- saving

bool isTotalTheft(const std::string& type) { return beginsWith(type, "FURTO TOTALE"); }

bool cancelForTheft(Workspace& ws, const std::string& number, Date event)
{
    if (!filled(number)) return false;
    OwnTable p(ws, "POLIZZE");
    p->ordAdd("NUMPOL");
    if (!p->seek(indexKey(rtrim(number), kPolicyWidth)) || p->logical("DISDETTA")) return false;
    Unlocker unlocker{*p};
    p->lock(true);
    if (p->logical("DISDETTA")) return false; // cancelled meanwhile
    std::string notes = p->memo("NOTE");
    const std::string line = "FURTO TOTALE DEL " + display(event);
    p->setMemo("NOTE", notes.empty() ? line : notes + "\r\n" + line);
    p->setLogical("DISDETTA", true);
    p->commit();
    p->unlock();
    return true;
}

PrintDocument printTheftPage(const std::string& number, const std::string& insured, bool preview)
{
    TPRINTER job("Annullamento polizza per furto", preview);
    job.startPage();
    const PrintFont body("Arial", 14);
    PRINTTXT(job, {"ANNULLAMENTO POLIZZA PER FURTO"}, TxtOptions().centred().withFont(PrintFont("Arial", 18, true)));
    PRINTTXT(job, {});
    PRINTTXT(job, {});
    PRINTTXT(job, {"Polizza n.:"}, TxtOptions().withFont(body));
    PRINTTXT(job, {trim(number)}, TxtOptions::at(20).withFont(body));
    PRINTTXT(job, {});
    PRINTTXT(job, {"Assicurato:"}, TxtOptions().withFont(body));
    PRINTTXT(job, {trim(insured)}, TxtOptions::at(20).withFont(body));
    PRINTTXT(job, {});
    PRINTTXT(job, {});
    const std::string text = "Procedere all'annullamento della polizza dall'archivio cartaceo e delle eventuali "
                             "polizze collegate.";
    for (const std::string& line : AMEMOLINE(text, 70, job, body))
        PRINTTXT(job, {line}, TxtOptions().withFont(body));
    job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

ClaimSave saveClaim(Workspace& ws, Table& t, bool inserting, const EditValues& before, const EditValues& typed,
                    const Interaction& io, const std::function<void(const std::string&, const std::string&)>& theftPage)
{
    ClaimSave out;
    EditValues after = typed;
    auto refuse = [&](std::string message) {
        out.message = std::move(message);
        return out;
    };
    const uint32_t editing = inserting || t.eof() ? 0 : t.recno();
    if (!inserting && !editing) return refuse(std::string());

    // 1. "No reporting" on a new claim.
    if (inserting && !after.logical("NOREPORT") && io.ask && io.ask(kMsgNoReport)) after.set("NOREPORT", "T");
    const PolicyFacts policy = policyFacts(ws, after.get("POLIZZA"));
    if (!policy.found) return refuse(kMsgUnknownPolicy);
    // 2. The drive.
    if (DiskCheck p = ISPROTECTED(t.folder()); p.value) return refuse(p.message);
    if (DiskCheck f = ISFULL(t.folder(), 8192); f.value) return refuse(f.message);

    // 3. The whole table, from the checks to the commit.
    Unlocker unlocker{t};
    auto back = [&] {
        t.unlock();
        if (editing) t.goTo(editing);
    };
    t.lock(false);
    const Date event = after.date("DATA");
    {
        OwnTable other(ws, "SINISTRI", true);
        // 4. The same claim: same policy and event date (health policies may repeat).
        const bool keyChanged = inserting || trim(after.get("POLIZZA")) != trim(before.get("POLIZZA")) ||
                                event != before.date("DATA");
        if (keyChanged && !beginsWith(policy.branch, "ELEMENTARE-MALATTIA")) {
            other->ordAdd("SINPOL");
            const std::string key = policy.code + (event ? event.dtos() : std::string(8, ' '));
            for (bool ok = other->seek(key); ok && !other->eof() && other->currentKey() == key; other->skip(1))
                if (other->recno() != editing) {
                    back();
                    return refuse(kMsgClaimPresent);
                }
        }
        // 5. The company's claim number, once in the register.
        const std::string number = trim(after.get("NUMERO"));
        if ((inserting || upper(number) != upper(before.get("NUMERO"))) && !number.empty()) {
            other->ordAdd("SINNUM");
            other->setOrder("SINNUM");
            const std::string key = indexKey(number, kClaimNumberWidth, true);
            for (bool ok = other->seek(key); ok && !other->eof() && other->currentKey() == key; other->skip(1))
                if (other->recno() != editing) {
                    back();
                    return refuse(kMsgClaimNumberPresent);
                }
        }
    }
    // The register number of a new claim, taken under the lock; a number already used this year
    // (the year ran past 9999) is refused rather than written twice.
    if (inserting) {
        const std::string reg = nextRegisterNumber(ws, after.date("APERTURA"));
        if (registerNumberUsed(ws, reg, 0)) {
            back();
            return refuse("Il numero di repertorio " + reg +
                          " è già stato assegnato quest'anno: la numerazione interna dell'anno è esaurita.");
        }
        after.set("REPERTORIO", reg);
    }
    // 6. The number booked in the series.
    if (Booking b = bookNumber(ws, after.get("COMPAGNIA"), after.get("NUMERO"), after.get("POLIZZA"), event); !b) {
        back();
        return refuse(b.message);
    }
    // 7-8. The write.
    const std::vector<EditField> fields = claimFields();
    if (inserting) t.append(true);
    else {
        t.goTo(editing);
        t.lock(true);
        if (t.deleted()) t.recall();
    }
    storeValues(fields, after, t);
    t.setRaw("CODPOL", policy.code);
    t.commit();
    out.recno = t.recno();
    out.registerNumber = t.text("REPERTORIO");
    t.unlock();
    unlocker.armed = false;
    out.saved = true;

    // 9. A total theft cancels the policy.
    if (isTotalTheft(after.get("TIPO")) && cancelForTheft(ws, policy.number, event)) {
        out.policyCancelled = true;
        if (io.tell) io.tell(kMsgTheftReminder);
        if (theftPage) theftPage(policy.number, policy.insured);
    }
    return out;
}

// ---------------------------------------------------------------- search

void setClaimsToday(Date today) { todayOverride() = today; }

std::vector<SearchField> claimSearch()
{
    using Typed = std::vector<std::string>;
    auto ofPolicy = [](std::function<std::string(Workspace&, const std::string&)> read, bool prefix) {
        return [read, prefix](const std::string& typed) -> RecordPredicate {
            const std::string v = upper(typed);
            if (v.empty()) return {};
            return [read, prefix, v](const Table& r) {
                const std::string got = upper(read(workspace(), r.text("POLIZZA")));
                return prefix ? got.compare(0, v.size(), v) == 0 : got == v;
            };
        };
    };
    std::vector<SearchField> s;
    auto custom = [&s](int id, const char* label, FieldKind kind, std::function<RecordPredicate(const std::string&)> c) {
        const size_t self = s.size();
        s.push_back(customSearch(id, label, kind, [self, c](const Typed& t) { return c(t[self]); }));
        return self;
    };
    s.push_back(searchField(101, "Polizza n.", "POLIZZA", Match::PaddedExact));
    SearchField company = searchField(102, "Compagnia", "COMPAGNIA", Match::Equal, FieldKind::Choice);
    company.list = [] { return withEmpty(ACOMPAGNIE(workspace())); };
    s.push_back(company);
    custom(103, "Rapporto", FieldKind::Choice, ofPolicy(RAPPORTO, false));
    s.back().list = [] { return withEmpty(ACOMPAGNIE(workspace())); };
    s.push_back(searchField(104, "Sinistro n.", "NUMERO", Match::PaddedExact));
    s.push_back(searchField(105, "N. rep. int.", "REPERTORIO", Match::Contains));
    s.push_back(searchField(106, "Anno", "ANNO", Match::PaddedExact));
    custom(107, "Produttore", FieldKind::Choice, ofPolicy(PRODUTT, false));
    s.back().list = [] { return withEmpty(APRODUTT(workspace())); };
    custom(108, "Assicurato", FieldKind::Text, ofPolicy(ASSICURATO, false));
    custom(109, "Ramo", FieldKind::Choice, ofPolicy(RAMO, true));
    s.back().list = [] { return withEmpty(ARAMI(workspace())); };
    s.back().typedChoice = true;
    custom(110, "Targa", FieldKind::Text, [](const std::string& typed) -> RecordPredicate {
        auto squeeze = [](std::string p) {
            p.erase(std::remove(p.begin(), p.end(), ' '), p.end());
            return upper(p);
        };
        const std::string v = squeeze(typed);
        if (v.empty()) return {};
        return [v, squeeze](const Table& r) { return squeeze(TARGACODICE(workspace(), r.raw("CODPOL"))) == v; };
    });
    s.push_back(searchField(111, "Data sinistro dal", "DATA", Match::From, FieldKind::Date));
    s.push_back(searchField(112, "al", "DATA", Match::To, FieldKind::Date));
    custom(113, "Non chiusi:", FieldKind::Logical, [](const std::string& typed) -> RecordPredicate {
        if (typed != "T") return {};
        return criteria::flag("CHIUSO", false);
    });
    s.push_back(searchField(114, "Aperti dal", "APERTURA", Match::From, FieldKind::Date));
    s.push_back(searchField(115, "al", "APERTURA", Match::To, FieldKind::Date));
    s.push_back(searchField(116, "Liquidato da", "IMPORTO", Match::From, FieldKind::Number));
    s.push_back(searchField(117, "a", "IMPORTO", Match::To, FieldKind::Number));
    s[s.size() - 2].mask = s.back().mask = "@E 999,999.99";
    SearchField type = searchField(118, "Tipo sinistro", "TIPO", Match::Equal, FieldKind::Choice);
    type.list = [] { return withEmpty(ATIPISIN(workspace())); };
    s.push_back(type);
    custom(119, "Note", FieldKind::Text, [](const std::string& typed) -> RecordPredicate {
        const std::string v = upper(typed);
        if (v.empty()) return {};
        return [v](const Table& r) { return Mask::upper(r.memo("NOTE")).find(v) != std::string::npos; };
    });
    // "Controllo sinistrosità:" reads every other criterion.
    const size_t self = s.size();
    s.push_back(customSearch(120, "Controllo sinistrosità:", FieldKind::Logical, [self](const Typed& t) -> RecordPredicate {
        if (t[self] != "T") return {};
        std::vector<SearchField> others = claimSearch();
        others.pop_back();
        Typed rest(t.begin(), t.begin() + static_cast<long>(self));
        const RecordPredicate base = buildCondition(others, rest);
        auto chosen = std::make_shared<std::vector<uint32_t>>(observedClaims(workspace(), base, claimsToday()));
        return [chosen](const Table& r) { return std::binary_search(chosen->begin(), chosen->end(), r.recno()); };
    }));
    return s;
}

// ---------------------------------------------------------------- printouts

namespace {

ReportColumn textColumn(const char* heading, std::function<std::string()> value, int width)
{
    return ReportColumn{heading, [value] { return ReportValue(value()); }, "", width};
}

ReportDescription claimList(Workspace& ws, Table& t)
{
    ReportDescription d;
    d.title = "Stampa sinistri";
    d.headings = {"STAMPA SINISTRI"};
    d.font = PrintFont("Arial", 8);
    d.landscape = true;
    Workspace* w = &ws;
    d.columns = {textColumn("NUM.", [&t] { return t.text("NUMERO"); }, 12),
                 textColumn("N.REP.", [&t] { return t.text("REPERTORIO"); }, 7),
                 textColumn("COMPAGNIA", [&t] { return t.text("COMPAGNIA"); }, 25),
                 ReportColumn{"DATA", [&t] { return ReportValue(t.date("DATA")); }, "", 8},
                 textColumn("PRODUTTORE", [&t, w] { return PRODUTT(*w, t.text("POLIZZA")); }, 25),
                 textColumn("ASSICURATO", [&t, w] { return ASSICURATO(*w, t.text("POLIZZA")); }, 25),
                 textColumn("TIPO", [&t] { return t.text("TIPO"); }, 17),
                 textColumn("POLIZZA N.", [&t] { return t.text("POLIZZA"); }, 16)};
    return d;
}

} // namespace

PrintDocument printClaims(Workspace& ws, Table& t, bool preview)
{
    const uint32_t here = t.eof() ? 0 : t.recno();
    PrintDocument doc = runReport(claimList(ws, t), tableRows(t), preview);
    if (here) t.goTo(here);
    return doc;
}

PrintDocument printClaimsByNumber(Workspace& ws, Table& t, bool preview)
{
    const uint32_t here = t.eof() ? 0 : t.recno();
    const bool hadView = t.hasView();
    const RecordPredicate last = criteria::remembered("SINISTRI");
    const RecordPredicate previous = t.viewCondition();
    const int order = t.order();
    if (hadView) t.clearView();
    t.setOrder("SINNUM");
    t.setView([last](const Table& r) { return filled(r.text("NUMERO")) && (!last || last(r)); }, {});
    PrintDocument doc;
    try {
        doc = runReport(claimList(ws, t), tableRows(t), preview);
    } catch (...) {
        t.clearView();
        t.setOrder(order);
        throw;
    }
    t.clearView();
    t.setOrder(order);
    if (hadView) t.setView(previous, {});
    if (here) t.goTo(here);
    return doc;
}

std::string exportClaims(Workspace& ws, Table& t)
{
    Workspace* w = &ws;
    ExtraColumn insured{"ASSICURATO", [w](const Table& r) -> CellValue { return ASSICURATO(*w, r.text("POLIZZA")); }};
    ws.select(t.alias());
    return TOEXCEL(t, {insured});
}

PrintDocument printClaimSheet(const EditValues& v, const AgencyIdentity& agency, bool preview)
{
    TPRINTER job("Stampa sinistro", preview);
    job.startPage();
    job.setMargin(0);
    const PrintFont bold("Arial", 12, true);
    auto at = [&](double row, int col, std::string text, const PrintFont& f) {
        if (text.find_first_not_of(" /") == std::string::npos) return; // blank, or an empty date
        job.setRow(row);
        PRINTTXT(job, {text}, TxtOptions::at(col).withFont(f));
    };
    // The heading box: the issuer, the register number and the title.
    job.frame(2, 1, 9, 79);
    at(3, 3, agency.name, bold);
    at(4, 3, agency.activity, PrintFont("Arial", 10));
    at(3, 53, "REP.N. " + trim(v.get("REPERTORIO")), PrintFont("Arial", 16, true));
    at(7, 3, "INVIO DENUNCIA SINISTRO", PrintFont("Arial", 14, true));
    // One boxed row a value.
    std::string type = trim(v.get("TIPO"));
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"COMPAGNIA:", v.get("COMPAGNIA")},
        {"SINISTRO N.:", v.get("NUMERO")},
        {"TIPO SINISTRO:", type},
        {"CONTRAENTE:", v.get(kInsured)},
        {"POLIZZA N.:", v.get("POLIZZA")},
        {"CONTROPARTE:", v.get("CONTROP")},
        {"DATA SINISTRO:", v.get("DATA")},
        {"RATA SCADUTA IL:", v.get(kDue)},
        {"RATA PAGATA IL:", v.get(kPaid)},
        {"PERITO INCARICATO:", v.get("PERITO")},
        {"DATA INVIO SINISTRO:", v.get("CONSEGNA")},
    };
    double row = 11;
    for (const auto& [label, value] : rows) {
        job.frame(row - 0.3, 1, row + 1.2, 79);
        at(row, 2, label, bold);
        at(row, 25, trim(value), bold);
        if (std::string(label) == "TIPO SINISTRO:" && filled(v.get("CATEGORIA"))) {
            at(row, 50, "CATEGORIA:", bold);
            at(row, 62, trim(v.get("CATEGORIA")), bold);
        }
        row += 1.5;
    }
    // The circumstances, with the first four lines of the notes.
    const double top = row + 0.5;
    job.frame(top, 1, top + 20, 79);
    const std::vector<std::pair<const char*, std::string>> more = {
        {"APERTURA SINISTRO:", v.get("APERTURA")},   {"ANNO:", v.get("ANNO")},
        {"RAMO:", v.get(kBranch)},                   {"TARGA CONTROPARTE:", v.get("TARGA")},
        {"TIPO VEICOLO:", v.get("VEICOLO")},         {"LUOGO AVVENIMENTO:", v.get("LUOGOAVV")},
        {"AUTORITA' INTERVENUTE:", v.get("AUTORITA")},
    };
    row = top + 1;
    for (const auto& [label, value] : more) {
        at(row, 2, label, bold);
        at(row, 25, trim(value), bold);
        row += 1.5;
    }
    const PrintFont courier("Courier New", 12);
    std::string notes = v.get("NOTE");
    for (size_t p; (p = notes.find("\r\n")) != std::string::npos;) notes.replace(p, 2, " ");
    const std::vector<std::string> chars = utf8Chars(notes);
    for (size_t line = 0; line < 4 && line * 63 < chars.size(); ++line) {
        std::string text;
        for (size_t i = line * 63; i < std::min(chars.size(), (line + 1) * 63); ++i) text += chars[i];
        at(row + static_cast<double>(line), 2, text, courier);
    }
    // The issuer's address at the foot.
    const PrintFont small("Arial", 9);
    job.frame(60, 1, 64, 79);
    at(60.5, 3, trim(agency.address + " - " + agency.townLine()), small);
    at(61.5, 3, agency.phoneLine(), small);
    if (filled(agency.vatNumber)) at(62.5, 3, "P.IVA " + agency.vatNumber, small);
    job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

} // namespace arv::claims
