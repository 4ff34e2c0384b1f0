// Names of temporary files (view indexes, preview pages, work folders) and the removal of those
// left behind by a program that did not end cleanly.
//
// A temporary name is chr(127), a tag of this workstation and process (3 characters from the
// host name, then the process id, both base 36, lower case), the date as YYYYMMDD and the time
// of day in hundredths of a second as 7 digits. The tag keeps the workstations that share the
// working folder from ever choosing the same name; within the process a call waits for the next
// clock tick, so no two calls give the same name.
//
// A process that keeps a temporary file must hold a lock on it (a shared flock is enough) for
// as long as it needs it: the start-up cleanup of another workstation removes only files that
// nobody holds.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace arv {

inline constexpr char kTempPrefix = '\x7f';

std::string GETNEWFNAME();

// The workstation and process tag GETNEWFNAME puts after the prefix.
std::string workstationTag();

// Removes from `folder` the files, links and folders whose names begin with chr(127), when they
// were last changed before `startTime` and no process holds them (a flock or a byte-range lock
// anywhere in the file). Journals (names ending ".JRN") are left for the table engine to
// replay. A folder is emptied under the same rule, its contents whatever their
// names, and removed when nothing is left in it. Returns the number of entries removed.
size_t cleanupLeftovers(const std::string& folder, std::chrono::system_clock::time_point startTime);

// The start-up cleanup: the working folder, then the system's temporary folder ($TMPDIR or
// /tmp). Returns the number of entries removed from both.
size_t cleanupStartLeftovers(const std::string& workingFolder, std::chrono::system_clock::time_point startTime);

} // namespace arv
