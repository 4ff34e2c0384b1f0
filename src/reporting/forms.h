// The agency's forms ("Modulistica"): ready-made letters, faxes, receipts and declarations, each
// described once (its dialog's fields with their masks, lists and pickers, the lookups made when a
// field is left, the checks, the outputs it offers) and printed on the page model. One dialog runs
// every description (formscreens.h); nothing is stored, except the invoice number of "Emissione
// fatture" in ARV.INI.
//
// Every form fits its texts to the page: paragraphs wrap and turn the page, values are clipped at
// the page's edge (common/letter.h).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/agency.h"
#include "common/date.h"
#include "common/printjob.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::reporting {

inline constexpr const char* kMsgInvoicePrinted = "La fattura è stata stampata correttamente?";
inline constexpr const char* kInvoiceSection = "Emissione fatture";

// What every form may print besides its values: the agency, the settings file, today.
struct FormEnv {
    AgencyIdentity agency;
    std::string iniPath;
    Date today = Date::today();

    static FormEnv load(const std::string& iniPath, Date today = Date::today());
};

struct FormDesc {
    std::string choice; // the chooser's entry (" Trasmissione fax")
    std::string name;   // the dialog resource ("FAX")
    std::string title;  // the dialog's caption
    std::vector<records::EditField> fields;
    bool fax = false;   // "&Fax" offered (printer "Fax")
    bool pdf = true;    // "&PDF" offered
    // The values the dialog opens with (blank values come in; the date is today's).
    std::function<void(store::Workspace&, const FormEnv&, records::EditValues&)> prepare;
    // A field left changed (by its table name): the lookups that fill the others.
    std::function<void(store::Workspace&, const std::string& field, records::EditValues&)> leave;
    // The check of the whole form after the fields' own: the failing field's id and the message.
    std::function<std::optional<std::pair<int, std::string>>(const records::EditValues&)> check;
    // Buttons that fill values (the preset texts of "Emissione fatture").
    std::vector<records::DialogButton> buttons;
    // The print job's name (default: the title).
    std::function<std::string(const records::EditValues&)> jobName;
    // Lays the form out on the job's pages.
    std::function<void(store::Workspace&, const FormEnv&, const records::EditValues&, TPRINTER&)> print;
    // "&Annulla" after a print: ASK puts a yes/no question (the invoice number written back).
    std::function<void(const FormEnv&, const records::EditValues& last, const std::function<bool(const std::string&)>& ask)>
        closing;
};

// AMOTIVI: the reasons offered for titles given back to a company, after an empty first entry.
std::vector<std::string> AMOTIVI();

// The 25 forms of the chooser, in its order.
const std::vector<FormDesc>& formDescriptions();
// By dialog name and, for the names shared by two entries (SOLLECITO, RICHIESTA), by choice.
const FormDesc* findForm(const std::string& name, const std::string& choice = {});

// The values a form opens with: blank, the date today's, then the form's own.
records::EditValues openingValues(store::Workspace& ws, const FormDesc& form, const FormEnv& env);
// The lookups of a field left changed.
void leaveField(store::Workspace& ws, const FormDesc& form, const std::string& field, records::EditValues& values);

// Prints the form on a job of OPTIONS (its name the form's) and gives the pages made.
PrintDocument printForm(store::Workspace& ws, const FormDesc& form, const FormEnv& env, const records::EditValues& values,
                        TPRINTER::Options options);

// "Emissione fatture": the next number (ARV.INI "Numero" + 1) and the write-back of a number
// printed, which only ever raises the key (two workstations, or an old number printed again,
// never take it back). True when the key was raised.
int nextInvoiceNumber(const std::string& iniPath);
bool keepInvoiceNumber(const std::string& iniPath, int number);

// "Revoca produttore": the clients whose SUBAGENTE is PRODUCER, one letter each (their active
// policies with a notice set, by coverage date); gives the letters printed.
size_t printRevocation(store::Workspace& ws, const FormEnv& env, const std::string& producer, TPRINTER& job);

} // namespace arv::reporting
