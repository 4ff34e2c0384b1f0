// Windows-1252 <-> UTF-8. The tables hold Windows-1252 text; the screens and files use UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace arv {

std::string cp1252ToUtf8(std::string_view text);
// Characters that Windows-1252 cannot hold become '?'; malformed UTF-8 bytes are taken as
// Windows-1252 bytes already, so a text that was never UTF-8 passes through unchanged.
std::string utf8ToCp1252(std::string_view text);

// UTF-8 by code points. A byte that does not start a well-formed sequence is taken as the
// Latin-1 character of the same value, so decoding never fails.
std::u32string utf8Decode(std::string_view text);
std::string utf8Encode(std::u32string_view text);
void appendUtf8(std::string& out, char32_t codePoint);

// Upper case of a Windows-1252 text (ASCII letters and the accented Latin-1 letters).
std::string upperCp1252(std::string_view text);
char upperCp1252(char c);

} // namespace arv
