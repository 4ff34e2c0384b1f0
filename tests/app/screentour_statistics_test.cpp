// The screen tour of the statistics: the dialogs RINNOVI, STATINCA, BUDGET and STATISTICHE, and the
// first page of each printout.
#include "app/screentour.h"
#include "policies/portfoliorenewalscreen.h"
#include "reporting/statisticscreens.h"
#include "ui/formdialog.h"
#include "ui/printrender.h"

using namespace arv;
using arv::test::ScreenTour;

namespace {

class StatisticsTour : public ScreenTour {};

Decimal money(int units) { return Decimal(units); }

} // namespace

TEST_F(StatisticsTour, DialogsAndPrintouts)
{
    store::Workspace& ws = workspaceOnFolder();
    const char* const agreements[] = {"AURORA ASSICURAZIONI", "TIRRENA VITA", "LIGURE RISCHI"};
    const char* const branches[] = {"AUTO", "INCENDIO", "VITA"};
    const char* const producers[] = {"SERRA GIULIA", "MARINI PAOLO", ""};
    for (const char* a : agreements) add(ws, "COMPAGN", [a](store::Table& t) { t.setText("COMPAGNIA", a); });
    for (const char* b : branches) add(ws, "RAMI", [b](store::Table& t) { t.setText("RAMO", b); });
    for (int i = 0; i < 2; ++i) add(ws, "PRODUTT", [&](store::Table& t) { t.setText("PRODUTTORE", producers[i]); });
    // Two years of collections of twelve policies, one monthly.
    int code = 0;
    for (int p = 0; p < 12; ++p) {
        const std::string number = "AU-" + std::to_string(100200 + p);
        add(ws, "POLIZZE", [&](store::Table& t) {
            char c[16];
            std::snprintf(c, sizeof c, "%10d", ++code);
            t.setRaw("CODICE", c);
            t.setText("POLIZZA", number);
            t.setText("ASSICURATO", "CLIENTE " + std::to_string(p));
            t.setText("RAPPORTO", agreements[p % 3]);
            t.setText("RAMO", branches[p % 3]);
            t.setText("FRAZIONAM", p == 0 ? "MENSILE" : p == 5 ? "PREMIO UNICO" : "ANNUALE");
            t.setNumber("IMPORTO", money(p == 0 ? 60 : 300 + 50 * p));
            t.setDate("EFFETTO", Date::fromYmd(p % 4 ? 2024 : 2025, 1 + p, 10));
        });
        for (int year : {2024, 2025}) {
            if (year == 2025 && p % 5 == 4) continue; // not renewed
            for (int k = 0; k < (p == 0 ? 6 : 1); ++k)
                add(ws, "MOVICOMP", [&](store::Table& t) {
                    const Date due = Date::fromYmd(year, 1 + (p + k) % 12, 10);
                    t.setDate("DATA", due.addDays(-3));
                    t.setDate("SCADENZA", due);
                    t.setText("POLIZZA", number);
                    t.setText("COMPAGNIA", agreements[p % 3]);
                    t.setText("RAPPORTO", agreements[p % 3]);
                    t.setText("RAMO", branches[p % 3]);
                    t.setText("PRODUTTORE", producers[p % 3]);
                    t.setText("ASSICURATO", "CLIENTE " + std::to_string(p));
                    t.setText("DESCRIZIO", "Incasso");
                    const Decimal amount = money(p == 0 ? 60 : 300 + 50 * p + (year - 2024) * 20);
                    t.setNumber("IMPORTO", amount);
                    t.setNumber("PROVVAGEN", amount / Decimal(10));
                    t.setNumber("PROVVPROD", amount / Decimal(30));
                    t.setDate("CORRISP", due.addDays(7));
                    t.setDate("CHIUSURA", due.addDays(20));
                });
        }
    }
    // A remittance to each agreement in May of each year registers what came before.
    for (const char* a : agreements)
        for (int year : {2024, 2025})
            add(ws, "MOVICOMP", [&](store::Table& t) {
                t.setDate("DATA", Date::fromYmd(year, 5, 15));
                t.setDate("CORRISP", Date::fromYmd(year, 5, 15));
                t.setText("COMPAGNIA", a);
                t.setText("RAPPORTO", a);
                t.setText("DESCRIZIO", "Rimessa");
                t.setNumber("IMPORTO", money(500));
            });
    for (const char* c : {"Spese generali", "Entrate varie"}) add(ws, "CATECON", [c](store::Table& t) { t.setText("CATEGORIA", c); });
    struct Item {
        const char *name, *category, *account;
        int amount;
    };
    for (const Item& i : {Item{"Affitto ufficio", "Spese generali", "Banca 1 uscite", 1200},
                          Item{"Cancelleria", "Spese generali", "Cassa uscite", 85},
                          Item{"Rimborsi spese", "Entrate varie", "Cassa entrate", 140}}) {
        add(ws, "VOCICON", [&](store::Table& t) {
            t.setText("DESCRIZ", i.name);
            t.setText("CATEGORIA", i.category);
        });
        for (int year : {2024, 2025})
            for (int m = 1; m <= 5; ++m)
                add(ws, "MOVICONT", [&](store::Table& t) {
                    t.setDate("DATA", Date::fromYmd(year, m, 5));
                    t.setText("CONTO", i.account);
                    t.setText("CONTABIL", i.name);
                    t.setNumber("IMPORTO", money(i.amount + (year - 2024) * 30));
                });
    }

    const Date today = Date::fromYmd(2025, 5, 31);
    {
        auto d = policies::makePortfolioRenewalDialog();
        EXPECT_EQ(QString("RINNOVI"), d->objectName());
        d->set(101, "01/03/25");
        d->set(102, "31/05/25");
        d->set(103, "AURORA ASSICURAZIONI");
        saveAndHide(d.get(), "RINNOVI");
    }
    {
        auto d = reporting::makeCollectionDialog(today);
        EXPECT_EQ(QString("STATINCA"), d->objectName());
        EXPECT_EQ("01/01/25", d->values().get("DAL"));
        EXPECT_EQ("31/05/25", d->values().get("AL"));
        saveAndHide(d.get(), "STATINCA");
    }
    {
        auto d = reporting::makeBudgetDialog(today);
        EXPECT_EQ(QString("BUDGET"), d->objectName());
        saveAndHide(d.get(), "BUDGET");
    }
    {
        auto d = reporting::makeSummaryDialog();
        EXPECT_EQ(QString("STATISTICHE"), d->objectName());
        d->set(101, "01/01/25");
        d->set(102, "31/05/25");
        saveAndHide(d.get(), "STATISTICHE");
    }

    printed(policies::printPortfolioRenewals(ws, {Date::fromYmd(2025, 1, 1), today, "", "", ""}, false), "print-RINNOVI");
    reporting::CollectionCriteria c = reporting::collectionDefaults(today);
    printed(reporting::printCollectionStatistics(ws, c, false), "print-STATINCA");
    c.perAgreement = true;
    c.commissions = true;
    printed(reporting::printCollectionStatistics(ws, c, false), "print-STATINCA-per-rapporto");
    printed(reporting::printBudget(ws, reporting::budgetDefaults(today), false), "print-BUDGET");
    printed(reporting::printSummary(ws, {Date::fromYmd(2025, 1, 1), today}, false), "print-STATISTICHE");
}
