// The electronic invoice (FatturaPA 1.2, private-party format FPR12): the writer TFattXml, which
// holds the data of one invoice and writes the document; the check of a written file (well-formed
// UTF-8, and valid against Schema_1.2.1.xsd where it is installed); and the export of an invoice of
// the register, which fills the writer from the invoice, the customer and the agency, writes the
// file under the invoice table's lock and advances the transmission counter ("Fattura
// elettronica" / "ProgressivoInvio" of ARV.INI).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "accounting/invoices.h"
#include "common/agency.h"
#include "common/date.h"
#include "common/decimal.h"
#include "store/workspace.h"

namespace arv::accounting {

inline constexpr const char* kMsgNaturalPersonName =
    "Inserire il nome della persona fisica nel campo \"Nome PF\" della scheda cliente. Lasciare inalterato il "
    "campo Cliente.";
inline constexpr const char* kMsgProformaXml = "Una fattura proforma non può essere esportata come fattura elettronica.";

// One line of the invoice.
struct FattLine {
    std::string description;
    Decimal quantity = Decimal(1);
    Decimal price;
    Decimal rate;                   // VAT rate in percent
    std::string nature;             // "" none given: cNat when the rate is zero
    std::vector<Decimal> discounts; // percentages, applied in turn
};
// A transport document and the lines it refers to.
struct FattDdt {
    std::string number;
    Date date;
    std::vector<int> lines;
};

class TFattXml {
public:
    bool lPri = true;          // private party (FPR12); false: public administration (FPA12)
    std::string cPae = "IT";   // country of transmitter and supplier
    std::string cReg = "RF01"; // supplier's tax regime
    std::string cDoc = "TD01"; // document type
    std::string cDiv = "EUR";
    std::string cNat = "N1";   // nature of the zero-rate lines
    std::string cEsi = "I";    // VAT chargeability
    std::string cPrg;          // transmission progressive
    std::string cBan, cIba;    // bank and IBAN of the payment
    std::string cTraCdf;       // transmitter's tax code
    std::string cDesCod, cDesPec;
    std::string cCedIva, cCedDen, cCedNom, cCedCog, cCedInd, cCedCap, cCedCom, cCedPro;
    std::string cCesIva, cCesCdf, cCesPae = "IT", cCesDen, cCesNom, cCesCog, cCesInd, cCesCap, cCesCom, cCesPro;
    std::string cIntDen, cIntPae, cIntIva;
    Date dFatDat;
    std::string nFatNum; // a number is written without decimals, a text trimmed
    std::string cFatCau;
    std::vector<FattLine> aFatRig;
    std::optional<int> nPreDec; // decimals of the unit price (2 when not set)
    bool lRit = false;
    std::string cRitTip = "RT01";
    Decimal nRitAli;
    bool lCas = false;
    std::string cCasTip = "TC22";
    Decimal nCasAli;
    std::optional<Decimal> nCasIva;
    std::vector<FattDdt> aDdt;
    std::string cModPag = "MP05", cConPag = "TP02";
    Date dScaPag;
    std::vector<std::string> aAttach;

    // The figures of the document.
    struct Summary {
        Decimal rate;
        std::string nature;
        Decimal taxable, tax;
    };
    struct Amounts {
        Decimal taxable;      // sum of the line totals
        Decimal contribution; // pension fund
        Decimal withholding;
        Decimal total;        // to pay
        std::vector<Summary> summaries;
    };
    Amounts amounts() const;
    static Decimal lineTotal(const FattLine& line);

    // What the exchange would refuse in these data (missing identities, malformed codes), in
    // Italian; empty when nothing.
    std::vector<std::string> problems() const;
    // The document as UTF-8 text, CR LF after every line but the last.
    std::string document() const;
    // Writes the document to FILENAME: "" when written, else why not (problems() first).
    std::string Export(const std::string& fileName) const;
};

// The text as the documents carry it: trimmed, characters outside Latin-1 replaced ("€" "EUR",
// curly quotes straight ones, dashes "-", "…" "...", anything else "?"), control characters blanks.
std::string latinText(const std::string& utf8);
// COUNTER in base 36 (0-9, A-Z) on WIDTH characters with leading zeros.
std::string base36(long long counter, int width = 5);

// ---- the check of a written file

// The folder holding Schema_1.2.1.xsd and xmldsig-core-schema.xsd: PROGRAMDIR/data/fatturapa,
// PROGRAMDIR/../share/arvale/fatturapa, else the one the build was configured with; "" when none.
std::string invoiceSchemaFolder(const std::string& programDir);
// The folder the checks use (default: invoiceSchemaFolder("")); the program sets its own at start.
void setInvoiceSchemaFolder(std::string folder);
const std::string& currentInvoiceSchemaFolder();
// Checks the file at PATH: well-formed UTF-8 XML read without network access, then valid against
// the schema when it is installed (*VALIDATED tells whether it was). The problem, or nullopt.
std::optional<std::string> checkInvoiceFile(const std::string& path, bool* validated = nullptr);

// ---- the export of an invoice of the register

// Why the customer's data cannot go into an electronic invoice, or nullopt.
std::optional<std::string> customerXmlProblem(const InvoiceCustomer& c);
// Why the agency's data cannot, or nullopt ("Dati agenzia...").
std::optional<std::string> agencyXmlProblem(const AgencyIdentity& a);
// The transmitter's code: the agency's tax code, else its VAT number.
std::string transmitterCode(const AgencyIdentity& a);
// The writer filled from a stored invoice, its customer and the agency, with progressive PRG.
TFattXml invoiceXml(const InvoiceData& invoice, const InvoiceCustomer& customer, const AgencyIdentity& agency,
                    const std::string& prg);
// The name proposed in "Salva con nome": FOLDER/FATTURE XML/IT<transmitter>_<progressive>.xml.
std::string proposedXmlName(const std::string& folder, const AgencyIdentity& agency, long long counter);

struct XmlExport {
    bool ok = false;
    bool cancelled = false;
    std::string message; // the refusal or the failure
    std::string path;
    std::string progressive;
    bool validated = false; // checked against the schema, not only read
};
// "Fattura XML" on invoice RECNO. CHOOSEFILE gets the proposed name and gives the chosen one (""
// cancels). The counter is read again under the FATTBSA lock once the name is chosen; the file is
// written beside it under a temporary name, checked, renamed, and only then is the counter advanced.
XmlExport exportInvoiceXml(store::Workspace& ws, uint32_t recno,
                           const std::function<std::string(const std::string& proposed)>& chooseFile);

} // namespace arv::accounting
