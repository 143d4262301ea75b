#include "records/DataFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "records/AtomicFile.h"
#include "records/DocumentsFolder.h"
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

DataFolder::DataFolder(std::filesystem::path root, std::filesystem::path home)
    : m_root(std::move(root)), m_home(std::move(home)) {}

#ifndef _WIN32
namespace {

std::filesystem::path homeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home == '/' ? std::filesystem::path(home) : std::filesystem::path("/");
}

// An XDG base folder from its variable, or the default below home when it is unset or not absolute.
std::filesystem::path baseFolder(const char* variable, const std::filesystem::path& fallback) {
    const char* value = std::getenv(variable);
    return value && *value == '/' ? std::filesystem::path(value) : fallback;
}

}  // namespace
#endif

DataFolder DataFolder::forThisMachine() {
#ifdef _WIN32
    return DataFolder("C:\\");
#else
    const std::filesystem::path home = homeFolder();
    return DataFolder(baseFolder("XDG_DATA_HOME", home / ".local" / "share") / "callpad", home);
#endif
}

DataFolder DataFolder::workbookFolderForThisMachine() {
#ifdef _WIN32
    return forThisMachine();
#else
    const std::filesystem::path home = homeFolder();
    return DataFolder(documentsFolder(home, baseFolder("XDG_CONFIG_HOME", home / ".config")), home);
#endif
}

std::string DataFolder::shownPath(std::string_view drivePath) const {
    return shown(resolve(drivePath));
}

std::string DataFolder::shownRoot() const {
    return shown(m_root);
}

std::string DataFolder::shown(const std::filesystem::path& real) const {
    const std::string path = real.string();
    std::string home = m_home.string();
    while (home.size() > 1 && home.back() == '/') {
        home.pop_back();
    }
    if (home.size() > 1 && path.size() > home.size() && path.starts_with(home) && path[home.size()] == '/') {
        std::string shown = "~";
        shown.append(path, home.size());
        return shown;
    }
    return path;
}

void DataFolder::checkReachable() const {
    struct stat info {};
    if (::stat(m_root.c_str(), &info) == 0 || errno != ENOENT) {
        return;
    }
    // Find the first missing step of the path: behind a link it is an unmounted share; a plain
    // missing folder is one that nothing was saved in yet.
    std::filesystem::path step;
    for (const auto& part : m_root) {
        step /= part;
        struct stat entry {};
        if (::lstat(step.c_str(), &entry) != 0) {
            return;
        }
        if (S_ISLNK(entry.st_mode) && ::stat(step.c_str(), &info) != 0 && errno == ENOENT) {
            throw FileError(FileOperation::Reach, ENOENT, shownRoot());
        }
    }
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
    checkReachable();
    std::error_code error;
    std::filesystem::create_directories(m_root, error);
    if (error) {
        throw FileError(FileOperation::Write, error.value(), shownRoot());
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
