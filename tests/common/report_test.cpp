// The list-report engine read back from the pages it makes.
#include <gtest/gtest.h>

#include "common/report.h"

using namespace arv;

namespace {

struct Client {
    std::string name;
    std::string town;
    Decimal premium;
};

std::vector<const PageItem*> onRow(const PrintDocument& doc, size_t page, double row)
{
    std::vector<const PageItem*> out;
    for (const auto& it : doc.pages[page].items)
        if (std::abs(it.y / doc.geometry.lineHeight() - row) < 1e-6) out.push_back(&it);
    return out;
}

} // namespace

TEST(Report, ColumnsPagesAndTotals)
{
    printHooks() = {};
    std::vector<Client> clients;
    for (int i = 1; i <= 130; ++i)
        clients.push_back({"Cliente " + std::to_string(i), i % 2 ? "Città di Castello" : "Roma",
                           Decimal::fromScaled(i * 1000 + 50, 2)});
    size_t cur = 0;
    ReportDescription d;
    d.title = "Stampa clienti";
    d.headings = {"stampa clienti", "Premi dell'anno"};
    d.columns = {
        {"Nome", [&] { return ReportValue(clients[cur].name); }, "", 0, false, ReportAlign::Auto},
        {"Città", [&] { return ReportValue(clients[cur].town); }, "", 8, false, ReportAlign::Auto},
        {"Premio", [&] { return ReportValue(clients[cur].premium); }, "@E 999,999.99", 0, true, ReportAlign::Auto},
    };
    d.totalLabel = "Totale generale";
    d.condition = [&] { return (cur + 1) % 13 != 0; }; // 10 of the 130 left out

    bool previewed = false;
    printHooks().preview = [&](const PrintDocument&, bool, const std::string&) { previewed = true; };
    const PrintDocument doc = runReport(d, indexRows(clients.size(), cur));
    printHooks() = {};
    EXPECT_TRUE(previewed);

    // 54 rows a page (rows 8 to 61) under the header, two headings and the column headings.
    ASSERT_EQ(3u, doc.pages.size());
    for (size_t p = 0; p < 3; ++p) {
        const auto top = onRow(doc, p, 1);
        ASSERT_EQ(3u, top.size());
        EXPECT_EQ("Stampa clienti", top[0]->text);
        EXPECT_EQ("PAG. " + std::to_string(p + 1), top[2]->text);
        EXPECT_EQ("STAMPA CLIENTI", onRow(doc, p, 3)[0]->text);
        EXPECT_TRUE(onRow(doc, p, 3)[0]->font.bold);
        EXPECT_EQ(TextAlign::Center, onRow(doc, p, 3)[0]->align);
        EXPECT_EQ("Premi dell'anno", onRow(doc, p, 4)[0]->text);
        const auto heads = onRow(doc, p, 6);
        ASSERT_EQ(3u, heads.size());
        EXPECT_EQ("Nome", heads[0]->text);
        EXPECT_EQ(TextAlign::Right, heads[2]->align);
        EXPECT_EQ(std::string(11, '-'), onRow(doc, p, 7)[0]->text); // "Cliente 130" is the widest
    }
    const auto first = onRow(doc, 0, 8);
    ASSERT_EQ(3u, first.size());
    EXPECT_EQ("Cliente 1", first[0]->text);
    EXPECT_EQ("Città di", first[1]->text);   // cut to the width of 8
    EXPECT_EQ("10,50", first[2]->text);
    EXPECT_EQ(TextAlign::Right, first[2]->align);
    EXPECT_TRUE(onRow(doc, 0, 62).empty());
    EXPECT_EQ("Cliente 12", onRow(doc, 0, 19)[0]->text);
    EXPECT_EQ("Cliente 14", onRow(doc, 0, 20)[0]->text);  // 13 left out by the condition
    EXPECT_EQ("Cliente 59", onRow(doc, 1, 8)[0]->text);

    // Sum of i * 10 + 0.50 over the rows printed.
    Decimal expected;
    for (int i = 1; i <= 130; ++i)
        if (i % 13 != 0) expected += Decimal::fromScaled(i * 1000 + 50, 2);
    const auto& last = doc.pages[2].items;
    EXPECT_EQ("Totale generale", last[last.size() - 2].text);
    EXPECT_EQ("78.060,00", last.back().text);
    EXPECT_EQ(Decimal(78060), expected);
    EXPECT_EQ(last[last.size() - 2].y, last.back().y);
}

TEST(Report, CellsAndWideColumns)
{
    ReportColumn money{"Importo", {}, "@E 9,999.99", 0, true, ReportAlign::Auto};
    EXPECT_EQ("1.234,50", reportCell(money, Decimal::fromScaled(123450, 2), 8));
    // A number too wide for its column shows asterisks, never a cut value.
    ReportColumn plain{"N.", {}, "", 0, false, ReportAlign::Auto};
    EXPECT_EQ("***", reportCell(plain, Decimal(123456), 3));
    EXPECT_EQ("12/03/24", reportCell(plain, Date::fromYmd(2024, 3, 12), 8));
    EXPECT_EQ("", reportCell(plain, Date(), 8));
    EXPECT_EQ("", reportCell(plain, ReportValue{}, 8));
    ReportColumn upper{"Nome", {}, "@!", 0, false, ReportAlign::Auto};
    EXPECT_EQ("ROSSÌ", reportCell(upper, std::string("rossì"), 10));

    // Columns wider than the page shrink the font instead of running off the paper; an empty
    // list still prints its headings and a zero total.
    printHooks() = {};
    ReportDescription d;
    d.title = "Largo";
    d.headings = {"largo"};
    for (int i = 0; i < 6; ++i) d.columns.push_back({"Colonna", {}, "", 20, false, ReportAlign::Auto});
    d.columns.push_back(money);
    size_t cur = 0;
    TPRINTER job("Largo");
    printReport(d, indexRows(0, cur), job);
    const Page& page = job.document().pages.at(0);
    double right = 0;
    for (const auto& it : page.items) {
        EXPECT_LT(it.font.pointSize, 9);
        const double w = job.textWidth(it.text, it.font);
        right = std::max(right, it.align == TextAlign::Right ? it.x : it.x + w);
    }
    EXPECT_LE(right, job.columnX(80));
    EXPECT_EQ("0,00", page.items.back().text);
}
