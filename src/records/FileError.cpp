#include "records/FileError.h"

#include <cstring>

namespace callpad {

namespace {

std::string systemDescription(int number) {
    char buffer[256] = {};
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(number, buffer, sizeof buffer);
    return text ? std::string(text) : std::string(buffer);
}

}  // namespace

FileError::FileError(FileOperation operation, int number, std::string path, std::string detail)
    : std::runtime_error(path + ": " + systemDescription(number)),
      m_operation(operation),
      m_number(number),
      m_description(systemDescription(number)),
      m_path(std::move(path)),
      m_detail(std::move(detail)) {}

}  // namespace callpad
