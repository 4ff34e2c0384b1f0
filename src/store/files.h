// File-level helpers of the table engine: case-insensitive names in the working folder and
// the replacement of several files as one step.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace arv::store {

// The path of NAME in FOLDER. Names are upper case, but a folder copied from another system may
// hold them in any case: an existing entry that differs only in case is used as it is.
std::string resolveFile(const std::string& folder, const std::string& name);
bool fileExists(const std::string& folder, const std::string& name);

// Moves complete temporary files over their final names as one step. A journal written (and
// synced) before the first rename lists every move; if the process dies half-way,
// recoverReplacements() at the next start finishes the moves, so a table and its memo file are
// never left from two different generations. Throws arv::Error when a move fails.
void replaceFiles(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& moves);
void recoverReplacements(const std::string& folder);

// Free bytes on the file system of the folder (0 when it cannot be read).
unsigned long long freeSpace(const std::string& folder);

// Byte-range locks of a network share must reach the server, or the workstations that share the
// working folder overwrite each other's records and index pages without any error. The option of
// the folder's mount that keeps them on the workstation ("nobrl" of cifs; "nolock",
// "local_lock=all" or "local_lock=posix" of NFS), read from MOUNTINFO (the text of
// /proc/self/mountinfo); empty when the locks are shared or the file system is not known.
std::string localLockOption(const std::string& mountinfo, const std::string& folder);
// The warning to show at start-up, before any table opens, when the working folder is mounted
// so (read from MOUNTINFO, by default /proc/self/mountinfo); empty when it is not.
std::string lockMountWarning(const std::string& folder);
std::string lockMountWarning(const std::string& folder, const std::string& mountinfo);

void syncFile(const std::string& path);
void syncFolder(const std::string& folder);

} // namespace arv::store
