#include "policies/policies.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "common/checks.h"
#include "common/cp1252.h"
#include "common/files.h"
#include "common/instalments.h"
#include "common/lists.h"
#include "common/mask.h"
#include "policies/sheets.h"
#include "store/criteria.h"
#include "store/files.h"
#include "store/lookups.h"
#include "store/schema/schema.h"

namespace fs = std::filesystem;

namespace arv::policies {

using namespace store;

namespace {

constexpr size_t kNumberWidth = 25;
constexpr size_t kNameWidth = 35;
constexpr size_t kFormNumberWidth = 15;

std::string trim(const std::string& s)
{
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

bool filled(const std::string& s) { return !trim(s).empty(); }
std::string upper(const std::string& s) { return Mask::upper(s); }

// A text as an index stores it: Windows-1252, trailing blanks off, padded to WIDTH.
std::string padKey(const std::string& utf8, size_t width, bool upperCase = false)
{
    std::string k = utf8ToCp1252(utf8);
    while (!k.empty() && k.back() == ' ') k.pop_back();
    if (upperCase) k = schema::keyUpper(k);
    if (k.size() > width) k.resize(width);
    k.resize(width, ' ');
    return k;
}

// A cursor for one lookup: the screen's alias when it is open in the wanted order, else a cursor
// of its own (opened read-only, closed again with the selected area restored).
class Lookup {
public:
    Lookup(Workspace& ws, const char* table, const char* alias, const char* tag) : ws_(ws)
    {
        if (Table* t = ws.find(alias); t && t->orderName() == tag) {
            t_ = t;
            return;
        }
        if (!fileExists(ws.folder(), std::string(table) + ".DBF")) return;
        selected_ = ws.selected();
        own_ = ws.newAlias();
        t_ = &ws.open(table, own_, true, true);
        t_->ordAdd(tag);
        t_->setOrder(std::string_view(tag));
    }
    ~Lookup()
    {
        if (own_.empty()) return;
        try {
            ws_.close(own_);
            ws_.select(selected_);
        } catch (...) {
        }
    }
    Lookup(const Lookup&) = delete;
    Lookup& operator=(const Lookup&) = delete;
    Table* operator->() const { return t_; }
    explicit operator bool() const { return t_ != nullptr; }
    bool seek(const std::string& key) { return t_ && t_->seek(key); }

private:
    Workspace& ws_;
    Table* t_ = nullptr;
    std::string own_;
    int selected_ = 0;
};

std::string clientField(Workspace& ws, const std::string& client, const char* field)
{
    if (!filled(client)) return std::string();
    Lookup c(ws, "CLIENTI", "CLIENTI_", "CLIENTI");
    if (!c.seek(padKey(upper(client), kNameWidth, true))) return std::string();
    return trim(c->text(field));
}

// The internal code of ARG: the code itself, or that of the policy number ARG (over 10 characters).
std::string codeOf(Workspace& ws, const std::string& arg)
{
    std::string a = arg;
    while (!a.empty() && a.back() == ' ') a.pop_back();
    if (utf8ToCp1252(arg).size() <= 10) return sheetKey(arg);
    Lookup p(ws, "POLIZZE", "POLIZZE_", "NUMPOL");
    if (!p.seek(padKey(arg, kNumberWidth))) return std::string();
    return p->raw("CODICE");
}

std::string motorField(Workspace& ws, const std::string& arg, const char* field)
{
    const std::string code = codeOf(ws, arg);
    if (!filled(code)) return std::string();
    Lookup a(ws, "DATIAUTO", "DATIAUTO_", "DATIAUTO");
    if (!a.seek(sheetKey(code))) return std::string();
    return trim(a->text(field));
}

Date today_;
Date searchToday() { return today_ ? today_ : Date::today(); }

// ---- the dialog's fields

EditField text(int id, const char* label, const char* field, const char* mask = "", int page = 0)
{
    EditField f;
    f.id = id;
    f.label = label;
    f.field = field;
    f.mask = mask;
    f.page = page;
    return f;
}
EditField choice(int id, const char* label, const char* field, std::function<std::vector<std::string>()> list,
                 int page, bool typed = false)
{
    EditField f = text(id, label, field, "", page);
    f.kind = FieldKind::Choice;
    f.list = std::move(list);
    f.typedChoice = typed;
    return f;
}
EditField check(int id, const char* label, const char* field, int page)
{
    EditField f = text(id, label, field, "", page);
    f.kind = FieldKind::Logical;
    return f;
}
EditField date(int id, const char* label, const char* field, int page)
{
    EditField f = text(id, label, field, "", page);
    f.kind = FieldKind::Date;
    return f;
}
EditField number(int id, const char* label, const char* field, const char* mask, int page)
{
    EditField f = text(id, label, field, mask, page);
    f.kind = FieldKind::Number;
    return f;
}

bool required(const std::string& v, const EditValues&) { return filled(v); }
bool requiredIfPhone(const std::string& v, const EditValues& all) { return !all.logical("TELEFONICA") || filled(v); }

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

std::vector<std::string> companies() { return withEmpty(ACOMPAGNIE(workspace())); }

std::vector<EditField> makeFields()
{
    enum { kMain, kMoney, kOther };
    EditField insured = text(kFInsured, "Assicurato:", "ASSICURATO", "", kMain);
    insured.rule = required;
    EditField company = choice(kFCompany, "Compagnia:", "COMPAGNIA", companies, kMain);
    company.rule = required;
    EditField agreement = choice(kFAgreement, "Rapporto:", "RAPPORTO", companies, kMain);
    agreement.rule = required;
    EditField number_ = text(kFNumber, "Polizza n.:", "POLIZZA", "", kMain);
    number_.rule = required;
    EditField branch = choice(kFBranch, "Ramo:", "RAMO", [] { return withEmpty(ARAMI(workspace())); }, kMain);
    branch.rule = required;
    EditField code = text(kFCode, "Archivio:", "CODICE", "", kMain);
    EditField fraction = choice(kFFraction, "Frazionamento:", "FRAZIONAM", [] { return AFRAZ(); }, kMain);
    fraction.rule = required;
    EditField payment = choice(kFPayment, "Pagamento:", "PAGAMENTO", [] { return APAGAM(); }, kMain, true);
    payment.rule = required;
    EditField product = choice(kFProduct, "Prodotto:", "PRODOTTO", {}, kMain);
    // The products of company + agreement + convention, reloaded when one of them changes.
    product.listOf = [](const EditValues& v) {
        return APRODOTTI(workspace(), trim(v.get("COMPAGNIA")), trim(v.get("RAPPORTO")), trim(v.get("CONVENZIO")));
    };
    EditField hour = text(kFHour, "Ora:", "ORAEFF", "99:99", kMoney);
    hour.rule = [](const std::string& v, const EditValues&) {
        const std::string t = trim(v);
        // "HH:MM", checked as the time "HH:MM:00".
        return t.empty() || t == ":" || (v.size() == 5 && ISTIME(v + ":00"));
    };
    EditField fee = number(kFFee, "Consulenza:", "COMMISS", "@ZE 9,999.99", kMoney);
    fee.rule = [](const std::string&, const EditValues& all) {
        return !all.logical("TELEFONICA") || !all.number("COMMISS").isZero();
    };
    EditField total = number(kFTotal, "Totale:", "TOTALE", "@ZE 9,999,999.99", kMoney);
    total.stored = false;
    total.readOnly = true;
    EditField collected = date(kFCollected, "Incasso:", "INCASSO", kMoney);
    collected.readOnly = true;
    code.readOnly = true;
    EditField effect = date(kFEffect, "Effetto:", "EFFETTO", kMoney);
    effect.tooltip = "Decorrenza polizza";
    EditField expiry = date(kFExpiry, "Scadenza:", "SCADENZA", kMoney);
    expiry.tooltip = "Scadenza contratto";
    EditField coverage = date(kFCoverage, "Copertura:", "COPERTURA", kMoney);
    coverage.tooltip = "Coperta fino al/Data inizio sostituzione";
    EditField notice = check(kFNotice, "Avviso:", "AVVISO", kMoney);
    notice.tooltipOf = [](const EditValues& v) { return noticeTooltip(workspace(), v.get("ASSICURATO")); };
    EditField alias = text(kFMailAlias, "Alias email:", "ALIASTEL", "", kOther);
    alias.rule = requiredIfPhone;
    EditField mailbox = choice(kFMailbox, "Casella alias:", "CASELLATEL", [] {
        return ACASELLETEL((fs::path(workspace().folder()) / "ARV.INI").string());
    }, kOther);
    mailbox.rule = requiredIfPhone;
    EditField documents = choice(kFDocuments, "Documentazione:", "DOCUMENTO", [] { return ADOCUMENTI(); }, kOther, true);
    documents.rule = required;
    EditField notes = text(kFNotes, "Note:", "NOTE", "", kOther);
    notes.kind = FieldKind::Memo;
    auto producers = [] { return withEmpty(APRODUTT(workspace())); };
    std::vector<EditField> fields = {insured,
            company,
            agreement,
            choice(kFCoinsurer, "Coassicurazione:", "COASSICUR", companies, kMain, true),
            check(kFPhone, "Telefonica:", "TELEFONICA", kMain),
            number_,
            text(kFReplaces, "Sostituisce:", "SOSTPOL", "", kMain),
            text(kFReplacedBy, "Sostituita da:", "SOSTDA", "", kMain),
            text(kFQuote, "Preventivo:", "NUMPREV", "", kMain),
            branch,
            code,
            text(kFRegisterHolder, "Intest. P.R.A.:", "INTESTPRA", "", kMain),
            fraction,
            text(kFSchemeCode, "Cod. convenz.:", "CODCONV", "", kMain),
            choice(kFProducer1, "Produttore 1:", "PRODUTTORE", producers, kMain),
            choice(kFProducer2, "Produttore 2:", "PRODUTTOR2", producers, kMain),
            choice(kFScheme, "Convenzione:", "CONVENZIO", [] { return withEmpty(ACONVENZ(workspace())); }, kMain),
            payment,
            product,
            choice(kFProfession, "Professione:", "PROFESS", [] { return withEmpty(APROFESS(workspace())); }, kMain),
            effect,
            hour,
            expiry,
            coverage,
            collected,
            number(kFPremium, "Importo:", "IMPORTO", "@ZE 9,999,999.99", kMoney),
            fee,
            number(kFExpenses, "Spese:", "SPESE", "@ZE 999.99", kMoney),
            total,
            number(kFAgencyComm, "Agenzia:", "PROVVAGEN", "@ZE 999,999.99", kMoney),
            number(kFProducerComm, "Produttore:", "PROVVPROD", "@ZE 999,999.99", kMoney),
            check(kFTacit, "Tacito rinn.:", "TACITORIN", kMoney),
            check(kFAutoCollect, "Incasso autom.:", "GENEINC", kMoney),
            check(kFCancelled, "Disdetta:", "DISDETTA", kMoney),
            check(kFClientCancelled, "Disdetta cliente:", "DISDCLI", kMoney),
            check(kFReform, "Riforma polizza:", "PROMEMORIA", kMoney),
            notice,
            alias,
            mailbox,
            choice(kFOrigin, "Provenienza:", "PROVENIEN", companies, kOther, true),
            documents,
            check(kFConnected, "Pol.colleg.:", "COLLEGATA", kOther),
            text(kFConnected1, "Polizze collegate:", "POLCOLL1", "", kOther),
            text(kFConnected2, "", "POLCOLL2", "", kOther),
            check(kFInvoice, "Fatt.:", "FATTURA", kOther),
            notes,
            choice(kFOperator, "Operatore:", "OPERATORE", [] { return withEmpty(AOPERATORI(workspace())); }, kOther),
            text(kFUser, "Utente:", "UTENTE", "", kOther),
            text(kFPassword, "Password:", "PASSWORD", "", kOther)};
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

// Positions the cursor's NUMPOL lookup: a cursor of its own on the policies in number order.
std::unique_ptr<Table> numberCursor(const Table& policies)
{
    std::unique_ptr<Table> c = Table::open(policies.folder(), policies.name(), "NUMPOLCK", OpenMode::Shared, true);
    c->ordAdd("NUMPOL");
    c->setOrder(std::string_view("NUMPOL"));
    return c;
}

// Another live policy than EXCEPT with NUMBER.
bool numberTaken(Table& numbers, const std::string& number, uint32_t except)
{
    const std::string key = padKey(number, kNumberWidth);
    for (bool ok = numbers.seek(key); ok && !numbers.eof() && numbers.raw("POLIZZA") == key; numbers.skip(1))
        if (numbers.recno() != except) return true;
    return false;
}

// NEXTCODE taken under the table lock the caller holds: one more than the code of the last
// record, in physical order, that has one.
std::string codeUnderLock(Table& t)
{
    long long value = 0;
    for (uint32_t r = t.lastRec(); r >= 1 && value == 0; --r) {
        bool has = false;
        t.peek(r, [&](const Table& rec) {
            const std::string c = trim(rec.raw("CODICE"));
            if (c.empty()) return;
            has = true;
            value = std::atoll(c.c_str());
        });
        if (has) break;
    }
    char out[32];
    std::snprintf(out, sizeof out, "%10lld", value + 1);
    return out;
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
        Lookup c(ws, "COMPAGN", "COMPAGN_", "COMPAGN");
        if (c.seek(padKey(upper(v.get("COMPAGNIA")), kNameWidth, true)))
            v.set("TACITORIN", c->logical("TACITORIN") ? "T" : "F");
        else
            v.set("TACITORIN", "F");
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
    // Values chosen from a list without their trailing blanks; the code as "Archivio" shows it.
    for (const EditField& f : policyFields())
        if (f.kind == FieldKind::Choice || f.kind == FieldKind::Text) v.set(f.field, [&] {
                std::string s = v.get(f.field);
                while (!s.empty() && s.back() == ' ') s.pop_back();
                return s;
            }());
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
        Lookup c(ws, "COMPAGN", "COMPAGN_", "COMPAGN");
        auto active = [&](const std::string& name) {
            return !c.seek(padKey(upper(name), kNameWidth, true)) || !c->logical("NONATTIVO");
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
    struct Unlocker {
        Table& t;
        ~Unlocker()
        {
            try {
                t.unlock();
            } catch (...) {
            }
        }
    } unlocker{t};
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
        forms->ordAdd("NUMTIT");
        forms->setOrder(std::string_view("NUMTIT"));
        if (forms->seek(padKey(number, kFormNumberWidth))) {
            if (upper(trim(forms->text("COMPAGNIA"))) != upper(trim(after.get("COMPAGNIA")))) {
                const std::string m = "La Compagnia nel Titolo è: " + trim(forms->text("COMPAGNIA")) + ".";
                back();
                return refuse(m);
            }
            if (upper(trim(forms->text("RAPPORTO"))) != upper(trim(after.get("RAPPORTO")))) {
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
        if (!numbers->seek(padKey(*c, kNumberWidth))) {
            back();
            return refuse("Impossibile trovare la polizza " + *c + ".");
        }
        (c == &connected1 ? linked1 : linked2) = numbers->recno();
    }
    numbers.reset();

    // Every check passed: the record itself, under the table lock.
    const Decimal premiumBefore = before.number("IMPORTO");
    if (isNew(mode)) {
        out.code = codeUnderLock(t);
        t.append(true);
        t.setRaw("CODICE", out.code);
        t.setDate("DATAINS", Date::today());
    } else {
        t.goTo(editing);
        if (t.eof() || t.recno() != editing) {
            // Gone from the indexes (deleted elsewhere): reached by number.
            back();
            return refuse(std::string());
        }
        t.recall();
        out.code = t.raw("CODICE");
    }
    for (const EditField& f : policyFields()) {
        // The code is given once; the collection date is written by the company movements only.
        if (f.field == "CODICE" || f.field == "INCASSO") continue;
        int k = t.fieldIndex(f.field);
        if (k < 0) continue;
        const std::string text = after.get(f.field);
        switch (t.file().fields()[static_cast<size_t>(k)].type) {
        case 'N': t.setNumber(f.field, after.number(f.field)); break;
        case 'D': t.setDate(f.field, Date::fromDisplay(text)); break;
        case 'L': t.setLogical(f.field, text == "T"); break;
        case 'M': t.setMemo(f.field, text); break;
        default: t.setText(f.field, f.mask.empty() ? text : Mask(f.mask).parseText(text));
        }
    }
    t.setText("CODPRO", CODPRO(ws, trim(after.get("COMPAGNIA")), trim(after.get("RAPPORTO")),
                               trim(after.get("CONVENZIO")), trim(after.get("PRODOTTO"))));
    if (after.logical("GENEINC") && (isNew(mode) || after.number("IMPORTO") != premiumBefore))
        t.setLogical("VERIFICA", true);
    t.commit();
    out.recno = t.recno();

    // The side effects, each record under the table lock or its own.
    if (forms && form) {
        forms->goTo(form);
        forms->lock(true);
        forms->setText("RAMO", after.get("RAMO"));
        forms->setText("ASSICURATO", after.get("ASSICURATO"));
        forms->setDate("EFFETTO", after.date("EFFETTO"));
        forms->setDate("SCADENZA", after.date("SCADENZA"));
        forms->commit();
        forms->unlock();
    }
    forms.reset();
    auto link = [&](uint32_t recno, const std::string& other) {
        if (!recno) return;
        t.goTo(recno);
        if (t.eof()) return;
        t.setText("POLCOLL1", number);
        t.setText("POLCOLL2", other);
        t.commit();
    };
    link(linked1, connected2);
    link(linked2, connected1);
    if (mode == PolicyMode::Replace) {
        t.goTo(source);
        if (!t.eof()) {
            t.setText("SOSTDA", number);
            t.setLogical("DISDETTA", true);
            t.commit();
        }
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
            claims->setOrder(std::string_view("SINPOL"));
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
    if (upper(trim(p.text("PAGAMENTO"))).rfind("SOSPESO", 0) == 0) return false;
    const Date covered = p.date("COPERTURA");
    return covered && today > covered.addDays(15);
}

// ---------------------------------------------------------------- record functions

bool MONORAMO(Workspace& ws, const Table& policy, const std::string& insured, const std::string& branch)
{
    if (!ATTIVA(policy)) return false;
    Lookup p(ws, "POLIZZE", "POLIZZE_", "POLIZZE");
    if (!p) return false;
    const std::string key = padKey(insured, kNameWidth);
    const std::string wanted = padKey(branch, 20);
    bool any = false;
    for (bool ok = p.seek(key); ok && !p->eof() && p->raw("ASSICURATO") == key; p->skip(1)) {
        any = true;
        if (p->raw("RAMO") != wanted) return false;
    }
    return any;
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
    if (!ATTIVA(policy)) return true;
    const Date covered = policy.date("COPERTURA");
    if (today > covered) return false;
    const Date due = SOTTRAIFRAZ(covered, policy.text("FRAZIONAM"));
    Lookup m(ws, "MOVICOMP", "MOVICOMP_", "MOVIPOLI");
    const std::string key = policy.raw("POLIZZA");
    for (bool ok = m.seek(key); ok && !m->eof() && m->raw("POLIZZA") == key; m->skip(1)) {
        const std::string d = trim(m->text("DESCRIZIO"));
        if ((d == "Incasso" || d == "Incasso diretto" || d == "Incasso provvisorio") && m->date("SCADENZA") == due)
            return true;
    }
    return false;
}

bool PERFEZIONATA(Workspace& ws, const std::string& number)
{
    {
        Lookup p(ws, "POLIZZE", "POLIZZE_", "NUMPOL");
        if (p.seek(padKey(number, kNumberWidth)) && !ATTIVA(*p.operator->())) return true;
    }
    Lookup m(ws, "MOVICOMP", "MOVICOMP_", "MOVIPOLI");
    return m.seek(padKey(number, kNumberWidth));
}

bool SUCCESSIVO(Date d1, Date d2)
{
    return d1.month() > d2.month() || (d1.month() == d2.month() && d1.day() >= d2.day());
}

bool inAnniversary(Date expiry, Date from, Date to)
{
    if (!from && !to) return true;
    if (!expiry) return false;
    const bool afterFrom = !from || SUCCESSIVO(expiry, from);
    const bool beforeTo = !to || SUCCESSIVO(to, expiry);
    if (from && to && !SUCCESSIVO(to, from)) return afterFrom || beforeTo; // round the year end
    return afterFrom && beforeTo;
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
    auto field = [&](size_t at, int id, const char* label, const char* f, Match m, FieldKind kind = FieldKind::Text) {
        s[at].id = id;
        s[at].label = label;
        s[at].field = f;
        s[at].match = m;
        s[at].kind = kind;
    };
    auto custom = [&](size_t at, int id, const char* label, FieldKind kind,
                      std::function<RecordPredicate(const Typed&)> c) {
        field(at, id, label, "", Match::Custom, kind);
        s[at].condition = std::move(c);
    };
    // A text compared with the upper-cased field padded to its width: equal.
    auto equalTo = [&](size_t at, int id, const char* label, const char* f, std::function<std::vector<std::string>()> list,
                       bool typed = false) {
        const std::string name = f;
        custom(at, id, label, FieldKind::Choice, [at, name](const Typed& t) -> RecordPredicate {
            const std::string v = upper(trim(t[at]));
            if (v.empty()) return {};
            return [v, name](const Table& r) { return upper(trim(r.text(name))) == v; };
        });
        s[at].list = std::move(list);
        s[at].typedChoice = typed;
    };
    auto clientIs = [&](size_t at, int id, const char* label, std::string (*get)(Workspace&, const std::string&),
                        std::function<std::vector<std::string>()> list) {
        custom(at, id, label, FieldKind::Choice, [at, get](const Typed& t) -> RecordPredicate {
            const std::string v = upper(trim(t[at]));
            if (v.empty()) return {};
            return [v, get](const Table& r) { return upper(get(workspace(), r.text("ASSICURATO"))) == v; };
        });
        s[at].list = std::move(list);
    };
    auto dateBound = [&](size_t at, int id, const char* label, const char* f, Match m) {
        field(at, id, label, f, m, FieldKind::Date);
    };
    auto companyList = [] { return withEmpty(ACOMPAGNIE(workspace())); };

    equalTo(kSInsured, 201, "Assicurato:", "ASSICURATO", {}, true);
    s[kSInsured].kind = FieldKind::Text;
    equalTo(kSCompany, 202, "Compagnia:", "COMPAGNIA", companyList);
    equalTo(kSAgreement, 203, "Rapporto:", "RAPPORTO", companyList);
    custom(kSNumber, 204, "Polizza n.:", FieldKind::Text, [](const Typed& t) -> RecordPredicate {
        const std::string v = upper(trim(t[kSNumber]));
        if (v.empty()) return {};
        return [v](const Table& r) { return upper(r.text("POLIZZA")).rfind(v, 0) == 0; };
    });
    custom(kSActive, 205, "Solo attive:", FieldKind::Logical, [](const Typed& t) -> RecordPredicate {
        if (t[kSActive] != "T") return {};
        return [](const Table& r) { return ATTIVA(r); };
    });
    custom(kSBranch, 206, "Ramo:", FieldKind::Choice, [](const Typed& t) -> RecordPredicate {
        const std::string v = upper(trim(t[kSBranch]));
        if (v.empty() || t[kSMonoBranch] == "T") return {};
        return [v](const Table& r) { return upper(r.text("RAMO")).rfind(v, 0) == 0; };
    });
    s[kSBranch].list = [] { return withEmpty(ARAMI(workspace())); };
    custom(kSMonoBranch, 207, "Clienti monoramo:", FieldKind::Logical, [](const Typed& t) -> RecordPredicate {
        if (t[kSMonoBranch] != "T") return {};
        return [](const Table& r) { return MONORAMO(workspace(), r, r.text("ASSICURATO"), r.text("RAMO")); };
    });
    custom(kSProducer, 208, "Produttore:", FieldKind::Choice, [](const Typed& t) -> RecordPredicate {
        const std::string v = upper(trim(t[kSProducer]));
        if (v.empty()) return {};
        return [v](const Table& r) {
            return upper(trim(r.text("PRODUTTORE"))) == v || upper(trim(r.text("PRODUTTOR2"))) == v;
        };
    });
    s[kSProducer].list = [] { return withEmpty(APRODUTT(workspace())); };
    clientIs(kSGroup, 209, "Gruppo:", GRUPPO, [] { return withEmpty(AGRUPPI(workspace())); });
    clientIs(kSMarketing, 210, "Marketing:", MARKETNG_, [] { return withEmpty(AMARKETNG(workspace())); });
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
        return [today](const Table& r) { return !INCASSATA(workspace(), r, today); };
    });
    field(kSVerified, 224, "Verificata:", "VERIFICA", Match::Flag, FieldKind::TriState);
    dateBound(kSCollectedFrom, 225, "Data incasso: dal", "INCASSO", Match::From);
    dateBound(kSCollectedTo, 226, "al", "INCASSO", Match::To);
    custom(kSNotes, 227, "Note:", FieldKind::Text, [](const Typed& t) -> RecordPredicate {
        const std::string v = upper(trim(t[kSNotes]));
        if (v.empty()) return {};
        return [v](const Table& r) { return upper(r.memo("NOTE")).find(v) != std::string::npos; };
    });
    custom(kSConnected, 228, "Pol.colleg.:", FieldKind::Logical, [](const Typed& t) -> RecordPredicate {
        if (t[kSConnected] != "T") return {};
        return criteria::flag("COLLEGATA", true);
    });
    custom(kSAnniversaryFrom, 229, "Annualità: dal", FieldKind::Date, [](const Typed& t) -> RecordPredicate {
        const Date from = typedDate(t[kSAnniversaryFrom]), to = typedDate(t[kSAnniversaryTo]);
        if (!from && !to) return {};
        return [from, to](const Table& r) { return inAnniversary(r.date("SCADENZA"), from, to); };
    });
    custom(kSAnniversaryTo, 230, "al", FieldKind::Date, {}); // read with "dal"
    custom(kSHalfFrom, 231, "Semestralità: dal", FieldKind::Date, [](const Typed& t) -> RecordPredicate {
        const Date from = typedDate(t[kSHalfFrom]), to = typedDate(t[kSHalfTo]);
        if (!from && !to) return {};
        return [from, to](const Table& r) {
            if (upper(trim(r.text("FRAZIONAM"))) == "ANNUALE") return false;
            const Date c = r.date("COPERTURA");
            if (c == r.date("SCADENZA")) return false;
            if (from && !(c && c >= from)) return false;
            if (to && !(c && c <= to)) return false;
            return true;
        };
    });
    custom(kSHalfTo, 232, "al", FieldKind::Date, {});
    custom(kSPlate, 233, "Targa:", FieldKind::Text, [](const Typed& t) -> RecordPredicate {
        std::string v = upper(t[kSPlate]);
        v.erase(std::remove(v.begin(), v.end(), ' '), v.end());
        if (v.empty()) return {};
        return [v](const Table& r) {
            std::string p = upper(plateOf(workspace(), r.raw("CODICE")));
            p.erase(std::remove(p.begin(), p.end(), ' '), p.end());
            return p == v;
        };
    });
    s[kSPlate].mask = "@!";
    custom(kSVehicle, 234, "Tipo veicolo:", FieldKind::Choice, [](const Typed& t) -> RecordPredicate {
        const std::string v = upper(trim(t[kSVehicle]));
        if (v.empty()) return {};
        return [v](const Table& r) { return upper(VEICOLO(workspace(), r.raw("CODICE"))) == v; };
    });
    s[kSVehicle].list = [] { return withEmpty(AVEICOLI()); };
    custom(kSClass, 235, "Classe B/M:", FieldKind::Text, [](const Typed& t) -> RecordPredicate {
        const std::string v = trim(t[kSClass]);
        if (v.empty()) return {};
        const Decimal wanted = Decimal::parse(v).value_or(Decimal());
        return [wanted](const Table& r) {
            return Decimal::parse(trim(CLASSE(workspace(), r.raw("CODICE")))).value_or(Decimal()) == wanted;
        };
    });
    custom(kSNotice, 236, "Avviso:", FieldKind::Logical, [](const Typed& t) -> RecordPredicate {
        if (t[kSNotice] != "T") return {};
        return criteria::flag("AVVISO", true);
    });
    custom(kSEmail, 237, "Email:", FieldKind::TriState, [](const Typed& t) -> RecordPredicate {
        if (t[kSEmail] != "T" && t[kSEmail] != "F") return {};
        const bool wanted = t[kSEmail] == "T";
        return [wanted](const Table& r) {
            return filled(clientField(workspace(), r.text("ASSICURATO"), "E_MAIL")) == wanted;
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
