#pragma once

namespace arv {

inline constexpr const char* kProgramName = "Arvale";
inline constexpr const char* kProgramVersion = "2.70";
inline constexpr const char* kProgramTitle = "ARV - Arvale";
inline constexpr const char* kProgramVersionLine = "ARV - Arvale 2.70";

} // namespace arv
