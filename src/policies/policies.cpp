#include "policies/policies.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <tuple>

#include "common/calendar.h"
#include "common/checks.h"
#include "common/cp1252.h"
#include "common/error.h"
#include "common/files.h"
#include "common/instalments.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/movementkinds.h"
#include "common/text.h"
#include "policies/sheets.h"
#include "records/criteria.h"
#include "store/files.h"
#include "records/lookups.h"
#include "store/keys.h"
#include "store/schema/schema.h"

namespace fs = std::filesystem;

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

// The cursors a run of lookups reads through (a whole search, one rule of the dialog): for each
// table the screen's lookup alias when it is open in the wanted order, else a read-only cursor of
// its own, opened on first use and kept until the set goes. Own cursors live outside the work
// areas, so closing the screen's tables never leaves one dangling.
class LookupCursors {
public:
    explicit LookupCursors(Workspace& ws) : ws_(ws) {}
    Table* get(const char* table, const char* alias, TagName tag)
    {
        if (Table* t = ws_.find(alias); t && t->orderName() == tag.view()) return t;
        const std::string key = std::string(table) + "/" + std::string(tag);
        for (const Own& o : own_)
            if (o.key == key) return o.table.get();
        if (!fileExists(ws_.folder(), std::string(table) + ".DBF")) return nullptr;
        std::unique_ptr<Table> t = Table::open(ws_.folder(), table, alias, OpenMode::Shared, true);
        t->ordAdd(tag);
        t->setOrder(tag);
        own_.push_back({key, std::move(t)});
        return own_.back().table.get();
    }

private:
    struct Own {
        std::string key;
        std::unique_ptr<Table> table;
    };
    Workspace& ws_;
    std::vector<Own> own_;
};

constexpr size_t kNumberWidth = 25;
constexpr size_t kNameWidth = 35;
constexpr size_t kBranchWidth = 20;
constexpr size_t kFormNumberWidth = 15;

// A set of cursors shared by the predicates of one search.
std::shared_ptr<LookupCursors> searchCursors() { return std::make_shared<LookupCursors>(workspace()); }

Table* clients(LookupCursors& c) { return c.get("CLIENTI", "CLIENTI_", "CLIENTI"); }
Table* companiesCursor(LookupCursors& c) { return c.get("COMPAGN", "COMPAGN_", "COMPAGN"); }
Table* motorSheets(LookupCursors& c) { return c.get("DATIAUTO", "DATIAUTO_", "DATIAUTO"); }
Table* movements(LookupCursors& c) { return c.get("MOVICOMP", "MOVICOMP_", "MOVIPOLI"); }
Table* byNumber(LookupCursors& c) { return c.get("POLIZZE", "POLIZZE_", "NUMPOL"); }
Table* byInsured(LookupCursors& c) { return c.get("POLIZZE", "POLIZZE_", "POLIZZE"); }

// The client record of CLIENT (looked up in capitals), or nullptr.
Table* client(LookupCursors& c, const std::string& name)
{
    Table* t = filled(name) ? clients(c) : nullptr;
    return t && t->seek(indexKey(name, kNameWidth, true)) ? t : nullptr;
}

std::string clientField(LookupCursors& c, const std::string& name, FieldName field)
{
    Table* t = client(c, name);
    return t ? trim(t->text(field)) : std::string();
}

std::string clientField(Workspace& ws, const std::string& name, FieldName field)
{
    LookupCursors c(ws);
    return clientField(c, name, field);
}

// The company or agreement NAME, or nullptr.
Table* company(LookupCursors& c, const std::string& name)
{
    Table* t = filled(name) ? companiesCursor(c) : nullptr;
    return t && t->seek(indexKey(name, kNameWidth, true)) ? t : nullptr;
}

// The internal code of ARG: the code itself, or that of the policy number ARG (over 10 characters).
std::string codeOf(LookupCursors& c, const std::string& arg)
{
    if (utf8ToCp1252(arg).size() <= 10) return sheetKey(arg);
    Table* p = byNumber(c);
    if (!p || !p->seek(indexKey(arg, kNumberWidth))) return std::string();
    return p->raw("CODICE");
}

std::string motorField(LookupCursors& c, const std::string& arg, FieldName field)
{
    const std::string code = codeOf(c, arg);
    Table* a = filled(code) ? motorSheets(c) : nullptr;
    if (!a || !a->seek(sheetKey(code))) return std::string();
    return trim(a->text(field));
}

std::string motorField(Workspace& ws, const std::string& arg, FieldName field)
{
    LookupCursors c(ws);
    return motorField(c, arg, field);
}

bool monoBranch(LookupCursors& c, const Table& policy, const std::string& insured, const std::string& branch)
{
    if (!ATTIVA(policy)) return false;
    Table* p = byInsured(c);
    if (!p) return false;
    const std::string key = indexKey(insured, kNameWidth);
    const std::string wanted = indexKey(branch, kBranchWidth);
    for (bool ok = p->seek(key); ok && !p->eof() && p->raw("ASSICURATO") == key; p->skip(1))
        if (p->raw("RAMO") != wanted) return false;
    return true;
}

bool collected(LookupCursors& c, const Table& policy, Date today)
{
    if (!ATTIVA(policy)) return true;
    const Date covered = policy.date("COPERTURA");
    if (today > covered) return false;
    const Date due = SOTTRAIFRAZ(covered, policy.text("FRAZIONAM"));
    Table* m = movements(c);
    if (!m) return false;
    const std::string key = policy.raw("POLIZZA");
    for (bool ok = m->seek(key); ok && !m->eof() && m->raw("POLIZZA") == key; m->skip(1)) {
        const std::string d = trim(m->text("DESCRIZIO"));
        if (isCollection(d) && m->date("SCADENZA") == due)
            return true;
    }
    return false;
}

// The number a text begins with (blanks before it skipped), 0 when it begins with none.
Decimal valueOf(const std::string& text)
{
    const std::string t = trim(text);
    size_t n = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    while (n < t.size() && (std::isdigit(static_cast<unsigned char>(t[n])) || t[n] == '.')) ++n;
    return Decimal::parse(t.substr(0, n)).value_or(Decimal());
}

Date today_;
Date searchToday() { return today_ ? today_ : Date::today(); }

// ---- the dialog's fields

bool requiredIfPhone(const std::string& v, const EditValues& all) { return !all.logical("TELEFONICA") || filled(v); }

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

std::vector<std::string> companies() { return withEmpty(ACOMPAGNIE(workspace())); }

EditField required(EditField f)
{
    f.rule = requiredRule;
    return f;
}

std::vector<EditField> makeFields()
{
    enum { kMain, kMoney, kOther };
    EditField product = choiceField(kFProduct, "Prodotto:", "PRODOTTO", {}, false, kMain);
    // The products of company + agreement + convention, reloaded when one of them changes.
    product.listOf = [](const EditValues& v) {
        return APRODOTTI(workspace(), trim(v.get("COMPAGNIA")), trim(v.get("RAPPORTO")), trim(v.get("CONVENZIO")));
    };
    EditField hour = textField(kFHour, "Ora:", "ORAEFF", "99:99", kMoney);
    hour.rule = [](const std::string& v, const EditValues&) { return isHourMinute(v); };
    EditField fee = numberField(kFFee, "Consulenza:", "COMMISS", "@ZE 9,999.99", kMoney);
    fee.rule = [](const std::string&, const EditValues& all) {
        return !all.logical("TELEFONICA") || !all.number("COMMISS").isZero();
    };
    EditField total = numberField(kFTotal, "Totale:", dialogOnly("TOTALE"), "@ZE 9,999,999.99", kMoney);
    total.stored = false;
    total.readOnly = true;
    EditField collectedOn = dateField(kFCollected, "Incasso:", "INCASSO", kMoney);
    collectedOn.readOnly = true;
    EditField code = textField(kFCode, "Archivio:", "CODICE", "", kMain);
    code.readOnly = true;
    EditField effect = dateField(kFEffect, "Effetto:", "EFFETTO", kMoney);
    effect.tooltip = "Decorrenza polizza";
    EditField expiry = dateField(kFExpiry, "Scadenza:", "SCADENZA", kMoney);
    expiry.tooltip = "Scadenza contratto";
    EditField coverage = dateField(kFCoverage, "Copertura:", "COPERTURA", kMoney);
    coverage.tooltip = "Coperta fino al/Data inizio sostituzione";
    EditField notice = logicalField(kFNotice, "Avviso:", "AVVISO", kMoney);
    notice.tooltipOf = [](const EditValues& v) { return noticeTooltip(workspace(), v.get("ASSICURATO")); };
    EditField alias = textField(kFMailAlias, "Alias email:", "ALIASTEL", "", kOther);
    alias.rule = requiredIfPhone;
    EditField mailbox = choiceField(kFMailbox, "Casella alias:", "CASELLATEL", [] {
        return ACASELLETEL((fs::path(workspace().folder()) / "ARV.INI").string());
    }, false, kOther);
    mailbox.rule = requiredIfPhone;
    auto producers = [] { return withEmpty(APRODUTT(workspace())); };
    std::vector<EditField> fields = {
        required(textField(kFInsured, "Assicurato:", "ASSICURATO", "", kMain)),
        required(choiceField(kFCompany, "Compagnia:", "COMPAGNIA", companies, false, kMain)),
        required(choiceField(kFAgreement, "Rapporto:", "RAPPORTO", companies, false, kMain)),
        choiceField(kFCoinsurer, "Coassicurazione:", "COASSICUR", companies, true, kMain),
        logicalField(kFPhone, "Telefonica:", "TELEFONICA", kMain),
        required(textField(kFNumber, "Polizza n.:", "POLIZZA", "", kMain)),
        textField(kFReplaces, "Sostituisce:", "SOSTPOL", "", kMain),
        textField(kFReplacedBy, "Sostituita da:", "SOSTDA", "", kMain),
        textField(kFQuote, "Preventivo:", "NUMPREV", "", kMain),
        required(choiceField(kFBranch, "Ramo:", "RAMO", [] { return withEmpty(ARAMI(workspace())); }, false, kMain)),
        code,
        textField(kFRegisterHolder, "Intest. P.R.A.:", "INTESTPRA", "", kMain),
        required(choiceField(kFFraction, "Frazionamento:", "FRAZIONAM", [] { return AFRAZ(); }, false, kMain)),
        textField(kFSchemeCode, "Cod. convenz.:", "CODCONV", "", kMain),
        choiceField(kFProducer1, "Produttore 1:", "PRODUTTORE", producers, false, kMain),
        choiceField(kFProducer2, "Produttore 2:", "PRODUTTOR2", producers, false, kMain),
        choiceField(kFScheme, "Convenzione:", "CONVENZIO", [] { return withEmpty(ACONVENZ(workspace())); }, false, kMain),
        required(choiceField(kFPayment, "Pagamento:", "PAGAMENTO", [] { return APAGAM(); }, true, kMain)),
        product,
        choiceField(kFProfession, "Professione:", "PROFESS", [] { return withEmpty(APROFESS(workspace())); }, false, kMain),
        effect,
        hour,
        expiry,
        coverage,
        collectedOn,
        numberField(kFPremium, "Importo:", "IMPORTO", "@ZE 9,999,999.99", kMoney),
        fee,
        numberField(kFExpenses, "Spese:", "SPESE", "@ZE 999.99", kMoney),
        total,
        numberField(kFAgencyComm, "Agenzia:", "PROVVAGEN", "@ZE 999,999.99", kMoney),
        numberField(kFProducerComm, "Produttore:", "PROVVPROD", "@ZE 999,999.99", kMoney),
        logicalField(kFTacit, "Tacito rinn.:", "TACITORIN", kMoney),
        logicalField(kFAutoCollect, "Incasso autom.:", "GENEINC", kMoney),
        logicalField(kFCancelled, "Disdetta:", "DISDETTA", kMoney),
        logicalField(kFClientCancelled, "Disdetta cliente:", "DISDCLI", kMoney),
        logicalField(kFReform, "Riforma polizza:", "PROMEMORIA", kMoney),
        notice,
        alias,
        mailbox,
        choiceField(kFOrigin, "Provenienza:", "PROVENIEN", companies, true, kOther),
        required(choiceField(kFDocuments, "Documentazione:", "DOCUMENTO", [] { return ADOCUMENTI(); }, true, kOther)),
        logicalField(kFConnected, "Pol.colleg.:", "COLLEGATA", kOther),
        textField(kFConnected1, "Polizze collegate:", "POLCOLL1", "", kOther),
        textField(kFConnected2, "", "POLCOLL2", "", kOther),
        logicalField(kFInvoice, "Fatt.:", "FATTURA", kOther),
        memoField(kFNotes, "Note:", "NOTE", kOther),
        choiceField(kFOperator, "Operatore:", "OPERATORE", [] { return withEmpty(AOPERATORI(workspace())); }, false, kOther),
        textField(kFUser, "Utente:", "UTENTE", "", kOther),
        textField(kFPassword, "Password:", "PASSWORD", "", kOther)};
    // The fields that fill others as soon as they change (the amounts and the effect date do it
    // when they are left).
    for (EditField& f : fields)
        if (f.id == kFInsured || f.id == kFCompany || f.id == kFPhone || f.id == kFBranch || f.id == kFCancelled ||
            f.id == kFClientCancelled)
            f.changed = [id = f.id](EditValues& v) { fieldChanged(workspace(), id, v, PolicyMode::Modify); };
    return fields;
}

std::string totalText(const EditValues& v)
{
    const Decimal total = v.number("IMPORTO") + v.number("COMMISS") + v.number("SPESE");
    return trim(Mask("@ZE 9,999,999.99").formatNumber(total, 2, 10));
}

// The fields a duplicate takes from the policy it copies.
const char* const kDuplicated[] = {
    "ASSICURATO", "COMPAGNIA", "RAPPORTO",  "COASSICUR", "TELEFONICA", "RAMO",       "INTESTPRA", "FRAZIONAM",
    "CODCONV",    "PRODUTTORE", "PRODUTTOR2", "CONVENZIO", "PAGAMENTO", "PRODOTTO",  "PROFESS",   "EFFETTO",
    "ORAEFF",     "SCADENZA",  "COPERTURA", "IMPORTO",   "COMMISS",    "SPESE",      "PROVVAGEN", "PROVVPROD",
    "TACITORIN",  "GENEINC",   "DISDETTA",  "DISDCLI",   "PROMEMORIA", "AVVISO",     "ALIASTEL",  "CASELLATEL",
    "PROVENIEN",  "FATTURA",
};

// A cursor of its own on the policies in number order.
std::unique_ptr<Table> numberCursor(const Table& policies)
{
    std::unique_ptr<Table> c = Table::open(policies.folder(), policies.name(), "NUMPOLCK", OpenMode::Shared, true);
    c->ordAdd("NUMPOL");
    c->setOrder("NUMPOL");
    return c;
}

// Another live policy than EXCEPT with NUMBER.
bool numberTaken(Table& numbers, const std::string& number, uint32_t except)
{
    const std::string key = indexKey(number, kNumberWidth);
    for (bool ok = numbers.seek(key); ok && !numbers.eof() && numbers.raw("POLIZZA") == key; numbers.skip(1))
        if (numbers.recno() != except) return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------- fields

const std::vector<EditField>& policyFields()
{
    static const std::vector<EditField> fields = makeFields();
    return fields;
}

const std::vector<std::string>& policyPages()
{
    static const std::vector<std::string> pages = {"Polizza", "Premi e date", "Altri dati"};
    return pages;
}

std::string noticeTooltip(Workspace& ws, const std::string& insured)
{
    return filled(clientField(ws, insured, "E_MAIL")) ? "Email" : "Posta";
}

void fieldChanged(Workspace& ws, int id, EditValues& v, PolicyMode mode)
{
    switch (id) {
    case kFInsured: {
        const std::string client = v.get("ASSICURATO");
        v.set("PRODUTTORE", PRODUTTORE(ws, client));
        v.set("PRODUTTOR2", PRODUTTOR2(ws, client));
        v.set("ALIASTEL", ALIASTEL(ws, client));
        break;
    }
    case kFCompany: {
        LookupCursors c(ws);
        const Table* found = company(c, v.get("COMPAGNIA"));
        v.set("TACITORIN", found && found->logical("TACITORIN") ? "T" : "F");
        break;
    }
    case kFPhone: v.set("FATTURA", v.get("TELEFONICA")); break;
    case kFBranch:
        if (sheetKind(v.get("RAMO")) == SheetKind::Motor && !filled(v.get("INTESTPRA")))
            v.set("INTESTPRA", v.get("ASSICURATO"));
        break;
    case kFEffect:
        if (mode == PolicyMode::Insert || mode == PolicyMode::Duplicate) v.set("COPERTURA", v.get("EFFETTO"));
        break;
    case kFPremium:
    case kFFee:
    case kFExpenses: v.set("TOTALE", totalText(v)); break;
    case kFCancelled:
        if (!v.logical("DISDETTA")) v.set("DISDCLI", "F");
        break;
    case kFClientCancelled:
        if (v.logical("DISDCLI")) v.set("DISDETTA", "T");
        break;
    default: break;
    }
}

// ---------------------------------------------------------------- initial values

EditValues insertValues(Workspace& ws)
{
    EditValues v = blankValues(policyFields());
    v.set("ORAEFF", "00:00");
    if (fileExists(ws.folder(), "POLIZZE.DBF")) {
        OwnTable t(ws, "POLIZZE");
        v.set("CODICE", trim(t->nextCode()));
    }
    v.set("TOTALE", totalText(v));
    return v;
}

EditValues duplicateValues(Workspace& ws, const Table& current)
{
    EditValues v = insertValues(ws);
    if (current.eof()) return v;
    const EditValues from = modifyValues(current);
    for (const char* f : kDuplicated) v.set(f, from.get(f));
    v.set("TOTALE", totalText(v));
    return v;
}

std::optional<EditValues> replaceValues(Workspace&, const Table& current)
{
    if (current.eof()) return std::nullopt;
    if (filled(current.text("SOSTDA"))) return std::nullopt;
    EditValues v = modifyValues(current);
    v.set("POLIZZA", "");
    v.set("SOSTPOL", trim(current.text("POLIZZA")));
    v.set("SOSTDA", "");
    v.set("INCASSO", Date().toDisplay());
    v.set("DISDETTA", "F");
    v.set("DISDCLI", "F");
    v.set("PROVENIEN", trim(current.text("COMPAGNIA")));
    v.set("DOCUMENTO", "");
    return v;
}

EditValues modifyValues(const Table& current)
{
    EditValues v = recordValues(policyFields(), current);
    // The code as "Archivio" shows it.
    v.set("CODICE", trim(v.get("CODICE")));
    v.set("TOTALE", totalText(v));
    return v;
}

std::string dialogTitle(PolicyMode mode, const Table* current)
{
    switch (mode) {
    case PolicyMode::Insert:
    case PolicyMode::Duplicate: return kCaptionInsert;
    case PolicyMode::Replace: return "Sostituisci";
    case PolicyMode::Modify: break;
    }
    const Date inserted = current && !current->eof() ? current->date("DATAINS") : Date();
    return std::string("Modifica - Data inserimento: ") + (inserted ? inserted.toDisplay() : "n/d");
}

// ---------------------------------------------------------------- saving

PolicySave savePolicy(Workspace& ws, Table& t, PolicyMode mode, uint32_t source, const EditValues& before,
                      const EditValues& after, const SaveHooks& hooks)
{
    PolicySave out;
    auto refuse = [&](std::string message) {
        out.message = std::move(message);
        return out;
    };
    if (mode != PolicyMode::Insert && source == 0) return refuse(std::string());

    // 1. The company and the agreement must be active.
    {
        LookupCursors c(ws);
        auto active = [&](const std::string& name) {
            const Table* found = company(c, name);
            return !found || !found->logical("NONATTIVO");
        };
        if (!active(after.get("COMPAGNIA"))) return refuse(kMsgCompanyInactive);
        if (!active(after.get("RAPPORTO"))) return refuse(kMsgAgreementInactive);
    }
    // 2. The question on the notices.
    if (isNew(mode) && hooks.ask && !hooks.ask(kMsgCheckNotice)) return refuse(std::string());
    // 3. The drive.
    if (DiskCheck p = ISPROTECTED(t.folder()); p.value) return refuse(p.message);
    if (DiskCheck f = ISFULL(t.folder(), 8192); f.value) return refuse(f.message);

    const std::string number = trim(after.get("POLIZZA"));
    const std::string connected1 = trim(after.get("POLCOLL1"));
    const std::string connected2 = trim(after.get("POLCOLL2"));
    const uint32_t editing = mode == PolicyMode::Modify ? source : 0;

    // 4. The whole table, from the duplicate test to the commit.
    Unlocker unlocker{t};
    const uint32_t here = t.eof() ? 0 : t.recno();
    auto back = [&] {
        t.unlock();
        if (here) t.goTo(here);
    };
    t.lock(false);
    std::unique_ptr<Table> numbers = numberCursor(t);

    // 5. The number, unique over the register.
    if ((isNew(mode) || number != trim(before.get("POLIZZA"))) && numberTaken(*numbers, number, editing)) {
        back();
        return refuse(kMsgPolicyPresent);
    }
    // 6. The numbered form of this number must be of the same company and agreement.
    std::unique_ptr<Table> forms;
    uint32_t form = 0;
    if (fileExists(ws.folder(), "TITOLI.DBF") && utf8ToCp1252(number).size() <= kFormNumberWidth) {
        forms = Table::open(ws.folder(), "TITOLI", "TITOLIPOL", OpenMode::Shared);
        forms->ordAdd("TITOLI");
        forms->ordAdd("NUMTIT");
        // The policy's own company first: "Genera" lets two companies hold the same number.
        forms->setOrder("TITOLI");
        bool found = forms->seek(indexKey(trim(after.get("COMPAGNIA")), kNameWidth) + indexKey(number, kFormNumberWidth));
        if (!found) {
            forms->setOrder("NUMTIT");
            found = forms->seek(indexKey(number, kFormNumberWidth));
        }
        if (found) {
            if (Mask::upper(trim(forms->text("COMPAGNIA"))) != Mask::upper(trim(after.get("COMPAGNIA")))) {
                const std::string m = "La Compagnia nel Titolo è: " + trim(forms->text("COMPAGNIA")) + ".";
                back();
                return refuse(m);
            }
            if (Mask::upper(trim(forms->text("RAPPORTO"))) != Mask::upper(trim(after.get("RAPPORTO")))) {
                const std::string m = "Il Rapporto nel Titolo è: " + trim(forms->text("RAPPORTO")) + ".";
                back();
                return refuse(m);
            }
            form = forms->recno();
        }
    }
    // 7. The connected policies must exist.
    uint32_t linked1 = 0, linked2 = 0;
    for (const std::string* c : {&connected1, &connected2}) {
        if (c->empty()) continue;
        if (!numbers->seek(indexKey(*c, kNumberWidth))) {
            back();
            return refuse("Impossibile trovare la polizza " + *c + ".");
        }
        (c == &connected1 ? linked1 : linked2) = numbers->recno();
    }
    numbers.reset();

    // Every check passed. The form's record is taken now, so that its write cannot find it held
    // by another workstation once the policy is written.
    try {
        if (forms && form) {
            forms->goTo(form);
            forms->lock(true);
        }
    } catch (const Error&) {
        back();
        return refuse("Impossibile aggiornare il titolo " + number + ".");
    }

    // The policy itself, under the table lock.
    const Decimal premiumBefore = before.number("IMPORTO");
    // What the record held, to put back should a later write fail.
    std::string previousProduct;
    bool previousMark = false;
    if (isNew(mode)) {
        out.code = t.nextCodeHeld();
        t.append(true);
        t.setRaw("CODICE", out.code);
        t.setDate("DATAINS", Date::today());
    } else {
        t.goTo(editing);
        if (t.eof() || t.recno() != editing) {
            back();
            return refuse(std::string());
        }
        t.recall();
        out.code = t.raw("CODICE");
        previousProduct = t.text("CODPRO");
        previousMark = t.logical("VERIFICA");
    }
    // The code is given once; the collection date is written by the company movements only.
    const Date collectedOn = isNew(mode) ? Date() : t.date("INCASSO");
    storeValues(policyFields(), after, t);
    t.setRaw("CODICE", out.code);
    t.setDate("INCASSO", collectedOn);
    t.setText("CODPRO", CODPRO(ws, trim(after.get("COMPAGNIA")), trim(after.get("RAPPORTO")),
                               trim(after.get("CONVENZIO")), trim(after.get("PRODOTTO"))));
    if (after.logical("GENEINC") && (isNew(mode) || after.number("IMPORTO") != premiumBefore))
        t.setLogical("VERIFICA", true);
    t.commit();
    out.recno = t.recno();

    // Then what the saved policy changes elsewhere: the form, the connected policies, the
    // replaced policy. One that cannot be written takes the policy back as it was and refuses.
    std::string failure;
    try {
        failure = "Impossibile aggiornare il titolo " + number + ".";
        if (forms && form) {
            forms->setText("RAMO", after.get("RAMO"));
            forms->setText("ASSICURATO", after.get("ASSICURATO"));
            forms->setDate("EFFETTO", after.date("EFFETTO"));
            forms->setDate("SCADENZA", after.date("SCADENZA"));
            forms->commit();
            forms->unlock();
        }
        for (const auto& [recno, other, linked] :
             {std::tuple{linked1, connected2, connected1}, std::tuple{linked2, connected1, connected2}}) {
            if (!recno) continue;
            failure = "Impossibile aggiornare la polizza " + linked + ".";
            t.goTo(recno);
            if (t.eof()) continue;
            t.setText("POLCOLL1", number);
            t.setText("POLCOLL2", other);
            t.commit();
        }
        if (mode == PolicyMode::Replace) {
            failure = "Impossibile aggiornare la polizza " + trim(before.get("POLIZZA")) + ".";
            t.goTo(source);
            if (!t.eof()) {
                t.setText("SOSTDA", number);
                t.setLogical("DISDETTA", true);
                t.commit();
            }
        }
    } catch (const Error&) {
        try {
            t.goTo(out.recno);
            if (isNew(mode)) {
                t.del(true);
            } else {
                storeValues(policyFields(), before, t);
                t.setRaw("CODICE", out.code);
                t.setText("CODPRO", previousProduct);
                t.setLogical("VERIFICA", previousMark);
                t.commit();
            }
        } catch (const Error&) {
        }
        back();
        out.recno = 0;
        return refuse(failure);
    }
    t.goTo(out.recno);
    t.unlock();
    t.refresh();
    out.saved = true;

    // The sheet of the policy it came from.
    if (mode == PolicyMode::Replace || mode == PolicyMode::Duplicate) {
        std::string fromCode;
        t.peek(source, [&](const Table& r) { fromCode = r.raw("CODICE"); });
        if (filled(fromCode)) copySheet(ws, after.get("RAMO"), fromCode, out.code);
        t.goTo(out.recno);
    }
    if (mode == PolicyMode::Replace && after.logical("COLLEGATA")) out.notices.push_back(kMsgModifyConnected);
    return out;
}

// ---------------------------------------------------------------- deleting, the "V" mark

bool deletePolicy(Workspace& ws, Table& t, const DeleteHooks& hooks, std::string* message)
{
    if (t.eof()) return false;
    if (t.logical("COLLEGATA") && hooks.inform) hooks.inform(kMsgDeletingConnected);
    if (hooks.ask && !hooks.ask(kMsgConfirmDelete)) return false;
    if (DiskCheck p = ISPROTECTED(t.folder()); p.value) {
        if (message) *message = p.message;
        return false;
    }
    const uint32_t recno = t.recno();
    const std::string code = t.raw("CODICE");
    if (filled(code)) {
        deleteSheets(ws, code);
        if (fileExists(ws.folder(), "SINISTRI.DBF")) {
            OwnTable claims(ws, "SINISTRI");
            claims->ordAdd("SINPOL");
            claims->setOrder("SINPOL");
            const std::string key = sheetKey(code);
            claims->setScope(key, key);
            for (claims->goTop(); !claims->eof(); claims->goTop()) claims->del(true);
        }
    }
    t.goTo(recno);
    if (t.eof()) return false;
    t.del(true);
    return true;
}

bool toggleVerifica(Table& t, uint32_t recno)
{
    t.goTo(recno);
    if (t.eof() || t.recno() != recno) return false;
    t.lock(true);
    if (t.deleted()) {
        t.unlock();
        return false;
    }
    t.setLogical("VERIFICA", !t.logical("VERIFICA"));
    t.commit();
    t.unlock();
    return true;
}

// ---------------------------------------------------------------- states and figures

bool isReplaced(const Table& p) { return filled(p.text("SOSTDA")); }
bool isCancelled(const Table& p) { return p.logical("DISDETTA"); }
bool ATTIVA(const Table& p) { return !isReplaced(p) && !isCancelled(p); }

Decimal annualFigure(const Decimal& perInstalment, const std::string& fraction)
{
    return perInstalment * Decimal(RATE(fraction));
}

Decimal annualPremium(const Table& p) { return annualFigure(p.number("IMPORTO"), p.text("FRAZIONAM")); }

bool isInArrears(const Table& p, Date today)
{
    if (!ATTIVA(p)) return false;
    if (Mask::upper(trim(p.text("PAGAMENTO"))).rfind("SOSPESO", 0) == 0) return false;
    const Date covered = p.date("COPERTURA");
    return covered && today > covered.addDays(15);
}

// ---------------------------------------------------------------- record functions

bool MONORAMO(Workspace& ws, const Table& policy, const std::string& insured, const std::string& branch)
{
    LookupCursors c(ws);
    return monoBranch(c, policy, insured, branch);
}

std::string VEICOLO(Workspace& ws, const std::string& arg) { return motorField(ws, arg, "VEICOLO"); }
std::string CLASSE(Workspace& ws, const std::string& arg) { return motorField(ws, arg, "CLASSE"); }
std::string plateOf(Workspace& ws, const std::string& code) { return motorField(ws, sheetKey(code), "TARGA"); }

std::string PRODUTTORE(Workspace& ws, const std::string& c) { return clientField(ws, c, "SUBAGENTE"); }
std::string PRODUTTOR2(Workspace& ws, const std::string& c) { return clientField(ws, c, "SUBAGENTE2"); }
std::string GRUPPO(Workspace& ws, const std::string& c) { return clientField(ws, c, "GRUPPO"); }
std::string ALIASTEL(Workspace& ws, const std::string& c) { return clientField(ws, c, "ALIASTEL"); }
std::string MARKETNG_(Workspace& ws, const std::string& c) { return clientField(ws, c, "MARKETNG"); }

bool INCASSATA(Workspace& ws, const Table& policy, Date today)
{
    LookupCursors c(ws);
    return collected(c, policy, today);
}

bool PERFEZIONATA(Workspace& ws, const std::string& number)
{
    LookupCursors c(ws);
    const std::string key = indexKey(number, kNumberWidth);
    if (Table* p = byNumber(c); p && p->seek(key) && !ATTIVA(*p)) return true;
    Table* m = movements(c);
    return m && m->seek(key);
}

bool SUCCESSIVO(Date d1, Date d2)
{
    return d1.month() > d2.month() || (d1.month() == d2.month() && d1.day() >= d2.day());
}

// ---------------------------------------------------------------- search

void setSearchToday(Date today) { today_ = today; }

std::vector<std::string> blankSearch()
{
    std::vector<std::string> v(kSCount);
    v[kSActive] = "T";
    return v;
}

namespace {

Date typedDate(const std::string& s)
{
    ParsedDate d = Mask::parseDate(s);
    return d.status == DateStatus::Valid ? d.date : Date();
}

std::vector<SearchField> makeSearch()
{
    using Typed = std::vector<std::string>;
    std::vector<SearchField> s(kSCount);
    auto field = [&](size_t at, int id, const char* label, FieldName f, Match m, FieldKind kind = FieldKind::Text) {
        s[at] = searchField(id, label, f, m, kind);
    };
    auto custom = [&](size_t at, int id, const char* label, FieldKind kind,
                      std::function<RecordPredicate(const Typed&)> c) {
        s[at] = customSearch(id, label, kind, std::move(c));
    };
    // A text compared with the upper-cased field padded to its width: equal.
    auto equalTo = [&](size_t at, int id, const char* label, FieldName name,
                       std::function<std::vector<std::string>()> list, bool typed = false) {
        custom(at, id, label, FieldKind::Choice, [at, name](const Typed& t) -> RecordPredicate {
            const std::string v = Mask::upper(trim(t[at]));
            if (v.empty()) return {};
            return [v, name](const Table& r) { return Mask::upper(trim(r.text(name))) == v; };
        });
        s[at].list = std::move(list);
        s[at].typedChoice = typed;
    };
    // A field of the insured's client record equals the value.
    auto clientIs = [&](size_t at, int id, const char* label, FieldName field,
                        std::function<std::vector<std::string>()> list) {
        custom(at, id, label, FieldKind::Choice, [at, field](const Typed& t) -> RecordPredicate {
            const std::string v = Mask::upper(trim(t[at]));
            if (v.empty()) return {};
            return [v, field, c = searchCursors()](const Table& r) {
                return Mask::upper(clientField(*c, r.text("ASSICURATO"), field)) == v;
            };
        });
        s[at].list = std::move(list);
    };
    auto dateBound = [&](size_t at, int id, const char* label, FieldName f, Match m) {
        field(at, id, label, f, m, FieldKind::Date);
    };
    auto companyList = [] { return withEmpty(ACOMPAGNIE(workspace())); };

    equalTo(kSInsured, 201, "Assicurato:", "ASSICURATO", {}, true);
    s[kSInsured].kind = FieldKind::Text;
    equalTo(kSCompany, 202, "Compagnia:", "COMPAGNIA", companyList);
    equalTo(kSAgreement, 203, "Rapporto:", "RAPPORTO", companyList);
    custom(kSNumber, 204, "Polizza n.:", FieldKind::Text, [](const Typed& t) -> RecordPredicate {
        const std::string v = Mask::upper(trim(t[kSNumber]));
        if (v.empty()) return {};
        return [v](const Table& r) { return Mask::upper(r.text("POLIZZA")).rfind(v, 0) == 0; };
    });
    custom(kSActive, 205, "Solo attive:", FieldKind::Logical, [](const Typed& t) -> RecordPredicate {
        if (t[kSActive] != "T") return {};
        return [](const Table& r) { return ATTIVA(r); };
    });
    custom(kSBranch, 206, "Ramo:", FieldKind::Choice, [](const Typed& t) -> RecordPredicate {
        const std::string v = Mask::upper(trim(t[kSBranch]));
        if (v.empty() || t[kSMonoBranch] == "T") return {};
        return [v](const Table& r) { return Mask::upper(r.text("RAMO")).rfind(v, 0) == 0; };
    });
    s[kSBranch].list = [] { return withEmpty(ARAMI(workspace())); };
    // The branch is no criterion of its own for single-branch clients: ticking them empties it.
    s[kSBranch].enabled = [](const Typed& t) { return t[kSMonoBranch] != "T"; };
    custom(kSMonoBranch, 207, "Clienti monoramo:", FieldKind::Logical, [](const Typed& t) -> RecordPredicate {
        if (t[kSMonoBranch] != "T") return {};
        return [c = searchCursors()](const Table& r) {
            return monoBranch(*c, r, r.text("ASSICURATO"), r.text("RAMO"));
        };
    });
    s[kSMonoBranch].changed = [](Typed& t) {
        if (t[kSMonoBranch] == "T") t[kSBranch].clear();
    };
    custom(kSProducer, 208, "Produttore:", FieldKind::Choice, [](const Typed& t) -> RecordPredicate {
        const std::string v = Mask::upper(trim(t[kSProducer]));
        if (v.empty()) return {};
        return [v](const Table& r) {
            return Mask::upper(trim(r.text("PRODUTTORE"))) == v || Mask::upper(trim(r.text("PRODUTTOR2"))) == v;
        };
    });
    s[kSProducer].list = [] { return withEmpty(APRODUTT(workspace())); };
    clientIs(kSGroup, 209, "Gruppo:", "GRUPPO", [] { return withEmpty(AGRUPPI(workspace())); });
    clientIs(kSMarketing, 210, "Marketing:", "MARKETNG", [] { return withEmpty(AMARKETNG(workspace())); });
    equalTo(kSScheme, 211, "Convenzione:", "CONVENZIO", [] { return withEmpty(ACONVENZ(workspace())); });
    equalTo(kSProduct, 212, "Prodotto:", "PRODOTTO", {}, true);
    s[kSProduct].kind = FieldKind::Text;
    equalTo(kSProfession, 213, "Professione:", "PROFESS", [] { return withEmpty(APROFESS(workspace())); });
    equalTo(kSPayment, 214, "Pagamento:", "PAGAMENTO", [] { return APAGAM(); }, true);
    equalTo(kSSchemeCode, 215, "Cod. convenz.:", "CODCONV", {}, true);
    s[kSSchemeCode].kind = FieldKind::Text;
    equalTo(kSOperator, 216, "Operatore:", "OPERATORE", [] { return withEmpty(AOPERATORI(workspace())); });
    equalTo(kSDocuments, 217, "Documentazione:", "DOCUMENTO", [] { return ADOCUMENTI(); }, true);
    custom(kSPremium, 218, "Importo:", FieldKind::Number, [](const Typed& t) -> RecordPredicate {
        if (trim(t[kSPremium]).empty()) return {};
        std::optional<Decimal> n = Mask("@ZE 9,999,999.99").parseNumber(t[kSPremium]);
        if (!n || n->isZero()) return {};
        const Decimal v = *n;
        return [v](const Table& r) { return r.number("IMPORTO") == v; };
    });
    s[kSPremium].mask = "@ZE 9,999,999.99";
    dateBound(kSExpiryFrom, 219, "Data scadenza: dal", "SCADENZA", Match::From);
    dateBound(kSExpiryTo, 220, "al", "SCADENZA", Match::To);
    dateBound(kSCoverageFrom, 221, "Data copertura: dal", "COPERTURA", Match::From);
    dateBound(kSCoverageTo, 222, "al", "COPERTURA", Match::To);
    custom(kSToCollect, 223, "Da incassare:", FieldKind::Logical, [](const Typed& t) -> RecordPredicate {
        if (t[kSToCollect] != "T") return {};
        const Date today = searchToday();
        return [today, c = searchCursors()](const Table& r) { return !collected(*c, r, today); };
    });
    field(kSVerified, 224, "Verificata:", "VERIFICA", Match::Flag, FieldKind::TriState);
    dateBound(kSCollectedFrom, 225, "Data incasso: dal", "INCASSO", Match::From);
    dateBound(kSCollectedTo, 226, "al", "INCASSO", Match::To);
    custom(kSNotes, 227, "Note:", FieldKind::Text, [](const Typed& t) -> RecordPredicate {
        const std::string v = Mask::upper(trim(t[kSNotes]));
        if (v.empty()) return {};
        return [v](const Table& r) { return Mask::upper(r.memo("NOTE")).find(v) != std::string::npos; };
    });
    custom(kSConnected, 228, "Pol.colleg.:", FieldKind::Logical, [](const Typed& t) -> RecordPredicate {
        if (t[kSConnected] != "T") return {};
        return criteria::flag("COLLEGATA", true);
    });
    custom(kSAnniversaryFrom, 229, "Annualità: dal", FieldKind::Date, [](const Typed& t) -> RecordPredicate {
        const Date from = typedDate(t[kSAnniversaryFrom]), to = typedDate(t[kSAnniversaryTo]);
        if (!from && !to) return {};
        return [from, to](const Table& r) { return inCalendarWindow(r.date("SCADENZA"), from, to); };
    });
    custom(kSAnniversaryTo, 230, "al", FieldKind::Date, {}); // read with "dal"
    custom(kSHalfFrom, 231, "Semestralità: dal", FieldKind::Date, [](const Typed& t) -> RecordPredicate {
        const Date from = typedDate(t[kSHalfFrom]), to = typedDate(t[kSHalfTo]);
        if (!from && !to) return {};
        return [from, to](const Table& r) {
            if (Mask::upper(trim(r.text("FRAZIONAM"))) == "ANNUALE") return false;
            const Date c = r.date("COPERTURA");
            if (c == r.date("SCADENZA")) return false;
            if (from && !(c && c >= from)) return false;
            if (to && !(c && c <= to)) return false;
            return true;
        };
    });
    custom(kSHalfTo, 232, "al", FieldKind::Date, {});
    custom(kSPlate, 233, "Targa:", FieldKind::Text, [](const Typed& t) -> RecordPredicate {
        std::string v = Mask::upper(t[kSPlate]);
        v.erase(std::remove(v.begin(), v.end(), ' '), v.end());
        if (v.empty()) return {};
        return [v, c = searchCursors()](const Table& r) {
            std::string p = Mask::upper(motorField(*c, r.raw("CODICE"), "TARGA"));
            p.erase(std::remove(p.begin(), p.end(), ' '), p.end());
            return p == v;
        };
    });
    s[kSPlate].mask = "@!";
    custom(kSVehicle, 234, "Tipo veicolo:", FieldKind::Choice, [](const Typed& t) -> RecordPredicate {
        const std::string v = Mask::upper(trim(t[kSVehicle]));
        if (v.empty()) return {};
        return [v, c = searchCursors()](const Table& r) {
            return Mask::upper(motorField(*c, r.raw("CODICE"), "VEICOLO")) == v;
        };
    });
    s[kSVehicle].list = [] { return withEmpty(AVEICOLI()); };
    custom(kSClass, 235, "Classe B/M:", FieldKind::Text, [](const Typed& t) -> RecordPredicate {
        const std::string v = trim(t[kSClass]);
        if (v.empty()) return {};
        const Decimal wanted = valueOf(v);
        return [wanted, c = searchCursors()](const Table& r) {
            return valueOf(motorField(*c, r.raw("CODICE"), "CLASSE")) == wanted;
        };
    });
    custom(kSNotice, 236, "Avviso:", FieldKind::Logical, [](const Typed& t) -> RecordPredicate {
        if (t[kSNotice] != "T") return {};
        return criteria::flag("AVVISO", true);
    });
    custom(kSEmail, 237, "Email:", FieldKind::TriState, [](const Typed& t) -> RecordPredicate {
        if (t[kSEmail] != "T" && t[kSEmail] != "F") return {};
        const bool wanted = t[kSEmail] == "T";
        return [wanted, c = searchCursors()](const Table& r) {
            return filled(clientField(*c, r.text("ASSICURATO"), "E_MAIL")) == wanted;
        };
    });
    custom(kSArrears, 238, "Arretrate:", FieldKind::Logical, [](const Typed& t) -> RecordPredicate {
        if (t[kSArrears] != "T") return {};
        const Date today = searchToday();
        return [today](const Table& r) { return isInArrears(r, today); };
    });
    return s;
}

} // namespace

const std::vector<SearchField>& policySearch()
{
    static const std::vector<SearchField> s = makeSearch();
    return s;
}

} // namespace arv::policies
