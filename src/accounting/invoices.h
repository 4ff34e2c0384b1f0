// The agency's invoices (FATTBSA) without their windows: the amounts written into an invoice's
// text and read back from it, the customer's data and default rate, the yearly numbering, the
// save and the deletion under the table lock, the consultancy invoice generated from a policy
// (GENFATT), the printed invoice and the list of the invoices. The register screen
// (invoiceregister.cpp) only shows what is decided here; the electronic invoice is einvoice.h.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/agency.h"
#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "records/register.h"
#include "store/workspace.h"

namespace arv::accounting {

// ---- the amounts written into an invoice's text, each followed by its amount
inline constexpr const char* kMarkCommission = "Ns. commissioni:            EURO ";
inline constexpr const char* kMarkFee = "Ns. corrispettivo:          EURO ";
inline constexpr const char* kMarkAdvance = "Anticipaz. importo polizza: EURO ";
inline constexpr const char* kMarkExpenses = "Spese:                      EURO ";
inline constexpr const char* kMarkStamp = "Rivalsa bollo:              EURO ";
inline constexpr const char* kMarkWithholding = "Ritenuta d'acconto:         EURO ";
inline constexpr const char* kMarkTotal = "Totale:                     EURO ";

// ---- messages
inline constexpr const char* kMsgCreatingInvoice = "Creazione fattura in corso...";
inline constexpr const char* kMsgConfirmMovement = "Ricordati di confermare i dati in movimenti compagnie.";
inline constexpr const char* kMsgYearFull =
    "Numerazione delle fatture dell'anno esaurita: il numero 99999 è già stato assegnato.";
inline constexpr const char* kMsgOnlyLastInvoice =
    "E' possibile cancellare solo l'ultima fattura o una fattura proforma.";
inline constexpr const char* kMsgNoInvoiceFlag = "La polizza non prevede l'emissione della fattura.";
inline constexpr const char* kMsgUnknownPolicy = "Polizza non trovata.";
inline constexpr const char* kMsgNoInsured = "La polizza non ha un assicurato.";
inline constexpr const char* kMsgExportingInvoices = "Esportazione fatture in Excel in corso...";

inline constexpr int kMaxInvoiceNumber = 99999;
inline constexpr const char* kModeProforma = "Fattura proforma";
inline constexpr const char* kModeInvoice = "Fattura";

// ---- amounts read back from a text

// The amount written after MARKER in TEXT: the first blank-separated token after it, read as
// "1.234,56" (in a token with a comma the dots group thousands) or "1234.56"; nullopt when the
// marker is missing or no number follows it.
std::optional<Decimal> markerAmount(std::string_view text, std::string_view marker);
// The invoice amount of lists and summaries: the commission after kMarkCommission, else the fee
// after kMarkFee, else AMOUNT (the invoice's IMPORTO).
Decimal invoiceAmount(std::string_view text, const Decimal& amount);
// A consultancy invoice: its text holds "CONSULENZA" (any case); otherwise a commission invoice.
bool isConsultancy(std::string_view text);
// An amount as the texts carry it: ENSTR's "1.234,56", right-aligned in 9 characters (wider
// when the amount needs it).
std::string textAmount(const Decimal& amount);

// The figures of an invoice: the taxable amount, the VAT (positive rate), the withholding (negative
// rate, as a positive amount), the stamp recharged in its text and the total to pay.
struct InvoiceTotals {
    Decimal taxable, vat, withholding, stamp, total;
    Decimal amount; // invoiceAmount() of the text
};
InvoiceTotals invoiceTotals(const Decimal& amount, const Decimal& rate, std::string_view text);
// The same of the current record of a FATTBSA cursor.
InvoiceTotals invoiceTotals(const store::Table& invoices);

// ---- the customer

struct InvoiceCustomer {
    bool found = false;
    bool company = false;          // a company of COMPAGN (looked up first), else a client
    std::string title;             // "Spett.le" for a company, the client's TITOLO
    std::string name, name2;       // RAGSOC1 / RAGSOC2 of a company, the client's name
    std::string address, postCode, town, province;
    std::string taxCode, vatNumber;
    std::string firstName;         // NOMEPF of a client
    std::string sdiCode, pec;      // CODICESDI, PEC of a client
    Decimal defaultRate;           // -ALIQRA, or -"Aliquota RA" for a client with a VAT number, else 0
};
InvoiceCustomer invoiceCustomer(store::Workspace& ws, const std::string& name);
// "Emissione fatture" / "Aliquota RA" of the folder's ARV.INI (11.5 when missing).
Decimal withholdingRate(const std::string& folder);

// ---- numbering

// PROSNUMFATT: the number proposed for an invoice dated DATE. While FATTBSA has no live record,
// "Emissione fatture" / "Numero" + 1; otherwise the highest number of DATE's year + 1 (1 when the
// year has none; pro-formas count as 0). Never more than 99999 (see nextInvoiceNumber).
int PROSNUMFATT(store::Workspace& ws, Date date);
// The same read through INVOICES (a cursor of FATTBSA the caller holds the table lock of, for a
// number to write): nullopt when the year already reached 99999.
std::optional<int> nextInvoiceNumber(store::Table& invoices, Date date);

// ---- the invoice dialog's values

// The fields of the dialog FATTURE2 (ids 101-108), then the reference text of a preset button
// (kept in the copies, not shown nor stored).
inline constexpr const char* kReference = "RIFERIM";
const std::vector<records::EditField>& invoiceFields();
inline constexpr int kFieldReference = 109;
// The copies of a new invoice dated TODAY: the number proposed (0 for a pro-forma), zero amounts.
records::EditValues newInvoiceValues(store::Workspace& ws, bool proforma, Date today);
// A preset text ("Testo1".."Testo3" of "Emissione fatture") followed by the reference text.
std::string presetText(const std::string& folder, int which, const std::string& reference);

// ---- save and deletion

struct InvoiceSave {
    bool saved = false;
    std::string message; // the refusal
    uint32_t recno = 0;
    int number = 0;
    explicit operator bool() const { return saved; }
};
// The save of the invoice dialog. Under one FATTBSA lock: a new invoice (not a pro-forma), or one
// whose year changed, takes the next number of its year; a new one is appended. INVOICES is the
// register's cursor (on the record edited when modifying); it is left on the record written.
InvoiceSave saveInvoice(store::Workspace& ws, store::Table& invoices, bool inserting, bool proforma,
                        const records::EditValues& before, const records::EditValues& after);
// Deletion is allowed on a pro-forma or on the last invoice in invoice order.
bool invoiceDeletable(store::Workspace& ws, const store::Table& invoices);
// Deletes the current invoice after the rule above, checked again under the table lock: the
// refusal, or nullopt once deleted.
std::optional<std::string> deleteInvoice(store::Workspace& ws, store::Table& invoices);

// ---- the consultancy invoice of a policy

struct GenerationInput {
    Decimal fee;         // "Consulenza:"
    Decimal expenses;    // "Spese:"
    bool iban = false;   // "IBAN:" footer
    std::string account; // "Conto:"
    std::string payment; // "Pagamento:"
};
// The text and the amount of the invoice of a fee: lines of the fee and the expenses, the stamp
// recharged above 77 euro, the withholding and the total when RATE is not zero.
struct GeneratedText {
    std::string text;
    Decimal total;
    bool stamp = false;
};
GeneratedText consultancyText(const std::string& company, const std::string& policy, const Decimal& premium,
                              const Decimal& fee, const Decimal& expenses, const Decimal& rate);

struct GenerationOutcome {
    bool ok = false;
    std::string message;   // the refusal, or what was written before a failure
    int number = 0;
    uint32_t invoice = 0;  // FATTBSA record
    uint32_t movement = 0; // MOVICOMP record
    int copies = 0;        // 3 for a customer with a VAT number, else 2
};
// GENFATT on the policy numbered POLICY: every check first (policy, flag, replacement,
// cancellation, drive, a number left in the year); then the invoice, the policy's note, the
// "Incasso" movement and the policy's collection update. A failure midway says what was written.
GenerationOutcome GENFATT(store::Workspace& ws, const std::string& policy, const GenerationInput& in, Date today);

// ---- printing

struct InvoiceData {
    int number = 0;
    Date date;
    std::string customer;
    std::string text;
    std::string payment;
    Decimal amount, rate;
    bool footer = false;
};
InvoiceData invoiceData(const store::Table& invoices);
// "Stampa fattura": COPIES page sets of the invoice, the issuer from AGENCY, the customer's block
// from CUSTOMER, the footer lines from ARV.INI's "Emissione fatture" of FOLDER.
PrintDocument printInvoice(const InvoiceData& invoice, const InvoiceCustomer& customer, const AgencyIdentity& agency,
                           const std::string& folder, int copies = 1, bool preview = true);
// The same of the invoice at record RECNO of FATTBSA, read through a cursor of its own.
PrintDocument printStoredInvoice(store::Workspace& ws, uint32_t recno, int copies = 1, bool preview = true);

// "Riepilogo fatture" over the current view of INVOICES (numbered invoices only).
PrintDocument printInvoiceSummary(store::Table& invoices, bool preview = true);
// "Esportazione fatture in Excel": the view's invoices to PATH; false when it cannot be written.
bool writeInvoiceSpreadsheet(store::Table& invoices, const std::string& path);

// ---- search
std::vector<records::SearchField> invoiceSearch();

} // namespace arv::accounting
