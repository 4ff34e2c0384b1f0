// The electronic invoice: the writer's figures, the export of the register's invoices with its
// refusals and its counter, and the check every written file passes (libxml2 against
// Schema_1.2.1.xsd, which must be installed: scripts/deps.sh).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "accounting/einvoice.h"
#include "accounting/invoices.h"
#include "common/ini.h"
#include "registry/registerfolder.h"
#include "support/processes.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::accounting;
namespace fs = std::filesystem;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }
Decimal dec(const char* s) { return *Decimal::parse(s); }

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool has(const std::string& xml, const std::string& piece) { return xml.find(piece) != std::string::npos; }

// A writer with a supplier and a customer the exchange accepts.
TFattXml writer()
{
    TFattXml x;
    x.cPrg = "00001";
    x.cTraCdf = "01234567890";
    x.cCedIva = "01234567890";
    x.cCedDen = "AGENZIA ALFA SAS";
    x.cCedInd = "VIA DEL CORSO 10";
    x.cCedCap = "00186";
    x.cCedCom = "ROMA";
    x.cCedPro = "rm";
    x.cCesCdf = "RSSMRA80A01H501U";
    x.cCesNom = "MARIO";
    x.cCesCog = "ROSSI";
    x.cCesDen = "ROSSI MARIO";
    x.cCesInd = "VIA ROMA 1";
    x.cCesCap = "00100";
    x.cCesCom = "ROMA";
    x.dFatDat = d(2025, 3, 5);
    x.nFatNum = "12";
    x.dScaPag = d(2025, 3, 5);
    return x;
}

class ElectronicInvoice : public test::RegisterFolderTest {
protected:
    void SetUp() override
    {
        test::RegisterFolderTest::SetUp();
        // The schema is part of what the tests need: without it they fail, they never skip.
        ASSERT_FALSE(currentInvoiceSchemaFolder().empty())
            << "Schema_1.2.1.xsd and xmldsig-core-schema.xsd are not installed: run scripts/deps.sh";
        IniFile ini(dir.file("ARV.INI"));
        ini.setValues("Agenzia", {{"Ragione sociale", "AGENZIA ALFA SAS"},
                                  {"Indirizzo", "VIA DEL CORSO 10"},
                                  {"CAP", "00186"},
                                  {"Città", "ROMA"},
                                  {"Provincia", "RM"},
                                  {"Partita IVA", "01234567890"},
                                  {"Codice fiscale", "01234567890"},
                                  {"IBAN", "IT60 X054 2811 1010 0000 0123 456"}});
        ini.set("Fattura elettronica", "ProgressivoInvio", "35");
    }
    Workspace& ws() { return workspace(); }
    long long counter() { return IniFile(dir.file("ARV.INI")).getInt("Fattura elettronica", "ProgressivoInvio", 1); }

    void addClient(const std::string& name, const std::string& first, const std::string& sdi = {})
    {
        addRecord("CLIENTI", [&](Table& t) {
            t.setText("CLIENTE", name);
            t.setText("NOMEPF", first);
            t.setText("INDIRIZZO", "VIA ROMA 1");
            t.setText("CAP", "00100");
            t.setText("CITTA", "ROMA");
            t.setText("PROVINCIA", "rm");
            t.setText("CODICEFISC", "RSSMRA80A01H501U");
            t.setText("CODICESDI", sdi);
        });
    }
    void addCompany(const std::string& name, const std::string& cap)
    {
        addRecord("COMPAGN", [&](Table& t) {
            t.setText("COMPAGNIA", name);
            t.setText("RAGSOC1", name + " ASSICURAZIONI S.P.A.");
            t.setText("INDIRIZZO", "PIAZZA AFFARI 1");
            t.setText("CAP", cap);
            t.setText("CITTA", "MILANO");
            t.setText("PROVINCIA", "MI");
            t.setText("PARTITAIVA", "09876543210");
            t.setNumber("ALIQRA", dec("23"));
        });
    }
    uint32_t addInvoice(int number, const std::string& customer, const std::string& text, const char* rate,
                        const std::string& payment = "Bonifico")
    {
        uint32_t recno = 0;
        addRecord("FATTBSA", [&](Table& t) {
            t.setNumber("NUMERO", Decimal(number));
            t.setDate("DATA", d(2025, 3, 5));
            t.setText("CLIENTE", customer);
            t.setMemo("TESTO", text);
            t.setText("MODPAG", payment);
            t.setNumber("IMPORTO", dec("100"));
            t.setNumber("ALIQUOTA", dec(rate));
            t.setLogical("FONDO", true);
            recno = t.recno();
        });
        return recno;
    }
    XmlExport exportTo(uint32_t recno, std::string* proposed = nullptr)
    {
        return exportInvoiceXml(ws(), recno, [&](const std::string& p) {
            if (proposed) *proposed = p;
            return p;
        });
    }
    // The file passes the program's check, validated against the schema.
    void expectValid(const std::string& path)
    {
        bool validated = false;
        const std::optional<std::string> bad = checkInvoiceFile(path, &validated);
        EXPECT_FALSE(bad) << path << ": " << bad.value_or("");
        EXPECT_TRUE(validated) << path;
    }
};

} // namespace

// The writer's figures by case, each file valid against the schema.
TEST_F(ElectronicInvoice, WriterFigures)
{
    struct Case {
        const char* name;
        std::function<void(TFattXml&)> set;
        std::vector<std::string> pieces;
        std::vector<std::string> absent;
    } cases[] = {
        {"esente",
         [](TFattXml& x) {
             x.cNat = "N4";
             x.aFatRig = {FattLine{"Consulenza", dec("1"), dec("100"), Decimal(), {}, {}}};
         },
         {"<AliquotaIVA>0.00</AliquotaIVA>\r\n        <Natura>N4</Natura>", "<ImponibileImporto>100.00</ImponibileImporto>",
          "<Imposta>0.00</Imposta>", "<ImportoTotaleDocumento>100.00</ImportoTotaleDocumento>",
          "<ImportoPagamento>100.00</ImportoPagamento>", "<Provincia>RM</Provincia>"},
         {"DatiRitenuta"}},
        {"ritenuta",
         [](TFattXml& x) {
             x.lRit = true;
             x.nRitAli = dec("20");
             x.aFatRig = {FattLine{"Consulenza", dec("1"), dec("100"), Decimal(), "N4", {}}};
         },
         {"<ImportoRitenuta>20.00</ImportoRitenuta>", "<AliquotaRitenuta>20.00</AliquotaRitenuta>",
          "<AliquotaIVA>0.00</AliquotaIVA>\r\n        <Ritenuta>SI</Ritenuta>\r\n        <Natura>N4</Natura>",
          "<ImportoTotaleDocumento>80.00</ImportoTotaleDocumento>", "<ImportoPagamento>80.00</ImportoPagamento>"},
         {}},
        {"iva",
         [](TFattXml& x) { x.aFatRig = {FattLine{"Consulenza", dec("1"), dec("100"), dec("22"), {}, {}}}; },
         {"<Imposta>22.00</Imposta>", "<ImportoTotaleDocumento>122.00</ImportoTotaleDocumento>"},
         {"<Natura>"}},
        {"cassa",
         [](TFattXml& x) {
             x.aFatRig = {FattLine{"Perizia", dec("2"), dec("50"), dec("22"), {}, {dec("10")}},
                          FattLine{"Diritti", dec("1"), dec("30"), Decimal(), "N2", {}}};
             x.lCas = true;
             x.nCasAli = dec("4");
             x.nCasIva = dec("22");
             x.lRit = true;
             x.nRitAli = dec("20");
             x.cModPag.clear();
         },
         {"<ImponibileImporto>94.80</ImponibileImporto>\r\n        <Imposta>20.86</Imposta>",
          "<Natura>N2</Natura>\r\n        <ImponibileImporto>30.00</ImponibileImporto>\r\n        <Imposta>0.00</Imposta>",
          "<ImportoContributoCassa>4.80</ImportoContributoCassa>", "<ImponibileCassa>120.00</ImponibileCassa>",
          "<Ritenuta>SI</Ritenuta>", "<ImportoRitenuta>24.96</ImportoRitenuta>",
          "<ImportoTotaleDocumento>120.70</ImportoTotaleDocumento>", "<PrezzoTotale>90.00</PrezzoTotale>"},
         {"DatiPagamento"}},
        {"testi",
         [](TFattXml& x) {
             x.cCesIva = "09876543210";
             x.cCesCdf.clear();
             x.cCesDen = "Bianchi & Figli <srl> È “nuova” – sede…";
             x.cFatCau = std::string(250, 'a') + " fine";
             x.cDesPec = "";
             x.aFatRig = {FattLine{"Consulenza 2025 — €100 “saldo” & <altro>", dec("1"), dec("100"), dec("22"), {}, {}}};
         },
         {"<Denominazione>Bianchi &amp; Figli &lt;srl&gt; \xC3\x88 \"nuova\" - sede...</Denominazione>",
          "<Descrizione>Consulenza 2025 - EUR100 \"saldo\" &amp; &lt;altro&gt;</Descrizione>",
          "<Causale>" + std::string(200, 'a') + "</Causale>", "<Causale>" + std::string(50, 'a') + " fine</Causale>"},
         {"PECDestinatario", "<CodiceFiscale>"}},
    };
    for (const Case& c : cases) {
        TFattXml x = writer();
        c.set(x);
        const std::string path = dir.file(std::string(c.name) + ".xml");
        ASSERT_EQ("", x.Export(path)) << c.name;
        const std::string xml = readFile(path);
        for (const std::string& p : c.pieces) EXPECT_TRUE(has(xml, p)) << c.name << ": " << p << "\n" << xml;
        for (const std::string& a : c.absent) EXPECT_FALSE(has(xml, a)) << c.name << ": " << a;
        EXPECT_EQ(0u, xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<p:FatturaElettronica versione=\"FPR12\"", 0));
        EXPECT_EQ("\r\n</p:FatturaElettronica>", xml.substr(xml.size() - 25)) << "no line break after the last line";
        expectValid(path);
    }
    EXPECT_EQ("0000Z", base36(35));
    EXPECT_EQ("00010", base36(36));
    // A customer with neither VAT number nor tax code is refused, never written as "99999999999".
    TFattXml anonymous = writer();
    anonymous.cCesCdf.clear();
    anonymous.aFatRig = {FattLine{"Consulenza", dec("1"), dec("100"), dec("22"), {}, {}}};
    EXPECT_NE("", anonymous.Export(dir.file("anonimo.xml")));
    EXPECT_FALSE(fs::exists(dir.file("anonimo.xml")));
}

// The export of the register's invoices: a person, a company, the proposed name and the counter;
// the refusals leave no file and the counter as it was.
TEST_F(ElectronicInvoice, ExportOfInvoices)
{
    addClient("ROSSI MARIO", "MARIO", "ABC1234");
    addClient("BIANCHI ANNA", "");
    addClient("VERDI LUCA", "LUCA", "ABC123");
    addCompany("ALFA", "20121");
    addCompany("BETA", "");
    const uint32_t person =
        addInvoice(1, "ROSSI MARIO", "\r\n  Consulenza su polizza auto ALFA n. 1 di euro 300,00\r\nseconda riga", "-20");
    std::string proposed;
    const XmlExport first = exportTo(person, &proposed);
    ASSERT_TRUE(first.ok) << first.message;
    EXPECT_EQ((fs::path(dir.path()) / "FATTURE XML" / "IT01234567890_0000Z.xml").string(), proposed);
    EXPECT_EQ("0000Z", first.progressive);
    EXPECT_TRUE(first.validated);
    EXPECT_EQ(36, counter());
    const std::string xml = readFile(first.path);
    for (const char* p : {"<ProgressivoInvio>0000Z</ProgressivoInvio>", "<CodiceDestinatario>ABC1234</CodiceDestinatario>",
                          "<Nome>MARIO</Nome>", "<Cognome>ROSSI</Cognome>",
                          "<Descrizione>Consulenza su polizza auto ALFA n. 1 di euro 300,00</Descrizione>",
                          "<ModalitaPagamento>MP05</ModalitaPagamento>", "<IBAN>IT60X0542811101000000123456</IBAN>",
                          "<ImportoRitenuta>20.00</ImportoRitenuta>", "<Natura>N4</Natura>", "<Provincia>RM</Provincia>"})
        EXPECT_TRUE(has(xml, p)) << p;

    const uint32_t company = addInvoice(2, "ALFA", "Ns. commissioni di marzo", "22", "Altro");
    const XmlExport second = exportTo(company);
    ASSERT_TRUE(second.ok) << second.message;
    EXPECT_EQ("00010", second.progressive);
    const std::string cx = readFile(second.path);
    for (const char* p : {"<Denominazione>ALFA ASSICURAZIONI S.P.A.</Denominazione>", "<IdCodice>09876543210</IdCodice>",
                          "<CodiceDestinatario>0000000</CodiceDestinatario>", "<Comune>MILANO</Comune>"})
        EXPECT_TRUE(has(cx, p)) << p;
    EXPECT_FALSE(has(cx, "DatiPagamento")) << "no payment code, no payment block";
    EXPECT_EQ(37, counter());

    struct Refusal {
        uint32_t recno;
        std::string message;
    } refusals[] = {
        {addInvoice(0, "ROSSI MARIO", "Proforma", "0"), kMsgProformaXml},
        {addInvoice(3, "BETA", "Commissioni", "0"), "manca CAP"},
        {addInvoice(4, "BIANCHI ANNA", "Consulenza", "0"), kMsgNaturalPersonName},
        {addInvoice(5, "VERDI LUCA", "Consulenza", "0"), "7 lettere o cifre"},
    };
    for (const Refusal& r : refusals) {
        bool asked = false;
        const XmlExport e = exportInvoiceXml(ws(), r.recno, [&](const std::string& p) {
            asked = true;
            return p;
        });
        EXPECT_FALSE(e.ok);
        EXPECT_FALSE(asked) << "refused before the file dialog";
        EXPECT_TRUE(has(e.message, r.message)) << e.message;
    }
    EXPECT_EQ(37, counter());
    EXPECT_EQ(2, std::distance(fs::directory_iterator(fs::path(dir.path()) / "FATTURE XML"), fs::directory_iterator()));
    // Cancelling the file dialog writes nothing either.
    const XmlExport cancelled = exportInvoiceXml(ws(), person, [](const std::string&) { return std::string(); });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(37, counter());
    // Missing agency data are named.
    IniFile(dir.file("ARV.INI")).set("Agenzia", "Partita IVA", "");
    const XmlExport noAgency = exportTo(person);
    EXPECT_FALSE(noAgency.ok);
    EXPECT_TRUE(has(noAgency.message, "Dati agenzia")) << noAgency.message;
}

// Files spoiled after a valid one, each refused by the program's check.
TEST_F(ElectronicInvoice, CheckRejectsSpoiledFiles)
{
    TFattXml x = writer();
    x.cNat = "N4";
    x.aFatRig = {FattLine{"Consulenza", dec("1"), dec("100"), Decimal(), {}, {}}};
    const std::string valid = x.document();
    struct Spoil {
        const char* name;
        std::string from, to;
    } spoils[] = {
        {"e commerciale", "AGENZIA ALFA SAS", "AGENZIA ALFA & C"},
        {"byte Windows-1252", "AGENZIA ALFA SAS", "AGENZIA \xC0LFA"},
        {"euro nella descrizione", "<Descrizione>Consulenza", "<Descrizione>\xE2\x82\xAC Consulenza"},
        {"natura N9", "<Natura>N4</Natura>", "<Natura>N9</Natura>"},
        {"tre decimali", "<ImportoTotaleDocumento>100.00<", "<ImportoTotaleDocumento>100.000<"},
        {"senza destinatario", "<CodiceDestinatario>0000000</CodiceDestinatario>", ""},
        {"versione FPR13", "versione=\"FPR12\"", "versione=\"FPR13\""},
    };
    const std::string good = dir.file("valido.xml");
    std::ofstream(good, std::ios::binary) << valid;
    expectValid(good);
    for (const Spoil& s : spoils) {
        std::string text = valid;
        const size_t at = text.find(s.from);
        ASSERT_NE(std::string::npos, at) << s.name;
        text.replace(at, s.from.size(), s.to);
        const std::string path = dir.file("guasto.xml");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        EXPECT_TRUE(checkInvoiceFile(path)) << s.name;
    }
}

// Two workstations exporting at once never share a progressive.
TEST_F(ElectronicInvoice, ConcurrentExportsGetDistinctProgressives)
{
    addClient("ROSSI MARIO", "MARIO");
    const uint32_t recno = addInvoice(1, "ROSSI MARIO", "Consulenza", "0");
    ws().closeAll();
    const std::string folder = dir.path();
    const int kEach = 15;
    EXPECT_TRUE(test::runProcesses(2, [&](int) {
        Workspace own(folder);
        int status = 0;
        for (int k = 0; k < kEach; ++k)
            if (!exportInvoiceXml(own, recno, [](const std::string& p) { return p; }).ok) status = 2;
        return status;
    }));
    ws().setFolder(folder);
    std::set<std::string> progressives;
    for (const auto& f : fs::directory_iterator(fs::path(folder) / "FATTURE XML")) {
        const std::string xml = readFile(f.path().string());
        const size_t at = xml.find("<ProgressivoInvio>");
        ASSERT_NE(std::string::npos, at);
        progressives.insert(xml.substr(at + 18, 5));
    }
    EXPECT_EQ(size_t(2 * kEach), progressives.size());
    EXPECT_EQ(35 + 2 * kEach, counter());
}
