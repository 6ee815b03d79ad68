#pragma once
// The files behind the registry's hives. The user's hive is rewritten
// atomically after each change (a temporary file of the writing process beside
// it, flushed to disk, then renamed over it), so a crash leaves either the old
// or the new file, never half of one; loading removes temporary files whose
// process is gone. A file that cannot be read or parsed is renamed to
// "<name>.damaged-<UTC time>" and the hive starts empty.

#include "platform/win32/registry_tree.h"

#include <string>

struct RegistryFileLoad {
    // False when a damaged file could not be moved aside: writing the hive
    // would destroy it, so the hive then lives in memory only.
    bool writable = true;
    // What went wrong, for the log; empty when the file was read or absent.
    std::string warning;
};

// Reads the user's hive from path into root (which should be empty).
RegistryFileLoad LoadUserHive(const std::string& path, RegNode& root);

// Reads the machine data into root; never renames or writes it. Returns a
// warning text when the file is missing or malformed (root then stays empty).
std::string LoadMachineHive(const std::string& path, RegNode& root);

// Writes the hive to path atomically, creating its folder when missing.
// Returns ERROR_SUCCESS or a Win32 error code, with the reason in error.
LONG SaveUserHive(const std::string& path, const RegNode& root, std::string& error);
