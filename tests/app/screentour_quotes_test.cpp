// The quotes off screen, a picture of each in <build>/screens: the register with its print and
// e-mail pop-ups, the eight pages of the form, the search dialog, the conversion dialog, the offer
// and the price request in the compose dialog, and the quote sheet in the preview.
#include <gtest/gtest.h>

#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

#include "app/screentour.h"
#include "common/printjob.h"
#include "records/register.h"
#include "sales/quotedocs.h"
#include "sales/quoteregister.h"
#include "sales/quotes.h"
#include "ui/formdialog.h"
#include "ui/mailcompose.h"
#include "ui/popmsg.h"
#include "ui/previewwindow.h"
#include "ui/register.h"

using namespace arv;
using arv::test::ScreenTour;

TEST_F(ScreenTour, Quotes)
{
    store::Workspace& ws = workspaceOnFolder();
    add(ws, "COMPAGN", [](store::Table& t) { t.setText("COMPAGNIA", "AURORA RC"); });
    add(ws, "COMPAGN", [](store::Table& t) { t.setText("COMPAGNIA", "BOREALE ARD"); });
    add(ws, "OPERATOR", [](store::Table& t) { t.setText("OPERATORE", "ANNA"); });
    struct Row {
        int number, day;
        const char *client, *agreement;
        bool ok;
    } rows[] = {{1001, 3, "ROSSI MARIO", "AURORA RC", true},
                {1002, 9, "BIANCHI GIULIA", "AURORA RC", false},
                {1003, 14, "ESPOSITO LUCA", "BOREALE ARD", false}};
    for (const Row& r : rows)
        add(ws, "PREVBSA", [&r](store::Table& t) {
            t.setNumber("NUMERO", Decimal(static_cast<long>(r.number)));
            t.setDate("DATA", Date::fromYmd(2026, 3, r.day));
            t.setText("OPERATORE", "ANNA");
            t.setText("RAMO", "AUTO");
            t.setText("ASSICURATO", r.client);
            t.setText("INTESTPRA", r.client);
            t.setText("CONDUCENTE", "BIANCHI PAOLO");
            t.setLogical("GDECON", true);
            t.setText("TARGA", "FG123HI");
            t.setText("MARCA", "FIAT");
            t.setText("COMPPREV", r.agreement);
            t.setText("RAPPPREV", r.agreement);
            t.setText("COMPARD", "BOREALE ARD");
            t.setNumber("IMPOPREV1", Decimal(300L));
            t.setNumber("IMPOPREV2", Decimal(550L));
            t.setDate("EFFEPREV", Date::fromYmd(2026, 4, r.day));
            t.setLogical("OKPOLIZZA", r.ok);
        });

    const records::RegisterDesc& desc = sales::quoteRegister();
    records::openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        list.resize(900, 360);
        EXPECT_EQ(QString("Preventivi - 3 di 3"), list.windowTitle());
        save(&list, "register-PREVENTIVI");
        int popups = 0;
        list.runMenu = [this, &popups](QMenu& m, const QPoint& at) -> QAction* {
            saveMenu(&m, at, popups++ == 0 ? "popup-PREVENTIVI-stampa" : "popup-PREVENTIVI-email");
            return nullptr;
        };
        list.button(records::kBtnPrint)->click();
        list.button(sales::kBtnQuoteMail)->click();
        EXPECT_EQ(2, popups);

        // The form of the last quote, page by page.
        store::Table& t = list.table();
        t.goBottom();
        records::EditValues values = sales::quotes::quoteValues(t);
        EditDialog form(desc, values, false, &t);
        form.setWindowTitle("Modifica");
        ASSERT_EQ(8, form.pages()->count());
        for (int page = 0; page < 8; ++page) {
            form.pages()->setCurrentIndex(page);
            save(&form, "edit-PREVENTIVI2" + std::to_string(page + 1));
        }
        ASSERT_NE(nullptr, form.button(sales::quotes::kBtnCopyToDriver));
        EXPECT_TRUE(form.button(sales::quotes::kBtnCopyToDriver)->isEnabled());
        form.hide();

        SearchDialog search(desc);
        saveAndHide(&search, "search-RPREVENTIVI");

        // "OK Polizza": the question answered yes, the dialog pictured and abandoned.
        setMessageBoxHandler([](MessageKind, const std::string&, const std::string&) { return int(kAnswerYes); });
        bool converted = false;
        sales::convertQuote(ws, t, [&](FormDialog& d) {
            save(&d, "dialog-OKPOLIZZA");
            converted = true;
            return int(QDialog::Rejected);
        });
        EXPECT_TRUE(converted);

        // The offer and the price request in the compose dialog.
        sales::quotes::QuoteMailHooks hooks;
        hooks.printCopy = [](const std::string&, const std::string&) {};
        hooks.compose = [&](MailDraft& d) {
            MailComposeDialog dialog(d, MailSettings{});
            saveAndHide(&dialog, "dialog-" + d.name);
            return false;
        };
        sales::quotes::sendOffer(t, (folder / "ARV.INI").string(), hooks);
        sales::quotes::sendPriceRequest(ws, t, false, (folder / "ARV.INI").string(), hooks);
        setMessageBoxHandler({});

        PreviewWindow preview(sales::quotes::printQuoteSheet(t, true), false, {});
        preview.resize(1100, 800);
        saveAndHide(&preview, "preview-STAMPAPRE");
        list.hide();
    }
    records::closeRegisterTables(desc, ws);
    ws.closeAll();
}
