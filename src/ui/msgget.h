// Small dialogs of the common library: one value asked for (MSGGET) and the about box (INFOS).
#pragma once

#include <functional>

#include <string>

class QDialog;
class QWidget;

namespace arv {

// Asks for one value under PROMPT, with "Conferma" and "Annulla". VALUE changes only on "Conferma";
// the result is false when the user cancelled. MASK: "@!" turns the typing to upper case; a
// template of "9" (digit), "A" (letter), "X" or "!" (any) characters limits the length and the
// characters accepted.
bool MSGGET(const std::string& title, const std::string& prompt, std::string& value, const std::string& mask = {});

// The dialog of MSGGET, not shown; its line edit is named "value".
QDialog* createMsgGetDialog(const std::string& title, const std::string& prompt, const std::string& value,
                            const std::string& mask, QWidget* parent = nullptr);

// The about box with the program name, "Versione: " + version, the year and the attribution of the
// reference data, with one OK button.
void INFOS(const std::string& program, const std::string& version, const std::string& year,
           QWidget* parent = nullptr);
QDialog* createInfosDialog(const std::string& program, const std::string& version, const std::string& year,
                           QWidget* parent = nullptr);

// A button of the about box beside "OK" (the refresh of the municipalities, installed by the
// program); an empty caption removes it.
void setInfosAction(std::string caption, std::function<void(QWidget* parent)> action);

inline constexpr const char* kDataAttribution = "Dati dei comuni: Fonte: ISTAT; Ministero dell'Interno, ANPR";

// The parts of a MSGGET mask: upper case wanted, and the template (empty when there is none).
struct SimpleMask {
    bool upper = false;
    std::string pattern;
};
SimpleMask parseSimpleMask(const std::string& mask);

// True when TEXT fits the template character by character (shorter texts fit).
bool fitsPattern(const std::string& text, const std::string& pattern);

} // namespace arv
