// The renewal worklist's windows, off screen, each kept as a picture in <build>/screens.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

#include "app/screentour.h"
#include "common/ini.h"
#include "policies/policyregister.h"
#include "policies/renewalregister.h"
#include "policies/renewals.h"
#include "records/register.h"
#include "ui/mailcompose.h"
#include "ui/register.h"

using namespace arv;
using arv::test::ScreenTour;

TEST_F(ScreenTour, RenewalWorklist)
{
    store::Workspace& ws = workspaceOnFolder();
    {
        store::Table& p = ws.open("POLIZZE");
        struct Row {
            const char* code;
            const char* insured;
            const char* agreement;
            const char* number;
            int day;
        };
        const Row rows[] = {{"1", "ROSSI MARIO", "ASSICURAZIONI ALFA", "AL-2026-000101", 12},
                            {"2", "BIANCHI GIULIA", "BETA VITA", "BV-77120", 20},
                            {"3", "VERDI PAOLO", "GAMMA RE", "GR-5510", 28}};
        for (const Row& r : rows) {
            p.append();
            p.setRaw("CODICE", std::string(10 - std::string(r.code).size(), ' ') + r.code);
            p.setText("ASSICURATO", r.insured);
            p.setText("COMPAGNIA", r.agreement);
            p.setText("RAPPORTO", r.agreement);
            p.setText("POLIZZA", r.number);
            p.setText("RAMO", "AUTO");
            p.setText("FRAZIONAM", "ANNUALE");
            p.setText("PRODUTTORE", "Agenzia");
            p.setDate("EFFETTO", Date::fromYmd(2025, 3, r.day));
            p.setText("ORAEFF", "24:00");
            p.setDate("COPERTURA", Date::fromYmd(2026, 3, r.day));
            p.setDate("SCADENZA", Date::fromYmd(2026, 3, r.day));
            p.setNumber("IMPORTO", Decimal(420 + r.day));
            p.setNumber("COMMISS", Decimal(20));
            p.setMemo("NOTE", "Cliente storico.");
            p.commit();
            p.unlock();
        }
        ws.close("POLIZZE");
        store::Table& a = ws.open("DATIAUTO");
        a.append();
        a.setRaw("POLIZZA", "         1");
        a.setText("TARGA", "GH512KL");
        a.setText("VEICOLO", "Autovettura");
        a.setText("MARCA", "FIAT");
        a.setText("MODELLO", "PANDA");
        a.setNumber("VALORE", Decimal(9500));
        a.setLogical("CRISTALLI", true);
        a.commit();
        a.unlock();
        ws.close("DATIAUTO");
        store::Table& c = ws.open("CLIENTI");
        c.append();
        c.setText("CLIENTE", "ROSSI MARIO");
        c.setText("INDIRIZZO", "Via Roma 1");
        c.setText("CITTA", "Milano");
        c.setText("CAP", "20100");
        c.setText("PROVINCIA", "MI");
        c.setText("E_MAIL", "rossi@example.it");
        c.setText("CODICEFISC", "RSSMRA70A01F205X");
        c.commit();
        c.unlock();
        ws.close("CLIENTI");
    }
    std::function<void()> closeLookups = policies::openRenewalLookups(ws);
    policies::addRenewals(ws, {Date::fromYmd(2026, 3, 1), Date::fromYmd(2026, 3, 31)});
    const records::RegisterDesc& desc = policies::renewalsRegister();
    records::openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        list.resize(1280, 420);
        EXPECT_EQ(QString("Quietanzamento - 3 di 3"), list.windowTitle());
        EXPECT_EQ(QString("BIANCHI GIULIA"), list.model()->data(list.model()->index(0, 0), Qt::DisplayRole).toString());
        save(&list, "register-QUIETANZ");

        std::unique_ptr<EditDialog> add = policies::makeSelectionDialog();
        saveAndHide(add.get(), "edit-QUIETANZ20");

        store::Table& t = ws["QUIETANZ"];
        t.goTop();
        t.skip(1); // ROSSI MARIO
        records::EditValues v = policies::renewalValues(ws, t);
        v.set("RAPNUO2", "BETA VITA");
        v.set("IMPNUO2", "395,00");
        policies::chooseOption(v, 3);
        EditDialog row(desc, v, false, &t);
        row.setWindowTitle("Modifica");
        row.resize(1000, 560);
        for (int i = 0; i < row.pages()->count(); ++i) {
            row.pages()->setCurrentIndex(i);
            save(&row, "edit-QUIETANZ21-" + std::to_string(i + 1));
        }
        row.setModified(false);
        row.hide();

        SearchDialog search(desc);
        saveAndHide(&search, "search-RQUIETANZ");

        std::unique_ptr<EditDialog> text = policies::makeNoticeTextDialog("Dal 1 al 15 agosto l'agenzia è chiusa.", "Avviso");
        saveAndHide(text.get(), "edit-AVVPUB");
        list.hide();
    }
    records::closeRegisterTables(desc, ws);
    closeLookups();

    // The compose dialog, as the notice and the quote request open it.
    MailSettings settings;
    settings.server = "smtp.example.it";
    settings.sender = "agenzia@example.it";
    MailDraft notice;
    notice.name = "EMAILAVV";
    notice.title = "Avviso";
    notice.recipients = {"rossi@example.it"};
    notice.askRecipient = true;
    notice.subject = "Avviso di scadenza - Polizza n. AL-2026-000101 - Targa: GH512KL";
    notice.body = "Buongiorno,\r\n\r\nCon la presente Vi comunichiamo che è in scadenza la polizza in oggetto...";
    MailComposeDialog compose(notice, settings);
    saveAndHide(&compose, "mail-compose-avviso");
    MailDraft quote;
    quote.name = "EMAILPRE";
    quote.title = "Richiesta preventivo";
    quote.recipients = {"preventivi@beta.example.it", "rcauto@gamma.example.it"};
    quote.cc = "copia@example.it";
    quote.subject = "Preventivo polizza RC Auto - ROSSI MARIO";
    quote.body = "Gentile Compagnia,\r\nin riferimento al successivo rischio RC Auto...";
    MailComposeDialog pre(quote, settings);
    EXPECT_EQ(5u, pre.attachmentEdits().size());
    saveAndHide(&pre, "mail-compose-EMAILPRE");
}
