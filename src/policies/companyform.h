// A policy printed on the company's own pre-printed form ("Stampa modulo"): the template file of
// the company in the working folder (company + " NUOVA.INI" for a new policy, company + " SOST.INI"
// for a replacement) places each item of the form. Its sections are named after the items, each
// with "Riga" and "Colonna" in tenths of a centimetre from the top left corner of the paper; an
// item without "Riga" is not printed, "Riga" = 0 prints the item one text line (1/66 of the page)
// below the item printed before it, at its own column. The data the program does not keep are
// asked by the dialog DATIMODULO (FormData). Nothing prints outside the page: an item placed off
// it is skipped, a value running past its right edge is clipped.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/decimal.h"
#include "common/ini.h"
#include "common/pagemodel.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::policies {

// The template of COMPANY in FOLDER (its name in any case), for a replacement when REPLACEMENT;
// nothing when there is none or when the company's name could reach outside the folder ("/", "\",
// "..").
std::optional<std::filesystem::path> companyTemplate(const std::filesystem::path& folder, const std::string& company,
                                                     bool replacement);

// One row of the guarantee grid.
struct GuaranteeRow {
    Decimal capital;    // per thousand; 1 means "see the accident capitals"
    Decimal first;      // first instalment ("Rata firma")
    Decimal next;       // following instalment ("Rata succ.")
    Decimal taxRate;    // percent
    Decimal uncovered;  // percent
    Decimal deductible;
};

enum GuaranteeRowId { kLiability = 0, kTheft, kFire, kAccident, kAssistance, kGuaranteeRows };

// What DATIMODULO asks.
struct FormData {
    std::string branchCode, riskCode, clientCode, vehicleCode, fuel, sector, vehicleClass, use;
    std::array<GuaranteeRow, kGuaranteeRows> rows;
    std::string note;                  // printed under the liability row
    Decimal health1, health2;          // "ONERE S.S.N."
    Decimal death, disability, medical; // accident capitals
    std::string driver;
    Decimal allowance;                 // "Abbuono": printed, never deducted
};

struct FormTotals {
    Decimal taxableLiability, taxableOther, health, liabilityTax, otherTax, total;
};

// The taxes are reckoned row by row, each rounded to the cent half away from zero.
FormTotals formTotals(const FormData& data);

// The liability limit of the motor sheet ("7.290.000,00") in millions, as the form prints it
// ("  7,29"); blank when it does not fit.
std::string limitInMillions(const std::string& limitText);

// One item of the form: its section name and its lines (the second and later one text line below
// the one before).
struct FormItem {
    std::string section;
    std::vector<std::string> lines;
};

// The items of the policy shown in VALUES (the policy dialog's), with its motor sheet and its
// insured's record read from the tables of WS.
std::vector<FormItem> formItems(store::Workspace& ws, const records::EditValues& values, const FormData& data);

// Places ITEMS as TEMPLATE says on the page of a job "Stampa modulo" in Courier New 12.
PrintDocument printCompanyForm(const std::vector<FormItem>& items, const IniFile& templateFile, bool preview = true);

// The fields of DATIMODULO, its description for the edit dialog, and the data they hold.
const std::vector<records::EditField>& formDataFields();
const records::RegisterDesc& formDataDescription();
FormData formDataOf(const records::EditValues& values);

} // namespace arv::policies
