// The claims register on screen: opened from the policy register's "S&inistri" on the policy under
// the cursor, its printouts read back, and the search with "Controllo sinistrosità".
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "claims/claimregister.h"
#include "claims/claims.h"
#include "claims/numbering.h"
#include "policies/policyregister.h"
#include "records/criteria.h"
#include "claims/claimsfolder.h"
#include "ui/register.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::claims;

namespace {

Date d(int y, int m, int day) { return test::ymd(y, m, day); }
std::string text(const PrintDocument& doc) { return test::pageText(doc); }

size_t rows(Table& t)
{
    size_t n = 0;
    for (t.goTop(); !t.eof(); t.skip(1)) ++n;
    return n;
}

class ClaimScreen : public test::ClaimsFolder {
protected:
    void policy(int code, const std::string& number)
    {
        addPolicy(code, number, [&](Table& t) {
            t.setText("ASSICURATO", "ROSSI MARIO");
            t.setText("COMPAGNIA", "ALFA");
            t.setText("PRODUTTORE", "VERDI");
            t.setText("RAMO", "Auto");
        });
    }
    void claim(const std::string& number, Date opened)
    {
        EditValues v = newClaimValues(ws(), opened, number);
        v.set("DATA", opened.toDisplay());
        v.set("TIPO", "TAMPONAMENTO");
        v.set("NOREPORT", "T");
        OwnTable t(ws(), "SINISTRI");
        t->ordAdd("SINISTRI");
        ASSERT_TRUE(saveClaim(ws(), *t, true, EditValues(claimFields()), v, {}));
    }
};

} // namespace

TEST_F(ClaimScreen, FromThePolicyRegister)
{
    policy(1, "P1");
    policy(2, "P2");
    claim("P1", d(2025, 1, 10));
    claim("P2", d(2025, 2, 10));
    claim("P1", d(2025, 3, 10));
    policies::setPolicyClaimsEntry([](const std::string& alias) { SINISTRI(true, alias); });
    const RegisterDesc& desc = policies::policiesRegister();
    std::function<void()> close = policies::openPolicyLookups(ws());
    openRegisterTables(desc, ws());
    QString title, policyField;
    bool policyEnabled = true;
    {
        RegisterList list(desc, ws());
        ws()["POLIZZE"].goTop();
        list.redraw();
        ASSERT_EQ(ws()["POLIZZE"].text("POLIZZA"), "P1");
        QTimer::singleShot(0, [&] {
            auto* claims = dynamic_cast<RegisterList*>(QApplication::activeModalWidget());
            if (!claims) return;
            title = claims->windowTitle();
            // A new claim belongs to the policy, whose number cannot be changed.
            claims->runEdit = [&](EditDialog& e) {
                policyField = QString::fromStdString(e.values().get("POLIZZA"));
                policyEnabled = e.field(kFPolicy)->isEnabled();
                return int(QDialog::Rejected);
            };
            claims->insert();
            claims->reject();
        });
        list.button(policies::kBtnClaims)->click();
    }
    closeRegisterTables(desc, ws());
    close();
    policies::setPolicyClaimsEntry({});
    EXPECT_EQ(title, "Sinistri - 2 di 2"); // the policy's claims alone
    EXPECT_EQ(policyField, "P1");
    EXPECT_FALSE(policyEnabled);
    EXPECT_FALSE(ws().isOpen("SINISTRI"));
}

TEST_F(ClaimScreen, PrintoutsAndTheObservationSearch)
{
    policy(1, "P1");
    add("NUMESINI", [](Table& t) {
        t.setText("COMPAGNIA", "ALFA");
        t.setText("NUMERO", "77");
    });
    claim("P1", d(2025, 1, 10));
    claim("P1", d(2025, 2, 10));
    {
        // A number for the second claim, so "Per numero sinistro" lists it alone.
        OwnTable t(ws(), "SINISTRI");
        t->goBottom();
        t->lock(true);
        t->setText("NUMERO", "77");
        t->commit();
        t->unlock();
    }
    setRegisterToday(d(2025, 6, 15));
    const RegisterDesc& desc = claimsRegister();
    ws().open("POLIZZE", "POLIZZE_", true).ordAdd("NUMPOL");
    openRegisterTables(desc, ws());
    Table& t = ws()["SINISTRI"];
    {
        const std::string list = text(printClaims(ws(), t, false));
        EXPECT_NE(list.find("|STAMPA SINISTRI|"), std::string::npos);
        EXPECT_NE(list.find("|VERDI|"), std::string::npos); // the policy's producer
        EXPECT_NE(list.find("|ROSSI MARIO|"), std::string::npos);

        // "Controllo sinistrosità": two claims within 12 months.
        std::vector<std::string> typed(desc.search.size());
        typed.back() = "T";
        ASSERT_TRUE(applySearch(desc, t, buildCondition(desc.search, typed)));
        EXPECT_EQ(rows(t), 2u);
        typed[3] = "77"; // "Sinistro n.": one claim alone is no observation
        ASSERT_TRUE(applySearch(desc, t, buildCondition(desc.search, typed)));
        EXPECT_EQ(rows(t), 0u);
        typed.back() = "";
        ASSERT_TRUE(applySearch(desc, t, buildCondition(desc.search, typed)));
        EXPECT_EQ(rows(t), 1u);
        clearSearch(desc, t);
        ASSERT_TRUE(applySearch(desc, t, criteria::equal("POLIZZA", "P1")));
        t.goTop();
        const uint32_t here = t.recno();
        const PrintDocument byNumber = printClaimsByNumber(ws(), t, false);
        const std::string numbered = text(byNumber);
        EXPECT_NE(numbered.find("|77|"), std::string::npos);
        EXPECT_EQ(numbered.find("|25/0001|"), std::string::npos);
        EXPECT_TRUE(t.hasView());
        EXPECT_EQ(t.recno(), here);
        EXPECT_EQ(rows(t), 2u);
        clearSearch(desc, t);

        // The claim sheet of the values shown.
        t.goTop();
        EditValues v = claimValues(ws(), t);
        v.set("NOTE", std::string(70, 'x') + "\r\nseconda riga");
        AgencyIdentity agency;
        agency.name = "Agenzia Test";
        agency.activity = "Assicurazioni";
        agency.address = "Via Roma 1";
        const PrintDocument sheet = printClaimSheet(v, agency, false);
        const std::string s = text(sheet);
        for (const char* want : {"|Agenzia Test|", "|REP.N. 25/0001|", "|INVIO DENUNCIA SINISTRO|", "|COMPAGNIA:|",
                                 "|DATA INVIO SINISTRO:|", "|AUTORITA' INTERVENUTE:|", "|ROSSI MARIO|"})
            EXPECT_NE(s.find(want), std::string::npos) << want;
        EXPECT_NE(s.find("|" + std::string(63, 'x') + "|"), std::string::npos);
        EXPECT_EQ(sheet.pages.size(), 1u);
    }
    closeRegisterTables(desc, ws());
    ws().close("POLIZZE_");
    setRegisterToday({});
}
