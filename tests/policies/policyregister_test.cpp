#include "policies/policyregister.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "policies/policies.h"
#include "policies/policymail.h"
#include "registry/registerfolder.h"
#include "ui/register.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::policies;

namespace {

class PolicyScreen : public arv::test::RegisterFolderTest {
protected:
    void addPolicy(const char* code, const char* number, const char* branch, const char* replacedBy = "")
    {
        OwnTable p(workspace(), "POLIZZE");
        p->append();
        p->setRaw("CODICE", std::string(10 - std::string(code).size(), ' ') + code);
        p->setText("ASSICURATO", "ROSSI MARIO");
        p->setText("COMPAGNIA", "ALFA");
        p->setText("POLIZZA", number);
        p->setText("RAMO", branch);
        p->setText("SOSTDA", replacedBy);
        p->commit();
        p->unlock();
    }
};

TEST_F(PolicyScreen, ListActions)
{
    addPolicy("1", "A1", "INCENDIO");
    addPolicy("2", "A2", "RC GENERALE", "A3");
    Workspace& ws = workspace();
    const RegisterDesc& desc = policiesRegister();
    std::function<void()> close = openPolicyLookups(ws);
    openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        EXPECT_EQ(QString("Polizze - 2 di 2"), list.windowTitle());
        Table& t = ws["POLIZZE"];
        t.goTop();
        list.redraw();
        ASSERT_EQ(t.text("POLIZZA"), "A1");

        // A click in column "V" ticks the mark; another takes it away.
        QTableView* b = list.browse();
        const QModelIndex v = list.model()->index(0, 7);
        const QPoint at = b->visualRect(v).center();
        QTest::mouseClick(b->viewport(), Qt::LeftButton, {}, at);
        t.goTop();
        EXPECT_TRUE(t.logical("VERIFICA"));
        EXPECT_EQ(Qt::Checked, list.model()->data(list.model()->index(0, 7), Qt::CheckStateRole).toInt());
        QTest::mouseClick(b->viewport(), Qt::LeftButton, {}, at);
        t.goTop();
        EXPECT_FALSE(t.logical("VERIFICA"));

        list.button(kBtnOtherData)->click();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), "Altri dati non disponibili per il ramo INCENDIO.");

        // A replaced policy cannot be replaced again.
        t.skip(1);
        list.redraw();
        ASSERT_EQ(t.text("POLIZZA"), "A2");
        list.button(kBtnReplace)->click();
        EXPECT_EQ(messages.back(), kMsgAlreadyReplaced);

        // "Emai&l ^": the price request goes to the entry the program installs, on the policy
        // under the cursor; a request to an agreement without an address goes nowhere.
        std::string requested;
        setPriceRequestEntry([&](const std::string& alias) { requested = ws[alias].text("POLIZZA"); });
        QStringList captions;
        int choose = 3;
        list.runMenu = [&](QMenu& m, const QPoint&) -> QAction* {
            captions.clear();
            for (QAction* a : m.actions()) captions << a->text();
            return m.actions().value(choose);
        };
        list.button(kBtnPolicyMail)->click();
        EXPECT_EQ(QStringList({"Sospensione polizza", "Annullamento polizza", "Riattivazione polizza",
                               "Richiesta preventivo"}),
                  captions);
        EXPECT_EQ("A2", requested);
        choose = 0;
        list.button(kBtnPolicyMail)->click();
        EXPECT_EQ(messages.back(), kMsgNoAgreementMail);
        setPriceRequestEntry({});
    }
    closeRegisterTables(desc, ws);
    close();
    EXPECT_FALSE(ws.isOpen("CLIENTI_"));
    EXPECT_FALSE(ws.isOpen("POLIZZE_"));
}

} // namespace
