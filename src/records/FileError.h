#pragma once

#include <stdexcept>
#include <string>

namespace callpad {

// What the program was doing when the file system refused; picks the wording of the user's message.
// Reach: the data folder is a link whose target is missing (a share that is not mounted).
// LocalLock: the data folder's mount keeps locks on this PC, so another PC could not see them.
enum class FileOperation { Read, Write, Lock, Reach, LocalLock };

// The one error type of the file layer: a failed system call on a data file. Thrown only by the file
// layer and caught only by the screens' handler wrapper.
class FileError : public std::runtime_error {
public:
    FileError(FileOperation operation, int number, std::string path, std::string detail = {});

    FileOperation operation() const { return m_operation; }
    int number() const { return m_number; }
    // The system's text for the error number.
    const std::string& description() const { return m_description; }
    // The real path as the user sees it, home written as "~": "~/.local/share/callpad/callpadRT.txt".
    const std::string& path() const { return m_path; }
    // For LocalLock, the mount option that keeps the locks local ("nolock").
    const std::string& detail() const { return m_detail; }

private:
    FileOperation m_operation;
    int m_number;
    std::string m_description;
    std::string m_path;
    std::string m_detail;
};

}  // namespace callpad
