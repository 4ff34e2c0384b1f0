// The register of the motor quotes (PREVENTIVI): the list with its "OK" column, the form of eight
// pages with the policy and client pickers, the printouts and e-mails of a quote and the
// conversion into policies ("OK Polizza"). The rules and the writes are in quotes.h and
// quotedocs.h; this is the screen.
#pragma once

#include <functional>
#include <string>

#include "records/register.h"

namespace arv {
class FormDialog;
}

namespace arv::sales {

// Buttons of the list after the pattern's own.
enum QuoteButton : int { kBtnQuoteMail = 209, kBtnQuoteToPolicy = 210 };

const records::RegisterDesc& quoteRegister();

// The entry function: the list, opened on its last record.
void PREVENTIVI();
// STAMPAPRE: the quote under the cursor of PREVBSA in the preview.
void STAMPAPRE();
// EMAILCLI: the offer to the client of the quote under the cursor of PREVBSA.
void EMAILCLI();
// EMAILCOM: the price request to a company for the quote under the cursor of PREVBSA or, with
// FROMPOLICY, for the policy under the cursor of ALIAS (the policy register's table).
void EMAILCOM(bool fromPolicy, const std::string& alias = "POLIZZE");
// "OK Polizza" on the quote under the cursor of PREVBSA: the question, the dialog OKPOLIZZA until
// its numbers are accepted, the conversion under "Creazione polizza in corso...". RUN shows the
// dialog (exec() by default).
void convertQuote(store::Workspace& ws, store::Table& quotes, const std::function<int(FormDialog&)>& run = {});

// The screens "Modulistica" hands over to ("MODULISTICA"): set by the program.
void setQuoteEntryCaller(std::function<void(const std::string& name)> call);

// Hands the entry function to ADD.
void addQuoteEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::sales
