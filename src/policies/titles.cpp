#include "policies/titles.h"

#include "common/files.h"
#include "common/mask.h"
#include "common/numbershape.h"
#include "common/report.h"
#include "common/text.h"
#include "records/lookups.h"
#include "records/numberblock.h"
#include "records/reportrows.h"
#include "store/files.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

constexpr size_t kCompanyWidth = 35;

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}
std::vector<std::string> companies() { return withEmpty(ACOMPAGNIE(workspace())); }
std::vector<std::string> branches() { return withEmpty(ARAMI(workspace())); }

// A date shown in a column, blank when empty.
std::string shownDate(const Table& t, FieldName field)
{
    const Date d = t.date(field);
    return d ? d.toDisplay() : std::string();
}

} // namespace

std::vector<EditField> titleFields()
{
    EditField company = choiceField(kTCompany, "Compagnia:", "COMPAGNIA", companies);
    company.rule = requiredRule;
    EditField agreement = choiceField(kTAgreement, "Rapporto:", "RAPPORTO", companies);
    agreement.rule = requiredRule;
    EditField number = textField(kTNumber, "Numero:", "NUMERO", "@!");
    number.rule = requiredRule;
    return {company,
            agreement,
            choiceField(kTBranch, "Ramo:", "RAMO", branches),
            number,
            textField(kTInsured, "Assicurato:", "ASSICURATO"),
            dateField(kTEffect, "Data effetto:", "EFFETTO"),
            dateField(kTExpiry, "Data scadenza:", "SCADENZA"),
            logicalField(kTCancelled, "Annullato:", "ANNULLATO")};
}

std::vector<Column> titleColumns()
{
    Column insured{"ASSICURATO",
                   [](const Table& t) { return t.logical("ANNULLATO") ? std::string("ANNULLATO") : t.text("ASSICURATO"); },
                   35};
    return {fieldColumn("COMPAGNIA", "COMPAGNIA", 30), fieldColumn("RAMO", "RAMO", 16),
            fieldColumn("NUMERO", "NUMERO", 16), insured};
}

RegisterDesc titleRegisterBase()
{
    RegisterDesc s;
    s.name = "TITOLI";
    s.title = "Titoli";
    s.countingTitle = true;
    s.table = "TITOLI";
    s.orders = {"TITOLI", "NUMTIT"};
    s.columns = titleColumns();
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint};
    s.editName = "TITOLO";
    s.fields = titleFields();
    // The same number under any company, looked for in NUMTIT under the table lock.
    s.duplicateTag = "NUMTIT";
    s.duplicateMessage = kMsgTitlePresent;
    s.search = titleSearch();
    return s;
}

std::string titleRangeProblem(const std::string& from, const std::string& to)
{
    std::string message;
    const std::string last = filled(to) ? to : from;
    if (!numberRange(trim(from), trim(last), kTitleNumberWidth, kMaxTitlesGenerated, &message)) return message;
    return {};
}

TitleGeneration generateTitles(Workspace& ws, const std::string& company, const std::string& agreement,
                               const std::string& branch, const std::string& from, const std::string& to)
{
    TitleGeneration g;
    if (!filled(company)) return g.message = "Indicare la compagnia.", g;
    if (!filled(agreement)) return g.message = "Indicare il rapporto.", g;
    const std::string last = filled(to) ? to : from;
    const std::optional<NumberRange> range =
        numberRange(Mask::upper(trim(from)), Mask::upper(trim(last)), kTitleNumberWidth, kMaxTitlesGenerated, &g.message);
    if (!range) return g;
    if (DiskCheck p = ISPROTECTED(ws.folder()); p.value) return g.message = p.message, g;
    if (DiskCheck f = ISFULL(ws.folder(), 8192); f.value) return g.message = f.message, g;
    OwnTable t(ws, "TITOLI");
    t->ordAdd("TITOLI");
    t->ordAdd("NUMTIT");
    t->setOrder("TITOLI");
    Unlocker unlocker{*t};
    t->lock(false);
    const std::optional<size_t> written = appendNumberBlock(
        *t, rtrim(company), kCompanyWidth, *range, kTitleNumberWidth, [&](Table& r, const std::string& number) {
            r.setText("COMPAGNIA", rtrim(company));
            r.setText("RAPPORTO", rtrim(agreement));
            r.setText("RAMO", rtrim(branch));
            r.setText("NUMERO", number);
        });
    t->unlock();
    if (written) g.written = *written;
    else g.message = kMsgTitlesExist;
    return g;
}

std::vector<SearchField> titleSearch()
{
    using Typed = std::vector<std::string>;
    SearchField company = searchField(101, "Compagnia:", "COMPAGNIA", Match::Equal, FieldKind::Choice);
    company.list = companies;
    SearchField agreement = searchField(102, "Rapporto:", "RAPPORTO", Match::Equal, FieldKind::Choice);
    agreement.list = companies;
    SearchField branch = searchField(103, "Ramo:", "RAMO", Match::Prefix, FieldKind::Choice);
    branch.list = branches;
    branch.typedChoice = true;
    // Bounds on the number's text, in capitals: 1000 lies between 100 and 200, 95 does not.
    auto bound = [](size_t self, bool lower) {
        return [self, lower](const Typed& t) -> RecordPredicate {
            const std::string v = Mask::upper(trim(t[self]));
            if (v.empty()) return {};
            return [v, lower](const Table& r) {
                const std::string n = Mask::upper(r.text("NUMERO"));
                return lower ? n >= v : n <= v;
            };
        };
    };
    SearchField from = customSearch(104, "Numero: dal", FieldKind::Text, bound(3, true));
    SearchField to = customSearch(105, "al", FieldKind::Text, bound(4, false));
    from.mask = to.mask = "@!";
    return {company,
            agreement,
            branch,
            from,
            to,
            searchField(106, "Assicurato:", "ASSICURATO", Match::Equal),
            searchField(107, "Data effetto: dal", "EFFETTO", Match::From, FieldKind::Date),
            searchField(108, "al", "EFFETTO", Match::To, FieldKind::Date),
            searchField(109, "Data scadenza: dal", "SCADENZA", Match::From, FieldKind::Date),
            searchField(110, "al", "SCADENZA", Match::To, FieldKind::Date),
            searchField(111, "Annullato:", "ANNULLATO", Match::Flag, FieldKind::TriState)};
}

PrintDocument printTitles(Table& t, const AgencyIdentity& agency, bool preview)
{
    ReportDescription d;
    d.title = kTitlesRegisterTitle;
    d.headings = {"REGISTRO DEL CARICO TITOLI", "", agency.name, ""};
    const PrintFont body("Arial", 10);
    d.headingFonts = {PrintFont("Arial", 15, true, true), body, body, body};
    d.font = body;
    d.landscape = true;
    d.rowSeparators = true;
    auto text = [&t](const char* heading, FieldName field, int width) {
        return ReportColumn{heading, [&t, field] { return ReportValue(t.text(field)); }, "", width};
    };
    d.columns = {text("COMPAGNIA", "COMPAGNIA", 30),
                 text("RAMO", "RAMO", 20),
                 text("NUMERO", "NUMERO", 15),
                 text("ASSICURATO", "ASSICURATO", 25),
                 ReportColumn{"EFFETTO", [&t] { return ReportValue(shownDate(t, "EFFETTO")); }, "", 10},
                 ReportColumn{"", [&t] { return ReportValue(std::string(t.logical("ANNULLATO") ? "  ANNULLATO" : "")); },
                              "", 11}};
    const uint32_t here = t.eof() ? 0 : t.recno();
    PrintDocument doc = runReport(d, tableRows(t), preview);
    if (here) t.goTo(here);
    return doc;
}

} // namespace arv::policies
