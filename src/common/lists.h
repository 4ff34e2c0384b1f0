// Fixed lists offered by the list boxes. Texts are UTF-8; the first entry is the empty text
// (meaning "none chosen") except where said.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace arv {

using StringList = std::vector<std::string>;

// Payment frequencies, "MENSILE" ... "PREMIO UNICO".
StringList AFRAZ();
// Courtesy titles of letters.
StringList ATITOLI();
// Vehicle kinds; no empty entry.
StringList AVEICOLI();
// Qualifications of a producer.
StringList AQUALPROD();
// How a policy is paid.
StringList APAGAM();
// How an invoice is paid.
StringList AMODPAG();
// Documents to collect.
StringList ADOCUMENTI();
// Motor liability limits.
StringList AMASSIMALI();
// Cover types.
StringList ATIPICOPE();
// Needs of the client (questionnaire).
StringList AESIGENZE();
// VAT rate codes "20%", "E2", "E15", with the empty entry first when asked.
StringList AALIQIVA(bool emptyFirst = true);
// Descriptions of the VAT rate codes, in the order of AALIQIVA(false).
StringList DESIVA();
// Description of one VAT rate code ("E2" -> "Es. Art. 2"); "" for an unknown code.
std::string DESIVA(std::string_view code);
// Accounts of the agency's books.
StringList ACONTI();
// Electronic-invoice payment code of an invoice payment method ("Contanti" -> "MP01"); "" for
// any other text.
std::string CODIPAG(std::string_view modPag);

} // namespace arv
