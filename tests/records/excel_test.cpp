#include "records/excel.h"

#include <gtest/gtest.h>

#include <regex>

#include "common/office.h"
#include "store/dbf.h"
#include "store/workspace.h"
#include "support/tempdir.h"
#include "support/ziptest.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

namespace {

class Export : public ::testing::Test {
protected:
    void SetUp() override
    {
        DbfFile::create(dir.file("ELENCO.DBF"), {{"CAP", 'C', 5, 0},
                                                  {"NOME", 'C', 20, 0},
                                                  {"IMPORTO", 'N', 10, 2},
                                                  {"DATA", 'D', 8, 0},
                                                  {"PAGATO", 'L', 1, 0}});
        table = Table::open(dir.path(), "ELENCO", "ELENCO");
    }
    void add(const char* cap, const char* name, const char* amount, Date date, bool paid)
    {
        table->append();
        table->setText("CAP", cap);
        table->setText(FieldName::runtime("NOME"), name); // the test's own table
        table->setNumber("IMPORTO", *Decimal::parse(amount));
        table->setDate("DATA", date);
        table->setLogical("PAGATO", paid);
        table->commit();
        table->unlock();
    }
    std::string sheet(const std::string& file) { return test::readZipEntry(file, "xl/worksheets/sheet1.xml").value_or(""); }
    std::string strings(const std::string& file) { return test::readZipEntry(file, "xl/sharedStrings.xml").value_or(""); }

    test::TempDir dir;
    std::unique_ptr<Table> table;
};

} // namespace

TEST_F(Export, HeaderTypedCellsAndTextThatLooksLikeANumber)
{
    add("00136", "ABC", "1234.5", Date::fromYmd(2024, 3, 15), true);
    add("20100", "  Rossi  ", "-7", Date(), false);
    table->goTop();
    table->skip(1);
    const uint32_t here = table->recno();
    const std::string file = dir.file("out.xlsx");
    std::vector<ExtraColumn> extra = {{" Totale ", [](const Table& t) { return CellValue(t.number("IMPORTO") * 2); }}};
    ASSERT_TRUE(writeSpreadsheet(*table, file, extra));
    EXPECT_EQ(here, table->recno()); // back on its record

    const std::string xml = sheet(file), shared = strings(file);
    // Header: field names then the extra title, trimmed, all text cells.
    for (const char* h : {"<t>CAP</t>", "<t>NOME</t>", "<t>IMPORTO</t>", "<t>DATA</t>", "<t>PAGATO</t>", "<t>Totale</t>"})
        EXPECT_NE(std::string::npos, shared.find(h)) << h;
    // "00136" is a text cell with its zeros; "ABC" has no prefix; trimmed names.
    EXPECT_NE(std::string::npos, shared.find("<t>00136</t>"));
    EXPECT_NE(std::string::npos, shared.find("<t>ABC</t>"));
    EXPECT_NE(std::string::npos, shared.find("<t>Rossi</t>"));
    EXPECT_TRUE(std::regex_search(xml, std::regex("<c r=\"A2\"[^>]*t=\"s\"")));
    // Numbers are numbers, dates are date serials, logicals booleans.
    EXPECT_TRUE(std::regex_search(xml, std::regex("<c r=\"C2\" s=\"[0-9]+\"><v>1234.5</v>")));
    EXPECT_TRUE(std::regex_search(xml, std::regex("<c r=\"D2\" s=\"[0-9]+\"><v>45366</v>")));
    EXPECT_TRUE(std::regex_search(xml, std::regex("<c r=\"E2\" s=\"[0-9]+\" t=\"b\"><v>1</v>")));
    EXPECT_TRUE(std::regex_search(xml, std::regex("<c r=\"F2\" s=\"[0-9]+\"><v>2469</v>")));
    EXPECT_TRUE(std::regex_search(xml, std::regex("<c r=\"C3\" s=\"[0-9]+\"><v>-7</v>")));
    EXPECT_FALSE(std::regex_search(xml, std::regex("<c r=\"D3\""))); // the empty date stays empty
    const std::string styles = test::readZipEntry(file, "xl/styles.xml").value_or("");
    EXPECT_NE(std::string::npos, styles.find("formatCode=\"dd/mm/yyyy\""));
    EXPECT_NE(std::string::npos, styles.find("horizontal=\"right\""));
    EXPECT_NE(std::string::npos, styles.find("vertical=\"top\""));
    EXPECT_NE(std::string::npos, xml.find("<cols>"));
}

TEST_F(Export, EmptyTableGivesTheHeaderOnlyAndTheHooksAreUsed)
{
    std::vector<std::string> messages;
    std::string opened;
    int closed = 0;
    officeHooks().message = [&](const std::string& t, bool) { messages.push_back(t); };
    officeHooks().closeMessage = [&] { ++closed; };
    officeHooks().open = [&](const std::string& f) {
        opened = f;
        return true;
    };
    std::string file = TOEXCEL(*table);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file, opened);
    EXPECT_EQ(1, closed);
    EXPECT_EQ(std::vector<std::string>{kMsgExporting}, messages);
    const std::string xml = sheet(file);
    EXPECT_NE(std::string::npos, xml.find("<row r=\"1\""));
    EXPECT_EQ(std::string::npos, xml.find("<row r=\"2\""));

    add("1", "A", "1", Date(), false);
    add("2", "B", "2", Date(), false);
    messages.clear();
    std::string second = TOEXCEL(*table);
    EXPECT_EQ((std::vector<std::string>{kMsgExporting, "Esportazione in corso (2)...", "Esportazione in corso (3)..."}),
              messages);
    officeHooks() = OfficeHooks();
    std::filesystem::remove_all(std::filesystem::path(file).parent_path());
    std::filesystem::remove_all(std::filesystem::path(second).parent_path());
}

TEST(ExportRules, NumericLookingText)
{
    EXPECT_TRUE(looksNumeric("00136"));
    EXPECT_TRUE(looksNumeric(" -12,5 "));
    EXPECT_TRUE(looksNumeric("3.14"));
    EXPECT_FALSE(looksNumeric("ABC"));
    EXPECT_FALSE(looksNumeric("02 1234567"));
    EXPECT_FALSE(looksNumeric("1.2.3"));
    EXPECT_FALSE(looksNumeric(""));
    EXPECT_FALSE(looksNumeric("12."));
}

// The rows writer: per-column formats, text that reads as a number kept as text, and the same
// sheet in the constant-memory mode (strings inline instead of shared).
TEST(SheetRows, FormatsTypesAndConstantMemory)
{
    test::TempDir dir;
    for (bool constant : {false, true}) {
        const std::string file = dir.file(constant ? "c.xlsx" : "m.xlsx");
        {
            SheetWriter w(file, {{"POLIZZA"}, {"DATA", SheetCell::Date}, {"PREMIO", SheetCell::Number, "#,##0.00"},
                                 {"CAMBI"}, {"OK", SheetCell::Logical}},
                          constant);
            ASSERT_TRUE(w.ok());
            w.add({std::string("00777 "), Date::fromYmd(2025, 1, 31), Decimal(1234567) / Decimal(100), Decimal(3),
                   true});
            w.add({std::string(), Date(), Decimal(), CellValue(), false});
            EXPECT_EQ(2u, w.rows());
            ASSERT_TRUE(w.close());
        }
        const std::string xml = test::readZipEntry(file, "xl/worksheets/sheet1.xml").value_or("");
        const std::string text = xml + test::readZipEntry(file, "xl/sharedStrings.xml").value_or("");
        EXPECT_NE(std::string::npos, text.find("<t>00777</t>")) << constant;
        EXPECT_TRUE(std::regex_search(xml, std::regex("<c r=\"B2\" s=\"[0-9]+\"><v>45688</v>"))) << constant;
        EXPECT_TRUE(std::regex_search(xml, std::regex("<c r=\"C2\" s=\"[0-9]+\"><v>12345.67</v>"))) << constant;
        EXPECT_TRUE(std::regex_search(xml, std::regex("<c r=\"D2\" s=\"[0-9]+\"><v>3</v>"))) << constant;
        EXPECT_FALSE(std::regex_search(xml, std::regex("<c r=\"B3\""))) << constant; // the empty date
        EXPECT_NE(std::string::npos, xml.find("<cols>")) << constant;
        EXPECT_NE(std::string::npos, test::readZipEntry(file, "xl/styles.xml").value_or("").find("formatCode=\"#,##0.00\""));
    }
    // A writer left without close() leaves no file behind.
    {
        SheetWriter w(dir.file("left.xlsx"), {{"A"}});
        w.add({std::string("x")});
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("left.xlsx")));
}
