// The policy printouts and the agency's forms off screen, a picture of each in <build>/screens:
// the policy register's print and e-mail menus, a request to the agreement in the compose dialog
// (EMAILPOL), the company form's data (DATIMODULO), the forms' chooser and the dialog of each of the
// 25 forms, and some printouts in the preview.
#include <gtest/gtest.h>

#include <QMenu>
#include <QPushButton>

#include "app/screentour.h"
#include "common/ini.h"
#include "policies/companyform.h"
#include "policies/policies.h"
#include "policies/policymail.h"
#include "policies/policyprint.h"
#include "policies/policyregister.h"
#include "records/register.h"
#include "reporting/formscreens.h"
#include "ui/mailcompose.h"
#include "ui/popmsg.h"
#include "ui/previewwindow.h"
#include "ui/register.h"

using namespace arv;
using arv::test::ScreenTour;

TEST_F(ScreenTour, PolicyPrintoutsAndForms)
{
    store::Workspace& ws = workspaceOnFolder();
    add(ws, "COMPAGN", [](store::Table& t) {
        t.setText("COMPAGNIA", "AURORA RC");
        t.setText("RAGSOC1", "AURORA ASSICURAZIONI");
        t.setText("E_MAIL", "polizze@aurora.it");
    });
    add(ws, "CLIENTI", [](store::Table& t) {
        t.setText("CLIENTE", "ROSSI MARIO");
        t.setText("INDIRIZZO", "Via Po 3");
        t.setText("CITTA", "TORINO");
    });
    add(ws, "PRODUTT", [](store::Table& t) { t.setText("PRODUTTORE", "BIANCHI LUCA"); });
    add(ws, "POLIZZE", [](store::Table& t) {
        t.setRaw("CODICE", "         1");
        t.setText("POLIZZA", "12345");
        t.setText("ASSICURATO", "ROSSI MARIO");
        t.setText("COMPAGNIA", "AURORA RC");
        t.setText("RAPPORTO", "AURORA RC");
        t.setText("RAMO", "AUTO");
        t.setNumber("IMPORTO", Decimal(350L));
        t.setDate("COPERTURA", Date::fromYmd(2026, 6, 1));
        t.setLogical("FATTURA", true);
    });

    const records::RegisterDesc& desc = policies::policiesRegister();
    std::function<void()> closeLookups = policies::openPolicyLookups(ws);
    records::openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        list.resize(1000, 420);
        std::vector<QStringList> menus;
        list.runMenu = [&](QMenu& m, const QPoint& at) -> QAction* {
            QStringList entries;
            for (QAction* a : m.actions()) entries << (a->isSeparator() ? "-" : a->text());
            menus.push_back(entries);
            saveMenu(&m, at, menus.size() == 1 ? "popup-POLIZZE-stampa" : "popup-POLIZZE-email");
            return nullptr;
        };
        list.button(records::kBtnPrint)->click();
        list.button(policies::kBtnPolicyMail)->click();
        ASSERT_EQ(2u, menus.size());
        EXPECT_TRUE(menus[0].contains("Per numero"));
        EXPECT_TRUE(menus[0].contains("Trasferimento polizze"));
        EXPECT_TRUE(menus[0].contains("Modulistica"));
        EXPECT_EQ(QStringList({"Sospensione polizza", "Annullamento polizza", "Riattivazione polizza",
                               "Richiesta preventivo"}),
                  menus[1]);

        // A request to the agreement in the compose dialog.
        store::Table& t = list.table();
        t.goTop();
        policies::PolicyMailHooks hooks;
        bool composed = false;
        hooks.compose = [&](MailDraft& d) {
            MailComposeDialog dialog(d, MailSettings{});
            EXPECT_EQ(QString("Sospensione polizza"), dialog.windowTitle());
            saveAndHide(&dialog, "dialog-EMAILPOL");
            composed = true;
            return false;
        };
        policies::sendPolicyRequest(ws, t, policies::PolicyRequest::Suspension, (folder / "ARV.INI").string(), hooks);
        EXPECT_TRUE(composed);

        // The data of the company's form.
        const records::RegisterDesc& data = policies::formDataDescription();
        EditDialog form(data, records::blankValues(data.fields), true, nullptr);
        form.setWindowTitle("Dati modulo");
        saveAndHide(&form, "dialog-DATIMODULO");

        PreviewWindow preview(policies::printPolicySheet(ws, policies::modifyValues(t), false), false, {});
        preview.resize(900, 900);
        saveAndHide(&preview, "preview-STAMPAPOLIZZA");

        // The policy on the sample form the project carries.
        policies::FormData filled;
        filled.rows[policies::kLiability].first = Decimal(400L);
        filled.rows[policies::kLiability].taxRate = *Decimal::parse("12.5");
        filled.rows[policies::kTheft].first = Decimal(100L);
        filled.rows[policies::kTheft].taxRate = *Decimal::parse("13.5");
        filled.health1 = *Decimal::parse("10.5");
        const IniFile sample(std::string(ARV_SOURCE_DIR) + "/data/forms/AURORA ASSICURAZIONI NUOVA.INI");
        PreviewWindow form2(
            policies::printCompanyForm(policies::formItems(ws, policies::modifyValues(t), filled), sample, false), false, {});
        form2.resize(900, 900);
        saveAndHide(&form2, "preview-STAMPAMODULO");
        list.hide();
    }
    records::closeRegisterTables(desc, ws);
    closeLookups();

    reporting::FormChooser chooser;
    saveAndHide(&chooser, "dialog-MODULISTICA");
    const reporting::FormEnv env = reporting::FormEnv::load((folder / "ARV.INI").string());
    for (const reporting::FormDesc& f : reporting::formDescriptions()) {
        reporting::FormEditDialog d(f, reporting::openingValues(ws, f, env));
        EXPECT_EQ(QString::fromStdString(f.title), d.windowTitle());
        EXPECT_NE(nullptr, d.button(reporting::kFormPdfButton));
        EXPECT_EQ(f.fax, d.button(reporting::kFormFaxButton) != nullptr);
        std::string name = f.name;
        if (f.name == "SOLLECITO" || f.name == "RICHIESTA") name += "-" + f.title.substr(f.title.rfind(' ') + 1);
        saveAndHide(&d, "dialog-" + name);
    }
    const reporting::FormDesc* invoice = reporting::findForm("EMISFATT");
    records::EditValues v = reporting::openingValues(ws, *invoice, env);
    v.set("DESTINAT", "AURORA ASSICURAZIONI");
    v.set("TESTO", "Consulenza assicurativa annuale");
    v.set("IMPORTO", "1.000,00");
    v.set("ALIQUOTA", "22,00");
    TPRINTER::Options o;
    PreviewWindow preview(reporting::printForm(ws, *invoice, env, v, o), false, {});
    preview.resize(900, 900);
    saveAndHide(&preview, "preview-EMISFATT");
    // A receipt and a declaration, on the policy of the folder.
    for (const char* name : {"ABBUONO", "SOSPENSIONE"}) {
        const reporting::FormDesc* f = reporting::findForm(name);
        records::EditValues fv = reporting::openingValues(ws, *f, env);
        fv.set("POLIZZA", "12345");
        reporting::leaveField(ws, *f, "POLIZZA", fv);
        fv.set("ABBUONO", "25,00");
        fv.set("CONTRAENTE", "ROSSI MARIO");
        fv.set("MOTIVO", "Sospensione volontaria");
        fv.set("FINOAL", "30/09/26");
        PreviewWindow page(reporting::printForm(ws, *f, env, fv, o), false, {});
        page.resize(900, 900);
        saveAndHide(&page, std::string("preview-") + name);
    }
    ws.closeAll();
}
