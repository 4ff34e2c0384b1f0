// The agency's own identity, printed on letterheads, footers, signatures, receipts and invoices.
//
// Kept in ARV.INI, section "Agenzia", one key per item (every value trimmed; a missing key
// reads as empty):
//
//   "Ragione sociale"     name of the agency
//   "Attività"            activity line under the name ("Agenzia di assicurazioni ...")
//   "Indirizzo"           street address
//   "CAP"                 post code
//   "Città"               town
//   "Provincia"           province (two letters)
//   "Partita IVA"         VAT number
//   "Codice fiscale"      tax code
//   "Nome", "Cognome"     first name and surname of the holder, for an agency that is a person
//                         (electronic invoices name the supplier this way when "Ragione
//                         sociale" is empty)
//   "Telefono"            telephone
//   "Fax"                 fax
//   "Cellulare"           mobile telephone
//   "Telefono pagamenti"  telephone quoted in the payment notices
//   "E-mail"              e-mail address
//   "PEC"                 certified e-mail address
//   "Banca"               bank name
//   "IBAN"                bank account
//   "Orario ufficio"      office hours quoted in letters
//   "Luogo firma"         town of the place-and-date line of letters (empty: "Città")
//   "Luogo emissione"     place of issue printed on receipts (empty: the place-and-date town)
//   "Firma1".."Firma3"    signature block of e-mails (all empty: composed from the items above)
//   "Indirizzo privacy"   address named in the confidentiality notice (empty: "E-mail")
#pragma once

#include "common/date.h"
#include "common/ini.h"

#include <array>
#include <string>
#include <vector>

namespace arv {

struct AgencyIdentity {
    static constexpr const char* kSection = "Agenzia";

    std::string name;
    std::string activity;
    std::string address;
    std::string postCode;
    std::string town;
    std::string province;
    std::string vatNumber;
    std::string taxCode;
    std::string holderFirstName;
    std::string holderSurname;
    std::string telephone;
    std::string fax;
    std::string mobile;
    std::string paymentTelephone;
    std::string email;
    std::string pec;
    std::string bankName;
    std::string iban;
    std::string officeHours;
    std::string signaturePlace;
    std::string issuePlace;
    std::array<std::string, 3> signature;
    std::string privacyAddress;

    bool operator==(const AgencyIdentity&) const = default;

    void load(const IniFile& ini);
    // Writes every item in one change of the file.
    void save(IniFile& ini) const;

    // "00100 Roma (RM)"; missing pieces leave no separators behind.
    std::string townLine() const;
    // "Tel. 06 1234 - Fax: 06 5678"; empty when both are missing.
    std::string phoneLine() const;
    // Letterhead: name, activity, address, town line, phone line, "P.IVA " + VAT number;
    // lines whose items are missing are left out.
    std::vector<std::string> letterhead() const;
    // Footer of letters and faxes: address with the town line ("Via Roma 1 - 00100 Roma (RM)"),
    // then "Partita IVA: ..." , "Tel. ..." and "Fax: ..." joined by " - ", then "E-mail: ...".
    std::vector<std::string> footer() const;
    // The e-mail signature: "Firma1".."Firma3" when any is set (empty lines between kept),
    // otherwise name, activity, address, town line, "Tel. ", "Fax: ", "Cell. " lines.
    std::vector<std::string> signatureBlock() const;
    // The town of the place-and-date line: "Luogo firma", else "Città".
    std::string placeTown() const;
    // "<town>, dd/mm/yy" (dd/mm/yyyy with fullYear); only the date when no town is known.
    std::string placeAndDate(const Date& date, bool fullYear = false) const;
    // "Luogo emissione", else the place-and-date town.
    std::string placeOfIssue() const;
    // "Indirizzo privacy", else the e-mail address.
    std::string privacyContact() const;
    // The confidentiality notice closing letters and e-mails, naming the privacy contact and the
    // telephone.
    std::string confidentialityNotice() const;
};

} // namespace arv
