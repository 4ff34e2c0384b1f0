// The table engine waits (for a lock, for the other workstations) with a message of its own and
// asks before deleting. These are the functions it is given, built on POPMSG: its message takes
// the place of the wait window showing and, when it has done, the caller's message comes back.
#pragma once

#include <functional>
#include <string>

namespace arv {

struct WaitHookFunctions {
    std::function<void(const std::string& text, const std::string& title)> show;
    std::function<void()> hide;
    std::function<void()> idle;
    std::function<bool(const std::string& question)> confirm;
    std::function<void()> beep;
    std::function<bool()> writeProtected;
};

// WRITEPROTECTED tells whether the working drive refuses writes (the disk check); without it the
// answer is always false.
WaitHookFunctions popmsgWaitHooks(std::function<bool()> writeProtected = {});

// Fills any hooks structure with these members (the table engine's included) from POPMSG.
template <class Hooks>
void installWaitHooks(Hooks& hooks, std::function<bool()> writeProtected = {})
{
    WaitHookFunctions f = popmsgWaitHooks(std::move(writeProtected));
    hooks.show = f.show;
    hooks.hide = f.hide;
    hooks.idle = f.idle;
    hooks.confirm = f.confirm;
    hooks.beep = f.beep;
    hooks.writeProtected = f.writeProtected;
}

} // namespace arv
