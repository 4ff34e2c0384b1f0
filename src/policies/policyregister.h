// The policy register (POLIZZE): the list of the policies and the policy dialog, also used as the
// policy picker of other screens.
#pragma once

#include <string>

namespace arv::policies {

// Opens the register. SELECT: picker mode, closing with "Sele&ziona" gives the number under the
// cursor. NUMBER positions the list on that policy; INSURED restricts it to that insured's
// policies. Gives the chosen number, else NUMBER as given (blanks of the field's width when none).
std::string POLIZZE(bool select = false, const std::string& number = {}, const std::string& insured = {});

} // namespace arv::policies
