// Start-up and shut-down of the program around the main window.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "app/agencydialog.h"
#include "app/entries.h"
#include "common/documents.h"

namespace arv {

// What the program is connected to outside this shell. Each hook may be left empty.
struct ApplicationHooks {
    // Removes the temporary files and folders left over by earlier runs of this workstation
    // (never the live ones of other workstations), given the working folder and the time of start.
    std::function<void(const std::filesystem::path& folder, std::chrono::system_clock::time_point start)>
        cleanupLeftovers;
    // Creates and upgrades the tables; false with a message ends the program.
    std::function<bool(std::string* message)> databaseCheck;
    // Closes every open table (after the closing duties).
    std::function<void()> closeAllTables;
    // Called as a screen starts: gives the function that closes the tables opened from then on,
    // run when the screen fails.
    std::function<std::function<void()>()> screenTables;
    // Reads a setting of ARV.INI (section, key): the documents' folders.
    SettingLookup setting;
    // Reads and writes the agency identity ("Dati agenzia...").
    AgencyStore agency;
    // Adds the entry functions of the screens.
    std::function<void(EntryRegistry&)> registerEntries;
};

// The entries the shell itself provides: the about box and the agency dialog (the latter only
// when HOOKS can store the identity).
void addShellEntries(EntryRegistry& registry, const ApplicationHooks& hooks);

// Makes every entry call run as a screen inside the error handler's recovery block, and the
// missing ones say "Funzione non ancora disponibile.".
void prepareRegistry(EntryRegistry& registry, std::function<std::function<void()>()> screenTables = {});

// The whole program: arguments, working folder checks, settings, main window, event loop.
// "--version" is answered without a display.
int runApplication(int argc, char** argv, const ApplicationHooks& hooks);

} // namespace arv
