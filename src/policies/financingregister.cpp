#include "policies/financingregister.h"

#include "common/numfmt.h"
#include "policies/financing.h"
#include "registry/clients.h"
#include "store/workspace.h"
#include "ui/register.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

RegisterDesc build()
{
    RegisterDesc s;
    s.name = "FINANZ";
    s.title = "Finanziamenti";
    s.countingTitle = true;
    s.table = "FINANZ";
    s.orders = {"FINANZ"};

    Column date{"DATA", [](const Table& t) {
                    const Date d = t.date("DATA");
                    return d ? d.toDisplay() : std::string();
                },
                9};
    Column amount{"IMPORTO", [](const Table& t) { return ENSTR(t.number("IMPORTO")); }, 12};
    amount.right = true;
    Column paid{" P", [](const Table& t) { return std::string(t.logical("PAGATO") ? "T" : "F"); }, 3};
    paid.centered = true;
    paid.checkBox = true;
    paid.spaceKey = true;
    // A loan another workstation deleted meanwhile is left deleted; the list drops it on redrawing.
    paid.click = [](RegisterContext& c) {
        Table& t = c.table();
        if (!t.eof()) togglePaid(t, t.recno());
    };
    s.columns = {date, fieldColumn("RAPPORTO", "RAPPORTO", 30), fieldColumn("ASSICURATO", "ASSICURATO", 30), amount,
                 paid};
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint};

    s.editName = "FINANZ2";
    s.fields = financingFields();
    for (EditField& f : s.fields)
        if (f.id == kFinInsured)
            f.pick = [](Workspace& ws, const EditValues& v) { return registry::pickClient(ws, v.get("ASSICURATO")); };
    s.hiddenFields = {kFinComputed};
    s.prepareEdit = [](RegisterContext&, EditRequest& r, EditValues& v) { prepareFinancingEdit(v, r.inserting); };
    s.fieldLeft = [](int id, EditValues& v) { financingFieldLeft(workspace(), id, v); };

    s.search = financingSearch();
    s.searchColumns = 2;
    for (SearchField& f : s.search)
        if (f.field == "ASSICURATO")
            f.pick = [](Workspace& ws, const std::vector<std::string>& typed) { return registry::pickClient(ws, typed[3]); };
    s.print = [](RegisterContext& c) { printFinancings(c.table()); };
    return s;
}

} // namespace

const RegisterDesc& financingRegister()
{
    static const RegisterDesc desc = build();
    return desc;
}

void FINANZ()
{
    RegisterOptions o;
    o.startOnLast = true;
    runRegister(financingRegister(), workspace(), o);
}

} // namespace arv::policies
