// The screen tour of the numbered forms, the expiry and cancellation lists and the notices: the
// register TITOLI with its dialogs, the list dialogs, AVVISI with its sending settings, and the
// pages of the printouts.
#include <QCheckBox>

#include "app/screentour.h"
#include "policies/listscreens.h"
#include "policies/lists.h"
#include "policies/notices.h"
#include "policies/titleregister.h"
#include "policies/titles.h"
#include "ui/formdialog.h"
#include "ui/mailsettings.h"
#include "ui/printrender.h"
#include "ui/register.h"

using namespace arv;
using arv::test::ScreenTour;

namespace {

class PolicyListsTour : public ScreenTour {};

} // namespace

TEST_F(PolicyListsTour, FormsListsAndNotices)
{
    store::Workspace& ws = workspaceOnFolder();
    for (const char* c : {"AURORA ASSICURAZIONI", "TIRRENA VITA"})
        add(ws, "COMPAGN", [c](store::Table& t) {
            t.setText("COMPAGNIA", c);
            t.setText("RAGSOC1", std::string(c) + " S.P.A.");
            t.setText("INDIRIZZO", "VIA DANTE 12");
            t.setText("CAP", "20121");
            t.setText("CITTA", "MILANO");
            t.setText("PROVINCIA", "MI");
        });
    add(ws, "CLIENTI", [](store::Table& t) {
        t.setText("CLIENTE", "BIANCHI GIULIA");
        t.setText("TITOLO", "Gent.ma Sig.ra");
        t.setText("INDIRIZZO", "VIA GARIBALDI 8");
        t.setText("CAP", "00184");
        t.setText("CITTA", "ROMA");
        t.setText("PROVINCIA", "RM");
    });
    struct P {
        const char *insured, *number, *branch, *premium;
        int month;
        bool cancelled, phone;
    };
    int code = 0;
    for (const P& p : {P{"BIANCHI GIULIA", "AU-2025-100184", "AUTO", "412.50", 6, false, false},
                       P{"BIANCHI GIULIA", "TV-2025-100220", "VITA", "95.00", 6, false, true},
                       P{"ROSSI MARIO", "AU-2024-100031", "AUTO", "380.00", 4, true, false}})
        add(ws, "POLIZZE", [&](store::Table& t) {
            char c[16];
            std::snprintf(c, sizeof c, "%10d", ++code);
            t.setRaw("CODICE", c);
            t.setText("ASSICURATO", p.insured);
            t.setText("COMPAGNIA", "AURORA ASSICURAZIONI");
            t.setText("RAPPORTO", "AURORA ASSICURAZIONI");
            t.setText("POLIZZA", p.number);
            t.setText("RAMO", p.branch);
            t.setText("FRAZIONAM", "ANNUALE");
            t.setText("PRODUTTORE", "SERRA GIULIA");
            t.setText("PAGAMENTO", "Bonifico");
            t.setDate("EFFETTO", Date::fromYmd(2025, p.month, 15));
            t.setDate("SCADENZA", Date::fromYmd(2026, p.month, 15));
            t.setDate("COPERTURA", Date::fromYmd(2026, p.month, 15));
            t.setNumber("IMPORTO", *Decimal::parse(p.premium));
            t.setNumber("PROVVAGEN", *Decimal::parse("40"));
            t.setLogical("AVVISO", true);
            t.setLogical("DISDETTA", p.cancelled);
            t.setLogical("TELEFONICA", p.phone);
        });
    add(ws, "DATIAUTO", [](store::Table& t) {
        t.setRaw("POLIZZA", "         1");
        t.setText("TARGA", "GH 512 KL");
    });
    ASSERT_TRUE(policies::generateTitles(ws, "AURORA ASSICURAZIONI", "AURORA ASSICURAZIONI", "AUTO", "A100", "A104"));
    add(ws, "TITOLI", [](store::Table& t) {
        t.setText("COMPAGNIA", "TIRRENA VITA");
        t.setText("RAPPORTO", "TIRRENA VITA");
        t.setText("RAMO", "VITA");
        t.setText("NUMERO", "TV7");
        t.setText("ASSICURATO", "BIANCHI GIULIA");
        t.setDate("EFFETTO", Date::fromYmd(2025, 6, 15));
        t.setDate("SCADENZA", Date::fromYmd(2026, 6, 15));
    });
    {
        store::OwnTable t(ws, "TITOLI");
        t->ordAdd("TITOLI");
        t->goTop();
        t->skip(2);
        t->lock(true);
        t->setLogical("ANNULLATO", true);
        t->commit();
        t->unlock();
    }

    const records::RegisterDesc& desc = policies::titlesRegister();
    records::openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        list.resize(860, 320);
        EXPECT_EQ(QString("Titoli - 6 di 6"), list.windowTitle());
        EXPECT_EQ(QString("ANNULLATO"), list.model()->data(list.model()->index(2, 3), Qt::DisplayRole).toString());
        save(&list, "register-TITOLI");
        store::Table& t = ws["TITOLI"];
        t.goBottom();
        EditDialog modify(desc, records::recordValues(desc.fields, t), false, &t);
        save(&modify, "edit-TITOLO-modifica");
        modify.setModified(false);
        modify.hide();
        SearchDialog search(desc);
        saveAndHide(&search, "search-RTITOLI");
        AgencyIdentity agency;
        agency.name = "Agenzia Esempio";
        t.goTop();
        printed(policies::printTitles(t, agency, false), "print-TITOLI");
        list.hide();
    }
    records::closeRegisterTables(desc, ws);
    {
        std::unique_ptr<QDialog> d = policies::makeTitleGenerationDialog();
        EXPECT_EQ(QString("GENERA"), d->objectName());
        saveAndHide(d.get(), "GENERA");
    }

    for (const char* name : {"DISDETTE", "RIFORMA", "SCADENZE", "NUOVI", "DISDETTE2", "AVVISI"}) {
        std::unique_ptr<FormDialog> d = policies::makeListDialog(name);
        ASSERT_NE(nullptr, d) << name;
        EXPECT_EQ(QString(name), d->objectName());
        if (std::string(name) == "AVVISI") {
            // The sending settings follow "Via email:".
            MailSettingsGroup* mail = policies::noticeMailGroup(*d);
            ASSERT_NE(nullptr, mail);
            EXPECT_FALSE(mail->isEnabled());
            static_cast<QCheckBox*>(d->field(112))->setChecked(true);
            EXPECT_TRUE(mail->isEnabled());
        }
        saveAndHide(d.get(), name);
    }

    policies::ExpiryCriteria every;
    every.activeOnly = false;
    printed(policies::listExpiry(ws, every, false), "print-SCADENZE");
    policies::CancelledCriteria cancelled;
    cancelled.expired = true;
    printed(policies::listCancelled(ws, cancelled, Date::fromYmd(2026, 6, 1), false), "print-DISDETTE");
    policies::CancellationLetterCriteria letter;
    letter.number = "AU-2025-100184";
    AgencyIdentity agency;
    agency.name = "Agenzia Esempio";
    agency.activity = "Agenzia generale di assicurazioni";
    agency.address = "Via Roma 1";
    agency.postCode = "00100";
    agency.town = "Roma";
    agency.province = "RM";
    agency.telephone = "06 1234567";
    agency.fax = "06 7654321";
    agency.mobile = "333 1234567";
    agency.email = "info@agenziaesempio.it";
    agency.vatNumber = "01234567890";
    printed(policies::printCancellationLetters(ws, letter, agency, Date::fromYmd(2026, 3, 1), false), "print-DISDETTE2");
    policies::NoticeCriteria june;
    june.from = Date::fromYmd(2026, 6, 1);
    june.to = Date::fromYmd(2026, 6, 30);
    const auto groups = policies::selectNotices(ws, june);
    const policies::NoticeTexts texts = policies::NoticeTexts::load(IniFile((folder / "ARV.INI").string()));
    printed(policies::printNoticeLetters(ws, groups, texts, agency, *Decimal::parse("2.50"), Date::fromYmd(2026, 5, 20),
                                         false)
                .doc,
            "print-AVVISI");
    records::ClientData client;
    client.name = "BIANCHI GIULIA";
    client.email = "giulia@example.it";
    const auto mail = policies::noticeMail(ws, client, groups.front(), texts, agency, Decimal());
    ASSERT_TRUE(mail);
    printed(policies::printSentNotices({*mail}, false), "print-AVVISI-report");
    ws.closeAll();
}
