// A block of numbers a company hands out (claim numbers, numbered forms), written one record a
// number to a table keyed by the company and the number.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "common/numbershape.h"
#include "store/table.h"

namespace arv::records {

// Appends a record for each number of RANGE to T, which the caller holds locked and orders by the
// company (COMPANYWIDTH characters) and the number (NUMBERWIDTH); SET fills the record of each
// number. Answers how many were written, or nullopt, with nothing written, when one of the numbers
// of COMPANY is already there.
std::optional<size_t> appendNumberBlock(store::Table& t, const std::string& company, size_t companyWidth,
                                        const NumberRange& range, size_t numberWidth,
                                        const std::function<void(store::Table&, const std::string&)>& set);

} // namespace arv::records
