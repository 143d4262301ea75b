#include "records/DataFolder.h"

#include <stdexcept>

#include "records/AtomicFile.h"
#include "records/FileError.h"
#include "records/Platform.h"

namespace callpad {

namespace {

constexpr std::string_view kDrivePrefix = "c:\\";
// The longest file name the file system takes, in bytes of the name as stored.
constexpr std::size_t kMaxFileNameBytes = 255;

std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Whether Windows takes the name for a device: CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 (also
// with the superscript digits ¹ ² ³), in any case, when they make up the part before the first dot,
// trailing blanks aside. "CON.txt" is the console there, however it was meant.
bool isWindowsDeviceName(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') {
        stem.remove_suffix(1);
    }
    std::string upper(stem);
    for (char& c : upper) {
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") {
        return true;
    }
    if (!upper.starts_with("COM") && !upper.starts_with("LPT")) {
        return false;
    }
    const std::string_view digit = std::string_view(upper).substr(3);
    return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\u00B9" || digit == "\u00B2" ||
           digit == "\u00B3";
}

}  // namespace

DataFolder::DataFolder(std::filesystem::path root, std::filesystem::path home)
    : m_root(std::move(root)), m_home(std::move(home)) {}

DataFolder DataFolder::forThisMachine() {
    DataFolder folder(platform::dataFolderRoot(), platform::shownHome());
    folder.m_formerRoot = platform::formerDataFolderRoot();
    return folder;
}

DataFolder DataFolder::workbookFolderForThisMachine() {
    DataFolder folder(platform::workbookFolderRoot(), platform::shownHome());
    if (folder.m_root != platform::dataFolderRoot()) {
        folder.m_kind = FolderKind::Workbook;
    }
    return folder;
}

std::string DataFolder::shownPath(std::string_view drivePath) const {
    return shown(resolve(drivePath));
}

std::string DataFolder::shownRoot() const {
    return shown(m_root);
}

std::string DataFolder::shown(const std::filesystem::path& real) const {
    const std::string path = utf8(real);
    std::string home = utf8(m_home);
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
    if (const int error = platform::unreachableLink(m_root)) {
        throw FileError(FileOperation::Reach, error, shownRoot(), {}, m_kind);
    }
}

void DataFolder::checkNotLeftInFormerFolder(std::string_view drivePath) const {
    if (m_formerRoot.empty()) {
        return;
    }
    const DataFolder former(m_formerRoot);
    bool there = false;
    if (platform::normalFileExists(former.resolve(drivePath), there) == 0 && there) {
        throw FileError(FileOperation::LeftInFormerFolder, platform::missingFileNumber(), shownPath(drivePath),
                        former.shownPath(drivePath));
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

void DataFolder::create() const {
    checkReachable();
    if (const int error = platform::createFolder(m_root)) {
        throw FileError(FileOperation::CreateFolder, error, shownRoot(), {}, m_kind);
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
    if (isWindowsDeviceName(std::string(prefix) + std::string(part) + std::string(suffix))) {
        return FileNameProblem::DeviceName;
    }
    return FileNameProblem::None;
}

}  // namespace callpad
