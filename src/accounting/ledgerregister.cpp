#include "accounting/ledgerregister.h"

#include "accounting/ledger.h"
#include "common/lists.h"
#include "common/numfmt.h"
#include "store/workspace.h"
#include "ui/formdialog.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::accounting {

using namespace store;
using namespace records;

namespace {

constexpr int kBtnReturn = 209;

void returnCurrent(RegisterContext& c)
{
    std::unique_ptr<QDialog> d = makeLedgerReturnDialog();
    if (d->exec() != QDialog::Accepted) return;
    const auto& form = static_cast<const FormDialog&>(*d);
    if (!returnMovement(c.table(), form.date("DATA"), form.text("CONTO"))) POPMSG(kMsgMovementGone, 1);
    // The list follows the movement to its new date, or drops it when it is gone.
}

RegisterDesc buildLedger()
{
    RegisterDesc s;
    s.name = "MOVICONT";
    s.title = "Movimenti contabilità";
    s.countingTitle = true;
    s.table = "MOVICONT";
    s.orders = {"MOVICONT"};
    s.columns = {fieldColumn("DATA", "DATA", 9), fieldColumn("CONTO", "CONTO", 26),
                 fieldColumn("DESCRIZIONE", "DESCRIZIO", 35)};
    Column amount;
    amount.header = "IMPORTO";
    amount.width = 14;
    amount.right = true;
    amount.value = [](const Table& t) { return ENSTR(t.number("IMPORTO")); };
    s.columns.push_back(amount);
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint};
    s.extraButtons = {{kBtnReturn, "&Rientro", true, returnCurrent}};

    s.editName = "MOVICONT2";
    s.fields = ledgerFields();
    s.formColumns = 1;
    s.prepareInsert = [](Workspace&, EditValues& v) { prepareLedgerInsert(v); };
    s.fieldLeft = [](int id, EditValues& v) { ledgerFieldLeft(workspace(), id, v); };
    s.search = ledgerSearch();
    s.searchColumns = 2;
    s.printouts = {
        {"Tabulato", [](RegisterContext& c) { printLedger(c.table()); }},
        {"-", {}},
        {"Estrazione dati", [](RegisterContext& c) { exportLedger(c.workspace(), c.table()); }},
    };
    return s;
}

} // namespace

const RegisterDesc& ledgerRegister()
{
    static const RegisterDesc desc = buildLedger();
    return desc;
}

std::unique_ptr<QDialog> makeLedgerReturnDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "RIENTROC", "Rientro",
        std::vector<EditField>{requiredField(dateField(101, "Data:", "DATA")),
                               requiredField(choiceField(102, "Conto:", "CONTO", [] { return ACONTI(); }))},
        parent);
    d->set(101, Date::today().toDisplay());
    return d;
}

void MOVICONT()
{
    RegisterOptions o;
    o.startOnLast = true;
    runRegister(ledgerRegister(), workspace(), o);
}

void addLedgerEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add)
{
    add("MOVICONT", [] { MOVICONT(); });
}

} // namespace arv::accounting
