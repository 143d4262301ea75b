#pragma once

#include <stdexcept>
#include <string>

#include "records/Platform.h"

namespace callpad {

// What the program was doing when the file system refused; picks the wording of the user's message.
// Reach: the data folder is a link whose target is missing (a share that is not mounted).
// LocalLock: the data folder's mount keeps locks on this PC, so another PC could not see them.
// LeftInFormerFolder: the file is missing from the data folder but lies where files were kept before.
// ReadOnly: the file is protected against writing, so no rewrite replaces it.
// CreateFolder: the folder that holds the files could not be created.
enum class FileOperation { Read, Write, Lock, Reach, LocalLock, LeftInFormerFolder, ReadOnly, CreateFolder };

// Which folder the file is in, for the advice the message gives: the data folder, which several
// accounts may share, or the account's own folder that receives the exported workbook.
enum class FolderKind { Data, Workbook };

// The one error type of the file layer: a failed system call on a data file. Thrown only by the file
// layer and caught only by the screens' handler wrapper.
class FileError : public std::runtime_error {
public:
    FileError(FileOperation operation, int number, std::string path, std::string detail = {},
              FolderKind folder = FolderKind::Data);

    FileOperation operation() const { return m_operation; }
    // What the screens tell the user; the number and description say the rest.
    platform::ErrorKind kind() const { return platform::errorKind(m_number); }
    // A link was refused where the program never follows one (a lock file planted as a link).
    bool refusedLink() const { return platform::refusedLink(m_number); }
    // The system's own error number (errno on POSIX, GetLastError() on Windows).
    int number() const { return m_number; }
    // The system's text for the error number, in the user's language.
    const std::string& description() const { return m_description; }
    // The real path as the user sees it, home written as "~": "~/.local/share/callpad/callpadRT.txt",
    // C:\callpad\callpadRT.txt on Windows.
    const std::string& path() const { return m_path; }
    // For LocalLock, the mount option that keeps the locks local ("nolock"); for LeftInFormerFolder, the
    // file's path in the former folder.
    const std::string& detail() const { return m_detail; }
    FolderKind folder() const { return m_folder; }

private:
    FileOperation m_operation;
    int m_number;
    std::string m_description;
    std::string m_path;
    std::string m_detail;
    FolderKind m_folder;
};

}  // namespace callpad
