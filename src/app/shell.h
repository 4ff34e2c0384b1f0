// What the main window is made of, apart from the window itself: the menus, the toolbar, the
// sizes that depend on the screen, the start-up checks of the working folder and the closing
// duties.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/entries.h"
#include "common/files.h" // findFileNoCase

namespace arv {

// One row of a pull-down menu; an empty caption is a separator line.
struct MenuEntry {
    std::string caption;
    std::string message;  // shown in the message bar while the item is highlighted
    std::string entry;    // the entry function called
    EntryArgs args;

    bool separator() const { return caption.empty(); }
};

struct MenuDef {
    std::string title;
    std::vector<MenuEntry> entries;
};

// The entry that opens the about box and the one that edits the agency identity.
inline constexpr const char* kEntryInfos = "INFOS";
inline constexpr const char* kEntryAgency = "DATIAGENZIA";
// The start-up checks run after the database check.
inline constexpr const char* kEntryStartupChecks = "CONTROLLI";

// The four menus in order. WITHPRODUCER adds the separator and "Aggiorna archivi produttore..."
// after "Invio dati..." (ARV.DLL present at start). "Servizio" ends with "Dati agenzia...".
std::vector<MenuDef> mainMenus(bool withProducer);

struct ToolButtonDef {
    std::string bitmap;
    std::string tooltip;
    std::string caption;
    bool newGroup = false;  // a gap separates it from the button before
    std::string entry;
    EntryArgs args;
};

// The 23 toolbar buttons, left to right.
const std::vector<ToolButtonDef>& toolbarButtons();

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

// 33 x 33 on a screen exactly 800 pixels wide, otherwise 55 x 60.
PixelSize toolbarButtonSize(int screenWidth);

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// Where the background picture is stretched, in the coordinates of the area below the menu bar:
// from one pixel above the toolbar's lower edge, the full width, down to the message bar.
PixelRect backgroundRect(int clientWidth, int clientHeight, int toolbarHeight, int statusHeight);

inline constexpr const char* kProducerSettingsFile = "ARV.DLL";
inline constexpr const char* kBackgroundFile = "ARV.BMP";
inline constexpr const char* kSettingsFile = "ARV.INI";

// Command line: "arvale [FOLDER]" or "arvale --version".
struct CommandLine {
    bool version = false;
    std::string folder;  // empty: the current folder
};
CommandLine parseCommandLine(int argc, const char* const* argv);

// The Italian message telling why FOLDER cannot be the working folder (missing, not a folder,
// not writable); nothing when it can.
std::optional<std::string> workingFolderProblem(const std::filesystem::path& folder);

// The Italian message telling that no screen can be opened (no display in the environment and no
// other platform chosen); nothing when one can.
std::optional<std::string> displayProblem(const char* display, const char* waylandDisplay, const char* platform);

// Runs the duties of closing the main window, in order: the daily prima nota, then the offer to
// save all archives with the settings file among them.
void runClosingDuties(const EntryRegistry& registry);

// The keyboard indicators of the message bar.
struct KeyboardState {
    bool capsLock = false;
    bool numLock = false;
};
// From the modifier mask the X11 window system gives with a key event (Lock and Mod2).
KeyboardState keyboardStateFromX11(unsigned mask);

} // namespace arv
