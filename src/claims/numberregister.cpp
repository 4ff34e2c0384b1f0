#include "claims/numberregister.h"

#include <filesystem>

#include "claims/numbering.h"
#include "common/ini.h"
#include "common/text.h"
#include "records/lookups.h"
#include "store/workspace.h"
#include "ui/formdialog.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::claims {

using namespace store;
using namespace records;

namespace {

std::vector<std::string> companies()
{
    std::vector<std::string> l = ACOMPAGNIE(workspace());
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

void generate(RegisterContext& c)
{
    std::unique_ptr<QDialog> d = makeNumberGenerationDialog();
    if (d->exec() != QDialog::Accepted) return;
    const auto& f = static_cast<const FormDialog&>(*d);
    const Generation g = generateNumbers(c.workspace(), f.text("COMPAGNIA"), f.text("DAL"), f.text("AL"));
    if (!g) POPMSG(g.message, 1);
    if (c.redraw) c.redraw();
}

RegisterDesc build()
{
    RegisterDesc s;
    s.name = "NUMESINI";
    s.title = "Numerazione sinistri";
    s.countingTitle = true;
    s.table = "NUMESINI";
    s.orders = {"NUMESINI", "NUMSIN"};
    Column policy{"POLIZZA", [](const Table& t) { return t.logical("ANNULLATO") ? std::string("ANNULLATO") : t.text("POLIZZA"); },
                  25};
    s.columns = {fieldColumn("COMPAGNIA", "COMPAGNIA", 35), fieldColumn("NUMERO", "NUMERO", 20), policy};
    s.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint};
    s.extraButtons = {{kBtnGenerate, "&Genera", false, generate}};
    s.editName = "NUMESINI2";
    s.fields = seriesFields();
    s.duplicateTag = "NUMSIN";
    s.duplicateMessage = kMsgNumberPresent;
    s.search = seriesSearch();
    s.print = [](RegisterContext& c) {
        AgencyIdentity agency;
        agency.load(IniFile(settingsPath()));
        printSeries(c.table(), agency);
    };
    return s;
}

} // namespace

std::string settingsPath() { return (std::filesystem::path(workspace().folder()) / "ARV.INI").string(); }

const RegisterDesc& seriesRegister()
{
    static const RegisterDesc desc = build();
    return desc;
}

void NUMESINI() { runRegister(seriesRegister(), workspace()); }

std::unique_ptr<QDialog> makeNumberGenerationDialog(QWidget* parent)
{
    EditField company = requiredField(choiceField(101, "Compagnia:", "COMPAGNIA", companies));
    EditField from = requiredField(textField(102, "Sinistro n. dal", dialogOnly("DAL"), "@!"));
    EditField to = requiredField(textField(103, "al", dialogOnly("AL"), "@!"));
    from.width = to.width = 20;
    return std::make_unique<FormDialog>(
        "GENERANUM", "Genera", std::vector<EditField>{company, from, to}, parent,
        [](const EditValues& v) -> std::optional<std::pair<int, std::string>> {
            const std::string problem = rangeProblem(trim(v.get("DAL")), trim(v.get("AL")));
            if (problem.empty()) return std::nullopt;
            return std::make_pair(103, problem);
        });
}

} // namespace arv::claims
