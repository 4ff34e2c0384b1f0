// The large working folders the benches measure: a temporary folder holding every table of the
// archive, filled in bulk and removed with everything in it when the bench ends.
#pragma once

#include <functional>
#include <string>

#include "store/names.h"
#include "store/table.h"
#include "store/workspace.h"

namespace arv::bench {

// A new folder under the temporary directory, named PREFIX and six random characters, with every
// table of the archive made empty. A bench's folder derives from it and fills it in its constructor.
struct LargeFolder {
    explicit LargeFolder(const char* prefix);
    ~LargeFolder();
    LargeFolder(const LargeFolder&) = delete;
    LargeFolder& operator=(const LargeFolder&) = delete;

    std::string path;
};

// Appends COUNT records to TABLE, opened exclusively (ordered by ORDER when given), in bulk:
// SET(t, i) writes the fields of the i-th record. The table is closed at the end.
void appendRows(store::Workspace& ws, const char* table, int count,
                const std::function<void(store::Table&, int)>& set, store::TagName order = {});

// FORMAT (printf-style, one int) applied to N: "CLIENTE %06d" and 7 give "CLIENTE 000007".
std::string numbered(const char* format, int n);

// A policy's internal code as the key fields store it: N right-aligned on ten characters.
std::string policyCode(int n);

} // namespace arv::bench
