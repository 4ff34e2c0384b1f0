#include "common/ini.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using arv::Decimal;
using arv::IniFile;

namespace {

class IniTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("arv_ini_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "ARV.INI").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string bytes() const
    {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    void write(const std::string& data) const
    {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << data;
    }

    fs::path dir_;
    std::string path_;
};

} // namespace

TEST_F(IniTest, MissingFileReadsEmptyAndIsCreatedOnFirstSet)
{
    IniFile ini(path_);
    EXPECT_FALSE(ini.exists());
    EXPECT_EQ(ini.get("E-mail", "SSL", "N"), "N");
    EXPECT_TRUE(ini.sections().empty());
    EXPECT_TRUE(ini.keys("E-mail").empty());
    ini.set("E-mail", "Server smtp", "smtp.example.it");
    EXPECT_TRUE(ini.exists());
    EXPECT_EQ(bytes(), "[E-mail]\r\nServer smtp=smtp.example.it\r\n");
}

TEST_F(IniTest, FileIsWindows1252WithCrlf)
{
    IniFile ini(path_);
    ini.set("Agenzia", "Città", "Forlì");
    ini.set("Agenzia", "Attività", "Agenzia di assicurazioni à è é ì ò ù €");
    std::string b = bytes();
    EXPECT_NE(b.find("Citt\xE0=Forl\xEC\r\n"), std::string::npos);
    EXPECT_NE(b.find("\x80\r\n"), std::string::npos); // the euro sign is 0x80
    EXPECT_EQ(b.find("\xC3"), std::string::npos);     // no UTF-8 in the file
    for (size_t i = 0; i < b.size(); ++i) {
        if (b[i] == '\n') {
            EXPECT_TRUE(i > 0 && b[i - 1] == '\r');
        }
    }

    IniFile other(path_);
    EXPECT_EQ(other.get("agenzia", "CITTÀ"), "Forlì");
    EXPECT_EQ(other.get("AGENZIA", "attività"), "Agenzia di assicurazioni à è é ì ò ù €");
}

TEST_F(IniTest, LookupIgnoresCaseAndKeepsWrittenNames)
{
    write("[E-mail]\r\nServer smtp=mail.x.it\r\nSSL=S\r\n");
    IniFile ini(path_);
    EXPECT_EQ(ini.get("e-MAIL", "SERVER SMTP"), "mail.x.it");
    EXPECT_TRUE(ini.getFlag("e-mail", "ssl"));
    ini.set("E-MAIL", "server SMTP", "smtp.y.it");
    EXPECT_EQ(ini.keys("e-mail"), (std::vector<std::string>{"Server smtp", "SSL"}));
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"E-mail"}));
    EXPECT_NE(bytes().find("Server smtp=smtp.y.it\r\n"), std::string::npos);
}

TEST_F(IniTest, UnknownEntriesAndCommentsSurviveAChange)
{
    write("; impostazioni dell'agenzia\r\n"
          "[Sconosciuta]\r\n"
          "Chiave=valore\r\n"
          "\r\n"
          "[Cassa]\r\n"
          "; saldo del primo giorno\r\n"
          "Saldo iniziale=100.50\r\n"
          "Altro=x\r\n"
          "; nota finale\r\n");
    IniFile ini(path_);
    ini.set("Cassa", "Saldo iniziale", "200");
    std::string b = bytes();
    EXPECT_NE(b.find("; impostazioni dell'agenzia\r\n"), std::string::npos);
    EXPECT_NE(b.find("[Sconosciuta]\r\nChiave=valore\r\n"), std::string::npos);
    EXPECT_NE(b.find("; saldo del primo giorno\r\nSaldo iniziale=200\r\n"), std::string::npos);
    EXPECT_NE(b.find("Altro=x\r\n"), std::string::npos);
    EXPECT_NE(b.find("; nota finale\r\n"), std::string::npos);
    // a second change keeps the trailing comment once
    ini.set("Cassa", "Altro", "y");
    b = bytes();
    EXPECT_EQ(b.find("; nota finale"), b.rfind("; nota finale"));
    EXPECT_LT(b.find("[Sconosciuta]"), b.find("[Cassa]"));
}

// A file edited by hand may hold lines that are no setting: a section without its "]", a line
// without "=", a value without a key, a NUL byte. A change must lose none of the settings
// around them, and the lines stay as comments.
TEST_F(IniTest, LinesThatAreNoSettingLoseNothingAtTheNextChange)
{
    write(std::string("[E-mail]\r\nServer smtp=smtp.example.it\r\n[Agenzia senza chiusura\r\nCitt\xE0=Forl\xEC\r\n"
                      "riga senza uguale\r\n=senza chiave\r\nPorta=25\r\n[Cassa]\r\nSaldo") +
          '\0' + "iniziale=100\r\nAltro=x\r\n");
    IniFile ini(path_);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        IniFile again(path_);
        EXPECT_EQ(again.sections(), (std::vector<std::string>{"E-mail", "Cassa"}));
        EXPECT_EQ(again.get("E-mail", "Città"), "Forlì");
        EXPECT_EQ(again.get("E-mail", "Porta"), "25");
        EXPECT_EQ(again.get("Cassa", "Saldo iniziale"), "100");
        EXPECT_EQ(again.get("Cassa", "Altro"), round == 0 ? "x" : "y");
        ini.set("Cassa", "Altro", "y");
    }
    const std::string b = bytes();
    EXPECT_NE(b.find(";[Agenzia senza chiusura\r\n"), std::string::npos);
    EXPECT_NE(b.find(";riga senza uguale\r\n;=senza chiave\r\n"), std::string::npos);

    // The same after a byte-order mark.
    write("\xEF\xBB\xBF[Senza chiusura=1\r\nPorta=25\r\n");
    ini.set("E-mail", "Server smtp", "smtp.example.it");
    EXPECT_EQ(IniFile(path_).sections(), (std::vector<std::string>{"E-mail"}));
    EXPECT_EQ(IniFile(path_).get("E-mail", "Server smtp"), "smtp.example.it");

    // A lone CR ends a line too: the key after it is no part of the comment before it.
    write("[Quietanzamento]\r\n;nota\rAvviso=vecchio\r\n");
    ini.set("Quietanzamento", "Avviso", "nuovo");
    EXPECT_EQ(IniFile(path_).get("Quietanzamento", "Avviso"), "nuovo");
    EXPECT_EQ(bytes().find("Avviso="), bytes().rfind("Avviso="));
}

TEST_F(IniTest, TwoWorkstationsChangingDifferentKeysKeepBoth)
{
    IniFile a(path_);
    IniFile b(path_);
    EXPECT_EQ(a.get("Emissione fatture", "Numero", "0"), "0");
    EXPECT_EQ(b.get("Emissione fatture", "Numero", "0"), "0");
    a.set("Emissione fatture", "Numero", "12");
    b.set("Emissione fatture", "Fondo1", "Banca X");
    a.set("Fattura elettronica", "ProgressivoInvio", "7");
    IniFile c(path_);
    EXPECT_EQ(c.get("Emissione fatture", "Numero"), "12");
    EXPECT_EQ(c.get("Emissione fatture", "Fondo1"), "Banca X");
    EXPECT_EQ(c.get("Fattura elettronica", "ProgressivoInvio"), "7");
    // a reader sees the other's change without being told
    EXPECT_EQ(b.get("Fattura elettronica", "ProgressivoInvio"), "7");
    EXPECT_EQ(b.getInt("Emissione fatture", "Numero"), 12);
}

TEST_F(IniTest, ConcurrentWritersLoseNothing)
{
    auto writer = [this](const std::string& prefix) {
        IniFile ini(path_);
        for (int i = 0; i < 15; ++i) ini.set("Sinistri", prefix + std::to_string(i), std::to_string(i));
    };
    std::thread t1(writer, "2025 Rossi ");
    std::thread t2(writer, "2026 Bianchi ");
    t1.join();
    t2.join();
    IniFile ini(path_);
    EXPECT_EQ(ini.keys("Sinistri").size(), 30u);
    EXPECT_EQ(ini.get("Sinistri", "2026 bianchi 14"), "14");
}

TEST_F(IniTest, ValuesAreTakenLiterally)
{
    IniFile ini(path_);
    ini.set("Avvisi", "Info", "Pagamento; entro il 15 = ok # grazie");
    ini.set("Avvisi", "Vuoto", "");
    IniFile other(path_);
    EXPECT_EQ(other.get("Avvisi", "Info"), "Pagamento; entro il 15 = ok # grazie");
    EXPECT_TRUE(other.has("Avvisi", "Vuoto"));
}

TEST_F(IniTest, TypedValues)
{
    write("[Emissione fatture]\r\nAliquota RA=11,5\r\nNumero= 42 \r\nBad=abc\r\nVuoto=\r\n"
          "[E-mail]\r\nSSL=n\r\nX=s\xEC\r\n"); // "sì" in Windows-1252
    IniFile ini(path_);
    EXPECT_EQ(ini.getDecimal("Emissione fatture", "Aliquota RA", Decimal(0)), *Decimal::parse("11.5"));
    EXPECT_EQ(ini.getDecimal("Emissione fatture", "Manca", *Decimal::parse("11.5")), *Decimal::parse("11.5"));
    EXPECT_EQ(ini.getInt("Emissione fatture", "Numero"), 42);
    EXPECT_EQ(ini.getInt("Emissione fatture", "Bad", -1), -1);
    EXPECT_EQ(ini.getInt("Fattura elettronica", "ProgressivoInvio", 1), 1);
    EXPECT_TRUE(ini.has("Emissione fatture", "Vuoto"));
    EXPECT_EQ(ini.get("Emissione fatture", "Vuoto", "def"), "");
    EXPECT_FALSE(ini.getFlag("E-mail", "SSL", true));
    EXPECT_FALSE(ini.getFlag("Emissione fatture", "Vuoto", false));
    EXPECT_TRUE(ini.getFlag("E-mail", "X"));

    ini.setDecimal("Cassa", "Saldo iniziale", *Decimal::parse("-1234.50"));
    ini.setFlag("E-mail", "SSL", true);
    ini.setInt("Emissione fatture", "Numero", 43);
    EXPECT_EQ(ini.get("Cassa", "Saldo iniziale"), "-1234.5");
    EXPECT_EQ(ini.get("E-mail", "SSL"), "S");
    EXPECT_EQ(ini.get("Emissione fatture", "Numero"), "43");
}

TEST_F(IniTest, SeveralKeysAtOnceAndRemoval)
{
    IniFile ini(path_);
    ini.setValues("Broker", {{"Riga1", "Broker Srl"}, {"Riga2", "Via Po 1"}, {"Riga3", ""}});
    EXPECT_EQ(ini.keys("Broker"), (std::vector<std::string>{"Riga1", "Riga2", "Riga3"}));
    ini.remove("broker", "riga2");
    ini.remove("Broker", "Manca");
    ini.remove("Manca", "Manca");
    EXPECT_EQ(ini.keys("Broker"), (std::vector<std::string>{"Riga1", "Riga3"}));
}

TEST_F(IniTest, ValuesCannotBreakTheFile)
{
    IniFile ini(path_);
    ini.set("Quietanzamento", "Avviso", "Prima riga\r\nSeconda riga\n[Finta]\nChiave=1");
    EXPECT_EQ(ini.get("Quietanzamento", "Avviso"), "Prima riga~Seconda riga~[Finta]~Chiave=1");
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"Quietanzamento"}));
    EXPECT_THROW(ini.set("A]", "k", "v"), std::invalid_argument);
    EXPECT_THROW(ini.set("A", "k=1", "v"), std::invalid_argument);
    EXPECT_THROW(ini.set("", "k", "v"), std::invalid_argument);
    EXPECT_THROW(ini.set("A", " ", "v"), std::invalid_argument);
}

TEST_F(IniTest, ReplacingKeepsPermissionsAndLeavesNoTemporaryFile)
{
    write("[A]\r\nk=1\r\n");
    ::chmod(path_.c_str(), 0640);
    IniFile ini(path_);
    ini.set("A", "k", "2");
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    for (const auto& e : fs::directory_iterator(dir_))
        EXPECT_EQ(e.path().filename().string().find(".TMP"), std::string::npos);
}

TEST(IniLineBreaks, TildeRoundTrip)
{
    EXPECT_EQ(arv::encodeLineBreaks("uno\r\ndue\nsei\rsette"), "uno~due~sei~sette");
    EXPECT_EQ(arv::decodeLineBreaks("uno~due~~tre"), "uno\ndue\n\ntre");
    EXPECT_EQ(arv::decodeLineBreaks("a~b", "\r\n"), "a\r\nb");
    std::string text = "Gentile cliente,\nLe ricordiamo la scadenza.\n\nCordiali saluti.";
    EXPECT_EQ(arv::decodeLineBreaks(arv::encodeLineBreaks(text)), text);
}
