#include "accounting/cashregister.h"

#include "accounting/cash.h"
#include "common/files.h"
#include "common/mask.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "store/workspace.h"
#include "ui/formdialog.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::accounting {

using namespace store;
using namespace records;

namespace {

constexpr int kBtnSetting = 209;

std::string balanceText(const Decimal& d) { return trim(Mask(kBalanceMask).formatNumber(d)); }

// The balance at DAYSBACK days before today over the list's current view.
Figure balanceFigure(const char* label, int daysBack)
{
    return Figure{label,
                  [daysBack](RegisterContext& c) {
                      const Decimal initial = initialBalance(c.workspace().folder());
                      return balanceText(cashBalanceAt(c.table(), Date::today().addDays(-daysBack), initial));
                  },
                  16};
}

// "Imposta": the initial balance written to the settings; a drive that refuses writes reopens the dialog.
void changeSetting(RegisterContext& c)
{
    std::unique_ptr<QDialog> d = makeCashSettingDialog();
    while (d->exec() == QDialog::Accepted) {
        const std::string folder = c.workspace().folder();
        DiskCheck problem = ISPROTECTED(folder);
        if (!problem.value) problem = ISFULL(folder);
        if (problem.value) {
            POPMSG(problem.message, 1);
            continue;
        }
        setInitialBalance(folder, static_cast<const FormDialog&>(*d).number(dialogOnly("SALDO")));
        return;
    }
}

void printDay(RegisterContext& c)
{
    std::unique_ptr<QDialog> d = makeCashDateDialog();
    if (d->exec() != QDialog::Accepted) return;
    const Date day = static_cast<const FormDialog&>(*d).date("DATA");
    printCashDay(c.table(), day, initialBalance(c.workspace().folder()));
}

RegisterDesc buildCash()
{
    RegisterDesc s;
    s.name = "CASSA";
    s.title = "Registratore di cassa";
    s.countingTitle = true;
    s.table = "CASSA";
    s.orders = {"CASSA"};
    Column party;
    party.header = "ASSICUR./DESCRIZ.";
    party.width = 35;
    party.value = cashParty;
    Column paid;
    paid.header = "PAGATO";
    paid.width = 14;
    paid.right = true;
    paid.value = [](const Table& t) { return ENSTR(paymentOf(t).paid); };
    s.columns = {fieldColumn("DATA", "DATA", 9), fieldColumn("POLIZZA N.", "POLIZZA", 25), party, paid};
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint};
    s.extraButtons = {{kBtnSetting, "&Imposta", false, changeSetting}};
    s.figures = {balanceFigure("Saldo iniziale:", 1), balanceFigure("Saldo attuale:", 0)};

    s.editName = "CASSA2";
    s.fields = cashFields();
    s.prepareEdit = [](RegisterContext&, EditRequest& r, EditValues& v) { prepareCashEdit(v, r.inserting); };
    s.fieldLeft = [](int id, EditValues& v) { cashFieldLeft(workspace(), id, v); };
    s.search = cashSearch();
    s.searchColumns = 2;
    s.searchAllCaption = "&Tutte";
    s.print = printDay;
    return s;
}

} // namespace

const RegisterDesc& cashRegister()
{
    static const RegisterDesc desc = buildCash();
    return desc;
}

std::unique_ptr<QDialog> makeCashSettingDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "CASSAIMPOSTA", "Imposta",
        std::vector<EditField>{numberField(101, "Saldo iniziale:", dialogOnly("SALDO"), kBalanceMask)}, parent);
    d->set(101, balanceText(initialBalance(workspace().folder())));
    return d;
}

std::unique_ptr<QDialog> makeCashDateDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>("CASSADATA", "Stampa",
                                          std::vector<EditField>{requiredField(dateField(101, "Data:", "DATA"))}, parent);
    d->set(101, Date::today().toDisplay());
    return d;
}

void CASSA() { runRegister(cashRegister(), workspace()); }

void addCashEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add)
{
    add("CASSA", [] { CASSA(); });
}

} // namespace arv::accounting
