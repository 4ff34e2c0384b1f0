// "Incasso" of the renewal worklist through the company movements, as the program installs it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "accounting/movementregister.h"
#include "accounting/movements.h"
#include "policies/policyregister.h"
#include "policies/renewalregister.h"
#include "policies/renewals.h"
#include "policies/sheets.h"
#include "registry/registerfolder.h"
#include "store/keys.h"
#include "ui/fields.h"
#include "ui/register.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }

class RenewalCollection : public test::RegisterFolderTest {
protected:
    Date coverage()
    {
        OwnTable p(workspace(), "POLIZZE");
        p->ordAdd("NUMPOL");
        return p->seek(indexKey("Q1", 25)) ? p->date("COPERTURA") : Date();
    }
    // Runs the worklist's "Incasso" on its only row while DRIVE works the movement dialog and
    // its list; gives the outcome.
    policies::RowOutcome collect(const std::function<void(EditDialog&)>& drive)
    {
        QTimer timer;
        bool driven = false;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (!w->isVisible()) continue;
                if (auto* e = dynamic_cast<EditDialog*>(w); e && w->objectName() == "MOVICOMP2" && !driven) {
                    driven = true;
                    drive(*e);
                    return;
                }
                if (auto* l = dynamic_cast<RegisterList*>(w); l && w->objectName() == "MOVICOMP" && driven) {
                    l->accept();
                    return;
                }
            }
        });
        timer.start(20);
        Table& rows = workspace()["QUIETANZ"];
        rows.goTop();
        return policies::collectRenewal(rows, rows.recno(), [](const std::string& n) {
            return accounting::MOVICOMP(true, n);
        });
    }
};

} // namespace

TEST_F(RenewalCollection, SavedMovesTheCoverageAbandonedKeepsTheRow)
{
    {
        OwnTable p(workspace(), "POLIZZE");
        p->append();
        p->setRaw("CODICE", policies::sheetKey("1"));
        p->setText("POLIZZA", "Q1");
        p->setText("ASSICURATO", "ROSSI MARIO");
        p->setText("COMPAGNIA", "ALFA");
        p->setText("RAPPORTO", "ALFA");
        p->setText("RAMO", "INCENDIO");
        p->setText("FRAZIONAM", "SEMESTRALE");
        p->setDate("COPERTURA", d(2025, 1, 31));
        p->setDate("SCADENZA", d(2025, 7, 31));
        p->setNumber("IMPORTO", Decimal(200));
        p->commit();
        p->unlock();
    }
    std::function<void()> closeLookups = policies::openRenewalLookups(workspace());
    policies::addRenewals(workspace(), {d(2025, 1, 1), d(2025, 1, 31)});
    openRegisterTables(policies::renewalsRegister(), workspace());

    // Abandoned: no movement, the row stays.
    EXPECT_EQ(policies::RowOutcome::Kept, collect([](EditDialog& e) {
                  EXPECT_EQ("Q1", e.values().get("POLIZZA"));
                  EXPECT_EQ("ROSSI MARIO", e.values().get("ASSICURATO"));
                  e.setModified(false);
                  e.reject();
              }));
    Table& rows = workspace()["QUIETANZ"];
    rows.goTop();
    EXPECT_FALSE(rows.eof());
    EXPECT_EQ(d(2025, 1, 31), coverage());

    // Saved as a collection: the coverage moves one instalment and the row goes.
    EXPECT_EQ(policies::RowOutcome::Done, collect([](EditDialog& e) {
                  for (const EditField& f : accounting::movementFields())
                      if (f.field == "DESCRIZIO") setFieldWidgetValue(e.field(f.id), "Incasso");
                      else if (f.field == "CONTO") setFieldWidgetValue(e.field(f.id), "Cassa entrate");
                  e.confirm();
              }));
    EXPECT_EQ(d(2025, 7, 31), coverage());
    rows.goTop();
    EXPECT_TRUE(rows.eof());
    closeRegisterTables(policies::renewalsRegister(), workspace());
    closeLookups();
}
