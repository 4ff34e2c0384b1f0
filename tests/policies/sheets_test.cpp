#include "policies/sheets.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "registry/registerfolder.h"
#include "store/table.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::policies;

namespace {

class Sheets : public arv::test::RegisterFolderTest {
protected:
    Workspace& ws() { return workspace(); }

    // A policy with its internal code, as the register writes it.
    void addPolicy(const std::string& code, const std::string& number, const std::string& branch,
                   const std::string& insured, const std::string& holder = {})
    {
        OwnTable p(ws(), "POLIZZE");
        p->append();
        p->setText("CODICE", sheetKey(code));
        p->setText("POLIZZA", number);
        p->setText("RAMO", branch);
        p->setText("ASSICURATO", insured);
        p->setText("INTESTPRA", holder.empty() ? insured : holder);
        p->commit();
        p->unlock();
    }
    void addClient(const std::string& name, const std::string& taxCode, const std::string& profession)
    {
        OwnTable c(ws(), "CLIENTI");
        c->append();
        c->setText("CLIENTE", name);
        c->setText("INDIRIZZO", "Via Roma, 1");
        c->setText("CAP", "00184");
        c->setText("CITTA", "ROMA");
        c->setText("PROVINCIA", "RM");
        c->setText("CODICEFISC", taxCode);
        c->setText("PARTITAIVA", "");
        c->setText("STATOCIV", "Coniugato");
        c->setLogical("FIGLICONV", true);
        c->setText("SESSO", "M");
        c->setDate("DATANASC", Date::fromYmd(1985, 12, 10));
        c->setText("COMUNASC", "ROMA");
        c->setText("PROVNASC", "RM");
        c->setText("CITTADIN", "ITALIANA");
        c->setText("DOCUMENTO", "Patente");
        c->setText("CATPATE", "B");
        c->setText("NUMPATE", "RM1234567X");
        c->setDate("RILPATE", Date::fromYmd(2004, 3, 1));
        c->setDate("SCAPATE", Date::fromYmd(2034, 3, 1));
        c->setText("PROFESS", profession);
        c->commit();
        c->unlock();
    }
    // The sheets of CODE in TABLE.
    int sheetsOf(const char* table, const std::string& code)
    {
        OwnTable t(ws(), table);
        int n = 0;
        for (t->goTop(); !t->eof(); t->skip(1))
            if (t->raw("POLIZZA") == sheetKey(code)) ++n;
        return n;
    }
    std::string clientField(const std::string& name, FieldName field)
    {
        OwnTable c(ws(), "CLIENTI");
        for (c->goTop(); !c->eof(); c->skip(1))
            if (c->text("CLIENTE") == name) return field.view() == "DATANASC" ? c->date(field).toDisplay() : c->text(field);
        return "?";
    }
    SaveResult save(SheetKind kind, const std::string& code, const EditValues& before, const EditValues& after)
    {
        return saveSheet(ws(), kind, code, before, after);
    }
    EditValues load(SheetKind kind, const std::string& code, bool* exists = nullptr)
    {
        return loadSheet(ws(), kind, sheetPolicy(ws(), code), exists);
    }
};

const char* const kMario = "RSSMRA85T10A562S"; // a man born on 10/12/85

TEST(SheetKinds, ChosenByTheBranchPrefixInAnyCase)
{
    EXPECT_EQ(SheetKind::Motor, sheetKind("AUTO"));
    EXPECT_EQ(SheetKind::Motor, sheetKind("autovetture"));
    EXPECT_EQ(SheetKind::Motor, sheetKind("Auto R.C."));
    EXPECT_EQ(SheetKind::Elementary, sheetKind("ELEMENTARI"));
    EXPECT_EQ(SheetKind::Elementary, sheetKind("Elem. incendio"));
    EXPECT_EQ(SheetKind::Life, sheetKind("vita mista"));
    EXPECT_EQ(SheetKind::None, sheetKind("AUT"));
    EXPECT_EQ(SheetKind::None, sheetKind("INFORTUNI"));
    EXPECT_EQ(SheetKind::None, sheetKind("RC AUTO"));
    EXPECT_EQ(SheetKind::None, sheetKind(""));
    EXPECT_STREQ("DATIAUTO", sheetTable(SheetKind::Motor));
    EXPECT_STREQ("RAMIELEM", sheetTable(SheetKind::Elementary));
    EXPECT_STREQ("VITA", sheetTable(SheetKind::Life));
    EXPECT_EQ("        42", sheetKey("42"));
    EXPECT_EQ("        42", sheetKey("  42 "));
    EXPECT_EQ("Polizza: 123/A - Dati auto", sheetTitle(SheetKind::Motor, "123/A    "));
    EXPECT_EQ("Polizza: 9 - Rami elementari", sheetTitle(SheetKind::Elementary, "9"));
    EXPECT_STREQ("DatiAuto", sheetArchive(SheetKind::Motor));
    EXPECT_STREQ("RamiElem", sheetArchive(SheetKind::Elementary));
    EXPECT_STREQ("Vita", sheetArchive(SheetKind::Life));
}

TEST_F(Sheets, OneSheetPerPolicyThroughSavesCopiesAndDeletion)
{
    addPolicy("1", "AU-1", "AUTO", "ROSSI MARIO", "ROSSI MARIO");
    bool exists = true;
    EditValues before = load(SheetKind::Motor, "1", &exists);
    EXPECT_FALSE(exists);
    // A new sheet shows the holder of the policy and nothing else.
    EXPECT_EQ("ROSSI MARIO", before.get("INTESTPRA"));
    EXPECT_EQ("", before.get("TARGA"));
    EXPECT_EQ(0, sheetsOf("DATIAUTO", "1")); // opening writes nothing

    EditValues v = before;
    v.set("TARGA", "ab123cd");
    v.set("MARCA", "FIAT");
    v.set("CLASSE", "4");
    v.set("VALORE", "12.500,00");
    ASSERT_TRUE(save(SheetKind::Motor, "1", before, v));
    EXPECT_EQ(1, sheetsOf("DATIAUTO", "1"));
    EditValues again = load(SheetKind::Motor, "1", &exists);
    EXPECT_TRUE(exists);
    EXPECT_EQ("AB123CD", again.get("TARGA"));
    EXPECT_EQ("12.500,00", again.get("VALORE"));
    v = again;
    v.set("CLASSE", "3");
    ASSERT_TRUE(save(SheetKind::Motor, "1", again, v));
    EXPECT_EQ(1, sheetsOf("DATIAUTO", "1"));
    EXPECT_EQ("3", load(SheetKind::Motor, "1").get("CLASSE"));

    // A replacement or a duplicate carries the sheet into the table of the new branch; a sheet
    // the new code had already (a code given again) takes the values: still one sheet.
    EditValues stale = load(SheetKind::Motor, "2");
    stale.set("TARGA", "ZZ999ZZ");
    ASSERT_TRUE(save(SheetKind::Motor, "2", stale, stale));
    EXPECT_TRUE(copySheet(ws(), "AUTO", "1", "2"));
    EXPECT_EQ(1, sheetsOf("DATIAUTO", "2"));
    EXPECT_EQ(1, sheetsOf("DATIAUTO", "1"));
    addPolicy("2", "AU-2", "AUTO", "ROSSI MARIO");
    EXPECT_EQ("AB123CD", load(SheetKind::Motor, "2").get("TARGA"));
    EXPECT_EQ("3", load(SheetKind::Motor, "2").get("CLASSE"));
    EXPECT_FALSE(copySheet(ws(), "ELEMENTARI", "1", "3")); // no elementary sheet to copy
    EXPECT_FALSE(copySheet(ws(), "INCENDIO", "1", "3"));
    EXPECT_EQ(0, sheetsOf("DATIAUTO", "3"));
    EditValues elem = load(SheetKind::Elementary, "1");
    elem.set("GARANZIA1", "INCENDIO");
    elem.set("NOTE", "Fabbricato in muratura");
    ASSERT_TRUE(save(SheetKind::Elementary, "1", elem, elem));
    EXPECT_TRUE(copySheet(ws(), "Elem. incendio", "1", "3"));
    EXPECT_EQ("Fabbricato in muratura", load(SheetKind::Elementary, "3").get("NOTE"));

    // Deleting a policy takes every sheet of its code.
    deleteSheets(ws(), "1");
    EXPECT_EQ(0, sheetsOf("DATIAUTO", "1"));
    EXPECT_EQ(0, sheetsOf("RAMIELEM", "1"));
    EXPECT_EQ(1, sheetsOf("DATIAUTO", "2"));
}

TEST_F(Sheets, TwoProcessesSavingTheSameNewSheetWriteOneRecord)
{
    addPolicy("7", "AU-7", "AUTO", "ROSSI MARIO");
    workspace().closeAll();
    const std::string go = dir.path() + "/go";
    auto child = [&](int n) -> int {
        while (!std::filesystem::exists(go)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int i = 0; i < 10; ++i) {
            EditValues v = load(SheetKind::Motor, "7");
            v.set("MARCA", "MARCA " + std::to_string(n));
            if (!save(SheetKind::Motor, "7", v, v)) return 1;
        }
        return 0;
    };
    std::vector<pid_t> pids;
    for (int c = 0; c < 2; ++c) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) ::_exit(child(c));
        pids.push_back(pid);
    }
    std::ofstream(go) << "1";
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(0, WEXITSTATUS(status));
    }
    EXPECT_EQ(1, sheetsOf("DATIAUTO", "7"));
}

TEST_F(Sheets, FieldChecksRefuseAndWriteNothing)
{
    addPolicy("1", "AU-1", "AUTO", "ROSSI MARIO");
    EditValues before = load(SheetKind::Motor, "1");
    EditValues v = before;
    v.set("CDFPRA", "RSSMRA85T10A562"); // 15 characters
    SaveResult r = save(SheetKind::Motor, "1", before, v);
    EXPECT_EQ(SaveResult::CheckFailed, r.kind);
    EXPECT_EQ("Campo non valido.", r.message);
    v.set("CDFPRA", "");
    v.set("IVAPRA", "12345678901");
    EXPECT_EQ(SaveResult::CheckFailed, save(SheetKind::Motor, "1", before, v).kind);
    v.set("IVAPRA", "");
    v.set("SESPRA", "X");
    EXPECT_EQ(SaveResult::CheckFailed, save(SheetKind::Motor, "1", before, v).kind);
    v.set("SESPRA", "F");
    // The driver's tax code is checked only while a driving mode makes the driver's fields usable.
    v.set("CDFCON", "XXX");
    EXPECT_TRUE(save(SheetKind::Motor, "1", before, v));
    EXPECT_EQ(1, sheetsOf("DATIAUTO", "1"));
    v.set("GDLCON", "T");
    EXPECT_EQ(SaveResult::CheckFailed, save(SheetKind::Motor, "1", before, v).kind);
    EXPECT_EQ("F", load(SheetKind::Motor, "1").get("SESPRA"));

    // Percentages and limits go through their masks.
    EditValues e = load(SheetKind::Elementary, "1");
    e.set("SCOPERTO", "15");
    e.set("MASSIMAL1", "1.500.000,00");
    e.set("NOTE", "Fabbricato;contenuto");
    ASSERT_TRUE(save(SheetKind::Elementary, "1", e, e));
    OwnTable t(ws(), "RAMIELEM");
    t->goTop();
    EXPECT_EQ(Decimal(15), t->number("SCOPERTO"));
    EXPECT_EQ(Decimal::parse("1500000"), t->number("MASSIMAL1"));
    EXPECT_EQ("Fabbricato;contenuto", t->memo("NOTE"));
}

TEST_F(Sheets, DrivingModesExcludeEachOtherAndNoneClearsTheDriver)
{
    const RegisterDesc& d = sheetDescription(SheetKind::Motor);
    EditValues v = blankValues(d.fields);
    EXPECT_FALSE(drivingModeSet(v));
    v.set("GDXCON", "T");
    drivingModeChanged(v, "GDXCON");
    EXPECT_TRUE(drivingModeSet(v));
    v.set("CONDUCENTE", "BIANCHI GIULIA");
    v.set("DTNCON", "05/03/80");
    v.set("FCNCON", "T");
    v.set("CAPCON", "20121");
    // Ticking expert after exclusive leaves only expert.
    v.set("GDECON", "T");
    drivingModeChanged(v, "GDECON");
    EXPECT_EQ("F", v.get("GDXCON"));
    EXPECT_EQ("T", v.get("GDECON"));
    EXPECT_EQ("F", v.get("GDLCON"));
    EXPECT_EQ("BIANCHI GIULIA", v.get("CONDUCENTE"));
    // Unticking it clears every driver field.
    v.set("GDECON", "F");
    drivingModeChanged(v, "GDECON");
    EXPECT_FALSE(drivingModeSet(v));
    EXPECT_EQ("", v.get("CONDUCENTE"));
    EXPECT_EQ(blankValues(d.fields).get("DTNCON"), v.get("DTNCON"));
    EXPECT_EQ("F", v.get("FCNCON"));
    EXPECT_EQ("", v.get("CAPCON"));
    // "G. esp:" sets expert driving, and the rule follows.
    v.set("GDLCON", "T");
    drivingModeChanged(v, "GDLCON");
    v.set("CONDUCENTE", "X");
    v.set("GUIDAESP", "T");
    drivingModeChanged(v, "GUIDAESP");
    EXPECT_EQ("T", v.get("GDECON"));
    EXPECT_EQ("F", v.get("GDLCON"));
    EXPECT_EQ("X", v.get("CONDUCENTE"));
    v.set("GUIDAESP", "F");
    drivingModeChanged(v, "GUIDAESP");
    EXPECT_EQ("F", v.get("GDECON"));
    EXPECT_EQ("", v.get("CONDUCENTE"));
    // The driver's fields are usable only with a mode ticked; the modes themselves always.
    for (const EditField& f : d.fields) {
        if (f.field == "CONDUCENTE" || f.field == "PRFCON") {
            ASSERT_TRUE(f.enabled) << f.field;
            EXPECT_FALSE(f.enabled(v));
        }
        if (f.field == "GDXCON" || f.field == "CDFPRA") {
            EXPECT_FALSE(f.enabled) << f.field;
        }
    }
}

TEST_F(Sheets, ChangedTaxCodeFillsBirthDataOnlyWhenLeftChanged)
{
    const RegisterDesc& d = sheetDescription(SheetKind::Motor);
    EditValues v = blankValues(d.fields);
    v.set("CDFPRA", kMario);
    taxCodeChanged(v, "PRA");
    EXPECT_EQ("10/12/85", v.get("DTNPRA"));
    EXPECT_EQ("M", v.get("SESPRA"));
    v.set("CDFCON", "RSSMRA85T41A562U");
    taxCodeChanged(v, "CON");
    EXPECT_EQ("F", v.get("SESCON"));
    EXPECT_EQ("M", v.get("SESPRA"));
    v.set("CDFPRA", "RSSMRA85T10A56");
    taxCodeChanged(v, "PRA");
    EXPECT_EQ("", v.get("SESPRA"));
    EXPECT_FALSE(Date::fromDisplay(v.get("DTNPRA")));

    // The dialog calls the rule only for a code the user changed: leaving an empty or unchanged
    // code keeps birth data typed by hand.
    ASSERT_TRUE(d.fieldLeft);
    EditValues typed = blankValues(d.fields);
    typed.set("DTNPRA", "01/02/70");
    typed.set("SESPRA", "F");
    EditValues left = typed;
    d.fieldLeft(kIdHolderTax, left);
    EXPECT_EQ("", left.get("SESPRA")); // a changed, now empty code clears them
    left = typed;
    d.fieldLeft(304, left); // another field: nothing
    EXPECT_EQ(typed, left);
}

TEST_F(Sheets, CopyInsuredFillsTheDriverFromTheClient)
{
    addClient("ROSSI MARIO", kMario, "IMPIEGATO AMMINISTRATIVO");
    const RegisterDesc& d = sheetDescription(SheetKind::Motor);
    EditValues v = blankValues(d.fields);
    v.set("GDXCON", "T");
    ASSERT_TRUE(copyInsuredToDriver(ws(), "rossi mario", v));
    EXPECT_EQ("ROSSI MARIO", v.get("CONDUCENTE"));
    EXPECT_EQ("Via Roma, 1", v.get("INDCON"));
    EXPECT_EQ("00184", v.get("CAPCON"));
    EXPECT_EQ("ROMA", v.get("CITCON"));
    EXPECT_EQ("RM", v.get("PROCON"));
    EXPECT_EQ(kMario, v.get("CDFCON"));
    EXPECT_EQ("Coniugato", v.get("SCVCON"));
    EXPECT_EQ("T", v.get("FCNCON"));
    EXPECT_EQ("M", v.get("SESCON"));
    EXPECT_EQ("10/12/85", v.get("DTNCON"));
    EXPECT_EQ("ROMA", v.get("CMNCON"));
    EXPECT_EQ("ITALIANA", v.get("CTDCON"));
    EXPECT_EQ("B", v.get("CPTCON"));
    EXPECT_EQ("RM1234567X", v.get("NPTCON"));
    EXPECT_EQ("01/03/04", v.get("RPTCON"));
    EXPECT_EQ("01/03/34", v.get("SPTCON"));
    EXPECT_EQ("IMPIEGATO AMMINISTRA", v.get("PRFCON")); // as wide as the sheet's field
    EditValues untouched = blankValues(d.fields);
    EditValues w = untouched;
    EXPECT_FALSE(copyInsuredToDriver(ws(), "NESSUNO", w));
    EXPECT_EQ(untouched, w);
}

TEST_F(Sheets, LifeSheetStartsFromTheInsuredAndWritesBackOnlyChanges)
{
    addClient("ROSSI MARIO", kMario, "IMPIEGATO AMMINISTRATIVO");
    addPolicy("5", "VI-5", "VITA", "ROSSI MARIO");
    EditValues before = load(SheetKind::Life, "5");
    EXPECT_EQ("ROSSI MARIO", before.get("ASSICURATO"));
    EXPECT_EQ(kMario, before.get("CODICEFISC"));
    EXPECT_EQ("M", before.get("SESSO"));
    EXPECT_EQ("10/12/85", before.get("DATANASC"));
    EXPECT_EQ("Patente", before.get("DOCUMENTO"));
    EXPECT_EQ("IMPIEGATO AMMINISTRA", before.get("PROFESS"));

    // Saved without touching the person: the client keeps his longer profession.
    EditValues v = before;
    v.set("BENEFIC", "Eredi legittimi");
    v.set("GARANZIA1", "CASO MORTE");
    v.set("MASSIMAL1", "100.000,00");
    ASSERT_TRUE(save(SheetKind::Life, "5", before, v));
    EXPECT_EQ(1, sheetsOf("VITA", "5"));
    EXPECT_EQ("IMPIEGATO AMMINISTRATIVO", clientField("ROSSI MARIO", "PROFESS"));

    // What the user changed reaches the client, the rest stays.
    before = load(SheetKind::Life, "5");
    EXPECT_EQ("Eredi legittimi", before.get("BENEFIC"));
    v = before;
    v.set("PROFESS", "DIRIGENTE");
    v.set("FUMATORE", "T");
    v.set("DATANASC", "11/12/85");
    ASSERT_TRUE(save(SheetKind::Life, "5", before, v));
    EXPECT_EQ("DIRIGENTE", clientField("ROSSI MARIO", "PROFESS"));
    EXPECT_EQ("11/12/85", clientField("ROSSI MARIO", "DATANASC"));
    EXPECT_EQ(kMario, clientField("ROSSI MARIO", "CODICEFISC"));
    EXPECT_EQ("ROMA", clientField("ROSSI MARIO", "COMUNASC"));

    // A sex other than M or F is refused.
    v.set("SESSO", "");
    EXPECT_EQ(SaveResult::CheckFailed, save(SheetKind::Life, "5", before, v).kind);

    // A life insured who is not a client: the sheet is saved, no client changes.
    before = load(SheetKind::Life, "5");
    v = before;
    v.set("ASSICURATO", "VERDI ANNA");
    v.set("CODICEFISC", "RSSMRA85T41A562U");
    v.set("SESSO", "F");
    v.set("PROFESS", "MEDICO");
    ASSERT_TRUE(save(SheetKind::Life, "5", before, v));
    EXPECT_EQ("VERDI ANNA", load(SheetKind::Life, "5").get("ASSICURATO"));
    EXPECT_EQ("DIRIGENTE", clientField("ROSSI MARIO", "PROFESS"));
    EXPECT_EQ(kMario, clientField("ROSSI MARIO", "CODICEFISC"));
    OwnTable c(ws(), "CLIENTI");
    EXPECT_EQ(1u, c->totRec(false));

    // Choosing a client as the insured brings his data.
    EditValues w = blankValues(sheetDescription(SheetKind::Life).fields);
    w.set("ASSICURATO", "Rossi Mario");
    ASSERT_TRUE(loadLifePerson(ws(), w.get("ASSICURATO"), w));
    EXPECT_EQ("DIRIGENTE", w.get("PROFESS"));
    EXPECT_EQ("T", w.get("FUMATORE"));
}

} // namespace
