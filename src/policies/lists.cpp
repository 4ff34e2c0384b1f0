#include "policies/lists.h"

#include "common/calendar.h"
#include "common/mask.h"
#include "common/printjob.h"
#include "common/text.h"
#include "policies/policies.h"
#include "policies/policylist.h"
#include "policies/policyregister.h"
#include "records/criteria.h"
#include "records/lookups.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

constexpr size_t kNameWidth = 35;

// A date between two optional bounds (an empty date is outside any bound given).
bool within(Date d, Date from, Date to)
{
    if (from && !(d && d >= from)) return false;
    if (to && !(d && d <= to)) return false;
    return true;
}

// A condition on a text field equal to a value given (in capitals); none without a value.
RecordPredicate equalWhenGiven(FieldName field, const std::string& value)
{
    if (!filled(value)) return {};
    return criteria::equal(field, value);
}

RecordPredicate prefixWhenGiven(FieldName field, const std::string& value)
{
    if (!filled(value)) return {};
    return criteria::prefix(field, trim(value));
}

// The list over a shared copy of POLIZZE of its own: the view of CONDITION in the insured +
// company + number order, or by coverage date.
PrintDocument printSelection(Workspace& ws, const std::string& title, const RecordPredicate& condition,
                             bool byCoverage, bool preview)
{
    OwnTable p(ws, "POLIZZE", true);
    p->ordAdd("POLIZZE");
    p->setOrder("POLIZZE");
    Table::ViewOptions o;
    o.noMessage = true;
    if (byCoverage) o.key = [](const Table& t) { return t.date("COPERTURA").dtos(); };
    if (condition || byCoverage) p->setView(condition ? condition : [](const Table&) { return true; }, o);
    p->goTop();
    PolicyListOptions lo;
    lo.title = title;
    lo.preview = preview;
    return printPolicyList(ws, *p, lo);
}

} // namespace

RecordPredicate cancelledCondition(const CancelledCriteria& c, Date today)
{
    return [c, today](const Table& t) {
        if (!t.logical("DISDETTA") || filled(t.text("SOSTDA"))) return false;
        const Date expiry = t.date("SCADENZA");
        if (!within(expiry, c.from, c.to)) return false;
        if (c.expired ? !(expiry && expiry < today) : !(expiry && expiry >= today)) return false;
        if (c.byClient && !t.logical("DISDCLI")) return false;
        return true;
    };
}

RecordPredicate reformCondition(const ReformCriteria& c, Date today)
{
    return [c, today](const Table& t) {
        if (!t.logical("PROMEMORIA")) return false;
        const Date expiry = t.date("SCADENZA");
        if (!expiry || expiry - today > kReformDays) return false;
        return within(expiry, c.from, c.to);
    };
}

RecordPredicate expiryCondition(const ExpiryCriteria& c)
{
    std::vector<RecordPredicate> all;
    if (c.coverageFrom || c.coverageTo)
        all.push_back([c](const Table& t) { return within(t.date("COPERTURA"), c.coverageFrom, c.coverageTo); });
    if (c.activeOnly) all.push_back([](const Table& t) { return ATTIVA(t); });
    if (c.anniversaryFrom || c.anniversaryTo)
        all.push_back([c](const Table& t) {
            return inCalendarWindow(t.date("SCADENZA"), c.anniversaryFrom, c.anniversaryTo);
        });
    if (c.halfFrom || c.halfTo)
        all.push_back([c](const Table& t) {
            if (Mask::upper(trim(t.text("FRAZIONAM"))) == "ANNUALE") return false;
            const Date coverage = t.date("COPERTURA");
            if (coverage == t.date("SCADENZA")) return false;
            return within(coverage, c.halfFrom, c.halfTo);
        });
    all.push_back(prefixWhenGiven("RAMO", c.branch));
    all.push_back(equalWhenGiven("PAGAMENTO", c.payment));
    all.push_back(equalWhenGiven("PRODUTTORE", c.producer));
    all.push_back(equalWhenGiven("COMPAGNIA", c.company));
    all.push_back(equalWhenGiven("RAPPORTO", c.agreement));
    return criteria::allOf(std::move(all));
}

RecordPredicate newBusinessCondition(Workspace& ws, const NewBusinessCriteria& c)
{
    std::vector<RecordPredicate> all;
    all.push_back(equalWhenGiven("RAPPORTO", c.agreement));
    all.push_back(equalWhenGiven("PRODUTTORE", c.producer));
    all.push_back(prefixWhenGiven("RAMO", c.branch));
    if (filled(c.group)) {
        const std::string group = Mask::upper(trim(c.group));
        all.push_back([&ws, group](const Table& t) { return Mask::upper(GRUPCLIE(ws, t.text("ASSICURATO"))) == group; });
    }
    if (c.from || c.to)
        all.push_back([&ws, c](const Table& t) {
            Table* movements = ws.find("MOVICOMP_");
            return movements && within(ACCENSIONE(t, *movements), c.from, c.to);
        });
    if (c.withOrigin) all.push_back([](const Table& t) { return filled(t.text("PROVENIEN")); });
    if (c.toComplete) all.push_back([&ws](const Table& t) { return !PERFEZIONATA(ws, t.text("POLIZZA")); });
    all.push_back(equalWhenGiven("OPERATORE", c.operatorName));
    RecordPredicate given = criteria::allOf(std::move(all));
    // Any condition given without "Con provenienza": genuinely new business only.
    if (given && !c.withOrigin)
        return [given](const Table& t) {
            return given(t) && !filled(t.text("SOSTPOL")) && !filled(t.text("SOSTDA")) && !filled(t.text("PROVENIEN"));
        };
    return given;
}

PrintDocument listCancelled(Workspace& ws, const CancelledCriteria& c, Date today, bool preview)
{
    return printSelection(ws, kCancelledListTitle, cancelledCondition(c, today), false, preview);
}

PrintDocument listReform(Workspace& ws, const ReformCriteria& c, Date today, bool preview)
{
    return printSelection(ws, kReformListTitle, reformCondition(c, today), false, preview);
}

PrintDocument listExpiry(Workspace& ws, const ExpiryCriteria& c, bool preview)
{
    return printSelection(ws, kExpiryListTitle, expiryCondition(c), true, preview);
}

PrintDocument listNewBusiness(Workspace& ws, const NewBusinessCriteria& c, bool preview)
{
    const std::function<void()> close = openPolicyLookups(ws);
    struct Closer {
        const std::function<void()>& f;
        ~Closer() { f(); }
    } closer{close};
    return printSelection(ws, kNewBusinessListTitle, newBusinessCondition(ws, c), false, preview);
}

// ---------------------------------------------------------------- cancellation letters

std::string cancellationLetterProblem(const CancellationLetterCriteria& c)
{
    if (filled(c.number) == filled(c.agreement)) return "Indicare il numero di polizza oppure il rapporto.";
    return {};
}

namespace {

RecordPredicate letterCondition(const CancellationLetterCriteria& c)
{
    if (filled(c.number)) {
        const std::string number = trim(c.number);
        return [number](const Table& t) { return trim(t.text("POLIZZA")) == number; };
    }
    // The agreement as typed, exactly.
    const std::string agreement = rtrim(c.agreement);
    return [c, agreement](const Table& t) {
        if (rtrim(t.text("RAPPORTO")) != agreement) return false;
        if (!t.logical("AVVISO") || filled(t.text("SOSTDA")) || t.logical("DISDETTA")) return false;
        if (!within(t.date("COPERTURA"), c.from, c.to)) return false;
        return inCalendarWindow(t.date("SCADENZA"), c.anniversaryFrom, c.anniversaryTo);
    };
}

void letter(TPRINTER& job, const Table& t, const AgreementData& company, const AgencyIdentity& agency, Date today)
{
    const PrintFont plain("Arial", 12), bold("Arial", 12, true), underlined("Arial", 12, false, false, true);
    auto empty = [&job](int n) {
        for (int i = 0; i < n; ++i) PRINTTXT(job, {""});
    };
    auto at = [&job](int column, const std::string& text, const PrintFont& font) {
        PRINTTXT(job, {""});
        PRINTTXT(job, {text}, TxtOptions::at(column).withFont(font));
    };
    job.startPage();
    job.setFont(plain);
    empty(7);
    PRINTTXT(job, {"RACCOMANDATA A.R."}, TxtOptions().withFont(bold));
    empty(7);
    at(5, "MITTENTE: " + trim(t.text("ASSICURATO")), bold);
    empty(5);
    at(5, agency.placeAndDate(today), plain);
    at(40, "Spett.le", plain);
    empty(1);
    at(40, trim(company.companyLine1), plain);
    if (filled(company.companyLine2)) {
        empty(1);
        at(40, trim(company.companyLine2), plain);
    }
    empty(1);
    at(40, trim(company.address), plain);
    empty(1);
    std::string town = trim(company.postCode) + " " + trim(company.town);
    if (filled(company.province)) town += " (" + trim(company.province) + ")";
    at(40, trim(town), plain);
    if (!filled(company.companyLine2)) empty(1);
    empty(7);
    at(5, "OGGETTO: DISDETTA POLIZZA ASSICURATIVA N. " + trim(t.text("POLIZZA")), underlined);
    empty(4);
    at(5, "Il/La sottoscritto/a " + trim(t.text("ASSICURATO")) + ",", plain);
    empty(2);
    at(5, "con la presente dà formale disdetta della polizza in oggetto con decorrenza", plain);
    empty(2);
    at(5, "prossima alla scadenza contrattuale ed eventuali sostituzioni future.", plain);
    empty(6);
    at(5, "Distinti saluti.", plain);
    job.endPage();
}

} // namespace

void viewByInsuredAndCoverage(Table& p, const RecordPredicate& condition)
{
    p.ordAdd("POLIZZE");
    p.setOrder("POLIZZE");
    Table::ViewOptions o;
    o.noMessage = true;
    o.key = [](const Table& t) {
        std::string insured = Mask::upper(t.text("ASSICURATO"));
        insured.resize(kNameWidth, ' ');
        return insured + t.date("COPERTURA").dtos();
    };
    p.setView(condition, o);
    p.goTop();
}

PrintDocument printCancellationLetters(Workspace& ws, const CancellationLetterCriteria& c, const AgencyIdentity& agency,
                                       Date today, bool preview, std::string* message)
{
    if (message) message->clear();
    OwnTable p(ws, "POLIZZE", true);
    viewByInsuredAndCoverage(*p, letterCondition(c));
    if (p->eof()) {
        if (message) *message = kMsgNoLetters;
        return {};
    }
    TPRINTER job("Disdette", preview);
    for (; !p->eof() && !job.cancelled(); p->skip(1))
        letter(job, *p, ADATICOMP(ws, p->text("COMPAGNIA")), agency, today);
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

} // namespace arv::policies
