#include "policies/titleregister.h"

#include <filesystem>

#include "common/agency.h"
#include "common/ini.h"
#include "common/text.h"
#include "policies/titles.h"
#include "records/lookups.h"
#include "registry/clients.h"
#include "store/workspace.h"
#include "ui/formdialog.h"
#include "ui/popmsg.h"
#include "ui/register.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

std::vector<std::string> withEmpty(std::vector<std::string> l)
{
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

void generate(RegisterContext& c)
{
    std::unique_ptr<QDialog> d = makeTitleGenerationDialog();
    if (d->exec() != QDialog::Accepted) return;
    const auto& f = static_cast<const FormDialog&>(*d);
    const TitleGeneration g = generateTitles(c.workspace(), f.text("COMPAGNIA"), f.text("RAPPORTO"), f.text("RAMO"),
                                             f.text("DAL"), f.text("AL"));
    // A refusal leaves the list on the record it was on.
    if (!g) POPMSG(g.message, 1);
    if (c.redraw) c.redraw();
}

RegisterDesc build()
{
    RegisterDesc s = titleRegisterBase();
    for (EditField& f : s.fields)
        if (f.id == kTInsured)
            f.pick = [](Workspace& ws, const EditValues& v) { return registry::pickClient(ws, v.get("ASSICURATO")); };
    for (SearchField& f : s.search)
        if (f.field == "ASSICURATO")
            f.pick = [](Workspace& ws, const std::vector<std::string>& t) { return registry::pickClient(ws, t[5]); };
    s.extraButtons = {{kBtnGenerateTitles, "&Genera", false, generate}};
    s.print = [](RegisterContext& c) {
        AgencyIdentity agency;
        agency.load(IniFile((std::filesystem::path(c.workspace().folder()) / "ARV.INI").string()));
        printTitles(c.table(), agency);
    };
    return s;
}

} // namespace

const RegisterDesc& titlesRegister()
{
    static const RegisterDesc desc = build();
    return desc;
}

void TITOLI() { runRegister(titlesRegister(), workspace()); }

std::unique_ptr<QDialog> makeTitleGenerationDialog(QWidget* parent)
{
    auto companies = [] { return withEmpty(ACOMPAGNIE(workspace())); };
    EditField company = requiredField(choiceField(101, "Compagnia:", "COMPAGNIA", companies));
    EditField agreement = requiredField(choiceField(102, "Rapporto:", "RAPPORTO", companies));
    EditField branch = choiceField(103, "Ramo:", "RAMO", [] { return withEmpty(ARAMI(workspace())); });
    EditField from = requiredField(textField(104, "Numero: dal", dialogOnly("DAL"), "@!"));
    EditField to = textField(105, "al", dialogOnly("AL"), "@!");
    from.width = to.width = 15;
    return std::make_unique<FormDialog>(
        "GENERA", "Genera", std::vector<EditField>{company, agreement, branch, from, to}, parent,
        [](const EditValues& v) -> std::optional<std::pair<int, std::string>> {
            const std::string problem = titleRangeProblem(trim(v.get("DAL")), trim(v.get("AL")));
            if (problem.empty()) return std::nullopt;
            return std::make_pair(filled(v.get("AL")) ? 105 : 104, problem);
        });
}

} // namespace arv::policies
