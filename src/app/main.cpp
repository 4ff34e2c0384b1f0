// Arvale: the program's entry point. The hooks connect the shell to the table engine, the
// settings file and the screens.
#include <filesystem>

#include <QFileDialog>

#include "accounting/einvoice.h"
#include "accounting/invoiceregister.h"
#include "accounting/movementregister.h"
#include "accounting/bookscreens.h"
#include "accounting/cashregister.h"
#include "accounting/ledgerregister.h"
#include "accounting/summaryscreens.h"
#include "app/application.h"
#include "app/maintenanceui.h"
#include "claims/claimregister.h"
#include "common/agency.h"
#include "common/files.h"
#include "common/ini.h"
#include "common/tempnames.h"
#include "records/reportrows.h"
#include "policies/policyregister.h"
#include "policies/financingregister.h"
#include "policies/listscreens.h"
#include "policies/titleregister.h"
#include "policies/renewalregister.h"
#include "policies/renewals.h"
#include "policies/portfoliorenewalscreen.h"
#include "registry/clients.h"
#include "registry/companies.h"
#include "registry/lookuptables.h"
#include "registry/producers.h"
#include "records/comuni.h"
#include "reporting/dailyscreens.h"
#include "reporting/formscreens.h"
#include "reporting/statementscreens.h"
#include "reporting/statisticscreens.h"
#include "sales/questionnaire.h"
#include "sales/questionnaireregister.h"
#include "sales/quoteregister.h"
#include "store/files.h"
#include "store/upgrade.h"
#include "store/workspace.h"
#include "ui/msgget.h"
#include "ui/officehooks.h"
#include "ui/popmsg.h"
#include "ui/waithooks.h"

namespace {

std::string iniPath() { return (std::filesystem::current_path() / "ARV.INI").string(); }

} // namespace

int main(int argc, char** argv)
{
    const std::string programDir =
        argc > 0 ? std::filesystem::absolute(std::filesystem::path(argv[0])).parent_path().string() : std::string();
    arv::ApplicationHooks hooks;
    hooks.cleanupLeftovers = [](const std::filesystem::path& folder, std::chrono::system_clock::time_point start) {
        arv::cleanupStartLeftovers(folder.string(), start);
    };
    hooks.databaseCheck = [programDir](std::string* message) {
        const std::string folder = std::filesystem::current_path().string();
        arv::store::workspace().setFolder(folder);
        arv::installWaitHooks(arv::store::waitHooks(), [folder] { return arv::ISPROTECTED(folder).value; });
        // A share that keeps record locks on this workstation is said before any table opens; the
        // user may go on (one workstation alone is safe) or stop here.
        if (const std::string warning = arv::store::lockMountWarning(folder);
            !warning.empty() && !arv::POPMSG(warning, 4, "Attenzione"))
            return false;
        if (!arv::store::AGGIORNADATABASE(folder, false, message)) return false;
        // A municipalities table just created is filled from the reference lists.
        try {
            arv::records::fillComuni(folder, arv::records::comuniDataFolder(programDir));
        } catch (const std::exception&) {
            // The tax-code decoding then leaves the municipality blank; nothing else needs it.
        }
        // The pre-contractual templates the program ships, for a folder that has none of its own.
        arv::sales::copyTemplates(arv::sales::templatesFolder(programDir), folder);
        return true;
    };
    hooks.closeAllTables = [] { arv::store::workspace().closeAll(); };
    hooks.screenTables = [] { return arv::store::workspace().closerOfNewTables(); };
    hooks.setting = [](const std::string& section, const std::string& key) {
        return arv::IniFile(iniPath()).get(section, key);
    };
    hooks.agency.load = [] {
        arv::AgencyIdentity id;
        id.load(arv::IniFile(iniPath()));
        return id;
    };
    hooks.agency.save = [](const arv::AgencyIdentity& id, std::string* error) {
        try {
            arv::IniFile ini(iniPath());
            id.save(ini);
            return true;
        } catch (const std::exception& e) {
            if (error) *error = std::string("Impossibile salvare i dati dell'agenzia: ") + e.what();
            return false;
        }
    };
    hooks.registerEntries = [programDir](arv::EntryRegistry& registry) {
        arv::MaintenanceEnvironment env;
        env.folder = std::filesystem::current_path().string();
        env.programName = "ARV"; // the program's short name, as in the window title and ARV.INI
        env.closeTables = [] { arv::store::workspace().closeAll(); };
        env.sendMail = arv::records::settingsMailSender(iniPath());
        arv::addMaintenanceEntries(registry, env);
        arv::installOfficeHooks();
        arv::registry::addClientEntries(
            [&registry](const std::string& name, std::function<void(const std::string&)> entry) {
                registry.add(name, [entry](const arv::EntryArgs&) { entry(std::string()); });
            });
        // The municipalities brought up to a newer list, from the about box.
        arv::setInfosAction("Aggiorna comuni...", [programDir](QWidget* parent) {
            const QString chosen = QFileDialog::getExistingDirectory(
                parent, "Cartella dell'elenco dei comuni",
                QString::fromStdString(arv::records::comuniDataFolder(programDir)));
            if (chosen.isEmpty()) return;
            try {
                const size_t n = arv::records::refreshComuni(std::filesystem::current_path().string(), chosen.toStdString());
                if (n == 0 && arv::records::readComuni(chosen.toStdString()).empty())
                    arv::POPMSG("Nessun elenco dei comuni nella cartella scelta.", 1);
                else
                    arv::POPMSG("Tabella dei comuni aggiornata: " + std::to_string(n) + " comuni modificati o aggiunti.", 1);
            } catch (const std::exception& e) {
                arv::POPMSG(std::string("Impossibile aggiornare la tabella dei comuni: ") + e.what(), 1);
            }
        });
        arv::registry::setClientEntryCaller([&registry](const std::string& name) { registry.call(name); });
        auto add = [&registry](const std::string& name, std::function<void()> entry) {
            registry.add(name, [entry](const arv::EntryArgs&) { entry(); });
        };
        arv::registry::addLookupEntries(add);
        arv::registry::addCompanyEntries(add);
        arv::registry::addProducerEntries(add);
        arv::policies::addPolicyEntries(
            [&registry](const std::string& name, std::function<void(const std::string&)> entry) {
                registry.add(name, [entry](const arv::EntryArgs&) { entry(std::string()); });
            });
        arv::accounting::addMovementEntries(add);
        // The claims: their entries, and the policy register's "S&inistri" on the policy under its cursor.
        arv::claims::addClaimEntries(add);
        arv::policies::setPolicyClaimsEntry([](const std::string& alias) { arv::claims::SINISTRI(true, alias); });
        arv::accounting::addLedgerEntries(add);
        arv::accounting::addCashEntries(add);
        // The prima nota (its daily form also on closing) and the accounting summary.
        arv::accounting::addBookReportEntries(
            [&registry](const std::string& name, std::function<void(bool)> entry) {
                registry.add(name, [entry](const arv::EntryArgs& a) { entry(a.flag); });
            });
        arv::sales::addQuestionnaireEntries(add);
        arv::accounting::setQuestionnaireCaller([](const std::string& policy) { arv::sales::QUESTADE3(policy); });
        // The renewal worklist: "Incasso" opens the company movements on the row's policy, its
        // print menu hands "Modulistica" over.
        arv::policies::addRenewalEntries(add);
        arv::policies::setCollectionHook([](const std::string& number) { return arv::accounting::MOVICOMP(true, number); });
        arv::policies::setRenewalEntryCaller([&registry](const std::string& name) { registry.call(name); });
        // The invoices: their entry, and the policy register's "Genera fattura" on the policy under its
        // cursor; the electronic invoices are checked against the schema installed beside the program.
        arv::accounting::addInvoiceEntries(add);
        arv::policies::setInvoiceGenerator([](const std::string& alias) { arv::accounting::generateInvoiceOfPolicy(alias); });
        arv::accounting::setInvoiceSchemaFolder(arv::accounting::invoiceSchemaFolder(programDir));
        // The numbered forms, the expiry and cancellation lists, the notices.
        add("TITOLI", arv::policies::TITOLI);
        add("FINANZ", arv::policies::FINANZ);
        arv::policies::addListEntries(add);
        // The quotes: their entry, "Modulistica" of their print menu, and the policy register's
        // price request through the quotes' e-mail.
        arv::sales::addQuoteEntries(add);
        arv::sales::setQuoteEntryCaller([&registry](const std::string& name) { registry.call(name); });
        arv::policies::setPriceRequestEntry([](const std::string& alias) { arv::sales::EMAILCOM(true, alias); });
        // The daily reporting and coverages.
        arv::reporting::addDailyEntries(add);
        // The statements of the agreements and of the producers.
        arv::reporting::addStatementEntries(add);
        arv::accounting::addSummaryEntries(add);
        // The statistics summary, the collection statistics, the budget and the portfolio renewals.
        arv::reporting::addStatisticsEntries(add);
        add("RINNOVI", arv::policies::RINNOVI);
        // The agency's forms: the menu, the toolbar and the print menus of the policies and the
        // company movements.
        arv::reporting::addFormEntries(add);
        arv::policies::setPolicyFormsEntry([&registry] { registry.call("MODULISTICA"); });
        arv::accounting::setMovementFormsCaller([&registry] { registry.call("MODULISTICA"); });
    };
    // A print job puts the selected table back on its record when it ends.
    arv::records::installPrintSelectionHook(arv::store::workspace());
    return arv::runApplication(argc, argv, hooks);
}
