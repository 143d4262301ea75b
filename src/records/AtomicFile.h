#pragma once

#include <string>
#include <string_view>

#include "records/DataFolder.h"

namespace callpad {

// The suffix of the temporary file that a rewrite writes before it replaces its file. No data file
// name ends in it, so a temporary file left by a crash is never read as data.
inline constexpr std::string_view kTemporarySuffix = ".tmp";

// True when a regular file of that name exists. Missing -> false, unless the data folder is an
// unreachable link (FileError, operation Reach). Anything else that stops the program from telling
// (an unreadable folder, a directory of that name) throws FileError, so that an existing file is
// never taken for a missing one and overwritten.
bool fileExists(const DataFolder& folder, std::string_view drivePath);

// Reads a whole file; throws FileError.
std::string readWholeFile(const DataFolder& folder, std::string_view drivePath);

// Whether a rewrite may replace a file of its name. CreateNew is for a writer that found no file: over a
// network share this PC's cache may still say missing while another PC has just created it.
enum class WriteMode { Replace, CreateNew };

// Replaces a file with the given bytes, all or nothing. The bytes go to "<name>.tmp" in the same
// folder, are flushed to disk, and the temporary file is renamed over the old one, so a crash or a
// full disk leaves either the old or the new file, never a mix. The new file keeps the old one's
// permission bits and group. A file that is a symbolic link is rewritten where the link leads, and the
// link stays. A file protected against writing is refused (FileError, operation ReadOnly). On failure
// the temporary file is removed, the old file stays as it was, and FileError is thrown. With CreateNew,
// returns false and writes nothing when a file of that name exists after all. Callers writing the
// data folder hold its FolderLock; under it, a file that another program holds open is not waited for
// (FileError of kind Busy).
bool writeFileAtomically(const DataFolder& folder, std::string_view drivePath, std::string_view bytes,
                         WriteMode mode = WriteMode::Replace);

}  // namespace callpad
