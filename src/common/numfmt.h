// Numbers as text for screens and listings: "." groups thousands, "," separates the decimals.
//
// `width` fixes the field: the integer part gets width - 2 digit places (grouped in threes), then
// ",99" for the families with decimals. Width 0 takes the default: 10, or the integer part's
// digits + 2 when it has more than 8 digits. For the families without decimals a width of 20 is
// taken as 10. A value too large for its places fills the field with "*". Values are rounded
// half away from zero to the decimals shown.
//
//   NSTR  no decimals, zero shown,   sign left       ENSTR  2 decimals, zero shown, sign left
//   ZSTR  no decimals, zero blank,   sign left       EZSTR  2 decimals, zero blank, sign left
//   SSTR  no decimals, zero by flag, sign right      ESSTR  2 decimals, zero by flag, sign right
//
// The right-signed forms end with " " for a positive (or zero) value and "-" for a negative one,
// as accounting listings show them.
#pragma once

#include "common/date.h"
#include "common/decimal.h"

#include <string>
#include <string_view>

namespace arv {

std::string NSTR(const Decimal& number, int width = 0);
std::string ZSTR(const Decimal& number, int width = 0);
std::string SSTR(const Decimal& number, int width = 0, bool showZero = false);
std::string ENSTR(const Decimal& number, int width = 0);
std::string EZSTR(const Decimal& number, int width = 0);
std::string ESSTR(const Decimal& number, int width = 0, bool showZero = false);

// A value as the text of an expression that gives it back: a text in double quotes (an
// embedded '"' or '\' preceded by '\'), a date as CTOD("dd/mm/yy"), a number as its shortest
// text, no value as "".
std::string MKSTR(std::string_view text);
std::string MKSTR(const char* text);
std::string MKSTR(Date date);
std::string MKSTR(const Decimal& number);
std::string MKSTR();

} // namespace arv
