// The documents of a quote: the printed quote sheet (STAMPAPRE), the offer e-mail to the client
// with its printed copy (EMAILCLI) and the price request to a company (EMAILCOM), which the policy
// register sends for a motor policy too. The texts, prices and pages are made here without a
// window; the screens only show the compose dialog and the preview.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "common/agency.h"
#include "common/date.h"
#include "common/decimal.h"
#include "common/maildraft.h"
#include "common/pagemodel.h"
#include "store/table.h"
#include "store/workspace.h"

namespace arv::sales::quotes {

inline constexpr const char* kSheetJob = "Stampa preventivo polizza";
inline constexpr const char* kSheetTitle = "STAMPA PREVENTIVO POLIZZA";
inline constexpr const char* kCopyJob = "Stampa email preventivo";
inline constexpr const char* kCopyTitle = "STAMPA EMAIL PREVENTIVO";
// The offer's paragraph the printed copy stops before.
inline constexpr const char* kMonthlyParagraph = "In caso di scelta di rateizzazione mensile, ";

// ---- the driving type and the other ARD covers, from a quote or a motor sheet (same field names)

inline constexpr size_t kCoverCount = 20;
struct DrivingCovers {
    bool exclusive = false, expert = false, free = false; // GDXCON, GDECON, GDLCON
    std::string guarantee1, guarantee2;                    // GARANZIA1, GARANZIA2
    std::array<bool, kCoverCount> covers{};                // INFORTUNI ... COLLISIO, in the table's order
};
// The record's driving types, guarantees and cover flags (a PREVBSA or a DATIAUTO record).
DrivingCovers readCovers(const store::Table& record);
// The cover flags' fields, in order.
const std::array<const char*, kCoverCount>& coverFields();

// "\"Guida esclusiva\"", else "\"Guida esperta\"", else "\"Guida libera\"", else "".
std::string GUIDA(const DrivingCovers& c);
// The explanation of the driving type GUIDA gives ("" for none).
std::string DESCGUIDA(const DrivingCovers& c);
// The two guarantees when given, then the ticked covers' names, joined by ", ".
std::string ALTREARD(const DrivingCovers& c);

// ---- the offer

struct OfferPrices {
    Decimal halfYear, year, month; // SEMESTRALE, ANNUALE, MENSILE
};
// Each price of the RC quote plus the ARD quote's of the same frequency.
OfferPrices offerPrices(const store::Table& quote);
// The date the offer holds until: ten days after TODAY.
Date offerValidUntil(Date today);
// "Preventivo polizza RC Auto n. " + the trimmed number.
std::string offerSubject(const store::Table& quote);
// The composed offer of the quote, CR LF line ends.
std::string offerText(const store::Table& quote, const AgencyIdentity& agency, Date today = Date::today());
// The signature block that closes the e-mails of the quotes.
std::vector<std::string> quoteSignature(const AgencyIdentity& agency);
// The message as its printed copy shows it: cut before the paragraph on monthly instalments.
std::string offerCopyText(const std::string& message);
// The printed copy ("Stampa email preventivo"), straight to the printer unless PREVIEW.
PrintDocument printOfferCopy(const std::string& subject, const std::string& message, bool preview = false);

// ---- the price request

// "Preventivo polizza RC Auto n. " + number (a quote), or "Preventivo polizza RC Auto - " + the
// whole policy number (a policy: never cut).
std::string requestSubject(const store::Table& current, bool fromPolicy);
// The request's text, from the quote under the cursor, or (FROMPOLICY) from the policy under it
// with its client and its motor sheet.
std::string requestText(store::Workspace& ws, const store::Table& current, bool fromPolicy,
                        const AgencyIdentity& agency);

// ---- the printed quote sheet

// STAMPAPRE's pages for the quote under the cursor (printed, or in the preview with PREVIEW).
PrintDocument printQuoteSheet(const store::Table& quote, bool preview = true);

// ---- sending

struct QuoteMailHooks {
    // Shows the compose dialog on the draft (false: abandoned); none sends the draft as it is.
    std::function<bool(MailDraft&)> compose;
    // Sends one message (SENDMAIL unless given).
    std::function<bool(const MailMessage&)> send;
    // Shows a message.
    std::function<void(const std::string&)> tell;
    // Prints the offer's copy (printOfferCopy unless given).
    std::function<void(const std::string& subject, const std::string& message)> printCopy;
};
// EMAILCLI on the quote under the cursor: the draft to the quote's E_MAIL (the agency's copy,
// "Copia", as second recipient), the outcome told, then the copy printed whatever the outcome. The messages sent (0 when abandoned or without address).
size_t sendOffer(const store::Table& quote, const std::string& iniPath, const QuoteMailHooks& hooks);
// EMAILCOM: the request to the address of the company chosen in the dialog (field 9 of
// ADATICOMP); a company without an address gets nothing. The messages sent.
size_t sendPriceRequest(store::Workspace& ws, const store::Table& current, bool fromPolicy,
                        const std::string& iniPath, const QuoteMailHooks& hooks);

} // namespace arv::sales::quotes
