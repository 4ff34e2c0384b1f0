// Carrying out what the error handler decided: messages, the e-mail offer, the end of the program,
// and the recovery block every screen runs in.
//
// Arithmetic needs no handling here: arv::Decimal divides by zero to 0 (the handler's rule for a
// division by zero), so a computation carries on without a message.
#pragma once

#include <functional>
#include <string>

#include "app/errorhandler.h"

namespace arv {

// What the handler acts through. The defaults show POPMSG boxes, open the mail client with the
// system's URL handler and end the Qt event loops; tests and the table engine replace members.
struct ErrorEnvironment {
    std::function<void()> releaseSemaphore;               // SUNLOCK; nothing by default
    std::function<void(bool)> setNetworkError;           // NETERR(.T.)
    std::function<void(const std::string&)> showMessage;  // POPMSG(text, 1)
    std::function<bool(const std::string&)> ask;          // POPMSG(text, 2)
    std::function<bool(const std::string& url)> openUrl;
    std::function<std::string()> executablePath;
    std::function<void()> closeTables;                    // after a failed screen
    std::function<void(int code)> quit;                   // ends the program
};

ErrorEnvironment& errorEnvironment();

// Restores the defaults (for tests).
void resetErrorEnvironment();

// Applies the handler to one error: shows what is to be shown, sets the network-error flag, and
// on the fatal path offers the report by e-mail and ends the program. Gives the decision taken.
ErrorDecision applyError(const ErrorRecord& error);

// Runs one screen inside the recovery block. An error ends the screen: its message is shown
// (disk and file errors), or the network-error flag is set (a soft failure that reached the top),
// or the program ends after the e-mail offer (anything else, any other exception included). After
// an error the close-tables hook runs. NAME is reported as the failing function when the error
// does not say where it arose. CLOSETABLES, when given, closes the screen's own tables instead of
// the environment's hook (a screen opened from another leaves the caller's tables open). True when
// the screen ended normally.
bool runScreen(const std::string& name, const std::function<void()>& screen,
               const std::function<void()>& closeTables = {});

} // namespace arv
