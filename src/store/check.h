// Consistency check of a table and its index files, for the check tool, maintenance and tests.
#pragma once

#include <string>
#include <vector>

namespace arv::store {

struct CheckReport {
    std::vector<std::string> problems; // one line per fault, empty when sound
    uint32_t records = 0;
    uint32_t live = 0;
    bool ok() const { return problems.empty(); }
};

// Checks FOLDER/TABLE.DBF: notes of writes cut short that no one has replayed yet, header
// against file size, then every index file given (default:
// every tag the schema lists for the table) against the records: structure, order, every live
// record present once with its key, no deleted record, no other record.
CheckReport checkTable(const std::string& dbfPath, std::vector<std::string> indexPaths = {});

} // namespace arv::store
