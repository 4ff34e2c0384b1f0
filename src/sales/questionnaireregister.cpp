#include "sales/questionnaireregister.h"

#include <optional>

#include <QApplication>

#include "common/text.h"
#include "policies/policyregister.h"
#include "registry/clients.h"
#include "sales/questionnaire.h"
#include "store/workspace.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::sales {

using namespace store;
using namespace records;

namespace {

std::optional<std::string> pickPolicy(const std::string& typed)
{
    const std::string n = trim(policies::POLIZZE(true, trim(typed)));
    if (n.empty()) return std::nullopt;
    return n;
}

// A form with the pickers of the screens and the caption of its type.
RegisterDesc withPickers(const RegisterDesc& form, bool forPolicy)
{
    RegisterDesc d = form;
    for (EditField& f : d.fields) {
        if (f.id == kFPolicy)
            f.pick = [](Workspace&, const EditValues& v) { return pickPolicy(v.get("POLIZZA")); };
        if (f.id == kFClient)
            f.pick = [](Workspace& ws, const EditValues& v) { return registry::pickClient(ws, v.get("CLIENTE")); };
    }
    d.prepareEdit = [](RegisterContext&, EditRequest& r, EditValues& v) { r.title = formCaption(r.inserting, v.get("TIPO")); };
    if (forPolicy) {
        DialogButton print;
        print.id = kBtnFormPrint;
        print.caption = "&Stampa";
        print.confirms = true;
        print.action = [](Workspace& ws, const EditValues&) { printQuestionnaire(ws, ws["QUESTADE"]); };
        d.editButtons.push_back(print);
    }
    return d;
}

Column dateColumn()
{
    Column c;
    c.header = "DATA";
    c.width = 9;
    c.value = [](const Table& t) {
        const Date d = t.date("DATA");
        return d ? d.toDisplay() : std::string();
    };
    return c;
}

void openNew(RegisterContext& c, const char* type)
{
    if (!c.edit) return;
    EditRequest r;
    r.inserting = true;
    r.mode = type;
    r.title = formCaption(true, type);
    c.edit(r, newValues(type));
}

RegisterDesc buildRegister()
{
    RegisterDesc s;
    s.name = "QUESTADE";
    s.title = "Precontrattuale";
    s.countingTitle = true;
    s.table = "QUESTADE";
    s.orders = {"QUESTADE"};
    s.columns = {dateColumn(), fieldColumn("CLIENTE", "CLIENTE", 35),
                 Column{"TIPO", [](const Table& t) { return typeDescription(t.text("TIPO")); }, 30}};
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch};
    s.extraButtons = {{kBtnPrint, "&Stampa", true, [](RegisterContext& c) { printQuestionnaire(c.workspace(), c.table()); }}};
    s.addMenu = {{typeDescription("T"), [](RegisterContext& c) { openNew(c, "T"); }},
                 {typeDescription("R"), [](RegisterContext& c) { openNew(c, "R"); }},
                 {typeDescription("A"), [](RegisterContext& c) { openNew(c, "A"); }}};
    s.readOnlyOnDoubleClick = true;
    // Each questionnaire in the form of its type; a new one names its type in the request.
    s.form = [](RegisterContext& c, const EditRequest& r) -> const RegisterDesc& {
        if (r.inserting) return screenForm(r.mode);
        return screenForm(c.hasRecord() ? c.table().text("TIPO") : std::string());
    };

    SearchField policy = searchField(103, "Polizza n.:", "POLIZZA", Match::Equal);
    policy.pick = [](Workspace&, const std::vector<std::string>& typed) { return pickPolicy(typed[2]); };
    SearchField client = searchField(104, "Cliente:", "CLIENTE", Match::Contains);
    client.pick = [](Workspace& ws, const std::vector<std::string>& typed) { return registry::pickClient(ws, typed[3]); };
    s.search = {searchField(101, "Data: dal", "DATA", Match::From, FieldKind::Date),
                searchField(102, "al", "DATA", Match::To, FieldKind::Date), policy, client};
    return s;
}

} // namespace

const RegisterDesc& questionnaireRegister()
{
    static const RegisterDesc desc = buildRegister();
    return desc;
}

const RegisterDesc& screenForm(std::string_view type, bool forPolicy)
{
    static const RegisterDesc motor = withPickers(motorForm(), false);
    static const RegisterDesc other = withPickers(otherForm(), false);
    static const RegisterDesc motorForPolicy = withPickers(motorForm(), true);
    static const RegisterDesc otherForPolicy = withPickers(otherForm(), true);
    if (isMotorType(type)) return forPolicy ? motorForPolicy : motor;
    return forPolicy ? otherForPolicy : other;
}

void printQuestionnaire(Workspace& ws, const Table& table)
{
    if (table.eof()) return;
    const PrintResult r = STAMPAN(ws, table);
    if (!r) POPMSG(r.message, 1);
}

void QUESTADE()
{
    RegisterOptions o;
    o.startOnLast = true;
    runRegister(questionnaireRegister(), workspace(), o);
}

void QUESTADE3(const std::string& number, const std::function<int(EditDialog&)>& run)
{
    Workspace& ws = workspace();
    const PolicyData policy = ADATIPOL(ws, number);
    const std::string type = questionnaireType(policy.branch, policy.telephone);
    const RegisterDesc& form = screenForm(type, true);
    EditValues values = newValues(type);
    values.set("POLIZZA", trim(number));
    loadFromPolicy(ws, values, withholdingRate(ws.folder()));
    const EditValues before = values;

    const int selected = ws.selected();
    openRegisterTables(form, ws);
    struct Closer {
        const RegisterDesc& form;
        Workspace& ws;
        int selected;
        ~Closer()
        {
            try {
                closeRegisterTables(form, ws);
                ws.select(selected);
            } catch (...) {
            }
        }
    } closer{form, ws, selected};
    Table& table = ws[form.aliasName()];
    bool reopened = false;
    for (;;) {
        EditDialog dialog(form, values, true, &table, QApplication::activeWindow());
        dialog.setWindowTitle(QString::fromStdString(formCaption(true, type)));
        dialog.setModified(reopened);
        if ((run ? run(dialog) : dialog.exec()) != QDialog::Accepted) return;
        values = dialog.values();
        const SaveResult r = saveRecord(form, ws, true, before, values);
        if (!r.message.empty()) POPMSG(r.message, 1);
        if (r) {
            if (dialog.confirmedBy() == kBtnFormPrint) printQuestionnaire(ws, table);
            return;
        }
        reopened = true;
    }
}

void addQuestionnaireEntries(const std::function<void(const std::string&, std::function<void()>)>& add)
{
    add("QUESTADE", [] { QUESTADE(); });
}

} // namespace arv::sales
