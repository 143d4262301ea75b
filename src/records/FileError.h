#pragma once

#include <stdexcept>
#include <string>

namespace callpad {

// What the program was doing when the file system refused; picks the wording of the user's message.
enum class FileOperation { Read, Write, Lock };

// The one error type of the file layer: a failed system call on a data file. Thrown only by the file
// layer and caught only by the screens' handler wrapper.
class FileError : public std::runtime_error {
public:
    FileError(FileOperation operation, int number, std::string path);

    FileOperation operation() const { return m_operation; }
    int number() const { return m_number; }
    // The system's text for the error number.
    const std::string& description() const { return m_description; }
    // The file as the program names it, e.g. "c:\callpadRT.txt".
    const std::string& path() const { return m_path; }

private:
    FileOperation m_operation;
    int m_number;
    std::string m_description;
    std::string m_path;
};

}  // namespace callpad
