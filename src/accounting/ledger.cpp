#include "accounting/ledger.h"

#include "accounting/movements.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/report.h"
#include "common/text.h"
#include "records/criteria.h"
#include "records/excel.h"
#include "records/lookups.h"
#include "records/reportrows.h"
#include "store/keys.h"

namespace arv::accounting {

using namespace store;
using namespace records;

namespace {

constexpr const char* kAmountMask = "@ZE 999,999.99";

std::vector<EditField> buildFields()
{
    EditField date = dateField(101, "Data:", "DATA");
    date.rule = givenDate;
    auto required = [](EditField f) {
        f.rule = requiredRule;
        return f;
    };
    EditField amount = numberField(107, "Importo:", "IMPORTO", kAmountMask);
    return {date,
            required(choiceField(102, "Conto:", "CONTO", [] { return ACONTI(); })),
            required(choiceField(103, "Contabilità:", "CONTABIL", [] { return AVOCICON(workspace()); })),
            required(choiceField(104, "Descrizione:", "DESCRIZIO", [] { return ADESMVCON(workspace()); })),
            textField(105, "Dettaglio:", "DETTAGLIO"),
            dateField(106, "Data documento:", "DATADOC"),
            amount,
            textField(108, "Assegno:", "ASSEGNO", "@!"),
            logicalField(109, "Contabilità:", "PRIMANOTA"),
            dateField(110, "Origine operaz.:", "ORIGINE"),
            memoField(111, "Note:", "NOTE")};
}

} // namespace

const std::vector<EditField>& ledgerFields()
{
    static const std::vector<EditField> fields = buildFields();
    return fields;
}

void prepareLedgerInsert(EditValues& v)
{
    v.set("DATA", Date::today().toDisplay());
    v.set("PRIMANOTA", "T");
}

PolicyParties policyParties(Workspace& ws, const std::string& number)
{
    if (!filled(number)) return {};
    try {
        OwnTable own(ws, "POLIZZE", true);
        own->ordAdd("NUMPOL");
        if (!own->seek(indexKey(number, 25))) return {};
        return {own->text("ASSICURATO"), own->text("COMPAGNIA")};
    } catch (const std::exception&) {
        return {};
    }
}

void ledgerFieldLeft(Workspace& ws, int id, EditValues& v)
{
    if (id != 105) return;
    const PolicyParties p = policyParties(ws, trim(v.get("DETTAGLIO")));
    v.set("NOTE", p.insured + "\r\n" + p.company);
}

bool returnMovement(Table& t, Date date, const std::string& account)
{
    if (t.eof()) return false;
    Unlocker release{t};
    t.lock(true); // re-reads the record
    if (t.deleted()) return false;
    t.setDate("ORIGINE", t.date("DATA"));
    t.setDate("DATA", date);
    t.setText("CONTO", account);
    t.commit();
    return true;
}

std::vector<SearchField> ledgerSearch()
{
    auto choice = [](int id, const char* label, FieldName field, std::function<std::vector<std::string>()> list) {
        SearchField f = searchField(id, label, field, Match::Equal, FieldKind::Choice);
        f.list = std::move(list);
        return f;
    };
    SearchField amount = customSearch(108, "Importo:", FieldKind::Number, [](const std::vector<std::string>& typed) {
        const std::optional<Decimal> n = Mask(kAmountMask).parseNumber(typed[7]);
        return n && filled(typed[7]) ? criteria::numberRange("IMPORTO", n, n) : RecordPredicate();
    });
    amount.mask = kAmountMask;
    return {searchField(101, "Periodo: dal", "DATA", Match::From, FieldKind::Date),
            searchField(102, "al", "DATA", Match::To, FieldKind::Date),
            choice(103, "Conto:", "CONTO", [] { return ACONTI(); }),
            choice(104, "Contabilità:", "CONTABIL", [] { return withEmpty(AVOCICON(workspace())); }),
            choice(105, "Descrizione:", "DESCRIZIO", [] { return withEmpty(ADESMVCON(workspace())); }),
            searchField(106, "Data documento: dal", "DATADOC", Match::From, FieldKind::Date),
            searchField(107, "al", "DATADOC", Match::To, FieldKind::Date),
            amount,
            searchField(109, "Assegno:", "ASSEGNO", Match::Equal),
            searchField(110, "Contabilità:", "PRIMANOTA", Match::Flag, FieldKind::TriState)};
}

PrintDocument printLedger(Table& t, bool preview)
{
    ReportDescription d;
    d.title = "Stampa movimenti contabilità";
    d.headings = {"STAMPA MOVIMENTI CONTABILITA'"};
    d.font = PrintFont("Arial", 9);
    d.landscape = true;
    d.totalLabel = "TOTALE";
    auto text = [&t](const char* heading, FieldName field, int width = 0) {
        return ReportColumn{heading, [&t, field] { return ReportValue(t.text(field)); }, "", width};
    };
    auto date = [&t](const char* heading, FieldName field) {
        return ReportColumn{heading, [&t, field] { return ReportValue(t.date(field)); }, "", 0};
    };
    d.columns = {date("DATA", "DATA"),
                 text("DESCRIZIONE", "DESCRIZIO", 25),
                 text("DETTAGLIO", "DETTAGLIO", 25),
                 text("CONTO", "CONTO"),
                 text("ASSEGNO", "ASSEGNO", 15),
                 date("DATA DOC.", "DATADOC"),
                 ReportColumn{"IMPORTO", [&t] { return ReportValue(t.number("IMPORTO")); }, "@E 99,999,999.99", 0,
                              true, ReportAlign::Right}};
    const uint32_t here = t.eof() ? 0 : t.recno();
    PrintDocument doc = runReport(d, tableRows(t), preview);
    if (here) t.goTo(here);
    return doc;
}

std::string exportLedger(Workspace& ws, Table& t)
{
    ws.select(t.alias());
    return TOEXCEL(t);
}

} // namespace arv::accounting
