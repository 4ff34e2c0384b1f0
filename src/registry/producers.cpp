#include "registry/producers.h"

#include "common/checks.h"
#include "common/cp1252.h"
#include "common/lists.h"
#include "common/text.h"
#include "registry/companies.h"
#include "records/excel.h"
#include "records/lookups.h"
#include "store/workspace.h"
#include "ui/register.h"

namespace arv::registry {

using namespace store;
using namespace records;

namespace {

constexpr const char* kMsgProducerPresent = "Produttore o sub agente già presente.";
constexpr int kBtnRates = 209;
constexpr int kBtnAll = 210;

RegisterDesc buildProducers()
{
    RegisterDesc s;
    s.name = "PRODUTTORI";
    s.title = "Produttori e sub agenti";
    s.table = "PRODUTT";
    s.orders = {"PRODUTT"};
    s.columns = {fieldColumn("PRODUTTORI E SUB AGENTI", "PRODUTTORE", 40)};
    s.typing = KeyTyping::Search;
    s.extraButtons = {
        {kBtnRates, "&Provvig", true,
         [](RegisterContext& c) { PROVVIG('P', c.table().text("PRODUTTORE")); }},
        {kBtnExcel, "E&xcel", true, [](RegisterContext& c) { TOEXCEL(c.table()); }},
        {kBtnAll, "&Tutti", false,
         [](RegisterContext& c) {
             clearSearch(c.desc(), c.table());
             c.table().goTop();
         }},
    };

    s.editName = "PRODUTTORE";
    EditField name = editField(101, "Produttore:", "PRODUTTORE");
    name.rule = [](const std::string& v, const EditValues&) { return !trim(v).empty(); };
    EditField taxCode = editField(106, "Codice fiscale:", "CODICEFISC", FieldKind::Text, "@! AAAAAA99A99A999A");
    taxCode.rule = [](const std::string& v, const EditValues&) { return trim(v).empty() || ISCOD(trim(v)); };
    EditField vat = editField(107, "Partita IVA:", "PARTITAIVA", FieldKind::Text, "99999999999");
    vat.rule = [](const std::string& v, const EditValues&) { return trim(v).empty() || ISIVA(trim(v)); };
    EditField groups = editField(115, "Gruppo:", "GRUPPO", FieldKind::Choice);
    groups.list = [] {
        std::vector<std::string> l = AGRUPPI(workspace());
        l.insert(l.begin(), std::string());
        return l;
    };
    s.fields = {name,
                editField(102, "Indirizzo:", "INDIRIZZO"),
                editField(103, "Città:", "CITTA"),
                editField(104, "C.A.P.:", "CAP", FieldKind::Text, "99999"),
                editField(105, "Provincia:", "PROVINCIA", FieldKind::Text, "@! AA"),
                taxCode,
                vat,
                choiceField(108, "Titolo:", "TITOLO", ATITOLI),
                editField(109, "Tel. casa:", "TELCASA", FieldKind::Text, "999999999999999"),
                editField(110, "Tel. ufficio:", "TELUFFICIO", FieldKind::Text, "999999999999999"),
                editField(111, "Cellulare:", "CELLULARE", FieldKind::Text, "999999999999999"),
                editField(112, "Fax:", "FAX", FieldKind::Text, "999999999999999"),
                editField(113, "Email:", "E_MAIL"),
                editField(114, "PEC:", "PEC"),
                groups,
                choiceField(116, "Qualifica:", "QUALIFICA", AQUALPROD),
                editField(117, "Sito web:", "SITOWEB"),
                editField(118, "Note:", "NOTE", FieldKind::Memo),
                editField(119, "Aliquota provv.:", "ALIQPR", FieldKind::Number, "@E 99.99 %"),
                editField(120, "Iscriz. RUI:", "NUMERUI"),
                editField(121, "Data:", "DATARUI", FieldKind::Date),
                editField(122, "Dipendente:", "DIPENDENTE", FieldKind::Logical),
                editField(123, "Cessato:", "NONATTIVO", FieldKind::Logical)};
    // "Agenzia" stands for the agency itself in every producer list and in the records that
    // name it: a producer of that name would be the agency's double, and renaming it would
    // rewrite all the agency's own business. The name counts as present already.
    s.check = [](Workspace& ws, const EditValues& v, bool inserting) -> std::optional<std::string> {
        const std::string name = upperCp1252(utf8ToCp1252(trim(v.get("PRODUTTORE"))));
        if (name != "AGENZIA") return std::nullopt;
        if (!inserting && upperCp1252(ws["PRODUTT"].raw("PRODUTTORE")).rfind("AGENZIA ", 0) == 0) return std::nullopt;
        return std::string(kMsgProducerPresent);
    };
    s.duplicateTag = "PRODUTT";
    s.duplicateMessage = kMsgProducerPresent;
    s.renameField = "PRODUTTORE";
    s.renames = producerRenames();
    return s;
}

} // namespace

const std::vector<RenameTarget>& producerRenames()
{
    static const std::vector<RenameTarget> targets = {
        {"POLIZZE", {"PRODUTTORE", "PRODUTTOR2"}},
        {"MOVICOMP", {"PRODUTTORE"}},
        {"PREVBSA", {"PRODUTTORE", "SUBAGENTE", "PRODPREV", "PRODARD"}},
        // A producer's rates name the producer; the agency's rates name an agreement.
        {"PROVVIG", {"RAGSOC"}, [](const Table& t) { return t.text("TIPO") == "P"; }},
        {"CLIENTI", {"SUBAGENTE", "SUBAGENTE2"}},
    };
    return targets;
}

const RegisterDesc& producersRegister()
{
    static const RegisterDesc desc = buildProducers();
    return desc;
}

void PRODUTTORI() { runRegister(producersRegister(), workspace()); }

void addProducerEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add)
{
    add("PRODUTTORI", [] { PRODUTTORI(); });
}

} // namespace arv::registry
