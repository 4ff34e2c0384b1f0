// The screen tour of the claims: both registers, the claim dialog, the series dialog, the searches
// and the dialogs of "Genera", "Reporting" and "Rapporto S/P".
#include "app/screentour.h"

#include <QPushButton>

#include "claims/claimregister.h"
#include "claims/claims.h"
#include "claims/numberregister.h"
#include "claims/numbering.h"
#include "claims/statistics.h"
#include "ui/printrender.h"
#include "records/register.h"
#include "ui/register.h"

using namespace arv;
using arv::test::ScreenTour;

namespace {

void fill(store::Workspace& ws)
{
    test::addRecord(ws, "COMPAGN", [](store::Table& t) { t.setText("COMPAGNIA", "ASSICURAZIONI ALFA"); });
    test::addRecord(ws, "TIPISIN", [](store::Table& t) { t.setText("TIPO", "TAMPONAMENTO"); });
    test::addRecord(ws, "POLIZZE", [](store::Table& t) {
        t.setRaw("CODICE", "         1");
        t.setText("ASSICURATO", "BIANCHI GIULIA");
        t.setText("COMPAGNIA", "ASSICURAZIONI ALFA");
        t.setText("RAPPORTO", "ASSICURAZIONI ALFA");
        t.setText("POLIZZA", "AL-2026-000184");
        t.setText("RAMO", "Auto");
        t.setText("FRAZIONAM", "SEMESTRALE");
        t.setDate("SCADENZA", Date::fromYmd(2027, 1, 15));
        t.setDate("COPERTURA", Date::fromYmd(2026, 7, 15));
    });
    test::addRecord(ws, "DATIAUTO", [](store::Table& t) {
        t.setRaw("POLIZZA", "         1");
        t.setText("TARGA", "GH 512 KL");
    });
    for (const char* n : {"5001", "5002"})
        test::addRecord(ws, "NUMESINI", [n](store::Table& t) {
            t.setText("COMPAGNIA", "ASSICURAZIONI ALFA");
            t.setText("NUMERO", n);
        });
    test::addRecord(ws, "NUMESINI", [](store::Table& t) {
        t.setText("COMPAGNIA", "ASSICURAZIONI ALFA");
        t.setText("NUMERO", "5003");
        t.setLogical("ANNULLATO", true);
    });
    store::Table& c = ws.open("SINISTRI");
    c.ordAdd("SINISTRI");
    records::EditValues v = claims::newClaimValues(ws, Date::fromYmd(2026, 3, 2), "AL-2026-000184");
    v.set("DATA", "28/02/26");
    v.set("NUMERO", "5001");
    v.set("TIPO", "TAMPONAMENTO");
    v.set("CONTROP", "VERDI LUCA");
    v.set("NOREPORT", "F");
    EXPECT_TRUE(claims::saveClaim(ws, c, true, records::EditValues(claims::claimFields()), v, {}));
    ws.close("SINISTRI");
}

} // namespace

namespace {

class ClaimsTour : public ScreenTour {};

} // namespace

TEST_F(ClaimsTour, Claims)
{
    store::Workspace& ws = workspaceOnFolder();
    fill(ws);
    ws.open("POLIZZE", "POLIZZE_", true).ordAdd("NUMPOL");
    ws.open("DATIAUTO", "DATIAUTO_", true).ordAdd("DATIAUTO");
    const records::RegisterDesc& desc = claims::claimsRegister();
    records::openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        list.resize(900, 360);
        EXPECT_EQ(QString("Sinistri - 1 di 1"), list.windowTitle());
        EXPECT_EQ(QString("BIANCHI GIULIA"), list.model()->data(list.model()->index(0, 2), Qt::DisplayRole).toString());
        save(&list, "register-SINISTRI");
        store::Table& t = ws["SINISTRI"];
        t.goTop();
        {
            EditDialog modify(desc, claims::claimValues(ws, t), false, &t);
            modify.resize(980, 620);
            EXPECT_TRUE(modify.button(204)->isEnabled());
            save(&modify, "edit-SINISTRO-modifica");
            modify.setModified(false);
            modify.hide();
        }
        {
            EditDialog insert(desc, claims::newClaimValues(ws, Date::fromYmd(2026, 3, 5)), true, &t);
            insert.resize(980, 620);
            EXPECT_EQ(std::string("26/0002"), insert.values().get("REPERTORIO"));
            EXPECT_FALSE(insert.button(204)->isEnabled());
            save(&insert, "edit-SINISTRO-aggiungi");
            insert.setModified(false);
            insert.hide();
        }
        // The claim sheet and the list as they print.
        AgencyIdentity agency;
        agency.name = "Agenzia Esempio";
        agency.activity = "Agenzia di assicurazioni";
        agency.address = "Via Roma 1";
        agency.town = "Roma";
        agency.telephone = "06 1234567";
        agency.vatNumber = "01234567890";
        printed(claims::printClaimSheet(claims::claimValues(ws, t), agency, false), "print-SINISTRO");
        printed(claims::printClaims(ws, t, false), "print-SINISTRI");
        SearchDialog search(desc);
        saveAndHide(&search, "search-RSINISTRI");
        list.hide();
    }
    records::closeRegisterTables(desc, ws);

    const records::RegisterDesc& series = claims::seriesRegister();
    records::openRegisterTables(series, ws);
    {
        RegisterList list(series, ws);
        list.resize(800, 300);
        EXPECT_EQ(QString("Numerazione sinistri - 3 di 3"), list.windowTitle());
        EXPECT_EQ(QString("ANNULLATO"), list.model()->data(list.model()->index(2, 2), Qt::DisplayRole).toString());
        save(&list, "register-NUMESINI");
        store::Table& t = ws["NUMESINI"];
        t.goTop();
        EditDialog modify(series, records::recordValues(series.fields, t), false, &t);
        save(&modify, "edit-NUMESINI2-modifica");
        modify.setModified(false);
        modify.hide();
        printed(claims::printSeries(t, AgencyIdentity(), false), "print-NUMESINI");
        SearchDialog search(series);
        saveAndHide(&search, "search-RNUMESINI");
        list.hide();
    }
    records::closeRegisterTables(series, ws);

    for (auto [make, name] : {std::pair{&claims::makeNumberGenerationDialog, "GENERANUM"},
                              std::pair{&claims::makeReportingDialog, "REPORTSIN"},
                              std::pair{&claims::makeLossRatioDialog, "RAPPSP"}}) {
        std::unique_ptr<QDialog> d = make(nullptr);
        EXPECT_EQ(QString(name), d->objectName());
        saveAndHide(d.get(), name);
    }
    claims::ReportingCriteria all;
    printed(claims::printReporting(ws, all, Date::fromYmd(2026, 6, 15), false), "print-REPORTSIN");
    printed(claims::printLossRatio(ws, claims::LossRatioCriteria{{}, {}, "", "", "Auto"}, false), "print-RAPPSP");
    ws.closeAll();
}
