#include "policies/financing.h"

#include "common/mask.h"
#include "common/report.h"
#include "common/text.h"
#include "records/criteria.h"
#include "records/lookups.h"
#include "records/reportrows.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

constexpr const char* kListMask = "@E 9,999,999.99";

std::vector<std::string> companiesWithEmpty()
{
    std::vector<std::string> l = ACOMPAGNIE(workspace());
    l.insert(l.begin(), std::string());
    return l;
}

bool givenDate(const std::string& value, const EditValues&) { return bool(Date::fromDisplay(value)); }

EditField required(EditField f)
{
    f.rule = requiredRule;
    return f;
}

std::vector<EditField> buildFields()
{
    EditField date = dateField(kFinDate, "Data:", "DATA");
    date.rule = givenDate;
    EditField number = textField(kFinNumber, "Numero finanz.:", "NUMERO");
    EditField agreement = required(choiceField(kFinAgreement, "Rapporto:", "RAPPORTO", companiesWithEmpty));
    // Choosing a finance company computes the commission at once; the amount does when it is left.
    agreement.changed = [](EditValues& v) { financingFieldLeft(workspace(), kFinAgreement, v); };
    EditField insured = required(textField(kFinInsured, "Assicurato:", "ASSICURATO"));
    EditField guarantor = textField(kFinGuarantor, "Garante:", "GARANTE");
    std::vector<EditField> f = {date,
                                number,
                                agreement,
                                insured,
                                guarantor,
                                numberField(kFinAmount, "Importo:", "IMPORTO", kFinancingAmountMask),
                                numberField(kFinFixed, "Pr. fisse:", "PRFISSE", kFinancingAmountMask),
                                numberField(kFinVariable, "Pr.variab.:", "PRVARIA", kFinancingAmountMask)};
    static constexpr const char* kPolicies[] = {"POLIZZA1", "POLIZZA2", "POLIZZA3", "POLIZZA4", "POLIZZA5"};
    for (int i = 0; i < 5; ++i)
        f.push_back(textField(kFinPolicy1 + i, i == 0 ? "Polizze:" : "", FieldName::runtime(kPolicies[i]), "@!"));
    EditField computed = editField(kFinComputed, "", dialogOnly("CALCOLO"));
    computed.stored = false;
    f.push_back(computed);
    return f;
}

// What a computation was made from: the amount and the agreement in capitals.
std::string computationKey(const EditValues& v)
{
    return v.number("IMPORTO").toString(2) + "|" + Mask::upper(trim(v.get("RAPPORTO")));
}

} // namespace

FinancingCommission financingCommission(const std::array<registry::FinancingBand, 5>& bands, const Decimal& amount)
{
    for (const registry::FinancingBand& b : bands)
        if (b.upTo >= amount) return {b.fixed, (amount * b.rate / Decimal(100)).round(2)};
    return {};
}

FinancingCommission financingCommission(Workspace& ws, const std::string& agreement, const Decimal& amount)
{
    const registry::AgreementTerms terms = registry::agreementTerms(ws, agreement);
    if (!terms.found) return {};
    return financingCommission(terms.bands, amount);
}

const std::vector<EditField>& financingFields()
{
    static const std::vector<EditField> fields = buildFields();
    return fields;
}

void prepareFinancingEdit(EditValues& v, bool inserting)
{
    if (inserting) v.set("DATA", Date::today().toDisplay());
    v.set("CALCOLO", computationKey(v));
}

void financingFieldLeft(Workspace& ws, int id, EditValues& v)
{
    if (id != kFinAmount && id != kFinAgreement) return;
    const std::string key = computationKey(v);
    if (key == v.get("CALCOLO")) return;
    v.set("CALCOLO", key);
    const FinancingCommission c = financingCommission(ws, trim(v.get("RAPPORTO")), v.number("IMPORTO"));
    const Mask mask(kFinancingAmountMask);
    v.set("PRFISSE", mask.formatNumber(c.fixed));
    v.set("PRVARIA", mask.formatNumber(c.variable));
}

bool togglePaid(Table& t, uint32_t recno)
{
    t.goTo(recno);
    if (t.eof() || t.recno() != recno) return false;
    t.lock(true); // re-reads the record
    Unlocker release{t};
    if (t.deleted()) return false;
    t.setLogical("PAGATO", !t.logical("PAGATO"));
    t.commit();
    return true;
}

std::vector<SearchField> financingSearch()
{
    SearchField agreement = searchField(103, "Rapporto:", "RAPPORTO", Match::Equal, FieldKind::Choice);
    agreement.list = companiesWithEmpty;
    SearchField amountFrom = searchField(106, "Importo: da", "IMPORTO", Match::From, FieldKind::Number);
    SearchField amountTo = searchField(107, "a", "IMPORTO", Match::To, FieldKind::Number);
    amountFrom.mask = amountTo.mask = kFinancingAmountMask;
    // The number against each of the loan's five policies, in capitals.
    SearchField policy = customSearch(108, "Polizza n.:", FieldKind::Text, [](const std::vector<std::string>& typed) {
        const std::string number = Mask::upper(trim(typed[7]));
        if (number.empty()) return RecordPredicate();
        return RecordPredicate([number](const Table& t) {
            for (const char* f : {"POLIZZA1", "POLIZZA2", "POLIZZA3", "POLIZZA4", "POLIZZA5"})
                if (Mask::upper(t.text(FieldName::runtime(f))) == number) return true;
            return false;
        });
    });
    policy.mask = "@!";
    return {searchField(101, "Data: dal", "DATA", Match::From, FieldKind::Date),
            searchField(102, "al", "DATA", Match::To, FieldKind::Date),
            agreement,
            searchField(104, "Assicurato:", "ASSICURATO", Match::Equal),
            searchField(105, "Garante:", "GARANTE", Match::Contains),
            amountFrom,
            amountTo,
            policy,
            searchField(109, "Pagato:", "PAGATO", Match::Flag, FieldKind::TriState)};
}

PrintDocument printFinancings(Table& t, bool preview)
{
    const uint32_t here = t.eof() ? 0 : t.recno();
    auto commission = [&t] { return t.number("PRFISSE") + t.number("PRVARIA"); };
    // The commissions still to be collected, over the same rows.
    Decimal credit;
    {
        ReportRows rows = tableRows(t);
        for (rows.first(); !rows.atEnd(); rows.next())
            if (!t.logical("PAGATO")) credit += commission().round(2);
    }
    ReportDescription d;
    d.title = "Stampa finanziamenti";
    d.headings = {"STAMPA FINANZIAMENTI"};
    d.font = PrintFont("Arial", 8);
    d.landscape = true;
    d.totalLabel = "TOTALE";
    auto text = [&t](const char* heading, FieldName field, int width) {
        return ReportColumn{heading, [&t, field] { return ReportValue(t.text(field)); }, "", width};
    };
    d.columns = {ReportColumn{"DATA", [&t] { return ReportValue(t.date("DATA")); }, "", 0},
                 text("NUM.FIN.", "NUMERO", 15),
                 text("RAPPORTO", "RAPPORTO", 30),
                 text("ASSICURATO", "ASSICURATO", 30),
                 text("GARANTE", "GARANTE", 30),
                 ReportColumn{"IMPORTO", [&t] { return ReportValue(t.number("IMPORTO")); }, kListMask, 0, true},
                 ReportColumn{"PROVVIG.", [commission] { return ReportValue(commission()); }, kListMask, 0, true},
                 ReportColumn{"P", [&t] { return ReportValue(std::string(t.logical("PAGATO") ? "X" : "")); }, "", 1,
                              false, ReportAlign::Center}};
    d.closingLines = {"", ""};
    d.closingFigures = {{"CREDITO PROVVIGIONI", trim(Mask(kListMask).formatNumber(credit))}};
    d.closingFigureColumn = 6; // under "PROVVIG."
    PrintDocument doc = runReport(d, tableRows(t), preview);
    if (here) t.goTo(here);
    return doc;
}

} // namespace arv::policies
