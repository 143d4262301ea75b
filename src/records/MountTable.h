#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace callpad {

// The option of the mount that holds `folder` which keeps byte-range locks on this PC, so that a
// lock taken here is not seen by another PC sharing the folder: NFS "nolock", "local_lock=posix" or
// "local_lock=all", SMB/CIFS "nobrl". Nothing when the mount keeps locks working or the table
// (a /proc/self/mounts file) cannot be read.
std::optional<std::string> localLockOption(const std::filesystem::path& folder,
                                           const std::filesystem::path& mountTable);

}  // namespace callpad
