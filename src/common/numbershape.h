// The shape of the numbers companies hand out in blocks (claim numbers, numbered forms): an
// optional non-digit prefix character, a run of digits and an optional non-digit suffix
// character ("A100", "100B", "98"), and the ranges "dal" / "al" of such numbers that a block is
// generated from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace arv {

struct ShapedNumber {
    std::string prefix; // one character or empty (UTF-8)
    std::string digits; // as typed, leading zeros kept
    std::string suffix; // one character or empty
};
// The parts of TEXT (blanks around it ignored); nullopt when it is not of the shape.
std::optional<ShapedNumber> splitNumber(std::string_view text);

// A block of numbers: prefix, FIRST to LAST, suffix. The numbers are written without leading zeros.
struct NumberRange {
    std::string prefix, suffix;
    uint64_t first = 0, last = 0;

    uint64_t count() const { return last - first + 1; }
    // The number N of the block: prefix + N + suffix.
    std::string at(uint64_t n) const;
};

// The range from FROM to TO: both of the shape, with the same prefix and suffix, FROM not above TO,
// every number at most WIDTH characters and at most MAXCOUNT numbers. MESSAGE gets the reason of a
// refusal, in Italian.
std::optional<NumberRange> numberRange(std::string_view from, std::string_view to, size_t width, uint64_t maxCount,
                                       std::string* message = nullptr);

} // namespace arv
