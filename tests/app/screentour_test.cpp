// Opens every window of the shell off screen and keeps a picture of each in <build>/screens, to be
// looked at by people; the test fails when a window cannot open.
#include <gtest/gtest.h>

#include <QLabel>
#include <QDialog>
#include <QFileDialog>
#include <QLinearGradient>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QPainter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include <fstream>
#include <unistd.h>
#include <map>

#include "app/agencydialog.h"
#include "app/mainwindow.h"
#include "app/maintenanceui.h"
#include "policies/policies.h"
#include "policies/policyregister.h"
#include "registry/clients.h"
#include "registry/companies.h"
#include "registry/lookuptables.h"
#include "registry/producers.h"
#include "records/comuni.h"
#include "store/files.h"
#include "store/upgrade.h"
#include "store/workspace.h"
#include "ui/dbcombo.h"
#include "ui/docdialogs.h"
#include "ui/msgget.h"
#include "ui/popmsg.h"
#include "ui/previewwindow.h"
#include "ui/printing.h"
#include "ui/mailsettings.h"
#include "common/printjob.h"
#include "common/report.h"
#include "ui/qtapp.h"
#include "ui/register.h"
#include <QTableWidget>
#include "accounting/movementregister.h"
#include "app/background.h"
#include "accounting/movements.h"
#include "policies/sheetdialogs.h"
#include "support/projectfiles.h"
#include "app/screentour.h"

namespace fs = std::filesystem;
using namespace arv;

using arv::test::ScreenTour;


TEST_F(ScreenTour, MainWindow)
{
    ASSERT_TRUE(writeBackgroundPicture(folder / "ARV.BMP"));
    auto w = mainWindow(1280);
    w->resize(1280, 800);
    w->show();
    QTest::qWait(50);
    w->statusBar()->showMessage("Gestione delle polizze");
    save(w.get(), "main-window-1280");

    QMenu* service = w->menuBar()->actions().at(2)->menu();
    saveMenu(service, w->mapToGlobal(QPoint(100, 20)), "menu-servizio");
    QMenu* modify = w->menuBar()->actions().at(0)->menu();
    saveMenu(modify, w->mapToGlobal(QPoint(10, 20)), "menu-modifica");
    QMenu* view = w->menuBar()->actions().at(1)->menu();
    saveMenu(view, w->mapToGlobal(QPoint(50, 20)), "menu-visualizza");
    w->close();

    fs::remove(folder / "ARV.BMP");
    std::ofstream(folder / "ARV.DLL") << "";
    auto small = mainWindow(800);
    small->resize(800, 600);
    save(small.get(), "main-window-800-no-background");
    small->close();
}

TEST_F(ScreenTour, MessageWindows)
{
    const std::pair<MessageKind, const char*> kinds[] = {
        {MessageKind::Info, "message-1-info"},           {MessageKind::OkCancel, "message-2-okcancel"},
        {MessageKind::YesNoCancel, "message-3-yesnocancel"}, {MessageKind::YesNo, "message-4-yesno"},
        {MessageKind::YesNoDefaultNo, "message-5-yesno-no"}, {MessageKind::StopOkCancel, "message-6-stop"},
    };
    for (const auto& [kind, name] : kinds) {
        auto box = createMessageBox("Confermi la cancellazione della polizza?;Il movimento collegato resta.", kind);
        saveAndHide(box.get(), name);
    }
    // The start-up warning of a share that keeps record locks on the workstation.
    auto share = createMessageBox(
        store::lockMountWarning("/srv/agenzia", "40 22 0:52 / /srv/agenzia rw - cifs //server/dati rw,vers=3.1.1,nobrl\n"),
        MessageKind::YesNo, "Attenzione");
    saveAndHide(share.get(), "message-share-locks");
    POPMSG("Elaborazione in corso...;Attendere prego");
    save(currentMessageWindow(), "wait-window");
    POPMSG("Stampa in corso...", 0, "", false, -1, true);
    POPMSG("Stampa in corso...", 0, "", true, -1, true);
    save(currentMessageWindow(), "wait-print");
    POPMSG("Ricostruzione indici...", 0, "", false, 40);
    save(currentMessageWindow(), "wait-progress");
    POPMSG();
}

TEST_F(ScreenTour, Dialogs)
{
    std::unique_ptr<QDialog> about(createInfosDialog("ARV - Arvale", "2.70", "2024"));
    saveAndHide(about.get(), "infos");

    std::unique_ptr<QDialog> get(createMsgGetDialog("Prima nota", "Data iniziale:", "01/01/24", "99/99/99"));
    saveAndHide(get.get(), "msgget");

    AgencyDetails d;
    d.name = "Agenzia Generale Rossi & C. s.a.s.";
    d.activity = "Assicurazioni";
    d.address = "Via Roma 1";
    d.postCode = "20100";
    d.town = "Milano";
    d.province = "MI";
    d.vatNumber = "01234567890";
    d.email = "agenzia@example.it";
    AgencyDialog agency(d);
    saveAndHide(&agency, "agency");

    ComboEdit combo([] { return std::vector<std::string>{"AUTO", "INCENDIO", "INFORTUNI", "VITA"}; }, true);
    combo.resize(220, combo.sizeHint().height());
    combo.setText("INCENDIO");
    combo.show();
    QTest::qWait(20);
    QListWidget* list = combo.openList();
    save(list, "dbcombo-list");
    list->close();

    fs::create_directories(folder / "POLIZZE");
    std::ofstream(folder / "POLIZZE" / "mi123_polizza.pdf") << "x";
    std::ofstream(folder / "POLIZZE" / "mi123_quietanza.jpg") << "x";
    std::unique_ptr<QFileDialog> open(createOpenDocumentDialog(folder / "POLIZZE", "MI123"));
    open->resize(640, 400);
    saveAndHide(open.get(), "visdoc-apri");
}

TEST_F(ScreenTour, ServiceDialogs)
{
    records::SendSettings s;
    s.server = "smtp.example.it";
    s.sender = "agenzia@example.it";
    s.recipient = "sede@example.it";
    s.user = "agenzia";
    s.password = "segreto";
    s.port = "587";
    s.ssl = true;
    SendDialog send(s);
    saveAndHide(&send, "invio-dati");

    const std::pair<const char*, const char*> questions[] = {
        {records::kMsgMaintenanceConfirm, "manutenzione-conferma"},
        {records::kMsgRestoreConfirm, "ripristino-conferma"},
        {records::kMsgProducerConfirm, "aggiorna-produttore-conferma"},
    };
    for (const auto& [text, name] : questions) {
        auto box = createMessageBox(text, MessageKind::OkCancel);
        saveAndHide(box.get(), name);
    }
    POPMSG(records::kMsgMaintenanceRunning);
    save(currentMessageWindow(), "manutenzione-in-corso");
    POPMSG();
}

TEST_F(ScreenTour, PrintPreview)
{
    installPrintHooks();
    PrintDocument made;
    printHooks().preview = [&](const PrintDocument& d, bool, const std::string&) { made = d; };

    // A client list through the report engine, then its preview, plain and zoomed.
    struct Row {
        const char* name;
        const char* town;
        long long premium;
    };
    const Row rows[] = {{"Bianchi Anna", "Forlì", 45050},      {"Conti Luca", "Città di Castello", 120000},
                        {"D'Angelo Sara", "Roma", 38990},      {"Esposito Niccolò", "Napoli", 99900},
                        {"Ferrari Giulia", "Milano", 150075}, {"Rossi Mario", "Cantù", 61020}};
    size_t cur = 0;
    ReportDescription d;
    d.title = "Stampa clienti";
    d.headings = {"Stampa clienti", "Premi annui per cliente"};
    d.columns = {{"Cliente", [&] { return ReportValue(std::string(rows[cur].name)); }, "", 25, false, ReportAlign::Auto},
                 {"Località", [&] { return ReportValue(std::string(rows[cur].town)); }, "", 20, false, ReportAlign::Auto},
                 {"Premio", [&] { return ReportValue(Decimal::fromScaled(rows[cur].premium, 2)); }, "@E 999,999.99", 0,
                  true, ReportAlign::Auto}};
    d.totalLabel = "Totale generale";
    runReport(d, indexRows(std::size(rows), cur));
    ASSERT_EQ(1u, made.pages.size());

    PreviewWindow preview(made, false, {});
    preview.resize(900, 1000);
    save(&preview, "preview");
    preview.toggleZoom();
    saveAndHide(&preview, "preview-zoom");

    // A letter with a justified paragraph, as the preview without the print button shows it.
    TPRINTER job("Lettera", true, true);
    job.startPage();
    SAYHEADER("AVVISO DI SCADENZA", job, PrintFont("Arial", 10));
    PRINTTXT(job, {"Spett.le"}, TxtOptions::at(45).withFont(PrintFont("Arial", 11)));
    PRINTTXT(job, {"Esposito Niccolò"}, TxtOptions::at(55).withFont(PrintFont("Arial", 11, true)));
    PFEED(job, 1.5);
    const std::string text = "Le ricordiamo che la polizza in oggetto è in scadenza e che il premio potrà essere "
                             "versato presso la nostra agenzia, anche con bonifico bancario, entro quindici giorni "
                             "dalla data indicata.\nCordiali saluti.";
    for (const auto& l : AMEMOLINE(text, 0, job, PrintFont("Arial", 11)))
        PRINTTXT(job, {l}, TxtOptions().justified().withFont(PrintFont("Arial", 11)));
    SAYFOOTER(job);
    job.endPage();
    job.end();
    PreviewWindow letter(made, true, {});
    letter.resize(700, 800);
    saveAndHide(&letter, "preview-letter-noprint");

    // The progress window of a running job.
    printHooks().progressOpen("Stampa clienti");
    printHooks().progressPage(3);
    QWidget* progress = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == "Stampa clienti") progress = w;
    save(progress, "print-progress");

    MailSettingsGroup mail;
    MailSettings ms;
    ms.server = "smtp.example.it";
    ms.sender = "agenzia@example.it";
    ms.user = "agenzia";
    ms.password = "segreta";
    ms.port = 587;
    ms.ssl = true;
    mail.setSettings(ms);
    mail.resize(360, mail.sizeHint().height());
    save(&mail, "mail-parametri");
    printHooks().progressClose();
    printHooks() = {};
}

TEST_F(ScreenTour, LookupTables)
{
    store::Workspace& ws = workspaceOnFolder();
    const std::map<std::string, std::pair<const char*, std::vector<const char*>>> rows = {
        {"RAMI", {"RAMO", {"AUTO", "INCENDIO", "INFORTUNI", "RC GENERALE", "VITA"}}},
        {"GRUPPI", {"GRUPPO", {"Famiglie", "Aziende", "Dipendenti"}}},
        {"MARKETNG", {"GRUPPO", {"Campagna primavera", "Clienti storici"}}},
        {"TIPISIN", {"TIPO", {"Collisione", "Furto", "Grandine"}}},
        {"DESMVCOM", {"DESCRIZ", {"Incasso", "Incasso diretto", "Rimessa"}}},
        {"DESMVCON", {"DESCRIZ", {"Affitto ufficio", "Cancelleria", "Provvigioni"}}},
        {"CATECON", {"CATEGORIA", {"Spese generali", "Utenze"}}},
        {"GARANZIE", {"GARANZIA", {"Furto", "Incendio", "Kasko", "Cristalli"}}},
        {"CONVENZ", {"CONVENZIO", {"BASE", "DIPENDENTI PUBBLICI"}}},
        {"PROFESS", {"PROFESS", {"Artigiano", "Impiegato", "Medico"}}},
        {"OPERATOR", {"OPERATORE", {"Anna", "Luca"}}},
    };
    for (const auto& [table, content] : rows) {
        store::Table& t = ws.open(table);
        for (const char* v : content.second) {
            t.append();
            t.setText(store::FieldName::runtime(content.first), v);
            t.commit();
            t.unlock();
        }
        ws.close(table);
    }
    store::Table& items = ws.open("VOCICON");
    for (auto [d, c] : {std::pair{"Luce", "Utenze"}, std::pair{"Telefono", "Utenze"}, std::pair{"Carta", "Spese generali"}}) {
        items.append();
        items.setText("DESCRIZ", d);
        items.setText("CATEGORIA", c);
        items.commit();
        items.unlock();
    }
    ws.close("VOCICON");
    store::Table& products = ws.open("PRODOTTI");
    for (auto [c, s, code, d] : {std::tuple{"ALFA ASSICURAZIONI", "BASE", "AC01", "Casa sicura"},
                                 std::tuple{"ALFA ASSICURAZIONI", "BASE", "AU02", "Auto più"},
                                 std::tuple{"BETA VITA", "DIPENDENTI PUBBLICI", "V100", "Vita serena"}}) {
        products.append();
        products.setText("COMPAGNIA", c);
        products.setText("RAPPORTO", c);
        products.setText("CONVENZIO", s);
        products.setText("CODICE", code);
        products.setText("DESCRIZ", d);
        products.commit();
        products.unlock();
    }
    ws.close("PRODOTTI");
    store::Table& companies = ws.open("COMPAGN");
    companies.append();
    companies.setText("COMPAGNIA", "ALFA ASSICURAZIONI");
    companies.commit();
    companies.unlock();
    ws.close("COMPAGN");

    for (const std::string& name : arv::registry::lookupEntryNames()) {
        const records::RegisterDesc& desc = *arv::registry::lookupRegister(name);
        records::openRegisterTables(desc, ws);
        {
            RegisterList list(desc, ws);
            list.resize(desc.columns.size() > 1 ? 900 : 420, 360);
            save(&list, "register-" + name);
            if (name == "RAMI") {
                list.button(records::kBtnAdd)->click();
                list.cellEditor()->setText("TRASPORTI");
                save(&list, "register-RAMI-cell-editor");
                list.finishCell(false);
            }
            if (!desc.cellEditor) {
                EditDialog insert(desc, records::blankValues(desc.fields, &ws[desc.aliasName()]), true, &ws[desc.aliasName()]);
                saveAndHide(&insert, "edit-" + desc.editName + "-aggiungi");
                EditDialog modify(desc, records::recordValues(desc.fields, ws[desc.aliasName()]), false, &ws[desc.aliasName()]);
                saveAndHide(&modify, "edit-" + desc.editName + "-modifica");
            }
            list.hide();
        }
        records::closeRegisterTables(desc, ws);
    }

    // The search dialog and a dialog with pages, dates, numbers and three-state boxes.
    records::RegisterDesc demo = *arv::registry::lookupRegister("PRODOTTI");
    demo.search = {{1, "Descrizione:", "DESCRIZ", records::Match::Contains, records::FieldKind::Text, "", {}},
                   {2, "Dal:", "DATA", records::Match::From, records::FieldKind::Date, "", {}},
                   {3, "Al:", "DATA", records::Match::To, records::FieldKind::Date, "", {}},
                   {4, "Attivo:", "ATTIVO", records::Match::Flag, records::FieldKind::TriState, "", {}}};
    SearchDialog search(demo);
    saveAndHide(&search, "search-RPRODOTTI");
    demo.pages = {"Dati generali", "Altri dati"};
    records::EditField date{201, "Data:", "DATA", records::FieldKind::Date, "", {}, false, {}, 0, {}, 0};
    records::EditField amount{202, "Importo:", "IMPORTO", records::FieldKind::Number, "@E 99,999.99", {}, false, {}, 0, {}, 0};
    records::EditField flag{203, "Attivo:", "ATTIVO", records::FieldKind::TriState, "", {}, false, {}, 1, {}, 0};
    records::EditField cap{204, "C.A.P.:", "CAP", records::FieldKind::Text, "99999", {}, false, {}, 1, {}, 0};
    demo.fields.push_back(date);
    demo.fields.push_back(amount);
    demo.fields.push_back(flag);
    demo.fields.push_back(cap);
    records::openRegisterTables(demo, ws);
    EditDialog paged(demo, records::blankValues(demo.fields, &ws["PRODOTTI"]), true, &ws["PRODOTTI"]);
    saveAndHide(&paged, "edit-pages");
    records::closeRegisterTables(demo, ws);
    ws.closeAll();
}

TEST_F(ScreenTour, CompaniesAndProducers)
{
    store::Workspace& ws = workspaceOnFolder();
    auto add = [&ws](const char* table, const std::vector<std::pair<const char*, const char*>>& values) {
        store::Table& t = ws.open(table, "TOUR", true);
        t.append();
        for (auto [f, v] : values) t.setText(store::FieldName::runtime(f), v);
        t.commit();
        t.unlock();
        ws.close("TOUR");
    };
    add("RAMI", {{"RAMO", "RC AUTO"}});
    add("RAMI", {{"RAMO", "INCENDIO"}});
    add("COMPAGN", {{"COMPAGNIA", "AURORA ASSICURAZIONI"}, {"RAGSOC1", "AURORA ASSICURAZIONI S.P.A."},
                    {"CITTA", "MILANO"}, {"CAP", "20121"}, {"PROVINCIA", "MI"}, {"E_MAIL", "agenzie@aurora.it"}});
    add("COMPAGN", {{"COMPAGNIA", "TIRRENA VITA"}, {"RAGSOC1", "TIRRENA VITA S.P.A."}});
    add("PRODUTT", {{"PRODUTTORE", "SERRA GIULIA"}, {"NUMERUI", "E000234567"}, {"QUALIFICA", "Addetto fuori locali"}});
    add("PRODUTT", {{"PRODUTTORE", "FONTANA MARCO"}});
    add("PROVVIG", {{"TIPO", "C"}, {"RAGSOC", "AURORA ASSICURAZIONI"}, {"RAMO", "RC AUTO"}, {"ALIQUOTA", "11.50"}});
    add("PROVVIG", {{"TIPO", "C"}, {"RAGSOC", "AURORA ASSICURAZIONI"}, {"RAMO", "INCENDIO"}, {"ALIQUOTA", "18"}});
    add("PROVVIG", {{"TIPO", "P"}, {"RAGSOC", "SERRA GIULIA"}, {"RAPPORTO", "AURORA ASSICURAZIONI"}, {"RAMO", "RC AUTO"},
                    {"ALIQUOTA", "3"}});

    struct Shown {
        const records::RegisterDesc* desc;
        const char* key;
        char type;
    };
    for (Shown shown : {Shown{&arv::registry::companiesRegister(), "AURORA ASSICURAZIONI", 'C'},
                        Shown{&arv::registry::producersRegister(), "SERRA GIULIA", 'P'}}) {
        const records::RegisterDesc& desc = *shown.desc;
        records::openRegisterTables(desc, ws);
        store::Table& t = ws[desc.aliasName()];
        ASSERT_TRUE(t.seek(shown.key));
        {
            RegisterList list(desc, ws);
            list.resize(520, 360);
            save(&list, "register-" + desc.name);
            EditDialog insert(desc, records::blankValues(desc.fields, &t), true, &t);
            saveAndHide(&insert, "edit-" + desc.editName + "-aggiungi");
            EditDialog modify(desc, records::recordValues(desc.fields, t), false, &t);
            save(&modify, "edit-" + desc.editName + "-modifica");
            if (modify.pages()) {
                modify.pages()->setCurrentIndex(1);
                save(&modify, "edit-" + desc.editName + "-modifica-pagina2");
            }
            modify.hide();
            list.hide();
        }
        // The commission rates of the selected record, and their row dialog.
        const records::RegisterDesc rates = arv::registry::ratesRegister(shown.type, shown.key);
        records::openRegisterTables(rates, ws);
        store::Table& r = ws[rates.aliasName()];
        const std::string scope = arv::registry::ratesScope(shown.type, shown.key);
        r.setScope(scope, scope);
        r.goTop();
        {
            RegisterList list(rates, ws);
            list.resize(560, 300);
            EXPECT_GT(list.model()->rowCount(), 0);
            save(&list, "register-" + rates.name);
            EditDialog row(rates, records::recordValues(rates.fields, r), false, &r);
            saveAndHide(&row, "edit-" + rates.editName + "-modifica");
            list.hide();
        }
        records::closeRegisterTables(rates, ws);
        records::closeRegisterTables(desc, ws);
    }
    ws.closeAll();
}

TEST_F(ScreenTour, Clients)
{
    ASSERT_TRUE(store::AGGIORNADATABASE(folder.string()));
    records::fillComuni(folder.string(), test::comuniFolder());
    store::Workspace& ws = store::workspace();
    ws.closeAll();
    ws.setFolder(folder.string());
    // Clients as the demonstration folder holds them.
    struct Row {
        const char* name;
        const char* address;
        const char* cap;
        const char* town;
        const char* province;
        const char* taxCode;
        const char* mail;
    };
    const Row rows[] = {
        {"BIANCHI GIULIA", "Via Garibaldi, 12", "20121", "MILANO", "MI", "BNCGLI80C45F205Z", "giulia.bianchi@example.it"},
        {"COLOMBO ANDREA", "Corso Italia, 3", "10121", "TORINO", "TO", "CLMNDR75A01L219X", "andrea.colombo@example.it"},
        {"EDILTECNICA S.R.L.", "Via dell'Industria, 40", "40121", "BOLOGNA", "BO", "", "info@ediltecnica.it"},
        {"ESPOSITO LUCA", "Via Toledo, 88", "80133", "NAPOLI", "NA", "SPSLCU68M12F839K", ""},
        {"ROSSI MARIO", "Via Roma, 1", "00184", "ROMA", "RM", "RSSMRA85T10H501Z", "mario.rossi@example.it"},
        {"RUSSO FRANCESCA", "Piazza Duomo, 5", "50122", "FIRENZE", "FI", "RSSFNC90E50D612T", "f.russo@example.it"},
    };
    store::Table& t = ws.open("CLIENTI");
    for (const Row& r : rows) {
        t.append();
        t.setText("CLIENTE", r.name);
        t.setText("INDIRIZZO", r.address);
        t.setText("CAP", r.cap);
        t.setText("CITTA", r.town);
        t.setText("PROVINCIA", r.province);
        t.setText("CODICEFISC", r.taxCode);
        t.setText("E_MAIL", r.mail);
        t.setText("STATOCIV", "Coniugato");
        t.setText("TITOLO", "Egr. Sig.");
        t.setText("CITTADIN", "ITALIANA");
        t.setText("CELLULARE", "3331234567");
        t.commit();
        t.unlock();
    }
    ws.close("CLIENTI");

    const records::RegisterDesc& desc = arv::registry::clientsRegister();
    records::openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        list.resize(760, 420);
        EXPECT_EQ(QString("Clienti - 6 di 6"), list.windowTitle());
        save(&list, "register-CLIENTI");
        store::Table& c = ws["CLIENTI"];
        ASSERT_TRUE(c.seek("ROSSI MARIO"));
        EditDialog modify(desc, records::recordValues(desc.fields, c), false, &c);
        save(&modify, "edit-CLIENTE-modifica");
        EXPECT_TRUE(modify.button(206)->isEnabled());
        // Typing a tax code fills the birth data.
        auto* code = qobject_cast<QLineEdit*>(modify.field(107));
        ASSERT_NE(nullptr, code);
        code->selectAll();
        QTest::keyClicks(code, "BNCGLI80C45F205Z");
        EXPECT_EQ(std::string("F"), modify.values().get("SESSO"));
        EXPECT_EQ(std::string("05/03/80"), modify.values().get("DATANASC"));
        EXPECT_EQ(std::string("MILANO"), modify.values().get("COMUNASC"));
        modify.setModified(false);
        modify.hide();
        EditDialog insert(desc, records::blankValues(desc.fields, &c), true, &c);
        save(&insert, "edit-CLIENTE-aggiungi");
        EXPECT_FALSE(insert.button(206)->isEnabled());
        EXPECT_FALSE(insert.button(207)->isEnabled());
        EXPECT_EQ(QString("Aggiungi documento"), insert.button(207)->toolTip());
        insert.hide();
        SearchDialog search(desc);
        saveAndHide(&search, "search-RCLIENTI");
        list.hide();
    }
    records::closeRegisterTables(desc, ws);
    ws.closeAll();
}

TEST_F(ScreenTour, Policies)
{
    store::Workspace& ws = workspaceOnFolder();
    {
        store::Table& c = ws.open("CLIENTI");
        for (const char* name : {"BIANCHI GIULIA", "ROSSI MARIO"}) {
            c.append();
            c.setText("CLIENTE", name);
            c.setText("SUBAGENTE", "VERDI PAOLO");
            c.setText("E_MAIL", "posta@example.it");
            c.commit();
            c.unlock();
        }
        ws.close("CLIENTI");
        store::Table& r = ws.open("RAMI");
        for (const char* b : {"AUTO", "ELEMENTARI", "VITA"}) {
            r.append();
            r.setText("RAMO", b);
            r.commit();
            r.unlock();
        }
        ws.close("RAMI");
        store::Table& p = ws.open("POLIZZE");
        struct Row {
            const char *code, *insured, *company, *number, *branch, *fraction;
            bool checked;
        };
        const Row rows[] = {
            {"1", "BIANCHI GIULIA", "ASSICURAZIONI ALFA", "AL-2026-000184", "AUTO", "ANNUALE", true},
            {"2", "BIANCHI GIULIA", "BETA VITA", "BV-77120", "VITA", "MENSILE", false},
            {"3", "ROSSI MARIO", "ASSICURAZIONI ALFA", "AL-2026-000201", "ELEMENTARI", "SEMESTRALE", false},
        };
        for (const Row& row : rows) {
            p.append();
            p.setRaw("CODICE", std::string(10 - std::string(row.code).size(), ' ') + row.code);
            p.setText("ASSICURATO", row.insured);
            p.setText("COMPAGNIA", row.company);
            p.setText("RAPPORTO", row.company);
            p.setText("POLIZZA", row.number);
            p.setText("RAMO", row.branch);
            p.setText("FRAZIONAM", row.fraction);
            p.setText("PAGAMENTO", "Bonifico");
            p.setText("DOCUMENTO", "Completa");
            p.setText("PRODUTTORE", "VERDI PAOLO");
            p.setDate("EFFETTO", Date::fromYmd(2026, 1, 15));
            p.setDate("COPERTURA", Date::fromYmd(2026, 7, 15));
            p.setDate("SCADENZA", Date::fromYmd(2027, 1, 15));
            p.setDate("DATAINS", Date::fromYmd(2026, 1, 10));
            p.setNumber("IMPORTO", Decimal(480));
            p.setNumber("PROVVAGEN", Decimal(48));
            p.setLogical("VERIFICA", row.checked);
            p.commit();
            p.unlock();
        }
        ws.close("POLIZZE");
        store::Table& a = ws.open("DATIAUTO");
        a.append();
        a.setRaw("POLIZZA", "         1");
        a.setText("TARGA", "GH 512 KL");
        a.commit();
        a.unlock();
        ws.close("DATIAUTO");
    }

    const records::RegisterDesc& desc = policies::policiesRegister();
    std::function<void()> closeLookups = policies::openPolicyLookups(ws);
    records::openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        list.resize(1000, 420);
        EXPECT_EQ(QString("Polizze - 3 di 3"), list.windowTitle());
        EXPECT_EQ(QString("GH 512 KL"), list.model()->data(list.model()->index(0, 4), Qt::DisplayRole).toString());
        save(&list, "register-POLIZZE");
        store::Table& t = ws["POLIZZE"];
        t.goTop();
        auto shoot = [&](EditDialog& d, const std::string& name) {
            d.resize(1000, 640);
            for (int i = 0; i < d.pages()->count(); ++i) {
                d.pages()->setCurrentIndex(i);
                save(&d, name + "-" + std::to_string(i + 1));
            }
            d.setModified(false);
            d.hide();
        };
        {
            EditDialog modify(desc, policies::modifyValues(t), false, &t);
            modify.setWindowTitle(QString::fromStdString(policies::dialogTitle(policies::PolicyMode::Modify, &t)));
            EXPECT_EQ(QString("Modifica - Data inserimento: 10/01/26"), modify.windowTitle());
            EXPECT_TRUE(modify.button(204)->isEnabled());
            shoot(modify, "edit-POLIZZA-modifica");
        }
        {
            EditDialog insert(desc, policies::insertValues(ws), true, &t);
            EXPECT_EQ(std::string("4"), insert.values().get("CODICE"));
            EXPECT_FALSE(insert.button(203)->isEnabled());
            EXPECT_EQ(QString("Aggiungi documento"), insert.button(205)->toolTip());
            shoot(insert, "edit-POLIZZA-aggiungi");
        }
        {
            std::optional<records::EditValues> v = policies::replaceValues(ws, t);
            ASSERT_TRUE(v);
            EditDialog replace(desc, *v, true, &t);
            replace.setWindowTitle("Sostituisci");
            shoot(replace, "edit-POLIZZA-sostituisci");
        }
        SearchDialog search(desc);
        save(&search, "search-RPOLIZZE");
        EXPECT_EQ(std::string("T"), search.typed()[policies::kSActive]);
        search.hide();
        list.hide();
    }
    records::closeRegisterTables(desc, ws);
    closeLookups();
    ws.closeAll();
}

TEST_F(ScreenTour, CompanyMovements)
{
    store::Workspace& ws = workspaceOnFolder();
    for (const char* d : {"Incasso", "Incasso diretto", "Rimessa"})
        add(ws, "DESMVCOM", [d](store::Table& t) { t.setText("DESCRIZ", d); });
    for (const char* a : {"AURORA ASSICURAZIONI", "TIRRENA VITA"})
        add(ws, "COMPAGN", [a](store::Table& t) { t.setText("COMPAGNIA", a); });
    add(ws, "PRODUTT", [](store::Table& t) { t.setText("PRODUTTORE", "SERRA GIULIA"); });
    add(ws, "POLIZZE", [](store::Table& t) {
        t.setText("CODICE", "         1");
        t.setText("POLIZZA", "AU-2024-0001");
        t.setText("RAMO", "AUTO");
        t.setText("FRAZIONAM", "SEMESTRALE");
        t.setText("COMPAGNIA", "AURORA ASSICURAZIONI");
        t.setText("RAPPORTO", "AURORA ASSICURAZIONI");
        t.setText("ASSICURATO", "ROSSI MARIO");
        t.setText("PRODUTTORE", "SERRA GIULIA");
        t.setDate("COPERTURA", Date::fromYmd(2024, 3, 15));
        t.setDate("SCADENZA", Date::fromYmd(2024, 9, 15));
        t.setNumber("IMPORTO", Decimal(420));
    });
    const char* insured[] = {"ROSSI MARIO", "BIANCHI GIULIA", "ESPOSITO LUCA", "COLOMBO ANDREA"};
    for (int i = 0; i < 4; ++i)
        add(ws, "MOVICOMP", [&, i](store::Table& t) {
            t.setText("CODICE", "         " + std::to_string(i + 1));
            t.setDate("DATA", Date::fromYmd(2024, 3, 10 + i));
            t.setText("POLIZZA", i == 0 ? "AU-2024-0001" : "RC-2023-00" + std::to_string(i));
            t.setText("RAPPORTO", i % 2 ? "TIRRENA VITA" : "AURORA ASSICURAZIONI");
            t.setText("ASSICURATO", insured[i]);
            t.setText("PRODUTTORE", "SERRA GIULIA");
            t.setDate("SCADENZA", Date::fromYmd(2024, 3, 15 + i));
            t.setText("TIPO", "Quietanza");
            t.setText("DESCRIZIO", "Incasso");
            t.setText("CONTO", "Sospesi da clienti");
            t.setNumber("IMPORTO", Decimal(120 * (i + 1)));
        });

    const records::RegisterDesc& desc = accounting::movementsRegister();
    records::openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        list.resize(900, 440);
        EXPECT_EQ(QString("Movimenti compagnie - 4 di 4"), list.windowTitle());
        save(&list, "register-MOVICOMP");
        store::Table& m = ws["MOVICOMP"];
        m.goTo(1);
        EditDialog modify(desc, records::recordValues(desc.fields, m), false, &m);
        saveAndHide(&modify, "edit-MOVICOMP2-modifica");
        records::EditValues fresh = accounting::newMovementValues();
        fresh.set("POLIZZA", "AU-2024-0001");
        fresh.set("DESCRIZIO", "Incasso");
        accounting::loadFromPolicy(ws, fresh);
        EditDialog insert(desc, fresh, true, &m);
        save(&insert, "edit-MOVICOMP2-aggiungi");
        EXPECT_TRUE(insert.field(130)->isEnabled());
        EXPECT_FALSE(modify.field(130)->isEnabled());
        insert.hide();
        // The second producer's movement names its producer so.
        records::EditValues second = fresh;
        second.set("PRODUTTOR2", "T");
        EditDialog secondProducer(desc, second, true, &m);
        QStringList labels;
        for (const QLabel* l : secondProducer.findChildren<QLabel*>()) labels << l->text();
        EXPECT_TRUE(labels.contains("Produttore 2:"));
        EXPECT_EQ(1, labels.count("Produttore:")); // the producer commission's
        saveAndHide(&secondProducer, "edit-MOVICOMP2-produttore2");
        SearchDialog search(desc);
        saveAndHide(&search, "search-RMOVICOMP");
        list.hide();
    }
    for (auto [make, name] : {std::pair{&accounting::makeGenerationDialog, "GENEINC"},
                              std::pair{&accounting::makeReturnDialog, "RIENTRO"},
                              std::pair{&accounting::makeFeesDialog, "CORRISPETTIVI"},
                              std::pair{&accounting::makeClosingDialog, "CHIUSURA"}}) {
        std::unique_ptr<QDialog> d = make(nullptr);
        saveAndHide(d.get(), name);
    }
    accounting::MovementSelection back("RIENTRO2", "Rientro", accounting::suspendedMovements(ws, {}, {}, "SERRA GIULIA"));
    EXPECT_EQ(4, back.list()->rowCount());
    saveAndHide(&back, "RIENTRO2");
    accounting::MovementSelection closing("CHIUSURA2", "Chiusura", {});
    saveAndHide(&closing, "CHIUSURA2");
    records::closeRegisterTables(desc, ws);
    ws.closeAll();
}

TEST_F(ScreenTour, DetailSheets)
{
    store::Workspace& ws = workspaceOnFolder();
    {
        store::Table& c = ws.open("CLIENTI");
        c.append();
        c.setText("CLIENTE", "ROSSI MARIO");
        c.setText("INDIRIZZO", "Via Roma, 1");
        c.setText("CAP", "00184");
        c.setText("CITTA", "ROMA");
        c.setText("PROVINCIA", "RM");
        c.setText("CODICEFISC", "RSSMRA85T10H501Z");
        c.setText("SESSO", "M");
        c.setDate("DATANASC", Date::fromYmd(1985, 12, 10));
        c.setText("COMUNASC", "ROMA");
        c.setText("PROVNASC", "RM");
        c.setText("DOCUMENTO", "Patente");
        c.setText("PROFESS", "IMPIEGATO");
        c.commit();
        c.unlock();
        ws.close("CLIENTI");
        store::Table& g = ws.open("GARANZIE");
        for (const char* name : {"INCENDIO", "FURTO", "RESPONSABILITA' CIVILE", "CASO MORTE"}) {
            g.append();
            g.setText("GARANZIA", name);
            g.commit();
            g.unlock();
        }
        ws.close("GARANZIE");
    }
    store::Table& p = ws.open("POLIZZE");
    p.append();
    p.setText("CODICE", policies::sheetKey("1"));
    p.setText("POLIZZA", "AU/2026/000123");
    p.setText("RAMO", "AUTO");
    p.setText("ASSICURATO", "ROSSI MARIO");
    p.setText("INTESTPRA", "ROSSI MARIO");
    p.commit();
    p.unlock();
    using policies::SheetKind;
    const policies::SheetPolicy policy = policies::sheetPolicy(ws, "1");
    for (SheetKind kind : {SheetKind::Motor, SheetKind::Elementary, SheetKind::Life}) {
        store::OwnTable table(ws, policies::sheetTable(kind), true);
        bool exists = false;
        records::EditValues v = policies::loadSheet(ws, kind, policy, &exists);
        if (kind == SheetKind::Motor) {
            v.set("VEICOLO", "Autovettura");
            v.set("MARCA", "FIAT");
            v.set("MODELLO", "TIPO 1.6 MULTIJET");
            v.set("TARGA", "AB123CD");
            v.set("CLASSE", "4");
            v.set("GDXCON", "T");
            policies::copyInsuredToDriver(ws, "ROSSI MARIO", v);
        }
        std::unique_ptr<EditDialog> d = policies::sheetDialog(kind, policy, v, exists, &*table);
        const std::string name = std::string("edit-") + policies::sheetTable(kind);
        if (d->pages()) {
            for (int i = 0; i < d->pages()->count(); ++i) {
                d->pages()->setCurrentIndex(i);
                save(d.get(), name + "-" + std::to_string(i + 1));
                EXPECT_LE(d->width(), 1100) << name;
                EXPECT_LE(d->height(), 760) << name;
            }
        } else {
            save(d.get(), name);
        }
        d->setModified(false);
        d->hide();
    }
    ws.closeAll();
}
