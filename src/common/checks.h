// Checks of Italian codes and simple typed values, used as field rules by the dialogs.
#pragma once

#include <string_view>

namespace arv {

// Tax code of a person (16 characters, any case). A value whose trimmed length is not 16 is
// checked as a VAT number instead.
bool ISCOD(std::string_view code);
// Italian VAT number: 11 digits with the check digit in the last place; "00000000000" is refused.
bool ISIVA(std::string_view vat);
// Italian IBAN (27 characters, capital letters) with its mod-97 check.
bool ISIBAN(std::string_view iban);
// E-mail address; trailing blanks (field padding) are allowed.
bool ISEMAIL(std::string_view email);
// "hh:mm:ss" with hours 00..23 and minutes and seconds 00..59.
bool ISTIME(std::string_view time);
// An hour typed as "hh:mm" (mask "99:99"): blank (or the mask's bare ":"), or a time that ISTIME
// accepts as "hh:mm:00". The rule of every "Ora:" of a dialog.
bool isHourMinute(std::string_view hhmm);
// Not empty and digits only.
bool ISNUMBER(std::string_view text);

} // namespace arv
