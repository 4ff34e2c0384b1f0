#include "common/agency.h"

#include <initializer_list>
#include <utility>

namespace arv {

namespace {

std::string trimmed(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// The non-empty pieces joined by the separator.
std::string joined(std::initializer_list<std::string> pieces, const char* separator)
{
    std::string out;
    for (const std::string& p : pieces) {
        if (p.empty()) continue;
        if (!out.empty()) out += separator;
        out += p;
    }
    return out;
}

std::string labelled(const char* label, const std::string& value)
{
    return value.empty() ? std::string() : label + value;
}

// Item and key of every stored value, in the order they are written.
template <class Identity, class Fn>
void eachItem(Identity& a, Fn fn)
{
    fn("Ragione sociale", a.name);
    fn("Attività", a.activity);
    fn("Indirizzo", a.address);
    fn("CAP", a.postCode);
    fn("Città", a.town);
    fn("Provincia", a.province);
    fn("Partita IVA", a.vatNumber);
    fn("Codice fiscale", a.taxCode);
    fn("Nome", a.holderFirstName);
    fn("Cognome", a.holderSurname);
    fn("Telefono", a.telephone);
    fn("Fax", a.fax);
    fn("Cellulare", a.mobile);
    fn("Telefono pagamenti", a.paymentTelephone);
    fn("E-mail", a.email);
    fn("PEC", a.pec);
    fn("Banca", a.bankName);
    fn("IBAN", a.iban);
    fn("Orario ufficio", a.officeHours);
    fn("Luogo firma", a.signaturePlace);
    fn("Luogo emissione", a.issuePlace);
    fn("Firma1", a.signature[0]);
    fn("Firma2", a.signature[1]);
    fn("Firma3", a.signature[2]);
    fn("Indirizzo privacy", a.privacyAddress);
}

} // namespace

void AgencyIdentity::load(const IniFile& ini)
{
    eachItem(*this, [&](const char* key, std::string& value) { value = trimmed(ini.get(kSection, key)); });
}

void AgencyIdentity::save(IniFile& ini) const
{
    std::vector<std::pair<std::string, std::string>> values;
    eachItem(*this, [&](const char* key, const std::string& value) { values.emplace_back(key, trimmed(value)); });
    ini.setValues(kSection, values);
}

std::string AgencyIdentity::townLine() const
{
    std::string prov = province.empty() ? std::string() : "(" + province + ")";
    return joined({postCode, town, prov}, " ");
}

std::string AgencyIdentity::phoneLine() const
{
    return joined({labelled("Tel. ", telephone), labelled("Fax: ", fax)}, " - ");
}

std::vector<std::string> AgencyIdentity::letterhead() const
{
    std::vector<std::string> out;
    for (const std::string& line : {name, activity, address, townLine(), phoneLine(), labelled("P.IVA ", vatNumber)})
        if (!line.empty()) out.push_back(line);
    return out;
}

std::vector<std::string> AgencyIdentity::footer() const
{
    std::vector<std::string> out;
    for (const std::string& line :
         {joined({address, townLine()}, " - "),
          joined({labelled("Partita IVA: ", vatNumber), labelled("Tel. ", telephone), labelled("Fax: ", fax)}, " - "),
          labelled("E-mail: ", email)})
        if (!line.empty()) out.push_back(line);
    return out;
}

std::vector<std::string> AgencyIdentity::signatureBlock() const
{
    std::vector<std::string> out;
    size_t last = signature.size();
    while (last > 0 && trimmed(signature[last - 1]).empty()) --last;
    if (last > 0) {
        for (size_t i = 0; i < last; ++i) out.push_back(trimmed(signature[i]));
        return out;
    }
    for (const std::string& line : {name, activity, address, townLine(), labelled("Tel. ", telephone),
                                    labelled("Fax: ", fax), labelled("Cell. ", mobile)})
        if (!line.empty()) out.push_back(line);
    return out;
}

std::string AgencyIdentity::placeTown() const
{
    std::string t = trimmed(signaturePlace);
    return t.empty() ? trimmed(town) : t;
}

std::string AgencyIdentity::placeAndDate(const Date& date, bool fullYear) const
{
    std::string when = fullYear ? date.toDisplayLong() : date.toDisplay();
    std::string where = placeTown();
    return where.empty() ? when : where + ", " + when;
}

std::string AgencyIdentity::placeOfIssue() const
{
    std::string p = trimmed(issuePlace);
    return p.empty() ? placeTown() : p;
}

std::string AgencyIdentity::privacyContact() const
{
    std::string p = trimmed(privacyAddress);
    return p.empty() ? trimmed(email) : p;
}

std::string AgencyIdentity::confidentialityNotice() const
{
    return "Ai sensi del Decreto Legislativo n. 196/2003, si precisa che le informazioni contenute in questo "
           "messaggio e negli eventuali allegati sono riservate e per uso esclusivo del destinatario. Persone "
           "diverse dallo stesso non possono copiare o distribuire il messaggio a terzi. Chiunque riceva questo "
           "messaggio per errore, è pregato di distruggerlo e di informare immediatamente " +
           privacyContact() + " o telefonando al n. " + trimmed(telephone) + ".";
}

} // namespace arv
