// Blanks around the values of the tables and the dialogs: character fields come padded, typed
// text may carry blanks at either end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace arv {

// Without the blanks at both ends.
inline std::string trim(std::string_view s)
{
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return std::string();
    return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

// Without the trailing blanks.
inline std::string rtrim(std::string_view s)
{
    const size_t e = s.find_last_not_of(' ');
    return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

// Holds something besides blanks.
inline bool filled(std::string_view s) { return s.find_first_not_of(' ') != std::string_view::npos; }

// The parts that hold something, without their blanks, joined by SEPARATOR ("20100 Milano MI").
inline std::string joinFilled(const std::vector<std::string>& parts, std::string_view separator = " ")
{
    std::string out;
    for (const std::string& p : parts)
        if (filled(p)) {
            if (!out.empty()) out += separator;
            out += trim(p);
        }
    return out;
}

} // namespace arv
