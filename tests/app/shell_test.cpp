#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "app/entries.h"
#include "app/shell.h"
#include "common/date.h"

namespace fs = std::filesystem;
using namespace arv;

TEST(ShellLayout, ToolbarButtonSizeDependsOnExactly800)
{
    EXPECT_EQ((PixelSize{33, 33}), toolbarButtonSize(800));
    EXPECT_EQ((PixelSize{55, 60}), toolbarButtonSize(1024));
    EXPECT_EQ((PixelSize{55, 60}), toolbarButtonSize(799));
    EXPECT_EQ((PixelSize{55, 60}), toolbarButtonSize(801));
}

TEST(ShellLayout, BackgroundStartsOnePixelAboveToolbarEdge)
{
    EXPECT_EQ((PixelRect{0, 63, 1280, 700 - 63 - 22}), backgroundRect(1280, 700, 64, 22));
    EXPECT_EQ((PixelRect{0, 9, 100, 0}), backgroundRect(100, 20, 10, 30));
}

TEST(ShellLayout, ToolbarGroupsAndEntries)
{
    const auto& buttons = toolbarButtons();
    ASSERT_EQ(23u, buttons.size());
    std::vector<std::string> groupStarts;
    std::set<std::string> bitmaps;
    for (const auto& b : buttons) {
        if (b.newGroup) groupStarts.push_back(b.bitmap);
        bitmaps.insert(b.bitmap);
        EXPECT_FALSE(b.tooltip.empty());
        EXPECT_FALSE(b.caption.empty());
    }
    EXPECT_EQ(23u, bitmaps.size());
    EXPECT_EQ((std::vector<std::string>{"CLIENTI", "DISDETTE", "REPORTING", "SRAPPORTI", "RIESITCON", "PRIMANOTA",
                                        "COPERTURE", "MODULISTICA", "CASSA"}),
              groupStarts);
    EXPECT_EQ("PREVENTIVI", buttons[5].entry);
    EXPECT_EQ("PRIMANOTA", buttons[19].entry);
    EXPECT_TRUE(buttons[19].args.flag);
    EXPECT_FALSE(buttons[18].args.flag);
}

TEST(ShellLayout, EveryMenuEntryCarriesAMessageAndAnEntry)
{
    for (const MenuDef& menu : mainMenus(true))
        for (const MenuEntry& e : menu.entries)
            if (!e.separator()) {
                EXPECT_FALSE(e.message.empty()) << e.caption;
                EXPECT_FALSE(e.entry.empty()) << e.caption;
            }
    auto menus = mainMenus(false);
    const MenuEntry& save = menus[2].entries[4];
    EXPECT_EQ("Salvataggio dati...", save.caption);
    EXPECT_EQ("SALVA", save.entry);
    EXPECT_EQ(std::vector<std::string>{"ARV.INI"}, save.args.files);
}

TEST(Registry, CallsEntriesThroughTheRunnerAndReportsMissingOnes)
{
    EntryRegistry registry;
    std::vector<std::string> log;
    registry.setRunner([&](const std::string& name, const std::function<void()>& body) {
        log.push_back("enter " + name);
        body();
        log.push_back("leave " + name);
    });
    registry.setUnavailableHandler([&](const std::string& name) { log.push_back("missing " + name); });
    registry.add("CLIENTI", [&](const EntryArgs& a) { log.push_back(a.flag ? "clienti flag" : "clienti"); });

    registry.call("CLIENTI");
    registry.call("POLIZZE");
    EXPECT_TRUE(registry.has("CLIENTI"));
    EXPECT_FALSE(registry.has("POLIZZE"));
    EXPECT_EQ((std::vector<std::string>{"enter CLIENTI", "clienti", "leave CLIENTI", "missing POLIZZE"}), log);
}

TEST(Registry, ClosingDutiesRunDailyPrimaNotaThenSave)
{
    EntryRegistry registry;
    std::vector<std::string> log;
    registry.add("PRIMANOTA", [&](const EntryArgs& a) { log.push_back(a.flag ? "PRIMANOTA daily" : "PRIMANOTA"); });
    registry.add("SALVA", [&](const EntryArgs& a) { log.push_back("SALVA " + (a.files.empty() ? "" : a.files[0])); });
    runClosingDuties(registry);
    runClosingDuties(registry);
    EXPECT_EQ((std::vector<std::string>{"PRIMANOTA daily", "SALVA ARV.INI", "PRIMANOTA daily", "SALVA ARV.INI"}), log);
}

TEST(StartUp, CommandLine)
{
    const char* a[] = {"arvale", "--version"};
    EXPECT_TRUE(parseCommandLine(2, a).version);
    const char* b[] = {"arvale", "/srv/agenzia"};
    EXPECT_EQ("/srv/agenzia", parseCommandLine(2, b).folder);
    EXPECT_FALSE(parseCommandLine(2, b).version);
    const char* c[] = {"arvale"};
    EXPECT_TRUE(parseCommandLine(1, c).folder.empty());
}

TEST(StartUp, WorkingFolderProblemsAndFilesInAnyCase)
{
    fs::path dir = fs::temp_directory_path() / "arv-shell-start";
    fs::remove_all(dir);
    EXPECT_EQ("La cartella di lavoro " + dir.string() + " non esiste.", workingFolderProblem(dir).value_or(""));
    EXPECT_FALSE(fs::exists(dir));
    fs::create_directories(dir);
    EXPECT_FALSE(workingFolderProblem(dir).has_value());
    std::ofstream(dir / "file") << "x";
    EXPECT_TRUE(workingFolderProblem(dir / "file").has_value());

    EXPECT_FALSE(findFileNoCase(dir, "ARV.DLL").has_value());
    std::ofstream(dir / "arv.dll") << "";
    EXPECT_EQ(dir / "arv.dll", findFileNoCase(dir, "ARV.DLL").value_or(""));
    fs::remove_all(dir);

    EXPECT_TRUE(displayProblem(nullptr, "", nullptr).has_value());
    EXPECT_FALSE(displayProblem(":0", nullptr, nullptr).has_value());
    EXPECT_FALSE(displayProblem(nullptr, nullptr, "offscreen").has_value());
}

TEST(StartUp, KeyboardIndicatorsFromX11State)
{
    EXPECT_TRUE(keyboardStateFromX11(0x2).capsLock);
    EXPECT_FALSE(keyboardStateFromX11(0x2).numLock);
    EXPECT_TRUE(keyboardStateFromX11(0x10).numLock);
    EXPECT_FALSE(keyboardStateFromX11(0x1 | 0x4).capsLock);
}

TEST(StartUp, TwoDigitYearsFallInThe1930Window)
{
    EXPECT_EQ(2029, Date::fromDisplay("31/12/29").year());
    EXPECT_EQ(1930, Date::fromDisplay("01/01/30").year());
    EXPECT_EQ("05/03/24", Date::fromYmd(2024, 3, 5).toDisplay());
}
