#include "common/agency.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using arv::AgencyIdentity;
using arv::Date;
using arv::IniFile;

namespace {

class AgencyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("arv_agency_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "ARV.INI").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::string path_;
};

AgencyIdentity full()
{
    AgencyIdentity a;
    a.name = "Agenzia Rossi S.a.s.";
    a.activity = "Assicurazioni e servizi finanziari";
    a.address = "Via Roma, 12";
    a.postCode = "47121";
    a.town = "Forlì";
    a.province = "FC";
    a.vatNumber = "01234567890";
    a.taxCode = "01234567890";
    a.telephone = "0543 123456";
    a.fax = "0543 654321";
    a.mobile = "333 1234567";
    a.email = "info@agenziarossi.it";
    a.pec = "agenziarossi@pec.it";
    a.bankName = "Banca di Forlì";
    a.iban = "IT60X0542811101000000123456";
    return a;
}

} // namespace

TEST_F(AgencyTest, SaveAndLoadRoundTrip)
{
    AgencyIdentity a = full();
    a.signaturePlace = "Forlimpopoli";
    a.signature = {"Agenzia Rossi", "", "Servizio clienti"};
    a.privacyAddress = "privacy@agenziarossi.it";
    a.officeHours = "dal lunedì al venerdì, 9-13";
    a.name = "  Agenzia Rossi S.a.s.  "; // stored trimmed
    IniFile ini(path_);
    a.save(ini);

    IniFile other(path_);
    EXPECT_EQ(other.get("AGENZIA", "città"), "Forlì");
    EXPECT_EQ(other.get("Agenzia", "Ragione sociale"), "Agenzia Rossi S.a.s.");
    AgencyIdentity b;
    b.load(other);
    EXPECT_EQ(b.name, "Agenzia Rossi S.a.s.");
    EXPECT_EQ(b.town, "Forlì");
    EXPECT_EQ(b.iban, "IT60X0542811101000000123456");
    EXPECT_EQ(b.signature[2], "Servizio clienti");
    EXPECT_EQ(b.officeHours, "dal lunedì al venerdì, 9-13");
    EXPECT_EQ(b.privacyAddress, "privacy@agenziarossi.it");

    // the agency's keys live beside the other settings without disturbing them
    other.set("E-mail", "Server smtp", "smtp.agenziarossi.it");
    b.mobile.clear();
    b.save(other);
    IniFile third(path_);
    EXPECT_EQ(third.get("E-mail", "Server smtp"), "smtp.agenziarossi.it");
    AgencyIdentity c;
    c.load(third);
    EXPECT_TRUE(c.mobile.empty());
    EXPECT_EQ(c.telephone, "0543 123456");
}

TEST_F(AgencyTest, MissingSettingsReadEmpty)
{
    IniFile ini(path_);
    AgencyIdentity a;
    a.load(ini);
    EXPECT_TRUE(a.name.empty());
    EXPECT_TRUE(a.letterhead().empty());
    EXPECT_TRUE(a.footer().empty());
    EXPECT_EQ(a.placeAndDate(Date::fromYmd(2026, 12, 7)), "07/12/26");
    EXPECT_FALSE(ini.exists()); // reading never creates the file
}

TEST(AgencyIdentity, LetterheadOfAFullIdentity)
{
    AgencyIdentity a = full();
    EXPECT_EQ(a.letterhead(), (std::vector<std::string>{"Agenzia Rossi S.a.s.", "Assicurazioni e servizi finanziari",
                                                         "Via Roma, 12", "47121 Forlì (FC)",
                                                         "Tel. 0543 123456 - Fax: 0543 654321", "P.IVA 01234567890"}));
    EXPECT_EQ(a.footer(), (std::vector<std::string>{"Via Roma, 12 - 47121 Forlì (FC)",
                                                     "Partita IVA: 01234567890 - Tel. 0543 123456 - Fax: 0543 654321",
                                                     "E-mail: info@agenziarossi.it"}));
}

TEST(AgencyIdentity, MissingPiecesLeaveNoSeparators)
{
    AgencyIdentity a = full();
    a.fax.clear();
    a.activity.clear();
    a.province.clear();
    EXPECT_EQ(a.phoneLine(), "Tel. 0543 123456");
    EXPECT_EQ(a.townLine(), "47121 Forlì");
    EXPECT_EQ(a.letterhead(), (std::vector<std::string>{"Agenzia Rossi S.a.s.", "Via Roma, 12", "47121 Forlì",
                                                         "Tel. 0543 123456", "P.IVA 01234567890"}));
    EXPECT_EQ(a.footer()[1], "Partita IVA: 01234567890 - Tel. 0543 123456");

    a.telephone.clear();
    a.fax = "0543 654321";
    EXPECT_EQ(a.phoneLine(), "Fax: 0543 654321");
    a.fax.clear();
    a.postCode.clear();
    a.address.clear();
    a.vatNumber.clear();
    EXPECT_EQ(a.townLine(), "Forlì");
    EXPECT_EQ(a.letterhead(), (std::vector<std::string>{"Agenzia Rossi S.a.s.", "Forlì"}));
    EXPECT_EQ(a.footer(), (std::vector<std::string>{"Forlì", "E-mail: info@agenziarossi.it"}));

    AgencyIdentity onlyProvince;
    onlyProvince.province = "RM";
    EXPECT_EQ(onlyProvince.townLine(), "(RM)");
}

TEST(AgencyIdentity, PlaceDateSignatureAndPrivacyFallBack)
{
    AgencyIdentity a = full();
    Date d = Date::fromYmd(2026, 12, 7);
    EXPECT_EQ(a.placeAndDate(d), "Forlì, 07/12/26");
    EXPECT_EQ(a.placeAndDate(d, true), "Forlì, 07/12/2026");
    EXPECT_EQ(a.placeOfIssue(), "Forlì");
    a.signaturePlace = "Cesena";
    EXPECT_EQ(a.placeAndDate(d), "Cesena, 07/12/26");
    EXPECT_EQ(a.placeOfIssue(), "Cesena");
    a.issuePlace = "Forlimpopoli";
    EXPECT_EQ(a.placeOfIssue(), "Forlimpopoli");

    EXPECT_EQ(a.privacyContact(), "info@agenziarossi.it");
    a.privacyAddress = "privacy@agenziarossi.it";
    EXPECT_EQ(a.privacyContact(), "privacy@agenziarossi.it");

    EXPECT_EQ(a.signatureBlock(),
              (std::vector<std::string>{"Agenzia Rossi S.a.s.", "Assicurazioni e servizi finanziari", "Via Roma, 12",
                                        "47121 Forlì (FC)", "Tel. 0543 123456", "Fax: 0543 654321",
                                        "Cell. 333 1234567"}));
    a.signature = {"Agenzia Rossi", "", "Servizio clienti"};
    EXPECT_EQ(a.signatureBlock(), (std::vector<std::string>{"Agenzia Rossi", "", "Servizio clienti"}));
    a.signature = {"Agenzia Rossi", "", ""};
    EXPECT_EQ(a.signatureBlock(), (std::vector<std::string>{"Agenzia Rossi"}));
}
