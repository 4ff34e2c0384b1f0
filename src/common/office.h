// How the office services talk to the user: the progress message of an export and the opening
// of a finished spreadsheet or document with the application the desktop associates with it. The
// program installs these at start (POPMSG and the desktop's file opening); tests replace them.
#pragma once

#include <functional>
#include <string>

namespace arv {

struct OfficeHooks {
    // Shows the wait message, or changes its text when UPDATE is set.
    std::function<void(const std::string& text, bool update)> message;
    std::function<void()> closeMessage;
    // Opens FILE with its associated application; false when none did.
    std::function<bool(const std::string& file)> open;
};

OfficeHooks& officeHooks();

} // namespace arv
