// The program-wide run-time error handler: decides, from the error raised by a failed operation,
// what the user is told and how the program goes on. Only the decision lives here; the windows,
// the mail client and the ending of the program are done by errorui.h.
#pragma once

#include <optional>
#include <string>

namespace arv {

class Error;

// The properties of a run-time error as the handler reads them. SUBCODE, SUBSYSTEM and
// DESCRIPTION may be absent. FUNCTION and LINE name the place that failed (the screen's entry
// function when nothing closer is known; LINE 0 when unknown).
struct ErrorRecord {
    int genCode = 0;
    std::optional<int> subCode;
    int osCode = 0;
    std::optional<std::string> subsystem;
    std::optional<std::string> description;
    std::string filename;
    std::string operation;
    int severity = 2;  // above 1 an error, otherwise a warning
    bool canDefault = false;
    std::string function;
    int line = 0;
};

ErrorRecord errorRecord(const Error& error);

// What follows the error.
enum class ErrorAction {
    ShowAndUnwind,       // release the semaphore, show MESSAGE, end the current screen
    ReturnZero,          // the failed operation yields 0 (division by zero), no message
    NetworkErrorFalse,   // set the network-error flag, the operation yields false, no message
    Fatal,               // show the description, offer it by e-mail, end the program
};

struct ErrorDecision {
    int rule = 0;  // 1 to 14, the first rule that matched
    ErrorAction action = ErrorAction::Fatal;
    std::string message;  // for ShowAndUnwind: the message; for Fatal: the e-mail question
    std::string report;   // for Fatal: the description that the e-mail carries
};

// The handler's rules, tried in order:
//  1 OS 21 "Disco F non pronto."              2 OS 27/31 "Disco F non formattato."
//  3 OS 19 "Disco F protetto da scrittura."   4 OS 82 "Directory F piena."
//  5 SUB 2016 "Spazio sul disco F insufficiente."
//  6 OS 5 "Impossibile accedere al file F."   7 OS 3 "Percorso F non trovato."
//  8 OS 2 "Impossibile aprire il file F."     9 SUB 1012 or GEN 32 "Il file F risulta corrotto."
// 10 GEN 1001: the full description         11 GEN 5 (division by zero): 0
// 12 GEN 21 with OS 32 or 5, when the operation can fail softly: network error, false
// 13 GEN 40 when the operation can fail softly: network error, false
// 14 anything else: fatal.
// F is the file name in upper case.
ErrorDecision DEFERROR(const ErrorRecord& error);

// One line describing the error: "Error "/"Warning ", subsystem or "???", "/" sub-code or "/???",
// two blanks and the description, ": " and the file name (else the operation), then
// ";Function: " name "  Line: " number when the failing place is known.
std::string ERRORMESSAGE(const ErrorRecord& error);

inline constexpr const char* kMailQuestion = ";;Inviare rapporto di errore via email?";

// The "mailto:" address that opens the user's mail client on an error report: "&" becomes "%26"
// and then ";" becomes "%0d%0a" in the description.
std::string errorMailUrl(const std::string& executablePath, const std::string& description);

} // namespace arv
