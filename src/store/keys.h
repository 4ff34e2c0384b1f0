// Keys as the index files hold them, for seeks, scopes and duplicate tests: the text in the
// tables' code page (Windows-1252), upper-cased as the orders built on UPPER() hold it, blank-padded
// or cut to the width of the key. The upper-casing alone is schema::keyUpper.
#pragma once

#include <cstddef>
#include <string>

namespace arv::store {

// UTF8 as an index key of WIDTH bytes holds it; UPPER for the upper-cased orders.
std::string indexKey(const std::string& utf8, size_t width, bool upper = false);

} // namespace arv::store
