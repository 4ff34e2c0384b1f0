#include "accounting/movements.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "accounting/remittances.h"
#include "accounting/vocabulary.h"
#include "common/calendar.h"
#include "common/error.h"
#include "common/files.h"
#include "common/ini.h"
#include "common/instalments.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/report.h"
#include "common/text.h"
#include "policies/sheets.h"
#include "records/criteria.h"
#include "records/excel.h"
#include "records/lookups.h"
#include "records/reportrows.h"
#include "store/keys.h"

namespace fs = std::filesystem;

namespace arv::accounting {

using namespace store;
using namespace records;

namespace {

// The trimmed text in capitals, as lookups compare it.
std::string upper(const std::string& s) { return Mask::upper(trim(s)); }

bool upperStarts(const std::string& s, const char* prefix) { return upper(s).rfind(prefix, 0) == 0; }

const std::vector<std::string> kTypes = {"", "Quietanza", "Polizza nuova", "Rinnovo", "Sostituzione", "Appendice",
                                         "Cambio compagnia"};

// ---- the policy as the movements read it

struct PolicyRow {
    bool found = false;
    std::string number, code, company, agreement, insured, producer, producer2, convention, branch, fraction, replacedBy,
        origin, conventionCode;
    Date coverage, expiry;
    bool cancelled = false, generate = false, verify = false;
    Decimal amount, fee, agency, producerCommission;
};

PolicyRow policyFrom(const Table& p)
{
    PolicyRow r;
    r.found = true;
    r.number = p.text("POLIZZA");
    r.code = p.raw("CODICE");
    r.company = p.text("COMPAGNIA");
    r.agreement = p.text("RAPPORTO");
    r.insured = p.text("ASSICURATO");
    r.producer = p.text("PRODUTTORE");
    r.producer2 = p.text("PRODUTTOR2");
    r.convention = p.text("CONVENZIO");
    r.branch = p.text("RAMO");
    r.fraction = p.text("FRAZIONAM");
    r.replacedBy = p.text("SOSTDA");
    r.origin = p.text("PROVENIEN");
    r.conventionCode = p.text("CODCONV");
    r.coverage = p.date("COPERTURA");
    r.expiry = p.date("SCADENZA");
    r.cancelled = p.logical("DISDETTA");
    r.generate = p.logical("GENEINC");
    r.verify = p.logical("VERIFICA");
    r.amount = p.number("IMPORTO");
    r.fee = p.number("COMMISS");
    r.agency = p.number("PROVVAGEN");
    r.producerCommission = p.number("PROVVPROD");
    return r;
}

// The policy of NUMBER, read through a cursor of its own; found is false for an unknown number
// (or a table that cannot be read).
PolicyRow readPolicy(Workspace& ws, const std::string& number)
{
    if (!filled(number)) return {};
    try {
        OwnTable own(ws, "POLIZZE", true);
        own->ordAdd("NUMPOL");
        if (!own->seek(indexKey(number, 25))) return {};
        return policyFrom(*own);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

std::string motorClass(Workspace& ws, const std::string& code)
{
    if (!filled(code)) return {};
    try {
        OwnTable own(ws, "DATIAUTO", true);
        own->ordAdd("DATIAUTO");
        return own->seek(policies::sheetKey(trim(code))) ? own->text("CLASSE") : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

namespace {

// ---- the dialog's copies


bool datesNotRequired(const EditValues& v)
{
    const std::string type = trim(v.get("TIPO"));
    return type.empty() || type.rfind("Quietanza", 0) == 0 || isAppendix(trim(v.get("DESCRIZIO")));
}

std::vector<EditField> buildFields()
{
    const auto inserting = [](const EditValues& v) { return isNewMovement(v); };
    const auto readOnly = [](EditField f) {
        f.readOnly = true;
        return f;
    };
    const auto shownOnly = [&inserting](EditField f) {
        f.stored = false;
        f.enabled = inserting;
        return f;
    };
    EditField date = dateField(101, "Data:", "DATA");
    date.rule = givenDate;
    EditField policy = textField(102, "Polizza n.:", "POLIZZA");
    policy.rule = [](const std::string& s, const EditValues&) { return !filled(s) || ISPOLIZZA(workspace(), trim(s)); };
    EditField producer =
        choiceField(109, "Produttore:", "PRODUTTORE", [] { return withEmpty(APRODUTT(workspace())); }, true);
    producer.rule = [](const std::string& s, const EditValues& v) { return filled(v.get("POLIZZA")) || filled(s); };
    producer.labelOf = [](const EditValues& v) {
        return std::string(isSecondProducer(v) ? "Produttore 2:" : "Produttore:");
    };
    EditField description =
        choiceField(114, "Descrizione:", "DESCRIZIO", [] { return withEmpty(ADESMVCOM(workspace())); });
    description.rule = requiredRule;
    EditField fees = numberField(116, "Diritti:", "DIRITTI", "@ZE 9,999.99");
    fees.enabled = inserting;
    fees.rule = [](const std::string&, const EditValues& v) {
        const Decimal d = v.number("DIRITTI");
        return d.isZero() || d >= interessenze(workspace().folder());
    };
    EditField motorClassField = textField(128, "Classe B/M:", "VARIAZBM");
    // Required for the branches written "Auto..." (as the branch list writes them).
    motorClassField.rule = [](const std::string& s, const EditValues& v) {
        return trim(v.get("RAMO")).rfind("Auto", 0) != 0 || filled(s);
    };
    EditField coverage = shownOnly(dateField(130, "Data copertura:", dialogOnly(kNewCoverage)));
    coverage.rule = [](const std::string& s, const EditValues& v) {
        return datesNotRequired(v) || bool(Date::fromDisplay(s));
    };
    EditField expiry = shownOnly(dateField(131, "Scadenza:", dialogOnly(kNewExpiry)));
    expiry.rule = coverage.rule;
    const auto companies = [] { return withEmpty(ACOMPAGNIE(workspace())); };
    return {
        date,
        policy,
        choiceField(104, "Compagnia:", "COMPAGNIA", companies, true),
        choiceField(105, "Rapporto:", "RAPPORTO", companies, true),
        readOnly(textField(106, "Ramo:", "RAMO")),
        textField(107, "Assicurato:", "ASSICURATO"),
        producer,
        choiceField(110, "Convenzione:", "CONVENZIO", [] { return withEmpty(ACONVENZ(workspace())); }, true),
        readOnly(textField(111, "Iscriz. RUI:", "NUMERUI")),
        readOnly(dateField(112, "Scadenza:", "SCADENZA")),
        choiceField(113, "Tipo:", "TIPO", [] { return kTypes; }),
        description,
        numberField(115, "Importo:", "IMPORTO", "@ZE 9,999,999.99"),
        fees,
        numberField(117, "Consulenza:", "COMMISS", "@ZE 9,999.99"),
        shownOnly(numberField(118, "Netto:", dialogOnly(kNet), "@ZE 999,999.99")),
        shownOnly(numberField(119, "I/F:", dialogOnly(kFireTheft), "@ZE 999,999.99")),
        numberField(120, "Importo RC Auto:", "RCAUTO", "@ZE 999,999.99"),
        numberField(121, "Ard:", "ARD", "@ZE 999,999.99"),
        numberField(122, "Inf.conducente:", "INFCOND", "@ZE 999,999.99"),
        numberField(123, "Provvigioni: Agenzia", "PROVVAGEN", "@ZE 999,999.99"),
        dateField(124, "Reg. corrispettivi:", "CORRISP"),
        numberField(125, "Produttore:", "PROVVPROD", "@ZE 999,999.99"),
        dateField(126, "Chiusura periodo:", "CHIUSURA"),
        choiceField(127, "Conto:", "CONTO", [] { return ACONTI(); }),
        motorClassField,
        dateField(129, "Data rientro:", "RIENTRO"),
        coverage,
        expiry,
        readOnly(dateField(132, "Data incasso:", "INCASSO")),
        dateField(133, "Fine periodo:", "FINEPER"),
        readOnly(textField(134, "Pagamento:", "PAGAMENTO")),
        textField(135, "", "CODICE"),
        logicalField(136, "", "PRODUTTOR2"),
    };
}

} // namespace

bool givenDate(const std::string& value, const EditValues&) { return bool(Date::fromDisplay(value)); }

std::vector<std::string> withEmpty(std::vector<std::string> list)
{
    if (list.empty() || !list.front().empty()) list.insert(list.begin(), std::string());
    return list;
}

namespace {

const EditField* fieldNamed(std::string_view name)
{
    for (const EditField& f : movementFields())
        if (f.field == name) return &f;
    return nullptr;
}

void setAmount(EditValues& v, std::string_view name, const Decimal& amount)
{
    const EditField* f = fieldNamed(name);
    v.set(name, f ? Mask(f->mask).formatNumber(amount.round(2)) : amount.round(2).toString(2));
}

Date typedDate(const EditValues& v, std::string_view name) { return Date::fromDisplay(v.get(name)); }

bool ask(const Interaction& io, const std::string& question) { return !io.ask || io.ask(question); }
void tell(const Interaction& io, const std::string& message)
{
    if (io.tell) io.tell(message);
}

// The movement's due date and amounts from the policy, by the description.
void amountsByDescription(Workspace& ws, EditValues& v, const PolicyRow& p)
{
    const std::string d = trim(v.get("DESCRIZIO"));
    if (isCollection(d)) {
        setAmount(v, "IMPORTO", p.amount);
        setAmount(v, "COMMISS", p.fee);
        setAmount(v, "PROVVAGEN", p.agency);
        setAmount(v, "PROVVPROD", p.producerCommission);
    } else if (d == "Rimessa") {
        setAmount(v, "IMPORTO", remittanceFigure(ws, trim(v.get("RAPPORTO")), typedDate(v, "DATA"),
                                                 typedDate(v, "FINEPER"), RemittanceFigure::Amount));
        setAmount(v, "COMMISS", Decimal());
        setAmount(v, "PROVVAGEN", Decimal());
        setAmount(v, "PROVVPROD", Decimal());
        v.set("CORRISP", Date::today().toDisplay());
    }
}

// Writes the dialog's stored values into the cursor's record.
void storeMovement(Table& t, const EditValues& v)
{
    const std::string code = t.raw("CODICE");
    storeValues(movementFields(), v, t);
    t.setRaw("CODICE", code);
    const FieldName amounts[] = {"IMPORTO", "DIRITTI", "COMMISS", "PROVVAGEN", "PROVVPROD", "RCAUTO", "ARD", "INFCOND"};
    for (FieldName amount : amounts) t.setNumber(amount, v.number(amount).round(2));
    t.setText("PAGAMENTO", paymentForAccount(trim(v.get("CONTO")), trim(t.text("PAGAMENTO"))));
    t.setLogical("PRODUTTOR2", isSecondProducer(v));
}

// A remittance of AGREEMENT dated DATE is already in the register (the whole table).
bool remittanceOnDay(Workspace& ws, const std::string& agreement, Date date)
{
    OwnTable own(ws, "MOVICOMP", true);
    Table& t = *own;
    t.ordAdd("MOVIDATA");
    const std::string key = indexKey(agreement, 35);
    for (t.seek(date.dtos(), true); !t.eof() && t.date("DATA") == date; t.skip(1))
        if (t.raw("RAPPORTO") == key && isRemittance(t.text("DESCRIZIO"))) return true;
    return false;
}

// The collection date of the policy's latest collection movement in date order (empty when none).
Date latestCollection(Workspace& ws, const std::string& rawNumber)
{
    OwnTable own(ws, "MOVICOMP", true);
    Table& t = *own;
    t.ordAdd("MOVIPOLI");
    Date bestDate, collected;
    uint32_t bestRecno = 0;
    bool any = false;
    for (bool ok = t.seek(rawNumber); ok && !t.eof() && t.raw("POLIZZA") == rawNumber; t.skip(1)) {
        if (!isCollection(t.text("DESCRIZIO"))) continue;
        const Date d = t.date("DATA");
        if (!any || d > bestDate || (d == bestDate && t.recno() > bestRecno)) {
            any = true;
            bestDate = d;
            bestRecno = t.recno();
            collected = t.date("INCASSO");
        }
    }
    return collected;
}

// The search's date bounds, kept with the remembered condition.
Period& rememberedPeriod()
{
    static Period p;
    return p;
}

const char* kRegisterName = "MOVICOMP";

} // namespace

// ---------------------------------------------------------------- the dialog's copies

const std::vector<EditField>& movementFields()
{
    static const std::vector<EditField> fields = buildFields();
    return fields;
}

std::vector<int> movementHiddenFields() { return {135, 136}; }

EditValues newMovementValues()
{
    EditValues v = blankValues(movementFields());
    v.set("DATA", Date::today().toDisplay());
    v.set("TIPO", "Quietanza");
    return v;
}

bool isNewMovement(const EditValues& v) { return !filled(v.get("CODICE")); }
bool isSecondProducer(const EditValues& v) { return v.logical("PRODUTTOR2"); }

Decimal interessenze(const std::string& folder)
{
    return IniFile((fs::path(folder) / "ARV.INI").string()).getDecimal("Vazoruza", "Interessenze");
}

// ---------------------------------------------------------------- commissions

Decimal commissionRate(Workspace& ws, char type, const std::string& holder, const std::string& agreement,
                       const std::string& branchKey)
{
    try {
        OwnTable own(ws, "PROVVIG", true);
        own->ordAdd("PROVVIG");
        const std::string key = std::string(1, type) + indexKey(holder, 35) +
                                (type == 'C' ? std::string(35, ' ') : indexKey(agreement, 35)) + indexKey(branchKey, 20);
        return own->seek(key) ? own->number("ALIQUOTA") : Decimal();
    } catch (const std::exception&) {
        return Decimal();
    }
}

Decimal computeCommission(Workspace& ws, const CommissionInput& in, const Decimal& interest)
{
    if (in.fees.isZero() && in.net.isZero() && in.fireTheft.isZero()) return in.stored;
    if (in.net.isZero() && in.fireTheft.isZero()) return in.stored + in.fees - interest;
    if (!filled(in.holder) || !filled(in.branch)) return Decimal();
    if (in.type == 'P' && !filled(in.agreement)) return Decimal();
    auto rate = [&](const std::string& key) { return commissionRate(ws, in.type, in.holder, in.agreement, key); };
    auto pair = [&](const char* liability, const char* fireTheft) {
        return rate(liability) * in.net / Decimal(100) + rate(fireTheft) * in.fireTheft / Decimal(100);
    };
    Decimal result;
    // Lorries before cars: "AUTOCARRI" also begins with "AUTO".
    if (upperStarts(in.branch, "AUTOCARRI")) result = pair("Autocarri-R.C.", "Autocarri-Inc./Furto");
    else if (upperStarts(in.branch, "AUTO")) result = pair("Auto-R.C.", "Auto-Inc./Furto");
    else if (upperStarts(in.branch, "INFORTUNI")) result = pair("Infortuni-R.C.", "Infortuni-Inc./Furto");
    else result = rate(trim(in.branch)) * in.net / Decimal(100);
    if (in.fees > Decimal()) result += in.fees - interest;
    return result;
}

// ---------------------------------------------------------------- loading from the policy

void loadFromPolicy(Workspace& ws, EditValues& v)
{
    const std::string number = trim(v.get("POLIZZA"));
    const PolicyRow p = readPolicy(ws, number);
    const bool second = isSecondProducer(v);
    if (filled(number) || filled(v.get("RAMO"))) {
        v.set("COMPAGNIA", p.company);
        v.set("RAPPORTO", p.agreement);
        v.set("ASSICURATO", p.insured);
        v.set("PRODUTTORE", second ? p.producer2 : p.producer);
        v.set("CONVENZIO", p.convention);
    }
    v.set("RAMO", p.branch);
    reloadRegistration(ws, v);
    v.set("SCADENZA", p.coverage.toDisplay());
    amountsByDescription(ws, v, p);
    v.set("VARIAZBM", motorClass(ws, p.code));
}

void reloadRegistration(Workspace& ws, EditValues& v)
{
    v.set("NUMERUI", filled(v.get("PRODUTTORE")) ? RUIPROD(ws, trim(v.get("PRODUTTORE"))) : std::string());
}

void movementFieldLeft(Workspace& ws, int id, EditValues& v)
{
    switch (id) {
    case 101:
        if (!typedDate(v, "INCASSO")) v.set("INCASSO", v.get("DATA"));
        break;
    case 102: loadFromPolicy(ws, v); break;
    case 109: reloadRegistration(ws, v); break;
    case 114: reloadAmounts(ws, v); break;
    case 116: recomputeCommissions(ws, v); break;
    case 118:
        if (upperStarts(v.get("RAMO"), "AUTO")) v.set("RCAUTO", v.get(kNet));
        recomputeCommissions(ws, v);
        break;
    case 119:
        v.set("ARD", v.get(kFireTheft));
        recomputeCommissions(ws, v);
        break;
    default: break;
    }
}

void reloadAmounts(Workspace& ws, EditValues& v) { amountsByDescription(ws, v, readPolicy(ws, trim(v.get("POLIZZA")))); }

void recomputeCommissions(Workspace& ws, EditValues& v)
{
    const PolicyRow p = readPolicy(ws, trim(v.get("POLIZZA")));
    const Decimal interest = interessenze(ws.folder());
    CommissionInput agency;
    agency.type = 'C';
    agency.holder = trim(v.get("RAPPORTO"));
    agency.agreement = agency.holder;
    agency.branch = trim(v.get("RAMO"));
    agency.stored = p.agency;
    agency.fees = v.number("DIRITTI");
    agency.net = v.number(kNet);
    agency.fireTheft = v.number(kFireTheft);
    CommissionInput producer = agency;
    producer.type = 'P';
    producer.holder = trim(v.get("PRODUTTORE"));
    producer.stored = p.producerCommission;
    producer.fees = Decimal();
    setAmount(v, "PROVVAGEN", computeCommission(ws, agency, interest));
    setAmount(v, "PROVVPROD", computeCommission(ws, producer, interest));
}

// ---------------------------------------------------------------- the policy update

bool AGGPOLIZZA(Workspace& ws, const PolicyUpdate& u)
{
    if (!filled(u.number)) return true;
    try {
        OwnTable own(ws, "POLIZZE");
        Table& p = *own;
        p.ordAdd("NUMPOL");
        if (!p.seek(indexKey(u.number, 25))) return true;
        const std::string code = trim(p.text("CODICE"));
        if (isCollection(u.description)) {
            p.lock(true);
            const Unlocker unlock{p};
            if (u.amount) p.setNumber("IMPORTO", u.amount->round(2));
            if (u.fee && !u.fee->isZero()) p.setNumber("COMMISS", u.fee->round(2));
            if (u.agencyCommission) p.setNumber("PROVVAGEN", u.agencyCommission->round(2));
            if (u.producerCommission) p.setNumber("PROVVPROD", u.producerCommission->round(2));
            if (u.isNew) {
                const Date oldCoverage = p.date("COPERTURA");
                Date coverage = u.coverage ? u.coverage : SOMMAFRAZ(oldCoverage, p.text("FRAZIONAM"));
                // A policy without instalments ("PREMIO UNICO") has no next coverage date: it keeps its own.
                if (!coverage) coverage = oldCoverage;
                p.setDate("COPERTURA", coverage);
                const Date oldExpiry = p.date("SCADENZA");
                if (u.expiry) p.setDate("SCADENZA", u.expiry);
                else if (oldExpiry && coverage && coverage >= oldExpiry) p.setDate("SCADENZA", ADDMONTH(oldExpiry, 12));
            }
            p.setDate("INCASSO", u.collected);
            if (u.generated) p.setLogical("VERIFICA", false);
            p.commit();
        }
        if (filled(u.motorClass) && !code.empty()) {
            OwnTable sheets(ws, "DATIAUTO");
            Table& a = *sheets;
            a.ordAdd("DATIAUTO");
            if (a.seek(policies::sheetKey(code))) {
                a.lock(true);
                a.setText("CLASSE", trim(u.motorClass));
                a.commit();
                a.unlock();
            }
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// ---------------------------------------------------------------- the last movement

bool isLastMovement(Workspace& ws, const Table& movements)
{
    if (movements.eof()) return true;
    const uint32_t here = movements.recno();
    const Date date = movements.date("DATA");
    const std::string number = movements.raw("POLIZZA");
    OwnTable own(ws, "MOVICOMP", true);
    Table& t = *own;
    t.ordAdd("MOVIDATA");
    for (t.seek(date.dtos(), true); !t.eof(); t.skip(1)) {
        if (t.date("DATA") == date && t.recno() <= here) continue; // equal keys: insertion order
        if (t.raw("POLIZZA") == number && isCollection(t.text("DESCRIZIO"))) return false;
    }
    return true;
}

// ---------------------------------------------------------------- saving

MovementSave saveMovement(Workspace& ws, Table& t, const EditValues& typed, const Interaction& io)
{
    MovementSave out;
    EditValues v = typed;
    const bool inserting = isNewMovement(v);
    // A new movement is collected on its date unless a collection date came with it.
    if (inserting && !typedDate(v, "INCASSO")) v.set("INCASSO", v.get("DATA"));
    const bool second = isSecondProducer(v);
    const std::string number = trim(v.get("POLIZZA"));
    const std::string description = trim(v.get("DESCRIZIO"));
    const std::string agreement = trim(v.get("RAPPORTO"));
    const Date date = typedDate(v, "DATA");
    const Date typedCoverage = typedDate(v, kNewCoverage);
    auto refuse = [&out](std::string message = {}) {
        out.kind = MovementSave::Refused;
        out.message = std::move(message);
        return out;
    };
    const PolicyRow policy = readPolicy(ws, number);

    if (inserting && !filled(v.get("CONTO")) && !ask(io, kMsgEmptyAccount)) return refuse();
    if (inserting && upperStarts(v.get("RAMO"), "AUTO") && !ask(io, kMsgCheckClass)) return refuse();
    if (inserting && policy.found && typedCoverage && typedCoverage != SOMMAFRAZ(policy.coverage, policy.fraction) &&
        !ask(io, kMsgCoverageMismatch))
        return refuse();
    if (DiskCheck p = ISPROTECTED(t.folder()); p.value) return refuse(p.message);
    if (DiskCheck f = ISFULL(t.folder()); f.value) return refuse(f.message);
    if (inserting && policy.found && filled(policy.replacedBy)) return refuse(kMsgReplaced);
    if (inserting && policy.found && policy.cancelled && policy.expiry == policy.coverage) return refuse(kMsgCancelled);
    // A remittance is looked for and written under one table lock: two workstations saving the
    // agreement's remittance of the same day cannot both find none and both write one.
    if (inserting && isRemittance(description)) {
        t.lock(false);
        if (remittanceOnDay(ws, agreement, date)) {
            t.unlock();
            return refuse(kMsgSameDay);
        }
    }

    if (inserting) {
        t.appendWithCode();
    } else {
        t.lock(true);
        t.recall();
    }
    Unlocker unlock{t};
    storeMovement(t, v);
    t.commit();
    out.recno = t.recno();
    // The agreement's earlier movements are registered only once the remittance is in the table.
    if (inserting && isRemittance(description))
        markRegistered(ws, agreement, date, typedDate(v, "FINEPER"), Date::today(), out.recno);

    if (!second && (inserting || isLastMovement(ws, t))) {
        PolicyUpdate u;
        u.isNew = inserting;
        u.number = number;
        u.description = description;
        u.amount = v.number("IMPORTO");
        u.fee = v.number("COMMISS");
        u.agencyCommission = v.number("PROVVAGEN");
        u.producerCommission = v.number("PROVVPROD");
        u.motorClass = trim(v.get("VARIAZBM"));
        u.expiry = typedDate(v, kNewExpiry);
        u.coverage = typedCoverage;
        u.collected = typedDate(v, "INCASSO");
        AGGPOLIZZA(ws, u);
    }
    t.goTo(out.recno);
    unlock.armed = false;
    t.unlock();

    if (isRemittance(description) && !second && io.remittanceDocuments) io.remittanceDocuments(ws, v);

    if (inserting && policy.found && filled(policy.producer2) && !second) {
        EditValues next = v;
        next.set("PRODUTTORE", policy.producer2);
        reloadRegistration(ws, next);
        setAmount(next, "PROVVPROD", Decimal());
        next.set("PRODUTTOR2", "T");
        out.second = next;
    }
    return out;
}

// ---------------------------------------------------------------- deleting

DeleteResult deleteMovement(Workspace& ws, Table& t, const Interaction& io)
{
    if (t.eof()) return DeleteResult::Cancelled;
    if (!isLastMovement(ws, t)) {
        tell(io, kMsgOnlyLast);
        return DeleteResult::NotLast;
    }
    if (!ask(io, kMsgConfirmDelete)) return DeleteResult::Cancelled;
    if (DiskCheck p = ISPROTECTED(t.folder()); p.value) {
        tell(io, p.message);
        return DeleteResult::DiskProblem;
    }
    const std::string rawNumber = t.raw("POLIZZA");
    // The second producer's movement never moved the policy: it goes without touching it.
    if (!filled(rawNumber) || !isCollection(t.text("DESCRIZIO")) || t.logical("PRODUTTOR2")) {
        t.del();
        return DeleteResult::Deleted;
    }
    tell(io, kMsgExpiryNotReset);
    const uint32_t deleted = t.recno();
    t.del();
    bool rolledBack = true;
    try {
        OwnTable own(ws, "POLIZZE");
        Table& p = *own;
        p.ordAdd("NUMPOL");
        if (p.seek(rawNumber)) {
            const Date collected = latestCollection(ws, rawNumber);
            p.lock(true);
            const Date coverage = SOTTRAIFRAZ(p.date("COPERTURA"), p.text("FRAZIONAM"));
            if (coverage) p.setDate("COPERTURA", coverage);
            p.setDate("INCASSO", collected);
            p.commit();
            p.unlock();
        }
    } catch (const std::exception&) {
        rolledBack = false;
    }
    if (rolledBack) return DeleteResult::Deleted;
    // The policy stays as it was: so does its movement.
    t.goTo(deleted);
    t.lock(true);
    t.recall();
    t.unlock();
    tell(io, kMsgPolicyNotUpdated);
    return DeleteResult::Restored;
}

// ---------------------------------------------------------------- "Genera"

bool generationRange(Date from, Date to) { return from && to && DAYDIFF(from, to) <= 30; }

size_t generateCollections(Workspace& ws, Table& t, const Generation& g, Date today)
{
    if (!generationRange(g.from, g.to)) return 0;
    std::vector<PolicyRow> due;
    {
        OwnTable own(ws, "POLIZZE", true);
        Table& p = *own;
        p.ordAdd("NUMPOL");
        const std::string code = upper(g.convention);
        for (p.goTop(); !p.eof(); p.skip(1)) {
            if (!p.logical("GENEINC") || !p.logical("VERIFICA")) continue;
            const Date c = p.date("COPERTURA");
            if (!c || c < g.from || c > g.to) continue;
            if (!code.empty() && upper(p.text("CODCONV")) != code) continue;
            due.push_back(policyFrom(p));
        }
    }
    size_t written = 0;
    for (const PolicyRow& p : due) {
        t.appendWithCode();
        t.setDate("DATA", today);
        t.setDate("INCASSO", today);
        t.setText("POLIZZA", p.number);
        t.setText("COMPAGNIA", p.company);
        t.setText("RAPPORTO", p.agreement);
        t.setText("RAMO", p.branch);
        t.setText("ASSICURATO", p.insured);
        t.setText("PRODUTTORE", p.producer);
        t.setDate("SCADENZA", p.coverage);
        t.setText("TIPO", "Quietanza");
        t.setText("DESCRIZIO", "Incasso");
        t.setNumber("IMPORTO", p.amount);
        t.setNumber("COMMISS", p.fee);
        t.setNumber("PROVVAGEN", p.agency);
        t.setNumber("PROVVPROD", p.producerCommission);
        t.setText("CONTO", g.account);
        t.setText("PAGAMENTO", paymentForAccount(g.account, std::string()));
        t.setText("VARIAZBM", motorClass(ws, p.code));
        t.commit();
        const uint32_t recno = t.recno();
        PolicyUpdate u;
        u.isNew = true;
        u.number = p.number;
        u.description = "Incasso";
        u.amount = p.amount;
        u.fee = p.fee;
        u.agencyCommission = p.agency;
        u.producerCommission = p.producerCommission;
        u.collected = today;
        u.generated = true;
        AGGPOLIZZA(ws, u);
        t.goTo(recno);
        t.unlock();
        ++written;
    }
    return written;
}

// ---------------------------------------------------------------- "Rientro", "Chiusura", "Corrispett"

namespace {

// The records of MOVICOMP in date order that KEEP accepts, through a cursor of its own.
std::vector<uint32_t> movementsWhere(Workspace& ws, Date from, Date to, const std::function<bool(const Table&)>& keep)
{
    std::vector<uint32_t> out;
    OwnTable own(ws, "MOVICOMP", true);
    Table& t = *own;
    t.ordAdd("MOVIDATA");
    if (from) t.seek(from.dtos(), true);
    else t.goTop();
    for (; !t.eof(); t.skip(1)) {
        const Date d = t.date("DATA");
        if (to && d > to) break;
        if (from && d < from) continue;
        if (keep(t)) out.push_back(t.recno());
    }
    return out;
}

// Writes each record of RECNOS through a cursor of its own, one record lock at a time.
size_t writeEach(Workspace& ws, const std::vector<uint32_t>& recnos, const std::function<bool(Table&)>& change)
{
    if (recnos.empty()) return 0;
    OwnTable own(ws, "MOVICOMP");
    return writeRecords(*own, recnos, change);
}

} // namespace

std::vector<uint32_t> suspendedMovements(Workspace& ws, Date from, Date to, const std::string& producer)
{
    const std::string wanted = upper(producer);
    return movementsWhere(ws, from, to, [&](const Table& t) {
        return !t.date("RIENTRO") && (upperStarts(t.text("CONTO"), "SOSPESI") || upperStarts(t.text("CONTO"), "ASSEGNI")) &&
               upper(t.text("PRODUTTORE")) == wanted;
    });
}

size_t returnSuspended(Workspace& ws, const std::vector<uint32_t>& recnos, Date date, const std::string& account)
{
    return writeEach(ws, recnos, [&](Table& t) {
        t.setDate("RIENTRO", date);
        t.setText("CONTO", account);
        return true;
    });
}

std::vector<uint32_t> closingMovements(Workspace& ws, Date from, Date to, const std::string& producer)
{
    const std::string wanted = upper(producer);
    return movementsWhere(ws, from, to,
                          [&](const Table& t) { return wanted.empty() || upper(t.text("PRODUTTORE")) == wanted; });
}

size_t closePeriod(Workspace& ws, const std::vector<uint32_t>& recnos, Date date)
{
    return writeEach(ws, recnos, [&](Table& t) {
        if (date && t.date("CHIUSURA")) return false;
        t.setDate("CHIUSURA", date);
        return true;
    });
}

size_t registerFees(Table& t, Date from, Date to, const std::string& agreement, Date date)
{
    const uint32_t here = t.eof() ? 0 : t.recno();
    const std::string wanted = upper(agreement);
    std::vector<uint32_t> chosen;
    // In the view's date order: from the first movement dated on or after FROM to the last dated
    // on or before TO.
    t.goTop();
    while (!t.eof() && t.date("DATA") < from) t.skip(1);
    for (; !t.eof() && t.date("DATA") <= to; t.skip(1)) {
        if (upper(t.text("RAPPORTO")) != wanted) continue;
        if (date && t.date("CORRISP")) continue; // registered already
        chosen.push_back(t.recno());
    }
    writeRecords(t, chosen, [date](Table& r) {
        r.setDate("CORRISP", date);
        return true;
    });
    if (here) t.goTo(here);
    else t.goBottom(), t.skip(1);
    return chosen.size();
}

// ---------------------------------------------------------------- search

namespace {

Date searchDate(const std::string& s)
{
    const ParsedDate d = Mask::parseDate(s);
    return d.status == DateStatus::Valid ? d.date : Date();
}

// The upper-cased, trimmed values of FIELD of the records of TABLE whose KEYFIELD equals WANTED
// (case-insensitive): the clients of a group, the policies of an origin.
std::shared_ptr<std::set<std::string>> valuesWhere(const char* table, FieldName field, FieldName keyField,
                                                   const std::string& wanted)
{
    auto out = std::make_shared<std::set<std::string>>();
    try {
        OwnTable own(workspace(), table, true);
        for (own->goTop(); !own->eof(); own->skip(1))
            if (upper(own->text(keyField)) == wanted) out->insert(upper(own->text(field)));
    } catch (const std::exception&) {
    }
    return out;
}

} // namespace

std::vector<SearchField> movementSearch()
{
    const auto field = [](int id, const char* label, FieldName f, Match m, FieldKind kind = FieldKind::Text) {
        return searchField(id, label, f, m, kind);
    };
    const auto& custom = customSearch;
    enum { kFrom, kTo, kPolicy, kCompany, kAgreement, kInsured, kProducer, kBranch, kDueFrom, kDueTo, kCloseFrom,
           kCloseTo, kType, kOrigin, kDescription, kAmount, kProducerCommission, kPayment, kAccount, kGroup,
           kMarketing, kCount };
    std::vector<SearchField> s(kCount);
    // The date bounds are kept for the value lists (read with "dal").
    s[kFrom] = custom(101, "Data: dal", FieldKind::Date, [](const std::vector<std::string>& t) -> RecordPredicate {
        const Date from = searchDate(t[kFrom]), to = searchDate(t[kTo]);
        // A confirmation with nothing typed changes nothing, the bounds included.
        if (std::all_of(t.begin(), t.end(), [](const std::string& x) { return !filled(x); })) return {};
        rememberedPeriod() = {from, to};
        if (!from && !to) return {};
        return criteria::dateRange("DATA", from ? std::optional<Date>(from) : std::nullopt,
                                   to ? std::optional<Date>(to) : std::nullopt);
    });
    s[kTo] = custom(102, "al", FieldKind::Date, {});
    s[kPolicy] = field(103, "Polizza n.:", "POLIZZA", Match::Prefix);
    auto listed = [&field](int id, const char* label, FieldName f, std::function<std::vector<std::string>()> list) {
        SearchField c = field(id, label, f, Match::Equal, FieldKind::Choice);
        c.list = std::move(list);
        c.typedChoice = true;
        return c;
    };
    s[kCompany] = listed(104, "Compagnia:", "COMPAGNIA", [] { return withEmpty(ACOMPAGNIE(workspace())); });
    s[kAgreement] = listed(105, "Rapporto:", "RAPPORTO", [] { return withEmpty(ACOMPAGNIE(workspace())); });
    s[kInsured] = field(106, "Assicurato:", "ASSICURATO", Match::Equal);
    s[kProducer] = listed(107, "Produttore:", "PRODUTTORE", [] { return withEmpty(APRODUTT(workspace())); });
    s[kBranch] = field(108, "Ramo:", "RAMO", Match::Prefix);
    s[kDueFrom] = field(109, "Scadenza: dal", "SCADENZA", Match::From, FieldKind::Date);
    s[kDueTo] = field(110, "al", "SCADENZA", Match::To, FieldKind::Date);
    s[kCloseFrom] = field(111, "Chiusura per.: dal", "CHIUSURA", Match::From, FieldKind::Date);
    s[kCloseTo] = field(112, "al", "CHIUSURA", Match::To, FieldKind::Date);
    s[kType] = field(113, "Tipo:", "TIPO", Match::Equal, FieldKind::Choice);
    s[kType].list = [] { return std::vector<std::string>(kTypes.begin() + 1, kTypes.end()); };
    s[kOrigin] = custom(114, "Provenienza:", FieldKind::Text, [](const std::vector<std::string>& t) -> RecordPredicate {
        const std::string wanted = upper(t[kOrigin]);
        if (wanted.empty()) return {};
        auto numbers = valuesWhere("POLIZZE", "POLIZZA", "PROVENIEN", wanted);
        return [numbers](const Table& r) { return numbers->count(upper(r.text("POLIZZA"))) > 0; };
    });
    s[kDescription] = field(115, "Descrizione:", "DESCRIZIO", Match::Equal, FieldKind::Choice);
    s[kDescription].list = [] { return withEmpty(ADESMVCOM(workspace())); };
    auto amount = [&custom](int id, const char* label, int index, FieldName f) {
        SearchField c = custom(id, label, FieldKind::Number, [index, f](const std::vector<std::string>& t) -> RecordPredicate {
            if (!filled(t[index])) return {};
            const std::optional<Decimal> d = Decimal::parse(Mask("@E 9,999,999.99").parseText(trim(t[index])));
            const Decimal value = d ? *d : Decimal::parseOrZero(trim(t[index]));
            return criteria::numberRange(f, value, value);
        });
        c.mask = "@ZE 9,999,999.99";
        return c;
    };
    s[kAmount] = amount(116, "Importo:", kAmount, "IMPORTO");
    s[kProducerCommission] = amount(117, "Provvigioni produttore:", kProducerCommission, "PROVVPROD");
    s[kPayment] = field(118, "Pagamento:", "PAGAMENTO", Match::Prefix, FieldKind::Choice);
    s[kPayment].list = [] {
        return std::vector<std::string>{"", "POS bancomat", "POS carta credito", "POS virtuale", "Finanziamento"};
    };
    s[kAccount] = field(119, "Conto:", "CONTO", Match::Equal, FieldKind::Choice);
    s[kAccount].list = [] { return ACONTI(); };
    auto clientCode = [&custom](int id, const char* label, int index, FieldName clientField,
                                std::function<std::vector<std::string>()> list) {
        SearchField c = custom(id, label, FieldKind::Choice, [index, clientField](const std::vector<std::string>& t) -> RecordPredicate {
            const std::string wanted = upper(t[index]);
            if (wanted.empty()) return {};
            auto clients = valuesWhere("CLIENTI", "CLIENTE", clientField, wanted);
            return [clients](const Table& r) { return clients->count(upper(r.text("ASSICURATO"))) > 0; };
        });
        c.list = std::move(list);
        return c;
    };
    s[kGroup] = clientCode(120, "Gruppo:", kGroup, "GRUPPO", [] { return withEmpty(AGRUPPI(workspace())); });
    s[kMarketing] = clientCode(121, "Marketing:", kMarketing, "MARKETNG", [] { return withEmpty(AMARKETNG(workspace())); });
    return s;
}

Period searchPeriod()
{
    // "Tutti" forgets the condition, and the bounds with it.
    if (!criteria::remembered(kRegisterName)) return {};
    return rememberedPeriod();
}

// ---------------------------------------------------------------- lookups

std::string PROVENIENZA_(Workspace& ws, const std::string& number) { return readPolicy(ws, number).origin; }

std::string TARGA_(Workspace& ws, const std::string& number)
{
    const PolicyRow p = readPolicy(ws, number);
    if (!p.found) return {};
    try {
        OwnTable own(ws, "DATIAUTO", true);
        own->ordAdd("DATIAUTO");
        return own->seek(policies::sheetKey(trim(p.code))) ? own->text("TARGA") : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

// ---------------------------------------------------------------- printouts

namespace {

ReportColumn textColumn(const Table& t, const char* heading, FieldName field, int width)
{
    return ReportColumn{heading, [&t, field] { return ReportValue(t.text(field)); }, "", width};
}

ReportColumn dateColumn(const Table& t, const char* heading, FieldName field, int width)
{
    return ReportColumn{heading, [&t, field] { return ReportValue(t.date(field)); }, "", width};
}

} // namespace

PrintDocument printMovements(Table& t, bool preview)
{
    ReportDescription d;
    d.title = "Stampa movimenti compagnie";
    d.headings = {"STAMPA MOVIMENTI COMPAGNIE"};
    d.font = PrintFont("Arial", 8);
    d.landscape = true;
    d.totalLabel = "TOTALE";
    auto col = [&t](const char* heading, FieldName field, int width) { return textColumn(t, heading, field, width); };
    auto dateCol = [&t](const char* heading, FieldName field, int width = 0) {
        return dateColumn(t, heading, field, width);
    };
    d.columns = {dateCol("DATA", "DATA"),
                 col("DESCRIZIONE", "DESCRIZIO", 16),
                 col("COMPAGNIA", "COMPAGNIA", 18),
                 col("RAPPORTO", "RAPPORTO", 18),
                 col("PRODUTTORE", "PRODUTTORE", 18),
                 col("ASSICURATO", "ASSICURATO", 18),
                 col("POLIZZA N.", "POLIZZA", 16),
                 dateCol("SCAD.", "SCADENZA", 8),
                 ReportColumn{"IMPORTO",
                              [&t] { return ReportValue(signedAmount(t.text("CONTO"), t.number("IMPORTO"))); },
                              "@E 99,999,999.99", 10, true, ReportAlign::Right}};
    const uint32_t here = t.eof() ? 0 : t.recno();
    PrintDocument doc = runReport(d, tableRows(t), preview);
    if (here) t.goTo(here);
    return doc;
}

PrintDocument printValues(Workspace& ws, Table& t, ValueList which, bool preview)
{
    const char* title = which == ValueList::MotorLiability ? "Stampa valore portafoglio RC Auto"
                        : which == ValueList::Damage      ? "Stampa valore ARD"
                                                          : "Stampa valore infortuni conducente";
    const FieldName field = which == ValueList::MotorLiability ? FieldName("RCAUTO")
                            : which == ValueList::Damage      ? FieldName("ARD")
                                                              : FieldName("INFCOND");
    const Period period = searchPeriod();
    std::string periodText = DAL_AL(period.from, period.to);
    periodText = periodText.size() > 2 ? periodText.substr(2) : std::string();
    ReportDescription d;
    d.title = title;
    d.headings = {Mask::upper(title), "", "", periodText, "", ""};
    d.font = PrintFont("Arial", 8);
    d.headingFont = PrintFont("Arial", 12, true);
    d.landscape = true;
    d.totalLabel = "TOTALE";
    d.condition = [&t, field] { return !t.number(field).isZero(); };
    OwnTable policies(ws, "POLIZZE", true);
    policies->ordAdd("NUMPOL");
    Table& p = *policies;
    auto col = [&t](const char* heading, FieldName f, int width) { return textColumn(t, heading, f, width); };
    d.columns = {dateColumn(t, "DATA", "DATA", 0),
                 col("COMPAGNIA", "COMPAGNIA", 19),
                 col("RAMO", "RAMO", 19),
                 col("PRODUTTORE", "PRODUTTORE", 19),
                 col("ASSICURATO", "ASSICURATO", 19),
                 col("POLIZZA N.", "POLIZZA", 16),
                 ReportColumn{"FRAZIONAMENTO",
                              [&t, &p] {
                                  const std::string n = t.raw("POLIZZA");
                                  return ReportValue(filled(n) && p.seek(n) ? p.text("FRAZIONAM") : std::string());
                              },
                              "", 14},
                 dateColumn(t, "SCAD.", "SCADENZA", 8),
                 ReportColumn{"IMPORTO", [&t, field] { return ReportValue(t.number(field)); }, "@E 99,999,999.99", 12,
                              true, ReportAlign::Right}};
    const uint32_t here = t.eof() ? 0 : t.recno();
    size_t pieces = 0;
    for (t.goTop(); !t.eof(); t.skip(1))
        if (!t.number(field).isZero()) ++pieces;
    d.closingLines = {"", "TOTALE N° PEZZI: " + std::to_string(pieces)};
    PrintDocument doc = runReport(d, tableRows(t), preview);
    if (here) t.goTo(here);
    return doc;
}

std::string exportMovements(Workspace& ws, Table& t)
{
    // One cursor on the policies and one on the motor sheets for the whole export.
    auto policies = std::make_shared<OwnTable>(ws, "POLIZZE", true);
    (*policies)->ordAdd("NUMPOL");
    auto sheets = std::make_shared<OwnTable>(ws, "DATIAUTO", true);
    (*sheets)->ordAdd("DATIAUTO");
    ExtraColumn plate{"TARGA", [policies, sheets](const Table& r) -> CellValue {
                          const std::string n = r.raw("POLIZZA");
                          if (!filled(n) || !(*policies)->seek(n)) return std::string();
                          Table& a = **sheets;
                          return a.seek(policies::sheetKey(trim((*policies)->text("CODICE")))) ? a.text("TARGA")
                                                                                              : std::string();
                      }};
    ws.select(t.alias());
    return TOEXCEL(t, {plate});
}

} // namespace arv::accounting
