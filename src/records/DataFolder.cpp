#include "records/DataFolder.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "records/AtomicFile.h"
#include "records/FileError.h"
#include "records/FileFaults.h"

namespace callpad {

namespace {

constexpr std::string_view kDrivePrefix = "c:\\";
// The longest file name the file system takes, in bytes of the name as stored.
constexpr std::size_t kMaxFileNameBytes = 255;

std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace

DataFolder::DataFolder(std::filesystem::path root) : m_root(std::move(root)) {}

DataFolder DataFolder::forThisMachine() {
#ifdef _WIN32
    return DataFolder("C:\\");
#else
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/') {
        return DataFolder(std::filesystem::path(dataHome) / "callpad");
    }
    const char* home = std::getenv("HOME");
    return DataFolder(std::filesystem::path(home ? home : "/") / ".local" / "share" / "callpad");
#endif
}

std::filesystem::path DataFolder::resolve(std::string_view drivePath) const {
    const bool onDriveC = drivePath.size() > kDrivePrefix.size() && (drivePath[0] == 'c' || drivePath[0] == 'C') &&
                          drivePath.substr(1, 2) == kDrivePrefix.substr(1);
    const std::string_view name = onDriveC ? drivePath.substr(kDrivePrefix.size()) : std::string_view{};
    if (name.empty() || name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos || name == "." ||
        name == "..") {
        throw std::invalid_argument("not a file in the root of drive C: " + std::string(drivePath));
    }
    return m_root / pathFromUtf8(name);
}

int DataFolder::injectedFailure(FileStep step) const {
    return m_faults ? m_faults->next(step) : 0;
}

void DataFolder::create() const {
    std::error_code error;
    std::filesystem::create_directories(m_root, error);
    if (error) {
        throw FileError(FileOperation::Write, error.value(), m_root.string());
    }
}

FileNameProblem checkFileNamePart(std::string_view part, std::string_view prefix, std::string_view suffix) {
    for (const char c : part) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\') {
            return FileNameProblem::Separator;
        }
        if (std::string_view(":*?\"<>|").find(c) != std::string_view::npos) {
            return FileNameProblem::ReservedCharacter;
        }
        if (byte < 0x20 || byte == 0x7F) {
            return FileNameProblem::ControlCharacter;
        }
    }
    if (!part.empty() && part.find_first_not_of('.') == std::string_view::npos) {
        return FileNameProblem::DotName;
    }
    if (prefix.size() + part.size() + suffix.size() + kTemporarySuffix.size() > kMaxFileNameBytes) {
        return FileNameProblem::TooLong;
    }
    return FileNameProblem::None;
}

}  // namespace callpad
