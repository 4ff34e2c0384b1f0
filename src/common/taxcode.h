// Birth data read from a person's tax code.
//
// Codes that are empty or all digits (a company's) give the empty result. Omocodic codes, where
// the digits of the date and of the municipality were replaced by the letters L M N P Q R S T U V
// (0..9) to tell two people apart, decode like the plain code.
#pragma once

#include "common/date.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace arv {

// Date of birth; the empty date when the code cannot be read. Two-digit years fall in the
// 1930..2029 window, but a date that would lie after `today` is taken a century earlier
// (a person born in 1925 has year "25").
Date DATANASCCDF(std::string_view code);
Date DATANASCCDF(std::string_view code, Date today);

// "M" or "F" (women have 40 added to the day of birth); " " when the code cannot be read.
std::string SESSOCDF(std::string_view code);

// Looks up a municipality by its cadastral code (4 characters): nullopt when the municipality
// table does not exist, an empty text when the code is not in it, otherwise the name.
using ComuneLookup = std::function<std::optional<std::string>(std::string_view code)>;

// Width of the municipality name field (`COMUNI`.`COMUNE`).
inline constexpr size_t kComuneWidth = 40;

// Municipality of birth: "" for an unreadable code or when the table does not exist, blanks of
// the name's width when the code is not found, else the name as the lookup gives it.
std::string COMUNASCCDF(std::string_view code, const ComuneLookup& lookup);

// The code in capitals with the omocodia letters turned back into digits, or "" when the code
// is not a 16-character code of a person.
std::string plainTaxCode(std::string_view code);

} // namespace arv
