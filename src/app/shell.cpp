#include "app/shell.h"

#include <algorithm>
#include <cctype>
#include <unistd.h>

namespace fs = std::filesystem;

namespace arv {

static MenuEntry separator()
{
    return {};
}

std::vector<MenuDef> mainMenus(bool withProducer)
{
    std::vector<MenuDef> menus;
    menus.push_back({"Modifica",
                     {
                         {"Polizze...", "Gestione delle polizze", "POLIZZE", {}},
                         {"Sinistri...", "Gestione dei sinistri", "SINISTRI", {}},
                         {"Movimenti compagnie...", "Gestione dei movimenti delle compagnie", "MOVICOMP", {}},
                         {"Movimenti contabilità...", "Gestione dei movimenti di contabilità", "MOVICONT", {}},
                         {"Fatture...", "Gestione fatture", "FATTURE", {}},
                         {"Titoli...", "Gestione dei titoli", "TITOLI", {}},
                         {"Numerazione sinistri...", "Gestione della numerazione sinistri", "NUMESINI", {}},
                         {"Preventivi...", "Gestione dei preventivi", "PREVENTIVI", {}},
                         {"Quietanzamento...", "Gestione del quietanzamento", "QUIETANZ", {}},
                         {"Finanziamenti...", "Gestione dei finanziamenti", "FINANZ", {}},
                         {"Precontrattuale...", "Gestione del precontrattuale", "QUESTADE", {}},
                         {"Registratore di cassa...", "Gestione dei movimenti di cassa", "CASSA", {}},
                         separator(),
                         {"Clienti...", "Gestione dei clienti", "CLIENTI", {}},
                         {"Compagnie e rapporti...", "Gestione delle compagnie e dei rapporti", "COMPAGNIE", {}},
                         {"Produttori e sub agenti...", "Gestione dei produttori e sub agenti", "PRODUTTORI", {}},
                         separator(),
                         {"Rami...", "Gestione dei rami", "RAMI", {}},
                         {"Gruppi...", "Gestione dei gruppi", "GRUPPI", {}},
                         {"Marketing...", "Gestione dei gruppi marketing", "MARKETNG", {}},
                         {"Tipi di sinistro...", "Gestione dei tipi di sinistro", "TIPISIN", {}},
                         {"Descrizione movimenti compagnie...",
                          "Gestione delle descrizioni dei movimenti compagnie", "DESMVCOM", {}},
                         {"Descrizione movimenti contabilità...",
                          "Gestione delle descrizioni dei movimenti di contabilità", "DESMVCON", {}},
                         {"Descrizione voci contabilità...",
                          "Gestione delle descrizioni delle voci di contabilità", "VOCICON", {}},
                         {"Categorie voci contabilità...", "Gestione delle categorie delle voci di contabilità",
                          "CATECON", {}},
                         {"Garanzie...", "Gestione delle garanzie", "GARANZIE", {}},
                         {"Convenzioni...", "Gestione delle convenzioni", "CONVENZ", {}},
                         {"Prodotti...", "Gestione dei prodotti", "PRODOTTI", {}},
                         {"Professioni...", "Gestione delle professioni", "PROFESS", {}},
                         {"Operatori...", "Gestione degli operatori", "OPERATOR", {}},
                     }});
    menus.push_back(
        {"Visualizza",
         {
             {"Elenco disdette...", "Visualizza e stampa le polizze disdette", "DISDETTE", {}},
             {"Elenco riforma polizze", "Visualizza e stampa le polizze da riformare", "RIFORMA", {}},
             {"Scadenza polizze per data", "Visualizza e stampa le polizze scadute in ordine di data", "SCADENZE",
              {}},
             {"Contratti nuovi...", "Visualizza e stampa le polizze nuove", "NUOVI", {}},
             {"Avvisi...", "Visualizza e stampa gli avvisi", "AVVISI", {}},
             {"Avvisi di disdetta...", "Visualizza e stampa gli avvisi di disdetta", "DISDETTE2", {}},
             separator(),
             {"Reporting giornaliero", "Visualizza e stampa il reporting giornaliero", "REPORTING", {}},
             separator(),
             {"Estratti conto rapporti...",
              "Visualizza e stampa estratto conto e corrispettivi - provvigioni dei rapporti", "SRAPPORTI", {}},
             {"Estratti conto produttori...", "Visualizza e stampa estratto conto e provvigioni dei produttori",
              "SPRODUTT", {}},
             separator(),
             {"Riepilogo situazione contabile...", "Visualizza e stampa il riepilogo della situazione contabile",
              "RIESITCON", {}},
             separator(),
             {"Prima nota...", "Visualizza e stampa la prima nota", "PRIMANOTA", {}},
             {"Prima nota giornaliera...", "Visualizza e stampa la prima nota giornaliera", "PRIMANOTA",
              {true, {}}},
             separator(),
             {"Coperture giornaliere...", "Visualizza e stampa le coperture giornaliere", "COPERTURE", {}},
             separator(),
             {"Modulistica...", "Visualizza e stampa le varie modulistiche", "MODULISTICA", {}},
             separator(),
             {"Riepilogo statistiche...", "Visualizza e stampa il riepilogo delle statistiche", "STATISTICHE", {}},
             {"Statistiche incassi...", "Visualizza e stampa le statistiche incassi", "STATINCA", {}},
             {"Budget...", "Visualizza e stampa le statistiche budget", "BUDGET", {}},
             {"Rinnovi portafoglio...", "Visualizza e stampa i rinnovi portafoglio", "RINNOVI", {}},
             {"Riepilogo estratti conto...", "Visualizza e stampa il riepilogo degli estratti conto", "RIEPEST", {}},
             {"Riepilogo fatture/estratti conto...",
              "Visualizza e stampa il riepilogo delle fatture/estratti conto", "RIEPFATEST", {}},
         }});
    MenuDef service{"Servizio",
                    {
                        {"Manutenzione archivi", "Compatta gli archivi e ricostruisce gli indici", "MANUTENZIONE", {}},
                        separator(),
                        {"Imposta stampante...", "Seleziona la stampante", "PSETUP", {}},
                        separator(),
                        {"Salvataggio dati...", "Salva tutti gli archivi", "SALVA", {false, {kSettingsFile}}},
                        {"Ripristino dati...", "Ricarica tutti gli archivi", "RICARICA", {}},
                        separator(),
                        {"Invio dati...", "Invia tutti gli archivi per e-mail", "INVIO", {}},
                    }};
    if (withProducer) {
        service.entries.push_back(separator());
        service.entries.push_back({"Aggiorna archivi produttore...",
                                   "Aggiorna gli archivi del produttore alla situazione corrente", "AGGIORNA", {}});
    }
    service.entries.push_back(separator());
    service.entries.push_back({"Dati agenzia...", "Modifica i dati dell'agenzia", kEntryAgency, {}});
    menus.push_back(std::move(service));
    menus.push_back({"?", {{"Informazioni", "Visualizza informazioni sul programma", kEntryInfos, {}}}});
    return menus;
}

const std::vector<ToolButtonDef>& toolbarButtons()
{
    static const std::vector<ToolButtonDef> buttons = {
        {"POLIZZE", "Polizze", "Polizze", false, "POLIZZE", {}},
        {"SINISTRI", "Sinistri", "Sinistri", false, "SINISTRI", {}},
        {"MOVICOMP", "Movimenti compagnie", "M.comp.", false, "MOVICOMP", {}},
        {"MOVICONT", "Movimenti contabilità", "M.cont.", false, "MOVICONT", {}},
        {"FATTURE", "Fatture", "Fatture", false, "FATTURE", {}},
        {"PREVENT", "Preventivi", "Prevent.", false, "PREVENTIVI", {}},
        {"QUIETANZ", "Quietanzamento", "Quietanz.", false, "QUIETANZ", {}},
        {"QUESTADE", "Precontrattuale", "Precont.", false, "QUESTADE", {}},
        {"CLIENTI", "Clienti", "Clienti", true, "CLIENTI", {}},
        {"DISDETTE", "Elenco disdette", "Disdette", true, "DISDETTE", {}},
        {"SCADENZE", "Scadenza polizze per data", "Scadenze", false, "SCADENZE", {}},
        {"NUOVI", "Contratti nuovi", "Nuovi", false, "NUOVI", {}},
        {"AVVISI", "Avvisi", "Avvisi", false, "AVVISI", {}},
        {"DISDETTE2", "Avvisi di disdetta", "Avv.disd.", false, "DISDETTE2", {}},
        {"REPORTING", "Reporting giornaliero", "Reporting", true, "REPORTING", {}},
        {"SRAPPORTI", "Estratti conto rapporti", "Est.rapp.", true, "SRAPPORTI", {}},
        {"SPRODUTT", "Estratti conto produttori", "Est.prod.", false, "SPRODUTT", {}},
        {"RIESITCON", "Riepilogo situazione contabile", "Riepilogo", true, "RIESITCON", {}},
        {"PRIMANOTA", "Dati prima nota", "P.nota", true, "PRIMANOTA", {}},
        {"PRIMANOTAG", "Dati prima nota giornaliera", "P.nota g.", false, "PRIMANOTA", {true, {}}},
        {"COPERTURE", "Stampa coperture giornaliere", "Coperture", true, "COPERTURE", {}},
        {"MODULISTICA", "Stampa modulistica", "Moduli", true, "MODULISTICA", {}},
        {"CASSA", "Registratore di cassa", "Cassa", true, "CASSA", {}},
    };
    return buttons;
}

PixelSize toolbarButtonSize(int screenWidth)
{
    return screenWidth == 800 ? PixelSize{33, 33} : PixelSize{55, 60};
}

PixelRect backgroundRect(int clientWidth, int clientHeight, int toolbarHeight, int statusHeight)
{
    int top = toolbarHeight - 1;
    return {0, top, clientWidth, std::max(0, clientHeight - top - statusHeight)};
}

CommandLine parseCommandLine(int argc, const char* const* argv)
{
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--version") line.version = true;
        else if (line.folder.empty()) line.folder = arg;
    }
    return line;
}

std::optional<std::string> workingFolderProblem(const fs::path& folder)
{
    std::error_code ec;
    if (!fs::exists(folder, ec)) return "La cartella di lavoro " + folder.string() + " non esiste.";
    if (!fs::is_directory(folder, ec)) return "Il percorso " + folder.string() + " non è una cartella.";
    if (::access(folder.c_str(), R_OK | W_OK | X_OK) != 0)
        return "La cartella di lavoro " + folder.string() + " non è accessibile in scrittura.";
    return std::nullopt;
}

std::optional<std::string> displayProblem(const char* display, const char* waylandDisplay, const char* platform)
{
    auto set = [](const char* v) { return v && *v; };
    if (set(display) || set(waylandDisplay) || set(platform)) return std::nullopt;
    return std::string("Nessuno schermo disponibile: il programma richiede un ambiente grafico.");
}

void runClosingDuties(const EntryRegistry& registry)
{
    registry.call("PRIMANOTA", EntryArgs{true, {}});
    registry.call("SALVA", EntryArgs{false, {kSettingsFile}});
}

KeyboardState keyboardStateFromX11(unsigned mask)
{
    constexpr unsigned kLockMask = 1u << 1;
    constexpr unsigned kMod2Mask = 1u << 4;
    return {(mask & kLockMask) != 0, (mask & kMod2Mask) != 0};
}

} // namespace arv
